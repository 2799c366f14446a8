// Drawing objects, device contexts, image lists and menus through the framework classes: who owns a
// handle, what a handler's drawing records, and that a popup menu's command arrives after the call.
#include "afxcmn.h"
#include "plat/draw.h"
#include "plat/resources.h"
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

class CPaintingWnd : public CWnd {
public:
    COLORREF bkAfterFill = 0;

protected:
    afx_msg void OnPaint() {
        CPaintDC dc(this);
        CRect rc;
        GetClientRect(&rc);
        dc.FillSolidRect(&rc, RGB(0, 0, 255));
        bkAfterFill = dc.GetBkColor();
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(255, 0, 0));
        dc.TextOut(4, 5, CString("Shelf"));
    }
    afx_msg BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintingWnd, CWnd)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

using GdiTest = testwin::WindowTest;

TEST_F(GdiTest, PaintDcRecordsTheHandlersDrawing) {
    CPaintingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr));
    plat::PumpMessages();
    plat::Drawing drawing = plat::LastDrawing(wnd.m_hWnd);
    const plat::DrawOp* text = drawing.FindText("Shelf");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->textColor, RGB(255, 0, 0));
    EXPECT_EQ(text->pos.x, 4);
    EXPECT_EQ(text->pos.y, 5);
    auto fills = drawing.OfKind(plat::DrawKind::Fill);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills[0]->color, RGB(0, 0, 255));
    EXPECT_EQ(wnd.bkAfterFill, RGB(0, 0, 255)); // the fill leaves its colour as the background colour
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(wnd.m_hWnd, &update, FALSE)); // EndPaint validated
}

TEST_F(GdiTest, SelectObjectHandsBackThePreviousObject) {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr));
    CClientDC dc(&wnd);
    ASSERT_NE(dc.GetSafeHdc(), nullptr);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* old = dc.SelectObject(&red);
    ASSERT_NE(old, nullptr);
    EXPECT_NE(old->m_hObject, red.m_hObject);
    CPen* back = dc.SelectObject(old);
    EXPECT_EQ(back->m_hObject, red.m_hObject);
    CSize extent = dc.GetTextExtent("Shelf", 5);
    EXPECT_GT(extent.cx, 0);
    EXPECT_GT(extent.cy, 0);
    EXPECT_EQ(dc.GetTextExtent("", 0), CSize(0, 0));
}

TEST_F(GdiTest, ObjectsOwnTheirHandlesUnlessDetached) {
    HGDIOBJ kept = nullptr;
    HGDIOBJ deleted = nullptr;
    {
        CBrush owned(RGB(1, 2, 3));
        deleted = owned.m_hObject;
        CBrush detached(RGB(4, 5, 6));
        kept = detached.Detach();
        EXPECT_EQ(detached.m_hObject, nullptr);
    }
    EXPECT_EQ(GetObjectType(deleted), 0u);
    EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_BRUSH));
    CBrush again;
    EXPECT_TRUE(again.Attach(kept));
    EXPECT_FALSE(again.Attach(kept)); // holds one already
    EXPECT_TRUE(again.DeleteObject());
    EXPECT_FALSE(again.DeleteObject());
}

TEST_F(GdiTest, BitmapsLoadFromTheCurrentResourceModuleIntoImageLists) {
    static plat::ResourceTable table;
    plat::BitmapResource strip;
    strip.width = 32;
    strip.height = 16;
    strip.pixels.assign(32 * 16, RGB(255, 255, 255));
    strip.pixels[0] = RGB(255, 0, 0);
    table.bitmaps[131] = strip;
    constexpr HMODULE module = 0x6C6C;
    plat::RegisterResources(module, &table);
    HINSTANCE previous = AfxGetResourceHandle();

    CBitmap missing;
    AfxSetResourceHandle(0x1212);
    EXPECT_FALSE(missing.LoadBitmap(131));

    AfxSetResourceHandle(module);
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 17, 0));
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(131));
    EXPECT_EQ(bmp.GetBitmapDimension(), CSize(32, 16));
    EXPECT_EQ(images.Add(&bmp, RGB(255, 255, 255)), 0); // index of the first of the two images
    EXPECT_EQ(images.Add(&bmp, RGB(255, 255, 255)), 2);
    EXPECT_EQ(images.GetImageCount(), 4);
    bmp.DeleteObject();
    plat::Image first = plat::ImageListPixels(images, 0);
    EXPECT_FALSE(first.TransparentAt(0, 0));
    EXPECT_TRUE(first.TransparentAt(1, 0)); // white was the mask colour
    EXPECT_EQ(images.Add(static_cast<CBitmap*>(nullptr), RGB(0, 0, 0)), -1);

    AfxSetResourceHandle(previous);
    plat::RegisterResources(module, nullptr);
}

TEST_F(GdiTest, ImageListBindingAndTemporaryWrappers) {
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR24, 1, 1));
    EXPECT_FALSE(list.Create(16, 16, ILC_COLOR24, 1, 1)); // one list per object
    EXPECT_EQ(CImageList::FromHandle(list.m_hImageList), &list);
    HIMAGELIST loose = ImageList_Create(8, 8, ILC_COLOR24, 1, 1);
    CImageList* temp = CImageList::FromHandle(loose);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hImageList, loose);
    EXPECT_EQ(CImageList::FromHandle(loose), temp);
    CImageList::DeleteTempMap();
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(loose, &cx, &cy)); // a wrapper never owns its list
    ImageList_Destroy(loose);
}

// ---- menus ----

class CMenuOwner : public CWnd {
public:
    std::vector<std::string> calls;
    CMenu popup;

protected:
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL) {
        calls.push_back(pPopupMenu == &popup ? "init own" : "init other");
        pPopupMenu->EnableMenuItem(40017, MF_BYCOMMAND | MF_GRAYED);
    }
    afx_msg void OnRename() { calls.push_back("rename"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuOwner, CWnd)
ON_WM_INITMENUPOPUP()
ON_COMMAND(40016, OnRename)
END_MESSAGE_MAP()

TEST_F(GdiTest, PopupMenuCommandArrivesAfterTrackPopupMenuReturns) {
    plat::ScriptedInteraction script;
    script.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << line; });
    plat::SetInteraction(&script);
    CMenuOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_TRUE(owner.popup.CreatePopupMenu());
    owner.popup.AppendMenu(MF_STRING, 40016, "Rename(&M)");
    owner.popup.AppendMenu(MF_SEPARATOR);
    owner.popup.AppendMenu(MF_STRING, 40017, "Delete(&D)");
    EXPECT_EQ(owner.popup.GetMenuItemCount(), 3u);
    EXPECT_EQ(owner.popup.GetMenuItemID(2), 40017u);

    script.ChooseMenuCommand(40016);
    EXPECT_TRUE(owner.popup.TrackPopupMenu(TPM_LEFTALIGN, 10, 10, &owner));
    EXPECT_EQ(owner.calls, std::vector<std::string>{"init own"}); // not yet the command
    plat::PumpMessages();
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"init own", "rename"}));
    ASSERT_EQ(script.Menus().size(), 1u);
    EXPECT_TRUE(script.Menus()[0].items[2].grayed); // changed by OnInitMenuPopup
    plat::SetInteraction(nullptr);
}

TEST_F(GdiTest, MenuObjectsOwnTheirMenus) {
    HMENU h = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.CreatePopupMenu());
        EXPECT_FALSE(menu.CreatePopupMenu()); // one menu per object
        h = menu.m_hMenu;
        EXPECT_EQ(CMenu::FromHandle(h), &menu);
    }
    EXPECT_FALSE(IsMenu(h));

    HMENU loose = CreatePopupMenu();
    CMenu* temp = CMenu::FromHandle(loose);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hMenu, loose);
    CMenu::DeleteTempMap();
    EXPECT_TRUE(IsMenu(loose)); // the wrapper did not own it
    CMenu owner;
    EXPECT_TRUE(owner.Attach(loose));
    EXPECT_EQ(CMenu::FromHandle(loose), &owner);
    EXPECT_EQ(owner.Detach(), loose);
    EXPECT_TRUE(DestroyMenu(loose));
}

} // namespace

// CTreeCtrl over the tree-view control: the members reach the control, the control's notifications
// reach the parent's map (reflection first), and a derived tree's handlers pass what they do not
// finish to the control's own procedure.
#include "afxcmn.h"
#include "plat/draw.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

constexpr UINT kTreeId = 1000;

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

class CTreeParent : public CWnd {
  public:
    BOOL vetoExpand = FALSE;

  protected:
    afx_msg void OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult) {
        auto* tv = reinterpret_cast<NMTREEVIEW*>(pNMHDR);
        Calls().push_back("parent expanding " + std::to_string(tv->itemNew.lParam));
        *pResult = vetoExpand;
    }
    afx_msg void OnDeleteItem(NMHDR* pNMHDR, LRESULT*) {
        auto* tv = reinterpret_cast<NMTREEVIEW*>(pNMHDR);
        Calls().push_back("parent delete " + std::to_string(tv->itemOld.lParam));
    }
    afx_msg void OnSelChanged(NMHDR* pNMHDR, LRESULT*) {
        auto* tv = reinterpret_cast<NMTREEVIEW*>(pNMHDR);
        Calls().push_back("parent selchanged " + std::to_string(tv->itemNew.lParam));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTreeParent, CWnd)
ON_NOTIFY(TVN_ITEMEXPANDING, kTreeId, OnItemExpanding)
ON_NOTIFY(TVN_DELETEITEM, kTreeId, OnDeleteItem)
ON_NOTIFY(TVN_SELCHANGED, kTreeId, OnSelChanged)
END_MESSAGE_MAP()

class CShelfLikeTree : public CTreeCtrl {
  public:
    BOOL deleteReachesParent = TRUE;

  protected:
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point) {
        Calls().push_back("tree lbuttondown " + std::to_string(point.x) + "," + std::to_string(point.y));
        CTreeCtrl::OnLButtonDown(nFlags, point);
    }
    afx_msg BOOL OnDeleteItemReflect(NMHDR*, LRESULT*) {
        Calls().push_back("tree delete");
        return deleteReachesParent ? FALSE : TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CShelfLikeTree, CTreeCtrl)
ON_WM_LBUTTONDOWN()
ON_NOTIFY_REFLECT_EX(TVN_DELETEITEM, OnDeleteItemReflect)
END_MESSAGE_MAP()

class TreeCtrlTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Calls().clear();
        ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 400, nullptr,
                                    nullptr));
        ASSERT_TRUE(tree.Create(WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                CRect(0, 0, 300, 400), &parent, kTreeId));
    }
    void TearDown() override {
        tree.DestroyWindow();
        parent.DestroyWindow();
        WindowTest::TearDown();
    }
    HTREEITEM Add(const char* text, LPARAM data, HTREEITEM under = TVI_ROOT) {
        return tree.InsertItem(TVIF_TEXT | TVIF_PARAM, text, 0, 0, 0, 0, data, under, TVI_LAST);
    }

    CTreeParent parent;
    CShelfLikeTree tree;
};

TEST_F(TreeCtrlTest, ItemPropertiesRoundTripInTheTreeViewClass) {
    char cls[32] = "";
    GetClassNameA(tree.m_hWnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "SysTreeView32");
    HTREEITEM book = tree.InsertItem("Book", 3, 4);
    ASSERT_NE(book, nullptr);
    EXPECT_STREQ(tree.GetItemText(book), "Book");
    EXPECT_TRUE(tree.SetItemText(book, "Atlas"));
    EXPECT_STREQ(tree.GetItemText(book), "Atlas");
    int image = -1, selected = -1;
    EXPECT_TRUE(tree.GetItemImage(book, image, selected));
    EXPECT_EQ(image, 3);
    EXPECT_EQ(selected, 4);
    EXPECT_TRUE(tree.SetItemData(book, 0xABCDEF));
    EXPECT_EQ(tree.GetItemData(book), static_cast<DWORD_PTR>(0xABCDEF));
    EXPECT_TRUE(tree.SetItemState(book, TVIS_BOLD, TVIS_BOLD));
    EXPECT_EQ(tree.GetItemState(book, TVIS_BOLD), static_cast<UINT>(TVIS_BOLD));
    EXPECT_EQ(tree.GetCount(), 1u);
    std::string label(700, 'x');
    label.back() = 'y';
    HTREEITEM item = tree.InsertItem(label.c_str());
    EXPECT_EQ(std::string(tree.GetItemText(item)), label) << "long labels come back whole";
}

TEST_F(TreeCtrlTest, NavigationFollowsTheTreeAndTheChildrenMarkIsTheFlagNotRealChildren) {
    TVINSERTSTRUCT tvis{};
    tvis.hParent = TVI_ROOT;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    tvis.item.pszText = const_cast<LPSTR>("marked");
    tvis.item.cChildren = 1;
    HTREEITEM marked = tree.InsertItem(&tvis);
    HTREEITEM plain = Add("plain", 2);
    EXPECT_TRUE(tree.ItemHasChildren(marked));
    EXPECT_EQ(tree.GetChildItem(marked), nullptr);
    EXPECT_FALSE(tree.ItemHasChildren(plain));
    Add("child", 3, plain);
    EXPECT_TRUE(tree.ItemHasChildren(plain)); // a first child sets the mark

    HTREEITEM a = Add("a", 1);
    HTREEITEM b = Add("b", 2);
    HTREEITEM b1 = Add("b1", 3, b);
    EXPECT_EQ(tree.GetRootItem(), marked);
    EXPECT_EQ(tree.GetNextSiblingItem(a), b);
    EXPECT_EQ(tree.GetPrevSiblingItem(b), a);
    EXPECT_EQ(tree.GetChildItem(b), b1);
    EXPECT_EQ(tree.GetParentItem(b1), b);
    EXPECT_EQ(tree.GetFirstVisibleItem(), marked);
    EXPECT_EQ(tree.GetNextVisibleItem(a), b);
    EXPECT_EQ(tree.GetNextVisibleItem(b), nullptr); // b is collapsed
    EXPECT_TRUE(tree.SelectItem(b1));
    EXPECT_EQ(tree.GetSelectedItem(), b1);
    EXPECT_TRUE(tree.SelectDropTarget(a));
    EXPECT_EQ(tree.GetDropHilightItem(), a);
    EXPECT_TRUE(tree.SelectDropTarget(nullptr));
    EXPECT_EQ(tree.GetDropHilightItem(), nullptr);
}

TEST_F(TreeCtrlTest, ItemRectAndHitTestAgree) {
    HTREEITEM a = Add("first", 1);
    HTREEITEM b = Add("second", 2);
    CRect row;
    ASSERT_TRUE(tree.GetItemRect(b, &row, FALSE));
    CRect label;
    ASSERT_TRUE(tree.GetItemRect(b, &label, TRUE));
    EXPECT_GT(row.top, 0);
    EXPECT_EQ(label.top, row.top);
    UINT flags = 0;
    EXPECT_EQ(tree.HitTest(label.CenterPoint(), &flags), b);
    EXPECT_NE(flags & TVHT_ONITEMLABEL, 0u);
    TVHITTESTINFO info{};
    info.pt = CPoint(label.left + 1, row.top - 1);
    EXPECT_EQ(tree.HitTest(&info), a);
    EXPECT_EQ(tree.HitTest(CPoint(5, 390), &flags), nullptr);
    EXPECT_NE(flags & TVHT_NOWHERE, 0u);
}

TEST_F(TreeCtrlTest, ParentMapAnswersNotificationsOfTheRealControl) {
    HTREEITEM shelf = Add("shelf", 10);
    Add("book", 11, shelf);
    parent.vetoExpand = TRUE;
    EXPECT_FALSE(tree.Expand(shelf, TVE_EXPAND)); // the parent's *pResult vetoed it
    EXPECT_EQ(tree.GetItemState(shelf, TVIS_EXPANDED), 0u);
    parent.vetoExpand = FALSE;
    EXPECT_TRUE(tree.Expand(shelf, TVE_EXPAND));
    EXPECT_EQ(tree.GetItemState(shelf, TVIS_EXPANDED), static_cast<UINT>(TVIS_EXPANDED));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"parent expanding 10", "parent expanding 10"}));
}

TEST_F(TreeCtrlTest, ReflectExSeesDeletionsFirstAndCanHideThem) {
    HTREEITEM shelf = Add("shelf", 10);
    Add("book", 11, shelf);
    tree.DeleteItem(shelf);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"tree delete", "parent delete 11", "tree delete",
                                                 "parent delete 10"}));
    Calls().clear();
    tree.deleteReachesParent = FALSE;
    Add("x", 12);
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(Calls(), std::vector<std::string>{"tree delete"});
    EXPECT_EQ(tree.GetCount(), 0u);
}

TEST_F(TreeCtrlTest, DerivedHandlerPassesTheClickToTheControl) {
    Add("a", 1);
    HTREEITEM b = Add("b", 2);
    CRect label;
    ASSERT_TRUE(tree.GetItemRect(b, &label, TRUE));
    CPoint at = label.CenterPoint();
    plat::PostMouse(tree.m_hWnd, WM_LBUTTONUP, at);
    plat::SendMouse(tree.m_hWnd, WM_LBUTTONDOWN, at, MK_LBUTTON);
    plat::PumpMessages();
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(Calls()[0], "tree lbuttondown " + std::to_string(at.x) + "," + std::to_string(at.y));
    EXPECT_EQ(tree.GetSelectedItem(), b); // the control's own handling ran
    EXPECT_EQ(Calls().back(), "parent selchanged 2");
}

TEST_F(TreeCtrlTest, ImageListsAndDragImages) {
    size_t before = plat::ImageListCount();
    {
        CImageList images;
        ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0));
        EXPECT_EQ(tree.SetImageList(&images, TVSIL_NORMAL), nullptr);
        EXPECT_EQ(tree.GetImageList(TVSIL_NORMAL), &images); // the bound object, not a wrapper
        HTREEITEM item = tree.InsertItem("drag me", 0, 0);
        CImageList* drag = tree.CreateDragImage(item);
        ASSERT_NE(drag, nullptr);
        EXPECT_NE(drag->m_hImageList, images.m_hImageList);
        EXPECT_EQ(plat::ImageListCount(), before + 2);
        delete drag; // the caller owns it
        EXPECT_EQ(plat::ImageListCount(), before + 1);
        tree.SetImageList(nullptr, TVSIL_NORMAL);
    }
    EXPECT_EQ(plat::ImageListCount(), before); // the object destroyed its list
}

TEST_F(TreeCtrlTest, EditLabelGivesAnEditObject) {
    tree.ModifyStyle(0, TVS_EDITLABELS);
    HTREEITEM a = Add("Catalog", 1);
    CEdit* edit = tree.EditLabel(a);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(tree.GetEditControl(), edit);
    edit->LimitText(80);
    EXPECT_EQ(edit->GetLimitText(), 80u);
    CString text;
    edit->GetWindowText(text);
    EXPECT_STREQ(text, "Catalog");
    tree.EndEditLabelNow(TRUE);
}

} // namespace

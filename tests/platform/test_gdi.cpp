// Device contexts and GDI objects: defaults, selection rules, saved states, the recording of what is
// drawn, painting of memory-DC bitmaps and the hand-off of a window DC's drawing.
#include "plat/draw.h"
#include "support/test_window.h"
#include "windows.h"

#include <gtest/gtest.h>

namespace {

using plat::DrawKind;

// A memory DC with a 24-bit bitmap of w x h selected, released at the end of the test.
struct MemCanvas {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ oldBmp = nullptr;
    MemCanvas(int w, int h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bmp = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        oldBmp = SelectObject(dc, bmp);
    }
    ~MemCanvas() {
        SelectObject(dc, oldBmp);
        DeleteDC(dc);
        DeleteObject(bmp);
    }
};

TEST(GdiDc, FreshDcHasThePlatformDefaultsIncludingTheSystemFont) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    // A DC starts with the system font, not the GUI font: controls must select their font.
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_NE(GetCurrentObject(dc, OBJ_FONT), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc)); // stale handle
}

TEST(GdiDc, RecordedOperationsCarryTheColoursModeAndFontSetBeforeAndMoveWithTheOrigins) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(200, 0, 0));
    SetBkColor(dc, RGB(0, 0, 150));
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 3, 4, "abc", 3);
    SetTextColor(dc, RGB(0, 90, 0));
    SetBkMode(dc, OPAQUE);
    TextOutA(dc, 3, 20, "def", 3);

    plat::Drawing d = plat::DcDrawing(dc);
    const plat::DrawOp* abc = d.FindText("abc");
    const plat::DrawOp* def = d.FindText("def");
    ASSERT_NE(abc, nullptr);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(abc->textColor, RGB(200, 0, 0));
    EXPECT_EQ(abc->bkColor, RGB(0, 0, 150));
    EXPECT_EQ(abc->bkMode, TRANSPARENT);
    EXPECT_EQ(abc->pos.x, 3);
    EXPECT_EQ(abc->pos.y, 4);
    EXPECT_STREQ(abc->font.lfFaceName, "MS Shell Dlg");
    EXPECT_EQ(abc->font.lfHeight, -11);
    EXPECT_EQ(abc->hfont, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    EXPECT_EQ(def->textColor, RGB(0, 90, 0));
    EXPECT_EQ(def->bkMode, OPAQUE);
    SelectObject(dc, oldFont);
    DeleteDC(dc);

    dc = CreateCompatibleDC(nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SetViewportOrgEx(dc, 10, 5, nullptr);
    RECT r{0, 0, 4, 4};
    FillRect(dc, &r, red);
    POINT old{};
    SetWindowOrgEx(dc, 2, 1, &old);
    EXPECT_EQ(old.x, 0);
    FillRect(dc, &r, red);

    d = plat::DcDrawing(dc);
    ASSERT_EQ(d.ops.size(), 2u);
    EXPECT_EQ(d.ops[0].kind, DrawKind::Fill);
    EXPECT_EQ(d.ops[0].color, RGB(255, 0, 0));
    EXPECT_EQ(d.ops[0].rect.left, 10);
    EXPECT_EQ(d.ops[0].rect.top, 5);
    EXPECT_EQ(d.ops[1].rect.left, 8);
    EXPECT_EQ(d.ops[1].rect.top, 4);
    DeleteDC(dc);
    DeleteObject(red);
}

TEST(GdiDc, RestoreDcBringsBackSelectedObjectsAndColoursAndDropsLaterLevels) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    EXPECT_EQ(SaveDC(dc), 1);
    SelectObject(dc, font);
    SetTextColor(dc, RGB(1, 2, 3));
    EXPECT_EQ(SaveDC(dc), 2);
    SetTextColor(dc, RGB(4, 5, 6));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_FALSE(RestoreDC(dc, -1)); // nothing saved any more
    EXPECT_TRUE(DeleteObject(font));
    DeleteDC(dc);
}

TEST(GdiObjects, ObjectsInUseCannotBeDeletedAndStockObjectsSurviveDeletion) {
    size_t before = plat::GdiObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 1, 1));
    HGDIOBJ old = SelectObject(dc, brush);
    EXPECT_EQ(old, GetStockObject(WHITE_BRUSH));
    EXPECT_FALSE(DeleteObject(brush)); // still selected
    SaveDC(dc);
    SelectObject(dc, old);
    EXPECT_FALSE(DeleteObject(brush)); // a saved state still holds it
    RestoreDC(dc, -1);
    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(plat::GdiObjectCount(), before);

    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    LOGBRUSH lb{};
    EXPECT_EQ(GetObjectA(GetStockObject(BLACK_BRUSH), sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, RGB(0, 0, 0));
    DeleteDC(dc);
}

TEST(GdiObjects, GetObjectDescribesFontsAndBitmapsAndAFreshMemoryDcMakesMonochromeOnes) {
    LOGFONTA lf{};
    lf.lfHeight = -13;
    lf.lfWeight = FW_BOLD;
    snprintf(lf.lfFaceName, LF_FACESIZE, "%s", "Tahoma");
    HFONT font = CreateFontIndirectA(&lf);
    LOGFONTA back{};
    EXPECT_EQ(GetObjectA(font, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, -13);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_STREQ(back.lfFaceName, "Tahoma");
    EXPECT_EQ(GetObjectA(font, 0, nullptr), static_cast<int>(sizeof(LOGFONTA)));

    HBITMAP bmp = CreateBitmap(20, 7, 1, 24, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 20);
    EXPECT_EQ(bm.bmHeight, 7);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    EXPECT_EQ(bm.bmWidthBytes, 60);
    DeleteObject(bmp);
    DeleteObject(font);

    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(mem, 8, 8);
    GetObjectA(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 8, 8);
    GetObjectA(colour, sizeof bm, &bm);
    EXPECT_GT(bm.bmBitsPixel, 1);
    ReleaseDC(nullptr, screen);
    DeleteObject(mono);
    DeleteObject(colour);
    DeleteDC(mem);
}

TEST(GdiObjects, ABitmapLivesInOneMemoryDcAtATimeAndNeverInAWindowDc) {
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(4, 4, 1, 24, nullptr);
    ASSERT_NE(SelectObject(a, bmp), nullptr);
    EXPECT_EQ(SelectObject(b, bmp), nullptr);
    EXPECT_FALSE(DeleteObject(bmp));
    DeleteDC(a);
    EXPECT_NE(SelectObject(b, bmp), nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP other = CreateBitmap(4, 4, 1, 24, nullptr);
    EXPECT_EQ(SelectObject(screen, other), nullptr);
    ReleaseDC(nullptr, screen);
    DeleteDC(b);
    EXPECT_TRUE(DeleteObject(bmp));
    DeleteObject(other);
}

TEST(GdiPixels, MemoryDcPaintsFillsRectanglesAndLinesIntoItsBitmap) {
    MemCanvas c(20, 20);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT all{0, 0, 20, 20};
    FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT r{2, 2, 6, 6};
    FillRect(c.dc, &r, blue);
    EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(c.dc, 5, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(c.dc, 6, 6), RGB(255, 255, 255)); // right and bottom edges excluded

    // A line does not draw its end point.
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(c.dc, pen);
    MoveToEx(c.dc, 0, 10, nullptr);
    LineTo(c.dc, 8, 10);
    EXPECT_EQ(GetPixel(c.dc, 0, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 7, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 8, 10), RGB(255, 255, 255));

    // Rectangle: pen border, brush interior.
    HGDIOBJ oldBrush = SelectObject(c.dc, blue);
    Rectangle(c.dc, 10, 10, 16, 16);
    EXPECT_EQ(GetPixel(c.dc, 10, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 15, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 12, 12), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(c.dc, 16, 16), RGB(255, 255, 255));

    EXPECT_EQ(SetPixel(c.dc, 19, 0, RGB(9, 8, 7)), RGB(9, 8, 7));
    EXPECT_EQ(GetPixel(c.dc, 19, 0), RGB(9, 8, 7));
    EXPECT_EQ(GetPixel(c.dc, 20, 0), CLR_INVALID);
    SelectObject(c.dc, oldPen);
    SelectObject(c.dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(blue);
}

TEST(GdiPixels, ClipRectangleLimitsPaintingAndIsRecorded) {
    MemCanvas c(10, 10);
    RECT all{0, 0, 10, 10};
    FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(IntersectClipRect(c.dc, 0, 0, 5, 5), SIMPLEREGION);
    FillRect(c.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(c.dc, 4, 4), RGB(0, 0, 0));
    plat::Drawing d = plat::DcDrawing(c.dc);
    EXPECT_EQ(d.ops.back().clip.right, 5);
    RestoreDC(c.dc, -1);                          // no saved state: the clip stays
    EXPECT_EQ(GetPixel(c.dc, 6, 6), CLR_INVALID); // outside the clip
    RECT box{};
    EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 5);
}

TEST(GdiPixels, PatBltInvertsAndBlackens) {
    MemCanvas c(4, 4);
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 4, 4, WHITENESS));
    EXPECT_TRUE(PatBlt(c.dc, 0, 0, 2, 4, DSTINVERT));
    EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(c.dc, 3, 0), RGB(255, 255, 255));
    EXPECT_FALSE(PatBlt(c.dc, 0, 0, 4, 4, SRCCOPY)); // needs a source
}

TEST(GdiPixels, BitBltConvertsColourToMonochromeByTheSourceBackgroundColour) {
    MemCanvas src(3, 1);
    SetPixel(src.dc, 0, 0, RGB(255, 0, 255));
    SetPixel(src.dc, 1, 0, RGB(255, 255, 255));
    SetPixel(src.dc, 2, 0, RGB(255, 0, 254));
    SetBkColor(src.dc, RGB(255, 0, 255));

    HDC monoDc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateBitmap(3, 1, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(monoDc, mono);
    ASSERT_TRUE(BitBlt(monoDc, 0, 0, 3, 1, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(monoDc, 0, 0), RGB(255, 255, 255)); // background colour -> white
    EXPECT_EQ(GetPixel(monoDc, 1, 0), RGB(0, 0, 0));       // white is not the background
    EXPECT_EQ(GetPixel(monoDc, 2, 0), RGB(0, 0, 0));

    // Back to colour: white takes the destination's background colour, black its text colour.
    MemCanvas dst(3, 1);
    SetBkColor(dst.dc, RGB(0, 128, 0));
    SetTextColor(dst.dc, RGB(0, 0, 128));
    BitBlt(dst.dc, 0, 0, 3, 1, monoDc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(0, 128, 0));
    EXPECT_EQ(GetPixel(dst.dc, 1, 0), RGB(0, 0, 128));
    plat::Drawing d = plat::DcDrawing(dst.dc);
    ASSERT_FALSE(d.OfKind(DrawKind::Blit).empty());
    EXPECT_EQ(d.OfKind(DrawKind::Blit)[0]->rop, SRCCOPY);
    SelectObject(monoDc, old);
    DeleteDC(monoDc);
    DeleteObject(mono);
}

class GdiWindowDc : public testwin::WindowTest {};

TEST_F(GdiWindowDc, ReleaseHandsTheDrawingToTheWindowButMeasuringLeavesItAloneAndChecksTheWindow) {
    HWND w = testwin::MakeTop(0, 0, 120, 80);
    ASSERT_NE(w, nullptr);
    plat::ClearDrawing(w);
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    RECT r{0, 0, 500, 500};
    FillRect(dc, &r, green);
    EXPECT_TRUE(plat::LastDrawing(w).Empty()); // not handed over before release
    EXPECT_EQ(ReleaseDC(w, dc), 1);

    plat::Drawing d = plat::LastDrawing(w);
    ASSERT_EQ(d.ops.size(), 1u);
    EXPECT_EQ(d.ops[0].color, RGB(0, 200, 0));
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(d.ops[0].clip.right, client.right); // a window DC clips to the client area
    EXPECT_EQ(d.size.cx, client.right);

    HDC measure = GetDC(w);
    SIZE sz{};
    GetTextExtentPoint32A(measure, "x", 1, &sz);
    ReleaseDC(w, measure);
    EXPECT_EQ(plat::LastDrawing(w).ops.size(), 1u);

    plat::ClearDrawing(w);
    EXPECT_TRUE(plat::LastDrawing(w).Empty());
    DeleteObject(green);

    HWND other = testwin::MakeTop();
    dc = GetDC(w);
    EXPECT_EQ(ReleaseDC(other, dc), 0);
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    EXPECT_EQ(ReleaseDC(w, dc), 0);
    DestroyWindow(w);
    EXPECT_EQ(GetDC(w), nullptr);
}

TEST_F(GdiWindowDc, PaintThroughBeginPaintIsTheLastDrawingAndSystemColourBrushesWork) {
    HWND w = testwin::MakeTop(0, 0, 100, 60);
    testwin::CurrentHook() = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_PAINT) return false;
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(h, &ps);
        RECT box{1, 1, 9, 9};
        FillRect(dc, &box, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_HIGHLIGHT + 1)));
        EndPaint(h, &ps);
        *r = 0;
        return true;
    };
    plat::ClearDrawing(w);
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    plat::Drawing d = plat::LastDrawing(w);
    ASSERT_FALSE(d.Empty());
    EXPECT_EQ(d.ops.back().kind, DrawKind::Fill);
    EXPECT_EQ(d.ops.back().color, GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF);
}

} // namespace

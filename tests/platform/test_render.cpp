// The renderer: a recorded drawing becomes pixels (fills, frames, lines, text in its measured box,
// image-list images with their masks) and a PNG file.
#include "fixtures/temp_folder.h"
#include "plat/draw.h"
#include "plat/render.h"
#include "plat/resources.h"
#include "support/test_window.h"
#include "commctrl.h"
#include "windows.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using plat::DrawKind;
using plat::DrawOp;

DrawOp Fill(RECT r, COLORREF c, RECT clip = RECT{0, 0, 1000, 1000}) {
    DrawOp op;
    op.kind = DrawKind::Fill;
    op.rect = r;
    op.clip = clip;
    op.color = c;
    op.rop = PATCOPY;
    return op;
}

TEST(Render, FillsFramesAndLinesLandOnTheirPixels) {
    plat::Drawing d;
    d.ops.push_back(Fill(RECT{2, 2, 6, 5}, RGB(0, 0, 255)));
    d.ops.push_back(Fill(RECT{0, 0, 20, 20}, RGB(255, 0, 0), RECT{15, 15, 17, 17})); // clipped
    DrawOp frame;
    frame.kind = DrawKind::Frame;
    frame.rect = RECT{8, 0, 12, 4};
    frame.clip = RECT{0, 0, 20, 20};
    frame.color = RGB(0, 128, 0);
    d.ops.push_back(frame);
    DrawOp line;
    line.kind = DrawKind::Line;
    line.from = POINT{0, 10};
    line.to = POINT{5, 15};
    line.clip = RECT{0, 0, 20, 20};
    line.color = RGB(9, 9, 9);
    d.ops.push_back(line);

    plat::Image img = plat::RenderToImage(d, 20, 20);
    EXPECT_EQ(img.ColorAt(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(img.ColorAt(5, 4), RGB(0, 0, 255));
    EXPECT_EQ(img.ColorAt(6, 4), RGB(255, 255, 255));
    EXPECT_EQ(img.ColorAt(15, 15), RGB(255, 0, 0));
    EXPECT_EQ(img.ColorAt(14, 14), RGB(255, 255, 255));
    EXPECT_EQ(img.ColorAt(17, 17), RGB(255, 255, 255));
    EXPECT_EQ(img.ColorAt(8, 0), RGB(0, 128, 0));
    EXPECT_EQ(img.ColorAt(11, 3), RGB(0, 128, 0));
    EXPECT_EQ(img.ColorAt(9, 1), RGB(255, 255, 255)); // a frame leaves the inside alone
    EXPECT_EQ(img.ColorAt(4, 14), RGB(9, 9, 9));
    EXPECT_EQ(img.ColorAt(5, 15), RGB(255, 255, 255)); // the end point is not drawn
}

TEST(Render, TextIsInkedInItsColourInsideTheMeasuredBox) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 10, 5, "Shelf", 5);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 0));
    TextOutA(dc, 10, 30, "Shelf", 5);
    SIZE sz{};
    GetTextExtentPoint32A(dc, "Shelf", 5, &sz);
    plat::Drawing d = plat::DcDrawing(dc);
    SelectObject(dc, old);
    DeleteDC(dc);

    plat::Image img = plat::RenderToImage(d, 80, 50);
    int dark = 0, outside = 0;
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 80; ++x) {
            COLORREF c = img.ColorAt(x, y);
            bool ink = GetRValue(c) < 128;
            bool inBox = x >= 10 && x < 10 + sz.cx && y >= 5 && y < 5 + sz.cy;
            if (ink && inBox) ++dark;
            if (ink && !inBox) ++outside; // faint antialiasing of an overhang may spill, ink may not
        }
    EXPECT_GT(dark, 20);
    EXPECT_EQ(outside, 0);
    // Opaque mode paints the background colour behind the text cell.
    EXPECT_EQ(img.ColorAt(10 + sz.cx - 1, 30), RGB(255, 255, 0));
    EXPECT_EQ(img.ColorAt(10 + sz.cx, 30), RGB(255, 255, 255));
}

TEST(Render, ImageListImagesKeepTheirMaskAfterTheListIsGone) {
    HIMAGELIST himl = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 1, 0);
    BYTE bits[4 * 4 * 3];
    for (int i = 0; i < 16; ++i) {
        bool corner = i == 0; // top-left pixel white (transparent), the rest blue
        bits[i * 3 + 0] = 255;
        bits[i * 3 + 1] = corner ? 255 : 0;
        bits[i * 3 + 2] = corner ? 255 : 0;
    }
    HBITMAP bmp = CreateBitmap(4, 4, 1, 24, bits);
    ASSERT_EQ(ImageList_AddMasked(himl, bmp, RGB(255, 255, 255)), 0);
    HDC dc = CreateCompatibleDC(nullptr);
    ImageList_Draw(himl, 0, dc, 3, 3, ILD_TRANSPARENT);
    plat::Drawing d = plat::DcDrawing(dc);
    DeleteDC(dc);
    ImageList_Destroy(himl);
    DeleteObject(bmp);

    plat::Drawing withBackground;
    withBackground.ops.push_back(Fill(RECT{0, 0, 10, 10}, RGB(0, 255, 0)));
    withBackground.ops.insert(withBackground.ops.end(), d.ops.begin(), d.ops.end());
    plat::Image img = plat::RenderToImage(withBackground, 10, 10);
    EXPECT_EQ(img.ColorAt(3, 3), RGB(0, 255, 0)); // masked: the fill shows through
    EXPECT_EQ(img.ColorAt(4, 3), RGB(0, 0, 255));
    EXPECT_EQ(img.ColorAt(6, 6), RGB(0, 0, 255));
    EXPECT_EQ(img.ColorAt(7, 7), RGB(0, 255, 0));
}

TEST(Render, ATwoByteCharacterInksItsFullWidthCellWithOrWithoutACjkFont) {
    plat::SetCodePage(950);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 0, 0, "\xAE\xD1", 2); // one Big5 character
    SIZE sz{};
    GetTextExtentPoint32A(dc, "\xAE\xD1", 2, &sz);
    plat::Drawing d = plat::DcDrawing(dc);
    SelectObject(dc, old);
    DeleteDC(dc);
    plat::SetCodePage(1252);

    EXPECT_EQ(d.ops[0].codePage, 950u); // the op keeps the code page it was drawn in
    plat::Image img = plat::RenderToImage(d, 30, 20);
    int ink = 0, outside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            bool dark = GetRValue(img.ColorAt(x, y)) < 128;
            if (dark && x < sz.cx && y < sz.cy) ++ink;
            if (dark && (x >= sz.cx + 1 || y >= sz.cy + 1)) ++outside;
        }
    EXPECT_GT(ink, 4);
    EXPECT_EQ(outside, 0);
}

class RenderWindow : public testwin::WindowTest {};

TEST_F(RenderWindow, AWindowsLastPaintRendersToAPngFile) {
    HWND w = testwin::MakeTop(0, 0, 64, 48);
    HDC dc = GetDC(w);
    HBRUSH brush = CreateSolidBrush(RGB(200, 100, 50));
    RECT r{0, 0, 10, 10};
    FillRect(dc, &r, brush);
    ReleaseDC(w, dc);
    DeleteObject(brush);
    plat::Drawing d = plat::LastDrawing(w);

    testfs::TempFolder dir;
    const std::string path = dir / "render_test_gdi.png";
    ASSERT_TRUE(plat::RenderToPng(d, d.size.cx, d.size.cy, path.c_str()));
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), d.size.cx);
    const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png));
    EXPECT_EQ(row[5] & 0xFFFFFF, 0xC86432u);  // (200, 100, 50) as 0xRRGGBB
    EXPECT_EQ(row[20] & 0xFFFFFF, 0xFFFFFFu); // background
    cairo_surface_destroy(png);
    EXPECT_FALSE(plat::RenderToPng(d, 0, 10, path.c_str()));
}

} // namespace

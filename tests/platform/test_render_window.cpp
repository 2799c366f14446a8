// Pictures of whole windows: each shown window painted afresh by its own handlers and composed at its
// place, clipped to its parent, in z-order, with borders and scroll bars around the client areas; and
// the PNG file such a picture is written to.
#include "fixtures/temp_folder.h"
#include "plat/draw.h"
#include "plat/render.h"
#include "support/test_window.h"
#include "windows.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using testwin::MakeChild;
using testwin::MakeTop;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// A class whose windows erase to `color` with the class brush and paint nothing else.
const char* BrushClass(const char* name, COLORREF color) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = name;
    wc.hbrBackground = CreateSolidBrush(color);
    RegisterClassA(&wc);
    return name;
}

HWND Make(const char* cls, HWND parent, RECT r, DWORD style = WS_CHILD | WS_VISIBLE, DWORD ex = 0) {
    return CreateWindowExA(ex, cls, "", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           nullptr, 0, nullptr);
}

class RenderWindowTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        red_ = BrushClass("RenderRed", kRed);
        blue_ = BrushClass("RenderBlue", kBlue);
        green_ = BrushClass("RenderGreen", kGreen);
        yellow_ = BrushClass("RenderYellow", kYellow);
    }
    const char* red_ = nullptr;
    const char* blue_ = nullptr;
    const char* green_ = nullptr;
    const char* yellow_ = nullptr;
};

TEST_F(RenderWindowTest, ChildrenAtTheirPlacesClippedToTheirParentTopmostSiblingWins) {
    HWND top = Make(red_, nullptr, RECT{100, 50, 160, 90}, WS_OVERLAPPED | WS_VISIBLE);
    HWND a = Make(blue_, top, RECT{10, 5, 30, 25});   // first made: top of the z-order
    Make(green_, a, RECT{15, 15, 40, 40});            // reaches out of a: only a's part shows
    Make(yellow_, top, RECT{20, 10, 50, 30});         // under a where they overlap
    Make(green_, top, RECT{0, 30, 10, 40}, WS_CHILD); // hidden: not drawn
    plat::Image img = plat::RenderWindow(top);
    ASSERT_EQ(img.width, 60);
    ASSERT_EQ(img.height, 40);
    EXPECT_EQ(img.ColorAt(0, 0), kRed);
    EXPECT_EQ(img.ColorAt(10, 5), kBlue);
    EXPECT_EQ(img.ColorAt(24, 19), kBlue) << "a covers the yellow sibling below it";
    EXPECT_EQ(img.ColorAt(25, 20), kGreen) << "a's child at a's origin + (15, 15)";
    EXPECT_EQ(img.ColorAt(29, 24), kGreen);
    EXPECT_EQ(img.ColorAt(30, 24), kYellow) << "a's child clipped at a's right edge";
    EXPECT_EQ(img.ColorAt(25, 25), kYellow) << "and at its bottom";
    EXPECT_EQ(img.ColorAt(49, 29), kYellow);
    EXPECT_EQ(img.ColorAt(50, 29), kRed);
    EXPECT_EQ(img.ColorAt(5, 35), kRed) << "a hidden child leaves its place to the parent";
}

TEST_F(RenderWindowTest, EveryWindowIsPaintedAfreshNotFromAnOldDrawing) {
    // A window without a class brush that paints in whatever colour the test says at the time.
    COLORREF paint = kBlue;
    bool paints = true;
    HWND top = MakeTop(0, 0, 40, 30);
    testwin::CurrentHook() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (h != top || m != WM_PAINT) return false;
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(h, &ps);
        if (paints) {
            HBRUSH brush = CreateSolidBrush(paint);
            RECT all{0, 0, 40, 30};
            FillRect(dc, &all, brush);
            DeleteObject(brush);
        }
        EndPaint(h, &ps);
        *r = 0;
        return true;
    };
    UpdateWindow(top);
    ValidateRect(top, nullptr); // nothing pending: the picture still paints
    paint = kGreen;
    EXPECT_EQ(plat::RenderWindow(top).ColorAt(5, 5), kGreen);
    paints = false;
    EXPECT_EQ(plat::RenderWindow(top, kYellow).ColorAt(5, 5), kYellow)
        << "a window that paints nothing now shows the background, not its last paint";
}

TEST_F(RenderWindowTest, BordersAndScrollBarsFrameTheClientArea) {
    HWND top = Make(red_, nullptr, RECT{0, 0, 100, 100}, WS_OVERLAPPED | WS_VISIBLE);
    HWND framed = Make(blue_, top, RECT{10, 10, 60, 80}, WS_CHILD | WS_VISIBLE | WS_BORDER);
    ShowScrollBar(framed, SB_VERT, TRUE);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 99, 10, 0, 0};
    SetScrollInfo(framed, SB_VERT, &si, FALSE);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    plat::Image img = plat::RenderWindow(top);
    EXPECT_EQ(img.ColorAt(10, 10), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(img.ColorAt(59, 79), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(img.ColorAt(11, 11), kBlue) << "the client area starts inside the border";
    EXPECT_EQ(img.ColorAt(59 - bar - 1, 40), kBlue);
    EXPECT_NE(img.ColorAt(59 - bar, 40), kBlue) << "the scroll bar takes the right side";
    // The thumb sits just below the upper arrow at position 0 and just above the lower one at the end.
    const int x = 59 - bar / 2;
    const int thumbTop = 11 + bar + 1;
    EXPECT_EQ(img.ColorAt(x, thumbTop), GetSysColor(COLOR_BTNFACE));
    si.nPos = 90;
    SetScrollInfo(framed, SB_VERT, &si, FALSE);
    img = plat::RenderWindow(top);
    EXPECT_EQ(img.ColorAt(x, thumbTop), GetSysColor(COLOR_SCROLLBAR));
    EXPECT_EQ(img.ColorAt(x, 79 - bar - 2), GetSysColor(COLOR_BTNFACE));
}

TEST_F(RenderWindowTest, NothingForAWindowThatIsNotOnTheScreen) {
    HWND hidden = Make(red_, nullptr, RECT{0, 0, 20, 20}, WS_OVERLAPPED);
    EXPECT_EQ(plat::RenderWindow(hidden).width, 0);
    HWND shown = Make(red_, nullptr, RECT{0, 0, 20, 20}, WS_OVERLAPPED | WS_VISIBLE);
    HWND inHidden = Make(blue_, hidden, RECT{0, 0, 5, 5});
    EXPECT_EQ(plat::RenderWindow(inHidden).width, 0) << "its parent is hidden";
    DestroyWindow(shown);
    EXPECT_EQ(plat::RenderWindow(shown).width, 0);
}

TEST_F(RenderWindowTest, PngFileHoldsThePictureAndFailuresSayWhy) {
    HWND top = Make(red_, nullptr, RECT{0, 0, 30, 20}, WS_OVERLAPPED | WS_VISIBLE);
    Make(blue_, top, RECT{10, 5, 20, 15});
    plat::Image img = plat::RenderWindow(top);
    testfs::TempFolder dir;
    const std::string path = dir / "shot.png";
    std::string error;
    ASSERT_TRUE(plat::WriteImagePng(img, path.c_str(), &error)) << error;
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 30);
    EXPECT_EQ(cairo_image_surface_get_height(png), 20);
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    auto pixel = [&](int x, int y) {
        return *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4) & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(pixel(12, 7), 0x0000FFu);
    cairo_surface_destroy(png);

    EXPECT_FALSE(plat::WriteImagePng(img, (dir / "no/such.png").c_str(), &error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(plat::WriteImagePng(plat::Image{}, path.c_str(), &error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
    EXPECT_TRUE(testfs::Exists(path)) << "an empty picture does not touch the file";
}

} // namespace

// Image lists: strips cut into images, masks from a colour or a mask bitmap, removal, drawing into a
// DC, and the process-wide drag image.
#include "plat/draw.h"
#include "support/test_window.h"
#include "commctrl.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using plat::DrawKind;

// A 24-bit bitmap w x h whose pixel colours come from `colour(x, y)` (a COLORREF).
template <class F> HBITMAP MakeBitmap(int w, int h, F colour) {
    std::vector<BYTE> bits(static_cast<size_t>(w) * 3 * static_cast<size_t>(h) + 2 * static_cast<size_t>(h));
    int row = ((w * 24 + 15) / 16) * 2;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = colour(x, y);
            BYTE* p =
                bits.data() + static_cast<size_t>(y) * static_cast<size_t>(row) + static_cast<size_t>(x) * 3;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    return CreateBitmap(w, h, 1, 24, bits.data());
}

// Image n of a strip is a square of colour (n+1)*40 grey in its middle and white around it.
HBITMAP Strip(int images) {
    return MakeBitmap(16 * images, 16, [](int x, int y) {
        int n = x / 16, ix = x % 16;
        bool inner = ix >= 4 && ix < 12 && y >= 4 && y < 12;
        BYTE g = static_cast<BYTE>((n + 1) * 40);
        return inner ? RGB(g, g, 0) : RGB(255, 255, 255);
    });
}

class ImageListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        before = plat::ImageListCount();
        himl = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 17, 0);
        ASSERT_NE(himl, nullptr);
    }
    void TearDown() override {
        ImageList_EndDrag();
        ImageList_Destroy(himl);
        EXPECT_EQ(plat::ImageListCount(), before);
    }
    size_t before = 0;
    HIMAGELIST himl = nullptr;
};

TEST_F(ImageListTest, CreationNeedsAPositiveSizeAndAddMaskedCutsAStripAndReturnsTheFirstNewIndex) {
    EXPECT_EQ(ImageList_Create(0, 16, ILC_COLOR24, 1, 0), nullptr);
    EXPECT_EQ(ImageList_Create(16, -1, ILC_COLOR24, 1, 0), nullptr);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(himl, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);
    EXPECT_EQ(ImageList_GetImageCount(himl), 0);
    HBITMAP four = Strip(4);
    EXPECT_EQ(ImageList_AddMasked(himl, four, RGB(255, 255, 255)), 0);
    EXPECT_EQ(ImageList_GetImageCount(himl), 4);
    HBITMAP one = Strip(1);
    EXPECT_EQ(ImageList_AddMasked(himl, one, RGB(255, 255, 255)), 4);
    EXPECT_EQ(ImageList_GetImageCount(himl), 5);
    // A bitmap narrower than one image adds nothing; a partial image at the end is dropped.
    HBITMAP narrow = MakeBitmap(10, 16, [](int, int) { return RGB(0, 0, 0); });
    EXPECT_EQ(ImageList_AddMasked(himl, narrow, RGB(255, 255, 255)), -1);
    HBITMAP ragged = MakeBitmap(40, 16, [](int, int) { return RGB(0, 0, 0); });
    EXPECT_EQ(ImageList_AddMasked(himl, ragged, RGB(255, 255, 255)), 5);
    EXPECT_EQ(ImageList_GetImageCount(himl), 7);
    EXPECT_EQ(ImageList_AddMasked(himl, nullptr, RGB(255, 255, 255)), -1);
    // The images keep their own order: image 2 of the first strip is grey 120.
    EXPECT_EQ(plat::ImageListPixels(himl, 2).ColorAt(8, 8), RGB(120, 120, 0));
    EXPECT_EQ(plat::ImageListPixels(himl, 4).ColorAt(8, 8), RGB(40, 40, 0));
    for (HBITMAP b : {four, one, narrow, ragged})
        EXPECT_TRUE(DeleteObject(b));
}

TEST_F(ImageListTest, MaskComesFromTheExactMaskColourOnlyInAListWithAMask) {
    HBITMAP bmp =
        MakeBitmap(16, 16, [](int x, int) { return x == 0 ? RGB(254, 255, 255) : RGB(255, 255, 255); });
    ASSERT_EQ(ImageList_AddMasked(himl, bmp, RGB(255, 255, 255)), 0);
    plat::Image img = plat::ImageListPixels(himl, 0);
    EXPECT_TRUE(img.TransparentAt(5, 5));
    EXPECT_EQ(img.ColorAt(5, 5), RGB(0, 0, 0)); // masked pixels are kept black
    EXPECT_FALSE(img.TransparentAt(0, 5));      // almost white is still opaque
    EXPECT_EQ(img.ColorAt(0, 5), RGB(254, 255, 255));
    DeleteObject(bmp);

    HIMAGELIST plain = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    bmp = Strip(1);
    ASSERT_EQ(ImageList_AddMasked(plain, bmp, RGB(255, 255, 255)), 0);
    img = plat::ImageListPixels(plain, 0);
    EXPECT_FALSE(img.TransparentAt(0, 0));
    EXPECT_EQ(img.ColorAt(0, 0), RGB(255, 255, 255));
    ImageList_Destroy(plain);
    DeleteObject(bmp);
}

TEST_F(ImageListTest, AddTakesTheMaskFromAMaskBitmap) {
    HBITMAP colour = MakeBitmap(16, 16, [](int, int) { return RGB(0, 0, 200); });
    HBITMAP mask = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? RGB(255, 255, 255) : RGB(0, 0, 0); });
    ASSERT_EQ(ImageList_Add(himl, colour, mask), 0);
    plat::Image img = plat::ImageListPixels(himl, 0);
    EXPECT_TRUE(img.TransparentAt(0, 0));
    EXPECT_FALSE(img.TransparentAt(8, 0));
    EXPECT_EQ(img.ColorAt(8, 0), RGB(0, 0, 200));
    ASSERT_EQ(ImageList_Add(himl, colour, nullptr), 1);
    EXPECT_FALSE(plat::ImageListPixels(himl, 1).TransparentAt(0, 0));
    DeleteObject(colour);
    DeleteObject(mask);
}

TEST_F(ImageListTest, ImagesAreTheBitmapsAsTheyWereWhenAddedThoughPaintedOverOrDeletedSince) {
    HBITMAP strip = Strip(3);
    HBITMAP colour = MakeBitmap(16, 16, [](int, int) { return RGB(0, 0, 200); });
    HBITMAP mask = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? RGB(255, 255, 255) : RGB(0, 0, 0); });
    ASSERT_EQ(ImageList_AddMasked(himl, strip, RGB(255, 255, 255)), 0);
    ASSERT_EQ(ImageList_Add(himl, colour, mask), 3);
    // The program paints over the strip and lets the others go before any image is shown.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 48, 16};
    FillRect(dc, &all, red);
    SelectObject(dc, old);
    DeleteObject(red);
    DeleteDC(dc);
    ASSERT_EQ(plat::BitmapPixels(strip).ColorAt(20, 8), RGB(255, 0, 0));
    DeleteObject(colour);
    DeleteObject(mask);

    for (int i = 0; i < 3; ++i) {
        plat::Image img = plat::ImageListPixels(himl, i);
        BYTE g = static_cast<BYTE>((i + 1) * 40);
        EXPECT_EQ(img.ColorAt(8, 8), RGB(g, g, 0)) << i;
        EXPECT_TRUE(img.TransparentAt(0, 0)) << i;
    }
    plat::Image masked = plat::ImageListPixels(himl, 3);
    EXPECT_TRUE(masked.TransparentAt(0, 0));
    EXPECT_EQ(masked.ColorAt(8, 0), RGB(0, 0, 200));
    // A list copied for a drag before anything was shown gets the same images.
    ASSERT_TRUE(ImageList_BeginDrag(himl, 1, 0, 0));
    EXPECT_EQ(plat::ImageListPixels(plat::DragImageState().dragList, 0).ColorAt(8, 8), RGB(80, 80, 0));
    ImageList_EndDrag();
    DeleteObject(strip);
}

TEST_F(ImageListTest, RemoveShiftsLaterImagesAndMinusOneRemovesAll) {
    HBITMAP bmp = Strip(3);
    ImageList_AddMasked(himl, bmp, RGB(255, 255, 255));
    EXPECT_FALSE(ImageList_Remove(himl, 3));
    EXPECT_TRUE(ImageList_Remove(himl, 0));
    EXPECT_EQ(ImageList_GetImageCount(himl), 2);
    EXPECT_EQ(plat::ImageListPixels(himl, 0).ColorAt(8, 8), RGB(80, 80, 0));
    EXPECT_TRUE(ImageList_Remove(himl, -1));
    EXPECT_EQ(ImageList_GetImageCount(himl), 0);
    DeleteObject(bmp);
}

TEST_F(ImageListTest, DrawRecordsTheImageAndPaintsOnlyOpaquePixels) {
    HBITMAP bmp = Strip(2);
    ImageList_AddMasked(himl, bmp, RGB(255, 255, 255));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 40, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, canvas);
    RECT all{0, 0, 40, 20};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);

    SetViewportOrgEx(dc, 2, 1, nullptr);
    ASSERT_TRUE(ImageList_Draw(himl, 1, dc, 0, 0, ILD_TRANSPARENT));
    EXPECT_FALSE(ImageList_Draw(himl, 2, dc, 0, 0, ILD_NORMAL));
    plat::Drawing d = plat::DcDrawing(dc);
    auto draws = d.OfKind(DrawKind::ImageList);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->imageList, himl);
    EXPECT_EQ(draws[0]->imageIndex, 1);
    EXPECT_EQ(draws[0]->style, static_cast<UINT>(ILD_TRANSPARENT));
    EXPECT_EQ(draws[0]->pos.x, 2);
    EXPECT_EQ(draws[0]->pos.y, 1);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0)); // transparent: background stays
    EXPECT_EQ(GetPixel(dc, 8, 8), RGB(80, 80, 0));

    // ILD_NORMAL with a background colour fills the transparent pixels with it ...
    ImageList_SetBkColor(himl, RGB(0, 255, 0));
    ImageList_Draw(himl, 0, dc, 20, 0, ILD_NORMAL);
    EXPECT_EQ(GetPixel(dc, 20, 0), RGB(0, 255, 0));
    // ... and with CLR_NONE it draws transparently.
    EXPECT_EQ(ImageList_SetBkColor(himl, CLR_NONE), RGB(0, 255, 0));
    RECT right{20, 0, 38, 19};
    FillRect(dc, &right, red);
    ImageList_Draw(himl, 0, dc, 20, 0, ILD_NORMAL);
    EXPECT_EQ(GetPixel(dc, 20, 0), RGB(255, 0, 0));

    // A selected image blends with the highlight colour.
    ImageList_Draw(himl, 0, dc, 0, 0, ILD_SELECTED);
    EXPECT_NE(GetPixel(dc, 8, 8), RGB(40, 40, 0));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));

    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(canvas);
    DeleteObject(red);
    DeleteObject(bmp);
}

class DragImageTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        testwin::WindowTest::SetUp();
        lists = plat::ImageListCount();
        himl = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0);
        HBITMAP bmp = Strip(3);
        ImageList_AddMasked(himl, bmp, RGB(255, 255, 255));
        DeleteObject(bmp);
    }
    void TearDown() override {
        ImageList_EndDrag();
        ImageList_Destroy(himl);
        EXPECT_EQ(plat::ImageListCount(), lists);
        testwin::WindowTest::TearDown();
    }
    size_t lists = 0;
    HIMAGELIST himl = nullptr;
};

TEST_F(DragImageTest, StateFollowsBeginEnterMoveShowLeaveEnd) {
    HWND tree = testwin::MakeTop(50, 40, 200, 150);
    EXPECT_FALSE(ImageList_DragEnter(tree, 1, 1)); // no drag yet
    EXPECT_FALSE(ImageList_BeginDrag(himl, 3, 0, 0));
    ASSERT_TRUE(ImageList_BeginDrag(himl, 2, 4, 6));
    plat::DragImageInfo s = plat::DragImageState();
    EXPECT_TRUE(s.active);
    EXPECT_FALSE(s.shown); // nothing shown before DragEnter
    EXPECT_EQ(s.imageIndex, 2);
    EXPECT_EQ(s.source, himl);
    EXPECT_EQ(s.hotspot.x, 4);
    EXPECT_EQ(s.hotspot.y, 6);

    ASSERT_TRUE(ImageList_DragEnter(tree, 30, 20));
    s = plat::DragImageState();
    EXPECT_TRUE(s.shown);
    EXPECT_TRUE(s.entered);
    EXPECT_EQ(s.lockWindow, tree);
    EXPECT_EQ(s.position.x, 30);

    ASSERT_TRUE(ImageList_DragMove(35, 28));
    EXPECT_EQ(plat::DragImageState().position.y, 28);

    ASSERT_TRUE(ImageList_DragShowNolock(FALSE));
    s = plat::DragImageState();
    EXPECT_FALSE(s.shown);
    EXPECT_EQ(s.lockWindow, tree); // hidden, still locked
    ImageList_DragShowNolock(TRUE);
    EXPECT_TRUE(plat::DragImageState().shown);

    ASSERT_TRUE(ImageList_DragLeave(tree));
    s = plat::DragImageState();
    EXPECT_FALSE(s.shown);
    EXPECT_FALSE(s.entered);
    EXPECT_EQ(s.lockWindow, nullptr);
    EXPECT_TRUE(s.active);

    ImageList_EndDrag();
    s = plat::DragImageState();
    EXPECT_FALSE(s.active);
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    EXPECT_FALSE(ImageList_DragMove(1, 1));
}

TEST_F(DragImageTest, DragImageIsACopyThatOutlivesItsSourceUntilEndDrag) {
    ASSERT_TRUE(ImageList_BeginDrag(himl, 1, 2, 3));
    POINT pt{}, hot{};
    ImageList_DragEnter(nullptr, 300, 200); // screen coordinates
    HIMAGELIST drag = ImageList_GetDragImage(&pt, &hot);
    ASSERT_NE(drag, nullptr);
    EXPECT_NE(drag, himl);
    EXPECT_EQ(ImageList_GetImageCount(drag), 1);
    EXPECT_EQ(pt.x, 300);
    EXPECT_EQ(hot.y, 3);
    EXPECT_EQ(plat::ImageListPixels(drag, 0).ColorAt(8, 8), RGB(80, 80, 0));
    EXPECT_EQ(plat::ImageListCount(), lists + 2);

    // A second BeginDrag replaces the first drag (its temporary list goes away).
    ASSERT_TRUE(ImageList_BeginDrag(himl, 0, 0, 0));
    EXPECT_EQ(plat::ImageListCount(), lists + 2);
    EXPECT_FALSE(plat::DragImageState().shown);
    ImageList_EndDrag();
    EXPECT_EQ(plat::ImageListCount(), lists + 1);
}

TEST_F(DragImageTest, DragEnterRefusesADestroyedWindow) {
    HWND w = testwin::MakeTop();
    DestroyWindow(w);
    ASSERT_TRUE(ImageList_BeginDrag(himl, 0, 0, 0));
    EXPECT_FALSE(ImageList_DragEnter(w, 0, 0));
    EXPECT_FALSE(plat::DragImageState().shown);
}

} // namespace

// The 68 images of the shelf image list: every id of the group table present as a 16 x 16 bitmap with
// white as the transparent colour, one design per group, open unlike closed, off-line greyed.
#include "resources/resource_ids.h"
#include "resources/shelf_resources.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace tavrin;

constexpr COLORREF kWhite = 0xFFFFFF;

const plat::BitmapResource& Bitmap(UINT id) {
    return ShelfResources().bitmaps.at(id);
}

bool IsGrey(COLORREF c) {
    return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

int Differences(const plat::BitmapResource& a, const plat::BitmapResource& b) {
    int n = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        n += a.pixels[i] != b.pixels[i];
    return n;
}

TEST(ShelfBitmaps, EveryIdOfTheGroupTableIsASixteenSquareImage) {
    std::set<UINT> ids;
    for (const auto& group : kImageGroupBitmaps)
        for (UINT id : group)
            ids.insert(id);
    EXPECT_EQ(std::size(kImageGroupBitmaps) * kImageColumns, 68u);
    EXPECT_EQ(ids.size(), 41u); // some ids repeat within a group
    EXPECT_EQ(ShelfResources().bitmaps.size(), ids.size());
    for (UINT id : ids) {
        SCOPED_TRACE(id);
        ASSERT_EQ(ShelfResources().bitmaps.count(id), 1u);
        const plat::BitmapResource& bmp = Bitmap(id);
        EXPECT_EQ(bmp.width, 16);
        EXPECT_EQ(bmp.height, 16);
        ASSERT_EQ(bmp.pixels.size(), 256u);
    }
}

TEST(ShelfBitmaps, GroupTableMatchesTheResourceIds) {
    EXPECT_EQ(kImageGroupBitmaps[0][0], 131u);
    EXPECT_EQ(kImageGroupBitmaps[0][1], 155u);
    EXPECT_EQ(kImageGroupBitmaps[9][3], 153u);
    EXPECT_EQ(kImageGroupBitmaps[12][0], 176u);
    EXPECT_EQ(kImageGroupBitmaps[12][1], 172u);
    EXPECT_EQ(kImageGroupBitmaps[14][2], 182u);
    EXPECT_EQ(kImageGroupBitmaps[15][3], 185u);
    EXPECT_EQ(kImageGroupBitmaps[16][2], 154u);
}

TEST(ShelfBitmaps, EachImageHasTransparentBorderAndDrawnPixelsNeverPureWhite) {
    for (const auto& [id, bmp] : ShelfResources().bitmaps) {
        SCOPED_TRACE(id);
        int transparent = 0, drawn = 0;
        for (COLORREF c : bmp.pixels) {
            EXPECT_EQ(c & 0xFF000000u, 0u); // plain RGB values
            (c == kWhite ? transparent : drawn)++;
        }
        EXPECT_GT(transparent, 16); // some background shows through
        EXPECT_GT(drawn, 40);       // and there is a picture
        EXPECT_EQ(bmp.pixels[0], kWhite);
    }
}

TEST(ShelfBitmaps, EveryGroupHasItsOwnDesign) {
    // The closed images of different groups differ clearly, pixel by pixel.
    for (int g = 0; g < kImageGroupCount; ++g)
        for (int h = g + 1; h < kImageGroupCount; ++h) {
            SCOPED_TRACE(std::to_string(g) + " vs " + std::to_string(h));
            EXPECT_GT(Differences(Bitmap(kImageGroupBitmaps[g][0]), Bitmap(kImageGroupBitmaps[h][0])), 10);
        }
}

TEST(ShelfBitmaps, OpenImagesDifferFromClosedOnes) {
    for (int g = 0; g < kImageGroupCount; ++g) {
        const UINT closed = kImageGroupBitmaps[g][0], open = kImageGroupBitmaps[g][1];
        if (closed == open) continue; // groups 3, 5, 16 have one image
        SCOPED_TRACE(g);
        EXPECT_GT(Differences(Bitmap(closed), Bitmap(open)), 20);
    }
}

TEST(ShelfBitmaps, OfflineColumnsAreGreyedWhereTheGroupHasThem) {
    int groupsWithOffline = 0;
    for (int g = 0; g < kImageGroupCount; ++g) {
        for (int col = 2; col < 4; ++col) {
            const UINT online = kImageGroupBitmaps[g][col - 2], offline = kImageGroupBitmaps[g][col];
            if (online == offline) continue;
            SCOPED_TRACE(std::to_string(g) + "/" + std::to_string(col));
            ++groupsWithOffline;
            const plat::BitmapResource &on = Bitmap(online), &off = Bitmap(offline);
            bool onHasColour = false;
            for (size_t i = 0; i < off.pixels.size(); ++i) {
                EXPECT_TRUE(IsGrey(off.pixels[i]));
                EXPECT_EQ(off.pixels[i] == kWhite, on.pixels[i] == kWhite); // same shape
                onHasColour |= !IsGrey(on.pixels[i]);
            }
            EXPECT_TRUE(onHasColour);
        }
    }
    EXPECT_EQ(groupsWithOffline, 10); // groups 9, 10, 13, 14, 15, two columns each
}

} // namespace

// The shelf's resource table as the platform's loader reads it: strings by the user's language (a
// string missing from a table loads as empty) and bitmaps by id.
#include "resources/resource_ids.h"
#include "resources/shelf_resources.h"

#include "plat/resources.h"
#include "win/resource.h"
#include "win/wingdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace tavrin;

constexpr HMODULE kShelfModule = 0x7A11;

class ResourceLoading : public testing::Test {
  protected:
    void SetUp() override { plat::RegisterResources(kShelfModule, &ShelfResources()); }
    void TearDown() override {
        plat::RegisterResources(kShelfModule, nullptr);
        plat::SetUserLanguage(kLangEnglish);
    }
    static std::string Load(UINT id) {
        char buf[260];
        std::memset(buf, 'x', sizeof buf);
        int n = LoadStringA(kShelfModule, id, buf, sizeof buf);
        EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
        return buf;
    }
};

TEST_F(ResourceLoading, ErrorMessageAndCaptionInEnglish) {
    plat::SetUserLanguage(kLangEnglish);
    EXPECT_EQ(Load(IDS_CATALOG_EXISTS), "This catalog  has already existed.");
    EXPECT_EQ(Load(IDS_ERROR), "Error");
    EXPECT_EQ(Load(IDS_CONFIRM_REMOVE_BOOK), "Are sure\xA1\x48");
}

TEST_F(ResourceLoading, LanguageChoosesTheTable) {
    plat::SetUserLanguage(kLangChineseTraditional);
    EXPECT_EQ(Load(IDS_ERROR), ShelfResources().strings.at(kLangChineseTraditional).at(IDS_ERROR));
    EXPECT_EQ(Load(IDS_ONLINE_MARK),
              ShelfResources().strings.at(kLangChineseTraditional).at(IDS_ONLINE_MARK));
    plat::SetUserLanguage(kLangChineseSimplified);
    EXPECT_EQ(Load(IDS_ERROR), "\xB4\xED\xCE\xF3");
}

TEST_F(ResourceLoading, StringsMissingFromTheSimplifiedTableLoadEmpty) {
    plat::SetUserLanguage(kLangChineseSimplified);
    for (UINT id : {IDS_ONLINE_MARK, IDS_OFFLINE_MARK, IDS_SELECTION_TOO_MANY})
        EXPECT_EQ(Load(id), "") << id;
}

TEST_F(ResourceLoading, EveryImageOfTheGroupTableLoadsAsABitmap) {
    for (const auto& group : kImageGroupBitmaps)
        for (UINT id : group) {
            HBITMAP bmp = LoadBitmapA(kShelfModule, MAKEINTRESOURCEA(id));
            ASSERT_NE(bmp, nullptr) << id;
            BITMAP info{};
            ASSERT_NE(GetObjectA(bmp, sizeof info, &info), 0);
            EXPECT_EQ(info.bmWidth, 16);
            EXPECT_EQ(info.bmHeight, 16);
            DeleteObject(bmp);
        }
    EXPECT_EQ(LoadBitmapA(kShelfModule, MAKEINTRESOURCEA(IDD_NEW_CATALOG + 1000)), nullptr);
}

} // namespace

// Resource tables: strings per language, bounded LoadStringA, the current resource module, bitmaps and
// dialog templates.
#include "plat/draw.h"
#include "plat/resources.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr HMODULE kShelf = 0x5001;
constexpr HMODULE kOther = 0x5002;
constexpr UINT kTitle = 101;
constexpr UINT kOnlyEnglish = 102;

plat::ResourceTable ShelfTable() {
    plat::ResourceTable t;
    t.strings[0x0409][kTitle] = "Bookshelf";
    t.strings[0x0409][kOnlyEnglish] = "English only";
    t.strings[0x0404][kTitle] = "\xAE\xD1\xAC\x5B"; // Big5 bytes (the second has a trail byte 0x5B)
    t.strings[0x0804][kTitle] = "\xCA\xE9\xBC\xDC"; // GBK bytes
    t.bitmaps[300] = plat::BitmapResource{2, 1, {RGB(255, 0, 0), RGB(0, 0, 255)}};
    plat::DialogTemplate en{
        "New catalog", 0, RECT{0, 0, 200, 80}, {{"Edit", 1001, "", 0, RECT{5, 5, 150, 19}}}};
    plat::DialogTemplate tc = en;
    tc.caption = "\xB7\x73\xA4\xC0\xC3\xFE";
    t.dialogs[0x0409][132] = en;
    t.dialogs[0x0404][132] = tc;
    return t;
}

class Resources : public ::testing::Test {
  protected:
    void SetUp() override {
        shelf = ShelfTable();
        other.strings[0x0409][kTitle] = "Other module";
        plat::RegisterResources(kShelf, &shelf);
        plat::RegisterResources(kOther, &other);
        plat::SetCurrentResourceModule(kShelf);
        plat::SetUserLanguage(0x0409);
    }
    void TearDown() override {
        plat::RegisterResources(kShelf, nullptr);
        plat::RegisterResources(kOther, nullptr);
        plat::SetCurrentResourceModule(0);
        plat::SetUserLanguage(0x0409);
    }
    plat::ResourceTable shelf;
    plat::ResourceTable other;
};

TEST_F(Resources, LoadStringPicksTheUserLanguageAndItsCodePage) {
    char buf[64];
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, sizeof buf), 9);
    EXPECT_STREQ(buf, "Bookshelf");
    EXPECT_EQ(plat::CodePage(), 1252u);

    plat::SetUserLanguage(0x0404);
    EXPECT_EQ(plat::CodePage(), 950u);
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "\xAE\xD1\xAC\x5B");

    plat::SetUserLanguage(0x0804);
    EXPECT_EQ(plat::CodePage(), 936u);
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "\xCA\xE9\xBC\xDC");
}

TEST_F(Resources, MissingStringsLoadEmptyAndLoadStringTruncatesWithinTheBuffer) {
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    plat::SetUserLanguage(0x0404);
    EXPECT_EQ(LoadStringA(kShelf, kOnlyEnglish, buf, sizeof buf), 0); // no fallback to English
    EXPECT_STREQ(buf, "");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LoadStringA(kShelf, 999, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(LoadStringA(0x7777, kTitle, buf, sizeof buf), 0); // no resources for that module

    plat::SetUserLanguage(0x0409);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, 5), 4);
    EXPECT_STREQ(buf, "Book");
    EXPECT_EQ(buf[5], 'x'); // nothing written past cch
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, 1), 0);
    EXPECT_STREQ(buf, "");
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, 0), 0); // cch 0: nothing at all
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(LoadStringA(kShelf, kTitle, nullptr, 10), 0);

    // A two-byte character is never cut in half: with room for 3 bytes only the first one fits.
    plat::SetUserLanguage(0x0404);
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LoadStringA(kShelf, kTitle, buf, 4), 2);
    EXPECT_STREQ(buf, "\xAE\xD1");
}

// LoadBitmap makes a new bitmap from the pixels, or null; instance 0 means the current resource module.
TEST_F(Resources, LoadBitmapAndTheCurrentResourceModule) {
    size_t before = plat::GdiObjectCount();
    HBITMAP b = LoadBitmapA(kShelf, MAKEINTRESOURCE(300));
    ASSERT_NE(b, nullptr);
    BITMAP bm{};
    GetObjectA(b, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 2);
    EXPECT_EQ(bm.bmHeight, 1);
    plat::Image img = plat::BitmapPixels(b);
    EXPECT_EQ(img.ColorAt(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(img.ColorAt(1, 0), RGB(0, 0, 255));
    HBITMAP again = LoadBitmapA(kShelf, MAKEINTRESOURCE(300));
    EXPECT_NE(again, b); // every load is a new object the caller deletes
    EXPECT_TRUE(DeleteObject(b));
    EXPECT_TRUE(DeleteObject(again));
    EXPECT_EQ(plat::GdiObjectCount(), before);
    EXPECT_EQ(LoadBitmapA(kShelf, MAKEINTRESOURCE(301)), nullptr);
    EXPECT_EQ(LoadBitmapA(kShelf, "NAMED"), nullptr);

    char buf[32];
    EXPECT_EQ(plat::CurrentResourceModule(), kShelf);
    LoadStringA(0, kTitle, buf, sizeof buf);
    EXPECT_STREQ(buf, "Bookshelf");
    plat::SetCurrentResourceModule(kOther);
    LoadStringA(0, kTitle, buf, sizeof buf);
    EXPECT_STREQ(buf, "Other module");
    LoadStringA(kShelf, kTitle, buf, sizeof buf); // an explicit module still wins
    EXPECT_STREQ(buf, "Bookshelf");
    EXPECT_EQ(LoadBitmapA(0, MAKEINTRESOURCE(300)), nullptr); // the other module has no bitmaps
    plat::SetCurrentResourceModule(kShelf);
    b = LoadBitmapA(0, MAKEINTRESOURCE(300));
    EXPECT_NE(b, nullptr);
    DeleteObject(b);
}

TEST_F(Resources, DialogTemplatesFollowTheLanguageWithEnglishAsFallback) {
    const plat::DialogTemplate* en = plat::FindDialogTemplate(kShelf, 132);
    ASSERT_NE(en, nullptr);
    EXPECT_EQ(en->caption, "New catalog");
    ASSERT_EQ(en->items.size(), 1u);
    EXPECT_EQ(en->items[0].id, 1001);
    EXPECT_EQ(en->items[0].className, "Edit");
    plat::SetUserLanguage(0x0404);
    EXPECT_EQ(plat::FindDialogTemplate(0, 132)->caption, "\xB7\x73\xA4\xC0\xC3\xFE");
    plat::SetUserLanguage(0x0804); // no Simplified Chinese version: English
    EXPECT_EQ(plat::FindDialogTemplate(kShelf, 132)->caption, "New catalog");
    EXPECT_EQ(plat::FindDialogTemplate(kShelf, 133), nullptr);
    EXPECT_EQ(plat::FindDialogTemplate(kOther, 132), nullptr);
}

// A table can make its dialogs when one is first looked up: the source stands in for the table's own
// templates (which it hides), and nothing else (strings, bitmaps) calls it.
int g_sourceCalls = 0;
const plat::ResourceTable::DialogMap& CountedDialogs() {
    static const plat::ResourceTable::DialogMap dialogs = ShelfTable().dialogs;
    ++g_sourceCalls;
    return dialogs;
}

TEST_F(Resources, DialogsFromASourceAreMadeWhenFirstLookedUp) {
    g_sourceCalls = 0;
    other.dialogSource = &CountedDialogs;
    other.dialogs[0x0409][132].caption = "hidden by the source";
    char buf[64];
    EXPECT_EQ(LoadStringA(kOther, kTitle, buf, sizeof buf), 12);
    EXPECT_EQ(g_sourceCalls, 0);

    plat::SetUserLanguage(0x0404);
    const plat::DialogTemplate* tc = plat::FindDialogTemplate(kOther, 132);
    ASSERT_NE(tc, nullptr);
    EXPECT_EQ(tc->caption, "\xB7\x73\xA4\xC0\xC3\xFE");
    plat::SetUserLanguage(0x0804);
    EXPECT_EQ(plat::FindDialogTemplate(kOther, 132)->caption, "New catalog");
    EXPECT_EQ(plat::FindDialogTemplate(kOther, 133), nullptr);
    EXPECT_GE(g_sourceCalls, 1);
    EXPECT_EQ(plat::FindDialogTemplate(kShelf, 132)->caption, "New catalog"); // its own templates
}

} // namespace

TEST(UserLocale, ChineseLocalesChooseTheirTables) {
    EXPECT_EQ(plat::LanguageFromLocale("zh_TW.Big5"), 0x0404);
    EXPECT_EQ(plat::LanguageFromLocale("zh_HK.UTF-8"), 0x0404);
    EXPECT_EQ(plat::LanguageFromLocale("zh_CN.GBK"), 0x0804);
    EXPECT_EQ(plat::LanguageFromLocale("zh_SG"), 0x0804);
    EXPECT_EQ(plat::LanguageFromLocale("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(plat::LanguageFromLocale("C"), 0x0409);
    EXPECT_EQ(plat::LanguageFromLocale(nullptr), 0x0409);
}

// DictDrv.dll through its entry points, as the shelf and the host call it: which files it reads, the
// pages in the program's code page, CBIGetPages against CBIGetPage, and handles it does not know.
#include "tavrin/cbi.h"
#include "tavrin/dict_lookup.h"

#include "common/temp_folder.h"
#include "support/dict_maker.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

// The program's active code page, as programs built on the platform offer it to drivers.
static unsigned g_codePage = 1252;
extern "C" __attribute__((visibility("default"))) unsigned GetACP() {
    return g_codePage;
}

namespace tavrin::dict {
namespace {

class DictDriver : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module_ = dlopen(TAVRIN_DICT_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
    }
    template <class Fn> static Fn Get(const char* name) {
        auto fn = reinterpret_cast<Fn>(dlsym(module_, name));
        EXPECT_NE(fn, nullptr) << name;
        return fn;
    }
    void SetUp() override { g_codePage = 1252; }
    void TearDown() override {
        for (CBI_HBOOK b : opened_)
            Get<PFN_CBICloseBook>("CBICloseBook")(b);
    }
    CBI_HBOOK OpenBook(const std::filesystem::path& path) {
        CBI_HBOOK book = 0;
        EXPECT_EQ(Get<PFN_CBIOpenBook>("CBIOpenBook")(path.c_str(), 0, &book), 0) << ErrorText();
        if (book) opened_.push_back(book);
        return book;
    }
    std::string ErrorText() {
        char text[CBI_ERROR_TEXT_CAPACITY] = "";
        Get<PFN_CBIGetErrorText>("CBIGetErrorText")(text, sizeof text);
        return text;
    }
    std::string PageOf(CBI_HBOOK book, int32_t page) {
        const int32_t size = Get<PFN_CBIGetPageSize>("CBIGetPageSize")(book, page);
        std::string bytes(static_cast<size_t>(size), '\0');
        const int32_t n = Get<PFN_CBIGetPage>("CBIGetPage")(
            book, page, reinterpret_cast<unsigned char*>(bytes.data()), size);
        bytes.resize(static_cast<size_t>(n > 0 ? n : 0));
        return bytes;
    }

    static void* module_;
    testfs::TempFolder folder_;
    const std::filesystem::path dir_ = folder_.Path();
    std::vector<CBI_HBOOK> opened_;
};
void* DictDriver::module_ = nullptr;

TEST_F(DictDriver, ReadsDictionariesByTheirContentAndSaysWhyNot) {
    const auto index = test::WriteDictionary(dir_, "small", {{"a", "a\n"}, {"b", "b\n"}}, 8);
    auto check = Get<PFN_CBICheckVersion>("CBICheckVersion");
    EXPECT_TRUE(check(index.c_str()));
    EXPECT_TRUE(check((dir_ / "small.dict.dz").c_str()));
    test::WriteFile(dir_ / "book.ebd", "EBDF\x01\x00\x00\x00");
    EXPECT_FALSE(check((dir_ / "book.ebd").c_str()));
    EXPECT_NE(ErrorText().find("not a dictionary file"), std::string::npos) << ErrorText();
    test::WriteFile(dir_ / "fake.index", "EBDF this is no index\nreally not\n");
    test::WriteFile(dir_ / "fake.dict", "x");
    EXPECT_FALSE(check((dir_ / "fake.dict").c_str()));
    EXPECT_NE(ErrorText().find("fake.index: not a dictionary index"), std::string::npos) << ErrorText();

    CBI_HBOOK book = 0;
    test::WriteFile(dir_ / "empty.index", "00-database-short\tA\tA\n");
    test::WriteFile(dir_ / "empty.dict", "");
    EXPECT_NE(Get<PFN_CBIOpenBook>("CBIOpenBook")((dir_ / "empty.index").c_str(), 0, &book), 0);
    EXPECT_NE(ErrorText().find("no headword"), std::string::npos) << ErrorText();
}

TEST_F(DictDriver, IsADictionaryWithItsNameNumberAndId) {
    const auto index = test::WriteDictionary(
        dir_, "named", {{"00-database-short", "00-database-short\n  Caf\xC3\xA9 Words\n"}, {"w", "w\n"}});
    const CBI_HBOOK book = OpenBook(index);
    ASSERT_NE(book, 0u);
    EXPECT_GE(book, 0x00D00001u);
    CBICaps caps{};
    ASSERT_TRUE(Get<PFN_CBIGetCaps>("CBIGetCaps")(book, &caps));
    EXPECT_EQ(caps.wCaps, CBI_CAP_CONTENTS);
    EXPECT_NE(caps.wBookClass, CBI_CLASS_BOOK);
    EXPECT_NE(caps.wBookClass, CBI_CLASS_EBOOK);
    EXPECT_EQ(Get<PFN_CBIDictClassNo>("CBIDictClassNo")(book), caps.wBookClass);
    char name[CBI_NAME_CAPACITY] = "";
    Get<PFN_CBIGetBkName>("CBIGetBkName")(book, 3, name, sizeof name);
    EXPECT_STREQ(name, "Caf\xE9 Words"); // in code page 1252
    char number[CBI_BOOKNO_BUFFER] = {};
    const int length = Get<PFN_CBIExBookNoLength>("CBIExBookNoLength")(book);
    Get<PFN_CBIExBookNo>("CBIExBookNo")(book, number, length);
    EXPECT_STREQ(number, "dict-named");
    CBIDictAttrBlock attr{};
    EXPECT_TRUE(Get<PFN_CBIDictAttr>("CBIDictAttr")(book, &attr));

    // A handle the driver does not know fails every call without touching the buffers.
    const CBI_HBOOK stranger = book + 1000;
    EXPECT_FALSE(Get<PFN_CBIGetCaps>("CBIGetCaps")(stranger, &caps));
    EXPECT_EQ(Get<PFN_CBIGetPageCount>("CBIGetPageCount")(stranger), 0);
    EXPECT_EQ(Get<PFN_DictLookup>("DictLookup")(stranger, "w", nullptr, 0), -1);
    EXPECT_EQ(Get<PFN_CBIVPGetRootItem>("CBIVPGetRootItem")(stranger), 0u);
}

TEST_F(DictDriver, PagesAreInTheProgramsCodePageWithLineBreaks) {
    const auto index = test::WriteDictionary(
        dir_, "latin",
        {{"00-database-utf8", "\n"}, {"caf\xC3\xA9", "caf\xC3\xA9\n  coffee \xC3\xBF \xE6\x97\xA5\r\n"}}, 16);
    const CBI_HBOOK book = OpenBook(index);
    ASSERT_NE(book, 0u);
    EXPECT_EQ(Get<PFN_CBIGetCodePage>("CBIGetCodePage")(book), 1252u);
    // é in 1252; ÿ (0xFF in 1252) would start a control sequence and comes as y; 日 is not in 1252.
    EXPECT_EQ(PageOf(book, 0), "caf\xE9\xFF\x0A  coffee y ?\xFF\x0A");
    int32_t page = -1;
    EXPECT_EQ(Get<PFN_DictLookup>("DictLookup")(book, "CAF\xC9", &page, 1), 1); // typed in 1252
    EXPECT_EQ(page, 0);

    g_codePage = 65001; // a program that works in UTF-8 gets the file's bytes
    const CBI_HBOOK utf8Book = OpenBook(index);
    EXPECT_EQ(Get<PFN_CBIGetCodePage>("CBIGetCodePage")(utf8Book), 65001u);
    EXPECT_EQ(PageOf(utf8Book, 0), "caf\xC3\xA9\xFF\x0A  coffee \xC3\xBF \xE6\x97\xA5\xFF\x0A");
}

TEST_F(DictDriver, GetPagesWritesWhatGetPageWritesAlignedAndStopsWhenFull) {
    std::vector<test::Entry> entries;
    for (int i = 0; i < 200; ++i)
        entries.push_back(
            {"word" + std::to_string(1000 + i), "word" + std::to_string(1000 + i) + "\n" +
                                                    std::string(static_cast<size_t>(i % 37), 'x') + "\n"});
    const CBI_HBOOK book = OpenBook(test::WriteDictionary(dir_, "many", entries, 256));
    ASSERT_NE(book, 0u);
    auto getPages = Get<PFN_CBIGetPages>("CBIGetPages");
    alignas(16) unsigned char buffer[4096];
    int32_t lengths[64];
    int32_t first = 0;
    while (first < 200) {
        const int32_t n = getPages(book, first, buffer, sizeof buffer, lengths, 64);
        ASSERT_GT(n, 0) << "at page " << first;
        size_t at = 0;
        for (int32_t i = 0; i < n; ++i) {
            const std::string page = PageOf(book, first + i);
            ASSERT_EQ(lengths[i], static_cast<int32_t>(page.size()));
            ASSERT_EQ(std::string(reinterpret_cast<char*>(buffer + at), page.size()), page) << first + i;
            ASSERT_EQ(buffer[at + page.size()], 0);
            at = (at + page.size() + 1 + 15) / 16 * 16;
        }
        ASSERT_LE(at, sizeof buffer + 15);
        first += n;
    }
    EXPECT_EQ(getPages(book, 200, buffer, sizeof buffer, lengths, 64), 0); // past the last page
    EXPECT_EQ(getPages(book, 5, buffer, 8, lengths, 64), 0);               // not even one page fits
}

TEST_F(DictDriver, ItemTextsAreCutOnACharacterBoundary) {
    g_codePage = 65001;
    std::string longWord;
    for (int i = 0; i < 120; ++i)
        longWord += "\xC3\xA9"; // 240 bytes of é
    const CBI_HBOOK book =
        OpenBook(test::WriteDictionary(dir_, "long", {{"00-database-utf8", "\n"}, {longWord, "x\n"}}));
    ASSERT_NE(book, 0u);
    const CBI_HITEM item = Get<PFN_CBIVPPageToItem>("CBIVPPageToItem")(book, 0);
    char text[CBI_ITEM_TEXT_CAPACITY];
    const int n = Get<PFN_CBIVPGetItemText>("CBIVPGetItemText")(book, item, text, sizeof text);
    EXPECT_EQ(n, 226); // 227 bytes would cut an é in two
    EXPECT_EQ(std::string(text), longWord.substr(0, 226));
}

} // namespace
} // namespace tavrin::dict

// An open dictionary: pages per headword, its name, look-ups of words with capitals, blanks and
// accents, an index out of order, and Debian's dictionaries read byte for byte.
#include "dict/dictionary.h"
#include "dict/dictzip.h"

#include "common/temp_folder.h"
#include "support/dict_maker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace tavrin::dict {
namespace {

using test::Entry;

std::unique_ptr<Dictionary> OpenOrFail(const std::filesystem::path& path) {
    std::string error;
    std::unique_ptr<Dictionary> d = Dictionary::Open(path.string(), &error);
    EXPECT_TRUE(d) << error;
    return d;
}

std::string Page(const Dictionary& d, size_t page) {
    std::string text, error;
    EXPECT_TRUE(d.PageDefinitions(page, text, &error)) << error;
    return text;
}

std::vector<std::string> Words(const Dictionary& d, const std::vector<uint32_t>& pages) {
    std::vector<std::string> words;
    for (uint32_t p : pages)
        words.emplace_back(d.PageWord(p));
    return words;
}

// A small dictionary in the default order, with the entries that describe it.
std::vector<Entry> Sample() {
    return {{"00-database-short", "00-database-short\n     Sample Dictionary\n"},
            {"00-database-url", "00-database-url\n     http://example.org/sample\n"},
            {"abbey", "abbey\n  a monastery\n"},
            {"Abbey", "Abbey\n  a name\n"},
            {"abbey", "abbey\n  a church\n"},
            {"Jack in the box", "Jack in the box\n  a plant\n"}, // the blank sorts first
            {"jack-in-the-box", "jack-in-the-box\n  a toy\n"},
            {"New York", "New York\n  a city\n"},
            {"newyork", "newyork\n  not a city\n"},
            {"zebra", "zebra\n  an animal\n"}};
}

TEST(Dictionary, EachHeadwordIsAPageHoldingAllItsDefinitions) {
    const testfs::TempFolder dir;
    for (size_t chunk : {size_t{0}, size_t{16}}) { // plain, and dictzip with tiny chunks
        auto d = OpenOrFail(test::WriteDictionary(dir.Path(), chunk ? "dz" : "plain", Sample(), chunk));
        ASSERT_TRUE(d);
        EXPECT_EQ(d->Name(), "Sample Dictionary");
        EXPECT_EQ(d->Url(), "http://example.org/sample");
        ASSERT_EQ(d->PageCount(), 7u); // the two descriptive entries are no pages
        EXPECT_EQ(d->PageWord(0), "abbey");
        EXPECT_EQ(Page(*d, 0), "abbey\n  a monastery\n\nabbey\n  a church\n");
        EXPECT_EQ(d->PageWord(1), "Abbey");
        EXPECT_EQ(Page(*d, 1), "Abbey\n  a name\n");
    }
}

TEST(Dictionary, LookUpFindsTheExactHeadwordFirstThenThoseThatFoldAlike) {
    const testfs::TempFolder folder;
    auto d = OpenOrFail(test::WriteDictionary(folder.Path(), "s", Sample()));
    ASSERT_TRUE(d);
    EXPECT_EQ(Words(*d, d->Lookup("Abbey")), (std::vector<std::string>{"Abbey", "abbey"}));
    EXPECT_EQ(Words(*d, d->Lookup("ABBEY")), (std::vector<std::string>{"abbey", "Abbey"}));
    EXPECT_EQ(Words(*d, d->Lookup("new york")), (std::vector<std::string>{"New York"}));
    // The blank counts: "newyork" is another headword.
    EXPECT_EQ(Words(*d, d->Lookup("NEWYORK")), (std::vector<std::string>{"newyork"}));
    EXPECT_EQ(Words(*d, d->Lookup("Jack in the box")), (std::vector<std::string>{"Jack in the box"}));
    EXPECT_EQ(Words(*d, d->Lookup("jackinthebox")), (std::vector<std::string>{"jack-in-the-box"}));
    EXPECT_TRUE(d->Lookup("abbeys").empty());
    EXPECT_TRUE(d->Lookup("aardvark").empty());
    EXPECT_TRUE(d->Lookup("zzz").empty());
}

TEST(Dictionary, Utf8HeadwordsMatchWithAccentsAndCapitals) {
    std::vector<Entry> entries = {{"00-database-utf8", "00-database-utf8\n"},
                                  {"cafe", "cafe\n  plain\n"},
                                  {"caf\xC3\xA9", "caf\xC3\xA9\n  accented\n"},
                                  {"\xC3\x89tude", "\xC3\x89tude\n  a study\n"},
                                  {"zoo", "zoo\n"}};
    const testfs::TempFolder folder;
    auto d = OpenOrFail(test::WriteDictionary(folder.Path(), "u", entries, 64));
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->Utf8());
    EXPECT_EQ(Words(*d, d->Lookup("CAF\xC3\x89")), (std::vector<std::string>{"caf\xC3\xA9"}));
    EXPECT_EQ(Words(*d, d->Lookup("cafe")), (std::vector<std::string>{"cafe"}));
    EXPECT_EQ(Words(*d, d->Lookup("\xC3\xA9tude")), (std::vector<std::string>{"\xC3\x89tude"}));
}

TEST(Dictionary, AnIndexOutOfOrderIsPutInOrderSoEveryHeadwordIsFound) {
    std::vector<Entry> entries = {{"pear", "pear\n"},
                                  {"apple", "apple\n"},
                                  {"Pear", "Pear\n"},
                                  {"fig", "fig\n"},
                                  {"pear", "pear again\n"}};
    const testfs::TempFolder folder;
    auto d = OpenOrFail(test::WriteDictionary(folder.Path(), "u", entries));
    ASSERT_TRUE(d);
    ASSERT_EQ(d->PageCount(), 4u);
    EXPECT_EQ(d->PageWord(0), "apple");
    for (const char* w : {"pear", "apple", "Pear", "fig"})
        EXPECT_EQ(d->Lookup(w).size(), std::string(w) == "fig" || std::string(w) == "apple" ? 1u : 2u) << w;
    EXPECT_EQ(Page(*d, d->Lookup("pear")[0]), "pear\n\npear again\n");
}

TEST(Dictionary, RefusesMissingFilesAndIndexesWithNoHeadwordAndSaysWhich) {
    const testfs::TempFolder dir;
    std::string error;
    EXPECT_FALSE(Dictionary::Open(dir / "none.index", &error));
    EXPECT_NE(error.find("none.index"), std::string::npos) << error;

    test::WriteFile(dir / "lonely.index", "word\tA\tB\n");
    EXPECT_FALSE(Dictionary::Open(dir / "lonely.index", &error));
    EXPECT_NE(error.find("lonely.dict.dz"), std::string::npos) << error;

    test::WriteFile(dir / "bad.index", "word\tA\t!!\n");
    test::WriteFile(dir / "bad.dict", "text");
    EXPECT_FALSE(Dictionary::Open(dir / "bad.dict", &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;

    EXPECT_FALSE(Dictionary::Open(dir / "book.epub", &error));
    EXPECT_NE(error.find("book.epub: not a dictionary file"), std::string::npos) << error;
}

// Debian's dictionaries, when installed: every headword is found by look-up, and every page holds
// the bytes the index points at in the inflated definitions.
TEST(Dictionary, DebianDictionariesAreReadByteForByte) {
    int checked = 0;
    for (const char* name : {"jargon", "devil"}) {
        const std::filesystem::path index =
            std::filesystem::path("/usr/share/dictd") / (std::string(name) + ".index");
        if (!std::filesystem::exists(index)) continue;
        ++checked;
        auto d = OpenOrFail(index);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->LeftOut(), 0u) << name;
        const std::string compressed = test::ReadFile(d->Files().definitions);
        std::string whole, error;
        ASSERT_TRUE(InflateWhole({reinterpret_cast<const uint8_t*>(compressed.data()), compressed.size()},
                                 1u << 30, whole, &error))
            << error;
        // The plain reading: index lines in file order, definitions cut out of the whole text.
        std::map<std::string, std::string> expected;
        const std::string indexText = test::ReadFile(index);
        std::istringstream lines(indexText);
        for (std::string line; std::getline(lines, line);) {
            const size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
            const std::string word = line.substr(0, t1);
            if (word.rfind("00-database", 0) == 0 || word.rfind("00database", 0) == 0) continue;
            uint64_t offset = 0, length = 0;
            for (char c : line.substr(t1 + 1, t2 - t1 - 1))
                offset = offset * 64 +
                         std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                             .find(c);
            for (char c : line.substr(t2 + 1))
                length = length * 64 +
                         std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                             .find(c);
            std::string& text = expected[word];
            if (!text.empty()) text += (text.back() == '\n' ? "\n" : "\n\n");
            text += whole.substr(offset, length);
        }
        EXPECT_EQ(d->PageCount(), expected.size()) << name;
        size_t wrong = 0;
        for (const auto& [word, text] : expected) {
            const std::vector<uint32_t> pages = d->Lookup(word);
            if (pages.empty() || d->PageWord(pages[0]) != word || Page(*d, pages[0]) != text) ++wrong;
        }
        EXPECT_EQ(wrong, 0u) << name;
    }
    if (checked == 0) GTEST_SKIP() << "dict-jargon and dict-devil are not installed";
}

} // namespace
} // namespace tavrin::dict

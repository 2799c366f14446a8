// The index's order: what counts in a headword, case folding, and the fast ASCII comparison held to
// the character-by-character one; every installed dictionary is in this order.
#include "dict/headword_order.h"
#include "dict/index_file.h"

#include "support/dict_maker.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrin::dict {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(HeadwordOrder, ByDefaultOnlyLettersDigitsAndBlanksCountAndCaseIsFolded) {
    const HeadwordOrder order;
    EXPECT_EQ(FoldedKey("Jack-o'-Lantern", order), "jackolantern");
    EXPECT_EQ(FoldedKey("New York", order), "new york");
    EXPECT_EQ(CompareFolded("1-dodecanol", "19th", order), 1); // "1d" after "19"
    EXPECT_EQ(CompareFolded("a b", "ab", order), -1);          // a blank sorts before letters
    EXPECT_EQ(CompareFolded("ABBEY", "abbey", order), 0);
    EXPECT_EQ(CompareFolded("Caf\xC3\xA9", "Caf", order), 0); // bytes above 0x7F are no letters
}

TEST(HeadwordOrder, Utf8DictionariesFoldAccentedLettersAndKeepThem) {
    HeadwordOrder order;
    order.utf8 = true;
    EXPECT_EQ(FoldedKey("\xC3\x89MILE", order), "\xC3\xA9mile"); // ÉMILE -> émile
    EXPECT_EQ(CompareFolded("\xC3\x89mile", "\xC3\xA9MILE", order), 0);
    EXPECT_EQ(CompareFolded("caf\xC3\xA9", "cafe", order), 1);
    EXPECT_EQ(FoldedKey("\xD0\x9C\xD0\xB8\xD1\x80", order), "\xD0\xBC\xD0\xB8\xD1\x80"); // Мир -> мир
    EXPECT_EQ(FoldedKey("a\xE2\x80\x94"
                        "b",
                        order),
              "ab"); // a dash is no letter
}

TEST(HeadwordOrder, AllCharsKeepsPunctuationButStillFoldsCase) {
    HeadwordOrder order;
    order.allChars = true;
    EXPECT_EQ(FoldedKey("(TM)", order), "(tm)");
    EXPECT_EQ(CompareFolded("-", "a", order), -1);
    order.caseSensitive = true;
    EXPECT_EQ(CompareFolded("B", "a", order), -1);
}

TEST(HeadwordOrder, TheComparisonAgreesWithTheFoldedKeysInEveryMode) {
    const char* words[] = {
        "",  "a",  "A b",  "ab", "a-b", "Ab!",          "z", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89",
        "e", "et", "\xFF", "0",  "9z",  "\xE2\x80\x94", " "};
    for (int mode = 0; mode < 8; ++mode) {
        HeadwordOrder order{(mode & 1) != 0, (mode & 2) != 0, (mode & 4) != 0};
        for (const char* a : words)
            for (const char* b : words)
                EXPECT_EQ(Sign(CompareFolded(a, b, order)),
                          Sign(FoldedKey(a, order).compare(FoldedKey(b, order))))
                    << "mode " << mode << ": '" << a << "' vs '" << b << "'";
    }
}

TEST(HeadwordOrder, EveryInstalledDictionaryIsInThisOrder) {
    const std::filesystem::path folder = "/usr/share/dictd";
    int checked = 0;
    for (const char* name : {"jargon", "devil", "gcide"}) {
        const std::filesystem::path path = folder / (std::string(name) + ".index");
        if (!std::filesystem::exists(path)) continue;
        const IndexFile index = ParseIndex(test::ReadFile(path), UINT64_MAX);
        HeadwordOrder order;
        for (const IndexEntry& e : index.entries) {
            if (index.Word(e) == "00-database-allchars") order.allChars = true;
            if (index.Word(e) == "00-database-utf8") order.utf8 = true;
        }
        size_t outOfOrder = 0;
        for (size_t i = 1; i < index.entries.size(); ++i)
            if (CompareFolded(index.Word(index.entries[i - 1]), index.Word(index.entries[i]), order) > 0)
                ++outOfOrder;
        EXPECT_EQ(outOfOrder, 0u) << name;
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "no dictionary installed in " << folder;
}

} // namespace
} // namespace tavrin::dict

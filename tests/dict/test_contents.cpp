// The contents of a dictionary: every headword reached once, in page order, no level longer than
// kLevelMost, and the way up from a page the same as the way down.
#include "dict/contents.h"

#include "common/temp_folder.h"
#include "support/dict_maker.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrin::dict {
namespace {

struct Walk {
    std::vector<int32_t> pages; // in the order met
    size_t longestLevel = 0;
    size_t deepest = 0;
    std::vector<std::string> firstLevel;
};

void WalkBelow(Contents& c, uint32_t item, size_t depth, Walk& walk) {
    size_t count = 0;
    for (uint32_t child = c.FirstChild(item); child; child = c.NextSibling(child)) {
        ++count;
        EXPECT_EQ(c.Parent(child), item);
        if (depth == 1) walk.firstLevel.push_back(c.Text(child));
        if (c.HasChildren(child)) {
            EXPECT_EQ(c.Page(child), -1);
            WalkBelow(c, child, depth + 1, walk);
        } else {
            walk.pages.push_back(c.Page(child));
        }
    }
    walk.longestLevel = std::max(walk.longestLevel, count);
    walk.deepest = std::max(walk.deepest, depth);
}

void ExpectWellFormed(const Dictionary& d, const Walk& walk) {
    ASSERT_EQ(walk.pages.size(), d.PageCount());
    for (size_t i = 0; i < walk.pages.size(); ++i)
        ASSERT_EQ(walk.pages[i], static_cast<int32_t>(i)) << "pages out of order or missing";
    EXPECT_LE(walk.longestLevel, kLevelMost);
}

std::unique_ptr<Dictionary> Open(const std::filesystem::path& index) {
    std::string error;
    auto d = Dictionary::Open(index.string(), &error);
    EXPECT_TRUE(d) << error;
    return d;
}

TEST(Contents, ManyHeadwordsAreGroupedByLeadingLettersAndRangesOfThem) {
    // 26 first letters of 260 headwords each, split again by the second; 300 headwords that fold
    // alike whole (split into runs); 600 first letters (CJK, so gathered into ranges of letters).
    std::vector<test::Entry> entries = {{"00-database-utf8", "x\n"}};
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b)
            for (int i = 0; i < 10; ++i)
                entries.push_back({std::string{a, b} + "word" + std::to_string(i), "x\n"});
    for (int i = 0; i < 300; ++i)
        entries.push_back({"zzzzzz" + std::string(static_cast<size_t>(i), '.'), "x\n"});
    for (char32_t c = 0x4E00; c < 0x4E00 + 600; ++c) {
        const std::string cjk = {static_cast<char>(0xE0 | (c >> 12)),
                                 static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                                 static_cast<char>(0x80 | (c & 0x3F))};
        entries.push_back({cjk + "x", "x\n"});
    }
    const testfs::TempFolder folder;
    auto d = Open(test::WriteDictionary(folder.Path(), "many", entries));
    ASSERT_TRUE(d);
    ASSERT_EQ(d->PageCount(), 26u * 26 * 10 + 300 + 600);
    Contents c(*d);
    Walk walk;
    WalkBelow(c, kRootItem, 1, walk);
    ExpectWellFormed(*d, walk);
    // 626 first letters are too many for one level: they come as ranges of first and last letter.
    ASSERT_GE(walk.firstLevel.size(), 200u);
    EXPECT_EQ(walk.firstLevel.front(), "A \xE2\x80\x93 C");
    EXPECT_NE(walk.firstLevel.back().find(" \xE2\x80\x93 "), std::string::npos) << walk.firstLevel.back();
    EXPECT_GE(walk.deepest, 3u);
}

TEST(Contents, TheWayUpFromAPageLeadsToTheRootThroughItsGroups) {
    std::vector<test::Entry> entries;
    for (int i = 0; i < 3000; ++i)
        entries.push_back({"w" + std::to_string(10000 + i), "x\n"});
    const testfs::TempFolder folder;
    auto d = Open(test::WriteDictionary(folder.Path(), "up", entries));
    ASSERT_TRUE(d);
    Contents c(*d);
    for (int32_t page : {0, 1, 1499, 2999}) {
        uint32_t item = c.ItemOfPage(page);
        ASSERT_NE(item, 0u);
        EXPECT_EQ(c.Text(item), d->PageWord(static_cast<size_t>(page)));
        size_t steps = 0;
        while (item != kRootItem && item != 0 && steps < 20) {
            const uint32_t parent = c.Parent(item);
            bool listed = false;
            for (uint32_t child = c.FirstChild(parent); child; child = c.NextSibling(child))
                listed = listed || child == item;
            EXPECT_TRUE(listed) << "page " << page << " step " << steps;
            item = parent;
            ++steps;
        }
        EXPECT_EQ(item, kRootItem) << page;
    }
    EXPECT_EQ(c.ItemOfPage(3000), 0u);
    EXPECT_EQ(c.Parent(kRootItem), 0u);
    EXPECT_FALSE(c.Valid(kPageItem | 3000));
    EXPECT_FALSE(c.Valid(12345));
}

TEST(Contents, DebianDictionariesHaveEveryHeadwordOnceInLevelsOfAFewHundred) {
    int checked = 0;
    for (const char* name : {"jargon", "devil"}) {
        const std::filesystem::path index =
            std::filesystem::path("/usr/share/dictd") / (std::string(name) + ".index");
        if (!std::filesystem::exists(index)) continue;
        ++checked;
        auto d = Open(index);
        ASSERT_TRUE(d);
        Contents c(*d);
        Walk walk;
        WalkBelow(c, kRootItem, 1, walk);
        ExpectWellFormed(*d, walk);
    }
    if (checked == 0) GTEST_SKIP() << "dict-jargon and dict-devil are not installed";
}

} // namespace
} // namespace tavrin::dict

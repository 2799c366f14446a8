// The class-catalog index of a registry walk answers exactly what GetClassItem answers (prefix
// matches, letter case, sections, values too long, line ends of both kinds, tree order). Fixed cases
// first, then many random shelves compared answer by answer. The shelf's book index has its own tests
// (test_regbooks_shelf_index.cpp).
#include "test_regbooks_world.h"

#include "registry/class_index.h"

#include <random>

using namespace regbooks;

namespace {

class ClassIndex : public RegWorld {
  protected:
    // A catalog entry whose settings page holds exactly `text` after the 56-byte head.
    uint32_t Raw(uint32_t parent, const char* name, const std::string& text) {
        return Sys().AddWithPage(parent, name, std::string(56, '.') + text);
    }
    tavrin::ClassCatalogIndex Built() {
        tavrin::ClassCatalogIndex index;
        index.Build(g_shelfTree, Ctrl().Root(), Ctrl().ShelfDriver(), Ctrl().ShelfHandle());
        return index;
    }
    // Both answers for `name`, with the place each gives.
    void ExpectSame(const tavrin::ClassCatalogIndex& index, const std::string& name) {
        HTREEITEM afterIndex = nullptr, afterSearch = nullptr;
        HTREEITEM byIndex = index.Find(name, &afterIndex);
        HTREEITEM bySearch = Ctrl().GetClassItem(Ctrl().Root(), name.c_str(), &afterSearch);
        EXPECT_EQ(byIndex, bySearch) << "file name \"" << name << "\"";
        if (bySearch) {
            EXPECT_EQ(afterIndex, afterSearch) << "file name \"" << name << "\"";
        }
    }
};

TEST_F(ClassIndex, AgreesOnPrefixesCaseSectionsAndLongValues) {
    const std::string lf = "\xFF\x0A";
    uint32_t outer = Raw(Sys().Root(), "Outer", "[CONFIG]" + lf + "ID=1" + lf + "abc.ebd=0");
    Raw(outer, "Inner", "[books]" + lf + "ABC.EBD=1" + lf + "long.ebd=" + std::string(300, 'v'));
    Raw(Sys().Root(), "Later",
        "[BOOKS]\r\nabc.ebd=0\r\nlong.ebd=1\r\nx=1\r\n[CONFIG]\r\nlate.ebd=1\xFF\x06junk.ebd=1");
    Raw(Sys().Root(), "CarriageReturnOnly", "[BOOKS]\rcr.ebd=1\rzz.ebd=1");
    Raw(Sys().Root(), "NoSection", "x.ebd=1" + lf + "[BOOK]" + lf + "y.ebd=1");
    Sys().Add(Sys().Root(), "NoPage");
    ASSERT_TRUE(Start());
    AddUserCatalog(Ctrl().Root(), "User", CATA_USER, "user", 0, 0, TVI_FIRST);
    tavrin::ClassCatalogIndex index = Built();
    for (const char* name : {"abc.ebd", "ABC.ebd", "abc", "a", "ab", "abc.ebdx", "long.ebd", "x", "late.ebd",
                             "junk.ebd", "cr.ebd", "zz.ebd", "x.ebd", "y.ebd", "", "=", "BOOKS", "[BOOKS]"})
        ExpectSame(index, name);
    HTREEITEM after = nullptr;
    EXPECT_EQ(index.Find("abc.ebd", &after), Find("Inner")) << "inside an earlier catalog before a later one";
    EXPECT_EQ(after, TVI_FIRST);
    EXPECT_EQ(index.Find("long.ebd", &after), Find("Later"))
        << "a value too long for the buffer is not found";
    EXPECT_EQ(index.Find("late.ebd", &after), Find("Later")) << "later sections do not end the search";
    EXPECT_EQ(index.Find("junk.ebd", &after), nullptr) << "the text ends at 0xFF 0x06";
}

TEST_F(ClassIndex, AgreesOnRandomShelves) {
    std::mt19937 random(20241206);
    const std::vector<std::string> keys = {"a.ebd",   "A.EBD",     "a",        "ab.ebd",  "abc.ebd", "b.ebd",
                                           "B",       "b.ebd.old", "c",        "id",      "ID",      "x=y",
                                           "[BOOKS]", "[books]",   "[CONFIG]", "= lonely"};
    const std::vector<std::string> values = {
        "1", "0", "2", "1 ", "01", "", std::string(255, 'v'), std::string(256, 'w')};
    const std::vector<std::string> ends = {"\xFF\x0A", "\r\n", "\r", "\xFF\x0A\xFF\x0A"};
    std::vector<uint32_t> entries = {Sys().Root()};
    for (int c = 0; c < 40; ++c) {
        std::string text;
        int lines = static_cast<int>(random() % 8);
        for (int l = 0; l < lines; ++l) {
            const std::string& key = keys[random() % keys.size()];
            text += key;
            if (key[0] != '[' && random() % 5) text += "=" + values[random() % values.size()];
            text += ends[random() % ends.size()];
        }
        if (random() % 4 == 0) text = "[BOOKS]" + ends[0] + text;
        uint32_t parent = entries[random() % entries.size()];
        entries.push_back(Raw(parent, ("C" + std::to_string(c)).c_str(), text));
    }
    ASSERT_TRUE(Start());
    tavrin::ClassCatalogIndex index = Built();
    for (const std::string& key : keys)
        ExpectSame(index, key);
    for (const char* name : {"a.eb", "ab", "b.e", "b.ebd.", "i", "x", "x=", "[", "["})
        ExpectSame(index, name);
}

} // namespace

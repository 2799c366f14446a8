// Book kinds by class: a book of class 0xFE is a book like one of class 0xFF, however it reaches the
// shelf (the walk at start-up, the register command, a re-pointed registration): its contents open,
// the search over every book reads it, the dictionary library is never asked about it and the host's
// dictionary list does not hold it. Every other class is a dictionary.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

std::vector<std::string> g_hitBooks;
int CollectBooks(DWORD, const SearchHit* hit) {
    g_hitBooks.emplace_back(hit->pszBookName);
    return 1;
}

class BookKinds : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Mine", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        DictLibrary();
        g_hitBooks.clear();
    }
    // A book of `bookClass` with two contents entries and a page holding "river", as a file on disk.
    std::string KindBook(const std::string& file, const char* number, const char* name, unsigned bookClass) {
        std::string path = AddBook(file, number, name, bookClass, CBI_CAP_CONTENTS);
        Books().SetDictAttr(path.c_str(), 1, 2); // answered only when asked
        uint32_t root = Books().AddItem(path.c_str(), 0, "(root)", -1);
        Books().AddItem(path.c_str(), root, "Source", 0);
        Books().AddItem(path.c_str(), root, "Mouth", 1);
        Books().SetPageText(path.c_str(), 0, "the river rises");
        Books().SetPageText(path.c_str(), 1, "the sea");
        WriteFile(path, "EBDF" + std::string(60, '\0'));
        return path;
    }
    // What a book item shows and answers: its kind, its contents once expanded, whether the search over
    // every book reads it.
    void ExpectABook(HTREEITEM item) {
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(Node(item)->nKind, static_cast<DWORD>(NODE_BOOK));
        EXPECT_EQ(Image(item), GroupImage(1, 0));
        TreeView_Expand(Tree(), item, TVE_EXPAND);
        EXPECT_EQ(ChildTexts(item), (std::vector<std::string>{"Source", "Mouth"}));
        g_hitBooks.clear();
        std::string text = "river";
        EXPECT_EQ(Ctrl().Search(0xFFFFFFFF, text.data(), 1, reinterpret_cast<void*>(&CollectBooks)), 1);
        EXPECT_NE(std::find(g_hitBooks.begin(), g_hitBooks.end(), Text(item)), g_hitBooks.end())
            << "the search over every book reads it";
        EXPECT_EQ(Books().CallCount("CBIDictAttr"), 0) << "never checked as a dictionary";
        EXPECT_EQ(dictLibrary_->CallCount("dicCreateHDICT"), 0);
    }
};

TEST_F(BookKinds, BookOfClassFEIsADeletableBookWalkedRegisteredByTheUserOrRepointed) {
    Register("F-1", KindBook("f.ebd", "F-1", "Plain", 0xFE), books_);
    Register("H-1", KindBook("h.ebd", "H-1", "Later", 0xFE), books_);
    std::string kept = KindBook("g.ebd", "G-1", "Kept", 0xFE);
    ASSERT_TRUE(Start());
    ExpectABook(Find("Plain"));
    EXPECT_EQ(Node(Find("Plain"))->dwFlags, 0x04u) << "placed among the unclassified books";
    EXPECT_EQ(Ctrl().GetDictCount(), 0u) << "not collected as a dictionary";

    AddInto("Mine", kept);
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    ExpectABook(Find("Kept"));
    EXPECT_EQ(Node(Find("Kept"))->dwFlags, 0x04u) << "registered by the user";

    std::string moved = KindBook("moved/h.ebd", "H-1", "Later", 0xFE);
    SetValue(kRoot + "\\H-1\\Book", "Database", moved);
    Ctrl().Refresh();
    ASSERT_STREQ(Book(Find("Later")).szFilePath, moved.c_str());
    ExpectABook(Find("Later"));
    EXPECT_EQ(Node(Find("Later"))->dwFlags, 0x04u) << "re-pointed";
}

TEST_F(BookKinds, OtherClassesAreDictionariesAndADictionaryThatBecomesABookLeavesTheList) {
    Register("D-1", KindBook("d.ebd", "D-1", "Words", 0x10), books_);
    ASSERT_TRUE(Start());
    HTREEITEM words = Find("Words");
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(Node(words)->nKind, static_cast<DWORD>(NODE_DICT));
    EXPECT_EQ(Node(words)->dwFlags, 0x04u);
    EXPECT_EQ(dictLibrary_->DicLastId(), 0x10000u + 2 * 256 + 1) << "checked with the dictionary library";
    ASSERT_EQ(Ctrl().GetDictCount(), 1u);
    EXPECT_EQ(Ctrl().GetDictBookHandle(0), Book(words).dwBookHandle);

    // The registration now names a book of class 0xFE: the node is a book and no longer a dictionary.
    std::string moved = KindBook("moved/d.ebd", "D-1", "Words", 0xFE);
    SetValue(kRoot + "\\D-1\\Book", "Database", moved);
    Ctrl().Refresh();
    EXPECT_EQ(Node(words)->nKind, static_cast<DWORD>(NODE_BOOK));
    EXPECT_EQ(Node(words)->dwFlags, 0x04u);
    EXPECT_EQ(Ctrl().GetDictCount(), 1u) << "positions the host kept stay valid";
    EXPECT_EQ(Ctrl().GetDictBookHandle(0), 0xFFFFFFFFu) << "but the book answers as none";
    EXPECT_EQ(Ctrl().GetDictClass(0), 0xFFFF);
}

} // namespace

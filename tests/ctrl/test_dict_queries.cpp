// The host's dictionary list: collected once at start-up in the tree's pre-order, answered by
// position; a dictionary deleted later answers as out of range while the others keep their places.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

// Root -> First (id 1) -> Inner (id 101); Second (id 2); Unclassified (65535). Dictionaries are
// listed: w3 in Second, w2 in Inner, w1 in First (after Inner in First's list: value 0).
class Dictionaries : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        uint32_t first = AddCatalog(Sys().Root(), "First", "1", {"w1.ebd=0"});
        AddCatalog(first, "Inner", "101", {"w2.ebd=1"});
        AddCatalog(Sys().Root(), "Second", "2", {"w3.ebd=1"});
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        DictLibrary();
    }
    std::string Dictionary(const char* file, const char* name, unsigned bookClass) {
        std::string path = AddBook(file, name, name, bookClass);
        Books().SetDictAttr(path.c_str(), 1, 1);
        Register(name, path, books_);
        return path;
    }
};

TEST_F(Dictionaries, CollectedOnceAtStartUpInTheTreesPreOrder) {
    Dictionary("w3.ebd", "W3", 0x13);
    std::string w1 = Dictionary("w1.ebd", "W1", 0x11);
    Dictionary("w2.ebd", "W2", 0x12);
    Dictionary("w0.ebd", "W0", 0x10); // unclassified, last in the tree
    Register("E", AddBook("e.ebd", "E", "An e-book"), books_);
    ASSERT_TRUE(Start());
    ASSERT_EQ(Ctrl().GetDictCount(), 4u) << "the book of class 0xFF is not a dictionary";
    // Inner comes before First's own book W1 (it was inserted first), both before Second.
    const char* expected[] = {"W2", "W1", "W3", "W0"};
    for (DWORD i = 0; i < 4; ++i) {
        HTREEITEM item = Find(expected[i]);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(Ctrl().GetDictBookHandle(i), Book(item).dwBookHandle) << i;
    }
    EXPECT_EQ(Ctrl().GetDictClass(0), 0x12);
    EXPECT_EQ(Ctrl().GetDictClass(2), 0x13);
    for (DWORD out : {DWORD{4}, DWORD{0xFFFFFFFF}}) {
        EXPECT_EQ(Ctrl().GetDictClass(out), 0xFFFF);
        EXPECT_EQ(Ctrl().GetDictBookHandle(out), 0xFFFFFFFFu);
    }
    Books().SetCapsFails(w1.c_str(), 1);
    EXPECT_EQ(Ctrl().GetDictClass(1), 0xFFFF) << "a class that cannot be read";
    EXPECT_NE(Ctrl().GetDictBookHandle(1), 0xFFFFFFFFu) << "the handle is still known";
    Dictionary("w4.ebd", "W4", 0x14);
    Ctrl().Refresh();
    EXPECT_NE(Find("W4"), nullptr);
    EXPECT_EQ(Ctrl().GetDictCount(), 4u) << "the list is collected once, at start-up";
}

TEST_F(Dictionaries, DeletedDictionaryAnswersAsOutOfRangeAndTheOthersKeepTheirPlaces) {
    Dictionary("w3.ebd", "W3", 0x13);
    Dictionary("w1.ebd", "W1", 0x11);
    Dictionary("w2.ebd", "W2", 0x12);
    ASSERT_TRUE(Start());
    ASSERT_EQ(Ctrl().GetDictCount(), 3u);
    DWORD w3 = Ctrl().GetDictBookHandle(2);
    // Dictionaries are deleted with their catalog (the delete command leaves them alone).
    TreeView_DeleteItem(Tree(), Find("Inner"));
    EXPECT_EQ(Ctrl().GetDictCount(), 3u);
    EXPECT_EQ(Ctrl().GetDictClass(0), 0xFFFF);
    EXPECT_EQ(Ctrl().GetDictBookHandle(0), 0xFFFFFFFFu);
    EXPECT_EQ(Ctrl().GetDictClass(1), 0x11);
    EXPECT_EQ(Ctrl().GetDictBookHandle(2), w3);
    EXPECT_EQ(Ctrl().DictNodes()[0], nullptr) << "no pointer to the freed node is kept";
}

TEST_F(Dictionaries, SearchDictsAppendsWhatLiesBelowItsStartAndTheWindowsEndEmptiesTheList) {
    Dictionary("w1.ebd", "W1", 0x11);
    Dictionary("w2.ebd", "W2", 0x12);
    ASSERT_TRUE(Start());
    Ctrl().SearchDicts(Find("Inner"));
    ASSERT_EQ(Ctrl().GetDictCount(), 3u);
    EXPECT_EQ(Ctrl().GetDictBookHandle(2), Book(Find("W2")).dwBookHandle);
    Ctrl().SearchDicts(Find("W1"));
    EXPECT_EQ(Ctrl().GetDictCount(), 3u) << "the start item itself is not collected";
    Ctrl().DestroyWindow();
    EXPECT_EQ(Ctrl().GetDictCount(), 0u);
    EXPECT_EQ(Ctrl().GetDictClass(0), 0xFFFF);
}

} // namespace

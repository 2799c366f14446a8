// Going to a page: the entry that holds it is found through the driver, the contents items on the way
// down are built once each, the entry is selected and the host is told its page. What is not on the
// shelf, or has no entry, leaves the selection alone.
#include "test_contents_world.h"

using contents::ContentsWorld;
using contents::Notice;

namespace {

// Book "Deep" (B1): Volume 1 (page 0) > Chapter 1.1 (page 10) > Section 1.1.1 (page 20) and 1.1.2
// (page 30); Volume 2 (page 40) > Chapter 2.1 (page 50). Book "Flat" (F1) has no contents tree.
class GoToPage : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        deep_ = ContentsBook("d.ebd", "B1", "Deep");
        volume1_ = Entry(deep_, 0, "Volume 1", 0);
        chapter11_ = Entry(deep_, volume1_, "Chapter 1.1", 10);
        section111_ = Entry(deep_, chapter11_, "Section 1.1.1", 20);
        section112_ = Entry(deep_, chapter11_, "Section 1.1.2", 30);
        volume2_ = Entry(deep_, 0, "Volume 2", 40);
        Entry(deep_, volume2_, "Chapter 2.1", 50);
        flat_ = ContentsBook("f.ebd", "F1", "Flat", 0);
        EXPECT_TRUE(Start());
        book_ = Find("Deep");
        ASSERT_NE(book_, nullptr);
        handle_ = Book(book_).dwBookHandle;
        Notices().clear();
        Books().ClearLog();
    }
    int Go(LONG page, DWORD handle = 0) {
        PageInfo info{};
        info.dwBookHandle = handle ? handle : handle_;
        info.hDriver = 0xDEAD; // never read
        info.nPage = page;
        return Ctrl().SetLocation(info);
    }
    std::string deep_, flat_;
    uint32_t volume1_ = 0, chapter11_ = 0, section111_ = 0, section112_ = 0, volume2_ = 0;
    HTREEITEM book_ = nullptr;
    DWORD handle_ = 0;
};

TEST_F(GoToPage, BuildsEachLevelOnceSelectsTheEntryAndTellsTheHostItsPage) {
    EXPECT_EQ(Go(33), 1); // page 33 is read under Section 1.1.2
    HTREEITEM selected = Selected();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(Text(selected), "Section 1.1.2");
    EXPECT_EQ(Contents(selected).hVpItem, section112_);

    // Every level from the book down to the entry is there once, and open.
    EXPECT_EQ(ChildTexts(book_), (std::vector<std::string>{"Volume 1", "Volume 2"}));
    HTREEITEM part = Children(book_)[0];
    EXPECT_EQ(ChildTexts(part), std::vector<std::string>{"Chapter 1.1"});
    HTREEITEM chapter = Children(part)[0];
    EXPECT_EQ(ChildTexts(chapter), (std::vector<std::string>{"Section 1.1.1", "Section 1.1.2"}));
    EXPECT_TRUE(Expanded(book_));
    EXPECT_TRUE(Expanded(part));
    EXPECT_TRUE(Expanded(chapter));
    EXPECT_TRUE(Children(Children(book_)[1]).empty()) << "Volume 2 is not built";
    EXPECT_EQ(ChildCalls(RootEntry(deep_)), 1);
    EXPECT_EQ(ChildCalls(volume1_), 1);
    EXPECT_EQ(ChildCalls(chapter11_), 1);
    EXPECT_EQ(Books().CallCount("CBIVPGetChildItem"), 3) << "the selection's expansions ask nothing more";
    EXPECT_EQ(TreeView_GetCount(Tree()), 3u + 2u + 1u + 2u) << "root, Deep, Flat and the three levels, once";
    EXPECT_EQ(Ctrl().SuppressExpand(), 0) << "the flag is cleared again";

    // The host hears of the entry's own page, not the page asked for.
    ASSERT_EQ(Notices().size(), 1u);
    const Notice& n = Notices()[0];
    EXPECT_EQ(n.kind, WPARAM{SHELF_NOTIFY_PAGE});
    EXPECT_EQ(n.page.dwBookHandle, handle_);
    EXPECT_EQ(n.page.hDriver, Book(book_).hDriver);
    EXPECT_EQ(n.page.nPage, 30);

    // An entry that is an item already is selected without asking for parents.
    Select(book_);
    Books().ClearLog();
    Notices().clear();
    EXPECT_EQ(Go(20), 1);
    EXPECT_EQ(Text(Selected()), "Section 1.1.1");
    EXPECT_EQ(Books().CallCount("CBIVPGetParentItem"), 0);
    EXPECT_EQ(Books().CallCount("CBIVPGetChildItem"), 0);
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].page.nPage, 20);
}

TEST_F(GoToPage, AnOpenLevelOnTheWayIsUsedAsItIsAndATopLevelEntryNeedsOnlyTheBooks) {
    EXPECT_EQ(Go(45), 1);
    EXPECT_EQ(Text(Selected()), "Volume 2");
    EXPECT_EQ(ChildCalls(RootEntry(deep_)), 1);
    EXPECT_EQ(Books().CallCount("CBIVPGetParentItem"), 1);
    UserExpand(Children(book_)[1]); // Volume 2
    Books().ClearLog();
    EXPECT_EQ(Go(20), 1);
    EXPECT_EQ(Text(Selected()), "Section 1.1.1");
    EXPECT_EQ(ChildCalls(RootEntry(deep_)), 0) << "the book's level was built already";
    EXPECT_EQ(ChildTexts(book_), (std::vector<std::string>{"Volume 1", "Volume 2"}));
    EXPECT_EQ(ChildTexts(Children(book_)[1]), std::vector<std::string>{"Chapter 2.1"});
}

TEST_F(GoToPage, ABookWithoutContentsIsSelectedForAnyPage) {
    HTREEITEM flat = Find("Flat");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(Go(12345, Book(flat).dwBookHandle), 1);
    EXPECT_EQ(Selected(), flat);
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].kind, WPARAM{SHELF_NOTIFY_BOOK});
    EXPECT_EQ(Notices()[0].bookHandle, Book(flat).dwBookHandle);
}

TEST_F(GoToPage, FailuresLeaveTheSelectionAndTheHostAlone) {
    Select(book_);
    Notices().clear();
    EXPECT_EQ(Go(20, 0x7777), 0) << "a book that is not on the shelf";
    EXPECT_EQ(Go(20, 0xFFFFFFFF), 0);
    Books().SetPageToItem(deep_.c_str(), 99, 0);
    EXPECT_EQ(Go(99), 0) << "a page without an entry";
    Books().SetPageToItem(deep_.c_str(), 98, RootEntry(deep_));
    EXPECT_EQ(Go(98), 0) << "an entry without a parent";
    Books().SetCapsFails(deep_.c_str(), 1);
    EXPECT_EQ(Go(20), 0) << "caps that cannot be read";
    EXPECT_EQ(Selected(), book_);
    EXPECT_TRUE(Children(book_).empty());
    EXPECT_TRUE(Notices().empty());
}

TEST_F(GoToPage, AnEntryThatCannotBeReachedLeavesTheDeepestItemOpenAndSelected) {
    // The driver maps the page to an entry that its parent does not list among its sub-entries.
    std::string hiding = ContentsBook("h.ebd", "H1", "Hiding", CBI_CAP_CONTENTS | CBI_CAP_HIDE_CONTENTS_PAGE);
    uint32_t chapter = Entry(hiding, 0, "Chapter", 0);
    Entry(hiding, chapter, CBI_CONTENTS_PAGE_NAME, 5); // hidden on the shelf
    Entry(hiding, chapter, "Text", 8);
    Ctrl().Refresh();
    HTREEITEM book = Find("Hiding");
    ASSERT_NE(book, nullptr);
    Notices().clear();
    EXPECT_EQ(Go(6, Book(book).dwBookHandle), 0);
    HTREEITEM item = Children(book).front();
    EXPECT_EQ(Selected(), item);
    EXPECT_TRUE(Expanded(item));
    EXPECT_EQ(ChildTexts(item), std::vector<std::string>{"Text"});
    EXPECT_EQ(Ctrl().SuppressExpand(), 0);
}

// ---- by book number ----

TEST_F(GoToPage, ByNumberReadsTheGivenBytesUpToTheFirstZeroIgnoringCase) {
    char number[] = {'b', '1', 'x', 'y'}; // no terminating zero
    EXPECT_EQ(Ctrl().SetLocation(number, 2, 20), 1);
    EXPECT_EQ(Text(Selected()), "Section 1.1.1");
    EXPECT_EQ(Ctrl().SetLocation(number, 1, 20), 0) << "\"b\" is no book's number";
    EXPECT_EQ(Ctrl().SetLocation(number, 3, 20), 0) << "nor is \"b1x\"";
    // Hosts pass the size of the buffer the number is in; what follows its zero is not read as number.
    for (size_t size : {size_t{3}, size_t{256}, size_t{4096}}) {
        SCOPED_TRACE(size);
        std::vector<char> buffer(size, '\x7F');
        std::memcpy(buffer.data(), "F1", 3);
        Select(nullptr);
        EXPECT_EQ(Ctrl().SetLocation(buffer.data(), static_cast<int>(size), 3), 1);
        EXPECT_EQ(Text(Selected()), "Flat");
        if (size < 11) continue;
        std::memcpy(buffer.data(), "b1\0garbage", 11);
        EXPECT_EQ(Ctrl().SetLocation(buffer.data(), static_cast<int>(size), 20), 1);
        EXPECT_EQ(Text(Selected()), "Section 1.1.1");
    }
    Select(nullptr);
    char known[] = "B1";
    EXPECT_EQ(Ctrl().SetLocation(known, 0, 20), 0);
    EXPECT_EQ(Ctrl().SetLocation(known, -1, 20), 0);
    EXPECT_EQ(Ctrl().SetLocation(nullptr, 2, 20), 0);
    std::vector<char> empty(256, '\0');
    EXPECT_EQ(Ctrl().SetLocation(empty.data(), 256, 20), 0) << "an empty number names no book";
    std::string longest(255, 'B');
    EXPECT_EQ(Ctrl().SetLocation(longest.data(), 255, 20), 0);
    EXPECT_EQ(Selected(), nullptr);
}

// A book whose number has the most characters a number may have.
class GoToPageLongNumber : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        number_ = std::string(250, 'n') + "LONG1";
        std::string path = AddBook("l.ebd", number_.c_str(), "Long", 0xFF, 0);
        regbooks::Register("L", path, books_); // the key's name is not the number here
        ASSERT_TRUE(Start());
        ASSERT_NE(Find("Long"), nullptr);
    }
    std::string number_; // 255 characters
};

TEST_F(GoToPageLongNumber, IsFoundWholeAndNeverFromALongerText) {
    std::vector<char> buffer(4096, '\0');
    std::memcpy(buffer.data(), number_.data(), number_.size());
    EXPECT_EQ(Ctrl().SetLocation(buffer.data(), 4096, 0), 1);
    EXPECT_EQ(Text(Selected()), "Long");
    Select(nullptr);
    EXPECT_EQ(Ctrl().SetLocation(number_.data(), 255, 0), 1) << "exactly its length, no zero";
    Select(nullptr);
    // The same 255 characters with more after them: a text no book number can be.
    buffer[255] = 'x';
    EXPECT_EQ(Ctrl().SetLocation(buffer.data(), 4096, 0), 0);
    EXPECT_EQ(Ctrl().SetLocation(buffer.data(), 256, 0), 0);
    EXPECT_EQ(Selected(), nullptr);
}

} // namespace

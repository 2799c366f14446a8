// What the host is told when the selection changes to a book or an entry (its handle, its page), the
// selected book's handle, and going to a catalog. Catalogs and the suppress-notify flag: test_clicks.cpp,
// whose every click is held to the selection's notices.
#include "test_contents_world.h"

#include <cstdio>

using contents::ContentsWorld;
using contents::Notice;

namespace {

class SelectionNotices : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        path_ = ContentsBook("b.ebd", "B1", "Book");
        Entry(path_, 0, "Page 0", 0);
        Entry(path_, 0, "No page"); // -1
        Entry(path_, 0, "Page 65535", 65535);
        Entry(path_, 0, "Page 7", 7);
        Sys().Add(Sys().Root(), "Linked", {"[CONFIG]", "ID=5", "RID=Trunk-7"});
        ASSERT_TRUE(Start());
        book_ = Find("Book");
        ASSERT_NE(book_, nullptr);
        UserExpand(book_);
        ASSERT_EQ(Children(book_).size(), 4u);
        Select(nullptr);
        Notices().clear();
    }
    std::string path_;
    HTREEITEM book_ = nullptr;
};

TEST_F(SelectionNotices, BooksAndPagesAreToldWithTheirHandleAndPageAndOtherEntriesNothing) {
    DWORD handle = Book(book_).dwBookHandle;
    std::vector<HTREEITEM> entries = Children(book_);
    Select(book_);
    Select(entries[0]);
    Select(entries[1]); // no page
    Select(entries[2]); // page 65535: none either
    EXPECT_EQ(Selected(), entries[2]);
    Select(entries[3]);
    Select(Ctrl().Root());
    ASSERT_EQ(NoticeKinds(), (std::vector<WPARAM>{SHELF_NOTIFY_BOOK, SHELF_NOTIFY_PAGE, SHELF_NOTIFY_PAGE}));
    EXPECT_EQ(Notices()[0].bookHandle, handle);
    EXPECT_EQ(Notices()[1].page.dwBookHandle, handle);
    EXPECT_EQ(Notices()[1].page.hDriver, Book(book_).hDriver);
    EXPECT_EQ(Notices()[1].page.nPage, 0) << "page 0 is a page";
    EXPECT_EQ(Notices()[2].page.nPage, 7);
}

TEST_F(SelectionNotices, SelectedBookHandle) {
    DWORD handle = Book(book_).dwBookHandle;
    EXPECT_EQ(Ctrl().GetSeleBookHandle(), 0xFFFFFFFFu) << "nothing selected";
    Select(Ctrl().Root());
    EXPECT_EQ(Ctrl().GetSeleBookHandle(), 0xFFFFFFFFu);
    Select(Find("Linked"));
    EXPECT_EQ(Ctrl().GetSeleBookHandle(), 0xFFFFFFFFu);
    Select(book_);
    EXPECT_EQ(Ctrl().GetSeleBookHandle(), handle);
    Select(Children(book_)[2]);
    EXPECT_EQ(Ctrl().GetSeleBookHandle(), handle);
}

// ---- going to a catalog ----

TEST_F(SelectionNotices, GoingToATrunkSelectsItsCatalog) {
    HTREEITEM mine = AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "my-key");
    TrunkInfo info{};
    std::snprintf(info.szTrunk, sizeof info.szTrunk, "%s", "MY-KEY");
    EXPECT_NE(Ctrl().SetLocation(&info), 0);
    EXPECT_EQ(Selected(), mine);
    EXPECT_EQ(info.dwType, DWORD{TRUNK_TYPE_TRUNK}) << "the record is filled as GetTrunkInfo fills it";
    EXPECT_STREQ(info.szCataName, "Mine");
    EXPECT_STREQ(info.szTrunk, "MY-KEY");

    TrunkInfo linked{};
    std::snprintf(linked.szTrunk, sizeof linked.szTrunk, "%s", "trunk-7");
    EXPECT_NE(Ctrl().SetLocation(&linked), 0);
    EXPECT_EQ(Selected(), Find("Linked"));
    EXPECT_EQ(NoticeKinds(), (std::vector<WPARAM>{SHELF_NOTIFY_TRUNK, SHELF_NOTIFY_TRUNK}));
}

TEST_F(SelectionNotices, AnUnknownTrunkSelectsNothing) {
    Select(book_);
    Notices().clear();
    TrunkInfo info{};
    std::snprintf(info.szTrunk, sizeof info.szTrunk, "%s", "nowhere");
    EXPECT_EQ(Ctrl().SetLocation(&info), 0);
    std::memset(info.szTrunk, 'x', sizeof info.szTrunk); // no terminating zero
    EXPECT_EQ(Ctrl().SetLocation(&info), 0);
    EXPECT_EQ(Ctrl().SetLocation(static_cast<TrunkInfo*>(nullptr)), 0);
    EXPECT_EQ(Selected(), book_);
    EXPECT_TRUE(Notices().empty());
}

} // namespace

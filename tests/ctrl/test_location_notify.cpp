// What the host is told when the selection changes (a book's handle, an entry's page, a catalog's
// link or description), the suppress-notify flag, the selected book's handle, and going to a catalog.
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
        Sys().Add(Sys().Root(), "Unlinked", {"[CONFIG]", "ID=6", "RID=0"});
        Sys().Add(Sys().Root(), "Plain", {"[CONFIG]", "ID=7"});
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

TEST_F(SelectionNotices, SuppressNotifySilencesBooksPagesAndCatalogs) {
    Ctrl().SuppressNotify() = 1;
    Select(book_);
    Select(Children(book_)[3]);
    Select(Find("Linked"));
    Select(AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "mine"));
    EXPECT_TRUE(Notices().empty());
    Ctrl().SuppressNotify() = 0;
    Select(book_);
    EXPECT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_BOOK});
}

TEST_F(SelectionNotices, SystemCatalogsWithALinkTellItAndUserCatalogsTheirKey) {
    Select(Find("Unlinked"));
    Select(Find("Plain"));
    EXPECT_TRUE(Notices().empty()) << "\"0\" and a missing link tell nothing";
    Select(Find("Linked"));
    Select(AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "my-key"));
    ASSERT_EQ(NoticeKinds(), (std::vector<WPARAM>{SHELF_NOTIFY_TRUNK, SHELF_NOTIFY_TRUNK}));
    const TrunkInfo& linked = Notices()[0].trunk;
    EXPECT_EQ(linked.dwType, DWORD{TRUNK_TYPE_RESOURCE_LINK});
    EXPECT_EQ(linked.dwShelfHandle, Ctrl().ShelfHandle());
    EXPECT_STREQ(linked.szTrunk, "Trunk-7");
    EXPECT_STREQ(linked.szCataName, "Linked");
    const TrunkInfo& user = Notices()[1].trunk;
    EXPECT_EQ(user.dwType, DWORD{TRUNK_TYPE_TRUNK});
    EXPECT_STREQ(user.szTrunk, "my-key");
    EXPECT_STREQ(user.szCataName, "Mine");
}

TEST_F(SelectionNotices, OnlineCatalogsTellTheDescriptionTheirDriverGives) {
    HTREEITEM described = OnlineCatalog("News", "news");
    testdrv::Driver online((dir_ / "online-news.dll").string());
    online.SetDescURL("news", "http://example.invalid/news.htm");
    HTREEITEM bare = OnlineCatalog("Bare", "bare");
    HTREEITEM without = OnlineCatalog("Old", "old", TAVRIN_TESTDRV_NODESC_PATH);
    Select(bare);
    Select(without);
    EXPECT_TRUE(Notices().empty()) << "no address, or a driver that gives none";
    Select(described);
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_CATALOG_DESC});
    EXPECT_STREQ(Notices()[0].desc.szCataKey, "news");
    EXPECT_STREQ(Notices()[0].desc.szDescURL, "http://example.invalid/news.htm");
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

// What the host is told when the user clicks the shelf or selects an item: a book's handle, a page
// entry's page, a catalog's link, key or description, each for a click on the selected item's row (and
// alike for the selection that came before it); nothing for a click elsewhere, and nothing while
// notices are suppressed.
#include "test_contents_world.h"

using contents::ContentsWorld;
using contents::Notice;

namespace {

class Clicks : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        plat::UseManualClock(true); // the label editor's timer after a click on the selection stays put
        path_ = ContentsBook("b.ebd", "B1", "Book");
        Entry(path_, 0, "Page 7", 7);
        Entry(path_, 0, "No page"); // -1
        uint32_t part = Entry(path_, 0, "Part");
        Entry(path_, part, "Inside", 3);
        Sys().Add(Sys().Root(), "Linked", {"[CONFIG]", "ID=5", "RID=Trunk-7"});
        Sys().Add(Sys().Root(), "Unlinked", {"[CONFIG]", "ID=6", "RID=0"});
        Sys().Add(Sys().Root(), "Plain", {"[CONFIG]", "ID=7"});
        Sys().Add(Sys().Root(), "Empty link", {"[CONFIG]", "ID=8", "RID="});
        ASSERT_TRUE(Start());
        book_ = Find("Book");
        ASSERT_NE(book_, nullptr);
        UserExpand(book_);
        ASSERT_EQ(Children(book_).size(), 3u);
        Select(nullptr);
        Notices().clear();
    }
    void TearDown() override {
        plat::UseManualClock(false);
        ContentsWorld::TearDown();
    }

    // A press and release of the left button at `pt` (tree client coordinates), as the user makes it.
    void ClickAt(POINT pt) {
        plat::PostMouse(Tree(), WM_LBUTTONUP, pt);
        plat::SendMouse(Tree(), WM_LBUTTONDOWN, pt, MK_LBUTTON);
        plat::PumpMessages();
    }
    // Selects `item`, then clicks the middle of its label. The selection and the click tell the host
    // alike (chapters aside, which only a selection tells): only the click's notices are kept.
    void ClickSelected(HTREEITEM item) {
        Select(nullptr);
        Notices().clear();
        Select(item);
        const std::vector<WPARAM> selected = NoticeKinds();
        Notices().clear();
        ClickAt(LabelMiddle(item));
        if (Node(item)->nKind != NODE_CHAPTER) {
            EXPECT_EQ(NoticeKinds(), selected) << Text(item);
        }
    }
    // The tree's NM_CLICK with the cursor at `pt` (tree client coordinates), without any selection
    // change: what the control does with the click alone.
    void NotifyClickAt(POINT pt) {
        POINT screen = pt;
        ClientToScreen(Tree(), &screen);
        plat::SetCursorScreenPos(screen);
        NMHDR hdr{Tree(), 1000, static_cast<UINT>(NM_CLICK)};
        SendMessageA(Ctrl().GetSafeHwnd(), WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&hdr));
    }

    std::string path_;
    HTREEITEM book_ = nullptr;
};

TEST_F(Clicks, AnotherItemIsToldOnceByTheSelectionTheSelectedOneAgainOnEveryClick) {
    // The page is selected; a click on the book's row finds the page still selected when the tree
    // reports the click (nothing told), and the selection change that follows tells the book.
    DWORD handle = Book(book_).dwBookHandle;
    Select(Children(book_)[0]);
    Notices().clear();
    ClickAt(LabelMiddle(book_));
    EXPECT_EQ(Selected(), book_);
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_BOOK});
    EXPECT_EQ(Notices()[0].bookHandle, handle);
    RECT rc = Label(book_);
    ClickAt(POINT{rc.left + 1, rc.top + 1});
    ASSERT_EQ(NoticeKinds(), (std::vector<WPARAM>{SHELF_NOTIFY_BOOK, SHELF_NOTIFY_BOOK}));
    EXPECT_EQ(Notices()[1].bookHandle, handle);
}

TEST_F(Clicks, PageEntriesTellTheirPageAndEntriesWithoutOneChaptersAndTheRootNothing) {
    std::vector<HTREEITEM> entries = Children(book_);
    ClickSelected(entries[0]);
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_PAGE});
    EXPECT_EQ(Notices()[0].page.dwBookHandle, Book(book_).dwBookHandle);
    EXPECT_EQ(Notices()[0].page.hDriver, Book(book_).hDriver);
    EXPECT_EQ(Notices()[0].page.nPage, 7);
    ClickSelected(entries[1]); // the driver gives it no page: nowhere to send the host
    ClickSelected(entries[2]); // a chapter
    ClickSelected(Ctrl().Root());
    EXPECT_TRUE(Notices().empty());
}

TEST_F(Clicks, OnlyTheSelectedItemsRowCountsNotTheColumn) {
    Select(book_);
    Notices().clear();
    RECT rc = Label(book_);
    RECT client{};
    GetClientRect(Tree(), &client);
    int right = (rc.right + client.right) / 2;
    ASSERT_GT(right, rc.right + 10) << "room right of the short label";
    NotifyClickAt(POINT{right, rc.top});
    NotifyClickAt(POINT{right, rc.bottom - 1});
    NotifyClickAt(POINT{2, (rc.top + rc.bottom) / 2}); // left of the label, in the indent
    EXPECT_EQ(NoticeKinds(), (std::vector<WPARAM>{SHELF_NOTIFY_BOOK, SHELF_NOTIFY_BOOK, SHELF_NOTIFY_BOOK}));
    Notices().clear();
    NotifyClickAt(POINT{(rc.left + rc.right) / 2, rc.top - 1});
    NotifyClickAt(POINT{(rc.left + rc.right) / 2, rc.bottom + 1});
    EXPECT_TRUE(Notices().empty()) << "rows above and below are other items";

    // Real input right of the label, and below the last row where no item is.
    ClickAt(POINT{right, (rc.top + rc.bottom) / 2});
    EXPECT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_BOOK});
    Notices().clear();
    ClickAt(POINT{right, client.bottom - 2});
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(Selected(), book_);
}

TEST_F(Clicks, SuppressedNoticesSilenceEveryClick) {
    HTREEITEM mine = AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "mine");
    Ctrl().SuppressNotify() = 1;
    for (HTREEITEM item : {book_, Children(book_)[0], Find("Linked"), mine})
        ClickSelected(item);
    EXPECT_TRUE(Notices().empty());
    Ctrl().SuppressNotify() = 0;
    ClickSelected(mine);
    EXPECT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_TRUNK});
}

TEST_F(Clicks, SystemCatalogsTellALinkThatCanBeReadAndIsNotZeroUserCatalogsTheirKey) {
    ClickSelected(Find("Unlinked"));
    ClickSelected(Find("Plain"));
    EXPECT_TRUE(Notices().empty()) << "\"0\" and a link that cannot be read tell nothing";

    ClickSelected(Find("Linked"));
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_TRUNK});
    const TrunkInfo& linked = Notices()[0].trunk;
    EXPECT_EQ(linked.dwType, DWORD{TRUNK_TYPE_RESOURCE_LINK});
    EXPECT_EQ(linked.dwShelfHandle, Ctrl().ShelfHandle());
    EXPECT_STREQ(linked.szTrunk, "Trunk-7");
    EXPECT_STREQ(linked.szCataName, "Linked");

    ClickSelected(Find("Empty link"));
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_TRUNK}) << "an empty link is a link";
    EXPECT_STREQ(Notices()[0].trunk.szTrunk, "");
    EXPECT_STREQ(Notices()[0].trunk.szCataName, "Empty link");

    ClickSelected(AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "my-key"));
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_TRUNK});
    EXPECT_EQ(Notices()[0].trunk.dwType, DWORD{TRUNK_TYPE_TRUNK});
    EXPECT_STREQ(Notices()[0].trunk.szTrunk, "my-key");
    EXPECT_STREQ(Notices()[0].trunk.szCataName, "Mine");
}

TEST_F(Clicks, OnlineCatalogsTellTheDescriptionTheirDriverGives) {
    HTREEITEM described = OnlineCatalog("News", "news");
    testdrv::Driver news((dir_ / "online-news.dll").string());
    news.SetDescURL("news", "http://example.invalid/news.htm");
    HTREEITEM bare = OnlineCatalog("Bare", "bare");
    HTREEITEM without = OnlineCatalog("Old", "old", TAVRIN_TESTDRV_NODESC_PATH);
    // 33 characters: the record holds it, the host's 33-byte field cannot with its terminator.
    const char* longKey = "abcdefghijabcdefghijabcdefghijabc";
    HTREEITEM longOne = OnlineCatalog("Long", longKey);
    testdrv::Driver longDriver((dir_ / (std::string("online-") + longKey + ".dll")).string());
    longDriver.SetDescURL(longKey, "http://example.invalid/long.htm");

    ClickSelected(bare);
    ClickSelected(without);
    ClickSelected(longOne);
    EXPECT_TRUE(Notices().empty()) << "no address, a driver that gives none, a key the record cannot carry";
    ClickSelected(described);
    ASSERT_EQ(NoticeKinds(), std::vector<WPARAM>{SHELF_NOTIFY_CATALOG_DESC});
    EXPECT_STREQ(Notices()[0].desc.szCataKey, "news");
    EXPECT_STREQ(Notices()[0].desc.szDescURL, "http://example.invalid/news.htm");
}

} // namespace

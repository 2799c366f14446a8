// The shelf as a host reads it through the public view (tavrin/shelf_view.h): items with their kind,
// label, number, handle, page and links; a page's text from the markup and from HTML, with the size
// asked first and a buffer too short for it; the code page of a book's texts; and the refusals.
#include "test_contents_world.h"

#include <functional>

using contents::ContentsWorld;

namespace {

// Catalog "Poetry" (key 1801) lists book "Deep" (B1): Volume 1 (page 0) > Chapter 1.1 (page 10); Volume 2
// (page 40), a leaf. Its pages 0-2 are markup; the book's texts are in code page 950.
class HostView : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"d.ebd=1"});
        deep_ = ContentsBook("d.ebd", "B1", "Deep");
        volume1_ = Entry(deep_, 0, "Volume 1", 0);
        Entry(deep_, volume1_, "Chapter 1.1", 10);
        Entry(deep_, 0, "Volume 2", 40);
        Books().SetCodePage(deep_.c_str(), 950);
        Books().SetPageText(deep_.c_str(), 0, "first line\xFF\x0Asecond line");
        Books().SetPageText(deep_.c_str(), 1, "one");
        Books().SetPageText(deep_.c_str(), 2, "two");
        ASSERT_TRUE(Start());
        book_ = Find("Deep");
        ASSERT_NE(book_, nullptr);
        handle_ = Book(book_).dwBookHandle;
    }
    ShelfItemInfo Info(HTREEITEM item) {
        ShelfItemInfo info{};
        EXPECT_EQ(Ctrl().GetItemInfo(item, &info), 1);
        return info;
    }
    // The page's text as a host reads it: the size first, then the text.
    std::string PageText(LONG page, int* result) {
        DWORD length = 0;
        *result = Ctrl().GetPageText(book_, page, nullptr, &length);
        if (*result != SHELF_PAGE_OK) return "";
        std::string text(length, '?');
        *result = Ctrl().GetPageText(book_, page, text.data(), &length);
        EXPECT_EQ(text.size(), length) << "the size asked first is the size";
        EXPECT_EQ(text.back(), '\0');
        text.pop_back();
        return text;
    }
    std::string deep_;
    uint32_t volume1_ = 0;
    HTREEITEM book_ = nullptr;
    DWORD handle_ = 0;
};

TEST_F(HostView, TheWholeShelfIsWalkedFromTheRootThroughTheLinks) {
    std::vector<std::pair<int, ShelfItemInfo>> walked;
    std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int depth) {
        for (ShelfItemInfo info{}; item && Ctrl().GetItemInfo(item, &info); item = info.hNextSibling) {
            walked.emplace_back(depth, info);
            walk(info.hFirstChild, depth + 1);
        }
    };
    walk(Ctrl().GetShelfRoot(), 0);
    ASSERT_EQ(walked.size(), 3u) << "root, Poetry, Deep (its contents are not built yet)";

    const ShelfItemInfo& root = walked[0].second;
    EXPECT_EQ(root.dwKind, DWORD{SHELF_ITEM_ROOT});
    EXPECT_EQ(root.hParent, nullptr);
    EXPECT_EQ(root.dwBookHandle, SHELF_NO_BOOK);
    EXPECT_EQ(root.uCodePage, GetACP()) << "the shelf's own texts are in the active code page";

    const ShelfItemInfo& poetry = walked[1].second;
    EXPECT_EQ(walked[1].first, 1);
    EXPECT_EQ(poetry.dwKind, DWORD{SHELF_ITEM_CATALOG});
    EXPECT_STREQ(poetry.szName, "Poetry");
    EXPECT_STREQ(poetry.szCataKey, "1801");
    EXPECT_STREQ(poetry.szKey, "") << "a system catalog has no name key";
    EXPECT_EQ(poetry.hParent, root.hItem);

    const ShelfItemInfo& deep = walked[2].second;
    EXPECT_EQ(deep.hItem, book_);
    EXPECT_EQ(deep.hParent, poetry.hItem);
    EXPECT_EQ(deep.dwKind, DWORD{SHELF_ITEM_BOOK});
    EXPECT_STREQ(deep.szName, "Deep");
    EXPECT_STREQ(deep.szKey, "B1");
    EXPECT_STREQ(deep.szCataKey, "");
    EXPECT_EQ(deep.dwBookHandle, handle_);
    EXPECT_EQ(deep.nPage, SHELF_NO_PAGE);
    EXPECT_EQ(deep.uCodePage, 950u);
    EXPECT_EQ(deep.hFirstChild, nullptr);
    EXPECT_TRUE(deep.bHasChildren) << "contents to come when it is opened";
    EXPECT_NE(std::string(deep.szRegKey).find("B1"), std::string::npos) << deep.szRegKey;
}

TEST_F(HostView, ContentsEntriesCarryTheirBooksHandleCodePageAndPage) {
    TreeView_Expand(Tree(), book_, TVE_EXPAND);
    const ShelfItemInfo deep = Info(book_);
    ASSERT_NE(deep.hFirstChild, nullptr);

    const ShelfItemInfo volume1 = Info(deep.hFirstChild);
    EXPECT_EQ(volume1.dwKind, DWORD{SHELF_ITEM_CHAPTER});
    EXPECT_STREQ(volume1.szName, "Volume 1");
    EXPECT_EQ(volume1.dwBookHandle, handle_);
    EXPECT_EQ(volume1.nPage, 0);
    EXPECT_EQ(volume1.uCodePage, 950u);
    EXPECT_EQ(volume1.hParent, book_);
    EXPECT_TRUE(volume1.bHasChildren);

    const ShelfItemInfo volume2 = Info(volume1.hNextSibling);
    EXPECT_EQ(volume2.dwKind, DWORD{SHELF_ITEM_PAGE});
    EXPECT_EQ(volume2.nPage, 40);
    EXPECT_FALSE(volume2.bHasChildren);
    EXPECT_EQ(volume2.hNextSibling, nullptr);
    EXPECT_NE(volume1.pItemId, volume2.pItemId);
}

TEST_F(HostView, NoItemAndAnItemThatLeftTheShelfAreRefusedWithAZeroedRecord) {
    ShelfItemInfo info{};
    info.dwKind = 77;
    EXPECT_EQ(Ctrl().GetItemInfo(nullptr, &info), 0);
    EXPECT_EQ(info.hItem, nullptr);
    EXPECT_EQ(info.dwKind, 0u);
    EXPECT_EQ(Ctrl().GetItemInfo(book_, nullptr), 0);

    TreeView_Expand(Tree(), book_, TVE_EXPAND);
    HTREEITEM entry = Info(book_).hFirstChild;
    ASSERT_NE(entry, nullptr);
    TreeView_DeleteItem(Tree(), entry);
    info.dwKind = 77;
    EXPECT_EQ(Ctrl().GetItemInfo(entry, &info), 0);
    EXPECT_EQ(info.dwKind, 0u);
}

TEST_F(HostView, AMarkupPageIsItsTextWithLineBreaksAsNewlines) {
    EXPECT_EQ(Ctrl().GetBookPageCount(book_), 3);
    int result = 0;
    EXPECT_EQ(PageText(0, &result), "first line\nsecond line");
    EXPECT_EQ(result, SHELF_PAGE_OK);
    EXPECT_EQ(PageText(2, &result), "two");
    EXPECT_EQ(result, SHELF_PAGE_OK);
}

TEST_F(HostView, AShortBufferGetsWhatFitsTerminatedAndTheFullSize) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    DWORD length = 6;
    ASSERT_EQ(Ctrl().GetPageText(book_, 0, buffer, &length), SHELF_PAGE_OK);
    EXPECT_STREQ(buffer, "first");
    EXPECT_EQ(buffer[6], '#') << "nothing written past the size given";
    EXPECT_EQ(length, sizeof "first line\nsecond line");

    length = 0;
    ASSERT_EQ(Ctrl().GetPageText(book_, 0, buffer, &length), SHELF_PAGE_OK);
    EXPECT_EQ(buffer[0], 'f') << "a size of 0 writes nothing";
}

TEST_F(HostView, AnHtmlPageIsTheTextBetweenItsTagsOneLinePerParagraph) {
    Books().SetCaps(deep_.c_str(), CBI_CAP_CONTENTS | CBI_CAP_SHARED_HTML, 0xFF);
    Books().SetPageText(deep_.c_str(), 1,
                        "<html><head><title>Not text</title></head><body><p>Fish &amp; rice</p>"
                        "<p>Boats   on\n the river</p></body></html>");
    int result = 0;
    EXPECT_EQ(PageText(1, &result), "Fish & rice\nBoats on the river");
    EXPECT_EQ(result, SHELF_PAGE_OK);
    // A shared driver stays loaded when its book closes: the book is a plain one again for the close.
    Books().SetCaps(deep_.c_str(), CBI_CAP_CONTENTS, 0xFF);
}

TEST_F(HostView, PagesThatCannotBeReadSayWhyAndLeaveTheSizeAlone) {
    DWORD length = 1234;
    EXPECT_EQ(Ctrl().GetPageText(book_, 3, nullptr, &length), SHELF_PAGE_NO_SUCH);
    EXPECT_EQ(Ctrl().GetPageText(book_, -1, nullptr, &length), SHELF_PAGE_NO_SUCH);
    EXPECT_EQ(Ctrl().GetPageText(Find("Poetry"), 0, nullptr, &length), SHELF_PAGE_NO_BOOK) << "a catalog";
    EXPECT_EQ(Ctrl().GetPageText(nullptr, 0, nullptr, &length), SHELF_PAGE_NO_BOOK);
    EXPECT_EQ(Ctrl().GetBookPageCount(Find("Poetry")), -1);
    Books().SetPage(deep_.c_str(), 1, "", 0);
    EXPECT_EQ(Ctrl().GetPageText(book_, 1, nullptr, &length), SHELF_PAGE_BAD_SIZE);
    EXPECT_EQ(length, 1234u);
    EXPECT_EQ(Ctrl().GetPageText(book_, 0, nullptr, nullptr), SHELF_PAGE_NO_BOOK) << "no size: no call";
}

// Two books of two drivers that number their books alike: each is read from its own driver.
class HostViewTwoDrivers : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"d.ebd=1", "o.ebd=2"});
        const std::string deep = ContentsBook("d.ebd", "B1", "Deep");
        Books().SetPageText(deep.c_str(), 0, "deep page");
        Books().SetCodePage(deep.c_str(), 950);
        std::string driver;
        testdrv::Driver& other = OtherDriver("otherdrv.dll", &driver);
        const std::string book = AddBookOf(other, "o.ebd", "O1", "Other");
        other.SetPageText(book.c_str(), 0, "other page");
        other.SetPageText(book.c_str(), 1, "other's second page");
        other.SetCodePage(book.c_str(), 936);
        regbooks::Register("O1", book, driver);
        ASSERT_TRUE(Start());
    }
};

TEST_F(HostViewTwoDrivers, BooksWithTheSameHandleAreEachReadFromTheirOwnDriver) {
    HTREEITEM deep = Find("Deep"), other = Find("Other");
    ASSERT_NE(deep, nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(Book(deep).dwBookHandle, Book(other).dwBookHandle) << "both drivers number from the same start";

    char text[64];
    DWORD length = sizeof text;
    ASSERT_EQ(Ctrl().GetPageText(other, 0, text, &length), SHELF_PAGE_OK);
    EXPECT_STREQ(text, "other page");
    length = sizeof text;
    ASSERT_EQ(Ctrl().GetPageText(deep, 0, text, &length), SHELF_PAGE_OK);
    EXPECT_STREQ(text, "deep page");
    EXPECT_EQ(Ctrl().GetBookPageCount(other), 2);
    EXPECT_EQ(Ctrl().GetBookPageCount(deep), 1);

    ShelfItemInfo info{};
    ASSERT_EQ(Ctrl().GetItemInfo(other, &info), 1);
    EXPECT_EQ(info.uCodePage, 936u);
    ASSERT_EQ(Ctrl().GetItemInfo(deep, &info), 1);
    EXPECT_EQ(info.uCodePage, 950u);
}

TEST_F(HostView, NoDragHasEndedBeforeTheUserDragsAnything) {
    EXPECT_EQ(Ctrl().IsDragging(), 0);
    LPCSTR reason = nullptr;
    EXPECT_EQ(Ctrl().GetLastDrop(&reason), SHELF_DROP_NONE);
    ASSERT_NE(reason, nullptr);
    EXPECT_STREQ(reason, "");
    Ctrl().CancelDrag(); // nothing runs: nothing happens
    EXPECT_EQ(Ctrl().GetLastDrop(nullptr), SHELF_DROP_NONE);
}

} // namespace

// Book contents items: a level is built from the driver when its item expands and deleted when it
// collapses; the contents-page rule, the kinds and buttons of entries, the suppress-expand flag, and
// whether a book has contents at all.
#include "test_contents_world.h"

using contents::ContentsWorld;

namespace {

constexpr const char* kContentsPage = CBI_CONTENTS_PAGE_NAME;

class ContentsLevels : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        path_ = ContentsBook("b.ebd", "B1", "Book");
    }
    // Starts the shelf; the book's item.
    HTREEITEM StartBook() {
        EXPECT_TRUE(Start());
        HTREEITEM book = Find("Book");
        EXPECT_NE(book, nullptr);
        return book;
    }
    std::string path_;
};

TEST_F(ContentsLevels, ExpandingBuildsTheLevelOnceAndCollapsingRemovesIt) {
    uint32_t one = Entry(path_, 0, "One", 1);
    Entry(path_, 0, "Two", 2);
    Entry(path_, 0, "Three", 3);
    HTREEITEM book = StartBook();
    ASSERT_TRUE(HasChildrenFlag(book));
    EXPECT_TRUE(Children(book).empty()) << "nothing is built before the book expands";

    UserExpand(book);
    UserExpand(book); // the tree notifies the user's expand of an open item too
    EXPECT_EQ(ChildTexts(book), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_TRUE(Expanded(book));
    EXPECT_EQ(Image(book), GroupImageNow(1, true));
    HTREEITEM first = Children(book).front();
    EXPECT_EQ(Node(first)->nKind, NODE_PAGE);
    const ContentsRecord& record = Contents(first);
    EXPECT_EQ(record.dwBookHandle, Books().LastHandle(path_.c_str()));
    EXPECT_EQ(record.hDriver, Ctrl().GetBookDrvHandle(record.dwBookHandle));
    EXPECT_EQ(record.hTreeItem, first);
    EXPECT_EQ(record.hVpItem, one);
    EXPECT_EQ(Image(first), GroupImageNow(16, false));

    UserCollapse(book);
    EXPECT_TRUE(Children(book).empty());
    EXPECT_TRUE(HasChildrenFlag(book)) << "the expand button stays";
    EXPECT_EQ(Image(book), GroupImageNow(1, false));
    EXPECT_EQ(Books().CloseCount(), 0) << "freeing contents items leaves the book open";

    Entry(path_, 0, "Four"); // the driver's contents changed meanwhile
    UserExpand(book);
    EXPECT_EQ(ChildTexts(book), (std::vector<std::string>{"One", "Two", "Three", "Four"}));
    EXPECT_EQ(ChildCalls(RootEntry(path_)), 2);
    // The tree notifies a programmatic expand only until the item was once expanded; the collapse
    // that removed the level makes it notify again.
    UserCollapse(book);
    EXPECT_TRUE(TreeView_Expand(Tree(), book, TVE_EXPAND));
    EXPECT_EQ(Children(book).size(), 4u);
}

TEST_F(ContentsLevels, ChaptersHaveButtonsAndPagesHaveNone) {
    uint32_t chapter = Entry(path_, 0, "Chapter");
    Entry(path_, chapter, "Section", 4);
    Entry(path_, 0, "Leaf", 5);
    uint32_t claimed = Entry(path_, 0, "Claims children"); // says so, has none
    Books().SetItemHasChildren(path_.c_str(), claimed, 1);
    Entry(path_, 0, std::string(300, 'x').c_str());
    HTREEITEM book = StartBook();
    UserExpand(book);
    std::vector<HTREEITEM> items = Children(book);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(Node(items[0])->nKind, NODE_CHAPTER);
    EXPECT_TRUE(HasChildrenFlag(items[0]));
    EXPECT_EQ(Image(items[0]), GroupImageNow(2, false));
    EXPECT_EQ(Node(items[1])->nKind, NODE_PAGE);
    EXPECT_FALSE(HasChildrenFlag(items[1]));
    EXPECT_EQ(Node(items[2])->nKind, NODE_CHAPTER) << "the kind is what the driver says";

    UserExpand(items[0]);
    EXPECT_EQ(ChildTexts(items[0]), std::vector<std::string>{"Section"});
    EXPECT_EQ(Image(items[0]), GroupImageNow(2, true));
    UserExpand(items[2]);
    EXPECT_TRUE(Children(items[2]).empty());
    EXPECT_EQ(Image(items[2]), GroupImageNow(2, true)) << "an empty expansion still shows it open";

    EXPECT_EQ(Text(items[3]), std::string(227, 'x')) << "long entry texts are cut";

    // Collapsing the book frees the chapter's level with it.
    UserCollapse(book);
    EXPECT_EQ(TreeView_GetCount(Tree()), 2u) << "root and book";
}

// ---- the contents-page name ----

class ContentsPage : public ContentsLevels {};

TEST_F(ContentsPage, FirstEntryOfALevelBearingTheNameIsHiddenWhenTheBookAsks) {
    Entry(path_, 0, kContentsPage); // path_ has caps 0x80 only: shown
    std::string hiding = ContentsBook("h.ebd", "H1", "Hiding", CBI_CAP_CONTENTS | CBI_CAP_HIDE_CONTENTS_PAGE);
    Entry(hiding, 0, kContentsPage);
    uint32_t chapter = Entry(hiding, 0, "Chapter");
    Entry(hiding, chapter, kContentsPage);
    Entry(hiding, 0, kContentsPage);               // not first at its level
    Entry(hiding, 0, "\xA5\xD8\xBF\xFD\xAD");      // the name less its last byte
    Entry(hiding, 0, "\xA5\xD8\xBF\xFD\xAD\xB6 "); // ... and with a blank after it
    HTREEITEM book = StartBook();
    UserExpand(book);
    EXPECT_EQ(ChildTexts(book), std::vector<std::string>{kContentsPage});
    HTREEITEM other = Find("Hiding");
    UserExpand(other);
    EXPECT_EQ(ChildTexts(other), (std::vector<std::string>{"Chapter", kContentsPage, "\xA5\xD8\xBF\xFD\xAD",
                                                           "\xA5\xD8\xBF\xFD\xAD\xB6 "}));
    HTREEITEM item = Children(other).front();
    UserExpand(item);
    EXPECT_TRUE(Children(item).empty()) << "the rule holds on every level";
}

// ---- items that are not books ----

TEST_F(ContentsLevels, CollapsingACatalogKeepsItsChildren) {
    HTREEITEM book = StartBook();
    HTREEITEM catalog = AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "");
    AddUserCatalog(catalog, "Inner", CATA_USER, "");
    UserExpand(catalog);
    ASSERT_TRUE(Expanded(catalog));
    UserCollapse(catalog);
    EXPECT_FALSE(Expanded(catalog));
    EXPECT_EQ(ChildTexts(catalog), std::vector<std::string>{"Inner"});
    UserCollapse(Ctrl().Root());
    EXPECT_EQ(Find("Book"), book) << "the root keeps its books";
}

TEST_F(ContentsLevels, SuppressExpandOpensTheImageButBuildsNothing) {
    Entry(path_, 0, "One");
    HTREEITEM book = StartBook();
    Ctrl().SuppressExpand() = 1;
    Books().ClearLog();
    UserExpand(book);
    EXPECT_TRUE(Children(book).empty());
    EXPECT_EQ(Image(book), GroupImageNow(1, true));
    EXPECT_EQ(Books().CallCount("CBIVPGetChildItem"), 0);
    Ctrl().SuppressExpand() = 0;
    UserExpand(book);
    EXPECT_EQ(ChildTexts(book), std::vector<std::string>{"One"});
}

TEST_F(ContentsLevels, DictionariesAreNeverGivenContents) {
    std::string dict = AddBook("d.ebd", "D1", "Dict", 0x10, CBI_CAP_CONTENTS);
    Books().SetDictAttr(dict.c_str(), 1, 1);
    regbooks::Register("D1", dict, books_);
    Books().AddItem(dict.c_str(), Books().AddItem(dict.c_str(), 0, "(root)", -1), "Entry", 1);
    DictLibrary();
    ASSERT_TRUE(Start());
    HTREEITEM item = Find("Dict");
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(Node(item)->nKind, NODE_DICT);
    UserExpand(item);
    EXPECT_TRUE(Children(item).empty());
    DestroyControl();
}

// ---- drivers without contents ----

class ContentsDrivers : public ContentsWorld {
  protected:
    // A book served by the test driver variant `variant`, copied in as its own driver; its item.
    HTREEITEM BookOf(const char* variant) {
        std::string driver;
        other_ = &OtherDriver("other.dll", &driver, variant);
        std::string path = AddBookOf(*other_, "o.ebd", "O1", "Other", 0xFF, CBI_CAP_CONTENTS);
        other_->AddItem(path.c_str(), other_->AddItem(path.c_str(), 0, "(root)", -1), "Entry", 1);
        regbooks::Register("O1", path, driver);
        EXPECT_TRUE(Start());
        return Find("Other");
    }
    testdrv::Driver* other_ = nullptr;
};

TEST_F(ContentsDrivers, WithoutContentsEntryPointsTheBookExpandsEmpty) {
    HTREEITEM book = BookOf(TAVRIN_TESTDRV_NOCONTENTS_PATH);
    ASSERT_NE(book, nullptr);
    UserExpand(book);
    EXPECT_TRUE(Children(book).empty());
    EXPECT_EQ(Image(book), GroupImageNow(1, true));
    EXPECT_EQ(other_->MisuseCount(), 0);
}

TEST_F(ContentsDrivers, WithoutCapsNothingIsBuiltAndNoChapterIsReported) {
    // Such a book never reaches the shelf (its class cannot be read), so it is opened here directly.
    ASSERT_EQ(BookOf(TAVRIN_TESTDRV_NOCAPS_PATH), nullptr);
    std::string path = (dir_ / "o.ebd").string();
    HMODULE module = LoadLibraryA((dir_ / "other.dll").string().c_str());
    ASSERT_NE(module, 0u);
    CBI_HBOOK handle = 0;
    ASSERT_EQ(other_->Entry<PFN_CBIOpenBook>("CBIOpenBook")(path.c_str(), 0, &handle), 0);
    UINT before = TreeView_GetCount(Tree());
    other_->ClearLog();
    Ctrl().ExpandItem(handle, module, 1, Ctrl().Root());
    EXPECT_EQ(TreeView_GetCount(Tree()), before);
    EXPECT_EQ(other_->Log(), "") << "a driver that cannot serve a level is not asked for one";
    EXPECT_EQ(Ctrl().IsHaveChapter(module, handle), 0);
    other_->Entry<PFN_CBICloseBook>("CBICloseBook")(handle);
    FreeLibrary(module);
}

// ---- IsHaveChapter ----

TEST_F(ContentsLevels, HasChaptersFollowsTheCapsBit) {
    std::string plain = AddBook("p.ebd", "P1", "Plain", 0xFF, CBI_CAP_HIDE_CONTENTS_PAGE);
    regbooks::Register("P1", plain, books_);
    HTREEITEM book = StartBook();
    HTREEITEM other = Find("Plain");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Ctrl().IsHaveChapter(Book(book).hDriver, Book(book).dwBookHandle), 1);
    EXPECT_EQ(Ctrl().IsHaveChapter(Book(other).hDriver, Book(other).dwBookHandle), 0);
    EXPECT_FALSE(HasChildrenFlag(other));
    Books().SetCapsFails(path_.c_str(), 1);
    EXPECT_EQ(Ctrl().IsHaveChapter(Book(book).hDriver, Book(book).dwBookHandle), 0) << "caps unreadable";
    EXPECT_EQ(Ctrl().IsHaveChapter(0, Book(book).dwBookHandle), 0) << "no driver";
}

} // namespace

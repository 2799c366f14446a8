// Finding catalogs: the walk every search shares (each child before its subtree, the start item never
// tested), by key and by stamp, by a book file of a "BOOKS" section, by the first level of a class
// id; and the class id numbering of new catalogs.
#include "test_catalog_world.h"

#include "shelf/cbi_table.h"

using namespace catalog_world;

namespace {

// ---- the search walk ----

// Root -> X (key "x") -> Y (key "m"); Z (key "m") after X; W (key "w") under Z.
class SearchOrder : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        uint32_t x = Sys().Add(Sys().Root(), "X", {"[CONFIG]", "ID=x"});
        Sys().Add(x, "Y", {"[CONFIG]", "ID=m"});
        uint32_t z = Sys().Add(Sys().Root(), "Z", {"[CONFIG]", "ID=m"});
        Sys().Add(z, "W", {"[CONFIG]", "ID=w"});
        ASSERT_TRUE(Start());
    }
};

TEST_F(SearchOrder, EachChildIsTestedBeforeItsSubtreeAndTheStartNever) {
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "m"), Find("Y")) << "inside an earlier subtree first";
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "x"), Find("X"));
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "w"), Find("W"));
    HTREEITEM x = Find("X");
    EXPECT_EQ(Ctrl().GetCatalogId(x, "x"), nullptr);
    EXPECT_EQ(Ctrl().GetCatalogId(x, "m"), Find("Y"));
    EXPECT_EQ(Ctrl().GetCatalogId(x, "w"), nullptr) << "a search stays below its start item";
    EXPECT_EQ(Ctrl().GetCatalogId(nullptr, "x"), nullptr);
    EXPECT_EQ(Ctrl().FindCatalog(nullptr, 0), nullptr);
    // Items of other kinds are walked through.
    auto* book = new TreeNode;
    book->nKind = NODE_BOOK;
    HTREEITEM bookItem = Ctrl().AddOneItem(Find("W"), "A book", TVI_LAST, &g_imageIndex[4], book, 0);
    HTREEITEM inBook = AddUserCatalog(bookItem, "Under a book", CATA_USER, "deep");
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "deep"), inBook);
}

// ---- keys and stamps ----

class KeysAndStamps : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        Sys().Add(Sys().Root(), "Lower", {"[CONFIG]", "ID=abc"});
        ASSERT_TRUE(Start());
        mine_ = AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "", 1700000000);
        theirs_ = AddUserCatalog(Ctrl().Root(), "Theirs", CATA_ONLINE, "Online", 1700000001);
    }
    HTREEITEM mine_ = nullptr;
    HTREEITEM theirs_ = nullptr;
};

TEST_F(KeysAndStamps, KeysMatchExactlyAndStampsFindTheCatalogMadeThen) {
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "abc"), Find("Lower"));
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "ABC"), nullptr);
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "ab"), nullptr) << "no prefix match for keys";
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), "Online"), theirs_);
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), std::string(300, 'a').c_str()), nullptr);
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), DWORD{1700000000}), mine_);
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), DWORD{1700000001}), theirs_);
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), DWORD{1700000002}), nullptr);
    // System catalogs carry the stamp 0: the first of them answers it.
    EXPECT_EQ(Ctrl().GetCatalogId(Ctrl().Root(), DWORD{0}), Find("Lower"));
}

// ---- book files of "BOOKS" sections ----

class BookSections : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        a_ = Sys().Add(Sys().Root(), "A", {"[CONFIG]", "ID=1", "[BOOKS]", "abc.ebd=1"});
        Sys().Add(Sys().Root(), "B",
                  {"[CONFIG]", "ID=2", "[BOOKS]", "abc.ebd=0", "xyz.ebd=2", "first.ebd=1"});
        Sys().Add(Sys().Root(), "ConfigOnly", {"[CONFIG]", "only.ebd=1"});
        Sys().Add(Sys().Root(), "Unreadable");
        Sys().Add(Sys().Root(), "C", {"[BOOKS]", "only.ebd=7"});
        ASSERT_TRUE(Start());
    }
    uint32_t a_ = 0;
};

TEST_F(BookSections, BookFileMatchesByPrefixIgnoringCaseAndValueOneInsertsFirst) {
    HTREEITEM after = nullptr;
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "abc.ebd", &after), Find("A"));
    EXPECT_EQ(after, TVI_FIRST);
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "xyz.ebd", &after), Find("B"));
    EXPECT_EQ(after, TVI_LAST) << "any other value inserts last";
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "first.ebd", &after), Find("B"));
    EXPECT_EQ(after, TVI_FIRST);
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "XYZ", &after), Find("B"));
    // "only.ebd" stands in the CONFIG section of one catalog (not found there) and in the BOOKS
    // section of C.
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "only.ebd", &after), Find("C"));
    after = TVI_SORT;
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "none.ebd", &after), nullptr);
    EXPECT_EQ(after, TVI_SORT) << "an unlisted book leaves the insert point";
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "", &after), nullptr) << "an empty name is no book";
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "abc.ebd", nullptr), Find("A"));
}

TEST_F(BookSections, OnlySystemCatalogsAreAsked) {
    // User and online catalogs whose records point at A's entry come first and are passed over.
    HTREEITEM online = AddUserCatalog(Ctrl().Root(), "Online", CATA_ONLINE, "", 0, 0, TVI_FIRST);
    Record(online).hVpItem = a_;
    HTREEITEM user = AddUserCatalog(Ctrl().Root(), "User", CATA_USER, "", 0, 0, TVI_FIRST);
    Record(user).hVpItem = a_;
    HTREEITEM after = nullptr;
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "abc.ebd", &after), Find("A"));
    Record(user).dwCataType = CATA_SYSTEM;
    EXPECT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "abc.ebd", &after), user)
        << "the same record as a system one";
}

TEST_F(BookSections, SearchCostsOnePageReadPerSystemCatalogUpToTheMatch) {
    Drv().ClearLog();
    HTREEITEM after = nullptr;
    ASSERT_EQ(Ctrl().GetClassItem(Ctrl().Root(), "xyz.ebd", &after), Find("B"));
    EXPECT_EQ(Drv().CallCount("CBIGetPage"), 2) << "A, then B";
    Drv().ClearLog();
    Ctrl().GetClassItem(Ctrl().Root(), "none.ebd", &after);
    EXPECT_EQ(Drv().CallCount("CBIGetPage"), 4) << "every catalog with a page";
}

// ---- class ids ----

class ClassIds : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        ASSERT_TRUE(Start());
    }
    // A user catalog with `classId` and `children` plain children, at the top level.
    HTREEITEM WithChildren(DWORD classId, int children) {
        HTREEITEM item = AddUserCatalog(nullptr, "parent", CATA_USER, "", 0, classId);
        for (int i = 0; i < children; ++i) {
            auto* page = new TreeNode;
            page->nKind = NODE_PAGE;
            page->pRecord = new ContentsRecord;
            Ctrl().AddOneItem(item, "child", TVI_LAST, &g_imageIndex[0], page, 0);
        }
        return item;
    }
};

TEST_F(ClassIds, NewChildTakesTheNextNumberAtTheFirstFreeLevelUpTo240) {
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0x03000000, 2)), 0x03030000u);
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0x03020000, 0)), 0x03020100u);
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0x03020100, 0)), 0x03020101u);
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0x03020105, 1)), 0x03020102u) << "a fourth-level parent";
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0, 239)), 0xF0000000u);
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0, 240)), 0xFFFFFFFFu);
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0x07000000, 240)), 0xFFFFFFFFu);
    // 256 children must not read as 0 children and give out the id 0x01000000 again.
    EXPECT_EQ(Ctrl().GetClassID(WithChildren(0, 256)), 0xFFFFFFFFu);
    // The root counts every kind of child.
    size_t before = Children(Ctrl().Root()).size();
    auto* book = new TreeNode;
    book->nKind = NODE_BOOK;
    Ctrl().AddOneItem(Ctrl().Root(), "book", TVI_LAST, &g_imageIndex[4], book, 0);
    AddUserCatalog(Ctrl().Root(), "cat", CATA_USER, "");
    EXPECT_EQ(Ctrl().GetClassID(Ctrl().Root()), static_cast<DWORD>(before + 3) << 24);
}

TEST_F(ClassIds, FirstLevelClassesAndFindCatalogByTheFirstLevel) {
    EXPECT_EQ(Ctrl().IsFstLevelClass(WithChildren(0x030000FF, 0)), 1);
    EXPECT_EQ(Ctrl().IsFstLevelClass(WithChildren(0x03010000, 0)), 0);
    EXPECT_EQ(Ctrl().IsFstLevelClass(WithChildren(0, 0)), 1);
    HTREEITEM top = AddUserCatalog(nullptr, "top", CATA_USER, "", 0, 0x02000000);
    HTREEITEM first = AddUserCatalog(top, "first", CATA_USER, "", 0, 0x04000000);
    HTREEITEM nested = AddUserCatalog(first, "nested", CATA_USER, "", 0, 0x03010000);
    AddUserCatalog(top, "later", CATA_USER, "", 0, 0x03000000);
    auto* book = new TreeNode;
    book->nKind = NODE_BOOK;
    book->dwClassId = 0x09000000;
    HTREEITEM bookItem = Ctrl().AddOneItem(top, "book", TVI_LAST, &g_imageIndex[4], book, 0);
    EXPECT_EQ(Ctrl().FindCatalog(top, 3), nested) << "in pre-order the nested one comes first";
    EXPECT_EQ(Ctrl().FindCatalog(top, 9), bookItem) << "any kind matches";
    EXPECT_EQ(Ctrl().FindCatalog(top, 2), nullptr) << "the start item is not tested";
    EXPECT_EQ(Ctrl().FindCatalog(top, 0x103), nullptr);
}

} // namespace

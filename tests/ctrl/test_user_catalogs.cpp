// The user catalog stream written and read by the control: whole shelves saved, destroyed and
// rebuilt, and the stream's bytes for a small shelf against the layout.
#include "test_user_catalogs_world.h"

using namespace user_world;
using tavrin::UserCatalogItem;

namespace {

class UserCatalogs : public UserWorld {
  protected:
    // "Books" (key 2) holds A, B and C; "Others" (key 3) holds the catalog "Inner" (key 31) and the
    // book D. Every book has the contents entries "One" and "Two".
    void StartShelf(bool withInner = true) {
        AddCatalog(Sys().Root(), "Books", "2", {"a.ebd=0", "b.ebd=0", "c.ebd=0"});
        uint32_t others = AddCatalog(Sys().Root(), "Others", "3", {"d.ebd=0"});
        if (withInner) AddCatalog(others, "Inner", "31");
        if (!booksMade_) {
            for (const char* name : {"A", "B", "C", "D"}) {
                std::string file = std::string(1, static_cast<char>(name[0] + 32)) + ".ebd";
                std::string path = ContentsBook(file.c_str(), name, name);
                Entry(path, 0, "One", 1);
                Entry(path, 0, "Two", 2);
            }
            booksMade_ = true;
        }
        ASSERT_TRUE(StartUser());
        ASSERT_NE(Find("A"), nullptr);
    }
    // The shelf above, started again with one more registered book "E" (e.ebd) named `name`.
    void StartShelfWithE(std::string* path, const char* name = "E", unsigned caps = 0) {
        StartShelf();
        *path = AddBook("e.ebd", "E", name, 0xFF, caps);
        regbooks::Register("E", *path, books_);
        DestroyControl();
        ASSERT_TRUE(StartUser());
    }
    bool booksMade_ = false;
};

TEST_F(UserCatalogs, AShelfWithoutUserCatalogsIsTheHeaderAloneAndCutsAnOlderLongerStream) {
    StartShelf();
    SetStreamBytes(std::string(5000, 'x'));
    ASSERT_TRUE(Save());
    EXPECT_EQ(StreamBytes(), Header());
    EXPECT_TRUE(Restart());
}

TEST_F(UserCatalogs, EveryCatalogBookAndPlaceComesBackAsItWas) {
    StartShelf();
    HTREEITEM root = Shelf().Root();
    HTREEITEM top = UserCatalog(root, "Top", 1000, CATA_USER, 0x05000000);
    HTREEITEM mid = UserCatalog(top, "Mid", 1001, CATA_USER, 0x05010000);
    HTREEITEM deep = UserCatalog(mid, "Deep", 1002);
    UserCatalog(deep, "Empty", 1003);
    HTREEITEM inBooks = UserCatalog(Find("Books"), "InBooks", 1004);
    HTREEITEM inInner = UserCatalog(Find("Inner"), "InInner", 1005);
    MoveInto(Find("A"), deep);
    MoveInto(Find("B"), top);
    MoveInto(Find("D"), inInner);
    (void)inBooks;
    // A renamed catalog deep inside a block: only its label changes, not its key.
    ASSERT_TRUE(TreeView_SetItem(Tree(), [&] {
        static TVITEMA tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = mid;
        tv.pszText = const_cast<char*>("Middle");
        return &tv;
    }()));
    // An expanded book: its contents are not written and not rebuilt.
    UserExpand(Find("A"));
    ASSERT_EQ(ChildTexts(Find("A")), (std::vector<std::string>{"One", "Two"}));

    ASSERT_TRUE(Save());
    std::string before = Dump();
    ASSERT_TRUE(Restart());
    // The renamed catalog comes back with its new name as key, name and label.
    std::string expected = before;
    size_t at = expected.find("key=Mid");
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, 7, "key=Middle");
    at = expected.find("name=Mid ");
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, 9, "name=Middle ");
    EXPECT_EQ(Dump(), expected);
    // Each book once, where the user put it, with its contents button.
    EXPECT_EQ(BookItems().size(), 4u);
    EXPECT_TRUE(HasChildrenFlag(Find("A")));
    EXPECT_EQ(Books().OpenBooks(), 4);
    // A second load finds everything in place: nothing is made or opened twice.
    const std::string loaded = Dump();
    ASSERT_TRUE(Load());
    EXPECT_EQ(Dump(), loaded);
    EXPECT_EQ(Books().OpenBooks(), 4);
    // And the rebuilt shelf saves to the same stream.
    std::string first = StreamBytes();
    ASSERT_TRUE(Save());
    EXPECT_EQ(StreamBytes(), first);
}

TEST_F(UserCatalogs, TheBytesOfASmallShelfFollowTheLayout) {
    StartShelf();
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 77, CATA_USER, 0x02000000);
    HTREEITEM v = UserCatalog(u, "V", 78);
    MoveInto(Find("A"), v);
    MoveInto(Find("B"), u);
    UserExpand(Find("A"));
    ASSERT_TRUE(Save());
    std::string s = StreamBytes();
    // Header, one block (V is inside U's block): N = 1, the root's record, entries U, V, A, B.
    ASSERT_EQ(s.size(), 256u + 8 + 312 + 4 * 1064);
    EXPECT_EQ(s.substr(0, 256), Header());
    tavrin::UserBlockHeader h{};
    std::memcpy(&h, s.data() + 256, 8);
    EXPECT_EQ(h.dwLength, 8u + 312 + 4 * 1064);
    EXPECT_EQ(h.dwAncestors, 1u);
    CatalogRecord root{};
    std::memcpy(&root, s.data() + 264, 312);
    EXPECT_EQ(root.dwCataType, CATA_SYSTEM);
    EXPECT_EQ(root.tStamp, 0u);
    EXPECT_STREQ(root.szCataName, Record(Shelf().Root()).szCataName);
    EXPECT_EQ(root.hDriver, 0u);
    UserCatalogItem e[4];
    std::memcpy(e, s.data() + 264 + 312, sizeof e);
    // U: first record, children, no next, parent 0, label its text, its stamp.
    EXPECT_EQ(e[0].bHasChildren, 1u);
    EXPECT_EQ(e[0].bHasNext, 0u);
    EXPECT_EQ(e[0].dwType, CATA_USER);
    EXPECT_EQ(e[0].dwFlags, NF_CANNEWCATA);
    EXPECT_EQ(e[0].dwClassId, 0x02000000u);
    EXPECT_EQ(e[0].dwParentPos, 0u);
    EXPECT_STREQ(e[0].szLabel, "U");
    EXPECT_EQ(e[0].tStamp, 77u);
    // V: under U (parent position 1064), has A, next sibling B.
    EXPECT_EQ(e[1].bHasChildren, 1u);
    EXPECT_EQ(e[1].bHasNext, 1u);
    EXPECT_EQ(e[1].dwParentPos, 1064u);
    EXPECT_STREQ(e[1].szLabel, "V");
    EXPECT_EQ(e[1].tStamp, 78u);
    // A: expanded, but written without children; its parent V's record is at 1064.
    EXPECT_EQ(e[2].bHasChildren, 0u);
    EXPECT_EQ(e[2].bHasNext, 0u);
    EXPECT_EQ(e[2].dwType, NODE_BOOK);
    EXPECT_EQ(e[2].dwParentPos, 1064u);
    EXPECT_STREQ(e[2].szLabel, "A");
    EXPECT_EQ(std::string(e[2].szFilePath), Book(Find("A")).szFilePath);
    EXPECT_EQ(std::string(e[2].szDriverPath), Book(Find("A")).szDriverPath);
    EXPECT_EQ(e[2].tStamp, 0u);
    EXPECT_EQ(e[3].dwParentPos, 1064u);
    EXPECT_STREQ(e[3].szLabel, "B");
    // Unused bytes are zero: after each text's terminator, and the whole of a catalog's path fields.
    for (const UserCatalogItem& item : e) {
        for (size_t i = std::strlen(item.szLabel); i < sizeof item.szLabel; ++i)
            ASSERT_EQ(item.szLabel[i], 0);
        for (size_t i = std::strlen(item.szFilePath); i < sizeof item.szFilePath; ++i)
            ASSERT_EQ(item.szFilePath[i], 0);
    }
    EXPECT_EQ(e[0].szDriverPath[0], 0);
}

TEST_F(UserCatalogs, TwoDepthsOfCatalogsGiveTheParentPositionsOfTheirRecords) {
    StartShelf();
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 1);
    HTREEITEM v = UserCatalog(u, "V", 2);
    UserCatalog(v, "W", 3);
    HTREEITEM x = UserCatalog(v, "X", 4);
    UserCatalog(x, "Y", 5);
    std::vector<unsigned char> entries;
    Shelf().SaveCatalogs2(u, entries);
    ASSERT_EQ(entries.size(), 5 * 1064u);
    auto at = [&](size_t i) {
        UserCatalogItem item{};
        std::memcpy(&item, entries.data() + i * 1064, 1064);
        return item;
    };
    EXPECT_EQ(at(1).dwParentPos, 1064u);     // V under U
    EXPECT_EQ(at(2).dwParentPos, 1064u);     // W under V, whose record is at 1064
    EXPECT_EQ(at(3).dwParentPos, 1064u);     // X under V
    EXPECT_EQ(at(4).dwParentPos, 3 * 1064u); // Y under X
    EXPECT_EQ(at(2).bHasNext, 1u);
    EXPECT_EQ(at(3).bHasNext, 0u);
}

TEST_F(UserCatalogs, ABookAlreadyOnTheShelfIsMovedIntoItsCatalogNotShownTwice) {
    StartShelf();
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 10);
    MoveInto(Find("C"), u);
    ASSERT_TRUE(Save());
    ASSERT_TRUE(Restart());
    EXPECT_EQ(ChildTexts(Find("U")), (std::vector<std::string>{"C"}));
    EXPECT_EQ(ChildTexts(Find("Books")), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(BookItems().size(), 4u);
    EXPECT_EQ(Books().OpenBooks(), 4); // no second open of C left behind
}

TEST_F(UserCatalogs, ABookNotRegisteredIsOpenedFromItsPathsWithItsDriversNameNow) {
    std::string path;
    StartShelfWithE(&path, "Old name", CBI_CAP_CONTENTS);
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 10);
    MoveInto(Find("Old name"), u);
    ASSERT_TRUE(Save());
    // E is no longer registered and has another name now.
    DeleteKeyTree(regbooks::kRoot + "\\E");
    Books().SetName(path.c_str(), TD_ANY_LOCALE, "New name");
    ASSERT_TRUE(Restart());
    EXPECT_EQ(ChildTexts(Find("U")), (std::vector<std::string>{"New name"}));
    HTREEITEM e = Find("New name");
    EXPECT_EQ(Node(e)->nKind, NODE_BOOK);
    EXPECT_STREQ(Node(e)->szKey, "E");
    EXPECT_EQ(std::string(Book(e).szFilePath), path);
    EXPECT_TRUE(HasChildrenFlag(e));
    EXPECT_EQ(Image(e), GroupImageNow(1, false));
}

TEST_F(UserCatalogs, ABookGoneBetweenRunsIsLeftOutKeptAndBackWithItsFile) {
    std::string path;
    StartShelfWithE(&path);
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 10);
    MoveInto(Find("E"), u);
    UserCatalog(u, "After", 11);
    ASSERT_TRUE(Save());
    DeleteKeyTree(regbooks::kRoot + "\\E");
    Books().SetOpenResult(path.c_str(), 5);
    ASSERT_TRUE(Restart());
    EXPECT_EQ(ChildTexts(Find("U")), (std::vector<std::string>{"After"}));

    // Saved in a run without the book, the user's placing is kept: with its file back, the book
    // returns into its catalog (after the catalog's other items), and not twice after another save.
    ASSERT_TRUE(Save());
    ASSERT_TRUE(Restart());
    Books().SetOpenResult(path.c_str(), 0);
    ASSERT_TRUE(Save());
    ASSERT_TRUE(Restart());
    EXPECT_EQ(ChildTexts(Find("U")), (std::vector<std::string>{"After", "E"}));
    ASSERT_TRUE(Save());
    ASSERT_TRUE(Restart());
    EXPECT_EQ(ChildTexts(Find("U")), (std::vector<std::string>{"After", "E"}));
}

// A catalog whose only book cannot be opened keeps it too, nested inside another user catalog.
TEST_F(UserCatalogs, ACatalogHoldingOnlyAnAbsentBookKeepsIt) {
    std::string path;
    StartShelfWithE(&path);
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 10);
    HTREEITEM inner = UserCatalog(u, "Inner U", 11);
    MoveInto(Find("E"), inner);
    ASSERT_TRUE(Save());
    DeleteKeyTree(regbooks::kRoot + "\\E");
    Books().SetOpenResult(path.c_str(), 5);
    ASSERT_TRUE(Restart());
    EXPECT_TRUE(ChildTexts(Find("Inner U")).empty());
    ASSERT_TRUE(Save());
    Books().SetOpenResult(path.c_str(), 0);
    ASSERT_TRUE(Restart());
    EXPECT_EQ(ChildTexts(Find("Inner U")), (std::vector<std::string>{"E"}));
}

TEST_F(UserCatalogs, CatalogsComeBackWhereTheyWereWhenTheSystemCatalogGainedAndLostCatalogs) {
    StartShelf();
    UserCatalog(Find("Books"), "InBooks", 20);
    HTREEITEM inInner = UserCatalog(Find("Inner"), "InInner", 21);
    UserCatalog(Find("Inner"), "Second", 22);
    MoveInto(Find("D"), inInner);
    ASSERT_TRUE(Save());
    DestroyControl();
    // The next catalog file has a new catalog first and no "Inner".
    Drv().Reset();
    sys_ = std::make_unique<catalog_world::SysCatalog>(*drv_, SysPath());
    AddCatalog(Sys().Root(), "Fresh", "9");
    StartShelf(false);
    ASSERT_EQ(Find("Inner"), nullptr);
    ASSERT_TRUE(Load());
    EXPECT_EQ(ChildTexts(Find("Books")), (std::vector<std::string>{"A", "B", "C", "InBooks"}));
    // "Inner" made again inside "Others", once for both blocks, holding both catalogs.
    HTREEITEM inner = Find("Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(TreeView_GetParent(Tree(), inner), Find("Others"));
    EXPECT_STREQ(Record(inner).szCataKey, "31");
    EXPECT_EQ(ChildTexts(inner), (std::vector<std::string>{"InInner", "Second"}));
    EXPECT_EQ(ChildTexts(Find("InInner")), (std::vector<std::string>{"D"}));
    EXPECT_EQ(ChildTexts(Shelf().Root()), (std::vector<std::string>{"Fresh", "Books", "Others"}));
}

TEST_F(UserCatalogs, AnOnlineCatalogThatStartUpMadeIsNotMadeTwiceAndKeepsTheCatalogsInside) {
    StartShelf();
    HTREEITEM online = AddUserCatalog(Shelf().Root(), "E-books", CATA_ONLINE, "EB1", 0);
    UserCatalog(online, "Mine", 30, CATA_ONLINE);
    MoveInto(Find("B"), online);
    ASSERT_TRUE(Save());
    DestroyControl();
    ASSERT_TRUE(StartUser());
    AddUserCatalog(Shelf().Root(), "E-books", CATA_ONLINE, "EB1", 0); // as start-up makes it again
    ASSERT_TRUE(Load());
    EXPECT_EQ(ChildTexts(Shelf().Root()), (std::vector<std::string>{"Books", "Others", "E-books"}));
    EXPECT_EQ(ChildTexts(Find("E-books")), (std::vector<std::string>{"Mine", "B"}));
}

TEST_F(UserCatalogs, ADictionaryRecordIsNotRebuilt) {
    StartShelf();
    std::string stream =
        Header() + Block({RootRecord()}, {Item(CATA_USER, "U", 1, 0, 5), Item(NODE_DICT, "", 0, 1),
                                          Item(CATA_USER, "V", 0, 0, 6)});
    SetStreamBytes(stream);
    EXPECT_TRUE(Load());
    EXPECT_EQ(ChildTexts(Find("U")), (std::vector<std::string>{"V"}));
}

TEST_F(UserCatalogs, ADictionaryIsWrittenAsAKindRecordWithoutLabelOrPathsOrContents) {
    StartShelf();
    HTREEITEM u = UserCatalog(Shelf().Root(), "U", 1);
    auto* node = new TreeNode;
    node->nKind = NODE_DICT;
    node->dwFlags = 0x07;
    ASSERT_TRUE(tavrin::CopyFits(node->szKey, "DICT-1"));
    auto* book = new BookRecord;
    ASSERT_TRUE(tavrin::CopyFits(book->szFilePath, "/books/dict.ebd"));
    node->pRecord = book;
    HTREEITEM dict = Shelf().AddOneItem(u, "A dictionary", TVI_LAST, &g_imageIndex[0], node, 1);
    ASSERT_NE(dict, nullptr);
    std::vector<unsigned char> entries;
    Shelf().SaveCatalogs2(u, entries);
    ASSERT_EQ(entries.size(), 2 * 1064u);
    UserCatalogItem d{};
    std::memcpy(&d, entries.data() + 1064, 1064);
    EXPECT_EQ(d.dwType, NODE_DICT);
    EXPECT_EQ(d.dwFlags, 0x07u);
    EXPECT_EQ(d.bHasChildren, 0u);
    EXPECT_EQ(d.szLabel[0], 0);
    EXPECT_EQ(d.szFilePath[0], 0);
    EXPECT_EQ(d.szDriverPath[0], 0);
}

TEST_F(UserCatalogs, TheWriterReportsAHandleItCannotWriteThrough) {
    StartShelf();
    UserCatalog(Shelf().Root(), "U", 1);
    SetStreamBytes("old");
    EXPECT_FALSE(Save(GENERIC_READ));
    EXPECT_EQ(StreamBytes(), "old");
    Shelf().m_hUserDefine = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(Shelf().SaveUserDefineHead());
    EXPECT_FALSE(Shelf().LoadUserDefine());
}

} // namespace

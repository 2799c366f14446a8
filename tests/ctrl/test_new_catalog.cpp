// The new-catalog command: the catalog made under the drop-highlighted item with the record of its
// kind, where it is placed, its stamp, and the answers that leave the tree as it was (cancel, a blank
// name, a taken name, no target at all).
#include "test_new_catalog_world.h"

#include "ui/catalog_names.h"

#include <ctime>

using namespace new_catalog_world;

namespace {

DWORD Now() {
    return static_cast<DWORD>(std::time(nullptr));
}

using NewCatalog = NewCatalogWorld;

TEST_F(NewCatalog, IsMadeLastUnderTheDropTargetWithTheRecordOfAUserCatalog) {
    HTREEITEM books = Find("Books");
    UserCatalog(books, "Older", CATA_USER, 0, 0x01000000);
    // The command acts on the drop target, not on the selection.
    TreeView_SelectItem(Tree(), Find("Unclassified"));
    const DWORD classId = Shelf().GetClassID(books);
    const DWORD before = Now();
    MakeCatalog(books, "  Travel\t ");
    const DWORD after = Now();

    ASSERT_EQ(ChildTexts(books), (std::vector<std::string>{"Older", "Travel"})) << "trimmed, last";
    HTREEITEM made = Child(books, "Travel");
    const TreeNode* node = Node(made);
    EXPECT_EQ(node->nKind, NODE_CATALOG);
    EXPECT_EQ(node->dwFlags, NF_CANNEWCATA);
    EXPECT_EQ(node->dwClassId, classId);
    EXPECT_EQ(node->crText, 0xFFFFFFFFu);
    EXPECT_EQ(node->crBack, 0xFFFFFFFFu);
    EXPECT_STREQ(node->szKey, "Travel");
    const CatalogRecord& record = Record(made);
    EXPECT_EQ(record.dwCataType, CATA_USER);
    EXPECT_STREQ(record.szCataName, "Travel");
    EXPECT_STREQ(record.szCataKey, "");
    EXPECT_EQ(record.hDriver, 0u);
    EXPECT_EQ(record.hVpItem, 0u);
    EXPECT_GE(record.tStamp, before);
    EXPECT_LE(record.tStamp, after + 1);
    EXPECT_EQ(Image(made), GroupImage(16, 0)) << "the images of a user catalog";
    EXPECT_EQ(TreeView_GetChild(Tree(), made), nullptr);
    EXPECT_TRUE(TreeView_GetItemState(Tree(), books, TVIS_EXPANDED) & TVIS_EXPANDED) << "the parent opens";
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(NewCatalog, InsideAnOnlineCatalogOrOneStamped65535ItIsOnlineAndTakesBooks) {
    HTREEITEM books = Find("Books");
    HTREEITEM online = AddUserCatalog(books, "Online", CATA_ONLINE, "news");
    HTREEITEM stamped = UserCatalog(books, "Stamped", CATA_USER, 65535);
    HTREEITEM near = UserCatalog(books, "Near", CATA_USER, 65534);
    MakeCatalog(online, "A");
    MakeCatalog(stamped, "B");
    MakeCatalog(near, "C");
    struct Case {
        HTREEITEM parent;
        const char* name;
        DWORD type;
        DWORD flags;
        int group;
    } cases[] = {{online, "A", CATA_ONLINE, NF_CANADDBOOK | NF_CANNEWCATA, 8},
                 {stamped, "B", CATA_ONLINE, NF_CANADDBOOK | NF_CANNEWCATA, 8},
                 {near, "C", CATA_USER, NF_CANNEWCATA, 16}};
    for (const Case& c : cases) {
        HTREEITEM made = Child(c.parent, c.name);
        ASSERT_NE(made, nullptr) << c.name;
        EXPECT_EQ(Record(made).dwCataType, c.type) << c.name;
        EXPECT_EQ(Node(made)->dwFlags, c.flags) << c.name;
        EXPECT_EQ(Image(made), GroupImage(c.group, 0)) << c.name;
    }
}

TEST_F(NewCatalog, CancelBlankAndTakenNamesLeaveTheTreeAsItWas) {
    HTREEITEM books = Find("Books");
    UserCatalog(books, "Poems");
    const std::string picture = Picture();

    ui_.CancelDialog();
    NewCatalogOn(books);
    ui_.FillDialog({{1016, "Prose"}}, IDCANCEL);
    NewCatalogOn(books);
    ui_.FillDialog({{1016, " \t  "}}, IDOK);
    NewCatalogOn(books);
    EXPECT_EQ(Picture(), picture);
    EXPECT_TRUE(ui_.MessageBoxes().empty()) << "cancel and a blank name are not reported";

    ui_.FillDialog({{1016, "  pOEMS "}}, IDOK).AnswerMessageBox(IDOK, "This catalog  has already existed.");
    NewCatalogOn(books);
    // A system catalog's name is taken too, though it has no key of its own.
    ui_.FillDialog({{1016, "books"}}, IDOK).AnswerMessageBox(IDOK, "This catalog  has already existed.");
    NewCatalogOn(Shelf().Root());
    EXPECT_EQ(Picture(), picture);
    ASSERT_EQ(ui_.MessageBoxes().size(), 2u);
    EXPECT_EQ(ui_.MessageBoxes()[0].caption, "Error");
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(NewCatalog, ATakenNameIsLookedForUnderTheTargetNotUnderTheSelection) {
    HTREEITEM books = Find("Books");
    HTREEITEM unclassified = Find("Unclassified");
    UserCatalog(books, "Under books");
    UserCatalog(unclassified, "Under unclassified");
    TreeView_SelectItem(Tree(), unclassified);

    ui_.FillDialog({{1016, "under BOOKS"}}, IDOK)
        .AnswerMessageBox(IDOK, "This catalog  has already existed.");
    NewCatalogOn(books);
    EXPECT_EQ(ChildTexts(books), (std::vector<std::string>{"Under books"}));
    MakeCatalog(books, "Under unclassified");
    EXPECT_EQ(ChildTexts(books), (std::vector<std::string>{"Under books", "Under unclassified"}))
        << "the selected item's children do not count";
    EXPECT_TRUE(ui_.Finished());
    // The member that asks about the selected item answers for the selected item.
    EXPECT_EQ(Shelf().IsCataExist("UNDER unclassified"), 1);
    EXPECT_EQ(Shelf().IsCataExist("Under books"), 0);
}

TEST_F(NewCatalog, WithoutATargetThatHoldsCatalogsNoDialogIsShownAndNothingIsMade) {
    auto* book = new TreeNode;
    book->nKind = NODE_BOOK;
    book->pRecord = new BookRecord;
    HTREEITEM bookItem = Shelf().AddOneItem(Find("Books"), "A book", TVI_LAST, &g_imageIndex[4], book, 0);
    TreeView_SelectItem(Tree(), Find("Books"));
    const std::string picture = Picture();

    // Nothing queued: a dialog would be an unexpected request, and a failure.
    Shelf().NewCatalogs();
    NewCatalogOn(bookItem);
    plat::PumpMessages();
    EXPECT_TRUE(ui_.Dialogs().empty());
    EXPECT_EQ(Picture(), picture);
}

// ---- placement ----

TEST_F(NewCatalog, AFirstLevelParentPutsItAfterItsFirstCatalogOfTheFirstClass) {
    HTREEITEM books = Find("Books");
    UserCatalog(books, "One", CATA_USER, 0, 0x01000000);
    UserCatalog(books, "Two", CATA_USER, 0, 0x02000000);
    MakeCatalog(books, "New");
    EXPECT_EQ(ChildTexts(books), (std::vector<std::string>{"One", "New", "Two"}));

    // A parent below the first level keeps the order of making, even when its children are of the
    // first class.
    HTREEITEM one = Child(books, "One");
    HTREEITEM deep = UserCatalog(one, "Deep", CATA_USER, 0, 0x01010000);
    UserCatalog(deep, "D1", CATA_USER, 0, 0x01010100);
    UserCatalog(deep, "D2", CATA_USER, 0, 0x01010200);
    MakeCatalog(deep, "Last");
    EXPECT_EQ(ChildTexts(deep), (std::vector<std::string>{"D1", "D2", "Last"}));
}

TEST_F(NewCatalog, AFirstLevelParentWithoutThatCatalogPutsItLast) {
    HTREEITEM books = Find("Books");
    HTREEITEM unclassified = Find("Unclassified");
    UserCatalog(books, "A", CATA_USER, 0, 0x02000000);
    UserCatalog(books, "B", CATA_USER, 0, 0x03000000);
    MakeCatalog(books, "New");
    EXPECT_EQ(ChildTexts(books), (std::vector<std::string>{"A", "B", "New"})) << "no catalog of class 1";

    // The first catalog of class 1 stands under another parent: it is no place to go after.
    UserCatalog(unclassified, "Elsewhere", CATA_USER, 0, 0x01000000);
    MakeCatalog(books, "Newer");
    EXPECT_EQ(ChildTexts(books), (std::vector<std::string>{"A", "B", "New", "Newer"}));
}

TEST_F(NewCatalog, AParentWhoseLevelIsFullStillGetsItsCatalogWithoutAClassId) {
    HTREEITEM books = Find("Books");
    for (int i = 0; i < 240; ++i)
        UserCatalog(books, ("C" + std::to_string(i)).c_str(), CATA_USER, 0, 0x01000000 + (i << 16));
    ASSERT_EQ(Shelf().GetClassID(books), 0xFFFFFFFFu);
    MakeCatalog(books, "One more");
    HTREEITEM made = Child(books, "One more");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(Node(made)->dwClassId, 0u);
    EXPECT_EQ(Children(books).size(), 241u);
}

// ---- stamps ----

TEST_F(NewCatalog, TwoCatalogsMadeWithinOneSecondGetStampsOfTheirOwn) {
    HTREEITEM books = Find("Books");
    MakeCatalog(books, "First");
    MakeCatalog(books, "Second");
    const DWORD first = Record(Child(books, "First")).tStamp;
    const DWORD second = Record(Child(books, "Second")).tStamp;
    EXPECT_GT(second, first);

    // A catalog of the shelf stamped later than the clock (read back from a stream written on a machine
    // whose clock ran ahead) is not given its stamp again.
    const DWORD ahead = Now() + 1000;
    UserCatalog(Find("Unclassified"), "Ahead", CATA_USER, ahead);
    MakeCatalog(books, "Third");
    EXPECT_EQ(Record(Child(books, "Third")).tStamp, ahead + 1);
}

TEST(CatalogStamp, TheClockUnlessAStampOnTheShelfIsNotSmaller) {
    EXPECT_EQ(tavrin::NextCatalogStamp(1000, 0), 1000u);
    EXPECT_EQ(tavrin::NextCatalogStamp(1000, 999), 1000u);
    EXPECT_EQ(tavrin::NextCatalogStamp(1000, 1000), 1001u);
    EXPECT_EQ(tavrin::NextCatalogStamp(1000, 5000), 5001u);
    EXPECT_EQ(tavrin::NextCatalogStamp(1000, 0xFFFFFFFF), 1000u) << "no stamp above the last one";
}

} // namespace

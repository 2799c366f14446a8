// Collecting the HTML e-books of the e-book driver's store: classes become online catalogs below the
// catalog of unclassified books, books become items in them; later runs add only what is new; the
// driver's failures skip a class, skip a book or end the run; and what the driver writes is read no
// further than its buffers.
#include "test_html_ebooks_world.h"

using namespace html_world;

namespace {

// Catalogs: Unclassified (65535) and Poetry (1801, lists p.ebd).
class Collecting : public HtmlWorld {
  protected:
    void SetUp() override {
        HtmlWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        AddCatalog(Sys().Root(), "Poetry", "1801", {"p.ebd=1"});
    }
};

TEST_F(Collecting, ClassesBecomeOnlineCatalogsAndTheirBooksShareTheDriver) {
    int novels = StoreClass("Novels", "NOV", {7});
    StoreBook(novels, 8, CBI_CAP_SHARED_HTML | CBI_CAP_CONTENTS);
    StoreClass("Essays", "ESS", {9});
    ASSERT_TRUE(Start());
    EXPECT_EQ(Under("Unclassified"), (std::vector<std::string>{"Novels", "Essays"}));
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 8"}));

    HTREEITEM cls = Find("Novels");
    EXPECT_EQ(Node(cls)->dwFlags, 7u);
    EXPECT_EQ(Record(cls).dwCataType, static_cast<DWORD>(CATA_ONLINE));
    EXPECT_STREQ(Record(cls).szCataKey, "NOV");
    EXPECT_EQ(Record(cls).hDriver, Ctrl().HtmlDriver());
    EXPECT_EQ(Image(cls), GroupImage(8, 0));

    HTREEITEM seven = Find("Book 7");
    EXPECT_EQ(Node(seven)->nKind, static_cast<DWORD>(NODE_BOOK));
    EXPECT_EQ(Node(seven)->dwFlags, 6u) << "built in and not renamed, but deletable";
    EXPECT_STREQ(Node(seven)->szKey, "H-7");
    const BookRecord& book = Book(seven);
    EXPECT_STREQ(book.szFilePath, "7");
    EXPECT_EQ(book.hDriver, Ctrl().HtmlDriver());
    EXPECT_EQ(std::filesystem::path(book.szDriverPath), std::filesystem::path(HtmlPath()));
    EXPECT_EQ(book.dwBookHandle, Html().LastHandle("7"));
    EXPECT_FALSE(HasChildrenFlag(seven));
    EXPECT_TRUE(HasChildrenFlag(Find("Book 8"))) << "caps bit 0x80: contents to expand";
    EXPECT_EQ(plat::ModuleLoadCount(Ctrl().HtmlDriver()), 1u) << "the books take no load of their own";
    EXPECT_NE(Html().Log().find("CBIGetBkName " + std::to_string(book.dwBookHandle) + " 3 255"),
              std::string::npos);
}

// ---- later runs ----

TEST_F(Collecting, RefreshingAddsOnlyWhatIsNewAndNothingForEmptyClassesOrAStoreThatDoesNotOpen) {
    int novels = StoreClass("Novels", "NOV", {7});
    ASSERT_TRUE(Start());
    StoreBook(novels, 8);
    StoreClass("Essays", "ESS", {9});
    Ctrl().Refresh();
    UINT count = TreeView_GetCount(Tree());
    Ctrl().Refresh();
    EXPECT_EQ(TreeView_GetCount(Tree()), count);
    EXPECT_EQ(Under("Unclassified"), (std::vector<std::string>{"Novels", "Essays"}));
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 8"}));
    EXPECT_EQ(Html().OpenCount(), 3) << "books on the shelf are not opened again";
    EXPECT_EQ(Html().ShelfOpenCount(), 3) << "the store is opened on every run";
    StoreClass("Empty", "E");
    Ctrl().Refresh();
    EXPECT_EQ(TreeView_GetCount(Tree()), count);
    int asked = Html().CallCount("CBIShelfGetClassAttr");
    StoreClass("Later", "LAT", {10});
    Html().ShelfSetOpenResult(0);
    Ctrl().Refresh();
    EXPECT_EQ(TreeView_GetCount(Tree()), count);
    EXPECT_EQ(Html().CallCount("CBIShelfGetClassAttr"), asked) << "a store that does not open is not asked";
}

// Each book once, under the first class that lists it; classes whose keys differ in case share a
// catalog; ids are the low sixteen bits and 0 is none; a registered book whose path begins with the
// id counts as that book; a class whose attributes fail and a book that does not open are skipped.
TEST_F(Collecting, EveryBookOnceInTheFirstClassThatListsItAndWhatFailsIsSkipped) {
    StoreClass("Novels", "nov", {7});
    int again = StoreClass("NOVELS", "NOV", {8});
    StoreBook(again, 10, CBI_CAP_SHARED_HTML, 0x3000A);
    Html().AddBook("0");
    Html().ShelfAddBookId(again, 0);
    Html().ShelfAddBookId(again, 0x10000);
    StoreClass("Essays", "ESS", {7, 9, 11});
    StoreClass("Again", "AGN", {7});
    int bad = StoreClass("Broken", "BRK", {12});
    Html().ShelfSetClassFails(bad, 1);
    Html().SetOpenResult("11", 5);
    const char* file = " +70 tales.ebd";
    Books().AddBook(file);
    Books().SetExBookNo(file, "T-70");
    Books().SetName(file, TD_ANY_LOCALE, "Tales");
    regbooks::Register("T-70", file, books_);
    StoreClass("Stories", "STO", {70});
    ASSERT_TRUE(Start());
    ASSERT_NE(Find("Tales"), nullptr);
    EXPECT_EQ(Under("Unclassified"), (std::vector<std::string>{"Tales", "Novels", "Essays"}))
        << "no empty catalog";
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 8", "Book 10"}));
    EXPECT_EQ(Under("Essays"), std::vector<std::string>{"Book 9"});
    EXPECT_EQ(Html().BookOpenCount("7"), 1);
    EXPECT_EQ(Html().BookOpenCount("0"), 0);
    EXPECT_EQ(Html().BookOpenCount("70"), 0);
    EXPECT_EQ(Html().Log().find("CBIShelfGetBookAttr 4 "), std::string::npos)
        << "no book of the failed class is asked for";
    Html().SetOpenResult("11", 0);
    Ctrl().Refresh();
    EXPECT_EQ(Under("Essays"), (std::vector<std::string>{"Book 9", "Book 11"})) << "opened on a later run";
}

// ---- failures of the driver ----

TEST_F(Collecting, BookWhoseAttributesFailEndsTheWholeRun) {
    int novels = StoreClass("Novels", "NOV", {7, 8, 9});
    StoreClass("Essays", "ESS", {10});
    Html().ShelfSetBookAttrFails(novels, 1, 1);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Under("Unclassified"), std::vector<std::string>{"Novels"});
    EXPECT_EQ(Under("Novels"), std::vector<std::string>{"Book 7"}) << "what was added so far stays";
    std::string log = Html().Log();
    EXPECT_EQ(log.find("CBIShelfGetBookAttr 0 2"), std::string::npos) << log;
    EXPECT_EQ(log.find("CBIShelfGetClassAttr 1"), std::string::npos) << log;
    EXPECT_TRUE(ui_.MessageBoxes().empty());
}

TEST_F(Collecting, UnterminatedNamesAndKeysEndAtTheirBuffersAndNothingOfAnEarlierClassLeaks) {
    int longer = StoreClass("ABCDEFGHIJKLMNOPQRSTU", (std::string(40, 'K')).c_str(), {7});
    int shorter = StoreClass("Hi", "k2", {8});
    Html().ShelfSetClassRaw(longer, 1);
    Html().ShelfSetClassRaw(shorter, 1);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Under("Unclassified"), (std::vector<std::string>{"ABCDEFGHIJKLMNOP", "Hi"}));
    EXPECT_EQ(Record(Find("ABCDEFGHIJKLMNOP")).szCataKey, std::string(32, 'K'));
    EXPECT_STREQ(Record(Find("Hi")).szCataKey, "k2");
}

// ---- without a catalog for unclassified books ----

class CollectingWithoutUnclassified : public HtmlWorld {};

TEST_F(CollectingWithoutUnclassified, ClassesGoLastUnderTheRootAndAreFoundAgain) {
    AddCatalog(Sys().Root(), "Poetry", "1801");
    StoreClass("Novels", "nov", {7});
    StoreClass("Poems", "1801", {8}); // the key of a system catalog: still a class of its own
    ASSERT_TRUE(Start());
    EXPECT_EQ(ChildTexts(Ctrl().Root()), (std::vector<std::string>{"Poetry", "Novels", "Poems"}));
    EXPECT_EQ(Children(nullptr).size(), 1u) << "nothing beside the root";
    StoreClass("NOVELS", "NOV", {9});
    Ctrl().Refresh();
    Ctrl().Refresh();
    EXPECT_EQ(ChildTexts(Ctrl().Root()), (std::vector<std::string>{"Poetry", "Novels", "Poems"}));
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 9"}));
    EXPECT_TRUE(Under("Poetry").empty());
}

// ---- start-up without the driver, and a module that is not the control's ----

TEST_F(CollectingWithoutUnclassified, MissingDriverMeansNoBooksAndNoMessage) {
    html_.reset();
    std::filesystem::remove(HtmlPath());
    ASSERT_TRUE(Start());
    EXPECT_EQ(Ctrl().HtmlDriver(), 0u);
    Ctrl().Refresh();
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_TRUE(ChildTexts(Ctrl().Root()).empty());
}

TEST_F(CollectingWithoutUnclassified, OnlyTheControlsOwnDriverModuleIsCollectedFrom) {
    ASSERT_TRUE(Start());
    testdrv::Driver other(AddDriver("other.dll"));
    other.ShelfAddClass("Other", "OTH");
    other.AddBook("5");
    other.ShelfAddBookId(0, 5);
    HMODULE module = LoadLibraryA((dir_ / "other.dll").string().c_str());
    ASSERT_NE(module, 0u);
    Ctrl().AddHtmlEBook(module);
    EXPECT_EQ(other.ShelfOpenCount(), 0);
    EXPECT_TRUE(ChildTexts(Ctrl().Root()).empty());
    FreeLibrary(module);
}

// ---- the two searches ----

class Searching : public HtmlWorld {
  protected:
    // A book node with file path `path` under `parent` (no book open, no driver).
    HTREEITEM Item(HTREEITEM parent, const char* path, DWORD kind = NODE_BOOK) {
        auto* record = new BookRecord;
        EXPECT_TRUE(tavrin::CopyFits(record->szFilePath, path));
        auto* node = new TreeNode;
        node->nKind = kind;
        node->pRecord = record;
        return Ctrl().AddOneItem(parent, path, TVI_LAST, &g_imageIndex[0], node, 0);
    }
};

TEST_F(Searching, BookPathIsReadAsTheDecimalNumberItBeginsWithAndOnlyBelowTheStart) {
    ASSERT_TRUE(Start());
    HTREEITEM box = AddUserCatalog(Ctrl().Root(), "Box", CATA_USER, "");
    Item(box, "42", NODE_DICT);
    HTREEITEM plus = Item(box, " \t+12 copies");
    HTREEITEM zeros = Item(box, "0042");
    Item(box, "-5");
    Item(box, "65543");
    HTREEITEM word = Item(box, "/books/seven.ebd");
    EXPECT_EQ(Ctrl().IsHtmlBookExist(box, 12), plus);
    EXPECT_EQ(Ctrl().IsHtmlBookExist(box, 42), zeros) << "dictionaries are not tested";
    EXPECT_EQ(Ctrl().IsHtmlBookExist(box, 0), word) << "a path without a number reads as 0";
    EXPECT_EQ(Ctrl().IsHtmlBookExist(box, 7), nullptr) << "65543 does not wrap round to 7";
    EXPECT_EQ(Ctrl().IsHtmlBookExist(box, 65531), nullptr) << "-5 is no id";
    EXPECT_EQ(Ctrl().IsHtmlBookExist(plus, 12), nullptr) << "the start item itself is not tested";
    EXPECT_EQ(Ctrl().IsHtmlBookExist(Ctrl().Root(), 12), plus);
}

TEST_F(Searching, ClassKeysCompareWithoutLetterCaseAndOnlyOnCatalogs) {
    ASSERT_TRUE(Start());
    HTREEITEM outer = AddUserCatalog(Ctrl().Root(), "Outer", CATA_ONLINE, "Nov");
    HTREEITEM book = Item(outer, "9");
    ASSERT_TRUE(tavrin::CopyFits(Node(book)->szKey, "NOV"));
    HTREEITEM inner = AddUserCatalog(outer, "Inner", CATA_ONLINE, "nOV");
    char key[] = "NOV";
    char prefix[] = "NO";
    EXPECT_EQ(Ctrl().IsSameClassExist(Ctrl().Root(), key), outer);
    EXPECT_EQ(Ctrl().IsSameClassExist(outer, key), inner) << "the start is not tested; books never";
    EXPECT_EQ(Ctrl().IsSameClassExist(Ctrl().Root(), prefix), nullptr);
    EXPECT_EQ(Ctrl().IsSameClassExist(Ctrl().Root(), nullptr), nullptr);
}

} // namespace

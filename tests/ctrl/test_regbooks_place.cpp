// Where enumeration puts a registered book and what its node says: its class catalog (first or last),
// the catalog of unclassified books, or the root when that catalog is missing; kinds and flags by book
// class; the book number and GetBookHandle.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

// Root -> Literature (id 18) -> Poetry (id 1801, lists p.ebd first and q.ebd last); E-books (id 6,
// lists p.ebd too, after Poetry in tree order); Unclassified (id 65535).
class Placement : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        uint32_t lit = AddCatalog(Sys().Root(), "Literature", "18");
        AddCatalog(lit, "Poetry", "1801", {"q.ebd=0", "p.ebd=1"});
        AddCatalog(Sys().Root(), "E-books", "6", {"p.ebd=1", "e.ebd=2"});
        AddCatalog(Sys().Root(), "Unclassified", "65535");
    }
};

TEST_F(Placement, ListedBooksGoToTheFirstListingCatalogFirstOrLastAndOthersToUnclassified) {
    Register("A", AddBook("q.ebd", "Q-1", "Quatrains"), books_);
    Register("B", AddBook("p.ebd", "P-1", "Poems"), books_);
    Register("C", AddBook("sub/q.ebd", "Q-2", "Quatrains again"), books_);
    Register("U", AddBook("u.ebd", "U-1", "Loose"), books_);
    ASSERT_TRUE(Start());
    // The registry walk meets A, B, C in that order: q last, p first, then the second q last.
    EXPECT_EQ(ChildTexts(Find("Poetry")),
              (std::vector<std::string>{"Poems", "Quatrains", "Quatrains again"}));
    EXPECT_TRUE(ChildTexts(Find("E-books")).empty()) << "p.ebd is listed there too, later in tree order";
    EXPECT_EQ(ChildTexts(Find("Unclassified")), std::vector<std::string>{"Loose"});
    EXPECT_EQ(Node(Find("Poems"))->dwFlags, 0x07u) << "class-catalog books cannot be deleted";
    EXPECT_EQ(Node(Find("Loose"))->dwFlags, 0x04u);
    EXPECT_EQ(Node(Find("Loose"))->crText, 0xFFFFFFFFu);
}

// (Books of class 0xFE: test_book_kinds.cpp.)
TEST_F(Placement, KindFollowsTheBookClassAndContentsGiveAnExpandButton) {
    DictLibrary();
    Register("E", AddBook("e.ebd", "E-1", "Ebook", 0xFF, CBI_CAP_CONTENTS), books_);
    std::string d = AddBook("d.ebd", "D-1", "Dictionary", 0x10);
    Books().SetDictAttr(d.c_str(), 1, 2);
    Register("D", d, books_);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Node(Find("Ebook"))->nKind, static_cast<DWORD>(NODE_BOOK));
    EXPECT_TRUE(HasChildrenFlag(Find("Ebook")));
    EXPECT_EQ(Node(Find("Dictionary"))->nKind, static_cast<DWORD>(NODE_DICT));
    EXPECT_EQ(Image(Find("Dictionary")), GroupImage(4, 0));
    EXPECT_EQ(Image(Find("Ebook")), GroupImage(5, 0)) << "a book in catalog 6 shows group 5";
}

TEST_F(Placement, NameIsAskedInTheCurrentLocaleWithCapacity255) {
    std::string p = AddBook("u.ebd", "U-1", "Fallback");
    Books().SetName(p.c_str(), 1028, "Chinese name");
    Register("U", p, books_);
    auto ctrl = std::make_unique<RegCtrl>();
    ctrl->SetCurLocale(1028);
    ASSERT_TRUE(CreateControl(std::move(ctrl), WS_BORDER));
    EXPECT_NE(Find("Chinese name"), nullptr);
    EXPECT_NE(Books().Log().find(" 1028 255 -> "), std::string::npos) << Books().Log();
}

// ---- without the catalog of unclassified books ----

class NoUnclassifiedCatalog : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"p.ebd=1"});
    }
};

TEST_F(NoUnclassifiedCatalog, BookGoesUnderTheRootAndLaterWalksFindItAgain) {
    Register("U", AddBook("u.ebd", "U-1", "Loose"), books_);
    ASSERT_TRUE(Start());
    HTREEITEM loose = Find("Loose");
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(TreeView_GetParent(Tree(), loose), Ctrl().Root());
    EXPECT_EQ(Node(loose)->dwFlags, 0x04u);
    Ctrl().Refresh();
    Ctrl().Refresh();
    EXPECT_EQ(BookItems().size(), 1u) << "each walk finds the book below the root";
    EXPECT_EQ(Books().OpenBooks(), 1);
    EXPECT_EQ(TreeView_GetCount(Tree()), 3u) << "root, Poetry, the book";
}

// ---- book numbers ----

class BookNumbers : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        serial_ = &OtherDriver("serialdrv.dll", &serialDrv_, TAVRIN_TESTDRV_NOEXBOOKNO_PATH);
    }
    std::string SerialBook(const std::string& file, const char* name) {
        std::string path = (dir_ / file).string();
        serial_->AddBook(path.c_str());
        serial_->SetName(path.c_str(), TD_ANY_LOCALE, name);
        return path;
    }
    std::string serialDrv_;
    testdrv::Driver* serial_ = nullptr;
};

TEST_F(BookNumbers, SerialInLowercaseHexWhenTheDriverHasNoExtendedNumber) {
    std::string s = SerialBook("s.ebd", "Serial book");
    serial_->SetSerial(s.c_str(), 0x2F);
    Register("S", s, serialDrv_);
    Register("Z", SerialBook("z.ebd", "No serial"), serialDrv_);
    ASSERT_TRUE(Start());
    HTREEITEM item = Find("Serial book");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(Node(item)->szKey, "2f");
    EXPECT_STREQ(Node(Find("No serial"))->szKey, "0");
    DWORD handle = Book(item).dwBookHandle;
    EXPECT_EQ(Ctrl().GetBookHandle("2F"), handle);
    EXPECT_EQ(Ctrl().GetBookHandle("2f"), handle);
    EXPECT_EQ(Ctrl().GetBookHandle("2e"), 0xFFFFFFFFu);
    EXPECT_EQ(Ctrl().GetBookHandle(""), 0xFFFFFFFFu);
}

TEST_F(BookNumbers, NumberLongerThanItsBufferIsRefusedNotCut) {
    std::string fits = AddBook("f.ebd", std::string(255, 'n').c_str(), "Fits");
    std::string longer = AddBook("l.ebd", std::string(256, 'm').c_str(), "Too long");
    std::string liar = AddBook("p.ebd", "P-1", "Liar");
    Books().SetExBookNoLength(liar.c_str(), 4000);
    Register("F", fits, books_);
    Register("L", longer, books_);
    Register("P", liar, books_);
    ASSERT_TRUE(Start());
    ASSERT_NE(Find("Fits"), nullptr);
    EXPECT_EQ(std::string(Node(Find("Fits"))->szKey), std::string(255, 'n'));
    EXPECT_EQ(Find("Too long"), nullptr) << "a number is refused, not cut";
    EXPECT_EQ(Books().BookCloseCount(longer.c_str()), 1) << "the refused book was closed again";
    EXPECT_EQ(Find("Liar"), nullptr) << "a length beyond the buffer";
    EXPECT_EQ(Books().Log().find("CBIExBookNo " + std::to_string(Books().LastHandle(liar.c_str()))),
              std::string::npos)
        << "the driver is never asked to write past the buffer";
}

TEST_F(BookNumbers, GetBookHandleAnswersTheFirstBookInTreeOrder) {
    Register("A", AddBook("a.ebd", "SAME", "First"), books_);
    ASSERT_TRUE(Start());
    // A second item with the same number in a catalog before the first one's.
    auto* node = new TreeNode;
    node->nKind = NODE_DICT;
    ASSERT_TRUE(tavrin::CopyFits(node->szKey, "same"));
    auto* record = new BookRecord;
    record->dwBookHandle = 0x7777;
    node->pRecord = record;
    HTREEITEM early = AddUserCatalog(Ctrl().Root(), "Early", CATA_USER, "early", 0, 0, TVI_FIRST);
    HTREEITEM copy = Ctrl().AddOneItem(early, "Copy", TVI_LAST, &g_imageIndex[0], node, 0);
    EXPECT_EQ(Ctrl().GetBookHandle("Same"), 0x7777u);
    DWORD handle = 0;
    EXPECT_EQ(Ctrl().IsBookExist(Find("Unclassified"), "SAME", &handle), Find("First"));
    EXPECT_EQ(handle, Book(Find("First")).dwBookHandle);
    EXPECT_EQ(Ctrl().IsBookExist(Find("First"), "SAME", &handle), nullptr)
        << "the start item is never tested";
    EXPECT_EQ(Ctrl().IsBookExistOnTree(Ctrl().Root(), "sAmE"), 1);
    EXPECT_EQ(Ctrl().IsBookExistOnTree(Ctrl().Root(), "other"), 0);
    Ctrl().DeleteItemKeepNodes(copy); // the copy's record is not the driver's: never close it
    delete record;
    delete node;
}

} // namespace

// The register command (AddBook): the file dialog, which catalog receives the books, what is written
// to the registry, the messages for books already there, files that are no native book, and the
// refusals of what does not fit or cannot be written.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

// Catalogs: Poetry (id 1801, lists p.ebd), Mine (id 7), Unclassified (65535). The book driver sits in
// the host program's folder, where the driver search finds it.
class Registering : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"p.ebd=1"});
        AddCatalog(Sys().Root(), "Mine", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
    }
    std::string BookKey(const std::string& number) const { return kRoot + "\\" + number + "\\Book"; }
};

TEST_F(Registering, WritesTheRegistrationAndPutsTheBookLastInTheTarget) {
    std::string first = BookFile("first.ebd", "F-1", "First");
    std::string p = BookFile("p.ebd", "P-1", "Poems");
    ASSERT_TRUE(Start());
    AddInto("Mine", first);
    AddInto("Mine", p);
    ASSERT_EQ(ui_.FileDialogs().size(), 2u);
    const plat::OpenFileRequest& request = ui_.FileDialogs()[0];
    EXPECT_EQ(request.filter, "Zavik Book Files(*.ebd;*.ebp)|*.ebd;*.ebp||");
    EXPECT_EQ(request.flags, 0x81200u);
    EXPECT_EQ(request.bufferSize, 1024u);
    EXPECT_EQ(request.owner, Ctrl().GetSafeHwnd());
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_EQ(ChildTexts(Find("Mine")), (std::vector<std::string>{"First", "Poems"}));
    DWORD type = 0;
    EXPECT_EQ(StoredValue(BookKey("P-1"), "Database", &type), p) << "stored without a terminator";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoredValue(BookKey("P-1"), "Driver"), books_);
    HTREEITEM item = Find("Poems");
    EXPECT_STREQ(Book(item).szRegKey, (kRoot + "\\P-1").c_str());
    EXPECT_EQ(Node(item)->nKind, static_cast<DWORD>(NODE_BOOK));
    EXPECT_EQ(Node(item)->dwFlags, 0x04u);
    EXPECT_EQ(Image(Find("Mine")), GroupImage(7, 1)) << "the target shows its open image";
    EXPECT_EQ(Books().OpenBooks(), 2) << "one open book per item; the checks closed theirs";

    // The next start finds the registration and puts the book into the catalog that lists it.
    DestroyControl();
    ASSERT_TRUE(Start());
    EXPECT_EQ(ChildTexts(Find("Poetry")), std::vector<std::string>{"Poems"});
    EXPECT_EQ(ChildTexts(Find("Unclassified")), std::vector<std::string>{"First"});
}

TEST_F(Registering, DictionariesAreMadeUndeletableAndNotRenamable) {
    DictLibrary();
    std::string d = BookFile("d.ebd", "D-1", "Words", 0x10, CBI_CAP_CONTENTS);
    Books().SetDictAttr(d.c_str(), 1, 1);
    ASSERT_TRUE(Start());
    AddInto("Mine", d);
    HTREEITEM item = Find("Words");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Node(item)->nKind, static_cast<DWORD>(NODE_DICT));
    EXPECT_EQ(Node(item)->dwFlags, 0x07u);
    EXPECT_TRUE(HasChildrenFlag(item));
    EXPECT_NE(Books().Log().find(" 3 260 -> "), std::string::npos) << "the name is read with capacity 260";
}

TEST_F(Registering, SeveralFilesAreHandledInTheDialogsOrderUnlessTheyOverflowItsBuffer) {
    BookFile("b.ebd", "B-1", "Bee");
    BookFile("a.ebd", "A-1", "Ay");
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name = "a-book-file-with-a-rather-long-name-number-" + std::to_string(i) + "-of-many.ebd";
        BookFile(name, ("N-" + std::to_string(i)).c_str(), "Many");
        names.push_back(name);
    }
    ASSERT_TRUE(Start());
    TreeView_SelectItem(Tree(), Find("Mine"));
    ui_.ChooseFiles(dir_.string(), names);
    ui_.AnswerMessageBox(IDOK, "Selection too many.");
    Ctrl().AddBook();
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(ui_.MessageBoxes()[0].caption, "Error");
    EXPECT_FALSE(KeyExists(kRoot)) << "a selection too large for the buffer registers nothing";
    ui_.ChooseFiles(dir_.string(), {"b.ebd", "a.ebd"});
    Ctrl().AddBook();
    EXPECT_EQ(ChildTexts(Find("Mine")), (std::vector<std::string>{"Bee", "Ay"}));
}

TEST_F(Registering, TargetIsTheDropHighlightThenTheSelectionAndNeverTheRootOrABook) {
    std::string p = BookFile("p.ebd", "P-1", "Poems");
    Register("U-1", BookFile("u.ebd", "U-1", "Loose"), books_);
    ASSERT_TRUE(Start());
    for (HTREEITEM item : {Ctrl().Root(), Find("Loose"), static_cast<HTREEITEM>(nullptr)}) {
        TreeView_SelectItem(Tree(), item);
        Ctrl().AddBook();
    }
    EXPECT_TRUE(ui_.FileDialogs().empty());
    TreeView_SelectItem(Tree(), Find("Mine"));
    ui_.CancelFiles();
    Ctrl().AddBook();
    EXPECT_FALSE(KeyExists(kRoot + "\\P-1")) << "a cancelled dialog does nothing";
    TreeView_SelectDropTarget(Tree(), Find("Unclassified"));
    ui_.ChooseFile(p);
    Ctrl().AddBook();
    EXPECT_EQ(ChildTexts(Find("Unclassified")), (std::vector<std::string>{"Loose", "Poems"}));
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
    EXPECT_TRUE(ui_.MessageBoxes().empty());
}

TEST_F(Registering, BookAlreadyOnTheShelfInAnyLetterCaseIsNotRegisteredAgain) {
    Register("P-1", BookFile("p.ebd", "P-1", "Poems"), books_);
    std::string copy = BookFile("copy/p.ebd", "p-1", "Poems copy");
    ASSERT_TRUE(Start());
    AddInto("Mine", copy, {"This book has been added into bookshelf\n" + copy});
    EXPECT_EQ(StoredValue(BookKey("P-1"), "Database"), (dir_ / "p.ebd").string())
        << "the registry is untouched";
    EXPECT_FALSE(KeyExists(kRoot + "\\p-1\\Book") && StoredValue(BookKey("p-1"), "Database") == copy);
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
    EXPECT_EQ(Books().OpenBooks(), 1) << "the check closed the book it opened";
}

TEST_F(Registering, NewBookThatHidesItsContentsPageIsRemembered) {
    std::string p = BookFile("p.ebd", "P-1", "Poems", 0xFF, CBI_CAP_HIDE_CONTENTS_PAGE | CBI_CAP_CONTENTS);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Ctrl().NewBookHandle(), 0xFFFFFFFFu);
    AddInto("Mine", p);
    EXPECT_EQ(Ctrl().NewBookHandle(), Book(Find("Poems")).dwBookHandle);
}

// ---- files that are no native book go to the HTML e-book driver ----

class RegisteringOtherFiles : public Registering {
  protected:
    void SetUp() override {
        Registering::SetUp();
        html_ = std::make_unique<testdrv::Driver>(AddDriver("eBookDrv.dll"));
        page_ = OtherFile("page.epub");
    }
    void TearDown() override {
        Registering::TearDown();
        html_.reset();
    }
    std::unique_ptr<testdrv::Driver> html_;
    std::string page_;
};

TEST_F(RegisteringOtherFiles, DriverAnswersSayWhatIsShownAndAnAcceptedFileRefreshesTheShelf) {
    std::string tiny = (dir_ / "tiny.ebd").string();
    WriteFile(tiny, "EBD"); // too short for the signature: no native book, and no read error
    ASSERT_TRUE(Start());
    html_->ShelfSetAddBookResult(4);
    AddInto("Mine", page_, {"This book has been added into bookshelf\n" + page_});
    html_->ShelfSetAddBookResult(0);
    AddInto("Mine", tiny, {"It's not a Zavik book.\n" + tiny});
    EXPECT_EQ(html_->CallCount("CBIShelfAddBook"), 2);
    EXPECT_NE(html_->Log().find("CBIShelfAddBook \"" + page_ + "\""), std::string::npos);
    // A registration written meanwhile shows that the registry was walked again.
    Register("U-1", BookFile("u.ebd", "U-1", "Loose"), books_);
    html_->ShelfSetAddBookResult(1);
    AddInto("Mine", page_);
    EXPECT_NE(Find("Loose"), nullptr);
    EXPECT_EQ(ui_.MessageBoxes().size(), 2u);
}

TEST_F(RegisteringOtherFiles, FileThatCannotBeOpenedSaysSoThenGoesToTheDriver) {
    std::string locked = BookFile("locked.ebd", "L-1", "Locked");
    ASSERT_TRUE(Start());
    // Another handle holds the file without sharing it: opening it for reading fails.
    HANDLE holder =
        CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    html_->ShelfSetAddBookResult(0);
    AddInto("Mine", locked, {"The file can't be opened.\n" + locked, "It's not a Zavik book.\n" + locked});
    CloseHandle(holder);
    EXPECT_FALSE(KeyExists(kRoot));
}

TEST_F(RegisteringOtherFiles, WithoutTheDriversAddEntryPointTheFileIsRefusedAloud) {
    std::filesystem::remove(dir_ / "eBookDrv.dll");
    html_.reset();
    AddDriver("eBookDrv.dll", TAVRIN_TESTDRV_NOSHELF_PATH);
    ASSERT_TRUE(Start());
    AddInto("Mine", page_, {"It's not a Zavik book.\n" + page_});
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
}

// ---- what cannot be registered whole is not registered at all ----

TEST_F(Registering, PathTooLongForTheBuffersIsRefusedWithAMessage) {
    std::string name(259 - dir_.string().size(), 'p');
    name.replace(name.size() - 4, 4, ".ebd");
    std::string p = BookFile(name, "P-1", "Long");
    ASSERT_GE(p.size(), 260u);
    ASSERT_TRUE(Start());
    AddInto("Mine", p, {""});
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_NE(ui_.MessageBoxes()[0].text.find("too long"), std::string::npos);
    EXPECT_EQ(ui_.MessageBoxes()[0].caption, "Error");
    EXPECT_FALSE(KeyExists(kRoot));
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
}

TEST_F(Registering, NumberThatCannotBecomeAKeyOrWhoseKeyPathDoesNotFitIsRefused) {
    // A number with an empty key name in it ("a\\b") cannot become a registry key; 26 (root) + 1 +
    // 224 + 5 ("\Book") = 256 characters is one more than the 256-byte key buffer holds.
    std::string unwritable = BookFile("u.ebd", "a\\\\b", "Unwritable");
    std::string p = BookFile("p.ebd", std::string(224, 'n').c_str(), "Long number");
    std::string q = BookFile("q.ebd", std::string(223, 'm').c_str(), "Just fits");
    ASSERT_TRUE(Start());
    AddInto("Mine", unwritable, {"This book could not be registered.\n" + unwritable});
    AddInto("Mine", p, {"This book could not be registered.\n" + p});
    AddInto("Mine", q);
    EXPECT_EQ(ChildTexts(Find("Mine")), std::vector<std::string>{"Just fits"});
    EXPECT_TRUE(KeyExists(kRoot + "\\" + std::string(223, 'm') + "\\Book"));
    EXPECT_FALSE(KeyExists(kRoot + "\\" + std::string(224, 'n')));
    EXPECT_FALSE(KeyExists(kRoot + "\\a"));
    EXPECT_EQ(Books().OpenBooks(), 1);
}

TEST_F(Registering, DoRegisterWritesBothValuesOrReportsFailure) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Ctrl().DoRegister("N-1", "/books/n.ebd", "/drivers/n.dll"), 1);
    EXPECT_EQ(StoredValue(BookKey("N-1"), "Database"), "/books/n.ebd");
    EXPECT_EQ(StoredValue(BookKey("N-1"), "Driver"), "/drivers/n.dll");
    EXPECT_EQ(Ctrl().DoRegister("x\\\\y", "/books/n.ebd", "/drivers/n.dll"), 0);
    EXPECT_EQ(Ctrl().DoRegister("", "/books/n.ebd", "/drivers/n.dll"), 0);
    EXPECT_FALSE(KeyExists(kRoot + "\\x"));
}

} // namespace

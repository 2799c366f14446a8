// The delete command (Delete) and UnRegister: a registered book leaves the registry first and the shelf
// second; empty catalogs may go; dictionaries, the root and contents never; and the registration root
// is never deleted. (Books of the e-book store: test_html_ebooks_commands.cpp.)
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

constexpr UINT kAskType = MB_YESNO | MB_ICONINFORMATION;

class Removing : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"p.ebd=1"});
        AddCatalog(Sys().Root(), "Empty", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        p_ = AddBook("p.ebd", "P-1", "Poems");
        Register("P-1", p_, books_);
    }
    void Select(HTREEITEM item) { ASSERT_TRUE(TreeView_SelectItem(Tree(), item)); }
    std::string p_;
};

TEST_F(Removing, BookIsConfirmedThenUnregisteredThenTakenOffTheShelf) {
    ASSERT_TRUE(Start());
    HTREEITEM poems = Find("Poems");
    DWORD handle = Book(poems).dwBookHandle;
    HMODULE driver = Book(poems).hDriver;
    Select(poems);
    ui_.AnswerMessageBox(IDNO);
    Ctrl().Delete();
    EXPECT_NE(Find("Poems"), nullptr) << "answering no keeps book and registration";
    EXPECT_TRUE(KeyExists(kRoot + "\\P-1\\Book"));
    ui_.AnswerMessageBox(IDYES, "Are sure\xA1\x48");
    Received().clear();
    Ctrl().Delete();
    ASSERT_EQ(ui_.MessageBoxes().size(), 2u);
    EXPECT_EQ(ui_.MessageBoxes()[1].caption, "Remove a book");
    EXPECT_EQ(ui_.MessageBoxes()[1].type, kAskType);
    EXPECT_EQ(ui_.MessageBoxes()[1].owner, Ctrl().GetSafeHwnd());
    EXPECT_FALSE(KeyExists(kRoot + "\\P-1"));
    EXPECT_TRUE(KeyExists(kRoot)) << "the registration root stays";
    EXPECT_EQ(Find("Poems"), nullptr);
    EXPECT_NE(Find("Poetry"), nullptr) << "the catalog stays, empty";
    EXPECT_EQ(Books().BookCloseCount(p_.c_str()), 1);
    EXPECT_EQ(plat::ModuleLoadCount(driver), 0u);
    EXPECT_TRUE(ClosedHandles().empty()) << "posted: it arrives after the call";
    plat::PumpMessages();
    EXPECT_EQ(ClosedHandles(), std::vector<DWORD>{handle});
}

TEST_F(Removing, FailedUnregistrationIsShownAndTheBookLeavesAnyway) {
    // Values in root\Q\Files: deleting root\Q\book does nothing and root\Q still has a subkey.
    std::string q = AddBook("q.ebd", "Q-1", "Quatrains");
    SetValue(kRoot + "\\Q\\Files", "Database", q);
    SetValue(kRoot + "\\Q\\Files", "Driver", books_);
    ASSERT_TRUE(Start());
    Select(Find("Quatrains"));
    ui_.AnswerMessageBox(IDYES);
    ui_.AnswerMessageBox(IDOK, "Don't to remove the book from the Register database.");
    Ctrl().Delete();
    ASSERT_EQ(ui_.MessageBoxes().size(), 2u);
    EXPECT_EQ(ui_.MessageBoxes()[1].caption, "Error");
    EXPECT_EQ(ui_.MessageBoxes()[1].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Find("Quatrains"), nullptr);
    EXPECT_TRUE(KeyExists(kRoot + "\\Q\\Files"));
}

TEST_F(Removing, BookKeyFoundAtTheRootNeverDeletesTheRoot) {
    std::string q = AddBook("q.ebd", "Q-1", "Quatrains");
    SetValue(kRoot + "\\Q", "Database", q);
    SetValue(kRoot + "\\Q", "Driver", books_);
    ASSERT_TRUE(Start());
    ASSERT_STREQ(Book(Find("Quatrains")).szRegKey, kRoot.c_str());
    Select(Find("Quatrains"));
    ui_.AnswerMessageBox(IDYES);
    ui_.AnswerMessageBox(IDOK, "Don't to remove the book from the Register database.");
    Ctrl().Delete();
    EXPECT_TRUE(KeyExists(kRoot + "\\Q"));
    EXPECT_TRUE(KeyExists(kRoot + "\\P-1\\Book")) << "nothing below the root was touched";
}

TEST_F(Removing, UnRegisterDeletesTheBookSubkeyThenTheBookKeyOnly) {
    ASSERT_TRUE(Start());
    SetValue(kRoot + "\\X\\book", "Database", "/x.ebd");
    EXPECT_EQ(Ctrl().UnRegister((kRoot + "\\X").c_str(), "", ""), 1);
    EXPECT_FALSE(KeyExists(kRoot + "\\X"));
    SetValue(kRoot + "\\Y", "Database", "/y.ebd");
    EXPECT_EQ(Ctrl().UnRegister((kRoot + "\\Y").c_str(), "", ""), 1) << "a book key without its Book subkey";
    EXPECT_EQ(Ctrl().UnRegister((kRoot + "\\Y").c_str(), "", ""), 0) << "gone already";
    for (std::string refused :
         {kRoot, kRoot + "\\", std::string(""), std::string("SOFTWARE\\Velmoran"),
          std::string("SOFTWARE\\Velmoran\\ZavikDicOther\\X"), std::string("SOFTWARE")}) {
        SetValue("SOFTWARE\\Velmoran\\ZavikDicOther\\X", "v", "1");
        EXPECT_EQ(Ctrl().UnRegister(refused.c_str(), "", ""), 0) << refused;
    }
    EXPECT_TRUE(KeyExists(kRoot));
    EXPECT_TRUE(KeyExists("SOFTWARE\\Velmoran\\ZavikDicOther\\X"));
    EXPECT_EQ(Ctrl().UnRegister(std::string(300, 'k').c_str(), "", ""), 0);
}

TEST_F(Removing, CommandIgnoresTheNoDeleteFlagAndPrefersTheDropHighlight) {
    std::string u = AddBook("u.ebd", "U-1", "Loose");
    Register("U-1", u, books_);
    ASSERT_TRUE(Start());
    ASSERT_EQ(Node(Find("Poems"))->dwFlags & NF_NODELETE, static_cast<DWORD>(NF_NODELETE));
    Select(Find("Loose"));
    TreeView_SelectDropTarget(Tree(), Find("Poems"));
    ui_.AnswerMessageBox(IDYES);
    Ctrl().Delete();
    EXPECT_EQ(Find("Poems"), nullptr);
    EXPECT_NE(Find("Loose"), nullptr);
}

TEST_F(Removing, CatalogsGoOnlyWhenEmptyAndAfterTheFixedQuestion) {
    ASSERT_TRUE(Start());
    Select(Find("Poetry"));
    Ctrl().Delete();
    EXPECT_TRUE(ui_.MessageBoxes().empty()) << "a catalog that holds a book is not even asked about";
    EXPECT_NE(Find("Poetry"), nullptr);

    Select(Find("Empty"));
    ui_.AnswerMessageBox(IDNO);
    Ctrl().Delete();
    EXPECT_NE(Find("Empty"), nullptr);
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(ui_.MessageBoxes()[0].text,
              "\xAD\x6E\xB2\xBE\xB0\xA3\xB3\x6F\xAD\xD3\xA4\xC0\xC3\xFE\xB6\xDC\xA1\x48");
    EXPECT_EQ(ui_.MessageBoxes()[0].caption, "\xBD\x54\xBB\x7B\xB2\xBE\xB0\xA3\xA4\xC0\xC3\xFE");
    EXPECT_EQ(ui_.MessageBoxes()[0].type, kAskType);
    ui_.AnswerMessageBox(IDYES);
    Ctrl().Delete();
    EXPECT_EQ(Find("Empty"), nullptr);
}

TEST_F(Removing, DictionariesTheRootAndNothingSelectedAreLeftAlone) {
    DictLibrary();
    std::string d = AddBook("d.ebd", "D-1", "Words", 0x10);
    Books().SetDictAttr(d.c_str(), 1, 1);
    Register("D-1", d, books_);
    ASSERT_TRUE(Start());
    Select(Find("Words"));
    Ctrl().Delete();
    Select(Ctrl().Root());
    Ctrl().Delete();
    TreeView_SelectItem(Tree(), nullptr);
    Ctrl().Delete();
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_NE(Find("Words"), nullptr);
    EXPECT_TRUE(KeyExists(kRoot + "\\D-1\\Book"));
}

} // namespace

// Walking the registry again on a running shelf (Refresh): new registrations come in, a registration
// that now names another file or driver re-points its node, an unchanged registry changes nothing, and
// a registration that has gone leaves its book on the shelf.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

class Refreshing : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"p.ebd=1"});
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        p_ = AddBook("p.ebd", "P-1", "Poems");
        Register("P-1", p_, books_);
    }
    std::string p_;
};

TEST_F(Refreshing, BringsInBooksRegisteredSinceAndKeepsThoseWhoseRegistrationWent) {
    ASSERT_TRUE(Start());
    Register("U-1", AddBook("u.ebd", "U-1", "Loose"), books_);
    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
    RegDeleteKeyA(root, (kRoot + "\\P-1\\Book").c_str());
    RegDeleteKeyA(root, (kRoot + "\\P-1").c_str());
    RegCloseKey(root);
    Ctrl().SetBooksChanged(TRUE);
    Ctrl().Refresh();
    EXPECT_NE(Find("Loose"), nullptr);
    EXPECT_NE(Find("Poems"), nullptr) << "a registration that has gone leaves its book on the shelf";
    EXPECT_FALSE(Ctrl().BooksChanged());
    EXPECT_EQ(BookItems().size(), 2u);
    EXPECT_TRUE(TreeView_GetItemState(Tree(), Ctrl().Root(), TVIS_EXPANDED) & TVIS_EXPANDED)
        << "the root is collapsed and expanded again";
}

TEST_F(Refreshing, UnchangedRegistryInAnyLetterCaseChangesNothingButTheRegistryKey) {
    ASSERT_TRUE(Start());
    HTREEITEM poems = Find("Poems");
    Book(poems).szRegKey[0] = '\0';
    DWORD handle = Book(poems).dwBookHandle;
    HMODULE driver = Book(poems).hDriver;
    DWORD loads = plat::ModuleLoadCount(driver);
    std::string upper = p_;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // The driver reads the book under that name too (as a case-insensitive file system would).
    Books().AddBook(upper.c_str());
    Books().SetExBookNo(upper.c_str(), "P-1");
    SetValue(kRoot + "\\P-1\\Book", "Database", upper);
    Ctrl().Refresh();
    plat::PumpMessages();
    EXPECT_EQ(Find("Poems"), poems);
    EXPECT_EQ(Book(poems).dwBookHandle, handle);
    EXPECT_STREQ(Book(poems).szRegKey, (kRoot + "\\P-1").c_str());
    EXPECT_EQ(plat::ModuleLoadCount(driver), loads) << "the second load was released";
    EXPECT_EQ(Books().OpenBooks(), 1) << "the second opening was closed";
    EXPECT_TRUE(ClosedHandles().empty()) << "the same path in other letters is no change";
}

TEST_F(Refreshing, MovedBookFileIsServedFromItsNewPlaceUnderTheSameLabel) {
    ASSERT_TRUE(Start());
    HTREEITEM poems = Find("Poems");
    DWORD oldHandle = Book(poems).dwBookHandle;
    DWORD data = 1234;
    DWORD length = sizeof data;
    ASSERT_EQ(Ctrl().SetBookData(oldHandle, reinterpret_cast<const char*>(&data), &length), 1);
    // The same book (same number) at another path; its name there differs, the label must not.
    std::string moved = AddBook("moved/p.ebd", "P-1", "Poems, new name");
    SetValue(kRoot + "\\P-1\\Book", "Database", moved);
    Received().clear();
    Ctrl().Refresh();
    EXPECT_TRUE(ClosedHandles().empty()) << "posted, not sent";
    plat::PumpMessages();
    EXPECT_EQ(ClosedHandles(), std::vector<DWORD>{oldHandle});
    EXPECT_EQ(Find("Poems"), poems);
    EXPECT_STREQ(Book(poems).szFilePath, moved.c_str());
    EXPECT_NE(Book(poems).dwBookHandle, oldHandle);
    EXPECT_EQ(Book(poems).dwBookHandle, Books().LastHandle(moved.c_str()));
    EXPECT_EQ(Books().BookCloseCount(p_.c_str()), 1) << "the old book was closed once";
    EXPECT_EQ(Books().OpenBooks(), 1);
    EXPECT_EQ(Book(poems).pHostData, nullptr) << "the host's block went with the old book";
    EXPECT_EQ(Book(poems).dwHostDataLen, 0u);
    EXPECT_EQ(Ctrl().GetBookHandle("P-1"), Book(poems).dwBookHandle);
}

TEST_F(Refreshing, NewDriverPathRepointsAndReleasesTheOldDriver) {
    ASSERT_TRUE(Start());
    HTREEITEM poems = Find("Poems");
    HMODULE oldDriver = Book(poems).hDriver;
    std::string other = AddDriver("otherdrv.dll");
    testdrv::Driver otherDrv(other);
    otherDrv.AddBook(p_.c_str());
    otherDrv.SetExBookNo(p_.c_str(), "P-1");
    SetValue(kRoot + "\\P-1\\Book", "Driver", other);
    Ctrl().Refresh();
    EXPECT_STREQ(Book(poems).szDriverPath, other.c_str());
    EXPECT_NE(Book(poems).hDriver, oldDriver);
    EXPECT_EQ(plat::ModuleLoadCount(oldDriver), 0u) << "the old driver's only reference was given back";
    EXPECT_EQ(Books().OpenBooks(), 0);
    EXPECT_EQ(otherDrv.OpenBooks(), 1);
}

TEST_F(Refreshing, WalkWithoutAShelfAddsNothing) {
    // Without "Books.Dll" there is no root: a refresh has nowhere to put books.
    std::filesystem::remove(dir_ / "Books.Dll");
    ui_.AnswerMessageBox(IDOK);
    ASSERT_TRUE(Start());
    Ctrl().Refresh();
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u);
    EXPECT_EQ(Books().OpenCount(), 0);
}

} // namespace

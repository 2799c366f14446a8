// Walking the registry for registered books: what counts as a registration (any depth, value names in
// any case, both values non-empty), which key is the book key, and what is refused rather than cut.
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

// A shelf with the catalog of unclassified books and one e-book "a.ebd" of the book driver.
class RegistryLayout : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        file_ = AddBook("a.ebd", "A-1", "Book A");
    }
    HTREEITEM Unclassified() { return Find("Unclassified"); }
    std::string file_;
};

TEST_F(RegistryLayout, BookKeyIsTheKeyAboveTheValues) {
    Register("X", file_, books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(Text(items[0]), "Book A");
    EXPECT_STREQ(Book(items[0]).szRegKey, (kRoot + "\\X").c_str());
    EXPECT_STREQ(Book(items[0]).szFilePath, file_.c_str());
    EXPECT_STREQ(Book(items[0]).szDriverPath, books_.c_str());
    EXPECT_STREQ(Node(items[0])->szKey, "A-1");
}

TEST_F(RegistryLayout, ValuesOneLevelBelowTheRootGiveTheRootAsBookKey) {
    SetValue(kRoot + "\\X", "Database", file_);
    SetValue(kRoot + "\\X", "Driver", books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_STREQ(Book(items[0]).szRegKey, kRoot.c_str());
}

TEST_F(RegistryLayout, RegistrationsAtAnyDepthAndUnderAnyKeyName) {
    std::string b = AddBook("b.ebd", "B-1", "Book B");
    SetValue(kRoot + "\\Vendor\\Series\\Volume\\Files", "Database", b);
    SetValue(kRoot + "\\Vendor\\Series\\Volume\\Files", "Driver", books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_STREQ(Book(items[0]).szRegKey, (kRoot + "\\Vendor\\Series\\Volume").c_str());
}

TEST_F(RegistryLayout, ValueNamesInAnyLetterCase) {
    SetValue(kRoot + "\\X\\Book", "DATABASE", file_);
    SetValue(kRoot + "\\X\\Book", "dRiVeR", books_);
    ASSERT_TRUE(Start());
    EXPECT_EQ(BookItems().size(), 1u);
}

TEST_F(RegistryLayout, EmptyDriverOrMissingDatabaseIsNoRegistration) {
    SetValue(kRoot + "\\X\\Book", "Database", file_);
    SetValue(kRoot + "\\X\\Book", "Driver", "");
    SetValue(kRoot + "\\Y\\Book", "Driver", books_);
    SetValue(kRoot + "\\Y\\Book", "Other", file_);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(BookItems().empty());
    EXPECT_EQ(Books().OpenCount(), 0) << "nothing was even opened";
}

TEST_F(RegistryLayout, ValuesWithOrWithoutTerminatorReadTheSame) {
    SetValue(kRoot + "\\X\\Book", "Database", file_, /*terminator=*/true);
    SetValue(kRoot + "\\X\\Book", "Driver", books_, /*terminator=*/false);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_STREQ(Book(items[0]).szFilePath, file_.c_str());
}

TEST_F(RegistryLayout, SubkeyBelowAValueHoldingKeyIsWalkedToo) {
    std::string b = AddBook("b.ebd", "B-1", "Book B");
    Register("X", file_, books_);
    Register("X\\Book\\Inner", b, books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_STREQ(Book(items[1]).szRegKey, (kRoot + "\\X\\Book\\Inner").c_str());
}

TEST_F(RegistryLayout, SameBookUnderTwoKeysIsOneNodeWithTheKeyMetLast) {
    Register("First", file_, books_);
    Register("Second", file_, books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    // Subkeys enumerate sorted by name: "Second" is met last.
    EXPECT_STREQ(Book(items[0]).szRegKey, (kRoot + "\\Second").c_str());
    EXPECT_EQ(Books().OpenBooks(), 1) << "the second opening was closed again";
}

TEST_F(RegistryLayout, EnumRegValueReadsBothValuesAndTellsWhetherBothAreThere) {
    SetValue(kRoot + "\\X\\Book", "database", file_);
    SetValue(kRoot + "\\X\\Book", "DRIVER", books_);
    SetValue(kRoot + "\\Y\\Book", "Database", file_);
    ASSERT_TRUE(Start());
    char file[260] = "junk";
    char driver[260] = "junk";
    EXPECT_EQ(Ctrl().EnumRegValue((kRoot + "\\X\\Book").c_str(), file, driver), 1);
    EXPECT_STREQ(file, file_.c_str());
    EXPECT_STREQ(driver, books_.c_str());
    EXPECT_EQ(Ctrl().EnumRegValue((kRoot + "\\Y\\Book").c_str(), file, driver), 0);
    EXPECT_EQ(Ctrl().EnumRegValue((kRoot + "\\Missing").c_str(), file, driver), 0);
    EXPECT_STREQ(file, "") << "outputs are emptied first";
}

TEST_F(RegistryLayout, NoWalkWithoutTheRegistrationRoot) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(BookItems().empty());
    EXPECT_FALSE(Ctrl().BooksChanged());
}

// ---- what does not fit the buffers is refused, never cut ----

class OversizedRegistry : public RegistryLayout {};

TEST_F(OversizedRegistry, ValueTooLongForItsBufferRefusesThatRegistrationOnly) {
    std::string b = AddBook("b.ebd", "B-1", "Book B");
    Register("Good", b, books_);
    // 259 characters fit a 260-byte buffer; 260 do not. A cut path would name another file.
    std::string fits = (dir_ / std::string(259 - dir_.string().size() - 1, 'f')).string();
    std::string tooLong = (dir_ / std::string(260 - dir_.string().size() - 1, 'g')).string();
    ASSERT_EQ(fits.size(), 259u);
    ASSERT_EQ(tooLong.size(), 260u);
    AddBook(std::filesystem::path(fits).filename().string(), "F-1", "Fits");
    AddBook(std::filesystem::path(tooLong).filename().string(), "L-1", "Too long");
    AddBook(std::filesystem::path(tooLong.substr(0, 259)).filename().string(), "C-1", "Cut");
    Register("Fits", fits, books_);
    Register("Long", tooLong, books_);
    ASSERT_TRUE(Start());
    std::vector<std::string> labels;
    for (HTREEITEM item : BookItems())
        labels.push_back(Text(item));
    EXPECT_EQ(labels, (std::vector<std::string>{"Fits", "Book B"}));
}

TEST_F(OversizedRegistry, LongValueOfAnotherNameIsIgnored) {
    SetValue(kRoot + "\\X\\Book", "Comment", std::string(1000, 'c'));
    Register("X", file_, books_);
    ASSERT_TRUE(Start());
    EXPECT_EQ(BookItems().size(), 1u);
}

TEST_F(OversizedRegistry, KeyPathTooLongIsRefusedWithItsSubtreeWhileSiblingsStay) {
    std::string b = AddBook("b.ebd", "B-1", "Book B");
    // The root path has 26 characters; with "\" and a 240-character name the path has 267.
    std::string longName(240, 'k');
    Register(longName, file_, books_);
    Register("Short", b, books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(Text(items[0]), "Book B");
}

TEST_F(OversizedRegistry, PathThatJustFitsIsWalked) {
    // root (26) + "\" + 232 = 259 characters: the book key; its values sit one level below it.
    std::string name(232, 'k');
    SetValue(kRoot + "\\" + name, "Database", file_);
    SetValue(kRoot + "\\" + name, "Driver", books_);
    ASSERT_TRUE(Start());
    auto items = BookItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_STREQ(Book(items[0]).szRegKey, kRoot.c_str());
}

} // namespace

// Walking the registry for registered books: what counts as a registration (any depth, value names in
// any case, both values non-empty), which key is the book key, and what is refused rather than cut.
#include "test_regbooks_world.h"

#include <map>

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

TEST_F(RegistryLayout, BookKeyIsTheKeyAboveTheValuesAtAnyDepthAndUnderAnyName) {
    std::string b = AddBook("b.ebd", "B-1", "Book B");
    std::string c = AddBook("c.ebd", "C-1", "Book C");
    std::string d = AddBook("d.ebd", "D-1", "Book D");
    std::string e = AddBook("e.ebd", "E-1", "Book E");
    Register("X", file_, books_);
    SetValue(kRoot + "\\V\\Series\\Volume\\Files", "DATABASE", b); // value names in any case
    SetValue(kRoot + "\\V\\Series\\Volume\\Files", "dRiVeR", books_);
    Register("X\\Book\\Inner", c, books_); // below a key that holds values
    SetValue(kRoot + "\\Y", "Database", d, /*terminator=*/true);
    SetValue(kRoot + "\\Y", "Driver", books_); // values one level below the root: the root is the book key
    // The same book under two keys is one node with the key met last ("Z2" after "Z1").
    Register("Z1", e, books_);
    Register("Z2", e, books_);
    ASSERT_TRUE(Start());
    std::map<std::string, std::string> keys;
    for (HTREEITEM item : BookItems())
        keys[Text(item)] = std::string(Book(item).szRegKey).substr(kRoot.size());
    EXPECT_EQ(keys, (std::map<std::string, std::string>{{"Book A", "\\X"},
                                                        {"Book B", "\\V\\Series\\Volume"},
                                                        {"Book C", "\\X\\Book\\Inner"},
                                                        {"Book D", ""},
                                                        {"Book E", "\\Z2"}}));
    HTREEITEM a = Find("Book A");
    EXPECT_STREQ(Book(a).szFilePath, file_.c_str());
    EXPECT_STREQ(Book(a).szDriverPath, books_.c_str());
    EXPECT_STREQ(Node(a)->szKey, "A-1");
    EXPECT_STREQ(Book(Find("Book D")).szFilePath, d.c_str()) << "read the same with a terminator";
    EXPECT_EQ(Books().OpenBooks(), 5) << "the second opening of Book E was closed again";
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

// ---- what does not fit the buffers is refused, never cut ----

class OversizedRegistry : public RegistryLayout {};

TEST_F(OversizedRegistry, ValueOrKeyPathTooLongRefusesThatRegistrationOnly) {
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
    // The root path has 26 characters; with "\" and a 240-character name the path has 267.
    Register(std::string(240, 'k'), file_, books_);
    // A long value of another name is ignored.
    SetValue(kRoot + "\\Good\\Book", "Comment", std::string(1000, 'c'));
    ASSERT_TRUE(Start());
    std::vector<std::string> labels;
    for (HTREEITEM item : BookItems())
        labels.push_back(Text(item));
    EXPECT_EQ(labels, (std::vector<std::string>{"Fits", "Book B"}));
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

// The register command and files that are no native book but that a driver reads by their content
// (a dictionary in a format of its own): registered as native books are, and the e-book store is not
// asked. (Files no driver reads go to the store: test_register_refusals.cpp.)
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

class RegisteringByContent : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Mine", "7");
        std::string path;
        store_ = &OtherDriver("eBookDrv.dll", &path);
    }
    testdrv::Driver* store_ = nullptr;
};

TEST_F(RegisteringByContent, AFileADriverReadsIsRegisteredWithThatDriver) {
    // The book driver knows the file; its content is no "EBDF" book.
    const std::string words = AddBook("words.index", "W-1", "Words", 0xFE);
    WriteFile(words, "abbey\tA\tK\nzebra\tK\tK\n");
    ASSERT_TRUE(Start());
    AddInto("Mine", words);
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_EQ(ChildTexts(Find("Mine")), std::vector<std::string>{"Words"});
    EXPECT_EQ(StoredValue(kRoot + "\\W-1\\Book", "Database"), words);
    EXPECT_EQ(StoredValue(kRoot + "\\W-1\\Book", "Driver"), books_);
    EXPECT_EQ(store_->CallCount("CBIShelfAddBook"), 0) << "the store is not asked for a file a driver reads";
}

TEST_F(RegisteringByContent, ADamagedFileOfADriversKindIsRefusedWithThatDriversReason) {
    // The driver knows files like it (CBICheckVersion) but cannot open this one: the store is not asked.
    const std::string words = AddBook("damaged.index", "D-1", "Damaged", 0xFE);
    WriteFile(words, "not\tan\tindex\n");
    Books().SetOpenResult(words.c_str(), 3);
    Books().SetErrorText("damaged.index: line 1: the offset is not a number");
    ASSERT_TRUE(Start());
    AddInto("Mine", words, {""});
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    const std::string& text = ui_.MessageBoxes()[0].text;
    EXPECT_EQ(text.rfind("The file can't be opened.\n" + words + "\n", 0), 0u) << text;
    EXPECT_NE(text.find("bookdrv.dll: damaged.index: line 1: the offset is not a number"), std::string::npos)
        << text;
    EXPECT_EQ(store_->CallCount("CBIShelfAddBook"), 0);
    EXPECT_FALSE(KeyExists(kRoot));
}

TEST_F(RegisteringByContent, ADictionaryTheLibraryDoesNotServeSaysSoInsteadOfGoingToTheStore) {
    const std::string words = AddBook("unlisted.index", "U-1", "Unlisted", 0x10);
    WriteFile(words, "abbey\tA\tK\n");
    Books().SetDictAttr(words.c_str(), 1, 2);
    ASSERT_TRUE(Start()); // no dictionary library beside the program: it serves nothing
    AddInto("Mine", words, {""});
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(ui_.MessageBoxes()[0].text.find("It's not a Zavik book."), std::string::npos)
        << ui_.MessageBoxes()[0].text;
    EXPECT_EQ(store_->CallCount("CBIShelfAddBook"), 0);
    EXPECT_FALSE(KeyExists(kRoot));
}

} // namespace

// What the register command tells the user about a file it refuses: the message, a line naming the
// file, and a line with the reason the refusing driver gave (asked right after its refusal); and for a
// dictionary the dictionary library does not list, which dictionary it is, with nothing registered.
#include "test_regbooks_world.h"

#include <cstdlib>
#include <dlfcn.h>

using namespace regbooks;

namespace {

// Catalog "Mine" (id 7) and the unclassified books; the book driver in the host program's folder, a
// copy of the test driver as the HTML e-book driver.
class Refusals : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Mine", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        html_ = std::make_unique<testdrv::Driver>(AddDriver("eBookDrv.dll"));
    }
    void TearDown() override {
        RegWorld::TearDown();
        html_.reset();
        api_.reset();
    }
    // Runs the command on "Mine" with `path`, expecting one message box with exactly `text`.
    void AddExpecting(const std::string& path, const std::string& text) {
        size_t before = ui_.MessageBoxes().size();
        AddInto("Mine", path, {text});
        ASSERT_EQ(ui_.MessageBoxes().size(), before + 1);
        EXPECT_EQ(ui_.MessageBoxes().back().caption, "Error");
        EXPECT_EQ(ui_.MessageBoxes().back().type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    }
    // The dictionary library: a copy of the test driver that lists only `listed`.
    void DictionaryLibrary(uint32_t listed) {
        api_ = std::make_unique<testdrv::Driver>(AddDriver("ZavikApi.dll"));
        api_->DicAccept(listed);
    }
    std::unique_ptr<testdrv::Driver> html_;
    std::unique_ptr<testdrv::Driver> api_;
};

TEST_F(Refusals, StoreThatRefusesAFileIsQuotedUnderTheMessage) {
    std::string page = OtherFile("page.epub");
    ASSERT_TRUE(Start());
    html_->ShelfSetAddBookResult(CBI_ADD_NOT_A_BOOK);
    html_->SetErrorText("page.epub: no META-INF/container.xml");
    html_->ClearLog();
    AddExpecting(page, "It's not a Zavik book.\n" + page + "\npage.epub: no META-INF/container.xml");
    // Asked right after the refusal, before any other call.
    EXPECT_NE(html_->Log().find("-> 0\nCBIGetErrorText 512 -> "), std::string::npos) << html_->Log();

    html_->ShelfSetAddBookResult(CBI_ADD_FAILED);
    html_->SetErrorText("the store is read-only: /srv/ebooks");
    AddExpecting(page, "The book could not be added to the e-book store.\n" + page +
                           "\nthe store is read-only: /srv/ebooks");

    html_->SetErrorText("");
    AddExpecting(page, "The book could not be added to the e-book store.\n" + page);
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
    EXPECT_FALSE(KeyExists(kRoot));
}

TEST_F(Refusals, ReasonsAreCutToTheirBounds) {
    std::string page = OtherFile("page.epub");
    ASSERT_TRUE(Start());
    html_->ShelfSetAddBookResult(CBI_ADD_NOT_A_BOOK);
    html_->SetErrorText(std::string(5000, 'r').c_str());
    AddExpecting(page,
                 "It's not a Zavik book.\n" + page + "\n" + std::string(CBI_ERROR_TEXT_CAPACITY - 1, 'r'));
}

TEST_F(Refusals, NoDriverFoundShowsTheReasonOfTheLastDriverThatGaveOne) {
    std::string stray = (dir_ / "stray.ebd").string();
    WriteFile(stray, "EBDF of a format nobody reads");
    // A driver beside the program that looks at the file and says why it will not read it.
    testdrv::Driver picky(AddDriver("picky.dll"));
    picky.SetErrorText("stray.ebd: format version 9 is newer than this driver (6)");
    ASSERT_TRUE(Start());
    AddExpecting(stray, "This book's driver can't be found.\n" + stray +
                            "\npicky.dll: stray.ebd: format version 9 is newer than this driver (6)");
    EXPECT_FALSE(KeyExists(kRoot));
    EXPECT_EQ(plat::LoadedModuleCount(), 2u) << "every driver tried was released";
}

TEST_F(Refusals, DriverOnTheShelfThatRefusesSaysWhy) {
    Register("P-1", BookFile("p.ebd", "P-1", "Poems", 0xFF), books_);
    // The driver of the book on the shelf takes the file, then cannot open it.
    std::string bad = BookFile("bad.ebd", "B-1", "Bad", 0xFF);
    Books().SetOpenResult(bad.c_str(), 7);
    Books().SetErrorText("bad.ebd: the page table ends past the end of the file");
    ASSERT_TRUE(Start());
    AddExpecting(bad, "The file can't be opened.\n" + bad +
                          "\nbookdrv.dll: bad.ebd: the page table ends past the end of the file");
    EXPECT_FALSE(KeyExists(kRoot + "\\B-1"));
}

// ---- dictionaries the dictionary library does not list ----

TEST_F(Refusals, UnlistedDictionaryIsNamedWithItsIdAndNothingIsRegistered) {
    DictionaryLibrary(0x10201);
    Register("P-1", BookFile("p.ebd", "P-1", "Poems", 0xFF), books_);
    std::string words = BookFile("w.ebd", "W-1", "Words", 0x10);
    Books().SetDictAttr(words.c_str(), 3, 4);
    Books().SetDictClassNo(words.c_str(), 2);
    ASSERT_TRUE(Start());
    size_t open = static_cast<size_t>(Books().OpenBooks());
    AddExpecting(words, "The dictionary library doesn't list this dictionary.\n" + words +
                            "\nWords (dictionary id " + std::to_string(2 * 65536 + 4 * 256 + 3) + ")");
    EXPECT_EQ(Find("Words"), nullptr);
    EXPECT_FALSE(KeyExists(kRoot + "\\W-1")) << "no registration that would show nothing";
    EXPECT_EQ(static_cast<size_t>(Books().OpenBooks()), open) << "what was opened for it is closed";
    EXPECT_EQ(plat::LoadedModuleCount(), 3u) << "Books.Dll, eBookDrv.dll and the book driver of Poems";
}

TEST_F(Refusals, UnlistedDictionarysNameIsShownInTheActiveCodePageAndAnEarlierRegistrationStays) {
    DictionaryLibrary(0x10201);
    std::string words = BookFile("w.ebd", "W-1", "W\xC3\xB6rter", 0x10); // UTF-8
    Books().SetCodePage(words.c_str(), 65001);
    Books().SetDictAttr(words.c_str(), 1, 1);
    // A registration of the same book from before, that the shelf could not show either.
    Register("W-1", "/elsewhere/w.ebd", books_);
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_TRUE(Start());
    // Found through the folder search this time: the driver reads the file, the library refuses.
    AddExpecting(words, "The dictionary library doesn't list this dictionary.\n" + words +
                            "\nW\xF6rter (dictionary id " + std::to_string(65536 + 257) + ")");
    EXPECT_EQ(StoredValue(kRoot + "\\W-1\\Book", "Database"), "/elsewhere/w.ebd");
}

TEST_F(Refusals, DictionaryWithoutTheLibraryIsToldSo) {
    std::string words = BookFile("w.ebd", "W-1", "Words", 0x10);
    Books().SetDictAttr(words.c_str(), 1, 1);
    ASSERT_TRUE(Start());
    AddExpecting(words, "The dictionary library ZavikApi.dll can't be loaded.\n" + words);
    EXPECT_FALSE(KeyExists(kRoot));
}

// ---- the real e-book driver ----

class RefusalsOfTheEBookStore : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Mine", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        std::filesystem::copy_file(TAVRIN_EBOOK_DRIVER_PATH, dir_ / "eBookDrv.dll");
        setenv("TAVRIN_EBOOK_STORE", (dir_ / "store").c_str(), 1);
    }
    void TearDown() override {
        RegWorld::TearDown();
        unsetenv("TAVRIN_EBOOK_STORE");
    }
};

TEST_F(RefusalsOfTheEBookStore, FileThatIsNoEpubIsRefusedWithTheDriversReason) {
    std::string notes = (dir_ / "notes.txt").string();
    std::ofstream(notes, std::ios::binary) << "Plain notes, neither a native book nor an EPUB.\n";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(TreeView_SelectItem(Tree(), Find("Mine")));
    ui_.ChooseFile(notes);
    ui_.AnswerMessageBox(IDOK);
    Ctrl().AddBook();
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    const std::string& text = ui_.MessageBoxes()[0].text;
    const std::string head = "It's not a Zavik book.\n" + notes;
    ASSERT_EQ(text.substr(0, head.size()), head);
    // The driver's own reason follows when it gives one.
    void* ebook = dlopen((dir_ / "eBookDrv.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(ebook, nullptr);
    const bool givesReasons = dlsym(ebook, "CBIGetErrorText") != nullptr;
    dlclose(ebook);
    if (givesReasons) {
        ASSERT_GT(text.size(), head.size() + 1);
        EXPECT_EQ(text[head.size()], '\n');
        EXPECT_EQ(text.find('\n', head.size() + 1), std::string::npos) << "one line of reason";
    } else {
        EXPECT_EQ(text, head);
    }
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
}

} // namespace

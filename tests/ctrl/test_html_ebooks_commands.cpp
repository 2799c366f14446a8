// How books reach and leave the e-book store through the shelf: the registered message
// "KSM_ADD_BOOK" and the register command hand a file to the store and bring its new books in; the
// delete command removes a store book through the store and leaves the shared driver loaded; the
// store is closed once, before its driver is released, when the control goes.
#include "test_html_ebooks_world.h"

#include <fstream>

using namespace html_world;

namespace {

class StoreCommands : public HtmlWorld {
  protected:
    void SetUp() override {
        HtmlWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        AddCatalog(Sys().Root(), "Mine", "7");
        novels_ = StoreClass("Novels", "NOV", {7});
    }
    // Sends the registered message with `path`; what the store answers is `result`.
    LRESULT SendAddBook(const char* path, int result) {
        Html().ShelfSetAddBookResult(result);
        return SendMessageA(Ctrl().GetSafeHwnd(), RegisterWindowMessageA("KSM_ADD_BOOK"), 0,
                            reinterpret_cast<LPARAM>(path));
    }
    void Select(HTREEITEM item) { ASSERT_TRUE(TreeView_SelectItem(Tree(), item)); }
    int novels_ = 0;
};

TEST_F(StoreCommands, AddBookMessageAcceptedByTheStoreBringsItsNewBooksIn) {
    ASSERT_TRUE(Start());
    StoreBook(novels_, 8); // what the store holds once it took the file
    ui_.AnswerMessageBox(IDOK, "This book has been added into bookshelf\n/books/new.epub");
    SendAddBook("/books/new.epub", 4);
    EXPECT_EQ(Under("Novels"), std::vector<std::string>{"Book 7"}) << "4: the store had it already";
    Html().SetErrorText("/books/new.epub: no package document");
    ui_.AnswerMessageBox(IDOK,
                         "It's not a Zavik book.\n/books/new.epub\n/books/new.epub: no package document");
    SendAddBook("/books/new.epub", 0);
    EXPECT_EQ(Under("Novels"), std::vector<std::string>{"Book 7"}) << "0: no book";
    Html().SetErrorText("the store /s is read-only");
    ui_.AnswerMessageBox(IDOK, "The book could not be added to the e-book store.\n/books/new.epub\n"
                               "the store /s is read-only");
    SendAddBook("/books/new.epub", CBI_ADD_FAILED);
    EXPECT_EQ(Under("Novels"), std::vector<std::string>{"Book 7"}) << "-1: the store failed";
    EXPECT_EQ(ui_.MessageBoxes().size(), 3u) << "each refusal is told, with its reason";
    SendAddBook("/books/new.epub", 1);
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 8"}));
    EXPECT_EQ(Html().CallCount("CBIShelfAddBook"), 4);
    EXPECT_NE(Html().Log().find("CBIShelfAddBook \"/books/new.epub\" -> 1"), std::string::npos);
    EXPECT_EQ(ui_.MessageBoxes().size(), 3u) << "an added book needs no word";
}

TEST_F(StoreCommands, RegisterCommandOffersOtherFilesToTheStoreAndRefreshes) {
    std::string page = (dir_ / "story.epub").string();
    std::ofstream(page, std::ios::binary) << "PK\x03\x04 an e-book of the store";
    ASSERT_TRUE(Start());
    StoreBook(novels_, 8);
    Select(Find("Mine"));
    ui_.ChooseFile(page);
    Ctrl().AddBook();
    EXPECT_NE(Html().Log().find("CBIShelfAddBook \"" + page + "\" -> 1"), std::string::npos);
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 8"}));
    EXPECT_TRUE(Under("Mine").empty()) << "the store's books go to their class, not the target";
    EXPECT_FALSE(regbooks::KeyExists(regbooks::kRoot)) << "nothing is registered";
}

TEST_F(StoreCommands, DeletingAStoreBookGoesThroughTheStoreAndKeepsTheDriverLoaded) {
    StoreBook(novels_, 8);
    ASSERT_TRUE(Start());
    HMODULE module = Ctrl().HtmlDriver();
    DWORD handle = Book(Find("Book 7")).dwBookHandle;
    Select(Find("Book 7"));
    ui_.AnswerMessageBox(IDYES, "Are sure\xA1\x48");
    Html().ClearLog();
    Ctrl().Delete();
    EXPECT_EQ(Under("Novels"), std::vector<std::string>{"Book 8"});
    std::string log = Html().Log();
    size_t closed = log.find("CBICloseBook " + std::to_string(handle));
    size_t removed = log.find("CBIShelfDelBook \"7\"");
    ASSERT_NE(removed, std::string::npos) << log;
    EXPECT_LT(closed, removed) << log;
    EXPECT_EQ(plat::ModuleLoadCount(module), 1u) << "the shared driver stays, once";
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u) << "no registry message";

    Select(Find("Book 8"));
    ui_.AnswerMessageBox(IDYES);
    Ctrl().Delete();
    EXPECT_EQ(Find("Novels"), nullptr) << "the emptied class catalog goes with its last book";
    EXPECT_NE(Find("Unclassified"), nullptr);
    EXPECT_EQ(plat::ModuleLoadCount(module), 1u);
    plat::PumpMessages();
    EXPECT_EQ(ClosedHandles().size(), 2u);
}

TEST_F(StoreCommands, StoreIsClosedOnceBeforeItsDriverIsReleasedHoweverOftenItWasOpened) {
    ASSERT_TRUE(Start());
    Ctrl().Refresh();
    Ctrl().Refresh();
    EXPECT_EQ(Html().ShelfOpenCount(), 3);
    Html().ClearLog();
    DestroyControl();
    EXPECT_EQ(Html().ShelfCloseCount(), 1);
    std::string log = Html().Log();
    EXPECT_LT(log.find("CBICloseBook"), log.find("CBIShelfClose")) << "the books close first\n" << log;
    EXPECT_EQ(Html().OpenBooks(), 0);
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);
}

// Without a catalog for unclassified books the classes hang on the root, which stays whatever is
// deleted below it.
class StoreCommandsOnTheRoot : public HtmlWorld {};

TEST_F(StoreCommandsOnTheRoot, StoreBookRightUnderTheRootLeavesTheRootWhenDeleted) {
    ASSERT_TRUE(Start());
    // A store book placed straight on the root, the way the store's books are made.
    Html().AddBook("9");
    Html().SetCaps("9", CBI_CAP_SHARED_HTML, 0xFF);
    auto* record = new BookRecord;
    record->hDriver = Ctrl().LoadAndOpen(&record->dwBookHandle, "9", HtmlPath().c_str());
    ASSERT_NE(record->hDriver, 0u);
    ASSERT_TRUE(tavrin::CopyFits(record->szFilePath, "9"));
    auto* node = new TreeNode;
    node->nKind = NODE_BOOK;
    node->dwFlags = 6;
    node->pRecord = record;
    HTREEITEM item = Ctrl().AddOneItem(Ctrl().Root(), "Book 9", TVI_LAST, &g_imageIndex[0], node, 0);
    HMODULE module = record->hDriver;
    ASSERT_TRUE(TreeView_SelectItem(Tree(), item));
    ui_.AnswerMessageBox(IDYES);
    Ctrl().Delete();
    EXPECT_EQ(Find("Book 9"), nullptr);
    ASSERT_EQ(Children(nullptr), std::vector<HTREEITEM>{Ctrl().Root()}) << "the root is never deleted";
    EXPECT_NE(Html().Log().find("CBIShelfDelBook \"9\""), std::string::npos);
    // The load LoadAndOpen took stays with the store book's shared driver: give it back.
    FreeLibrary(module);
}

} // namespace

// The control's life: creation with its tree child, image list and start-up, which "Books.Dll" loads,
// what is shown when it is missing, the HTML e-book driver, "KSM_ADD_BOOK", and the teardown that
// releases every library.
#include "support/shelf_world.h"

#include "commctrl.h"

#include <filesystem>
#include <unistd.h>

using namespace world;

namespace {

class StartUp : public ShelfWorld {};

TEST_F(StartUp, TreeChildHasTheForcedStylesNeverABorderAndTheSixtyEightImages) {
    AddDriver("Books.Dll");
    ASSERT_TRUE(CreateControl(WS_BORDER | TVS_HASBUTTONS));
    HWND tree = Tree();
    ASSERT_NE(tree, nullptr);
    DWORD style = static_cast<DWORD>(GetWindowLongA(tree, GWL_STYLE));
    const DWORD forced = TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS | TVS_HASBUTTONS;
    EXPECT_EQ(style & (forced | WS_BORDER), forced) << "the host's style less its border";
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(ctrl_->GetSafeHwnd(), GWL_STYLE)) & (WS_CHILD | WS_VISIBLE),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(SendMessageA(tree, TVM_GETINDENT, 0, 0), 15);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(tree, TVM_GETINSERTMARKCOLOR, 0, 0)), 0x00FFAFu);
    RECT rc{};
    GetWindowRect(tree, &rc);
    RECT parent{};
    GetWindowRect(ctrl_->GetSafeHwnd(), &parent);
    EXPECT_EQ(rc.left - parent.left, 3) << "the tree starts 3 pixels right of the control's left edge";
    auto list = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 68);
    EXPECT_TRUE(ui_.MessageBoxes().empty());
}

TEST_F(StartUp, ShelfDriverComesFromTheProgramsFolderWhateverTheCurrentDirectory) {
    std::string mine = AddDriver("Books.Dll");
    std::filesystem::path elsewhere = dir_ / "elsewhere";
    std::string other = AddDriver("Books.Dll", TAVRIN_TESTDRV_PATH, elsewhere.string());
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(elsewhere.c_str()), 0);
    bool created = CreateControl();
    ASSERT_EQ(chdir(saved), 0);
    ASSERT_TRUE(created);
    ASSERT_NE(ctrl_->ShelfDriver(), 0u);
    char path[MAX_PATH] = "";
    GetModuleFileNameA(ctrl_->ShelfDriver(), path, sizeof path);
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::path(mine));
}

TEST_F(StartUp, MissingShelfDriverIsTheOnlyMessageAndNothingElseLoads) {
    AddDriver("eBookDrv.dll");
    ui_.AnswerMessageBox(IDOK);
    ASSERT_TRUE(CreateControl()) << "creation succeeds with an empty tree";
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(ui_.MessageBoxes()[0].text, (dir_ / "Books.Dll").string());
    EXPECT_EQ(ui_.MessageBoxes()[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(ctrl_->HtmlDriver(), 0u) << "the HTML e-book driver is not loaded";
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u);
    TrunkInfo info{};
    EXPECT_EQ(ctrl_->GetTrunkInfo("news", &info), 0) << "no catalog, no trunk";
    CTavrinCtrl& shelf = *ctrl_;
    EXPECT_EQ(shelf.SetTrunkStatus(nullptr, 0), 1) << "the status is kept even with an empty tree";
}

TEST_F(StartUp, WorkPathTooLongForItsBufferIsRefusedNotCut) {
    std::filesystem::path deep = dir_;
    while (deep.string().size() < 300)
        deep /= "folder-with-a-long-name";
    std::filesystem::create_directories(deep);
    testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, deep.string(), "Books.Dll");
    plat::SetProgramPath((deep / "reader").string());
    ui_.AnswerMessageBox(IDOK);
    ASSERT_TRUE(CreateControl());
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_NE(ui_.MessageBoxes()[0].text.find("too long"), std::string::npos);
    EXPECT_EQ(ctrl_->ShelfDriver(), 0u) << "no library is loaded from a cut path";
}

TEST_F(StartUp, SystemCatalogPathTooLongNamesTheSystemCatalog) {
    // A folder whose path leaves room for "Books.Dll" (259 characters in all) but not for "Tavrin.Sys".
    std::filesystem::path deep = dir_;
    while (deep.string().size() < 200)
        deep /= "folder";
    deep /= std::string(249 - deep.string().size() - 1, 'f');
    ASSERT_EQ(deep.string().size(), 249u);
    std::filesystem::create_directories(deep);
    std::string books = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, deep.string(), "Books.Dll");
    ASSERT_EQ(books.size(), 259u);
    plat::SetProgramPath((deep / "reader").string());
    ui_.AnswerMessageBox(IDOK, "The path is too long: " + (deep / "Tavrin.Sys").string());
    ASSERT_TRUE(CreateControl());
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_NE(ctrl_->ShelfDriver(), 0u) << "the shelf driver itself loaded";
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u);
}

class HostMessages : public ShelfWorld {};

TEST_F(HostMessages, AddBookMessageReachesTheHtmlDriverWithThePath) {
    AddDriver("Books.Dll");
    std::string html = AddDriver("eBookDrv.dll");
    testdrv::Driver drv(html);
    ASSERT_TRUE(CreateControl());
    UINT msg = RegisterWindowMessageA("ksm_add_book"); // the name in any letter case
    drv.ShelfSetAddBookResult(1);
    SendMessageA(ctrl_->GetSafeHwnd(), msg, 0, reinterpret_cast<LPARAM>("/books/new.epub"));
    EXPECT_NE(drv.Log().find("CBIShelfAddBook \"/books/new.epub\""), std::string::npos);
    drv.ClearLog();
    SendMessageA(ctrl_->GetSafeHwnd(), msg, 0, 0);
    EXPECT_EQ(drv.CallCount("CBIShelfAddBook"), 0) << "a null path is not handed on";
}

class Teardown : public ShelfWorld {};

TEST_F(Teardown, HtmlDriverIsLoadedByNameAndTheHostWindowsEndTearsTheControlDown) {
    AddDriver("Books.Dll");
    std::string html = AddDriver("eBookDrv.dll");
    testdrv::Driver drv(html); // keeps the instance's counts after the shelf releases it
    ASSERT_TRUE(CreateControl());
    EXPECT_NE(ctrl_->HtmlDriver(), 0u);
    EXPECT_EQ(plat::LoadedModuleCount(), 2u);
    HWND tree = Tree();
    DestroyWindow(host_);
    host_ = nullptr;
    EXPECT_FALSE(IsWindow(tree));
    EXPECT_EQ(ctrl_->GetSafeHwnd(), nullptr) << "the object is detached after WM_NCDESTROY";
    EXPECT_EQ(drv.ShelfCloseCount(), 1);
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);
    DestroyControl(); // the destructor of a detached control does nothing more
    EXPECT_EQ(drv.ShelfCloseCount(), 1);
}

} // namespace

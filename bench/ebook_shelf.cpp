// Start-up with a store of HTML e-books, as the user sees it: creating the control in a program folder
// whose "eBookDrv.dll" is the real e-book driver and whose store holds 1,000 EPUB books in 10 classes.
// The creation loads the system catalog (the scriptable test driver as "Books.Dll", serving one
// catalog, "65535"), walks the empty registry, loads "eBookDrv.dll" and collects its store: one online
// catalog per class below "65535", one book item per e-book (CBIOpenBook, CBIGetCaps, CBIGetBkName and
// the book number each).
//
// Each iteration creates the control (timed), then checks that the tree holds the 10 class catalogs
// with the 1,000 books and their numbers, destroys the control and checks that every library load was
// released (not timed).
//
// Run: build-ebench-rel/bench/bench_ebook_shelf (the folder is made under the system temporary folder)
// Budget: under 1 s.
#include "bench_shelf.h"
#include "commctrl.h"
#include "ebook_store_maker.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// What the tree holds below "65535" after a creation.
struct ShelfCount {
    UINT items = 0;  // every item of the tree
    int classes = 0; // online catalogs below "65535"
    int books = 0;   // book items in them, each with its driver, id and an "EPUB<id>" number
    int strays = 0;  // anything else below "65535"
};

const TreeNode* NodeOf(HWND tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(tree, &tv)) return nullptr;
    return reinterpret_cast<const TreeNode*>(tv.lParam);
}

std::string TextOf(HWND tree, HTREEITEM item) {
    char text[256] = {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    if (!TreeView_GetItem(tree, &tv)) return {};
    text[sizeof text - 1] = '\0';
    return text;
}

// A program folder with "Books.Dll" (the test driver serving a system catalog whose only catalog is
// "65535"), the real "eBookDrv.dll", a registry store of its own, and an e-book store of `books` books
// named to the driver by TAVRIN_EBOOK_STORE.
class EBookShelf {
  public:
    explicit EBookShelf(int books) : books_(books) {
        dir_ = fs::temp_directory_path() /
               ("tavrin-bench-ebook-shelf-" + std::to_string(getpid()) + "-" + std::to_string(books));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "store");
        ebookbench::MakeStore(dir_ / "store", books_);
        // Read by the driver when it opens the store, which is after the control has loaded it.
        setenv("TAVRIN_EBOOK_STORE", (dir_ / "store").c_str(), 1);

        std::string shelfDriver = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, dir_.string(), "Books.Dll");
        htmlDriver_ = testdrv::CopyDriver(TAVRIN_EBOOK_DRIVER_PATH, dir_.string(), "eBookDrv.dll");
        drv_ = std::make_unique<testdrv::Driver>(shelfDriver);
        std::string sys = (dir_ / "Tavrin.Sys").string();
        drv_->AddBook(sys.c_str());
        uint32_t root = drv_->AddItem(sys.c_str(), 0, "Shelf", -1);
        benchshelf::AddUnclassified(*drv_, sys, root, 0);

        Use();
        host_ = benchshelf::MakeHostWindow("BenchEBookShelfHost");
    }
    ~EBookShelf() {
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        drv_.reset();
        unsetenv("TAVRIN_EBOOK_STORE");
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    EBookShelf(const EBookShelf&) = delete;
    EBookShelf& operator=(const EBookShelf&) = delete;

    // Makes this folder the host program's and its registry store the registry.
    void Use() {
        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
    }

    bool Create(std::unique_ptr<CTavrinCtrl>& ctrl) {
        ctrl = std::make_unique<CTavrinCtrl>();
        CRect rc(0, 0, 300, 500);
        return ctrl->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1);
    }

    // The tree below "65535": its class catalogs and their books, read through the tree-view messages.
    ShelfCount Count(CTavrinCtrl& ctrl) const {
        ShelfCount count;
        HWND tree = ::GetDlgItem(ctrl.GetSafeHwnd(), 1000);
        count.items = TreeView_GetCount(tree);
        HTREEITEM unclassified = nullptr;
        for (HTREEITEM item = TreeView_GetChild(tree, TreeView_GetRoot(tree)); item;
             item = TreeView_GetNextSibling(tree, item))
            if (TextOf(tree, item) == "Unclassified") unclassified = item;
        if (!unclassified) return count;
        for (HTREEITEM cls = TreeView_GetChild(tree, unclassified); cls;
             cls = TreeView_GetNextSibling(tree, cls)) {
            const TreeNode* node = NodeOf(tree, cls);
            const CatalogRecord* catalog = node && node->nKind == NODE_CATALOG ? CatalogOf(node) : nullptr;
            if (!catalog || catalog->dwCataType != CATA_ONLINE) {
                ++count.strays;
                continue;
            }
            ++count.classes;
            for (HTREEITEM book = TreeView_GetChild(tree, cls); book;
                 book = TreeView_GetNextSibling(tree, book)) {
                const TreeNode* bookNode = NodeOf(tree, book);
                const BookRecord* record =
                    bookNode && bookNode->nKind == NODE_BOOK ? BookOf(bookNode) : nullptr;
                bool sound = record && record->hDriver != 0 &&
                             fs::path(record->szDriverPath) == htmlDriver_ &&
                             std::strncmp(bookNode->szKey, "EPUB", 4) == 0 &&
                             std::strcmp(bookNode->szKey + 4, record->szFilePath) == 0;
                if (sound)
                    ++count.books;
                else
                    ++count.strays;
            }
        }
        return count;
    }
    // Root, "65535", the class catalogs and the books.
    UINT ExpectedItems() const { return static_cast<UINT>(1 + 1 + ebookbench::kStoreClasses + books_); }

  private:
    int books_;
    fs::path dir_;
    fs::path htmlDriver_;
    std::unique_ptr<testdrv::Driver> drv_;
    HWND host_ = nullptr;
};

void BM_CreateShelfWithEBooks(benchmark::State& state) {
    const int books = static_cast<int>(state.range(0));
    EBookShelf shelf(books);
    for (auto _ : state) {
        std::unique_ptr<CTavrinCtrl> ctrl;
        bool created = shelf.Create(ctrl);
        state.PauseTiming();
        ShelfCount count = created ? shelf.Count(*ctrl) : ShelfCount{};
        if (!created)
            state.SkipWithError("the control was not created");
        else if (count.classes != ebookbench::kStoreClasses || count.books != books || count.strays != 0 ||
                 count.items != shelf.ExpectedItems())
            state.SkipWithError("the shelf does not hold every class and book of the store");
        ctrl.reset();
        plat::PumpMessages();
        if (plat::LoadedModuleCount() != 0) state.SkipWithError("a library load was not released");
        state.ResumeTiming();
    }
    state.counters["books"] = books;
}

} // namespace

BENCHMARK(BM_CreateShelfWithEBooks)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

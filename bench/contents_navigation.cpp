// Book contents on a large book: expanding a contents level of 100,000 entries and collapsing it again
// (as the user does, with the tree's keys), and going to a page ten levels below the book in a book
// of 100,000 entries (SetLocation on a collapsed book, so every level on the way is built). The books'
// driver computes its contents (contents_navigation_driver.cpp), so the time is the shelf's and the
// tree's.
//
// Run: build-contents-rel/bench/bench_contents_navigation
// Budget: expand and collapse of the 100,000-entry level under 0.5 s; the page ten levels deep under
// 10 ms.
#include "bench_shelf.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr LONG kDeepPage = 60000; // entry 60,000: ten levels below the book
constexpr int kFlatEntries = 100000;

// A host folder with "Books.Dll" (the test driver serving a plain system catalog) and the books'
// driver, a registry store with the two books, a host window and the control.
class ContentsShelf {
  public:
    ContentsShelf() {
        dir_ = std::filesystem::temp_directory_path() / ("tavrin-bench-contents-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::string shelfDriver = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, dir_.string(), "Books.Dll");
        std::string driver =
            testdrv::CopyDriver(TAVRIN_BENCH_CONTENTS_DRIVER_PATH, dir_.string(), "BenchContents.dll");
        shelf_ = std::make_unique<testdrv::Driver>(shelfDriver);
        std::string sys = (dir_ / "Tavrin.Sys").string();
        shelf_->AddBook(sys.c_str());
        shelf_->AddItem(sys.c_str(), 0, "Shelf", -1);

        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
        benchshelf::RegisterBook("F1", (dir_ / "flat.ebd").string(), driver);
        benchshelf::RegisterBook("D1", (dir_ / "deep.ebd").string(), driver);

        host_ = benchshelf::MakeHostWindow("BenchContentsHost");
        ctrl_ = std::make_unique<CTavrinCtrl>();
        CRect rc(0, 0, 300, 500);
        if (ctrl_->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1))
            tree_ = ::GetDlgItem(ctrl_->GetSafeHwnd(), 1000);
    }
    ~ContentsShelf() {
        ctrl_.reset();
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        shelf_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    HWND Tree() const { return tree_; }
    CTavrinCtrl& Ctrl() { return *ctrl_; }
    // The book item labelled `name` (the books sit directly under the root).
    HTREEITEM BookItem(const char* name) const {
        HTREEITEM root = TreeView_GetRoot(tree_);
        for (HTREEITEM c = TreeView_GetChild(tree_, root); c; c = TreeView_GetNextSibling(tree_, c)) {
            char text[64] = "";
            TVITEMA tv{};
            tv.mask = TVIF_TEXT;
            tv.hItem = c;
            tv.pszText = text;
            tv.cchTextMax = sizeof text;
            TreeView_GetItem(tree_, &tv);
            if (std::string(text) == name) return c;
        }
        return nullptr;
    }
    int ChildCount(HTREEITEM item) const {
        int n = 0;
        for (HTREEITEM c = TreeView_GetChild(tree_, item); c; c = TreeView_GetNextSibling(tree_, c))
            ++n;
        return n;
    }
    // The user's key on the item: VK_ADD expands it, VK_SUBTRACT collapses it.
    void Key(HTREEITEM item, WPARAM vk) {
        TreeView_SelectItem(tree_, item);
        SendMessageA(tree_, WM_KEYDOWN, vk, 0);
    }

  private:
    std::filesystem::path dir_;
    std::unique_ptr<testdrv::Driver> shelf_;
    HWND host_ = nullptr;
    std::unique_ptr<CTavrinCtrl> ctrl_;
    HWND tree_ = nullptr;
};

ContentsShelf& Shelf() {
    static ContentsShelf shelf;
    return shelf;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Expanding the flat book (100,000 contents items built) and collapsing it (all of them deleted and
// freed), both as the user does them.
void BM_ExpandCollapseLevel(benchmark::State& state) {
    ContentsShelf& shelf = Shelf();
    HTREEITEM book = shelf.BookItem("Flat");
    if (!book) {
        state.SkipWithError("the flat book is not on the shelf");
        return;
    }
    double expandMs = 0, collapseMs = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        shelf.Key(book, VK_ADD);
        auto t1 = std::chrono::steady_clock::now();
        state.PauseTiming();
        int built = shelf.ChildCount(book);
        state.ResumeTiming();
        auto t2 = std::chrono::steady_clock::now();
        shelf.Key(book, VK_SUBTRACT);
        auto t3 = std::chrono::steady_clock::now();
        if (built != kFlatEntries || shelf.ChildCount(book) != 0) {
            state.SkipWithError("the level was not built and removed whole");
            return;
        }
        expandMs += Milliseconds(t1 - t0);
        collapseMs += Milliseconds(t3 - t2);
    }
    state.counters["expand_ms"] = expandMs / static_cast<double>(state.iterations());
    state.counters["collapse_ms"] = collapseMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ExpandCollapseLevel)->Unit(benchmark::kMillisecond)->Iterations(5);

// SetLocation to page 60,000 of the deep book while the book is collapsed: ten levels are built and
// the entry is selected. Between iterations the book is collapsed (its items deleted), not timed.
void BM_SetLocationTenLevels(benchmark::State& state) {
    ContentsShelf& shelf = Shelf();
    HTREEITEM book = shelf.BookItem("Deep");
    if (!book) {
        state.SkipWithError("the deep book is not on the shelf");
        return;
    }
    char number[] = "d1";
    for (auto _ : state) {
        int result = shelf.Ctrl().SetLocation(number, 2, kDeepPage);
        state.PauseTiming();
        if (result != 1) {
            state.SkipWithError("the page was not selected");
            return;
        }
        TreeView_SelectItem(shelf.Tree(), TreeView_GetRoot(shelf.Tree()));
        TreeView_Expand(shelf.Tree(), book, TVE_COLLAPSE | TVE_COLLAPSERESET);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetLocationTenLevels)->Unit(benchmark::kMicrosecond);

// The same page again while its entry is an item already: only the search of the built items.
void BM_SetLocationBuilt(benchmark::State& state) {
    ContentsShelf& shelf = Shelf();
    char number[] = "d1";
    if (shelf.Ctrl().SetLocation(number, 2, kDeepPage) != 1) {
        state.SkipWithError("the page was not selected");
        return;
    }
    for (auto _ : state) {
        TreeView_SelectItem(shelf.Tree(), TreeView_GetRoot(shelf.Tree()));
        benchmark::DoNotOptimize(shelf.Ctrl().SetLocation(number, 2, kDeepPage));
    }
    TreeView_Expand(shelf.Tree(), shelf.BookItem("Deep"), TVE_COLLAPSE | TVE_COLLAPSERESET);
}
BENCHMARK(BM_SetLocationBuilt)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

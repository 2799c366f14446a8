// Moving a catalog within the shelf by dragging it, as the user does: the press on the catalog's label,
// the mouse moved past the drag distance and over a catalog of the user's next to it, the release on
// the upper half of its row (between rounds "Mine" goes back above it). The dragged catalog holds 1,000 or
// 10,000 books and is open, so every book is copied (with its node) and the old items deleted; every
// tenth book is a dictionary. The books' driver (BenchBooks.dll, startup_books_driver.cpp) opens books
// without touching the disk, so the time is the shelf's and the tree's.
//
// Run: build-rel/bench/bench_move_catalog   (bench/move_catalog.sh builds and runs it in one command)
// Budget: moving the open catalog of 10,000 books in under 100 ms.
#include "bench_shelf.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "plat/treeview.h"
#include "shelf/globals.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// The control with the member that inserts an item with its node, to make the user's catalog.
class BenchCtrl : public CTavrinCtrl {
  public:
    using CTavrinCtrl::AddOneItem;
    using CTavrinCtrl::SetItemImages;
    HTREEITEM Root() const { return m_hRoot; }
};

// A host folder whose system catalog has the catalog "Big" (key 100) listing every book, and "65535";
// `books` registrations served by BenchBooks.dll.
class MoveShelf {
  public:
    explicit MoveShelf(int books) : books_(books) {
        dir_ = std::filesystem::temp_directory_path() /
               ("tavrin-bench-move-" + std::to_string(getpid()) + "-" + std::to_string(books));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::string shelfDriver = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, dir_.string(), "Books.Dll");
        std::string driver =
            testdrv::CopyDriver(TAVRIN_BENCH_BOOKS_DRIVER_PATH, dir_.string(), "BenchBooks.dll");
        testdrv::CopyDriver(TAVRIN_BENCH_ZAVIKAPI_PATH, dir_.string(), "ZavikApi.dll");
        std::ofstream(dir_ / "ZavikApi.ini") << "class 2\n";

        drv_ = std::make_unique<testdrv::Driver>(shelfDriver);
        std::string sys = (dir_ / "Tavrin.Sys").string();
        drv_->AddBook(sys.c_str());
        uint32_t root = drv_->AddItem(sys.c_str(), 0, "Shelf", -1);
        std::string page = std::string(56, '.') + "[CONFIG]\xFF\x0AID=100\xFF\x0A[BOOKS]";
        for (int n = 0; n < books_; ++n)
            page += "\xFF\x0A"
                    "book-" +
                    std::to_string(n) + ".ebd=0";
        page += "\xFF\x06";
        drv_->SetPage(sys.c_str(), 0, page.data(), static_cast<int32_t>(page.size()));
        drv_->AddItem(sys.c_str(), root, "Big", 0);
        benchshelf::AddUnclassified(*drv_, sys, root, 1);

        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
        for (int n = 0; n < books_; ++n)
            benchshelf::RegisterBook("BK-" + std::to_string(n),
                                     "/bench/books/book-" + std::to_string(n) + ".ebd", driver);
        host_ = benchshelf::MakeHostWindow("BenchMoveHost");
        ctrl_ = std::make_unique<BenchCtrl>();
        CRect rc(0, 0, 300, 500);
        ctrl_->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1);
        tree_ = ::GetDlgItem(ctrl_->GetSafeHwnd(), 1000);

        // The user's catalog "Mine" first below the root; "Big" after it, open.
        auto* node = new TreeNode;
        node->nKind = NODE_CATALOG;
        node->dwFlags = NF_CANNEWCATA;
        auto* record = new CatalogRecord;
        record->dwCataType = CATA_USER;
        (void)tavrin::CopyFits(record->szCataName, "Mine");
        (void)tavrin::CopyFits(node->szKey, "Mine");
        node->pRecord = record;
        HTREEITEM mine = ctrl_->AddOneItem(ctrl_->Root(), "Mine", TVI_FIRST, &g_imageIndex[0], node, 0);
        ctrl_->SetItemImages(mine, 0);
        TreeView_Expand(tree_, Find("Big"), TVE_EXPAND);
        plat::PumpMessages();
    }
    ~MoveShelf() {
        ctrl_.reset();
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        drv_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    HTREEITEM Find(const char* label) const {
        for (HTREEITEM c = TreeView_GetChild(tree_, TreeView_GetRoot(tree_)); c;
             c = TreeView_GetNextSibling(tree_, c)) {
            char text[64] = "";
            TVITEMA tv{};
            tv.mask = TVIF_TEXT;
            tv.hItem = c;
            tv.pszText = text;
            tv.cchTextMax = sizeof text;
            TreeView_GetItem(tree_, &tv);
            if (std::string(text) == label) return c;
        }
        return nullptr;
    }

    // Puts "Mine" (empty) first again, above "Big", where the next drag finds it.
    void PutMineFirst() { g_shelfTree.MoveItem(TreeView_GetRoot(tree_), Find("Mine"), TVI_FIRST); }

    // Drags "Big" onto the upper half of "Mine" with the mouse; true when it moved there, open and whole.
    bool Move() {
        const bool upper = true;
        // Opening "Big" scrolled the tree to it: the top of the shelf is shown again, as the user
        // scrolls back to it.
        TreeView_SelectSetFirstVisible(tree_, TreeView_GetRoot(tree_));
        HTREEITEM big = Find("Big");
        HTREEITEM mine = Find("Mine");
        RECT label{};
        RECT row{};
        TreeView_GetItemRect(tree_, big, &label, TRUE);
        POINT from{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
        TreeView_GetItemRect(tree_, mine, &row, FALSE);
        POINT to{from.x, upper ? row.top + 1 : row.bottom - 2};
        plat::DragMouse(tree_, from, to, 4);
        HTREEITEM moved = Find("Big");
        if (!moved || moved == big) return false;
        bool before = TreeView_GetNextSibling(tree_, moved) == Find("Mine");
        return before && (TreeView_GetItemState(tree_, moved, TVIS_EXPANDED) & TVIS_EXPANDED) &&
               TreeView_GetCount(tree_) == static_cast<UINT>(books_ + 4);
    }

  private:
    int books_;
    std::filesystem::path dir_;
    std::unique_ptr<testdrv::Driver> drv_;
    HWND host_ = nullptr;
    std::unique_ptr<BenchCtrl> ctrl_;
    HWND tree_ = nullptr;
};

void BM_MoveOpenCatalog(benchmark::State& state) {
    int books = static_cast<int>(state.range(0));
    MoveShelf shelf(books);
    for (auto _ : state) {
        if (!shelf.Move()) state.SkipWithError("the catalog did not arrive open and whole");
        state.PauseTiming();
        shelf.PutMineFirst();
        state.ResumeTiming();
    }
    state.counters["books"] = books;
}

} // namespace

BENCHMARK(BM_MoveOpenCatalog)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(6);

BENCHMARK_MAIN();

// Painting the shelf: a full repaint of a tree 1,000 pixels high whose rows are all linked system
// catalogs, so that every row's paint reads the catalog's "RID" through the shelf driver (Books.Dll on
// a Tavrin.Sys made by the book builder from a catalog source). The second case has 10,000 catalogs
// open above the rows in view, to show what the items out of view cost a paint.
//
// Run: build-rel/bench/bench_shelf_paint
// Budget: a full repaint under 5 ms; with 10,000 items above the rows in view at most 1.5 times that.
#include "commctrl.h"
#include "plat/core.h"
#include "plat/draw.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "shelf/cbi_table.h"
#include "tavrin/tavrin_ctrl.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kLinkedCatalogs = 100; // more than a 1,000-pixel tree shows
constexpr int kTreeHeight = 1000;

// A host folder holding Books.Dll and a Tavrin.Sys of `hidden` catalogs in an "Archive" catalog and
// kLinkedCatalogs linked catalogs after it, all below the root.
class PaintShelf {
  public:
    explicit PaintShelf(int hidden) : hidden_(hidden) {
        dir_ = std::filesystem::temp_directory_path() /
               ("tavrin-bench-paint-" + std::to_string(getpid()) + "-" + std::to_string(hidden));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::copy_file(TAVRIN_BENCH_SHELF_DRIVER_PATH, dir_ / "Books.Dll");
        // Another driver library for the table to be bound to (a copy is a library of its own).
        std::filesystem::copy_file(TAVRIN_BENCH_SHELF_DRIVER_PATH, dir_ / "Other.dll");
        {
            std::ofstream source(dir_ / "Tavrin.catalog");
            source << "tavrin-catalog 1\ncodepage 1252\ncatalog \"Bench shelf\" {\n    id = 0\n";
            if (hidden_ > 0) {
                source << "    catalog \"Archive\" {\n        id = 900\n";
                for (int i = 0; i < hidden_; ++i)
                    source << "        catalog \"Archive " << i << "\" {\n            id = A" << i
                           << "\n        }\n";
                source << "    }\n";
            }
            for (int i = 0; i < kLinkedCatalogs; ++i)
                source << "    catalog \"Linked catalog " << i << "\" {\n        id = L" << i
                       << "\n        rid = \"link-" << i << "\"\n    }\n";
            source << "}\n";
        }
        std::string build = std::string("'") + TAVRIN_BENCH_BOOKC_PATH + "' build '" +
                            (dir_ / "Tavrin.catalog").string() + "' -o '" + (dir_ / "Tavrin.Sys").string() +
                            "'";
        ok_ = std::system(build.c_str()) == 0;

        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "BenchPaintHost";
        RegisterClassA(&wc);
        host_ = CreateWindowExA(0, "BenchPaintHost", "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400,
                                kTreeHeight + 40, nullptr, nullptr, 0, nullptr);
    }
    ~PaintShelf() {
        ctrl_.reset();
        if (other_) FreeLibrary(other_);
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Starts the control in the host, as tall as it takes for a tree of kTreeHeight pixels, with the
    // archive open and scrolled out of view above the first linked catalog. False when that failed.
    bool Start() {
        if (!ok_) return false;
        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
        ctrl_ = std::make_unique<CTavrinCtrl>();
        CRect rc(0, 0, 300, kTreeHeight + 2);
        DWORD style = WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS;
        if (!ctrl_->Create(style, rc, CWnd::FromHandle(host_), 1)) return false;
        plat::PumpMessages();
        tree_ = ::GetDlgItem(ctrl_->GetSafeHwnd(), 1000);
        HTREEITEM root = TreeView_GetRoot(tree_);
        HTREEITEM first = TreeView_GetChild(tree_, root);
        if (hidden_ > 0) {
            TreeView_Expand(tree_, first, TVE_EXPAND);
            first = TreeView_GetNextSibling(tree_, first);
        }
        TreeView_SelectSetFirstVisible(tree_, first);
        plat::PumpMessages();
        RECT client{};
        GetClientRect(tree_, &client);
        return client.bottom == kTreeHeight &&
               TreeView_GetCount(tree_) == static_cast<UINT>(hidden_ + (hidden_ > 0) + kLinkedCatalogs + 1);
    }

    // One full repaint of the tree, as an uncovered window gets it.
    void Repaint() {
        InvalidateRect(tree_, nullptr, TRUE);
        UpdateWindow(tree_);
    }
    // Loads the other driver library (released with the shelf).
    HMODULE OtherDriver() {
        if (!other_) other_ = LoadLibraryA((dir_ / "Other.dll").string().c_str());
        return other_;
    }
    // How many rows of the last paint carried the on-line mark.
    int MarkedRows() const {
        int marks = 0;
        for (const plat::DrawOp* op : plat::LastDrawing(tree_).OfKind(plat::DrawKind::Text))
            if (op->text == "(On-line)") ++marks;
        return marks;
    }

  private:
    int hidden_;
    bool ok_ = false;
    std::filesystem::path dir_;
    HWND host_ = nullptr;
    HWND tree_ = nullptr;
    std::unique_ptr<CTavrinCtrl> ctrl_;
    HMODULE other_ = 0;
};

void BM_RepaintLinkedRows(benchmark::State& state) {
    PaintShelf shelf(static_cast<int>(state.range(0)));
    if (!shelf.Start()) {
        state.SkipWithError("the shelf could not be made or started");
        return;
    }
    for (auto _ : state)
        shelf.Repaint();
    state.counters["marked_rows"] = shelf.MarkedRows();
    if (shelf.MarkedRows() < kTreeHeight / 20) state.SkipWithError("the rows in view are not all marked");
}

// The same while the driver table is bound to another driver (as after the user opened a page of a
// book): each row binds the shelf driver for its read and binds the other one back.
void BM_RepaintLinkedRowsOtherDriverBound(benchmark::State& state) {
    PaintShelf shelf(0);
    if (!shelf.Start()) {
        state.SkipWithError("the shelf could not be made or started");
        return;
    }
    HMODULE other = shelf.OtherDriver();
    if (!other) {
        state.SkipWithError("the other driver could not be loaded");
        return;
    }
    BindDriver(other);
    for (auto _ : state)
        shelf.Repaint();
    if (BoundDriver() != other) state.SkipWithError("the paint left the table bound to the shelf driver");
    state.counters["marked_rows"] = shelf.MarkedRows();
}

} // namespace

BENCHMARK(BM_RepaintLinkedRowsOtherDriverBound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintLinkedRows)->ArgName("items_above")->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

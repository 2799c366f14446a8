// Catalog look-ups on a large shelf: GetClassItem and GetTrunkInfo on a system catalog of 500
// catalogs with 50 "BOOKS" keys each, served by the scriptable test driver as "Books.Dll"; and the
// settings search alone on pages of growing size, to show that it is linear in the page's size.
//
// Run: build/bench/bench_catalog_lookup [--benchmark_filter=...]
// A look-up that ends in the last catalog reads every catalog's page once and must stay under 5 ms.
#include "bench_shelf.h"
#include "catalog/settings_text.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <unistd.h>

namespace {

constexpr int kTopCatalogs = 25;
constexpr int kSubCatalogs = 19; // 25 + 25 * 19 = 500 catalogs
constexpr int kBooksPerCatalog = 50;

// The control with the look-ups open to the benchmark.
class BenchCtrl : public CTavrinCtrl {
  public:
    using CTavrinCtrl::GetClassItem;
    HTREEITEM Root() const { return m_hRoot; }
};

std::string CatalogPage(int n) {
    std::string page(56, '.');
    page += "[CONFIG]\xFF\x0AID=" + std::to_string(1000 + n) + "\xFF\x0ARID=trunk-" + std::to_string(n);
    page += "\xFF\x0A[BOOKS]";
    for (int k = 0; k < kBooksPerCatalog; ++k)
        page += "\xFF\x0A"
                "book-" +
                std::to_string(n) + "-" + std::to_string(k) + ".ebd=" + (k == 0 ? "1" : "0");
    page += "\xFF\x06";
    return page;
}

// The host folder with "Books.Dll" and a large "Tavrin.Sys", a host window and the control in it.
class LargeShelf {
  public:
    LargeShelf() {
        dir_ = std::filesystem::temp_directory_path() / ("tavrin-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
        std::string books = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, dir_.string(), "Books.Dll");
        drv_ = std::make_unique<testdrv::Driver>(books);
        std::string sys = (dir_ / "Tavrin.Sys").string();
        drv_->AddBook(sys.c_str());
        uint32_t root = drv_->AddItem(sys.c_str(), 0, "Shelf", -1);
        int n = 0;
        for (int t = 0; t < kTopCatalogs; ++t) {
            uint32_t top = AddCatalog(sys, root, n++);
            for (int s = 0; s < kSubCatalogs; ++s)
                AddCatalog(sys, top, n++);
        }
        catalogs_ = n;

        host_ = benchshelf::MakeHostWindow("BenchHost");
        ctrl_ = std::make_unique<BenchCtrl>();
        CRect rc(0, 0, 300, 500);
        ok_ = ctrl_->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1) &&
              TreeView_GetCount(::GetDlgItem(ctrl_->GetSafeHwnd(), 1000)) == static_cast<UINT>(catalogs_ + 1);
    }
    ~LargeShelf() {
        ctrl_.reset();
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        drv_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    bool Ok() const { return ok_; }
    BenchCtrl& Ctrl() { return *ctrl_; }
    testdrv::Driver& Drv() { return *drv_; }
    int Catalogs() const { return catalogs_; }

  private:
    uint32_t AddCatalog(const std::string& sys, uint32_t parent, int n) {
        std::string page = CatalogPage(n);
        drv_->SetPage(sys.c_str(), n, page.data(), static_cast<int32_t>(page.size()));
        return drv_->AddItem(sys.c_str(), parent, ("Catalog " + std::to_string(n)).c_str(), n);
    }

    std::filesystem::path dir_;
    std::unique_ptr<testdrv::Driver> drv_;
    HWND host_ = nullptr;
    std::unique_ptr<BenchCtrl> ctrl_;
    int catalogs_ = 0;
    bool ok_ = false;
};

LargeShelf* g_shelf = nullptr;

// The driver logs every call; the log is emptied between iterations, outside the timing.
void ClearDriverLog(benchmark::State& state) {
    state.PauseTiming();
    g_shelf->Drv().ClearLog();
    state.ResumeTiming();
}

void LookUpClassItem(benchmark::State& state, int catalog, int book) {
    std::string file = "book-" + std::to_string(catalog) + "-" + std::to_string(book) + ".ebd";
    for (auto _ : state) {
        HTREEITEM after = nullptr;
        HTREEITEM found = g_shelf->Ctrl().GetClassItem(g_shelf->Ctrl().Root(), file.c_str(), &after);
        benchmark::DoNotOptimize(found);
        if (!found) state.SkipWithError("book not found");
        ClearDriverLog(state);
    }
    state.counters["catalogs"] = g_shelf->Catalogs();
}

void BM_GetClassItem_FirstCatalog(benchmark::State& state) {
    LookUpClassItem(state, 0, kBooksPerCatalog - 1);
}
void BM_GetClassItem_LastCatalog(benchmark::State& state) {
    LookUpClassItem(state, g_shelf->Catalogs() - 1, kBooksPerCatalog - 1);
}
void BM_GetClassItem_Missing(benchmark::State& state) {
    for (auto _ : state) {
        HTREEITEM after = nullptr;
        benchmark::DoNotOptimize(g_shelf->Ctrl().GetClassItem(g_shelf->Ctrl().Root(), "none.ebd", &after));
        ClearDriverLog(state);
    }
}

void LookUpTrunk(benchmark::State& state, const std::string& name, bool exists) {
    for (auto _ : state) {
        TrunkInfo info{};
        int found = g_shelf->Ctrl().GetTrunkInfo(name.c_str(), &info);
        benchmark::DoNotOptimize(found);
        if (found != (exists ? 1 : 0)) state.SkipWithError("unexpected answer");
        ClearDriverLog(state);
    }
}

void BM_GetTrunkInfo_LastCatalog(benchmark::State& state) {
    LookUpTrunk(state, "TRUNK-" + std::to_string(g_shelf->Catalogs() - 1), true);
}
void BM_GetTrunkInfo_Missing(benchmark::State& state) {
    LookUpTrunk(state, "no-such-trunk", false);
}

// The settings search alone: a page of state.range(0) book lines whose key is on the last line.
void BM_FindSetting_PageSize(benchmark::State& state) {
    std::string page(56, '.');
    page += "[CONFIG]\xFF\x0AID=1\xFF\x0A[BOOKS]";
    int64_t lines = state.range(0);
    for (int64_t k = 0; k < lines; ++k)
        page += "\xFF\x0A"
                "book-" +
                std::to_string(k) + ".ebd=0";
    page += "\xFF\x06";
    std::string key = "book-" + std::to_string(lines - 1) + ".ebd";
    auto bytes =
        std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(page.data()), page.size());
    for (auto _ : state) {
        auto value = tavrin::FindSetting(bytes, "BOOKS", key);
        benchmark::DoNotOptimize(value);
        if (!value) state.SkipWithError("key not found");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.SetComplexityN(static_cast<int64_t>(page.size()));
}

} // namespace

BENCHMARK(BM_GetClassItem_FirstCatalog)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetClassItem_LastCatalog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetClassItem_Missing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetTrunkInfo_LastCatalog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetTrunkInfo_Missing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindSetting_PageSize)->RangeMultiplier(8)->Range(64, 262144)->Complexity(benchmark::oN);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    LargeShelf shelf;
    if (!shelf.Ok()) {
        std::fprintf(stderr, "bench_catalog_lookup: the large shelf could not be built\n");
        return 1;
    }
    g_shelf = &shelf;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_shelf = nullptr;
    return 0;
}

// Saving and loading the user's catalogs: 1,000 user catalogs (100 under the root, each holding nine)
// with 1,000, 10,000 or 100,000 books spread over them. The books are not registered, so the load opens
// every one through its driver (BenchBooks.dll, startup_books_driver.cpp, which opens books without
// touching the disk; every tenth book is a dictionary that the benchmark's dictionary library serves).
// Load: a fresh control (made outside the timing) reads the stream and rebuilds the catalogs and books.
// Save: the whole stream written to a file from the rebuilt shelf.
//
// Run: bash bench/user_catalogs.sh   (builds out/bench-rel and runs this)
// Budget: 1,000 catalogs holding 10,000 books saved in under 50 ms and loaded in under 1 s; the load
// linear in the records.
#include "bench_shelf.h"
#include "catalog/user_catalog_stream.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kTopCatalogs = 100;
constexpr int kInner = 9; // catalogs inside each top catalog

void Append(std::string& out, const void* data, size_t size) {
    out.append(static_cast<const char*>(data), size);
}

tavrin::UserCatalogItem Catalog(const std::string& name, DWORD stamp, bool children, bool next,
                                DWORD parentPos) {
    tavrin::UserCatalogItem item{};
    item.bHasChildren = children;
    item.bHasNext = next;
    item.dwType = CATA_USER;
    item.dwFlags = NF_CANNEWCATA;
    item.dwParentPos = parentPos;
    item.tStamp = stamp;
    std::strncpy(item.szLabel, name.c_str(), sizeof item.szLabel - 1);
    return item;
}

// The stream of 1,000 catalogs holding `books` books (book n in catalog n % 1000), written as the save
// writes it.
std::string MakeStream(int books, const std::string& driver) {
    const int catalogs = kTopCatalogs * (kInner + 1);
    std::vector<std::vector<int>> held(catalogs);
    for (int n = 0; n < books; ++n)
        held[n % catalogs].push_back(n);
    tavrin::UserStreamHeader header = tavrin::MakeUserStreamHeader();
    std::string out;
    Append(out, &header, sizeof header);
    for (int t = 0; t < kTopCatalogs; ++t) {
        std::string entries;
        auto add = [&](const tavrin::UserCatalogItem& item) { Append(entries, &item, sizeof item); };
        auto addBooks = [&](int catalog, DWORD parentPos, bool moreAfter) {
            const auto& list = held[catalog];
            for (size_t i = 0; i < list.size(); ++i) {
                tavrin::UserCatalogItem item{};
                item.bHasNext = i + 1 < list.size() || moreAfter;
                item.dwType = NODE_BOOK;
                item.dwFlags = NF_NORENAME;
                item.dwParentPos = parentPos;
                std::snprintf(item.szLabel, sizeof item.szLabel, "BK-%d", list[i]);
                std::snprintf(item.szFilePath, sizeof item.szFilePath, "/bench/books/book-%d.ebd", list[i]);
                std::strncpy(item.szDriverPath, driver.c_str(), sizeof item.szDriverPath - 1);
                add(item);
            }
        };
        const int top = t * (kInner + 1);
        add(Catalog("Top " + std::to_string(t), 1000000 + top, true, false, 0));
        for (int i = 1; i <= kInner; ++i) {
            const auto position = static_cast<DWORD>(entries.size());
            add(Catalog("Inner " + std::to_string(top + i), 1000000 + top + i, !held[top + i].empty(),
                        i < kInner || !held[top].empty(), tavrin::kUserFirstChildParentPos));
            addBooks(top + i, position, false);
        }
        addBooks(top, tavrin::kUserFirstChildParentPos, false);
        CatalogRecord root{};
        tavrin::UserBlockHeader counts{static_cast<DWORD>(8 + sizeof root + entries.size()), 1};
        Append(out, &counts, sizeof counts);
        Append(out, &root, sizeof root);
        out += entries;
    }
    return out;
}

class BenchCtrl : public CTavrinCtrl {};

class UserShelf {
  public:
    explicit UserShelf(int books) {
        dir_ = std::filesystem::temp_directory_path() /
               ("tavrin-bench-user-" + std::to_string(getpid()) + "-" + std::to_string(books));
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
        benchshelf::AddUnclassified(*drv_, sys, root, 0);
        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
        host_ = benchshelf::MakeHostWindow("BenchUserHost");
        stream_ = (dir_ / "User.cat").string();
        std::ofstream(stream_, std::ios::binary) << MakeStream(books, driver);
        saved_ = (dir_ / "Saved.cat").string();
    }
    ~UserShelf() {
        ctrl_.reset();
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        drv_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void Fresh() {
        ctrl_.reset();
        plat::PumpMessages();
        ctrl_ = std::make_unique<BenchCtrl>();
        CRect rc(0, 0, 300, 500);
        ctrl_->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1);
    }
    bool Load() {
        HANDLE h =
            CreateFileA(stream_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ctrl_->m_hUserDefine = h;
        BOOL ok = ctrl_->LoadUserDefine();
        ctrl_->m_hUserDefine = INVALID_HANDLE_VALUE;
        CloseHandle(h);
        return ok;
    }
    bool Save() {
        HANDLE h = CreateFileA(saved_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        ctrl_->m_hUserDefine = h;
        BOOL ok = ctrl_->SaveUserDefineHead();
        ctrl_->m_hUserDefine = INVALID_HANDLE_VALUE;
        CloseHandle(h);
        return ok;
    }
    size_t Items() const { return TreeView_GetCount(::GetDlgItem(ctrl_->GetSafeHwnd(), 1000)); }
    // The saved stream holds what was loaded: the same size (the root's record is this shelf's).
    bool SavedIsLoaded() const {
        auto read = [](const std::string& path) {
            std::ifstream in(path, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        return read(saved_).size() == read(stream_).size();
    }

  private:
    std::filesystem::path dir_;
    std::unique_ptr<testdrv::Driver> drv_;
    HWND host_ = nullptr;
    std::unique_ptr<BenchCtrl> ctrl_;
    std::string stream_;
    std::string saved_;
};

void BM_LoadUserCatalogs(benchmark::State& state) {
    const int books = static_cast<int>(state.range(0));
    UserShelf shelf(books);
    const size_t expected = 2 + 1000 + static_cast<size_t>(books); // root, "65535", catalogs, books
    for (auto _ : state) {
        state.PauseTiming();
        shelf.Fresh();
        state.ResumeTiming();
        if (!shelf.Load() || shelf.Items() != expected) state.SkipWithError("the load was not whole");
    }
    state.counters["books"] = books;
}

void BM_SaveUserCatalogs(benchmark::State& state) {
    const int books = static_cast<int>(state.range(0));
    UserShelf shelf(books);
    shelf.Fresh();
    if (!shelf.Load()) state.SkipWithError("the load was not whole");
    for (auto _ : state)
        if (!shelf.Save()) state.SkipWithError("the save failed");
    if (!shelf.SavedIsLoaded()) state.SkipWithError("the saved stream differs from the one loaded");
    state.counters["books"] = books;
}

} // namespace

BENCHMARK(BM_LoadUserCatalogs)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SaveUserCatalogs)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();

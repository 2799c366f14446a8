// Start-up with many registered books: creating the control with 1,000 and with 10,000 books registered
// in the registry store and spread over 100 system catalogs (5 % of them listed by no catalog, so they
// go to "65535"; every tenth a dictionary that the dictionary library is asked about). The books' driver
// opens them without touching the disk and keeps nothing per book (startup_books_driver.cpp), so the
// time and memory are the shelf's: the registry walk, opening each book, the look-ups of book numbers
// and class catalogs, and inserting the items.
//
// Run: build-rel/bench/bench_startup_books
// Budget: 10,000 books in under 1 s; the 10,000 case at most 12 times the 1,000 case; the control's
// memory under 2 KB per book. BM_RegistryWalk times the registry calls of the walk alone.
#include "bench_shelf.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kCatalogs = 100;

std::string BookFile(int n) {
    return "/bench/books/book-" + std::to_string(n) + ".ebd";
}

size_t HeapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A host folder with "Books.Dll" (the test driver serving a system catalog of 100 catalogs and
// "65535"), the books' driver and the dictionary library, and a registry store with `books`
// registrations.
class StartupShelf {
  public:
    explicit StartupShelf(int books) : books_(books) {
        dir_ = std::filesystem::temp_directory_path() /
               ("tavrin-bench-startup-" + std::to_string(getpid()) + "-" + std::to_string(books));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::string shelfDriver = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, dir_.string(), "Books.Dll");
        driver_ = testdrv::CopyDriver(TAVRIN_BENCH_BOOKS_DRIVER_PATH, dir_.string(), "BenchBooks.dll");
        testdrv::CopyDriver(TAVRIN_BENCH_ZAVIKAPI_PATH, dir_.string(), "ZavikApi.dll");
        std::ofstream(dir_ / "ZavikApi.ini") << "class 2\n";

        drv_ = std::make_unique<testdrv::Driver>(shelfDriver);
        std::string sys = (dir_ / "Tavrin.Sys").string();
        drv_->AddBook(sys.c_str());
        uint32_t root = drv_->AddItem(sys.c_str(), 0, "Shelf", -1);
        for (int c = 0; c < kCatalogs; ++c) {
            std::string page(56, '.');
            page += "[CONFIG]\xFF\x0AID=" + std::to_string(100 + c) + "\xFF\x0A[BOOKS]";
            for (int n = c; n < books_; n += kCatalogs)
                if (n % 20 != 19)
                    page += "\xFF\x0A"
                            "book-" +
                            std::to_string(n) + ".ebd=" + (n % 7 ? "0" : "1");
            page += "\xFF\x06";
            drv_->SetPage(sys.c_str(), c, page.data(), static_cast<int32_t>(page.size()));
            drv_->AddItem(sys.c_str(), root, ("Catalog " + std::to_string(c)).c_str(), c);
        }
        benchshelf::AddUnclassified(*drv_, sys, root, kCatalogs);

        Use();
        for (int n = 0; n < books_; ++n)
            benchshelf::RegisterBook("BK-" + std::to_string(n), BookFile(n), driver_);
        host_ = benchshelf::MakeHostWindow("BenchStartupHost");
    }
    ~StartupShelf() {
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        drv_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Makes this shelf's folder the host program's and its store the registry.
    void Use() {
        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
    }

    // Creates the control; the number of items in its tree afterwards (0 when creation failed).
    UINT Create(std::unique_ptr<CTavrinCtrl>& ctrl) {
        ctrl = std::make_unique<CTavrinCtrl>();
        CRect rc(0, 0, 300, 500);
        if (!ctrl->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1))
            return 0;
        return TreeView_GetCount(::GetDlgItem(ctrl->GetSafeHwnd(), 1000));
    }
    // The items a complete start-up makes: root, catalogs, "65535", books.
    UINT ExpectedItems() const { return static_cast<UINT>(1 + kCatalogs + 1 + books_); }
    void ClearDriverLog() { drv_->ClearLog(); }

  private:
    int books_;
    std::filesystem::path dir_;
    std::string driver_;
    std::unique_ptr<testdrv::Driver> drv_;
    HWND host_ = nullptr;
};

StartupShelf& ShelfOf(int books) {
    static std::map<int, std::unique_ptr<StartupShelf>> shelves;
    auto& shelf = shelves[books];
    if (!shelf) shelf = std::make_unique<StartupShelf>(books);
    shelf->Use();
    return *shelf;
}

void BM_CreateShelf(benchmark::State& state) {
    int books = static_cast<int>(state.range(0));
    StartupShelf& shelf = ShelfOf(books);
    double bytesPerBook = 0;
    for (auto _ : state) {
        std::unique_ptr<CTavrinCtrl> ctrl;
        size_t before = HeapInUse();
        UINT items = shelf.Create(ctrl);
        state.PauseTiming();
        size_t after = HeapInUse();
        bytesPerBook = (static_cast<double>(after) - static_cast<double>(before)) / books;
        if (items != shelf.ExpectedItems()) state.SkipWithError("the shelf does not hold every book");
        ctrl.reset();
        plat::PumpMessages();
        if (plat::LoadedModuleCount() != 0) state.SkipWithError("a library load was not released");
        shelf.ClearDriverLog();
        state.ResumeTiming();
    }
    state.counters["books"] = books;
    state.counters["heap_bytes_per_book"] = bytesPerBook;
}

// The registry calls of a walk alone: open, enumerate keys and values, close, as the walk makes them.
int WalkKey(HKEY key) {
    int registrations = 0;
    for (DWORD index = 0;; ++index) {
        char name[260];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        int values = 0;
        for (DWORD v = 0;; ++v) {
            char valueName[260];
            DWORD nameLength = sizeof valueName;
            BYTE data[260];
            DWORD dataLength = sizeof data;
            if (RegEnumValueA(child, v, valueName, &nameLength, nullptr, nullptr, data, &dataLength) !=
                ERROR_SUCCESS)
                break;
            ++values;
        }
        if (values >= 2) ++registrations;
        registrations += WalkKey(child);
        RegCloseKey(child);
    }
    return registrations;
}

void BM_RegistryWalk(benchmark::State& state) {
    int books = static_cast<int>(state.range(0));
    ShelfOf(books);
    for (auto _ : state) {
        HKEY root = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, benchshelf::kBooksKey.c_str(), 0, KEY_READ, &root);
        int found = WalkKey(root);
        RegCloseKey(root);
        if (found != books) state.SkipWithError("the walk did not find every registration");
    }
    state.counters["books"] = books;
}

} // namespace

BENCHMARK(BM_CreateShelf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegistryWalk)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

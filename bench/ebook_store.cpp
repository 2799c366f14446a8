// The e-book store of eBookDrv.dll, timed through the driver's entry points as the shelf calls them.
//
//   BM_CollectStore/1000: the shelf's collection of a store of 1,000 EPUB books: CBIShelfOpen, the
//     attributes of every class and book, then for each book CBIOpenBook, CBIGetCaps, CBIGetBkName and
//     the extended book number (and CBICloseBook, so the next run starts from the same state).
//   BM_AddBook10MB: CBIShelfAddBook of a 10 MB EPUB (checked whole, copied into the store, index
//     rewritten, both synced to the disk); the book is deleted again outside the timing.
//
// Run: build-ebook-rel/bench/bench_ebook_store (the store is made under the system temporary folder)
// Budget: each under 1 s.
#include "ebook_store_maker.h"
#include "epub_fixtures/epub_maker.h"
#include "support/cbi_table.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tavrin::ebook;
using ebookbench::MakeStore;

struct Driver {
    void* library = nullptr;
    std::unique_ptr<CbiTable> cbi;
    Driver() {
        library = dlopen(TAVRIN_EBOOK_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library) cbi = std::make_unique<CbiTable>(library);
    }
    ~Driver() {
        if (library) {
            cbi->CBIShelfClose();
            dlclose(library);
        }
    }
};

fs::path FreshFolder(const std::string& name) {
    fs::path dir =
        fs::temp_directory_path() / ("tavrin-bench-ebook-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void BM_CollectStore(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    fs::path store = FreshFolder("collect");
    MakeStore(store, count);
    setenv("TAVRIN_EBOOK_STORE", store.c_str(), 1);
    Driver driver;
    if (!driver.cbi) {
        state.SkipWithError("eBookDrv.dll does not load");
        return;
    }
    CbiTable& cbi = *driver.cbi;
    std::vector<CBI_HBOOK> open;
    for (auto _ : state) {
        uint16_t classes = 0;
        CBIShelfBlock block{};
        if (!cbi.CBIShelfOpen(&classes, &block)) state.SkipWithError("the store does not open");
        int books = 0;
        for (int c = 0; c < classes; ++c) {
            char name[CBI_CLASS_NAME_SIZE] = {};
            char key[CBI_CLASS_KEY_SIZE] = {};
            uint16_t inClass = 0;
            if (!cbi.CBIShelfGetClassAttr(c, name, key, &inClass)) continue;
            for (int b = 0; b < inClass; ++b) {
                char attr[CBI_BOOK_ATTR_SIZE] = {};
                uint32_t id = 0;
                if (!cbi.CBIShelfGetBookAttr(c, b, attr, &id)) break;
                CBI_HBOOK book = 0;
                if (cbi.CBIOpenBook(std::to_string(id & 0xFFFF).c_str(), 0, &book) != 0) continue;
                CBICaps caps{};
                cbi.CBIGetCaps(book, &caps);
                char title[CBI_NAME_CAPACITY] = {};
                cbi.CBIGetBkName(book, 3, title, 255);
                char number[CBI_BOOKNO_BUFFER] = {};
                int length = cbi.CBIExBookNoLength(book);
                if (length > 0 && length < CBI_BOOKNO_BUFFER) cbi.CBIExBookNo(book, number, length);
                open.push_back(book);
                ++books;
            }
        }
        if (books != count) state.SkipWithError("not every book was collected");
        for (CBI_HBOOK book : open)
            cbi.CBICloseBook(book);
        open.clear();
    }
    unsetenv("TAVRIN_EBOOK_STORE");
    fs::remove_all(store);
}
BENCHMARK(BM_CollectStore)->Arg(1000)->Unit(benchmark::kMillisecond);

// A 10 MB book: 40 chapters of varied text (4 MB, about 0.5 MB compressed) and a 9.5 MB picture that does
// not compress.
std::string MakeLargeBook(const fs::path& folder) {
    epubtest::BookSpec spec;
    spec.title = "A large book";
    spec.subject = "Large";
    std::mt19937 random(7);
    const char* words[] = {"tide",  "harbour", "lantern", "rope",  "gull",
                           "north", "salt",    "keel",    "storm", "bay"};
    std::string filler;
    while (filler.size() < 100000) {
        filler += "<p>";
        for (int w = 0; w < 12; ++w)
            filler += std::string(words[random() % 10]) + " ";
        filler += "</p>";
    }
    epubtest::Files files = epubtest::Epub3(spec);
    std::string items, refs;
    for (int i = 0; i < 40; ++i) {
        std::string name = "extra" + std::to_string(i) + ".xhtml";
        files.push_back({"OEBPS/text/" + name, epubtest::Chapter("Extra " + std::to_string(i), filler)});
        items += "<item id=\"x" + std::to_string(i) + "\" href=\"text/" + name +
                 "\" media-type=\"application/xhtml+xml\"/>";
        refs += "<itemref idref=\"x" + std::to_string(i) + "\"/>";
    }
    std::string picture(19u << 19, '\0'); // 9.5 MB
    for (char& c : picture)
        c = static_cast<char>(random());
    files.push_back({"OEBPS/images/cover.bin", picture, true});
    items += "<item id=\"img\" href=\"images/cover.bin\" media-type=\"image/jpeg\"/>";
    std::string& opf = epubtest::FindEntry(files, "OEBPS/content.opf")->data; // after the last push_back
    opf.insert(opf.find("</manifest>"), items);
    opf.insert(opf.find("</spine>"), refs);
    std::string path = (folder / "large.epub").string();
    epubtest::WriteZip(path, files);
    return path;
}

void BM_AddBook10MB(benchmark::State& state) {
    fs::path folder = FreshFolder("add");
    std::string book = MakeLargeBook(folder);
    fs::path store = folder / "store";
    setenv("TAVRIN_EBOOK_STORE", store.c_str(), 1);
    Driver driver;
    if (!driver.cbi) {
        state.SkipWithError("eBookDrv.dll does not load");
        return;
    }
    uint32_t id = 0;
    for (auto _ : state) {
        if (driver.cbi->CBIShelfAddBook(book.c_str()) != 1) state.SkipWithError("the book was not added");
        state.PauseTiming();
        ++id;
        driver.cbi->CBIShelfDelBook(std::to_string(id).c_str());
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(book)) / (1 << 20);
    unsetenv("TAVRIN_EBOOK_STORE");
    fs::remove_all(folder);
}
BENCHMARK(BM_AddBook10MB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Pages read one after another, as a search reads them, come from large blocks of the file or from
// its mapping: byte for byte what the file holds, whatever else is read between them (another book, a
// page looked up on its own, another thread), every page's checksum still checked on the bytes
// handed out, and a file that shrank failing exactly where its bytes are gone; and runs of pages
// read at once into one buffer, laid out as the search keeps them.
#include "support/book_test_support.h"

#include "bookfmt/byte_source.h"
#include "bookfmt/mapped_file.h"
#include "bookfmt/reader.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

using namespace booktest;
using tavrin::book::Reader;

// A book of `count` pages of 1 to `longest` bytes of text, different for every seed.
BookModel ManyPages(int count, size_t longest, uint32_t seed) {
    BookModel book = SmallBook();
    book.root.children.clear();
    book.hasContents = false;
    book.pages.clear();
    std::mt19937 rng(seed);
    for (int p = 0; p < count; ++p) {
        std::string page(1 + rng() % longest, ' ');
        for (char& c : page)
            c = static_cast<char>('a' + rng() % 26);
        book.pages.push_back(page);
    }
    return book;
}

std::string Write(const TempFolder& dir, const std::string& name, const BookModel& book) {
    return dir.Write(name, Serialized(book));
}

std::string Page(const Reader& r, uint32_t page, std::string* error) {
    auto bytes = r.ReadPage(page, error);
    return bytes ? ToString(*bytes) : std::string("<failed>");
}

// Several blocks' worth of pages of a few hundred bytes.
constexpr int kPages = 4000;

// Reads go where the buffer's address matches the file offset modulo 64 (the kernel's copy is slow
// otherwise), always inside the slack the buffer was given.
TEST(PageRuns, ReadsArePlacedAtTheirOffsetsAlignmentInsideTheSlack) {
    alignas(64) uint8_t room[64 + tavrin::book::kReadSlack + 64];
    for (size_t start : {0, 1, 16, 63})
        for (uint64_t offset : {0ull, 1ull, 16ull, 0x806ac0ull, 0x806ad0ull, 123456789ull}) {
            uint8_t* at = tavrin::book::ReadPlace(room + start, offset);
            EXPECT_EQ((reinterpret_cast<uintptr_t>(at) - offset) % 64, 0u) << start << " " << offset;
            EXPECT_GE(at, room + start);
            EXPECT_LE(at, room + start + tavrin::book::kReadSlack);
        }
}

TEST(PageRuns, PagesInOrderComeBackByteForByteWhateverIsReadBetween) {
    TempFolder dir;
    const BookModel a = ManyPages(kPages, 600, 1), b = ManyPages(kPages, 600, 2);
    auto ra = Reader::Open(Write(dir, "a.ebd", a)), rb = Reader::Open(Write(dir, "b.ebd", b));
    ASSERT_TRUE(ra && rb);
    std::mt19937 rng(3);
    std::string error;
    for (uint32_t p = 0; p < kPages; ++p) {
        ASSERT_EQ(Page(*ra.reader, p, &error), a.pages[p]) << "page " << p << " " << error;
        if (p % 97 == 0) { // the other book's run, and pages looked up on their own
            ASSERT_EQ(Page(*rb.reader, p, &error), b.pages[p]) << error;
            const uint32_t any = rng() % kPages;
            ASSERT_EQ(Page(*ra.reader, any, &error), a.pages[any]) << "page " << any << " " << error;
        }
    }
    // Backwards: no run at all.
    for (uint32_t p = kPages; p-- > kPages - 50;)
        ASSERT_EQ(Page(*rb.reader, p, &error), b.pages[p]) << error;
}

TEST(PageRuns, TwoThreadsReadingTheirBooksInOrderGetTheirOwnBytes) {
    TempFolder dir;
    const BookModel a = ManyPages(kPages, 600, 4), b = ManyPages(kPages, 600, 5);
    auto ra = Reader::Open(Write(dir, "a.ebd", a)), rb = Reader::Open(Write(dir, "b.ebd", b));
    ASSERT_TRUE(ra && rb);
    auto readAll = [](const Reader& r, const BookModel& book, int* wrong) {
        std::string error;
        for (int round = 0; round < 3; ++round)
            for (uint32_t p = 0; p < kPages; ++p)
                *wrong += Page(r, p, &error) != book.pages[p];
    };
    int wrongA = 0, wrongB = 0;
    std::thread other(readAll, std::cref(*rb.reader), std::cref(b), &wrongB);
    readAll(*ra.reader, a, &wrongA);
    other.join();
    EXPECT_EQ(wrongA, 0);
    EXPECT_EQ(wrongB, 0);
}

// The offset in the file of a page's first byte (pages follow one another in the page data).
size_t PageStart(const Bytes& file, const BookModel& book, uint32_t page) {
    size_t at = SectionOffset(file, "PDAT");
    for (uint32_t p = 0; p < page; ++p)
        at += book.pages[p].size();
    return at;
}

TEST(PageRuns, EveryPageOfABlockIsCheckedAndAShrunkFileFailsExactlyAtTheCut) {
    TempFolder dir;
    const BookModel book = ManyPages(kPages, 600, 6);
    Bytes file = Serialized(book);
    std::string error;
    const uint32_t damaged = 1234;
    file[PageStart(file, book, damaged) + 1] ^= 0x01;
    const std::string path = dir.Write("a.ebd", file);
    auto opened = Reader::Open(path);
    ASSERT_TRUE(opened) << opened.error;
    const Reader& r = *opened.reader;
    for (uint32_t p = 0; p < kPages; ++p) {
        const bool ok = r.ReadPage(p, &error).has_value();
        ASSERT_EQ(ok, p != damaged) << "page " << p << " " << error;
        if (!ok) {
            EXPECT_NE(error.find("checksum of page 1234"), std::string::npos) << error;
        }
    }

    // Another copy, read in order for a while; then the file loses its second half. Every page
    // still in the file is served, none past the cut.
    file[PageStart(file, book, damaged) + 1] ^= 0x01;
    const std::string whole = dir.Write("b.ebd", file);
    auto second = Reader::Open(whole);
    ASSERT_TRUE(second) << second.error;
    const uint32_t cut = kPages / 2;
    for (uint32_t p = 0; p < 10; ++p)
        ASSERT_TRUE(second.reader->ReadPage(p, &error)) << error;
    ASSERT_EQ(truncate(whole.c_str(), static_cast<off_t>(PageStart(file, book, cut))), 0);
    uint32_t firstFailed = kPages;
    for (uint32_t p = 10; p < kPages && firstFailed == kPages; ++p)
        if (!second.reader->ReadPage(p, &error)) firstFailed = p;
    EXPECT_EQ(firstFailed, cut);
    EXPECT_NE(error.find("cannot read page"), std::string::npos) << error;
}

// A run read at once: the pages where the layout puts them (each after the zero of the one before,
// on a multiple of 16), as many as fit, each checked; one that fails has length 0 and ends the run.
struct PageRun {
    size_t count = 0;
    std::vector<std::string> pages; // as read; "<failed>" for length 0 of a nonempty page
    std::string error;
};
PageRun ReadRun(const Reader& r, uint32_t first, size_t bytes, size_t most) {
    std::vector<uint8_t> buffer(bytes, 0xEE);
    std::vector<int32_t> lengths(most, -1);
    PageRun run;
    run.count = r.ReadPages(first, buffer, lengths, &run.error);
    size_t at = 0;
    for (size_t i = 0; i < run.count; ++i) {
        const auto length = static_cast<size_t>(lengths[i]);
        EXPECT_LT(at + length, bytes);
        EXPECT_EQ(buffer[at + length], 0) << "the zero after page " << first + i;
        const bool failed = length == 0 && r.PageLength(first + static_cast<uint32_t>(i)) != 0;
        run.pages.push_back(failed ? "<failed>"
                                   : std::string(buffer.begin() + at, buffer.begin() + at + length));
        at = (at + length + 1 + 15) & ~size_t{15};
    }
    return run;
}

TEST(PageRuns, RunsReadAtOnceComeBackLaidOutByteForByteAsManyAsFit) {
    TempFolder dir;
    const BookModel book = ManyPages(kPages, 600, 7);
    auto opened = Reader::Open(Write(dir, "a.ebd", book));
    ASSERT_TRUE(opened) << opened.error;
    const Reader& r = *opened.reader;
    std::mt19937 rng(8);
    uint32_t next = 0;
    while (next < kPages) {
        const size_t bytes = 600 + rng() % 40000, most = 1 + rng() % 300;
        const PageRun run = ReadRun(r, next, bytes, most);
        ASSERT_GT(run.count, 0u) << "page " << next << " fits " << bytes << " bytes";
        ASSERT_LE(run.count, most);
        for (size_t i = 0; i < run.count; ++i)
            ASSERT_EQ(run.pages[i], book.pages[next + i]) << "page " << next + i;
        // The run stops only where the next page would not fit, or at the count or the book's end.
        const uint32_t after = next + static_cast<uint32_t>(run.count);
        if (run.count < most && after < kPages) {
            size_t laid = 0;
            for (uint32_t p = next; p < after; ++p)
                laid = (laid + book.pages[p].size() + 1 + 15) & ~size_t{15};
            EXPECT_GT(laid + book.pages[after].size() + 1, bytes) << "page " << after << " would fit";
        }
        EXPECT_TRUE(run.error.empty()) << run.error;
        next = after;
    }
    std::string error;
    std::vector<uint8_t> small(book.pages[5].size());
    std::vector<int32_t> lengths(4);
    EXPECT_EQ(r.ReadPages(5, small, lengths, &error), 0u) << "no room for the page and its zero";
    EXPECT_EQ(r.ReadPages(kPages, small, lengths, &error), 0u) << "past the last page";
}

// A caller may ask for a run of more pages than a search does (whose lists are kept for the next
// run); such a run, and the usual ones before and after it, come back whole.
TEST(PageRuns, ARunLongerThanASearchAsksForComesBackWholeBetweenUsualOnes) {
    TempFolder dir;
    constexpr int kMany = 9000;
    const BookModel book = ManyPages(kMany, 20, 10);
    auto opened = Reader::Open(Write(dir, "a.ebd", book));
    ASSERT_TRUE(opened) << opened.error;
    const Reader& r = *opened.reader;
    for (auto [first, most] : {std::pair<uint32_t, size_t>{0, 300}, {100, kMany}, {7, 2048}, {0, kMany}}) {
        const PageRun run = ReadRun(r, first, 48 * static_cast<size_t>(kMany), most);
        ASSERT_EQ(run.count, std::min<size_t>(most, kMany - first)) << "from page " << first;
        for (size_t i = 0; i < run.count; ++i)
            ASSERT_EQ(run.pages[i], book.pages[first + i]) << "page " << first + i;
        EXPECT_TRUE(run.error.empty()) << run.error;
    }
}

// The first pass over a book reads its runs or copies them from the mapping (each way is forced
// here; on its own the reader takes the one the page cache favours); later passes copy from the
// mapping. Every way checks every page and fails exactly where a shrunk file's bytes are gone.
TEST(PageRuns, ARunChecksEveryPageAndServesWhatAShrunkFileStillHolds) {
    using tavrin::book::FirstPass;
    TempFolder dir;
    const BookModel book = ManyPages(kPages, 600, 9);
    Bytes file = Serialized(book);
    std::string error;
    const uint32_t damaged = 1234;
    file[PageStart(file, book, damaged) + 1] ^= 0x01;
    Bytes intact = file;
    intact[PageStart(file, book, damaged) + 1] ^= 0x01;
    // Well past what a first run reads (and what the kernel may read ahead of it).
    uint32_t cut = 8;
    while (PageStart(file, book, cut) - PageStart(file, book, 0) < 1024 * 1024)
        ++cut;
    ASSERT_LT(cut + 10, static_cast<uint32_t>(kPages));

    for (FirstPass way : {FirstPass::Read, FirstPass::Mapped, FirstPass::Auto}) {
        SCOPED_TRACE(way == FirstPass::Read     ? "read first"
                     : way == FirstPass::Mapped ? "mapped first"
                                                : "auto");
        const FirstPass before = tavrin::book::UseFirstPass(way);
        const std::string tag = std::to_string(static_cast<int>(way));
        auto opened = Reader::Open(dir.Write("a" + tag + ".ebd", file));
        ASSERT_TRUE(opened) << opened.error;
        // The run ends with the damaged page; the next one goes on after it.
        PageRun run;
        for (const char* pass : {"first pass", "second pass"}) {
            SCOPED_TRACE(pass);
            ASSERT_EQ(ReadRun(*opened.reader, 0, 4096, 2).count, 2u);
            run = ReadRun(*opened.reader, damaged - 3, 64 * 1024, 8);
            ASSERT_EQ(run.count, 4u);
            for (size_t i = 0; i < 3; ++i)
                EXPECT_EQ(run.pages[i], book.pages[damaged - 3 + i]) << i;
            EXPECT_EQ(run.pages[3], "<failed>");
            EXPECT_NE(run.error.find("checksum of page 1234"), std::string::npos) << run.error;
            run = ReadRun(*opened.reader, damaged + 1, 64 * 1024, 8);
            ASSERT_EQ(run.count, 8u);
            EXPECT_EQ(run.pages[0], book.pages[damaged + 1]);
            EXPECT_TRUE(run.error.empty()) << run.error;
        }

        // Another copy loses its second half after a first run was read: the pages before the cut
        // still come, those past it fail with the reason.
        const std::string whole = dir.Write("b" + tag + ".ebd", intact);
        auto second = Reader::Open(whole);
        ASSERT_TRUE(second) << second.error;
        ASSERT_EQ(ReadRun(*second.reader, 0, 4096, 8).count, 8u);
        ASSERT_EQ(truncate(whole.c_str(), static_cast<off_t>(PageStart(file, book, cut))), 0);
        for (const char* pass : {"first pass", "second pass"}) {
            SCOPED_TRACE(pass);
            run = ReadRun(*second.reader, cut - 4, 64 * 1024, 8);
            ASSERT_EQ(run.count, 5u);
            for (size_t i = 0; i < run.count; ++i)
                EXPECT_EQ(run.pages[i], i < 4 ? book.pages[cut - 4 + i] : "<failed>") << i;
            EXPECT_NE(run.error.find("cannot read page " + std::to_string(cut)), std::string::npos)
                << run.error;
            run = ReadRun(*second.reader, cut + 1, 64 * 1024, 8);
            ASSERT_EQ(run.count, 1u);
            EXPECT_EQ(run.pages[0], "<failed>");
            ASSERT_EQ(ReadRun(*second.reader, 0, 4096, 8).count, 8u) << "from the start again";
        }
        tavrin::book::UseFirstPass(before);
    }
}

// Reads every page of a book in runs of a few kilobytes, as a search does; the number of pages that
// came back other than they are.
int WrongInRuns(const Reader& r, const BookModel& book, size_t bytes) {
    int wrong = 0;
    for (uint32_t next = 0; next < book.pages.size();) {
        const PageRun run = ReadRun(r, next, bytes, 2048);
        if (run.count == 0) return wrong + 1;
        for (size_t i = 0; i < run.count; ++i)
            wrong += run.pages[i] != book.pages[next + i];
        next += static_cast<uint32_t>(run.count);
    }
    return wrong;
}

// Runs come from the book's mapping: the bytes are the file's whoever reads what, books taking
// turns, two threads at once, a book read again from its start, and a book closed right after a run.
TEST(PageRuns, RunsReadAheadAreTheFilesBytesWhateverReadsMeanwhile) {
    TempFolder dir;
    const BookModel a = ManyPages(kPages, 600, 10), b = ManyPages(kPages, 600, 11);
    auto ra = Reader::Open(Write(dir, "a.ebd", a)), rb = Reader::Open(Write(dir, "b.ebd", b));
    ASSERT_TRUE(ra && rb);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(WrongInRuns(*ra.reader, a, 128 * 1024), 0) << "pass " << pass;
        EXPECT_EQ(WrongInRuns(*rb.reader, b, 100 * 1024), 0) << "pass " << pass;
    }
    // In turn: each run of one book comes between two of the other.
    int wrong = 0;
    for (uint32_t na = 0, nb = 0; na < kPages || nb < kPages;) {
        for (auto [r, book, next] :
             {std::tuple{ra.reader.get(), &a, &na}, std::tuple{rb.reader.get(), &b, &nb}}) {
            if (*next >= kPages) continue;
            const PageRun run = ReadRun(*r, *next, 50000, 2048);
            ASSERT_GT(run.count, 0u);
            for (size_t i = 0; i < run.count; ++i)
                wrong += run.pages[i] != book->pages[*next + i];
            *next += static_cast<uint32_t>(run.count);
        }
    }
    EXPECT_EQ(wrong, 0);
    int wrongA = 0, wrongB = 0;
    std::thread other([&] {
        for (int round = 0; round < 3; ++round)
            wrongB += WrongInRuns(*rb.reader, b, 128 * 1024);
    });
    for (int round = 0; round < 3; ++round)
        wrongA += WrongInRuns(*ra.reader, a, 128 * 1024);
    other.join();
    EXPECT_EQ(wrongA, 0);
    EXPECT_EQ(wrongB, 0);
    // Closed right after a run asked for the stretch after it; the other book is read on.
    ReadRun(*ra.reader, 0, 128 * 1024, 2048);
    ra.reader.reset();
    EXPECT_EQ(WrongInRuns(*rb.reader, b, 128 * 1024), 0);
}

// A program that forks without exec after a search reads runs in the child (which shares the
// parent's mapping) and ends it with exit(): the child reads its bytes and ends.
TEST(PageRuns, AChildForkedAfterRunsReadsItsOwnAndEnds) {
    TempFolder dir;
    const BookModel a = ManyPages(kPages, 600, 12);
    auto ra = Reader::Open(Write(dir, "a.ebd", a));
    ASSERT_TRUE(ra);
    ASSERT_EQ(WrongInRuns(*ra.reader, a, 128 * 1024), 0);
    ReadRun(*ra.reader, 0, 128 * 1024, 2048); // the thread is asked for the next stretch
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20); // a child that hangs ends with SIGALRM
        const int wrong = WrongInRuns(*ra.reader, a, 128 * 1024);
        ra.reader.reset();
        std::exit(wrong == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal "
                                   << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child read wrong bytes";
    EXPECT_EQ(WrongInRuns(*ra.reader, a, 128 * 1024), 0) << "the parent reads on";
}

// A mapped file cut short under the copy (another program truncating the book between the check of
// its size and the copy): the copy from the lost part fails and the program goes on; a copy from
// what is left still works. A bus error that is not a guarded copy's still ends the program.
TEST(PageRuns, AMappedFileCutShortFailsTheCopyInsteadOfEndingTheProgram) {
    TempFolder dir;
    const std::string path = dir.Write("cut.bin", Bytes(256 * 1024, 0x5A));
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    auto map = tavrin::book::MappedFile::Map(fd, 256 * 1024);
    ASSERT_TRUE(map);
    ASSERT_EQ(truncate(path.c_str(), 64 * 1024), 0);
    std::vector<uint8_t> a(1000), b(100 * 1024);
    const tavrin::book::Piece pieces[] = {{a.data(), a.size()}, {b.data(), b.size()}};
    EXPECT_FALSE(map->CopyPieces(32 * 1024, pieces));
    EXPECT_TRUE(map->CopyPieces(0, {pieces, 1}));
    EXPECT_EQ(a[999], 0x5A);
    EXPECT_FALSE(map->CopyPieces(250 * 1024, pieces)) << "past the mapping's end";
    // Bringing bytes in: what is left counts its faults (none the second time), the lost part and
    // what lies past the mapping fail.
    EXPECT_GE(map->FaultIn(0, 64 * 1024), 0);
    EXPECT_EQ(map->FaultIn(0, 64 * 1024), 0);
    EXPECT_EQ(map->FaultIn(60 * 1024, 8 * 1024), -1) << "the lost part";
    EXPECT_EQ(map->FaultIn(250 * 1024, 8 * 1024), -1) << "past the mapping's end";
    ::close(fd);

    EXPECT_EXIT(
        {
            const std::string other = dir.Write("other.bin", Bytes(64 * 1024, 1));
            const int ofd = ::open(other.c_str(), O_RDONLY);
            auto guarded = tavrin::book::MappedFile::Map(ofd, 64 * 1024);
            guarded->CopyPieces(0, {pieces, 1}); // the guard is installed
            void* raw = mmap(nullptr, 64 * 1024, PROT_READ, MAP_SHARED, ofd, 0);
            if (truncate(other.c_str(), 0) != 0) std::exit(3);
            volatile uint8_t sink = static_cast<const volatile uint8_t*>(raw)[8192];
            (void)sink;
            std::exit(0);
        },
        // Killed by the bus error, or by the handler that was there before (a sanitizer's report).
        [](int status) {
            return WIFSIGNALED(status) ||
                   (WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3);
        },
        "");
}

} // namespace

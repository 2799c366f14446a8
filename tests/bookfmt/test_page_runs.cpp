// Pages read one after another, as a search reads them, come from large blocks of the file read
// ahead: byte for byte what the file holds, whatever else is read between them (another book, a
// page looked up on its own, another thread), every page's checksum still checked on the bytes
// handed out, and a file that shrank failing exactly where its bytes are gone.
#include "support/book_test_support.h"

#include "bookfmt/byte_source.h"
#include "bookfmt/reader.h"
#include "bookfmt/writer.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
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

std::string Write(const TempDir& dir, const std::string& name, const BookModel& book) {
    std::string error;
    auto bytes = tavrin::book::SerializeBook(book, &error);
    EXPECT_TRUE(bytes) << error;
    return dir.Write(name, bytes ? *bytes : Bytes());
}

std::string Page(const Reader& r, uint32_t page, std::string* error) {
    auto bytes = r.ReadPage(page, error);
    return bytes ? ToString(*bytes) : std::string("<failed>");
}

// Several blocks' worth of pages of a few hundred bytes.
constexpr int kPages = 4000;

TEST(PageRuns, PagesInOrderComeBackByteForByteWhateverIsReadBetween) {
    TempDir dir;
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
    TempDir dir;
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
    TempDir dir;
    const BookModel book = ManyPages(kPages, 600, 6);
    std::string error;
    Bytes file = *tavrin::book::SerializeBook(book, &error);
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

} // namespace

// Opening a book reads its index in one or two reads, whatever its size, and still checks every
// section: the reads are counted on a source that also fails on request.
#include "support/book_test_support.h"

#include "bookfmt/byte_source.h"
#include "bookfmt/reader.h"
#include "bookfmt/writer.h"

#include <gtest/gtest.h>

namespace {

using namespace booktest;
using tavrin::book::ByteSource;
using tavrin::book::Reader;

// Bytes in memory; counts the reads, and fails those longer than `longest` and those that touch
// [failFrom, failTo).
class CountingSource : public ByteSource {
  public:
    CountingSource(Bytes bytes, size_t* reads, size_t longest = SIZE_MAX, uint64_t failFrom = 0,
                   uint64_t failTo = 0)
        : bytes_(std::move(bytes)), reads_(reads), longest_(longest), failFrom_(failFrom), failTo_(failTo) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        ++*reads_;
        if (out.size() > longest_ || (offset < failTo_ && offset + out.size() > failFrom_)) return false;
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
        std::copy_n(bytes_.begin() + static_cast<ptrdiff_t>(offset), out.size(), out.begin());
        return true;
    }

  private:
    Bytes bytes_;
    size_t* reads_;
    size_t longest_;
    uint64_t failFrom_, failTo_;
};

Bytes Serialized(const BookModel& book) {
    std::string error;
    auto bytes = tavrin::book::SerializeBook(book, &error);
    EXPECT_TRUE(bytes) << error;
    return bytes ? *bytes : Bytes();
}

// A book of `pages` pages, each its own contents entry: its index grows with the pages.
BookModel BookOfPages(int pages) {
    BookModel book = SmallBook();
    book.pages.clear();
    book.root.children.clear();
    for (int i = 0; i < pages; ++i) {
        book.pages.push_back("page " + std::to_string(i) + "\n");
        tavrin::book::ContentsNode entry;
        entry.text = "Entry " + std::to_string(i);
        entry.page = i;
        book.root.children.push_back(entry);
    }
    return book;
}

TEST(IndexReads, SmallAndLargeIndexesTakeAtMostTwoReadsAndServeTheSamePages) {
    for (int pages : {4, 3000}) {
        SCOPED_TRACE(pages);
        const Bytes file = Serialized(BookOfPages(pages));
        size_t reads = 0;
        auto opened = Reader::OpenSource(std::make_unique<CountingSource>(file, &reads));
        ASSERT_TRUE(opened) << opened.error;
        EXPECT_LE(reads, 2u);
        std::string error;
        auto last = opened.reader->ReadPage(static_cast<uint32_t>(pages - 1), &error);
        ASSERT_TRUE(last) << error;
        EXPECT_EQ(ToString(*last), "page " + std::to_string(pages - 1) + "\n");
        EXPECT_EQ(opened.reader->PageCount(), static_cast<uint32_t>(pages));
    }
}

TEST(IndexReads, AFailedBlockReadFallsBackAndFailuresAndDamageAreStillReported) {
    const Bytes file = Serialized(BookOfPages(3000));
    const size_t strings = SectionOffset(file, "STRS");
    // Reads as long as the block of index sections fail, but each section on its own can be read: the
    // book opens, section by section.
    size_t longest = 0;
    for (const char* tag : {"META", "NAME", "STRS", "TOCE", "PAGE"})
        longest = std::max(longest, SectionSize(file, tag));
    size_t reads = 0;
    auto opened = Reader::OpenSource(std::make_unique<CountingSource>(file, &reads, longest));
    ASSERT_TRUE(opened) << opened.error;
    EXPECT_GT(reads, 2u);
    EXPECT_EQ(opened.reader->PageCount(), 3000u);
    // A section that cannot be read is named.
    opened =
        Reader::OpenSource(std::make_unique<CountingSource>(file, &reads, SIZE_MAX, strings, strings + 1));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error, "cannot read the section STRS");

    // Sections taken from the block are checked as those read on their own.
    Bytes damaged = file;
    damaged[strings + 3] ^= 0x20;
    opened = Reader::OpenSource(std::make_unique<CountingSource>(damaged, &reads));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error, "damaged book: the checksum of section STRS does not match");
}

} // namespace

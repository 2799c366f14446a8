// Opening a book checks its whole index in one pass and keeps only its identity and names; the page
// index and the contents are read when first used and checked again then. What the quick pass lets
// through must pass the thorough checks too, and an index changed on disk after opening is refused
// when it is read, not trusted.
#include "support/book_test_support.h"

#include "bookfmt/byte_source.h"
#include "bookfmt/format.h"
#include "bookfmt/held_bytes.h"
#include "bookfmt/reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace booktest;
using tavrin::book::ByteSource;
using tavrin::book::ContentsNode;
using tavrin::book::LoadU64;
using tavrin::book::Reader;
using tavrin::book::StoreU32;
namespace fmt = tavrin::book::format;

// Bytes the test can change under an open book; counts what the reader reads.
struct SharedFile {
    Bytes bytes;
    uint64_t read = 0;
};

class SharedSource final : public ByteSource {
  public:
    explicit SharedSource(std::shared_ptr<SharedFile> file) : file_(std::move(file)) {}
    uint64_t Size() const override { return file_->bytes.size(); }
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        if (!tavrin::book::RangeInside(offset, out.size(), file_->bytes.size())) return false;
        if (!out.empty()) std::memcpy(out.data(), file_->bytes.data() + offset, out.size());
        file_->read += out.size();
        return true;
    }

  private:
    std::shared_ptr<SharedFile> file_;
};

// A book opened from bytes the test can change under it.
struct SharedBook {
    explicit SharedBook(const BookModel& model, tavrin::book::OpenOptions options = {}) {
        file->bytes = Serialized(model);
        opened = Reader::OpenSource(std::make_unique<SharedSource>(file), options);
    }
    std::shared_ptr<SharedFile> file = std::make_shared<SharedFile>();
    tavrin::book::OpenResult opened;
};

// SmallBook with a deeper contents: a chain of `depth` entries under "Volume 1", each with a sibling
// after it, so that the walk climbs back through many levels at once.
BookModel DeepBook(int depth) {
    BookModel model = SmallBook();
    ContentsNode* at = &model.root.children[1];
    at->children.clear();
    for (int level = 0; level < depth; ++level) {
        at->children.push_back({"level " + std::to_string(level), level % 4, {}});
        at->children.push_back({"after " + std::to_string(level), -1, {}});
        at = &at->children.front();
    }
    return model;
}

TEST(IndexOnDemand, OpeningReadsTheIndexOnceAndEachPartWhenFirstUsed) {
    auto file = std::make_shared<SharedFile>();
    file->bytes = Serialized(SmallBook());
    const uint64_t index = SectionSize(file->bytes, "STRS") + SectionSize(file->bytes, "TOCE") +
                           SectionSize(file->bytes, "PAGE");
    auto opened = Reader::OpenSource(std::make_unique<SharedSource>(file));
    ASSERT_TRUE(opened) << opened.error;
    const Reader& r = *opened.reader;
    const uint64_t directory = fmt::kHeaderSize + 6 * fmt::kDirEntrySize;
    EXPECT_EQ(file->read,
              directory + SectionSize(file->bytes, "META") + SectionSize(file->bytes, "NAME") + index);
    EXPECT_EQ(r.NameFor(1033), std::optional<std::string_view>("Small book (en)"));
    ASSERT_TRUE(r.Number());
    EXPECT_EQ(*r.Number(), "TEST-0001");

    // The contents come with the text pool; the page index on its own.
    uint64_t before = file->read;
    EXPECT_EQ(r.EntryText(1), "Preface");
    EXPECT_EQ(file->read - before, SectionSize(file->bytes, "STRS") + SectionSize(file->bytes, "TOCE"));
    // The page index is checked in one pass that keeps nothing, and a page's record read alone.
    before = file->read;
    EXPECT_EQ(r.PageEntry(3), 6u);
    EXPECT_EQ(file->read - before, SectionSize(file->bytes, "PAGE") + fmt::kPageRecordSize);
    before = file->read;
    EXPECT_EQ(r.FirstChild(2), 3u);
    EXPECT_EQ(file->read, before);
    EXPECT_EQ(r.PageLength(0), SmallBook().pages[0].size());
    EXPECT_EQ(file->read - before, fmt::kPageRecordSize);
}

// SmallBook's names and number with `count` pages of their own and no contents.
BookModel PagesBook(int count) {
    BookModel model = SmallBook();
    model.root.children.clear();
    model.hasContents = false;
    model.pages.clear();
    for (int p = 0; p < count; ++p)
        model.pages.push_back("page " + std::to_string(p) + std::string(p % 50, '.'));
    return model;
}

// The bytes of pages first ... first + count - 1 of `model`.
uint64_t TextBytes(const BookModel& model, uint32_t first, uint32_t count) {
    uint64_t bytes = 0;
    for (uint32_t p = first; p < first + count; ++p)
        bytes += model.pages[p].size();
    return bytes;
}

struct PageRun {
    size_t count = 0;
    std::vector<std::string> pages; // "" for a page that failed
    std::string error;
};

PageRun ReadRun(const Reader& r, uint32_t first, size_t most) {
    std::vector<uint8_t> buffer(64 * 1024);
    std::vector<int32_t> lengths(most);
    PageRun run;
    run.count = r.ReadPages(first, buffer, lengths, &run.error);
    size_t at = 0;
    for (size_t i = 0; i < run.count; ++i) {
        run.pages.emplace_back(reinterpret_cast<const char*>(buffer.data() + at), lengths[i]);
        at = (at + lengths[i] + 1 + 15) & ~size_t{15};
    }
    return run;
}

// A book of more pages than one stretch of records read ahead holds, opened from bytes the test can
// change under it.
class PastTheRecordsReadAhead : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(book.opened) << book.opened.error; }

    const uint32_t ahead = static_cast<uint32_t>(Reader::kRecordsReadAhead);
    const BookModel model = PagesBook(static_cast<int>(ahead) + 200);
    SharedBook book{model};
    SharedFile* const file = book.file.get();
};

// A search reads its runs' page records from the file, once the page index has been checked whole, a
// stretch of them ahead at a time; every page is still held to its checksum, and a record changed on
// disk since the check is held to the rules when it is read, the index then read whole to say why.
TEST_F(PastTheRecordsReadAhead, RunsReadTheirRecordsAheadAndTrustNoRecordChangedSince) {
    const Reader& r = *book.opened.reader; // SetUp saw it open
    const size_t index = SectionOffset(file->bytes, "PAGE");
    auto record = [&](uint32_t p, size_t field) { return index + p * fmt::kPageRecordSize + field; };

    // The first run checks the index and reads records ahead; the next one reads only its pages.
    uint64_t before = file->read;
    PageRun run = ReadRun(r, 0, 16);
    ASSERT_EQ(run.count, 16u) << run.error;
    EXPECT_EQ(run.pages[15], model.pages[15]);
    EXPECT_EQ(file->read - before,
              SectionSize(file->bytes, "PAGE") + ahead * fmt::kPageRecordSize + TextBytes(model, 0, 16));
    before = file->read;
    run = ReadRun(r, 16, 16);
    ASSERT_EQ(run.count, 16u) << run.error;
    EXPECT_EQ(run.pages[0], model.pages[16]);
    EXPECT_EQ(file->read - before, TextBytes(model, 16, 16));

    // Page 40's bytes changed: the run ends with it, failed, and says why.
    file->bytes[SectionOffset(file->bytes, "PDAT") + LoadU64(file->bytes, record(40, fmt::kPageOffset))] ^= 1;
    run = ReadRun(r, 32, 16);
    ASSERT_EQ(run.count, 9u) << run.error;
    EXPECT_EQ(run.pages[7], model.pages[39]);
    EXPECT_EQ(run.pages[8], "");
    EXPECT_NE(run.error.find("checksum of page 40 does not match"), std::string::npos) << run.error;

    // A record past those read ahead now lies outside the page data: the run that needs it reads the
    // index whole, which is refused.
    StoreU32(file->bytes, record(ahead + 50, fmt::kPageLength), 0x7FFFFFF0);
    run = ReadRun(r, ahead + 10, 100);
    EXPECT_EQ(run.count, 0u);
    EXPECT_NE(run.error.find("no longer what it was"), std::string::npos) << run.error;
    EXPECT_NE(run.error.find("checksum of section PAGE"), std::string::npos) << run.error;
    EXPECT_EQ(r.PageLength(0), 0u);
}

// A search's hits (the pages it names, their entries) take their records from those its runs read
// ahead: nothing is read for them, and they use up none of the records read alone.
TEST_F(PastTheRecordsReadAhead, HitsTakeTheirRecordsFromThoseTheRunsReadAhead) {
    const Reader& r = *book.opened.reader; // SetUp saw it open
    ASSERT_EQ(ReadRun(r, 0, 16).count, 16u);
    uint64_t before = file->read;
    for (uint32_t p = 0; p < 2 * Reader::kPagesReadAlone; ++p) {
        ASSERT_EQ(r.PageLength(p * 50), model.pages[p * 50].size()) << p * 50;
        ASSERT_EQ(r.PageEntry(p * 50), Reader::kNone);
    }
    EXPECT_EQ(file->read, before);
    // Past them, a record is read alone.
    EXPECT_EQ(r.PageLength(ahead + 20), model.pages[ahead + 20].size());
    EXPECT_EQ(file->read - before, fmt::kPageRecordSize);
}

// A second pass over the pages (a book searched again) reads the page index whole and holds it; the
// runs after that read no records of their own.
TEST(IndexOnDemand, ASecondPassHoldsThePageIndex) {
    const BookModel model = PagesBook(100);
    SharedBook book(model);
    ASSERT_TRUE(book.opened) << book.opened.error;
    const Reader& r = *book.opened.reader;
    SharedFile* const file = book.file.get();
    const uint64_t index = SectionSize(file->bytes, "PAGE");
    for (int pass = 0; pass < 3; ++pass) {
        for (uint32_t first = 0; first < 100; first += 20) {
            const uint64_t before = file->read;
            const PageRun run = ReadRun(r, first, 20);
            ASSERT_EQ(run.count, 20u) << run.error;
            EXPECT_EQ(run.pages[19], model.pages[first + 19]);
            const uint64_t records = pass == 0 && first == 0 ? 100 * fmt::kPageRecordSize : 0;
            const uint64_t whole = (pass == 0 || pass == 1) && first == 0 ? index : 0;
            EXPECT_EQ(file->read - before, whole + records + TextBytes(model, first, 20))
                << pass << " " << first;
        }
    }
}

// Single pages (a search's hits, a page shown) read their records alone, up to a few; past those the
// page index is read whole and held, and serves every page after that without reading it again.
// A dictionary's index, megabytes of it, held in memory of its own (HeldBytes): every page, entry and
// entry text comes out as written, and the pages held to their records' checksums, once the page
// index is held for a second pass and the contents for their texts.
TEST(IndexOnDemand, AnIndexOfMegabytesIsHeldAndServesEveryPageAndEntry) {
    constexpr int kWords = 100000; // 2.4 MB of page records, as many contents entries
    BookModel model = PagesBook(kWords);
    model.hasContents = true;
    for (int w = 0; w < kWords; ++w)
        model.root.children.push_back({"word " + std::to_string(w), w, {}});
    ASSERT_GE(kWords * fmt::kPageRecordSize, tavrin::book::HeldBytes::kOwnMemoryFrom);
    SharedBook book(model);
    ASSERT_TRUE(book.opened) << book.opened.error;
    const Reader& r = *book.opened.reader;
    for (int pass = 0; pass < 2; ++pass)
        for (uint32_t first = 0; first < kWords; first += 1000) {
            const PageRun run = ReadRun(r, first, 1000);
            ASSERT_EQ(run.count, 1000u) << run.error;
            ASSERT_EQ(run.pages[999], model.pages[first + 999]) << pass;
        }
    ASSERT_EQ(r.HoldIndex(), "");
    for (uint32_t w : {0u, 1u, 4097u, 65535u, 99999u}) {
        EXPECT_EQ(r.EntryText(w + 1), "word " + std::to_string(w));
        EXPECT_EQ(r.PageEntry(w), w + 1);
        std::string error;
        const std::optional<Bytes> page = r.ReadPage(w, &error);
        ASSERT_TRUE(page) << error;
        EXPECT_EQ(ToString(*page), model.pages[w]);
    }
    // A page whose bytes changed since is still refused against its held record.
    book.file->bytes[SectionOffset(book.file->bytes, "PDAT") + TextBytes(model, 0, 77777)] ^= 1;
    std::string error;
    EXPECT_FALSE(r.ReadPage(77777, &error));
    EXPECT_NE(error.find("77777"), std::string::npos) << error;
}

TEST(IndexOnDemand, SinglePagesReadTheirRecordsAloneUntilTheIndexIsWorthHolding) {
    const BookModel model = PagesBook(Reader::kPagesReadAlone + 20);
    SharedBook book(model);
    ASSERT_TRUE(book.opened) << book.opened.error;
    const Reader& r = *book.opened.reader;
    SharedFile* const file = book.file.get();

    EXPECT_EQ(r.PageLength(0), model.pages[0].size());
    // A record changed on disk since the index was checked gives nothing of its page.
    const size_t length = SectionOffset(file->bytes, "PAGE") + 1 * fmt::kPageRecordSize + fmt::kPageLength;
    const Bytes kept = file->bytes;
    StoreU32(file->bytes, length, 0x7FFFFFF0);
    EXPECT_EQ(r.PageLength(1), 0u);
    std::string error;
    EXPECT_FALSE(r.ReadPage(1, &error));
    EXPECT_NE(error.find("the record of page 1 is damaged"), std::string::npos) << error;
    file->bytes = kept;
    // Four records read alone so far: page 0's, page 1's, and page 1's twice (its length, its bytes).
    const uint32_t next = Reader::kPagesReadAlone - 3;
    for (uint32_t p = 1; p < next; ++p) {
        const uint64_t before = file->read;
        EXPECT_EQ(r.PageLength(p), model.pages[p].size()) << p;
        EXPECT_EQ(file->read - before, fmt::kPageRecordSize) << p;
    }
    uint64_t before = file->read;
    EXPECT_EQ(r.PageLength(next), model.pages[next].size());
    EXPECT_EQ(file->read - before, SectionSize(file->bytes, "PAGE"));
    before = file->read;
    EXPECT_EQ(r.PageEntry(next + 1), Reader::kNone);
    EXPECT_EQ(r.PageLength(next + 2), model.pages[next + 2].size());
    EXPECT_EQ(file->read, before);
    auto bytes = r.ReadPage(next + 3, &error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ(ToString(*bytes), model.pages[next + 3]);
}

TEST(IndexOnDemand, IndexChangedAfterOpeningIsRefusedWhenRead) {
    // A changed index fails its checksum, which was read when the book was opened; with checksums off
    // the change meets the structural checks.
    struct Change {
        const char* name;
        bool verify;
        void (*apply)(Bytes&);
        const char* says;
    };
    const Change changes[] = {
        {"contents byte changed", true, [](Bytes& f) { f[EntryField(f, 2, fmt::kEntryTextOffset)] ^= 1; },
         "checksum of section TOCE"},
        {"page index byte changed", true,
         [](Bytes& f) { f[SectionOffset(f, "PAGE") + fmt::kPageLength] ^= 1; }, "checksum of section PAGE"},
        {"contents made a cycle", false,
         [](Bytes& f) { StoreU32(f, EntryField(f, 3, fmt::kEntryFirstChild), 2); }, "contents entry 2"},
        {"text moved out of the pool", false,
         [](Bytes& f) { StoreU32(f, EntryField(f, 4, fmt::kEntryTextOffset), 0x7FFFFFF0); },
         "outside the text pool"},
        {"page record out of the page data", false,
         [](Bytes& f) { StoreU32(f, SectionOffset(f, "PAGE") + fmt::kPageLength, 0x7FFFFFFF); },
         "outside the page data"},
    };
    for (const Change& change : changes) {
        SharedBook book(SmallBook(), {change.verify});
        ASSERT_TRUE(book.opened) << book.opened.error;
        const Reader& r = *book.opened.reader;
        const std::shared_ptr<SharedFile>& file = book.file;
        change.apply(file->bytes);

        const std::string why = r.HoldIndex();
        EXPECT_NE(why.find("no longer what it was"), std::string::npos) << change.name << ": " << why;
        EXPECT_NE(why.find(change.says), std::string::npos) << change.name << ": " << why;
        // What was checked at opening still stands; nothing of the changed part is served.
        EXPECT_EQ(r.NameFor(1033), std::optional<std::string_view>("Small book (en)")) << change.name;
        EXPECT_EQ(r.EntryCount(), 7u) << change.name;
        if (std::string(change.name).find("page") != std::string::npos) {
            std::string error;
            EXPECT_FALSE(r.ReadPage(0, &error)) << change.name;
            EXPECT_NE(error.find(change.says), std::string::npos) << change.name << ": " << error;
            EXPECT_EQ(r.PageLength(0), 0u) << change.name;
            EXPECT_EQ(ReadRun(r, 0, 4).count, 0u) << change.name;
        } else {
            EXPECT_EQ(r.FirstChild(0), Reader::kNone) << change.name;
            EXPECT_EQ(r.EntryText(1), "") << change.name;
            EXPECT_EQ(r.Parent(3), Reader::kNone) << change.name;
        }
    }
}

// A search's hits name their contents entries: the first few texts are read alone, without the whole
// contents; they are the texts the contents give, and a record or text the file no longer holds
// soundly gives no text (nothing read outside the pool). Past the few, the contents are read whole
// and checked as ever.
TEST(IndexOnDemand, HitsEntryTextsAreReadAloneUntilTheContentsAreWorthReading) {
    BookModel model = SmallBook();
    for (int i = 0; i < 90; ++i)
        model.root.children.push_back({"Entry " + std::to_string(i), i % 4, {}});
    auto file = std::make_shared<SharedFile>();
    file->bytes = Serialized(model);
    auto whole = Reader::OpenBytes(file->bytes);
    auto opened = Reader::OpenSource(std::make_unique<SharedSource>(file));
    ASSERT_TRUE(opened && whole) << opened.error;
    const Reader& r = *opened.reader;
    const uint32_t entries = r.EntryCount();
    ASSERT_GT(entries, Reader::kEntriesReadAlone + 10);

    const uint64_t before = file->read;
    for (uint32_t e = 0; e < 10; ++e)
        EXPECT_EQ(r.LookUpEntryText(e), whole.reader->EntryText(e)) << e;
    EXPECT_LT(file->read - before, SectionSize(file->bytes, "TOCE")) << "the contents were read whole";

    // Changed on disk: a text too long, a text outside the pool; their neighbours still come.
    StoreU32(file->bytes, EntryField(file->bytes, 11, fmt::kEntryTextLength), 300);
    StoreU32(file->bytes, EntryField(file->bytes, 12, fmt::kEntryTextOffset), 0x7FFFFFF0);
    EXPECT_EQ(r.LookUpEntryText(10), whole.reader->EntryText(10));
    EXPECT_EQ(r.LookUpEntryText(11), "");
    EXPECT_EQ(r.LookUpEntryText(12), "");
    EXPECT_EQ(r.LookUpEntryText(entries), "") << "past the last entry";

    // Enough single look-ups: the contents are read whole now, and the change is found.
    for (uint32_t e = 13; e < entries; ++e)
        r.LookUpEntryText(e);
    EXPECT_EQ(r.LookUpEntryText(13), "");
    EXPECT_NE(r.HoldIndex().find("checksum of section TOCE"), std::string::npos) << r.HoldIndex();
}

TEST(IndexOnDemand, DeepContentsOpenAndWalkAsWritten) {
    for (int depth : {1, 2, 40}) {
        const BookModel model = DeepBook(depth);
        auto opened = Reader::OpenBytes(Serialized(model));
        ASSERT_TRUE(opened) << depth << ": " << opened.error;
        const Reader& r = *opened.reader;
        EXPECT_EQ(r.HoldIndex(), "") << depth;
        // Down the chain and back: each level's sibling follows its whole subtree.
        uint32_t at = r.FirstChild(r.NextSibling(r.FirstChild(0)));
        for (int level = 0; level < depth; ++level) {
            EXPECT_EQ(r.EntryText(at), "level " + std::to_string(level));
            uint32_t after = r.NextSibling(at);
            ASSERT_NE(after, Reader::kNone);
            EXPECT_EQ(r.EntryText(after), "after " + std::to_string(level));
            EXPECT_EQ(r.Parent(after), r.Parent(at));
            at = level + 1 < depth ? r.FirstChild(at) : at;
        }
    }
}

TEST(IndexOnDemand, WhateverOpeningLetsThroughPassesTheThoroughChecks) {
    // Every byte of the index set to values that reach the structural checks (checksums resealed):
    // a book that opens must hold its index when it is read, the bytes being the same.
    const Bytes file = Serialized(DeepBook(3));
    const size_t from = SectionOffset(file, "META");
    const size_t to = SectionOffset(file, "PAGE") + SectionSize(file, "PAGE");
    ASSERT_LT(from, to);
    int opened = 0;
    for (size_t at = from; at < to; ++at) {
        for (uint8_t value : {0x00, 0x01, 0x02, 0x05, 0xFF}) {
            if (file[at] == value) continue;
            Bytes damaged = file;
            damaged[at] = value;
            Reseal(damaged);
            auto result = Reader::OpenBytes(damaged);
            if (!result) {
                EXPECT_FALSE(result.error.empty()) << "byte " << at;
                continue;
            }
            ++opened;
            EXPECT_EQ(result.reader->HoldIndex(), "") << "byte " << at << " set to " << int(value);
        }
    }
    EXPECT_GT(opened, 0); // texts and page numbers change without breaking the book
}

} // namespace

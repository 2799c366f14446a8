// Reads an "EBDF" book file. Opening checks the header, the section directory and every index
// section (names, contents entries, page index) and refuses a damaged or truncated file with a text
// that says what is wrong; after that every accessor is safe for any index. Page bytes stay in the
// file and are read on demand (and checked against their CRC). Opening reads the index once through a
// small buffer and keeps only the book's identity and names; the contents are read into memory when
// first asked for, the page index when more than a few pages are asked for one by one (see below),
// and each is checked again then, so that a shelf that opens every book pays for a large index only
// when the book is used.
#pragma once

#include "bookfmt/byte_source.h"
#include "bookfmt/bytes.h"
#include "bookfmt/held_bytes.h"
#include "bookfmt/model.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::book {

struct OpenOptions {
    // Check the CRCs of the header, the index sections and each page read. Fuzzing turns this off
    // to reach the structural checks behind them; nothing else should.
    bool verifyChecksums = true;
};

class Reader;

struct OpenResult {
    std::unique_ptr<Reader> reader; // null on failure
    std::string error;              // why it failed
    explicit operator bool() const { return reader != nullptr; }
};

class Reader {
  public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu; // no entry

    static OpenResult Open(const std::string& path, const OpenOptions& options = {});
    static OpenResult OpenBytes(Bytes bytes, const OpenOptions& options = {});
    static OpenResult OpenSource(std::unique_ptr<ByteSource> source, const OpenOptions& options = {});

    // The page index and the contents are read when first used; this reads them now. Empty when both
    // are held, else why not (the file changed since the book was opened).
    std::string HoldIndex() const;

    // ---- identity ----
    BookKind Kind() const { return kind_; }
    uint16_t VersionMinor() const { return versionMinor_; }
    uint32_t Serial() const { return serial_; }
    uint16_t BookClass() const { return bookClass_; }
    uint16_t Caps() const { return caps_; }
    uint16_t CodePage() const { return codePage_; }
    std::optional<std::string_view> Number() const { return number_; }
    std::optional<DictAttributes> Dict() const { return dict_; }

    // ---- names ----
    size_t NameCount() const { return names_.size(); }
    LocaleName NameAt(size_t index) const;
    // The name for a locale: the exact one; else one of the same primary language (for Windows
    // language ids, codes above 0x3FF); else the first name; nullopt when the book has no name.
    std::optional<std::string_view> NameFor(int32_t locale) const;

    // ---- contents (entry indexes; entry 0 is the root; kNone = none) ----
    uint32_t EntryCount() const { return entryCount_; }
    uint32_t Parent(uint32_t entry) const;
    uint32_t FirstChild(uint32_t entry) const;
    uint32_t NextSibling(uint32_t entry) const;
    int32_t EntryPage(uint32_t entry) const;          // -1 = none (also for a bad index)
    std::string_view EntryText(uint32_t entry) const; // empty for a bad index
    // The text of one entry, for a caller that wants the texts of a few (a search's hits): while the
    // contents are not held, the first few are read from the file alone (the entry's record and its
    // text, held to the rules the opening checked), so that a search that finds a rare word does not
    // read a dictionary's whole contents; after that the contents are read whole. Empty for a bad
    // index, and for an entry whose record or text the file no longer holds soundly.
    std::string LookUpEntryText(uint32_t entry) const;
    static constexpr uint32_t kEntriesReadAlone = 64;

    // ---- pages ----
    // A page's record is taken from the page index once it is held. Before that, a caller that reads
    // pages in order (a search) or wants a few (a page shown; a search's hits take theirs from the
    // records its runs read) gets the records it needs read from the file, once the page index has
    // been checked in one pass that keeps nothing (its checksum and every record, as at opening);
    // each record is held to the rules that pass checked. A dictionary's page index runs to megabytes, and a
    // search of it read whole into fresh memory took a third as long as the search itself. Past
    // kPagesReadAlone single records, and when a second pass over the pages begins (another search), the
    // index is read and held.
    uint32_t PageCount() const { return pageCount_; }
    uint32_t PageLength(uint32_t page) const; // 0 for a bad page
    uint32_t PageEntry(uint32_t page) const;  // the entry that holds the page, kNone = none
    // Reads a whole page into `out`, which must be exactly PageLength(page) bytes. False and *error
    // set when the page does not exist, cannot be read, or its bytes are damaged. Pages read one
    // after another (a search reads them so) come from a block of the file read ahead; each page's
    // checksum is checked on the bytes handed out.
    bool ReadPage(uint32_t page, std::span<uint8_t> out, std::string* error) const;
    std::optional<Bytes> ReadPage(uint32_t page, std::string* error) const;
    // Reads pages first, first + 1, ... at once into `buffer`, as many whole pages as fit and as
    // `lengths` has room for: the first at the buffer's start, each followed by a zero byte and the
    // next at the first multiple of 16 bytes after that zero. The pages that lie one after another
    // in the file (a book's pages do) are read as one stretch. lengths[i] is page first + i's length;
    // a page that cannot be read or whose checksum does not match gets length 0, *error says why,
    // and the run ends with it. The number of pages read: 0 when page first does not exist or does
    // not fit.
    size_t ReadPages(uint32_t first, std::span<uint8_t> buffer, std::span<int32_t> lengths,
                     std::string* error) const;
    static constexpr uint32_t kPagesReadAlone = 64;
    static constexpr size_t kRecordsReadAhead = 8192;

  private:
    Reader();
    std::string Load(const OpenOptions& options); // empty on success

    std::string LoadHeader(const OpenOptions& options);
    bool LoadQuick(const OpenOptions& options);
    std::string LoadWhole(const OpenOptions& options);
    std::string LoadMeta(bool withText);
    std::string LoadNames(bool withText);
    std::string CheckPages(uint32_t* count) const;
    struct PageRecord {
        uint64_t offset = 0; // in the page data
        uint32_t length = 0, crc = 0, holder = 0;
    };
    static PageRecord RecordAt(ByteView table, size_t at);
    bool RecordOf(uint32_t page, PageRecord* record, std::string* error) const;
    // Whether the run from page `first` reads its records from the file (see the pages above).
    bool RunsReadAlone(uint32_t first) const;
    // The records of pages first ... first + count - 1 read from the file, each held to the rules;
    // null when they cannot be had soundly. They come from this thread's window of records, read
    // anew from `first` (kRecordsReadAhead records, or to the book's end) when it does not hold
    // them: a 400 MB book is 880 runs of 125 pages, and a read for each cost as much as the page
    // index read whole.
    const uint8_t* RunRecords(uint32_t first, size_t count) const;
    std::string CheckHolders() const;
    std::string CheckContents(uint32_t* count) const;
    std::string_view Text(uint32_t offset, uint32_t length) const;

    struct Section {
        uint32_t tag = 0;
        uint32_t crc = 0;
        uint64_t offset = 0;
        uint64_t size = 0;
        bool present = false;
    };
    const Section* Find(uint32_t tag) const;
    // Reads a section into `out` (Bytes or HeldBytes) and checks its CRC when `verify`.
    template <class Out>
    std::string ReadSection(const Section& section, Out& out, bool verify, const char* name) const;

    // A part of the index read when first used: the page index, or the contents with the text pool.
    struct LazyPart {
        std::atomic<bool> settled{false};
        bool held = false;
        std::string error; // why it could not be held
        std::mutex mutex;
    };
    bool Hold(LazyPart& part, std::string (Reader::*load)() const) const;
    std::string LoadPageIndex() const;
    std::string CheckPageIndex() const;
    std::string LoadContents() const;
    bool PagesHeld() const { return Hold(pagesPart_, &Reader::LoadPageIndex); }
    bool ContentsHeld() const { return Hold(contentsPart_, &Reader::LoadContents); }
    // The page index has been checked whole (and not necessarily held).
    bool PagesChecked() const { return Hold(pagesChecked_, &Reader::CheckPageIndex); }
    bool PagesSettled() const { return pagesPart_.settled.load(std::memory_order_acquire); }

    std::unique_ptr<ByteSource> source_;
    bool verifyPages_ = true;
    std::vector<Section> sections_;
    uint16_t versionMinor_ = 0;

    BookKind kind_ = BookKind::Book;
    uint32_t serial_ = 0;
    uint16_t bookClass_ = 0;
    uint16_t caps_ = 0;
    uint16_t codePage_ = 0;
    bool hasNumber_ = false;
    uint32_t numberOffset_ = 0, numberLength_ = 0;
    std::optional<std::string> number_;
    std::optional<DictAttributes> dict_;
    std::vector<LocaleName> names_;

    Bytes meta_, nameTable_;
    mutable HeldBytes strings_, toc_, pageTable_;
    mutable LazyPart pagesPart_, contentsPart_, pagesChecked_;
    mutable std::atomic<uint32_t> entriesReadAlone_{0}, pagesReadAlone_{0};
    mutable std::atomic<uint32_t> lastRunFirst_{0}; // the first page of the last run read alone
    const uint64_t id_;                             // this reader's, never another's
    uint64_t stringsSize_ = 0;
    uint32_t entryCount_ = 0;
    uint32_t pageCount_ = 0;
    uint64_t pageDataOffset_ = 0, pageDataSize_ = 0;
};

} // namespace tavrin::book

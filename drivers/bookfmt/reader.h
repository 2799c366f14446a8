// Reads an "EBDF" book file. Opening checks the header, the section directory and every index
// section (names, contents entries, page index) and refuses a damaged or truncated file with a text
// that says what is wrong; after that every accessor is safe for any index. Page bytes stay in the
// file and are read on demand (and checked against their CRC), so opening a large book costs only its
// index.
#pragma once

#include "bookfmt/byte_source.h"
#include "bookfmt/bytes.h"
#include "bookfmt/model.h"

#include <cstdint>
#include <memory>
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

    // ---- identity ----
    BookKind Kind() const { return kind_; }
    uint16_t VersionMinor() const { return versionMinor_; }
    uint32_t Serial() const { return serial_; }
    uint16_t BookClass() const { return bookClass_; }
    uint16_t Caps() const { return caps_; }
    uint16_t CodePage() const { return codePage_; }
    std::optional<std::string_view> Number() const;
    std::optional<DictAttributes> Dict() const { return dict_; }

    // ---- names ----
    size_t NameCount() const { return nameCount_; }
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

    // ---- pages ----
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

  private:
    Reader() = default;
    std::string Load(const OpenOptions& options); // empty on success

    std::string LoadHeader(const OpenOptions& options);
    std::string LoadMeta();
    std::string LoadNames();
    std::string LoadContents();
    std::string LoadPages();
    std::string_view Text(uint32_t offset, uint32_t length) const;

    struct Section {
        uint32_t tag = 0;
        uint32_t crc = 0;
        uint64_t offset = 0;
        uint64_t size = 0;
        bool present = false;
    };
    Section* Find(uint32_t tag);
    std::string ReadSection(const Section& section, Bytes& out, bool verify, const char* name);

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
    std::optional<DictAttributes> dict_;

    Bytes meta_, nameTable_, strings_, toc_, pageTable_;
    size_t nameCount_ = 0;
    uint32_t entryCount_ = 0;
    uint32_t pageCount_ = 0;
    uint64_t pageDataOffset_ = 0, pageDataSize_ = 0;
};

} // namespace tavrin::book

#include "bookfmt/index_scan.h"

#include "bookfmt/bytes.h"
#include "bookfmt/crc32.h"
#include "bookfmt/format.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tavrin::book {
namespace fmt = format;
namespace {

// The buffer the sections are read through: a whole number of records, and small enough to come from
// the heap rather than a fresh mapping of its own.
constexpr size_t kChunk = 5120 * fmt::kEntrySize;
static_assert(fmt::kEntrySize == fmt::kPageRecordSize);

// More zero bytes in the text pool than this and the pass leaves the pool to the reader.
constexpr size_t kMaxZeros = 4096;
// So many names, and the same.
constexpr size_t kMaxWanted = 256;

// A buffer of `size` bytes to read into, and the room to put it where reads are fast (ReadPlace).
class ReadBuffer {
  public:
    explicit ReadBuffer(size_t size) : size_(size), room_(new uint8_t[size + kReadSlack]) {}
    size_t Size() const { return size_; }
    // `length` bytes (at most Size()) for the bytes at `offset` of the source.
    std::span<uint8_t> For(uint64_t offset, size_t length) {
        return {ReadPlace(room_.get(), offset), length};
    }

  private:
    size_t size_;
    std::unique_ptr<uint8_t[]> room_;
};

// Reads `section` piece after piece into `buffer` (each piece a whole number of `unit` bytes, but the
// last), handing each to `take` with its offset in the section; checks the section's CRC at the end.
template <class Take>
bool Stream(const ByteSource& source, const ScanSection& section, bool verify, ReadBuffer& buffer,
            size_t unit, Take&& take) {
    const size_t step = buffer.Size() / unit * unit;
    uint32_t crc = 0;
    for (uint64_t at = 0; at < section.size; at += step) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(step, section.size - at));
        std::span<uint8_t> piece = buffer.For(section.offset + at, n);
        if (!source.ReadAt(section.offset + at, piece)) return false;
        if (verify) crc = Crc32(crc, piece.data(), n);
        if (!take(ByteView(piece), at)) return false;
    }
    return !verify || crc == section.crc;
}

// The walk the reader makes of the contents from the root, followed entry by entry in file order: in
// a sound index the walk meets entry 0, 1, 2 ... in turn, so each step needs only the entry at hand
// and what the entries before it left open (their next siblings and parents). Any step the walk would
// not take so is a fault.
class TreeWalk {
  public:
    explicit TreeWalk(uint32_t count) : count_(count) {}

    bool Step(uint32_t entry, uint32_t parent, uint32_t firstChild, uint32_t nextSibling) {
        if (ended_) return false;
        if (entry == 0) {
            if (parent != fmt::kNoEntry || nextSibling != 0) return false;
        } else if (parent != parent_) {
            return false;
        }
        if (firstChild != 0) {
            if (firstChild != entry + 1 || firstChild >= count_) return false;
            open_.push_back({nextSibling, parent});
            parent_ = entry;
            return true;
        }
        Open at{nextSibling, parent};
        for (;;) {
            if (at.nextSibling != 0) {
                if (at.nextSibling != entry + 1 || at.nextSibling >= count_) return false;
                parent_ = at.parent;
                return true;
            }
            if (open_.empty()) {
                ended_ = true;
                return entry + 1 == count_;
            }
            at = open_.back();
            open_.pop_back();
        }
    }
    bool Done() const { return count_ == 0 || ended_; }

  private:
    struct Open {
        uint32_t nextSibling, parent;
    };
    uint32_t count_;
    uint32_t parent_ = 0; // what the next entry must name as its parent
    bool ended_ = false;
    std::vector<Open> open_;
};

} // namespace

bool ScanIndex(const ByteSource& source, const IndexScan& scan, std::vector<std::string>* texts) {
    if (scan.contents.size % fmt::kEntrySize != 0 || scan.pages.size % fmt::kPageRecordSize != 0)
        return false;
    if (scan.contents.size / fmt::kEntrySize > fmt::kMaxEntries) return false;
    if (scan.pages.size / fmt::kPageRecordSize > fmt::kMaxPages) return false;
    if (scan.wanted.size() > kMaxWanted) return false;
    const auto entryCount = static_cast<uint32_t>(scan.contents.size / fmt::kEntrySize);
    const auto pageCount = static_cast<uint32_t>(scan.pages.size / fmt::kPageRecordSize);
    const uint64_t poolSize = scan.strings.size;

    const uint64_t largest = std::max({poolSize, scan.contents.size, scan.pages.size, uint64_t{1}});
    const size_t bufferSize = static_cast<size_t>(std::min<uint64_t>(kChunk, largest));
    ReadBuffer buffer(bufferSize);
    const bool verify = scan.verifyChecksums;

    // The text pool: where its zero bytes are (texts must hold none), and the wanted texts.
    std::vector<uint32_t> zeros;
    texts->assign(scan.wanted.size(), std::string());
    auto pool = [&](ByteView piece, uint64_t at) {
        for (const uint8_t* p = piece.data();
             (p = static_cast<const uint8_t*>(std::memchr(p, 0, piece.data() + piece.size() - p))); ++p) {
            if (zeros.size() == kMaxZeros) return false;
            zeros.push_back(static_cast<uint32_t>(at + (p - piece.data())));
        }
        for (size_t i = 0; i < scan.wanted.size(); ++i) {
            const uint64_t from = std::max<uint64_t>(scan.wanted[i].offset, at);
            const uint64_t to = std::min<uint64_t>(uint64_t{scan.wanted[i].offset} + scan.wanted[i].length,
                                                   at + piece.size());
            if (from < to) (*texts)[i].append(AsText(piece.subspan(from - at, to - from)));
        }
        return true;
    };
    if (poolSize > UINT32_MAX || !Stream(source, scan.strings, verify, buffer, 1, pool)) return false;

    auto holdsZero = [&zeros](uint64_t offset, uint64_t length) {
        auto first = std::lower_bound(zeros.begin(), zeros.end(), offset);
        return first != zeros.end() && *first < offset + length;
    };
    TreeWalk walk(entryCount);
    auto entries = [&](ByteView piece, uint64_t at) {
        auto entry = static_cast<uint32_t>(at / fmt::kEntrySize);
        for (size_t r = 0; r < piece.size(); r += fmt::kEntrySize, ++entry) {
            const uint32_t offset = LoadU32(piece, r + fmt::kEntryTextOffset);
            const uint32_t length = LoadU16(piece, r + fmt::kEntryTextLength);
            if (length > fmt::kMaxEntryText || !RangeInside(offset, length, poolSize)) return false;
            if (!zeros.empty() && holdsZero(offset, length)) return false;
            const auto page = static_cast<int32_t>(LoadU32(piece, r + fmt::kEntryPage));
            if (page < -1 || (page >= 0 && static_cast<uint32_t>(page) >= pageCount)) return false;
            if (!walk.Step(entry, LoadU32(piece, r + fmt::kEntryParent),
                           LoadU32(piece, r + fmt::kEntryFirstChild),
                           LoadU32(piece, r + fmt::kEntryNextSibling)))
                return false;
        }
        return true;
    };
    if (!Stream(source, scan.contents, verify, buffer, fmt::kEntrySize, entries) || !walk.Done())
        return false;

    return ScanPageIndex(source, scan.pages, scan.pageDataSize, entryCount, verify);
}

bool ScanPageIndex(const ByteSource& source, const ScanSection& pages, uint64_t pageDataSize,
                   uint32_t entryCount, bool verifyChecksums) {
    if (pages.size % fmt::kPageRecordSize != 0 || pages.size / fmt::kPageRecordSize > fmt::kMaxPages)
        return false;
    const size_t bufferSize =
        static_cast<size_t>(std::min<uint64_t>(kChunk, std::max<uint64_t>(pages.size, 1)));
    ReadBuffer buffer(bufferSize);
    auto records = [&](ByteView piece, uint64_t) {
        for (size_t r = 0; r < piece.size(); r += fmt::kPageRecordSize)
            if (!PageRecordSound(LoadU64(piece, r + fmt::kPageOffset), LoadU32(piece, r + fmt::kPageLength),
                                 LoadU32(piece, r + fmt::kPageEntry), pageDataSize, entryCount))
                return false;
        return true;
    };
    return Stream(source, pages, verifyChecksums, buffer, fmt::kPageRecordSize, records);
}

} // namespace tavrin::book

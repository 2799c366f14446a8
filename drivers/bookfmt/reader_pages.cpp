// A run of pages read at once, for a caller that reads a book's pages in order (the search). The
// pages of a book lie one after another in its page data, so the run is one stretch of the file,
// copied page by page straight to where the caller's layout puts each page, each page's checksum
// worked out as it is copied; then a zero byte is written after each page and the checksums
// compared. No page is handed out unchecked.
#include "bookfmt/crc32.h"
#include "bookfmt/format.h"
#include "bookfmt/reader.h"

#include <vector>

namespace tavrin::book {
namespace {

constexpr size_t kAlign = 16;
// Runs of up to this many pages keep their lists for the next run (a search asks for 2,048 at most).
constexpr size_t kKeptPieces = 4096;

size_t Aligned(size_t at) {
    return (at + kAlign - 1) & ~(kAlign - 1);
}

// Whether the checksums worked out for a run of pages are those of their records, the first the
// table's record `first`.
bool MatchAll(ByteView table, size_t first, const std::vector<uint32_t>& crcs) {
    namespace fmt = format;
    uint32_t differ = 0;
    for (size_t i = 0; i < crcs.size(); ++i)
        differ |= crcs[i] ^ LoadU32(table, (first + i) * fmt::kPageRecordSize + fmt::kPageCrc);
    return differ == 0;
}

} // namespace

size_t Reader::ReadPages(uint32_t first, std::span<uint8_t> buffer, std::span<int32_t> lengths,
                         std::string* error) const {
    namespace fmt = format;
    const uint32_t count = pageCount_;
    const size_t most = first < count ? std::min<size_t>(lengths.size(), count - first) : 0;
    const bool usual = most <= kKeptPieces;

    // The run's page records: read from the file while the page index is not held (see the class),
    // else from the index, which is read and checked when the records cannot be had so (the file
    // changed since the index was checked: the reading whole says how).
    ByteView table;
    size_t base = 0; // the record of page first is table's record `base`
    const uint8_t* records = most > 0 && RunsReadAlone(first) ? RunRecords(first, most) : nullptr;
    if (records) {
        table = ByteView(records, most * fmt::kPageRecordSize);
    } else if (PagesHeld()) {
        table = ByteView(pageTable_);
        base = first;
    } else {
        if (error) *error = pagesPart_.error;
        return 0;
    }
    // The loops below keep the records and the counts in locals: the stores they make (pieces, the
    // zero after each page) could, as far as the compiler knows, change this reader's members, which
    // it would then load again for every one of a dictionary's thousands of pages.
    auto record = [&](size_t i) { return (base + i) * fmt::kPageRecordSize; };

    // The run: pages that follow each other in the file and fit the buffer laid out with their zeros.
    // The lists of a run of the usual size are kept from one run to the next (a search asks for
    // hundreds); a caller's much longer run gets lists of its own, freed when it ends.
    thread_local std::vector<Piece> keptPieces;
    thread_local std::vector<uint32_t> keptCrcs;
    std::vector<Piece> ownPieces;
    std::vector<uint32_t> ownCrcs;
    std::vector<Piece>& pieces = usual ? keptPieces : ownPieces;
    std::vector<uint32_t>& crcs = usual ? keptCrcs : ownCrcs;
    if (pieces.size() < most) pieces.resize(most);
    Piece* const list = pieces.data();
    size_t laid = 0, runs = 0;
    uint64_t bytes = 0;
    const uint64_t start = most ? LoadU64(table, record(0) + fmt::kPageOffset) : 0;
    for (; runs < most; ++runs) {
        const size_t at = record(runs);
        const uint32_t length = LoadU32(table, at + fmt::kPageLength);
        const size_t to = Aligned(laid);
        if (LoadU64(table, at + fmt::kPageOffset) != start + bytes || to + length + 1 > buffer.size()) break;
        list[runs] = {buffer.data() + to, length};
        laid = to + length + 1;
        bytes += length;
    }
    // Each page's checksum is worked out as it is copied.
    crcs.resize(verifyPages_ ? runs : 0);
    const bool whole = runs > 0 && source_->ReadPieces(pageDataOffset_ + start, {list, runs},
                                                       verifyPages_ ? crcs.data() : nullptr);
    if (whole && (!verifyPages_ || MatchAll(table, base, crcs))) {
        int32_t* const out = lengths.data();
        for (size_t i = 0; i < runs; ++i) {
            out[i] = static_cast<int32_t>(list[i].length);
            list[i].to[list[i].length] = 0;
        }
        return runs;
    }
    for (size_t i = 0; i < runs; ++i) {
        const uint32_t page = first + static_cast<uint32_t>(i);
        const Piece& p = list[i];
        std::string why;
        bool ok;
        if (whole) {
            ok = !verifyPages_ || crcs[i] == LoadU32(table, record(i) + fmt::kPageCrc);
            if (!ok) why = "damaged book: the checksum of page " + std::to_string(page) + " does not match";
        } else {
            // The stretch could not be read whole (a file that shrank): each page on its own.
            ok = ReadPage(page, {p.to, p.length}, &why);
        }
        lengths[i] = ok ? static_cast<int32_t>(p.length) : 0;
        p.to[ok ? p.length : 0] = 0;
        if (!ok) {
            // The run ends with the page that failed: the pages after it were laid out for its bytes.
            if (error) *error = why;
            return i + 1;
        }
    }
    return runs;
}

} // namespace tavrin::book

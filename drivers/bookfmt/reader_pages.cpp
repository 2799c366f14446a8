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

size_t Aligned(size_t at) {
    return (at + kAlign - 1) & ~(kAlign - 1);
}

} // namespace

size_t Reader::ReadPages(uint32_t first, std::span<uint8_t> buffer, std::span<int32_t> lengths,
                         std::string* error) const {
    namespace fmt = format;
    // The page index is read when a page is first asked for, by this call as by ReadPage.
    if (!PagesHeld()) {
        if (error) *error = pagesPart_.error;
        return 0;
    }
    auto field = [&](uint32_t page, size_t at) {
        return LoadU32(pageTable_, page * fmt::kPageRecordSize + at);
    };
    auto offsetOf = [&](uint32_t page) {
        return LoadU64(pageTable_, page * fmt::kPageRecordSize + fmt::kPageOffset);
    };

    // The run: pages that follow each other in the file and fit the buffer laid out with their zeros.
    std::vector<Piece> pieces;
    size_t laid = 0;
    uint64_t bytes = 0;
    const uint64_t start = first < pageCount_ ? offsetOf(first) : 0;
    for (uint32_t page = first; page < pageCount_ && pieces.size() < lengths.size(); ++page) {
        const uint32_t length = field(page, fmt::kPageLength);
        const size_t at = Aligned(laid);
        if (offsetOf(page) != start + bytes || at + length + 1 > buffer.size()) break;
        if (pieces.empty()) pieces.reserve(std::min<size_t>(lengths.size(), pageCount_ - first));
        pieces.push_back({buffer.data() + at, length});
        laid = at + length + 1;
        bytes += length;
    }
    // Each page's checksum is worked out as it is copied.
    std::vector<uint32_t> crcs(verifyPages_ ? pieces.size() : 0);
    const bool whole = !pieces.empty() && source_->ReadPieces(pageDataOffset_ + start, pieces,
                                                              verifyPages_ ? crcs.data() : nullptr);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const uint32_t page = first + static_cast<uint32_t>(i);
        const Piece& p = pieces[i];
        std::string why;
        bool ok;
        if (whole) {
            ok = !verifyPages_ || crcs[i] == field(page, fmt::kPageCrc);
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
    return pieces.size();
}

} // namespace tavrin::book

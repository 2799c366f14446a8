// The plain text of a page and the search in it.
//
// The search answers exactly what reading the page line by line would answer: assemble each line's
// text, test it with MatchText, stop at the first line that holds the searched text. It gets there
// faster by assembling the whole page's plain text at once (the text runs between control sequences
// are copied whole, folded to lower case on the way when the case is ignored), remembering where the
// line breaks went, and looking for the text in the whole page with memchr on its rarest byte. A place
// where the text turns up counts only if the line-by-line reading would see it there: inside one line,
// before that line's first zero byte (MatchText sees the line as a zero-terminated text), starting on
// a character boundary. Since a line's text is made of the page's own bytes, a page that lacks the
// rarest byte of the searched text is passed over without assembling anything.
#include "navigation/search_text.h"

#include "navigation/page_prefilter.h"
#include "navigation/search_bytes.h"

#include "afxwin.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

char* g_searchBuffer = nullptr;
size_t g_searchBufferSize = 0;
int g_bSearchStop = 0;

namespace tavrin::search {
namespace {

Allocator g_allocator = nullptr;

} // namespace

Allocator SetAllocator(Allocator allocator) {
    Allocator previous = g_allocator;
    g_allocator = allocator;
    return previous;
}

void* Allocate(size_t size) {
    return g_allocator ? g_allocator(size) : std::malloc(size);
}

bool DefaultAllocator() {
    return g_allocator == nullptr;
}

bool ReserveScratch(size_t size) {
    size = std::max(size, kSearchBufferSize);
    if (g_searchBuffer && g_searchBufferSize >= size) return true;
    // The old area goes first so that the larger one has the best chance.
    ReleaseScratch();
    if (void* area = Allocate(size)) {
        g_searchBuffer = static_cast<char*>(area);
        g_searchBufferSize = size;
        return true;
    }
    // Later pages of the search need an area again: take the usual size back if it can be had.
    if (size > kSearchBufferSize) {
        if (void* area = Allocate(kSearchBufferSize)) {
            g_searchBuffer = static_cast<char*>(area);
            g_searchBufferSize = kSearchBufferSize;
        }
    }
    return false;
}

void ReleaseScratch() {
    std::free(g_searchBuffer);
    g_searchBuffer = nullptr;
    g_searchBufferSize = 0;
}

} // namespace tavrin::search

namespace {

using tavrin::search::ReserveScratch;

using tavrin::search::Fold;
using tavrin::search::IsLead;
using tavrin::search::kMark;
using tavrin::search::OtherCase;

void CopyFolded(unsigned char* to, const unsigned char* from, size_t count) {
    for (size_t i = 0; i < count; ++i)
        to[i] = Fold(from[i]);
}

// The position after the control sequence that starts at `at` (a 0xFF on a character boundary),
// never beyond the page's end; *lineBreak tells whether it was a line break. The extents are the page
// markup's (tavrin/page_markup.h); an embedded object is read on at its caption.
inline size_t SequenceEnd(const unsigned char* page, size_t n, size_t at, TvrObjectScan& objects,
                          bool* lineBreak) {
    *lineBreak = false;
    if (at + 1 >= n) return n;
    const unsigned char code = page[at + 1];
    if (code == tavrin::search::kLineBreak) {
        *lineBreak = true;
        return at + 2;
    }
    if (code == TVR_OBJECT) return TvrObjectTextStart(page, n, at, &objects);
    const size_t extent = TvrSequenceExtent(page, n, at);
    return extent ? at + extent : n; // a sequence cut by the page's end ends the page
}

// Where the inserted line breaks (13 10) of the assembled page stand; kept between pages.
std::vector<uint32_t>& Breaks() {
    static std::vector<uint32_t> breaks;
    return breaks;
}

// Finds the next place of a byte (or of either of two bytes) in the page 64 bytes at a time: line
// breaks come every few dozen bytes, too often for a call of memchr each.
class ByteScanner {
  public:
    ByteScanner(const unsigned char* page, size_t n, unsigned char a, unsigned char b)
        : page_(page), n_(n), a_(a), b_(b) {}

    // The first place at or after `from`; n when there is none.
    size_t Next(size_t from) {
        while (from < n_) {
            if (from < base_ || from >= base_ + 64) Load(from);
            uint64_t bits = mask_ & (~uint64_t{0} << (from - base_));
            if (bits) return base_ + static_cast<size_t>(__builtin_ctzll(bits));
            from = base_ + 64;
        }
        return n_;
    }

  private:
    void Load(size_t from) {
        base_ = from;
        mask_ = 0;
        size_t count = std::min<size_t>(64, n_ - from);
        const unsigned char* p = page_ + from;
#ifdef __SSE2__
        if (count == 64) {
            const __m128i a = _mm_set1_epi8(static_cast<char>(a_)), b = _mm_set1_epi8(static_cast<char>(b_));
            for (int k = 0; k < 4; ++k) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
                __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b));
                mask_ |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hit))) << (16 * k);
            }
            return;
        }
#endif
        for (size_t k = 0; k < count; ++k)
            if (p[k] == a_ || p[k] == b_) mask_ |= uint64_t{1} << k;
    }

    const unsigned char* page_;
    size_t n_;
    unsigned char a_, b_;
    size_t base_ = SIZE_MAX / 2;
    uint64_t mask_ = 0;
};

// Copies `count` text bytes, folded to lower case when `fold`. Short runs (most lines) are copied in
// 16-byte pieces, which may write up to 15 bytes beyond the run: the area has room for the whole
// page, and the plain text never runs ahead of the page, so such bytes land where later text goes.
inline void CopyRun(unsigned char* to, const unsigned char* from, size_t count, size_t readable, bool fold) {
#ifdef __SSE2__
    if (readable >= ((count + 15) & ~size_t{15}) && count <= 256) {
        const __m128i below = _mm_set1_epi8('A' - 1), above = _mm_set1_epi8('Z' + 1),
                      bit = _mm_set1_epi8(0x20);
        for (size_t k = 0; k < count; k += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k));
            if (fold) {
                __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, below), _mm_cmplt_epi8(v, above));
                v = _mm_add_epi8(v, _mm_and_si128(upper, bit));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k), v);
        }
        return;
    }
#endif
    (void)readable;
    if (fold)
        CopyFolded(to, from, count);
    else
        std::memcpy(to, from, count);
}

// One page's search: assembles the plain text into `out` (room for the page's length plus two) a
// piece at a time and looks for the text in what is assembled so far, so that a page whose text
// turns up early is not assembled whole. What is assembled never changes afterwards.
class PageSearch {
  public:
    PageSearch(const unsigned char* page, size_t n, bool fold, unsigned char* out,
               const unsigned char* needle, size_t m, size_t rare, std::vector<uint32_t>& breaks)
        : page_(page), n_(n), fold_(fold), out_(out), needle_(needle), m_(m), rare_(rare), breaks_(breaks),
          marks_(page, n, kMark, kMark), from_(rare) {}

    bool Run() {
        // The first pieces are short: a dictionary's page of a few hundred bytes often holds a
        // common word in its first lines.
        for (size_t piece = kFirstPiece; i_ < n_; piece = std::min(2 * piece, kPiece)) {
            Assemble(std::min(n_, i_ + piece));
            if (Find()) return true;
        }
        out_[o_] = 0;
        return false;
    }

  private:
    static constexpr size_t kFirstPiece = 128;
    static constexpr size_t kPiece = 4096;

    // Assembles whole characters and sequences until the page position reaches `limit`.
    void Assemble(size_t limit) {
        while (i_ < limit) {
            size_t mark = marks_.Next(i_);
            CopyRun(out_ + o_, page_ + i_, mark - i_, n_ - i_, fold_);
            o_ += mark - i_;
            if (mark == n_) {
                i_ = n_;
                return;
            }
            // The 0xFF is the second byte of a two-byte character when an odd number of lead bytes
            // stands right before it (a byte that cannot lead always ends a character).
            size_t leads = 0;
            while (mark - leads > i_ && IsLead(page_[mark - leads - 1]))
                ++leads;
            if (leads & 1) {
                out_[o_++] = kMark;
                i_ = mark + 1;
                continue;
            }
            bool lineBreak = false;
            i_ = SequenceEnd(page_, n_, mark, objects_, &lineBreak);
            if (lineBreak) {
                breaks_.push_back(static_cast<uint32_t>(o_));
                out_[o_++] = 13;
                out_[o_++] = 10;
            }
        }
    }

    // Looks for the text in the plain text assembled so far, where the line-by-line reading would see
    // it: inside one line, before the line's first zero, on a character boundary.
    bool Find() {
        if (o_ < m_) return false;
        const unsigned char rareByte = needle_[rare_];
        const size_t lastPos = o_ - (m_ - rare_); // the rare byte's last possible place so far
        while (from_ <= lastPos) {
            const void* hit = std::memchr(out_ + from_, rareByte, lastPos - from_ + 1);
            if (!hit) {
                from_ = lastPos + 1;
                return false;
            }
            size_t pos = static_cast<size_t>(static_cast<const unsigned char*>(hit) - out_);
            from_ = pos + 1;
            size_t start = pos - rare_;
            if (out_[start] != needle_[0] || std::memcmp(out_ + start, needle_, m_) != 0) continue;
            if (Valid(start)) return true;
        }
        return false;
    }

    bool Valid(size_t start) {
        while (line_ < breaks_.size() && breaks_[line_] + 2 <= start)
            ++line_;
        if (line_ < breaks_.size() && breaks_[line_] < start + m_) return false; // across a line break
        size_t lineStart = line_ ? breaks_[line_ - 1] + 2 : 0;
        if (lineStart != lineStart_) {
            lineStart_ = zeroScanned_ = lineStart;
            zeroFound_ = false;
            boundary_ = std::max(boundary_, lineStart);
        }
        // The line's text, as MatchText sees it, ends at its first zero.
        if (!zeroFound_ && zeroScanned_ < start) {
            zeroFound_ = std::memchr(out_ + zeroScanned_, 0, start - zeroScanned_) != nullptr;
            zeroScanned_ = start;
        }
        if (zeroFound_) return false;
        size_t leads = 0;
        while (start - leads > boundary_ && IsLead(out_[start - leads - 1]))
            ++leads;
        if (!(leads & 1)) return true;
        boundary_ = start + 1; // start - 1 begins a two-byte character
        return false;
    }

    const unsigned char* page_;
    size_t n_;
    bool fold_;
    unsigned char* out_;
    const unsigned char* needle_;
    size_t m_, rare_;
    std::vector<uint32_t>& breaks_;
    TvrObjectScan objects_ = TVR_OBJECT_SCAN_INIT;
    ByteScanner marks_;
    size_t i_ = 0; // page position, always on a character boundary
    size_t o_ = 0; // plain text assembled
    size_t from_;  // where the rare byte is looked for next
    size_t line_ = 0, lineStart_ = 0, boundary_ = 0, zeroScanned_ = 0;
    bool zeroFound_ = false;
};

// A quicker yes for a page that holds the text in its own bytes, as most pages that hold a common
// word do: the page's sequences are read up to the first such place, nothing is assembled, and the
// place counts if the line-by-line reading would see the text there (in text, not inside a
// sequence; no zero before it in its line; on a character boundary). True only when that is
// certain; false leaves the page to PageSearch, also where the answer would take a closer look (a
// lead byte right before the place or before a sequence, a 0xFF in the text, the text only across a
// sequence).
bool HoldsInOwnBytes(const unsigned char* page, size_t n, bool fold, const unsigned char* needle, size_t m,
                     size_t rare, size_t from) {
    if (m > n) return false;
    const unsigned char rareByte = needle[rare];
    const unsigned char rareOther = fold ? OtherCase(rareByte) : rareByte;
    // `marks` finds the 0xFFs and the zero bytes: those in the text, not skipped with a sequence,
    // end their line's text for the line-by-line reading.
    ByteScanner places(page, n, rareByte, rareOther), marks(page, n, kMark, 0);
    TvrObjectScan objects = TVR_OBJECT_SCAN_INIT;
    size_t i = 0;      // the start of the text being read: after a sequence, or the page's start
    bool zero = false; // the line's text read so far holds a zero
    size_t mark = marks.Next(0);
    for (size_t pos = places.Next(std::max(rare, from)); pos < n; pos = places.Next(pos + 1)) {
        const size_t start = pos - rare;
        if (start + m > n) return false;
        size_t k = 0;
        while (k < m && (fold ? Fold(page[start + k]) : page[start + k]) == needle[k])
            ++k;
        if (k < m) continue;
        while (mark < start) {
            if (page[mark] == 0) {
                zero = true;
                mark = marks.Next(mark + 1);
                continue;
            }
            if (mark > i && IsLead(page[mark - 1])) return false; // perhaps a two-byte character's
            bool lineBreak = false;
            i = SequenceEnd(page, n, mark, objects, &lineBreak);
            if (lineBreak) zero = false;
            mark = i < n ? marks.Next(i) : n;
        }
        if (start < i) continue;            // inside a sequence
        if (mark < start + m) return false; // the text holds a 0xFF (it holds no zero)
        // The text before the place, back to the line's start, ends in a byte that cannot lead: the
        // place's own, or (at i) the last text byte before a sequence, which the loop above saw.
        if (start > i && IsLead(page[start - 1])) return false;
        if (!zero) return true;
    }
    return false;
}

} // namespace

int SearchPageText(const char* text, const unsigned char* page, unsigned length, int matchCase) {
    if (!text || !*text || !page || length == 0) return 0;
    const bool fold = !(matchCase & 1);
    const size_t m = std::strlen(text);
    std::string needle(text, m);
    if (fold)
        for (char& c : needle)
            c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    const auto* pattern = reinterpret_cast<const unsigned char*>(needle.data());
    const size_t rare = tavrin::search::RarestByte(pattern, m);
    if (!tavrin::search::MayHold(page, length, fold, pattern, m, rare)) return 0;
    return tavrin::search::SearchPassedPage(pattern, m, fold, rare, page, length);
}

namespace tavrin::search {

int PassedPageHolds(const unsigned char* needle, size_t m, bool fold, size_t rare, const unsigned char* page,
                    size_t length, unsigned char* out, std::vector<uint32_t>& breaks, size_t from) {
    if (m == 0 || !page || length == 0) return 0;
    if (HoldsInOwnBytes(page, length, fold, needle, m, rare, from)) return 1;
    try {
        breaks.clear();
        return PageSearch(page, length, fold, out, needle, m, rare, breaks).Run() ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int SearchPassedPage(const unsigned char* needle, size_t m, bool fold, size_t rare, const unsigned char* page,
                     size_t length, size_t from) {
    if (m == 0 || !page || length == 0) return 0;
    // A search outside Search gets an area of its own for this page.
    const bool ownArea = g_searchBuffer == nullptr;
    // The plain text with its line ends and closing zero fits in the page's length plus two.
    if (!ReserveScratch(length + 2)) {
        AfxMessageBox("There are short of memory!", MB_OK);
        if (ownArea) ReleaseScratch();
        return 0;
    }
    int result = PassedPageHolds(needle, m, fold, rare, page, length,
                                 reinterpret_cast<unsigned char*>(g_searchBuffer), Breaks(), from);
    if (result < 0) {
        AfxMessageBox("There are short of memory!", MB_OK);
        result = 0;
    }
    if (ownArea) ReleaseScratch();
    return result;
}

} // namespace tavrin::search

int MatchText(const char* text, const char* line, int matchCase) {
    if (!text || !line) return 0;
    std::string needle(text), hay(line);
    if (!(matchCase & 1)) {
        for (char& c : needle)
            c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
        for (char& c : hay)
            c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    }
    size_t boundary = 0;
    for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) {
        size_t leads = 0;
        while (at - leads > boundary && IsLead(static_cast<unsigned char>(hay[at - leads - 1])))
            ++leads;
        if (!(leads & 1)) return 1;
        boundary = at + 1;
    }
    return 0;
}

int ExtractTagText(const char* html, size_t length, std::vector<std::string>& out) {
    if (!html || length == 0 || !*html) return 0;
    std::string current;
    bool afterTag = false;
    for (size_t i = 0; i < length && html[i]; ++i) {
        char c = html[i];
        if (c == '<') {
            afterTag = false;
        } else if (c == '>') {
            out.push_back(current);
            current.clear();
            afterTag = true;
        } else if (afterTag) {
            current += c;
        }
    }
    return out.empty() ? 0 : 1;
}

int ExtractTagText(const char* html, std::vector<std::string>& out) {
    return ExtractTagText(html, html ? std::strlen(html) : 0, out);
}

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

#include "afxwin.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

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

constexpr unsigned char kMark = 0xFF;

inline bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

inline unsigned char Fold(unsigned char c) {
    return static_cast<unsigned char>(c + (static_cast<unsigned char>(c - 'A') < 26 ? 32 : 0));
}

void CopyFolded(unsigned char* to, const unsigned char* from, size_t count) {
    for (size_t i = 0; i < count; ++i)
        to[i] = Fold(from[i]);
}

// How common a byte is in ordinary text (higher: more common); the search looks for the searched
// text's least common byte first.
constexpr std::array<uint8_t, 256> MakeRanks() {
    std::array<uint8_t, 256> rank{};
    for (int c = 0; c < 256; ++c)
        rank[c] = c < 0x20 ? 20 : c < 0x80 ? 110 : 60;
    const char* letters = "etaoinshrdlcumwfgypbvkjxqz"; // most common first
    for (int i = 0; letters[i]; ++i) {
        rank[static_cast<unsigned char>(letters[i])] = static_cast<uint8_t>(250 - i * 6);
        rank[static_cast<unsigned char>(letters[i] - 32)] = static_cast<uint8_t>(130 - i * 2);
    }
    for (int c = '0'; c <= '9'; ++c)
        rank[c] = 120;
    rank[' '] = 255;
    rank['.'] = rank[','] = 180;
    rank['\n'] = rank['\r'] = 30;
    return rank;
}

constexpr std::array<uint8_t, 256> kRanks = MakeRanks();

// Finds where the markup's zero-terminated readings start and end inside an embedded object: the
// first "text=" or "image=" at or after a position, and the first zero byte. Each answer is kept for
// the positions it stays true for, so that a page full of objects is still read in linear time.
class ObjectScan {
  public:
    ObjectScan(const unsigned char* page, size_t length) : page_(page), length_(length) {}

    // Where reading goes on after the object whose operands start at `from`.
    size_t After(size_t from) {
        size_t zero = FirstZero(from);
        size_t text = Find(text_, from, "text=", 5);
        if (text < zero) return text + 5; // the caption is read like the page's text
        size_t image = Find(image_, from, "image=", 6);
        size_t at = image < zero ? image + 6 : from;
        if (at >= length_) return length_;
        if (page_[at] == kMark) return std::min(at + 2, length_);
        for (; at < length_; ++at) {
            if (page_[at] == ' ') return at + 1;
            if (page_[at] == kMark) return std::min(at + 2, length_);
        }
        return length_;
    }

  private:
    struct Found {
        size_t from = SIZE_MAX; // the search started here ...
        size_t at = 0;          // ... and found this (length_ for nothing)
    };

    size_t FirstZero(size_t from) {
        if (zero_.from == SIZE_MAX || from < zero_.from || from > zero_.at) {
            const void* z = std::memchr(page_ + from, 0, length_ - from);
            zero_ = {from, z ? static_cast<size_t>(static_cast<const unsigned char*>(z) - page_) : length_};
        }
        return zero_.at;
    }

    size_t Find(Found& found, size_t from, const char* word, size_t size) {
        if (found.from == SIZE_MAX || from < found.from || from > found.at) {
            const void* w = memmem(page_ + from, length_ - from, word, size);
            found = {from, w ? static_cast<size_t>(static_cast<const unsigned char*>(w) - page_) : length_};
        }
        return found.at;
    }

    const unsigned char* page_;
    size_t length_;
    Found zero_, text_, image_;
};

// The position after the control sequence that starts at `at` (a 0xFF on a character boundary),
// never beyond the page's end; *lineBreak tells whether it was a line break.
size_t SequenceEnd(const unsigned char* page, size_t n, size_t at, ObjectScan& objects, bool* lineBreak) {
    *lineBreak = false;
    if (at + 1 >= n) return n;
    // The byte at `k` of the sequence, 0 beyond the page (the sequence then ends the page anyway).
    auto byteAt = [&](size_t k) -> unsigned { return at + k < n ? page[at + k] : 0u; };
    // Every byte from `from` up to and including the first "]".
    auto bracket = [&](size_t from) -> size_t {
        if (from >= n) return n;
        const void* b = std::memchr(page + from, ']', n - from);
        return b ? static_cast<size_t>(static_cast<const unsigned char*>(b) - page) + 1 : n;
    };
    size_t end = 0;
    switch (page[at + 1]) {
    case 0x0A:
        *lineBreak = true;
        end = at + 2;
        break;
    case 0x03:
        end = at + 22;
        break;
    case 0x05:
        end = at + 54;
        break;
    case 0x0D:
    case 0xFD:
        end = at + 10;
        break;
    case 0x13:
        end = at + 11;
        if (byteAt(2) & 0x20) end = bracket(end);
        break;
    case 0x19:
        return at + 3 >= n ? n : objects.After(at + 3);
    case 0x21:
        end = at + 19;
        if (!(byteAt(2) & 0x10)) end = bracket(end);
        break;
    case 0x23: {
        unsigned flags = byteAt(2);
        end = at + 11;
        if (!(flags & 0x10)) end = bracket(end);
        if (flags & 0x40) end += 8;
        if (flags & 0x20) {
            if (end + 2 > n) return n;
            end += 2 + (page[end] | static_cast<size_t>(page[end + 1]) << 8);
        }
        break;
    }
    case 0xF7:
        end = at + 6;
        break;
    case 0xF9:
        end = at + ((byteAt(3) & 0x40) ? 16 : 8);
        break;
    case 0xFB:
        end = at + 7;
        break;
    default:
        end = at + 2;
        break;
    }
    return std::min(end, n);
}

// Where the inserted line breaks (13 10) of the assembled page stand; kept between pages.
std::vector<uint32_t>& Breaks() {
    static std::vector<uint32_t> breaks;
    return breaks;
}

// Assembles the plain text of the page into `out` (room for n + 1 bytes), folded when `fold`; the
// inserted line breaks' positions go to `breaks`. Returns the plain text's length.
size_t Assemble(const unsigned char* page, size_t n, bool fold, unsigned char* out,
                std::vector<uint32_t>& breaks) {
    ObjectScan objects(page, n);
    size_t o = 0;
    size_t i = 0; // always on a character boundary
    while (i < n) {
        const void* found = std::memchr(page + i, kMark, n - i);
        size_t mark = found ? static_cast<size_t>(static_cast<const unsigned char*>(found) - page) : n;
        if (fold)
            CopyFolded(out + o, page + i, mark - i);
        else
            std::memcpy(out + o, page + i, mark - i);
        o += mark - i;
        if (mark == n) break;
        // The 0xFF is the second byte of a two-byte character when an odd number of lead bytes stands
        // right before it (a byte that cannot lead always ends a character).
        size_t leads = 0;
        while (mark - leads > i && IsLead(page[mark - leads - 1]))
            ++leads;
        if (leads & 1) {
            out[o++] = kMark;
            i = mark + 1;
            continue;
        }
        bool lineBreak = false;
        i = SequenceEnd(page, n, mark, objects, &lineBreak);
        if (lineBreak) {
            breaks.push_back(static_cast<uint32_t>(o));
            out[o++] = 13;
            out[o++] = 10;
        }
    }
    out[o] = 0;
    return o;
}

// Looks for `needle` (m bytes, folded already when the case is ignored) in the assembled page text
// where the line-by-line reading would find it.
bool FindInLines(const unsigned char* text, size_t length, const unsigned char* needle, size_t m, size_t rare,
                 const std::vector<uint32_t>& breaks) {
    if (m > length) return false;
    const unsigned char rareByte = needle[rare];
    const size_t lastPos = length - (m - rare); // the rare byte's last possible place
    size_t line = 0;                            // index of the first break not before the candidate's line
    size_t lineStart = 0;
    size_t zeroLine = SIZE_MAX, zeroAt = 0; // first zero of that line
    size_t boundary = 0;                    // a known character boundary at or before the candidate
    for (size_t from = rare; from <= lastPos;) {
        const void* hit = std::memchr(text + from, rareByte, lastPos - from + 1);
        if (!hit) return false;
        size_t pos = static_cast<size_t>(static_cast<const unsigned char*>(hit) - text);
        from = pos + 1;
        size_t start = pos - rare;
        if (text[start] != needle[0] || std::memcmp(text + start, needle, m) != 0) continue;
        while (line < breaks.size() && breaks[line] + 2 <= start)
            ++line;
        if (line < breaks.size() && breaks[line] < start + m) continue; // across a line break
        size_t thisStart = line ? breaks[line - 1] + 2 : 0;
        if (thisStart != lineStart) {
            lineStart = thisStart;
            boundary = std::max(boundary, lineStart);
        }
        if (zeroLine != line) {
            size_t lineEnd = line < breaks.size() ? breaks[line] : length;
            const void* z = std::memchr(text + lineStart, 0, lineEnd - lineStart);
            zeroAt = z ? static_cast<size_t>(static_cast<const unsigned char*>(z) - text) : lineEnd;
            zeroLine = line;
        }
        if (zeroAt < start) continue; // the line's text ends before it
        size_t leads = 0;
        while (start - leads > boundary && IsLead(text[start - leads - 1]))
            ++leads;
        if (!(leads & 1)) return true;
        boundary = start + 1;
    }
    return false;
}

size_t RarestByte(const unsigned char* needle, size_t m) {
    size_t rare = 0;
    for (size_t k = 1; k < m; ++k)
        if (kRanks[needle[k]] < kRanks[needle[rare]]) rare = k;
    return rare;
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
    const size_t rare = RarestByte(pattern, m);

    // Every byte of a line comes from the page: without the rarest byte nothing can match.
    const unsigned char rareByte = pattern[rare];
    bool present = std::memchr(page, rareByte, length) != nullptr;
    if (!present && fold && rareByte >= 'a' && rareByte <= 'z')
        present = std::memchr(page, rareByte - 32, length) != nullptr;
    if (!present) return 0;

    // A search outside Search gets an area of its own for this page.
    const bool ownArea = g_searchBuffer == nullptr;
    // The plain text with its line ends and closing zero fits in the page's length plus two.
    if (!ReserveScratch(size_t{length} + 2)) {
        AfxMessageBox("There are short of memory!", MB_OK);
        if (ownArea) tavrin::search::ReleaseScratch();
        return 0;
    }
    int result = 0;
    try {
        std::vector<uint32_t>& breaks = Breaks();
        breaks.clear();
        auto* out = reinterpret_cast<unsigned char*>(g_searchBuffer);
        size_t plain = Assemble(page, length, fold, out, breaks);
        result = FindInLines(out, plain, pattern, m, rare, breaks) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        AfxMessageBox("There are short of memory!", MB_OK);
        result = 0;
    }
    if (ownArea) tavrin::search::ReleaseScratch();
    return result;
}

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

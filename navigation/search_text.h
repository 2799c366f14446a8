// The text side of the full-text search: the plain text of a page (control sequences skipped, line
// breaks kept), the line-by-line test for the searched text, and the texts between the tags of an HTML
// page. The control's Search (navigation/search.cpp) reads the pages through the drivers and uses
// these; they need no control and no driver.
//
// A page is a byte string in the page markup: 0xFF starts a control sequence, every other byte is
// text; a text byte from 0x81 to 0xFE is the lead byte of a two-byte character and takes the byte after
// it, whatever it is. The searched text is matched within one line of the page's plain text, starting
// on a character boundary, before the line's first zero byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The scratch area in which a page's plain text is assembled: kSearchBufferSize bytes while a search
// runs, a larger area for a longer page. Null when no search runs.
extern char* g_searchBuffer;
extern size_t g_searchBufferSize;
// Set when the host's callback asked to stop the search; cleared when the next search starts.
extern int g_bSearchStop;

inline constexpr size_t kSearchBufferSize = 65536;

// 1 if some line of the plain text of the `length` bytes at `page` holds `text`, else 0 (also for an
// empty text or page). matchCase 0: the letters A-Z match either case. Grows the scratch area for a
// page longer than it holds; when that fails, shows "There are short of memory!" and answers 0.
int SearchPageText(const char* text, const unsigned char* page, unsigned length, int matchCase);

// 1 if the zero-terminated `line` holds `text` starting on a character boundary, else 0. Only bit 0
// of matchCase is read; with it clear, the letters A-Z match either case.
int MatchText(const char* text, const char* line, int matchCase);

// Appends to `out`, for every ">" of the zero-terminated `html`, the text that followed the previous
// ">" up to the first "<" or this ">" (an empty string for the first ">"). 1 if `out` then holds at
// least one string; 0 for an empty text. The second form reads at most `length` bytes.
int ExtractTagText(const char* html, std::vector<std::string>& out);
int ExtractTagText(const char* html, size_t length, std::vector<std::string>& out);

namespace tavrin::search {

// Where the search gets the scratch area and its page blocks from. Tests put in one that fails, to
// see how the search copes with memory that cannot be had; null puts malloc back. Returns the
// allocator that was in use.
using Allocator = void* (*)(size_t size);
Allocator SetAllocator(Allocator allocator);
void* Allocate(size_t size);
// True while no test has put in an allocator of its own.
bool DefaultAllocator();

// SearchPageText for a page that PagePrefilter let through, with the text as PagePrefilter takes it:
// `needle` (m bytes, folded with Fold when fold) and `rare`, the index of its rarest byte; `from` as
// PassedPageHolds takes it.
int SearchPassedPage(const unsigned char* needle, size_t m, bool fold, size_t rare, const unsigned char* page,
                     size_t length, size_t from = 0);

// SearchPassedPage's answer worked out in the caller's own area (`out`: at least length + 2 bytes;
// `breaks`), for a thread other than the search's: it shows nothing and touches no shared area. 1 or
// 0; -1 when there was no memory to be had for `breaks`. `from`: no place before it holds the text's
// rarest byte as part of the text in the page's own bytes (where a sweep's quick look stopped), or 0.
int PassedPageHolds(const unsigned char* needle, size_t m, bool fold, size_t rare, const unsigned char* page,
                    size_t length, unsigned char* out, std::vector<uint32_t>& breaks, size_t from = 0);

// Makes g_searchBuffer hold at least `size` bytes (at least kSearchBufferSize). False when no area
// of that size was to be had; the area is then kSearchBufferSize bytes if that much could be had
// again, else null.
bool ReserveScratch(size_t size);
// Frees the scratch area.
void ReleaseScratch();

} // namespace tavrin::search

// The driver's texts in the shelf's code page. An EPUB's texts are UTF-8; the shelf reads every text a
// driver hands it (names, class names, contents entries, pages) in its active code page, which a
// driver asks of the host program through GetACP, as it would of the system. Programs built on the
// platform layer offer GetACP; in a program that does not (a tool that only loads the driver), or
// when the code page is UTF-8 itself, the texts go out as UTF-8 (well-formed: see FromUtf8).
#pragma once

#include <string>
#include <string_view>

namespace tavrin::ebook {

// The host program's active code page, or 0 when texts are to stay UTF-8.
unsigned ShelfCodePage();

// `utf8` in `codePage` (1252, 932, 936, 949, 950, ...; 0: UTF-8) by the shelf's one conversion rule
// (codepage/code_page.h): a character the code page lacks becomes '?', and so does each byte that is
// not part of a well-formed UTF-8 character, in UTF-8 too.
std::string FromUtf8(std::string_view utf8, unsigned codePage);

// The longest prefix of `text` (in `codePage`; 0: UTF-8) of at most `limit` bytes that ends on a
// character boundary.
std::string_view CutText(std::string_view text, size_t limit, unsigned codePage);

// Copies the UTF-8 `text` into a caller's buffer of `capacity` bytes (counting the terminating zero)
// in the shelf's code page, cut on a character boundary. Returns the text bytes written (0 for a null
// buffer).
int CopyOutText(std::string_view text, char* buffer, int capacity);

} // namespace tavrin::ebook

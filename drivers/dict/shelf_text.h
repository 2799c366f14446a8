// The dictionary's texts as the shelf reads them. A dictionary holds UTF-8 (or, in older ones, Latin-1
// text); the shelf reads every text a driver hands it in the program's active code page, which the
// driver asks of the program through GetACP, as it would of the system. In a program without GetACP,
// or when the active code page is UTF-8, texts go out in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrin::dict {

// The program's active code page; 0 when texts go out in UTF-8.
unsigned ShelfCodePage();

// `text` in UTF-8: as it is when it is well-formed UTF-8, else read as Latin-1 (code page 1252).
std::string AsUtf8(std::string_view text);

// Appends the page of `definitions` (the file's bytes) in `codePage` (0: UTF-8) to `out`: each line
// end as the line break 0xFF 0x0A, a character the code page lacks as '?', and a 0xFF byte of the
// text (ÿ in 1252) as 'y', since 0xFF starts a control sequence.
void AppendPage(std::string_view definitions, unsigned codePage, std::string& out);

// Writes the page of `definitions` as AppendPage makes it into `to`, which has room for `room` bytes:
// the bytes written, or kDoesNotFit (having written an unknown part) when the page is longer.
inline constexpr size_t kDoesNotFit = static_cast<size_t>(-1);
size_t WritePage(std::string_view definitions, unsigned codePage, char* to, size_t room);

// Copies the UTF-8 `text` into a caller's buffer of `capacity` bytes (counting the terminating zero)
// in the shelf's code page, cut on a character boundary. Returns the bytes written before the zero.
int CopyOutText(std::string_view text, char* buffer, int capacity);

// What the user typed in the shelf's code page, in UTF-8.
std::string TypedToUtf8(std::string_view typed);

} // namespace tavrin::dict

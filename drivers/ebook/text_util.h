// UTF-8 text helpers for the e-book store: EPUB metadata is UTF-8, and so is what the store keeps
// (the driver converts texts to the shelf's code page only as it hands them out: shelf_text.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrin::ebook {

// The longest prefix of `text` of at most `limit` bytes that ends on a UTF-8 character boundary.
std::string_view CutUtf8(std::string_view text, size_t limit);

// Trims `text` and turns every run of white space and control characters into one blank, so that a
// metadata text fits one line of the store index.
std::string CollapseSpace(std::string_view text);

// The length of the well-formed UTF-8 character that starts at text[at] (1 to 4), or 0 when the bytes
// there are no such character (a stray continuation byte, an overlong form, a surrogate, a code point
// beyond U+10FFFF, a character cut off by the end).
size_t Utf8CharLength(std::string_view text, size_t at);

// `text` with every byte that does not belong to a well-formed UTF-8 character replaced by U+FFFD, so
// that what the store keeps and shows is always valid UTF-8.
std::string ValidUtf8(std::string_view text);

// Appends the UTF-8 form of the code point `c` (at most U+10FFFF, not a surrogate).
void AppendUtf8(std::string& out, uint32_t c);

// ASCII letters folded to lower case; other bytes unchanged.
std::string FoldAscii(std::string_view text);

// 64-bit FNV-1a of `bytes`, continuing from `hash`.
inline constexpr uint64_t kFnvBasis = 14695981039346656037ull;
uint64_t Fnv1a64(std::string_view bytes, uint64_t hash = kFnvBasis);

} // namespace tavrin::ebook

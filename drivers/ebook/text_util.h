// UTF-8 text helpers for the e-book store: EPUB metadata is UTF-8, and every text the driver hands the
// shelf (titles, class names, contents entries) is UTF-8 cut on a character boundary.
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

// ASCII letters folded to lower case; other bytes unchanged.
std::string FoldAscii(std::string_view text);

// Copies `text` into a caller's buffer of `capacity` bytes (counting the terminating zero), cut on a
// UTF-8 character boundary. Returns the number of text bytes written (0 for a null buffer).
int CopyOutUtf8(std::string_view text, char* buffer, int capacity);

// 64-bit FNV-1a of `bytes`, continuing from `hash`.
inline constexpr uint64_t kFnvBasis = 14695981039346656037ull;
uint64_t Fnv1a64(std::string_view bytes, uint64_t hash = kFnvBasis);

} // namespace tavrin::ebook

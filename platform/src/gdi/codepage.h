// The active code page and conversion of its 8-bit text to UTF-8 at the font edge.
#pragma once

#include "win/types.h"

#include <cstddef>
#include <string>

namespace plat::detail {

// Length in bytes (1 or 2) of the character starting at s[i] of an n-byte string in `codePage`.
// A lead byte at the very end, or followed by a zero byte, stands alone.
size_t CharLength(const char* s, size_t i, size_t n, UINT codePage);

// True for the double-byte code pages this layer knows (950, 936 and the other East Asian ones).
bool IsDoubleByteCodePage(UINT codePage);

// UTF-8 for one character of `codePage` (1 or 2 bytes). Returns false (and leaves `out` empty) when
// the code page has no such character.
bool CharToUtf8(UINT codePage, const char* bytes, size_t len, std::string& out);

} // namespace plat::detail

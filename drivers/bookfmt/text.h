// 8-bit text helpers that respect two-byte characters (lead bytes 0x81-0xFE take the next byte).
#pragma once

#include <cstddef>
#include <string_view>

namespace tavrin::book {

inline bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// The number of leading bytes of `text`, at most `limit`, that end on a character boundary.
size_t FitCharacters(std::string_view text, size_t limit);

// True when the last character of `text` is whole (no lead byte stands last).
bool EndsOnCharacter(std::string_view text);

// Copies `text` into a caller's buffer of `capacity` bytes (capacity counts the terminating zero),
// cut on a character boundary when it does not fit. Returns the number of text bytes written; writes
// nothing when the buffer is null or the capacity below 1.
int CopyOut(std::string_view text, char* buffer, int capacity);

// ASCII letters compared without regard to case; other bytes exactly.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

} // namespace tavrin::book

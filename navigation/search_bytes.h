// Byte rules shared by the search's readings of a page: the control-sequence mark and the lead bytes of
// two-byte characters (from the page markup, tavrin/page_markup.h), the A-Z case fold, and how common a byte
// is in ordinary text.
#pragma once

#include "tavrin/page_markup.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrin::search {

inline constexpr unsigned char kMark = TVR_MARK;
inline constexpr unsigned char kLineBreak = TVR_LINE_BREAK;

inline bool IsLead(unsigned char c) {
    return TvrIsLeadByte(c) != 0;
}

// Only A-Z fold; every other byte stands for itself.
inline unsigned char Fold(unsigned char c) {
    return static_cast<unsigned char>(c + (static_cast<unsigned char>(c - 'A') < 26 ? 32 : 0));
}

// The byte of the other case for a-z, else the byte itself.
inline unsigned char OtherCase(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// How common a byte is in ordinary text (higher: more common); the search looks for the searched
// text's least common bytes first.
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

inline constexpr std::array<uint8_t, 256> kRanks = MakeRanks();

// The index of the least common byte of the m > 0 bytes at needle.
inline size_t RarestByte(const unsigned char* needle, size_t m) {
    size_t rare = 0;
    for (size_t k = 1; k < m; ++k)
        if (kRanks[needle[k]] < kRanks[needle[rare]]) rare = k;
    return rare;
}

} // namespace tavrin::search

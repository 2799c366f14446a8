// CRC-32 (the common reflected polynomial 0xEDB88320) that guards the book file's index sections and
// pages against damage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrin::book {

// Continues a CRC over more bytes: Crc32(Crc32(0, a), b) == Crc32 of a followed by b.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

// Copies `size` bytes from `from` to `to` (not overlapping) and continues the CRC over them, in one
// pass where the processor allows: Crc32(crc, from, size), with the bytes at `to` afterwards.
uint32_t Crc32Copy(uint32_t crc, void* to, const void* from, size_t size);

// Pages that lie one after another from `from`, each copied to its own place: crcs[i] is
// Crc32(0, page i), with the page's bytes at pieces[i].to afterwards (without crcs, only the copies). Pages from kCrcPageShortest to
// kCrcPageLongest bytes are checked several at a time where the processor allows (a dictionary's
// pages of a few hundred bytes cost hardly more than their bytes); the others one by one.
struct CrcPiece {
    uint8_t* to;
    size_t length;
};
inline constexpr size_t kCrcPageShortest = 4;
inline constexpr size_t kCrcPageLongest = 2048;
void Crc32CopyPages(const uint8_t* from, const CrcPiece* pieces, size_t count, uint32_t* crcs);

// How the CRC is computed: tables, carry-less multiplication on 128, 256 or 512 bits; each is
// taken where the processor has it and the bytes are enough. Tests limit the choice to reach every
// method; returns the previous limit.
enum class CrcMethod { Table, Clmul128, Clmul256, Clmul512 };
CrcMethod LimitCrcMethod(CrcMethod widest);
CrcMethod CurrentCrcMethod();

} // namespace tavrin::book

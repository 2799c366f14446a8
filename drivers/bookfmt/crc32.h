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

// How the CRC is computed: tables, carry-less multiplication on 128 bits, or on 512 bits; each is
// taken where the processor has it and the bytes are enough. Tests limit the choice to reach every
// method; returns the previous limit.
enum class CrcMethod { Table, Clmul128, Clmul512 };
CrcMethod LimitCrcMethod(CrcMethod widest);

} // namespace tavrin::book

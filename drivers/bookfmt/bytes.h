// Little-endian numbers in byte buffers: loads and stores that never leave the buffer they are given.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::book {

using Bytes = std::vector<uint8_t>;
using ByteView = std::span<const uint8_t>;

// Loads from `data` at `offset`; the caller has checked that offset + size lies inside `data`. On a
// little-endian machine each is one load (the index checks of a large book make millions of them).
template <class T> inline T LoadLittle(ByteView data, size_t offset) {
    T v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, data.data() + offset, sizeof v);
    } else {
        for (size_t i = 0; i < sizeof v; ++i)
            v |= static_cast<T>(static_cast<T>(data[offset + i]) << (8 * i));
    }
    return v;
}
inline uint16_t LoadU16(ByteView data, size_t offset) {
    return LoadLittle<uint16_t>(data, offset);
}
inline uint32_t LoadU32(ByteView data, size_t offset) {
    return LoadLittle<uint32_t>(data, offset);
}
inline uint64_t LoadU64(ByteView data, size_t offset) {
    return LoadLittle<uint64_t>(data, offset);
}
inline int32_t LoadI32(ByteView data, size_t offset) {
    return static_cast<int32_t>(LoadU32(data, offset));
}

// Appends to a growing buffer.
inline void PutU8(Bytes& out, uint8_t v) {
    out.push_back(v);
}
inline void PutU16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutU64(Bytes& out, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutI32(Bytes& out, int32_t v) {
    PutU32(out, static_cast<uint32_t>(v));
}
inline void PutBytes(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

// Overwrites a number already in the buffer (offset + size inside `out`).
inline void StoreU32(Bytes& out, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreU64(Bytes& out, size_t offset, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

// True when [offset, offset + length) lies inside [0, size), without overflow.
inline bool RangeInside(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

inline std::string_view AsText(ByteView data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

} // namespace tavrin::book

#include "bookfmt/crc32.h"

#include <array>
#include <cstring>

#include "bookfmt/crc32_fold.h"

namespace tavrin::book {
#ifdef TAVRIN_CRC_CLMUL
using namespace crc_fold;
#endif
namespace {

// Eight tables for slicing by eight bytes: opening a large book checks a few megabytes of index.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = MakeTables();

#ifdef TAVRIN_CRC_CLMUL
// Carry-less multiplication folds 64 bytes at a time into four 128-bit lanes, then the lanes into one,
// then a Barrett reduction to 32 bits (the constants are powers of x modulo the reflected polynomial).
// Pages are checked on every read, so this runs at memory speed where the processor has the
// instruction; pages of a few hundred bytes are checked as often as long ones, so the last bytes of
// a piece are folded in too rather than looked up one by one. `state` is the running (inverted) CRC;
// `size` is a multiple of 16, at least 64, and `tail` bytes (fewer than 16) follow.
__attribute__((target("pclmul,sse2"))) inline __m128i Load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Byte shifts of a register by pshufb: 16 bytes from kShift + 16 + t move a register's bytes down by
// t places, from kShift + t up by 16 - t places (zeros shifted in); 16 bytes from kLast + t select its
// last t bytes.
alignas(16) constexpr uint8_t kShift[48] = {
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
    0,    1,    2,    3,    4,    5,    6,    7,    8,    9,    10,   11,   12,   13,   14,   15,
    0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
alignas(16) constexpr uint8_t kLast[32] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                           0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// One 128-bit lane (16 bytes before p) with the rest of the 16-byte blocks folded in, then the last
// `tail` bytes (fewer than 16), and the 128 bits reduced to the CRC.
__attribute__((target("pclmul,ssse3"))) uint32_t FinishLane(__m128i x1, const uint8_t* p, size_t size,
                                                            size_t tail) {
    const __m128i k3k4 = Lane(k128), k5 = Lane(k64), poly = Lane(kPoly);
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    for (; size >= 16; p += 16, size -= 16)
        x1 = Fold(x1, k3k4, Load(p));
    if (tail) {
        // The 16 bytes in x1 and the tail, cut anew: x1's first `tail` bytes (with zeros before them,
        // which change nothing) are folded into the 16 bytes that follow them, x1's others and the tail.
        const __m128i first = _mm_shuffle_epi8(x1, Load(kShift + tail));
        const __m128i last = _mm_and_si128(Load(p + tail - 16), Load(kLast + tail));
        x1 = Fold(first, k3k4, _mm_or_si128(_mm_shuffle_epi8(x1, Load(kShift + 16 + tail)), last));
    }
    // 128 to 64 bits, appending 32 zero bits.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(k3k4, x1, 0x01));
    // 64 to 32 bits ...
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00));
    // ... and the Barrett reduction.
    __m128i t = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10), mask32);
    t = _mm_clmulepi64_si128(t, poly, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

// The four lanes x1..x4 (64 bytes before p) folded into one, then finished as above.
__attribute__((target("pclmul,ssse3"))) uint32_t FinishLanes(__m128i x1, __m128i x2, __m128i x3, __m128i x4,
                                                             const uint8_t* p, size_t size, size_t tail) {
    const __m128i k3k4 = Lane(k128);
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    return FinishLane(x1, p, size, tail);
}

__attribute__((target("pclmul,ssse3"))) uint32_t FoldClmul(uint32_t state, const uint8_t* p, size_t size,
                                                           size_t tail) {
    const __m128i k1k2 = Lane(k512);
    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
    p += 64;
    size -= 64;
    for (; size >= 64; p += 64, size -= 64) {
        x1 = Fold(x1, k1k2, Load(p));
        x2 = Fold(x2, k1k2, Load(p + 16));
        x3 = Fold(x3, k1k2, Load(p + 32));
        x4 = Fold(x4, k1k2, Load(p + 48));
    }
    return FinishLanes(x1, x2, x3, x4, p, size, tail);
}

// The same with 512-bit registers where the processor multiplies four lanes at once: four registers
// fold 256 bytes at a time (constants for 2048 bits), then into one register (constants for 512
// bits), whose four lanes go on as x1..x4. `size` is a multiple of 16, at least 256.
__attribute__((target("avx512f,vpclmulqdq,pclmul,ssse3"))) uint32_t
FoldWideClmul(uint32_t state, const uint8_t* p, size_t size, size_t tail) {
    const __m512i k4lanes2048 = Lanes4(k2048);
    const __m512i k4lanes512 = Lanes4(k512);
    __m512i z1 = _mm512_xor_si512(_mm512_loadu_si512(p),
                                  _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(state))));
    __m512i z2 = _mm512_loadu_si512(p + 64), z3 = _mm512_loadu_si512(p + 128),
            z4 = _mm512_loadu_si512(p + 192);
    p += 256;
    size -= 256;
    for (; size >= 256; p += 256, size -= 256) {
        z1 = FoldWide(z1, k4lanes2048, _mm512_loadu_si512(p));
        z2 = FoldWide(z2, k4lanes2048, _mm512_loadu_si512(p + 64));
        z3 = FoldWide(z3, k4lanes2048, _mm512_loadu_si512(p + 128));
        z4 = FoldWide(z4, k4lanes2048, _mm512_loadu_si512(p + 192));
    }
    z1 = FoldWide(z1, k4lanes512, z2);
    z1 = FoldWide(z1, k4lanes512, z3);
    z1 = FoldWide(z1, k4lanes512, z4);
    for (; size >= 64; p += 64, size -= 64)
        z1 = FoldWide(z1, k4lanes512, _mm512_loadu_si512(p));
    // (The masked form: the plain one trips a warning about an unset value in the compiler's header.)
    return FinishLanes(_mm512_maskz_extracti32x4_epi32(0xF, z1, 0),
                       _mm512_maskz_extracti32x4_epi32(0xF, z1, 1),
                       _mm512_maskz_extracti32x4_epi32(0xF, z1, 2),
                       _mm512_maskz_extracti32x4_epi32(0xF, z1, 3), p, size, tail);
}

// FoldWideClmul that also stores every block it loads at `to`: a page is copied and checked in one
// pass over its bytes. The last (fewer than 64) bytes are copied first and finished from the copy.
__attribute__((target("avx512f,vpclmulqdq,pclmul,ssse3"))) uint32_t
FoldWideClmulCopy(uint32_t state, uint8_t* to, const uint8_t* p, size_t size, size_t tail) {
    const __m512i k4lanes2048 = Lanes4(k2048);
    const __m512i k4lanes512 = Lanes4(k512);
    auto copy = [&](size_t at) __attribute__((target("avx512f"))) {
        const __m512i v = _mm512_loadu_si512(p + at);
        _mm512_storeu_si512(to + at, v);
        return v;
    };
    __m512i z1 =
        _mm512_xor_si512(copy(0), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(state))));
    __m512i z2 = copy(64), z3 = copy(128), z4 = copy(192);
    p += 256;
    to += 256;
    size -= 256;
    for (; size >= 256; p += 256, to += 256, size -= 256) {
        z1 = FoldWide(z1, k4lanes2048, copy(0));
        z2 = FoldWide(z2, k4lanes2048, copy(64));
        z3 = FoldWide(z3, k4lanes2048, copy(128));
        z4 = FoldWide(z4, k4lanes2048, copy(192));
    }
    z1 = FoldWide(z1, k4lanes512, z2);
    z1 = FoldWide(z1, k4lanes512, z3);
    z1 = FoldWide(z1, k4lanes512, z4);
    for (; size >= 64; p += 64, to += 64, size -= 64)
        z1 = FoldWide(z1, k4lanes512, copy(0));
    std::memcpy(to, p, size + tail);
    return FinishLanes(_mm512_maskz_extracti32x4_epi32(0xF, z1, 0),
                       _mm512_maskz_extracti32x4_epi32(0xF, z1, 1),
                       _mm512_maskz_extracti32x4_epi32(0xF, z1, 2),
                       _mm512_maskz_extracti32x4_epi32(0xF, z1, 3), to, size, tail);
}

// The same with 256-bit registers, where the processor multiplies two lanes at once but has no
// AVX-512: four registers fold 128 bytes at a time (constants for 1024 bits), then the four and
// the two lanes of what they make into one. `size` is a multiple of 16, at least 128.
// Loads the 32-byte block at p + at; the copying form also stores it at to + at (`to` is null
// otherwise).
template <bool kCopy>
__attribute__((target("avx2"))) inline __m256i TakeHalves(uint8_t* to, const uint8_t* p, size_t at) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + at));
    if constexpr (kCopy) _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + at), v);
    return v;
}

template <bool kCopy>
__attribute__((target("avx2,vpclmulqdq,pclmul,ssse3"))) uint32_t
FoldHalvesClmul(uint32_t state, uint8_t* to, const uint8_t* p, size_t size, size_t tail) {
    const __m256i k2lanes1024 = Lanes2(k1024);
    const __m256i k2lanes256 = Lanes2(k256);
    __m256i y1 = _mm256_xor_si256(TakeHalves<kCopy>(to, p, 0),
                                  _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(state))));
    __m256i y2 = TakeHalves<kCopy>(to, p, 32), y3 = TakeHalves<kCopy>(to, p, 64),
            y4 = TakeHalves<kCopy>(to, p, 96);
    p += 128;
    if constexpr (kCopy) to += 128;
    size -= 128;
    for (; size >= 128; p += 128, size -= 128) {
        y1 = FoldHalves(y1, k2lanes1024, TakeHalves<kCopy>(to, p, 0));
        y2 = FoldHalves(y2, k2lanes1024, TakeHalves<kCopy>(to, p, 32));
        y3 = FoldHalves(y3, k2lanes1024, TakeHalves<kCopy>(to, p, 64));
        y4 = FoldHalves(y4, k2lanes1024, TakeHalves<kCopy>(to, p, 96));
        if constexpr (kCopy) to += 128;
    }
    // The last whole blocks (at most three) folded into the registers in turn, which then hold the last
    // 128 bytes in the order y1..y4.
    for (; size >= 32; p += 32, size -= 32) {
        const __m256i last = FoldHalves(y1, k2lanes1024, TakeHalves<kCopy>(to, p, 0));
        if constexpr (kCopy) to += 32;
        y1 = y2;
        y2 = y3;
        y3 = y4;
        y4 = last;
    }
    // The four registers moved on to the last one side by side rather than one after another: the
    // chain of multiplications a piece ends in is one step long instead of three.
    const __m256i zero = _mm256_setzero_si256();
    const __m256i y = _mm256_xor_si256(
        _mm256_xor_si256(FoldHalves(y1, Lanes2(k768), zero), FoldHalves(y2, Lanes2(k512), zero)),
        FoldHalves(y3, k2lanes256, y4));
    // The last (fewer than 32) bytes are copied first and finished from the copy.
    if constexpr (kCopy) {
        std::memcpy(to, p, size + tail);
        p = to;
    }
    return FinishLane(Fold(_mm256_castsi256_si128(y), Lane(k128), _mm256_extracti128_si256(y, 1)), p, size,
                      tail);
}

#endif

CrcMethod g_widest = CrcMethod::Clmul512;

} // namespace

#ifdef TAVRIN_CRC_CLMUL
bool crc_fold::HasClmul() {
    static const bool has = CPU_FEATURE_ACTIVE(PCLMULQDQ) && CPU_FEATURE_ACTIVE(SSSE3);
    return has;
}

bool crc_fold::HasHalvesClmul() {
    static const bool has =
        HasClmul() && CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(VPCLMULQDQ);
    return has;
}

bool crc_fold::HasWideClmul() {
    static const bool has =
        HasClmul() && CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(VPCLMULQDQ);
    return has;
}
#endif

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = ~crc;
#ifdef TAVRIN_CRC_CLMUL
    if (size >= 64 && g_widest != CrcMethod::Table && HasClmul()) {
        const size_t whole = size & ~size_t{15};
        if (whole >= 256 && g_widest == CrcMethod::Clmul512 && HasWideClmul())
            return ~FoldWideClmul(c, p, whole, size - whole);
        if (whole >= 128 && g_widest >= CrcMethod::Clmul256 && HasHalvesClmul())
            return ~FoldHalvesClmul<false>(c, nullptr, p, whole, size - whole);
        return ~FoldClmul(c, p, whole, size - whole);
    }
#endif
    while (size >= 8) {
        uint32_t lo = c ^ (static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
        c = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
            kTables[4][lo >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
        p += 8;
        size -= 8;
    }
    while (size--)
        c = kTables[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}

uint32_t Crc32Copy(uint32_t crc, void* to, const void* from, size_t size) {
#ifdef TAVRIN_CRC_CLMUL
    if (size >= 256 && g_widest == CrcMethod::Clmul512 && HasWideClmul()) {
        const size_t whole = size & ~size_t{15};
        return ~FoldWideClmulCopy(~crc, static_cast<uint8_t*>(to), static_cast<const uint8_t*>(from), whole,
                                  size - whole);
    }
    if (size >= 128 && g_widest >= CrcMethod::Clmul256 && HasHalvesClmul()) {
        const size_t whole = size & ~size_t{15};
        return ~FoldHalvesClmul<true>(~crc, static_cast<uint8_t*>(to), static_cast<const uint8_t*>(from),
                                      whole, size - whole);
    }
#endif
    // Shorter pieces, or no wide multiply: the copy, then the CRC of the copy while it is in the cache.
    if (size) std::memcpy(to, from, size);
    return Crc32(crc, to, size);
}

CrcMethod CurrentCrcMethod() {
    return g_widest;
}

CrcMethod LimitCrcMethod(CrcMethod widest) {
    CrcMethod previous = g_widest;
    g_widest = widest;
    return previous;
}

} // namespace tavrin::book

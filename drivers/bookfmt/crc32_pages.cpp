// Many short pages copied and checked at once. A page's CRC by carry-less folding ends in a chain of
// dependent multiplications (the lanes folded into one, then reduced to 32 bits) that takes longer
// than folding a dictionary's page of a few hundred bytes; page after page, that chain is most of the
// work. Here each page is folded into one 512-bit register, its bytes taken as whole 64-byte blocks
// (the first block is the page's first (length mod 64) bytes with zeros before them, which leave the
// CRC as it is, the starting value put in where the page's first bytes land), and the ends of four
// pages are folded and reduced together, one page per 128-bit lane.
//
// Every byte is loaded once into a register that is both stored to the copy and folded into the CRC,
// so the CRC is always that of the bytes copied, even while the source changes. The loads and stores
// of a page's first block are masked: the bytes before the page are neither read nor written. (The
// masked forms of the broadcasts and shuffles too: the plain ones trip a warning about an unset
// value in the compiler's header.) Processors with 256-bit multiplication but without AVX-512 take
// the same way two lanes wide (CopyPagesHalves).
#include "bookfmt/crc32.h"

#include "bookfmt/crc32_fold.h"

#include <array>
#include <cstring>

namespace tavrin::book {
namespace {

#ifdef TAVRIN_CRC_CLMUL
using namespace crc_fold;

// The starting value of a page's CRC, 0xFFFFFFFF, lies on its first four bytes: 64 bytes loaded at
// kStart + a put it where a first block of `a` bytes (after 64 - a zeros) has them, and 64 bytes at
// kStart + a + 64 the rest of it on the second block when a < 4.
alignas(64) constexpr uint8_t kStart[192] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};

// One page of n >= 4 bytes copied from `from` to `to`, its bytes folded into the returned register.
__attribute__((target("avx512f,avx512bw,bmi2,vpclmulqdq"))) inline __m512i
FoldPage(uint8_t* to, const uint8_t* from, size_t n, __m512i k4lanes512) {
    const size_t a = ((n - 1) & 63) + 1; // the first block's bytes, 1..64
    const __mmask64 high = ~uint64_t{0} << (64 - a);
    const __m512i first = _mm512_maskz_loadu_epi8(high, from - (64 - a));
    _mm512_mask_storeu_epi8(to - (64 - a), high, first);
    __m512i acc = _mm512_xor_si512(first, _mm512_loadu_si512(kStart + a));
    const uint8_t* p = from + a;
    uint8_t* t = to + a;
    const uint8_t* end = from + n;
    if (p == end) return acc;
    __m512i v = _mm512_loadu_si512(p);
    _mm512_storeu_si512(t, v);
    acc = FoldWide(acc, k4lanes512, _mm512_xor_si512(v, _mm512_loadu_si512(kStart + a + 64)));
    for (p += 64, t += 64; p != end; p += 64, t += 64) {
        v = _mm512_loadu_si512(p);
        _mm512_storeu_si512(t, v);
        acc = FoldWide(acc, k4lanes512, v);
    }
    return acc;
}

// The CRCs of four pages whose registers are a0..a3: each register's four lanes folded into its last,
// the four pages side by side, then reduced to 32 bits each.
__attribute__((target("avx512f,avx512bw,avx512dq,vpclmulqdq"))) inline void
Finish4(__m512i a0, __m512i a1, __m512i a2, __m512i a3, uint32_t* out) {
    const __m512i k4lanes128 = Lanes4(k128);
    const __m512i k5 = Lanes4(k64);
    const __m512i poly = Lanes4(kPoly);
    const __m512i mask32 = _mm512_maskz_broadcast_i32x4(0xFFFF, _mm_set_epi32(0, 0, 0, -1));
    // Lane j of every page side by side.
    const __m512i t0 = _mm512_maskz_shuffle_i64x2(0xFF, a0, a1, 0x44),
                  t1 = _mm512_maskz_shuffle_i64x2(0xFF, a0, a1, 0xEE);
    const __m512i t2 = _mm512_maskz_shuffle_i64x2(0xFF, a2, a3, 0x44),
                  t3 = _mm512_maskz_shuffle_i64x2(0xFF, a2, a3, 0xEE);
    __m512i x = _mm512_maskz_shuffle_i64x2(0xFF, t0, t2, 0x88);
    x = FoldWide(x, k4lanes128, _mm512_maskz_shuffle_i64x2(0xFF, t0, t2, 0xDD));
    x = FoldWide(x, k4lanes128, _mm512_maskz_shuffle_i64x2(0xFF, t1, t3, 0x88));
    x = FoldWide(x, k4lanes128, _mm512_maskz_shuffle_i64x2(0xFF, t1, t3, 0xDD));
    // 128 to 64 bits, 64 to 32, and the Barrett reduction, as for one page.
    x = _mm512_xor_si512(_mm512_bsrli_epi128(x, 8), _mm512_clmulepi64_epi128(k4lanes128, x, 0x01));
    x = _mm512_xor_si512(_mm512_bsrli_epi128(x, 4),
                         _mm512_clmulepi64_epi128(_mm512_and_si512(x, mask32), k5, 0x00));
    __m512i t = _mm512_and_si512(_mm512_clmulepi64_epi128(_mm512_and_si512(x, mask32), poly, 0x10), mask32);
    t = _mm512_clmulepi64_epi128(t, poly, 0x00);
    x = _mm512_xor_si512(x, t);
    // Each lane's second 32 bits, inverted.
    alignas(64) uint32_t lanes[16];
    _mm512_store_si512(lanes, x);
    out[0] = ~lanes[1];
    out[1] = ~lanes[5];
    out[2] = ~lanes[9];
    out[3] = ~lanes[13];
}

// Besides the 512-bit multiplication, the masked loads and stores of single bytes.
bool HasPagesWide() {
    static const bool has = HasWideClmul() && CPU_FEATURE_ACTIVE(AVX512BW) && CPU_FEATURE_ACTIVE(AVX512DQ) &&
                            CPU_FEATURE_ACTIVE(BMI2);
    return has;
}

__attribute__((target("avx512f,avx512bw,avx512dq,bmi2,vpclmulqdq"))) void
CopyPagesWide(const uint8_t* from, const CrcPiece* pieces, size_t count, uint32_t* crcs) {
    const __m512i k4lanes512 = Lanes4(k512);
    __m512i held[4];
    size_t heldAt[4];
    size_t h = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t n = pieces[i].length;
        if (n < kCrcPageShortest || n > kCrcPageLongest) {
            crcs[i] = Crc32Copy(0, pieces[i].to, from, n);
        } else {
            held[h] = FoldPage(pieces[i].to, from, n, k4lanes512);
            heldAt[h++] = i;
            if (h == 4) {
                uint32_t out[4];
                Finish4(held[0], held[1], held[2], held[3], out);
                for (size_t k = 0; k < 4; ++k)
                    crcs[heldAt[k]] = out[k];
                h = 0;
            }
        }
        from += n;
    }
    if (h) {
        for (size_t k = h; k < 4; ++k)
            held[k] = _mm512_setzero_si512();
        uint32_t out[4];
        Finish4(held[0], held[1], held[2], held[3], out);
        for (size_t k = 0; k < h; ++k)
            crcs[heldAt[k]] = out[k];
    }
}

// The same with 256-bit registers, where the processor multiplies two lanes at once but has no
// masked loads and stores of single bytes (AVX2): each page is folded 32 bytes at a time, and its
// first block (1 to 32 bytes) is read as the 32 bytes that end with it, the bytes before it masked
// off for the CRC and left out of the copy (FoldPageHalves).
// n bytes (1 to 32) from `from` to `to`, in at most two moves of 16, 8, 4 or 1 bytes each way.
inline void CopyShort(uint8_t* to, const uint8_t* from, size_t n) {
    auto moveTwo = [&](auto word) {
        decltype(word) head, tail;
        std::memcpy(&head, from, sizeof head);
        std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
        std::memcpy(to, &head, sizeof head);
        std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
    };
    struct Sixteen {
        uint64_t a, b;
    };
    if (n >= 16)
        moveTwo(Sixteen{});
    else if (n >= 8)
        moveTwo(uint64_t{});
    else if (n >= 4)
        moveTwo(uint32_t{});
    else {
        const uint8_t first = from[0], middle = from[n / 2], last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
}

// 32 zero bytes, then 32 of 0xFF: the 32 bytes at kKeepLast + a keep the last a bytes of a block.
alignas(64) constexpr std::array<uint8_t, 64> kKeepLast = [] {
    std::array<uint8_t, 64> bytes{};
    for (size_t i = 32; i < 64; ++i)
        bytes[i] = 0xFF;
    return bytes;
}();

// `before`: the 32 bytes that end where the page's first block ends may be read (they lie in the run).
__attribute__((target("avx2,vpclmulqdq"))) inline __m256i FoldPageHalves(uint8_t* to, const uint8_t* from,
                                                                         size_t n, bool before,
                                                                         __m256i k2lanes256,
                                                                         __m256i k2lanes512) {
    const size_t a = ((n - 1) & 31) + 1; // the first block's bytes, 1..32
    // The first block read once, into the register (the bytes before the page masked off) and, through
    // the stack, the copy: where the run has 32 bytes there, read whole; else its a bytes alone, after
    // zeros (the longer way: a block stored in pieces and loaded whole waits for the pieces).
    alignas(32) uint8_t first[32];
    __m256i head;
    if (before) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + a - 32));
        _mm256_store_si256(reinterpret_cast<__m256i*>(first), block);
        head = _mm256_and_si256(block,
                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kKeepLast.data() + a)));
    } else {
        std::memset(first, 0, sizeof first);
        CopyShort(first + 32 - a, from, a);
        head = _mm256_load_si256(reinterpret_cast<const __m256i*>(first));
    }
    CopyShort(to, first + 32 - a, a);
    __m256i acc =
        _mm256_xor_si256(head, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kStart + 32 + a)));
    const uint8_t* p = from + a;
    uint8_t* t = to + a;
    const uint8_t* end = from + n;
    if (p == end) return acc;
    auto take = [&]() __attribute__((target("avx2"))) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(t), v);
        p += 32;
        t += 32;
        return v;
    };
    // Two chains, the blocks taken in turn, each folded 64 bytes ahead: half as long a chain of
    // multiplications for the page; then the one folded into the other, and a block left over.
    __m256i odd =
        _mm256_xor_si256(take(), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kStart + 64 + a)));
    while (end - p >= 64) {
        acc = FoldHalves(acc, k2lanes512, take());
        odd = FoldHalves(odd, k2lanes512, take());
    }
    acc = FoldHalves(acc, k2lanes256, odd);
    if (p != end) acc = FoldHalves(acc, k2lanes256, take());
    return acc;
}

// The CRCs of two pages whose registers are a0 and a1: each register's two lanes folded into one,
// the two pages side by side, then reduced to 32 bits each as in Finish4.
__attribute__((target("avx2,vpclmulqdq"))) inline void Finish2(__m256i a0, __m256i a1, uint32_t& out0,
                                                               uint32_t& out1) {
    const __m256i k2lanes128 = Lanes2(k128);
    const __m256i k5 = Lanes2(k64);
    const __m256i poly = Lanes2(kPoly);
    const __m256i mask32 = _mm256_broadcastsi128_si256(_mm_set_epi32(0, 0, 0, -1));
    __m256i x = FoldHalves(_mm256_permute2x128_si256(a0, a1, 0x20), k2lanes128,
                           _mm256_permute2x128_si256(a0, a1, 0x31));
    x = _mm256_xor_si256(_mm256_bsrli_epi128(x, 8), _mm256_clmulepi64_epi128(k2lanes128, x, 0x01));
    x = _mm256_xor_si256(_mm256_bsrli_epi128(x, 4),
                         _mm256_clmulepi64_epi128(_mm256_and_si256(x, mask32), k5, 0x00));
    __m256i t = _mm256_and_si256(_mm256_clmulepi64_epi128(_mm256_and_si256(x, mask32), poly, 0x10), mask32);
    t = _mm256_clmulepi64_epi128(t, poly, 0x00);
    x = _mm256_xor_si256(x, t);
    out0 = ~static_cast<uint32_t>(_mm256_extract_epi32(x, 1));
    out1 = ~static_cast<uint32_t>(_mm256_extract_epi32(x, 5));
}

__attribute__((target("avx2,vpclmulqdq"))) void CopyPagesHalves(const uint8_t* from, const CrcPiece* pieces,
                                                                size_t count, uint32_t* crcs) {
    const __m256i k2lanes256 = Lanes2(k256);
    const __m256i k2lanes512 = Lanes2(k512);
    __m256i held = _mm256_setzero_si256();
    size_t heldAt = 0;
    bool holding = false;
    const uint8_t* const start = from;
    for (size_t i = 0; i < count; ++i) {
        const size_t n = pieces[i].length;
        if (n < kCrcPageShortest || n > kCrcPageLongest) {
            crcs[i] = Crc32Copy(0, pieces[i].to, from, n);
        } else {
            // Past the run's first 32 bytes, a page's first block is read with the bytes before it.
            const bool before = static_cast<size_t>(from - start) + ((n - 1) & 31) + 1 >= 32;
            const __m256i acc = FoldPageHalves(pieces[i].to, from, n, before, k2lanes256, k2lanes512);
            if (holding) {
                Finish2(held, acc, crcs[heldAt], crcs[i]);
            } else {
                held = acc;
                heldAt = i;
            }
            holding = !holding;
        }
        from += n;
    }
    if (holding) {
        uint32_t none;
        Finish2(held, _mm256_setzero_si256(), crcs[heldAt], none);
    }
}
#endif

} // namespace

void Crc32CopyPages(const uint8_t* from, const CrcPiece* pieces, size_t count, uint32_t* crcs) {
    if (!crcs) {
        for (size_t i = 0; i < count; ++i) {
            std::memcpy(pieces[i].to, from, pieces[i].length);
            from += pieces[i].length;
        }
        return;
    }
#ifdef TAVRIN_CRC_CLMUL
    if (CurrentCrcMethod() == CrcMethod::Clmul512 && HasPagesWide()) {
        CopyPagesWide(from, pieces, count, crcs);
        return;
    }
    if (CurrentCrcMethod() >= CrcMethod::Clmul256 && HasHalvesClmul()) {
        CopyPagesHalves(from, pieces, count, crcs);
        return;
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        crcs[i] = Crc32Copy(0, pieces[i].to, from, pieces[i].length);
        from += pieces[i].length;
    }
}

} // namespace tavrin::book

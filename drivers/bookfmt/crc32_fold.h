// What the CRC code by carry-less multiplication shares between a long piece (crc32.cpp) and many
// short pages (crc32_pages.cpp): the folding constants, one fold step at each register width, and the
// processor checks. Internal to the book driver.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
// The processor's features as the C library's loader read them at start: asking the processor again
// (cpuid, which a virtual machine's hypervisor answers, some microseconds each) when each library is
// loaded cost a program about 0.1 ms per library.
#include <sys/platform/x86.h>
#define TAVRIN_CRC_CLMUL 1

namespace tavrin::book::crc_fold {

// x^(n+32) and x^(n-32) modulo the reflected polynomial, bit-reflected: multiplying the two 64-bit
// halves of a 128-bit lane by them moves the lane n bits on, where it is added to the bytes there.
struct Constant {
    long long high, low;
};
inline constexpr Constant k128{0x0ccaa009e, 0x1751997d0};
inline constexpr Constant k256{0x15a546366, 0x0f1da05aa};
inline constexpr Constant k512{0x1c6e41596, 0x154442bd4};
inline constexpr Constant k768{0x18cb44e58, 0x0df068dc2};
inline constexpr Constant k1024{0x14a7fe880, 0x1e88ef372};
inline constexpr Constant k2048{0x1322d1430, 0x11542778a};
// 64 bits to 32, then the Barrett reduction (the polynomial and its quotient).
inline constexpr Constant k64{0, 0x163cd6124};
inline constexpr Constant kPoly{0x1f7011641, 0x1db710641};

__attribute__((target("sse2"))) inline __m128i Lane(Constant k) {
    return _mm_set_epi64x(k.high, k.low);
}

// k in every lane of a 256-bit or 512-bit register. (The masked broadcast: the plain one trips a
// warning about an unset value in the compiler's header.)
__attribute__((target("avx2"))) inline __m256i Lanes2(Constant k) {
    return _mm256_broadcastsi128_si256(Lane(k));
}

__attribute__((target("avx512f"))) inline __m512i Lanes4(Constant k) {
    return _mm512_maskz_broadcast_i32x4(0xFFFF, Lane(k));
}

// x times the two halves of k, plus next: one fold step in every 128-bit lane.
__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(x, k, 0x00), high = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

__attribute__((target("avx2,vpclmulqdq"))) inline __m256i FoldHalves(__m256i x, __m256i k, __m256i next) {
    const __m256i low = _mm256_clmulepi64_epi128(x, k, 0x00), high = _mm256_clmulepi64_epi128(x, k, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

__attribute__((target("avx512f,vpclmulqdq"))) inline __m512i FoldWide(__m512i x, __m512i k, __m512i next) {
    const __m512i low = _mm512_clmulepi64_epi128(x, k, 0x00), high = _mm512_clmulepi64_epi128(x, k, 0x11);
    return _mm512_ternarylogic_epi64(low, high, next, 0x96); // low ^ high ^ next
}

// Whether the processor multiplies one 128-bit lane at a time, two (256-bit registers) or four
// (512-bit registers); each answer is found once.
bool HasClmul();
bool HasHalvesClmul();
bool HasWideClmul();

} // namespace tavrin::book::crc_fold
#endif

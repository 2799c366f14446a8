// The quick look at a raw page. A line's text is the page's text bytes with the control sequences
// taken out, so an occurrence of the searched text is either a run of the page's own bytes, or it is
// split by sequences: then the part before the first of them ends right before a 0xFF that does not
// start a line break, with a byte of the text other than its last. The pass looks for both places,
// 64 bytes at a time with AVX-512, 32 with AVX2, else 16:
// - a run: the text's rarest byte with, at the right distance, its second rarest (either case when
//   the case is ignored); only then is the run compared byte by byte;
// - a split: a 0xFF not followed by 0x0A whose byte before is one of the text's bytes, tested for
//   all 32 positions at once through two 16-entry tables indexed by the byte's two halves (a byte is
//   let through when some byte of the text shares its low half and, modulo 8, its high half; the
//   exact test follows).
// The page's first bytes and its last few, where the wide loads would leave the page, are looked at
// one by one; the block before those last ones overlaps the one before it.
#include "navigation/page_prefilter.h"

#include "navigation/search_bytes.h"

#include <algorithm>
#include <array>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
// The processor's features as the C library's loader read them at start, not asked of the processor
// again when the library is loaded (cpuid, slow under a hypervisor).
#include <sys/platform/x86.h>
#endif

namespace tavrin::search {
namespace {

size_t g_widest = 64;

// The filter's bytes as the wide passes load them.
struct PagePrefilterBytes {
    unsigned char rareByte, rareOther, pairByte, pairOther;
    ptrdiff_t pairOffset;
    const uint8_t* lowBits;
    const uint8_t* highBits;
};

} // namespace

// One page looked at with a prepared filter.
struct PageLook {
    const PagePrefilter& f;
    const unsigned char* page;
    size_t n;

    // An occurrence made of the page's own bytes whose rare byte stands at `pos`?
    bool RunAt(size_t pos) const {
        if (pos < f.rare_ || pos - f.rare_ + f.m_ > n) return false;
        const unsigned char* at = page + pos - f.rare_;
        for (size_t k = 0; k < f.m_; ++k)
            if ((f.fold_ ? Fold(at[k]) : at[k]) != f.needle_[k]) return false;
        return true;
    }
    // Could an occurrence be split by the sequence starting with the 0xFF at q (a byte follows it)?
    bool SplitAt(size_t q) const { return q != 0 && page[q + 1] != kLineBreak && f.before_[page[q - 1]]; }
    // The places a wide step found in the block starting at `base`.
    bool Block(size_t base, uint64_t runs, uint64_t splits) const {
        for (; runs; runs &= runs - 1)
            if (RunAt(base + static_cast<size_t>(__builtin_ctzll(runs)))) return true;
        for (; splits; splits &= splits - 1)
            if (SplitAt(base + static_cast<size_t>(__builtin_ctzll(splits)))) return true;
        return false;
    }
    // The positions from `from` up to `to`, one at a time.
    bool Bytes(size_t from, size_t to) const {
        for (size_t q = from; q < to; ++q) {
            unsigned char c = page[q];
            if ((c == f.rareByte_ || c == f.rareOther_) && RunAt(q)) return true;
            if (c == kMark && q + 1 < n && SplitAt(q)) return true;
        }
        return false;
    }
    bool Scan() const;

    // The filter's bytes as the wide passes load them.
    static PagePrefilterBytes Wide(const PagePrefilter& f) {
        return {f.rareByte_,   f.rareOther_,      f.pairByte_,       f.pairOther_,
                f.pairOffset_, f.lowBits_.data(), f.highBits_.data()};
    }
};

namespace {

#if defined(__x86_64__) || defined(__i386__)
// The places of 32 bytes with AVX2: runs (the rare byte with the pair byte at its distance) and
// splits (a 0xFF not before a line feed, after a byte that may be the text's), as byte masks; with
// kCases false each of the text's two bytes is compared once. The split test is made for every
// block: most blocks of a dictionary's text hold a 0xFF, but too few for a test of it to be
// foreseen, and a wrong guess costs more than the test.
struct HalvesBytes {
    __m256i rare, rareOther, pair, pairOther, mark, lineFeed, nibble, lowBits, highBits;
    ptrdiff_t pairOffset;

    __attribute__((target("avx2"))) explicit HalvesBytes(const PagePrefilterBytes& f)
        : rare(_mm256_set1_epi8(static_cast<char>(f.rareByte))),
          rareOther(_mm256_set1_epi8(static_cast<char>(f.rareOther))),
          pair(_mm256_set1_epi8(static_cast<char>(f.pairByte))),
          pairOther(_mm256_set1_epi8(static_cast<char>(f.pairOther))),
          mark(_mm256_set1_epi8(static_cast<char>(kMark))),
          lineFeed(_mm256_set1_epi8(static_cast<char>(kLineBreak))), nibble(_mm256_set1_epi8(0x0F)),
          lowBits(_mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(f.lowBits)))),
          highBits(_mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(f.highBits)))),
          pairOffset(f.pairOffset) {}

    // Reads from at - 1 to at + 32 and at + pairOffset to at + pairOffset + 31.
    template <bool kCases>
    __attribute__((target("avx2"))) void Half(const unsigned char* at, __m256i& runs, __m256i& splits) const {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + pairOffset));
        if constexpr (kCases)
            runs = _mm256_and_si256(
                _mm256_or_si256(_mm256_cmpeq_epi8(v, rare), _mm256_cmpeq_epi8(v, rareOther)),
                _mm256_or_si256(_mm256_cmpeq_epi8(p, pair), _mm256_cmpeq_epi8(p, pairOther)));
        else
            runs = _mm256_and_si256(_mm256_cmpeq_epi8(v, rare), _mm256_cmpeq_epi8(p, pair));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
        const __m256i prev = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 1));
        const __m256i low = _mm256_shuffle_epi8(lowBits, _mm256_and_si256(prev, nibble));
        const __m256i high =
            _mm256_shuffle_epi8(highBits, _mm256_and_si256(_mm256_srli_epi16(prev, 4), nibble));
        splits = _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lineFeed), _mm256_cmpeq_epi8(v, mark));
        splits = _mm256_andnot_si256(_mm256_cmpeq_epi8(_mm256_and_si256(low, high), _mm256_setzero_si256()),
                                     splits);
    }
};

// Blocks of 32 from q while q + reach <= n (two at a time while both fit), then one more block that
// ends where that reach meets the page's end, its places before q left out; q is left where the
// blocks ended.
template <bool kCases>
__attribute__((target("avx2"))) bool ScanWide(const PageLook& look, const PagePrefilterBytes& f, size_t& q,
                                              size_t reach) {
    const HalvesBytes w(f);
    // The places of the block at q, leaving out the first `skip`.
    auto block = [&](size_t base, unsigned skip) __attribute__((target("avx2"))) {
        __m256i runs, splits;
        w.Half<kCases>(look.page + base, runs, splits);
        const __m256i any = _mm256_or_si256(runs, splits);
        if (_mm256_testz_si256(any, any)) return false;
        const uint32_t keep = ~uint32_t{0} << skip;
        return look.Block(base, static_cast<uint32_t>(_mm256_movemask_epi8(runs)) & keep,
                          static_cast<uint32_t>(_mm256_movemask_epi8(splits)) & keep);
    };
    const size_t start = q;
    // Two blocks a step, tested together: most hold no place at all (6 % quicker on a book's pages).
    for (; q + 32 + reach <= look.n; q += 64) {
        __m256i runs0, splits0, runs1, splits1;
        w.Half<kCases>(look.page + q, runs0, splits0);
        w.Half<kCases>(look.page + q + 32, runs1, splits1);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(runs0, splits0), _mm256_or_si256(runs1, splits1));
        if (_mm256_testz_si256(any, any)) continue;
        if (look.Block(q, static_cast<uint32_t>(_mm256_movemask_epi8(runs0)),
                       static_cast<uint32_t>(_mm256_movemask_epi8(splits0))) ||
            look.Block(q + 32, static_cast<uint32_t>(_mm256_movemask_epi8(runs1)),
                       static_cast<uint32_t>(_mm256_movemask_epi8(splits1))))
            return true;
    }
    for (; q + reach <= look.n; q += 32)
        if (block(q, 0)) return true;
    // The rest of a page shorter than a block from its start is left to the byte-by-byte look.
    if (q < look.n && look.n >= start + reach && look.n - reach + 32 > q) {
        const size_t last = look.n - reach;
        if (block(last, static_cast<unsigned>(q - last))) return true;
        q = last + 32;
    }
    return false;
}

// The 64 places of the block at `at` that the quick look lets through: runs (the rare byte with the
// pair byte at its distance) and splits (a 0xFF not before a line feed, after a byte that may be
// the text's); with kCases false the text's two bytes have no other case (an exact search, or bytes
// that are not letters) and each is compared once. Reads from at - 1 to at + 64 and at + pairOffset
// to at + pairOffset + 63.
struct WideBytes {
    __m512i rare, rareOther, pair, pairOther, mark, lineFeed, nibble, lowBits, highBits;
    ptrdiff_t pairOffset;

    __attribute__((target("avx512f,avx512bw"))) explicit WideBytes(const PagePrefilterBytes& f)
        : rare(_mm512_set1_epi8(static_cast<char>(f.rareByte))),
          rareOther(_mm512_set1_epi8(static_cast<char>(f.rareOther))),
          pair(_mm512_set1_epi8(static_cast<char>(f.pairByte))),
          pairOther(_mm512_set1_epi8(static_cast<char>(f.pairOther))),
          mark(_mm512_set1_epi8(static_cast<char>(kMark))),
          lineFeed(_mm512_set1_epi8(static_cast<char>(kLineBreak))), nibble(_mm512_set1_epi8(0x0F)),
          lowBits(_mm512_maskz_broadcast_i32x4(0xFFFF,
                                               _mm_load_si128(reinterpret_cast<const __m128i*>(f.lowBits)))),
          highBits(_mm512_maskz_broadcast_i32x4(
              0xFFFF, _mm_load_si128(reinterpret_cast<const __m128i*>(f.highBits)))),
          pairOffset(f.pairOffset) {}

    template <bool kCases>
    __attribute__((target("avx512f,avx512bw"))) void Masks(const unsigned char* at, __mmask64& runs,
                                                           __mmask64& splits) const {
        const __m512i v = _mm512_loadu_si512(at);
        const __m512i p = _mm512_loadu_si512(at + pairOffset);
        if constexpr (kCases)
            runs = (_mm512_cmpeq_epi8_mask(v, rare) | _mm512_cmpeq_epi8_mask(v, rareOther)) &
                   (_mm512_cmpeq_epi8_mask(p, pair) | _mm512_cmpeq_epi8_mask(p, pairOther));
        else
            runs = _mm512_cmpeq_epi8_mask(v, rare) & _mm512_cmpeq_epi8_mask(p, pair);
        splits = _mm512_cmpeq_epi8_mask(v, mark);
        // Few blocks hold a 0xFF: the split test is made only for those that do.
        if (splits) {
            const __m512i next = _mm512_loadu_si512(at + 1);
            const __m512i prev = _mm512_loadu_si512(at - 1);
            const __m512i low = _mm512_shuffle_epi8(lowBits, _mm512_and_si512(prev, nibble));
            const __m512i high =
                _mm512_shuffle_epi8(highBits, _mm512_and_si512(_mm512_srli_epi16(prev, 4), nibble));
            splits &= ~_mm512_cmpeq_epi8_mask(next, lineFeed) & _mm512_test_epi8_mask(low, high);
        }
    }
};

// Blocks of 64, as ScanWide.
template <bool kCases>
__attribute__((target("avx512f,avx512bw"))) bool ScanWidest(const PageLook& look, const PagePrefilterBytes& f,
                                                            size_t& q, size_t reach) {
    const WideBytes w(f);
    auto block = [&](size_t base, unsigned skip) __attribute__((target("avx512f,avx512bw"))) {
        __mmask64 runs, splits;
        w.Masks<kCases>(look.page + base, runs, splits);
        if (!(runs | splits)) return false;
        const uint64_t keep = ~uint64_t{0} << skip;
        return look.Block(base, runs & keep, splits & keep);
    };
    const size_t start = q;
    for (; q + reach <= look.n; q += 64)
        if (block(q, 0)) return true;
    if (q < look.n && look.n >= start + reach && look.n - reach + 64 > q) {
        const size_t last = look.n - reach;
        if (block(last, static_cast<unsigned>(q - last))) return true;
        q = last + 64;
    }
    return false;
}

// Blocks of 64 from q while their reads stay inside the n bytes, up to the first that holds a place:
// its places, q left at that block; 0 when none does, q left where the blocks ended. The sweep's
// visitor is called outside this loop: a call inside it made the compiler keep the filter's bytes
// and q in memory, and reload them for every block.
template <bool kCases>
__attribute__((target("avx512f,avx512bw"), noinline)) uint64_t
NextPlaces(const PagePrefilterBytes& f, const unsigned char* bytes, size_t n, size_t& q, size_t reach) {
    const WideBytes w(f);
    size_t at = q;
    uint64_t places = 0;
    for (; at + reach <= n; at += 64) {
        __mmask64 runs, splits;
        w.Masks<kCases>(bytes + at, runs, splits);
        places = runs | splits;
        if (places) break;
    }
    q = at;
    return places;
}

// NextPlaces with AVX2, 64 bytes as two halves: their places are made into one mask only for a block
// that has some.
template <bool kCases>
__attribute__((target("avx2"), noinline)) uint64_t
NextPlacesHalves(const PagePrefilterBytes& f, const unsigned char* bytes, size_t n, size_t& q, size_t reach) {
    const HalvesBytes w(f);
    size_t at = q;
    uint64_t places = 0;
    for (; at + reach <= n; at += 64) {
        __m256i runs0, splits0, runs1, splits1;
        w.Half<kCases>(bytes + at, runs0, splits0);
        w.Half<kCases>(bytes + at + 32, runs1, splits1);
        const __m256i low = _mm256_or_si256(runs0, splits0), high = _mm256_or_si256(runs1, splits1);
        if (_mm256_testz_si256(_mm256_or_si256(low, high), _mm256_or_si256(low, high))) continue;
        places = static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
                 uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(high))} << 32;
        break;
    }
    q = at;
    return places;
}

using NextPlacesFn = uint64_t (*)(const PagePrefilterBytes&, const unsigned char*, size_t, size_t&, size_t);

// A sweep's blocks of 64 from q while their reads stay inside the n bytes; q is left where they
// ended.
void SweepBlocks(NextPlacesFn nextPlaces, const unsigned char* bytes, size_t n, const PagePrefilterBytes& f,
                 size_t& q, size_t reach, PagePrefilter::Visit visit, void* context) {
    for (uint64_t places; (places = nextPlaces(f, bytes, n, q, reach)) != 0;) {
        size_t advance = 64;
        while (places) {
            const size_t next = visit(context, q + static_cast<size_t>(__builtin_ctzll(places)));
            if (next >= q + 64) {
                advance = next - q;
                break;
            }
            places &= ~uint64_t{0} << (next - q);
        }
        q += advance;
    }
}

// The widest scan the processor has, in bytes per block.
size_t ProcessorWidth() {
    static const size_t width = CPU_FEATURE_ACTIVE(AVX512BW) ? 64 : CPU_FEATURE_ACTIVE(AVX2) ? 32 : 16;
    return width;
}
#endif

#ifdef __SSE2__
// Blocks of 16, as ScanWide; the split places are all let through to the exact test.
bool ScanNarrow(const PageLook& look, const PagePrefilterBytes& f, size_t& q, size_t reach) {
    const __m128i rare = _mm_set1_epi8(static_cast<char>(f.rareByte));
    const __m128i rareOther = _mm_set1_epi8(static_cast<char>(f.rareOther));
    const __m128i pair = _mm_set1_epi8(static_cast<char>(f.pairByte));
    const __m128i pairOther = _mm_set1_epi8(static_cast<char>(f.pairOther));
    const __m128i mark = _mm_set1_epi8(static_cast<char>(kMark)),
                  lineFeed = _mm_set1_epi8(static_cast<char>(kLineBreak));
    auto block = [&](size_t base, unsigned skip) {
        const unsigned char* at = look.page + base;
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + f.pairOffset));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
        __m128i runs = _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(v, rare), _mm_cmpeq_epi8(v, rareOther)),
                                     _mm_or_si128(_mm_cmpeq_epi8(p, pair), _mm_cmpeq_epi8(p, pairOther)));
        __m128i splits = _mm_andnot_si128(_mm_cmpeq_epi8(next, lineFeed), _mm_cmpeq_epi8(v, mark));
        const uint32_t keep = ~uint32_t{0} << skip;
        uint32_t runBits = static_cast<uint32_t>(_mm_movemask_epi8(runs)) & keep;
        uint32_t splitBits = static_cast<uint32_t>(_mm_movemask_epi8(splits)) & keep;
        return (runBits | splitBits) && look.Block(base, runBits, splitBits);
    };
    const size_t start = q;
    for (; q + reach <= look.n; q += 16)
        if (block(q, 0)) return true;
    if (q < look.n && look.n >= start + reach && look.n - reach + 16 > q) {
        const size_t last = look.n - reach;
        if (block(last, static_cast<unsigned>(q - last))) return true;
        q = last + 16;
    }
    return false;
}
#endif

} // namespace

bool PageLook::Scan() const {
    const PagePrefilterBytes b = Wide(f);
    const size_t beyond = f.beyond_;
    size_t q = std::min(f.first_, n);
    if (Bytes(0, q)) return true;
#if defined(__x86_64__) || defined(__i386__)
    const size_t width = std::min(g_widest, ProcessorWidth());
    if (width == 64) {
        if (f.cases_ ? ScanWidest<true>(*this, b, q, 64 + beyond)
                     : ScanWidest<false>(*this, b, q, 64 + beyond))
            return true;
        return Bytes(q, n);
    }
    if (width == 32) {
        if (f.cases_ ? ScanWide<true>(*this, b, q, 32 + beyond) : ScanWide<false>(*this, b, q, 32 + beyond))
            return true;
        return Bytes(q, n);
    }
#endif
#ifdef __SSE2__
    if (ScanNarrow(*this, b, q, 16 + beyond)) return true;
#endif
    return Bytes(q, n);
}

PagePrefilter::PagePrefilter(const unsigned char* needle, size_t m, bool fold, size_t rare)
    : needle_(needle), m_(m), rare_(rare), fold_(fold) {
    rareByte_ = m ? needle[rare] : 0;
    rareOther_ = fold ? OtherCase(rareByte_) : rareByte_;
    // The second rarest byte; a one-byte text pairs its byte with itself.
    size_t pair = rare;
    for (size_t k = 0; k < m; ++k)
        if (k != rare && (pair == rare || kRanks[needle[k]] < kRanks[needle[pair]])) pair = k;
    pairOffset_ = static_cast<ptrdiff_t>(pair) - static_cast<ptrdiff_t>(rare);
    pairByte_ = m ? needle[pair] : 0;
    pairOther_ = fold ? OtherCase(pairByte_) : pairByte_;
    // Wide loads reach from q - 1 (the byte before) and from q + pairOffset, up to the byte after the
    // block and the block's pair bytes.
    first_ = std::max<size_t>(1, pairOffset_ < 0 ? static_cast<size_t>(-pairOffset_) : 0);
    beyond_ = std::max<size_t>(1, pairOffset_ > 0 ? static_cast<size_t>(pairOffset_) : 0);
    cases_ = rareOther_ != rareByte_ || pairOther_ != pairByte_;

    std::array<bool, 256> inText{};
    for (size_t k = 0; k + 1 < m; ++k)
        inText[needle[k]] = true;
    for (unsigned b = 0; b < 256; ++b)
        before_[b] = inText[fold ? Fold(static_cast<unsigned char>(b)) : b];
    // Bucket h & 7 for the high half h; a byte's low half lists the buckets of the text's bytes with
    // that low half.
    for (unsigned h = 0; h < 16; ++h)
        highBits_[h] = static_cast<uint8_t>(1u << (h & 7));
    for (unsigned b = 0; b < 256; ++b)
        if (before_[b]) lowBits_[b & 15] = static_cast<uint8_t>(lowBits_[b & 15] | highBits_[b >> 4]);
}

bool PagePrefilter::HoldsAt(const unsigned char* page, size_t n, size_t q) const {
    if (m_ == 0 || m_ > n || q >= n) return false;
    return PageLook{*this, page, n}.Bytes(q, q + 1);
}

bool PagePrefilter::Sweeps() const {
#if defined(__x86_64__) || defined(__i386__)
    return m_ > 0 && std::min(g_widest, ProcessorWidth()) >= 32;
#else
    return false;
#endif
}

void PagePrefilter::Sweep(const unsigned char* bytes, size_t n, Visit visit, void* context) const {
    // The places a byte at a time: the rare byte or a 0xFF, each then tested by the visitor.
    auto oneByOne = [&](size_t& q, size_t to) {
        while (q < to) {
            const unsigned char c = bytes[q];
            q = c == rareByte_ || c == rareOther_ || c == kMark ? visit(context, q) : q + 1;
        }
    };
    size_t q = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (Sweeps()) {
        const PagePrefilterBytes b = PageLook::Wide(*this);
        oneByOne(q, std::min(first_, n));
        const bool widest = std::min(g_widest, ProcessorWidth()) == 64;
        const NextPlacesFn next = widest ? (cases_ ? &NextPlaces<true> : &NextPlaces<false>)
                                         : (cases_ ? &NextPlacesHalves<true> : &NextPlacesHalves<false>);
        SweepBlocks(next, bytes, n, b, q, 64 + beyond_, visit, context);
    }
#endif
    oneByOne(q, n);
}

bool PagePrefilter::MayHold(const unsigned char* page, size_t n) const {
    if (m_ == 0 || m_ > n) return false;
    return PageLook{*this, page, n}.Scan();
}

bool MayHold(const unsigned char* page, size_t n, bool fold, const unsigned char* needle, size_t m,
             size_t rare) {
    return PagePrefilter(needle, m, fold, rare).MayHold(page, n);
}

size_t UseScanWidth(size_t widest) {
    const size_t previous = g_widest;
    g_widest = widest;
    return previous;
}

} // namespace tavrin::search

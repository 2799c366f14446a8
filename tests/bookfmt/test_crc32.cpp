// The page and index checksum: the fast path (carry-less multiplication, taken for 64 bytes and more
// where the processor has it) gives the same CRC-32 as the bit-by-bit definition at every length,
// alignment and starting value, and continues across pieces.
#include "bookfmt/crc32.h"
#include "bookfmt/crc32_fold.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

uint32_t BitByBit(uint32_t crc, const uint8_t* p, size_t n) {
    uint32_t c = ~crc;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

using tavrin::book::CrcMethod;

// Every method the processor has, held to the same answers.
class EveryCrcMethod : public testing::TestWithParam<CrcMethod> {
  protected:
    void SetUp() override { previous_ = tavrin::book::LimitCrcMethod(GetParam()); }
    void TearDown() override { tavrin::book::LimitCrcMethod(previous_); }

  private:
    CrcMethod previous_ = CrcMethod::Clmul512;
};

const char* const kMethodNames[] = {"Table", "Clmul128", "Clmul256", "Clmul512"}; // in CrcMethod's order

INSTANTIATE_TEST_SUITE_P(Crc32, EveryCrcMethod,
                         testing::Values(CrcMethod::Table, CrcMethod::Clmul128, CrcMethod::Clmul256,
                                         CrcMethod::Clmul512),
                         [](const testing::TestParamInfo<CrcMethod>& method) {
                             return std::string(kMethodNames[static_cast<int>(method.param)]);
                         });

TEST_P(EveryCrcMethod, EveryLengthAndAlignmentMatchesTheDefinition) {
    EXPECT_EQ(tavrin::book::Crc32(0, "123456789", 9), 0xCBF43926u);
    std::vector<uint8_t> zeros(4096);
    EXPECT_EQ(tavrin::book::Crc32(0, zeros.data(), zeros.size()), BitByBit(0, zeros.data(), zeros.size()));
    std::mt19937 rng(5);
    std::vector<uint8_t> bytes(1400);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(rng());
    for (size_t offset = 0; offset < 17; ++offset)
        for (size_t n = 0; n + offset <= 1300; n += (n < 300 ? 1 : 7))
            for (uint32_t start : {0u, 0xFFFFFFFFu, 0x1234567u})
                ASSERT_EQ(tavrin::book::Crc32(start, bytes.data() + offset, n),
                          BitByBit(start, bytes.data() + offset, n))
                    << "offset " << offset << " length " << n;
}

TEST_P(EveryCrcMethod, ContinuesAcrossPieces) {
    std::vector<uint8_t> bytes(100000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    uint32_t whole = tavrin::book::Crc32(0, bytes.data(), bytes.size());
    EXPECT_EQ(whole, BitByBit(0, bytes.data(), bytes.size()));
    uint32_t pieces = tavrin::book::Crc32(0, bytes.data(), 777);
    pieces = tavrin::book::Crc32(pieces, bytes.data() + 777, 65);
    pieces = tavrin::book::Crc32(pieces, bytes.data() + 842, bytes.size() - 842);
    EXPECT_EQ(pieces, whole);
    bytes[50000] ^= 1;
    EXPECT_NE(tavrin::book::Crc32(0, bytes.data(), bytes.size()), whole) << "one flipped bit shows";
}

// The copying form: the same CRC as the definition, and the bytes copied exactly, whatever the
// length and the alignment of either side; nothing written past the copy.
TEST_P(EveryCrcMethod, CopyingChecksAndCopiesEveryByte) {
    std::mt19937 rng(8);
    std::vector<uint8_t> bytes(1400);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> out(1500);
    for (size_t from = 0; from < 5; ++from)
        for (size_t to = 0; to < 3; ++to)
            for (size_t n = 0; n + from <= 1300; n += (n < 300 ? 1 : 11)) {
                std::fill(out.begin(), out.end(), 0xA5);
                const uint32_t crc =
                    tavrin::book::Crc32Copy(0x1234567u, out.data() + to, bytes.data() + from, n);
                ASSERT_EQ(crc, BitByBit(0x1234567u, bytes.data() + from, n)) << from << " " << to << " " << n;
                ASSERT_TRUE(std::equal(bytes.begin() + static_cast<long>(from),
                                       bytes.begin() + static_cast<long>(from + n),
                                       out.begin() + static_cast<long>(to)))
                    << "length " << n;
                ASSERT_EQ(out[to + n], 0xA5) << "written past the copy, length " << n;
                if (to > 0) {
                    ASSERT_EQ(out[to - 1], 0xA5);
                }
            }
}

// Pages one after another, copied and checked several at a time: every page's CRC is its own, every
// byte is copied, nothing is written around a page's copy, and nothing is read outside the pages
// (they lie between two pages of memory that cannot be read). Lengths run over every short length,
// across the grouped lengths' limits, and in counts that leave groups unfilled.
TEST_P(EveryCrcMethod, PagesCopiedTogetherAreEachCheckedAndCopied) {
    const size_t unit = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::mt19937 rng(11);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n)
        lengths.push_back(n);
    for (size_t n : {511u, 512u, 513u, 2047u, 2048u, 2049u, 4000u, 64u, 65u, 3u, 4u, 5u})
        lengths.push_back(n);
    for (int k = 0; k < 200; ++k)
        lengths.push_back(rng() % 2200);
    for (size_t count : {lengths.size(), size_t{1}, size_t{2}, size_t{3}, size_t{5}, size_t{7}}) {
        size_t total = 0;
        for (size_t i = 0; i < count; ++i)
            total += lengths[i];
        // [no access][the pages, ending where the memory does][no access]
        const size_t span = std::max(unit, (total + unit - 1) / unit * unit);
        auto* area = static_cast<uint8_t*>(
            mmap(nullptr, span + 2 * unit, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(area, MAP_FAILED);
        ASSERT_EQ(mprotect(area, unit, PROT_NONE), 0);
        ASSERT_EQ(mprotect(area + unit + span, unit, PROT_NONE), 0);
        uint8_t* from = area + unit + span - total; // the last page ends at the unreadable memory
        for (size_t i = 0; i < total; ++i)
            from[i] = static_cast<uint8_t>(rng());
        // Each copy gets its own place with room around it, at varied alignments.
        std::vector<uint8_t> out;
        std::vector<size_t> at(count);
        size_t place = 0;
        for (size_t i = 0; i < count; ++i) {
            place += 64 + i % 17;
            at[i] = place;
            place += lengths[i];
        }
        out.assign(place + 64, 0xA5);
        std::vector<tavrin::book::CrcPiece> pieces(count);
        for (size_t i = 0; i < count; ++i)
            pieces[i] = {out.data() + at[i], lengths[i]};
        std::vector<uint32_t> crcs(count, 0x5EEDu);
        tavrin::book::Crc32CopyPages(from, pieces.data(), count, crcs.data());
        const uint8_t* page = from;
        size_t previousEnd = 0;
        for (size_t i = 0; i < count; ++i) {
            const size_t n = lengths[i];
            ASSERT_EQ(crcs[i], BitByBit(0, page, n)) << "page " << i << " of " << count << ", length " << n;
            ASSERT_TRUE(std::equal(page, page + n, out.begin() + static_cast<long>(at[i]))) << "length " << n;
            for (size_t b = previousEnd; b < at[i]; ++b)
                ASSERT_EQ(out[b], 0xA5) << "written around the copy of page " << i << ", length " << n;
            previousEnd = at[i] + n;
            page += n;
        }
        for (size_t b = previousEnd; b < out.size(); ++b)
            ASSERT_EQ(out[b], 0xA5) << "written past the last copy";
        munmap(area, span + 2 * unit);
    }
}

// A page whose first bytes are the first of the readable memory (its first block starts before it).
TEST_P(EveryCrcMethod, APageAtTheStartOfReadableMemoryIsReadFromItsStart) {
    const size_t unit = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    auto* area = static_cast<uint8_t*>(
        mmap(nullptr, 2 * unit, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(area, MAP_FAILED);
    ASSERT_EQ(mprotect(area, unit, PROT_NONE), 0);
    uint8_t* from = area + unit;
    for (size_t i = 0; i < unit; ++i)
        from[i] = static_cast<uint8_t>(i * 7 + 1);
    for (size_t n : {4u, 5u, 63u, 65u, 100u, 700u}) {
        std::vector<uint8_t> out(n + 128, 0xA5);
        tavrin::book::CrcPiece piece{out.data() + 64, n};
        uint32_t crc = 0;
        tavrin::book::Crc32CopyPages(from, &piece, 1, &crc);
        EXPECT_EQ(crc, BitByBit(0, from, n)) << n;
        EXPECT_TRUE(std::equal(from, from + n, out.begin() + 64)) << n;
        EXPECT_EQ(out[63], 0xA5) << n;
        EXPECT_EQ(out[64 + n], 0xA5) << n;
    }
    munmap(area, 2 * unit);
}

} // namespace

#ifdef TAVRIN_CRC_CLMUL
// The processor checks read what the loader found at start; they must say what the processor's own
// answer (the compiler's check, which asks it) says, or a fast method would go unused or, worse, an
// instruction the processor lacks be run.
TEST(Crc32, ProcessorChecksAgreeWithTheProcessor) {
    using namespace tavrin::book::crc_fold;
    __builtin_cpu_init();
    const bool clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    EXPECT_EQ(HasClmul(), clmul);
    EXPECT_EQ(HasHalvesClmul(),
              clmul && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq"));
    EXPECT_EQ(HasWideClmul(),
              clmul && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq"));
}
#endif

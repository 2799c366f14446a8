// The page and index checksum: the fast path (carry-less multiplication, taken for 64 bytes and more
// where the processor has it) gives the same CRC-32 as the bit-by-bit definition at every length,
// alignment and starting value, and continues across pieces.
#include "bookfmt/crc32.h"

#include <gtest/gtest.h>

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

std::string MethodName(const testing::TestParamInfo<CrcMethod>& method) {
    switch (method.param) {
    case CrcMethod::Table:
        return "Table";
    case CrcMethod::Clmul128:
        return "Clmul128";
    case CrcMethod::Clmul512:
        return "Clmul512";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Crc32, EveryCrcMethod,
                         testing::Values(CrcMethod::Table, CrcMethod::Clmul128, CrcMethod::Clmul512),
                         MethodName);

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

} // namespace

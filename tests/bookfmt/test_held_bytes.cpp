// The memory a reader holds a section in: a section of megabytes gets memory of its own in whole,
// aligned 2 MB pieces advised for huge pages, a small one the heap's; every byte of either is the
// caller's to write, and letting go leaves nothing.
#include "bookfmt/held_bytes.h"

#include "common/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

using tavrin::book::HeldBytes;

TEST(HeldBytes, MegabytesLiveInAlignedPiecesAdvisedForHugePagesAndSmallSectionsOnTheHeap) {
    const size_t piece = HeldBytes::kOwnMemoryFrom;
    HeldBytes bytes;
    for (size_t size : {piece, piece + 1, 3 * piece - 24}) {
        bytes.resize(size);
        ASSERT_EQ(bytes.size(), size);
        EXPECT_TRUE(bytes.OwnMemory()) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes.data()) % piece, 0u) << size;
        // Every byte is there to be written and read back (the sanitizers see a byte too few).
        std::memset(bytes.data(), 0x5A, size);
        EXPECT_EQ(bytes.data()[size - 1], 0x5A);
        if (hugepages::KernelHasHugePages()) {
            EXPECT_TRUE(hugepages::AdvisedForHugePages(bytes.data()))
                << hugepages::MappingFlags(bytes.data());
        }
    }
    bytes.resize(piece - 1);
    EXPECT_FALSE(bytes.OwnMemory());
    EXPECT_EQ(bytes.size(), piece - 1);
    std::memset(bytes.data(), 1, bytes.size());
    bytes.clear();
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(bytes.data(), nullptr);
    bytes.resize(0);
    EXPECT_TRUE(bytes.empty());
}

// No memory to be had: std::bad_alloc, as a vector says it, and nothing held.
TEST(HeldBytes, MemoryThatCannotBeHadThrowsAndHoldsNothing) {
    HeldBytes bytes;
    bytes.resize(100);
    EXPECT_THROW(bytes.resize(SIZE_MAX / 8), std::bad_alloc); // more than the address space
    EXPECT_TRUE(bytes.empty());
    EXPECT_THROW(bytes.resize(SIZE_MAX - 10), std::bad_alloc);
    EXPECT_TRUE(bytes.empty());
}

} // namespace

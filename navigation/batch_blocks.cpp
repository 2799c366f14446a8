// Every page a search reads passes through its batches' blocks, a ring's worth of them (2 MB). They
// come from one area of that size, placed on a multiple of its size and advised to the kernel for huge
// pages: a program's first search then takes one page fault and one cleared 2 MB page for its blocks,
// where in 4 KB pages it took 512 of each, about a millisecond of a first search of a dictionary that
// takes ten. A kernel without huge pages, or without a free one at the time, gives the area 4 KB pages
// as it gives any memory. The area is the program's from its first search on, and its blocks are used
// again by every later search, so no search pays for fresh blocks after the first.
//
// Blocks of other sizes (a page longer than a batch), and blocks asked for while the area's are all
// out, come from search::Allocate; up to a ring's worth of the latter are kept for the next search too.
// While a test's allocator is set, every block comes from it and none is kept.
#include "navigation/batch_blocks.h"

#include "navigation/page_ahead.h"
#include "navigation/search_text.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <sys/mman.h>

namespace tavrin::search {
namespace {

constexpr size_t kBlockBytes = PageAhead::kBatchBytes;
constexpr size_t kRingBytes = kBlockBytes * PageAhead::kBatches;
static_assert((kRingBytes & (kRingBytes - 1)) == 0, "the ring area is placed on a multiple of its size");

class BatchBlocks {
  public:
    ~BatchBlocks() {
        for (size_t k = 0; k < kept_; ++k)
            std::free(keptBlocks_[k]);
        // The area stays until the program ends: a search's blocks may be given back after this.
    }

    void* Take(size_t capacity) {
        if (capacity == kBlockBytes && DefaultAllocator()) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!areaTried_) MakeArea();
            if (areaFree_ > 0) return areaBlocks_[--areaFree_];
            if (kept_ > 0) return keptBlocks_[--kept_];
        }
        return Allocate(capacity);
    }

    void Give(void* block, size_t capacity) {
        if (!block) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // Every block of the area is taken at most once, so there is always room for it.
            if (InArea(block)) {
                areaBlocks_[areaFree_++] = block;
                return;
            }
            if (capacity == kBlockBytes && DefaultAllocator() && kept_ < keptBlocks_.size()) {
                keptBlocks_[kept_++] = block;
                return;
            }
        }
        std::free(block);
    }

    BatchArea Area() {
        std::lock_guard<std::mutex> lock(mutex_);
        return {area_, area_ ? kRingBytes : 0};
    }

  private:
    bool InArea(const void* block) const {
        const auto at = reinterpret_cast<uintptr_t>(block), start = reinterpret_cast<uintptr_t>(area_);
        return area_ && at >= start && at < start + kRingBytes;
    }

    // Maps twice the area's size and keeps the stretch of it that starts on a multiple of the size; a
    // program that cannot have it takes its blocks from search::Allocate, as it does past the area's.
    void MakeArea() {
        areaTried_ = true;
        void* mapped =
            mmap(nullptr, 2 * kRingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return;
        const auto start = reinterpret_cast<uintptr_t>(mapped);
        const uintptr_t placed = (start + kRingBytes - 1) & ~(kRingBytes - 1);
        const uintptr_t end = start + 2 * kRingBytes;
        if (placed > start) munmap(mapped, placed - start);
        if (end > placed + kRingBytes)
            munmap(reinterpret_cast<void*>(placed + kRingBytes), end - placed - kRingBytes);
        area_ = reinterpret_cast<unsigned char*>(placed);
        // Refused by a kernel built without huge pages: the area is then memory like any other.
        madvise(area_, kRingBytes, MADV_HUGEPAGE);
        // Taken from the end of the list: the first block taken is the area's first.
        for (size_t k = PageAhead::kBatches; k-- > 0;)
            areaBlocks_[areaFree_++] = area_ + k * kBlockBytes;
    }

    std::mutex mutex_;
    bool areaTried_ = false;
    unsigned char* area_ = nullptr;
    std::array<void*, PageAhead::kBatches> areaBlocks_{};
    size_t areaFree_ = 0;
    std::array<void*, PageAhead::kBatches> keptBlocks_{};
    size_t kept_ = 0;
};

BatchBlocks g_blocks;

} // namespace

void* TakeBatchBlock(size_t capacity) {
    return g_blocks.Take(capacity);
}

void GiveBatchBlock(void* block, size_t capacity) {
    g_blocks.Give(block, capacity);
}

BatchArea RingArea() {
    return g_blocks.Area();
}

} // namespace tavrin::search

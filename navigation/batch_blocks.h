// The blocks that a search's batches carry pages in, kept from one search to the next.
#pragma once

#include <cstddef>

namespace tavrin::search {

// A block of `capacity` bytes for a batch, or null when none can be had. A block of a batch's size
// (PageAhead::kBatchBytes) comes from the program's ring area while it has one free; any other size,
// and every block while a test's allocator is set, from search::Allocate.
void* TakeBatchBlock(size_t capacity);
// Gives back a block TakeBatchBlock gave, of the capacity asked for; null is nothing.
void GiveBatchBlock(void* block, size_t capacity);
// The ring area, when the program has one: where its blocks start and how long it is (for tests).
struct BatchArea {
    const unsigned char* start = nullptr;
    size_t size = 0;
};
BatchArea RingArea();

} // namespace tavrin::search

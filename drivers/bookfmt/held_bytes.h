// The bytes of a section that a reader holds while its book is open (the page index, the contents
// entries and their texts), read from the file in one piece.
//
// A dictionary's sections are megabytes: in 4 KB pages, memory fresh from the kernel costs a page
// fault and a cleared page every 4 KB (3 MB of page index: 750 faults, about 2 ms here, more than
// reading the section), and a vector clears it once more before the read. A section of 2 MB or more
// therefore lives in memory of its own, placed and sized in whole 2 MB pieces and advised to the
// kernel for huge pages (one fault and one cleared piece per 2 MB); smaller ones come from the heap.
// Neither is cleared: the read fills every byte.
#pragma once

#include "bookfmt/bytes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrin::book {

class HeldBytes {
  public:
    // The size from which a section gets memory of its own: a huge page's.
    static constexpr size_t kOwnMemoryFrom = size_t{2} << 20;

    HeldBytes() = default;
    ~HeldBytes() { clear(); }
    HeldBytes(const HeldBytes&) = delete;
    HeldBytes& operator=(const HeldBytes&) = delete;

    // Room for n bytes whose values are unset until written (those held before are let go); throws
    // std::bad_alloc, as a vector does, when there is none.
    void resize(size_t n);
    // Lets the bytes go.
    void clear();

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    operator ByteView() const { return {data_, size_}; }
    operator std::span<uint8_t>() { return {data_, size_}; }
    // The bytes are in memory of their own (for tests).
    bool OwnMemory() const { return mapped_ != 0; }

  private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0; // the length of the memory of their own, else 0 (from the heap)
};

} // namespace tavrin::book

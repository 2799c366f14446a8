#include "bookfmt/held_bytes.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace tavrin::book {
namespace {

constexpr size_t kPiece = HeldBytes::kOwnMemoryFrom;

// n bytes (a multiple of kPiece) starting on a multiple of kPiece, advised for huge pages; null when
// the kernel has none to give. Twice the size is mapped and what lies outside the placed stretch
// is given back.
uint8_t* MapPieces(size_t n) {
    void* mapped = mmap(nullptr, n + kPiece, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t placed = (start + kPiece - 1) & ~(kPiece - 1);
    if (placed > start) munmap(mapped, placed - start);
    if (start + kPiece > placed) munmap(reinterpret_cast<void*>(placed + n), start + kPiece - placed);
    // Refused by a kernel built without huge pages: the memory is then like any other.
    madvise(reinterpret_cast<void*>(placed), n, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(placed);
}

} // namespace

void HeldBytes::resize(size_t n) {
    clear();
    if (n == 0) return;
    if (n >= kOwnMemoryFrom) {
        if (n > SIZE_MAX / 4) throw std::bad_alloc(); // more than any address space holds
        const size_t length = (n + kPiece - 1) / kPiece * kPiece;
        data_ = MapPieces(length);
        if (!data_) throw std::bad_alloc();
        mapped_ = length;
    } else {
        data_ = new uint8_t[n]; // throws std::bad_alloc; unset until read, as it is meant to be
    }
    size_ = n;
}

void HeldBytes::clear() {
    if (mapped_)
        munmap(data_, mapped_);
    else
        delete[] data_;
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}

} // namespace tavrin::book

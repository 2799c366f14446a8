// A book file mapped into memory for reads that go through long stretches of it (a search reading
// its pages in runs): the pages are copied from the mapping to where the caller wants them, with no
// read into a block of our own first. A file cut short while it is mapped makes a copy from the lost
// part fault (SIGBUS); such a copy is caught and fails as a read past the file's end would, instead
// of ending the program.
#pragma once

#include "bookfmt/byte_source.h"

#include <cstdint>
#include <memory>
#include <span>

namespace tavrin::book {

class MappedFile {
  public:
    // Maps `size` bytes of the file open as `fd`; null when it cannot be mapped (the caller reads
    // instead).
    static std::unique_ptr<MappedFile> Map(int fd, uint64_t size);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Copies the bytes from `offset` on, piece after piece, to where the pieces say; with `crcs`,
    // the CRC-32 of each piece too, worked out as it is copied. False when they go past the mapping
    // or the file has lost them since it was mapped.
    bool CopyPieces(uint64_t offset, std::span<const Piece> pieces, uint32_t* crcs = nullptr) const;

    // Brings the `length` bytes from `offset` into the mapping (one byte of every memory page read)
    // and answers how many page faults that took this thread; -1 when the bytes are not there (past
    // the mapping, or the file has lost them). The kernel maps a file kept in the page cache in large
    // pieces (up to 2 MB) with a fault each, one kept in small pieces 64 KB per fault: the count says
    // whether copying from the mapping is cheaper than reading.
    long FaultIn(uint64_t offset, uint64_t length) const;

  private:
    MappedFile(const uint8_t* base, uint64_t size) : base_(base), size_(size) {}
    template <class Touch> bool Guarded(Touch&& touch) const;
    const uint8_t* base_;
    uint64_t size_;
};

} // namespace tavrin::book

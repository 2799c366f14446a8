// Where a reader's bytes come from: a file read with pread on demand, or bytes already in memory.
#pragma once

#include "bookfmt/bytes.h"
#include "bookfmt/crc32.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tavrin::book {

// Where a piece of a stretch of bytes goes (its `to` and `length`).
using Piece = CrcPiece;

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills `out` with the bytes at `offset`. False when they cannot be read (the caller has already
    // checked the range against Size(); a file that shrank since then fails here).
    virtual bool ReadAt(uint64_t offset, std::span<uint8_t> out) const = 0;
    // The same for a caller that reads a run of the source piece after piece, each where the one
    // before ended (a book's pages in order): a file serves such reads from a large block read ahead,
    // never past `end`, instead of reading each piece from the file. What ReadAt would answer.
    virtual bool ReadRun(uint64_t offset, std::span<uint8_t> out, uint64_t end) const {
        (void)end;
        return ReadAt(offset, out);
    }
    // For a caller that goes through a stretch of the source in larger runs (a book's pages read
    // many at a time): the bytes from `offset` on, copied piece after piece to where the pieces say,
    // and, when `crcs` is given, the CRC-32 of each piece's bytes there. A file reads the stretch
    // into a block on its first pass and copies it from a mapping of itself on later ones, checking
    // each piece as it copies it. What ReadAt of each piece would answer.
    virtual bool ReadPieces(uint64_t offset, std::span<const Piece> pieces, uint32_t* crcs) const {
        for (size_t i = 0; i < pieces.size(); ++i) {
            const Piece& p = pieces[i];
            if (!ReadAt(offset, {p.to, p.length})) return false;
            if (crcs) crcs[i] = Crc32(0, p.to, p.length);
            offset += p.length;
        }
        return true;
    }
};

// Where in a buffer of `room` bytes to read bytes that lie at `offset` of a file: the first place
// whose address is the offset's own modulo 64, so the buffer needs kReadSlack bytes more than the
// read. The kernel copies a read out of its page cache with string moves, which run ten times slower
// (measured: 3 MB in 1.1-1.8 ms against 0.12-0.14 ms, AMD EPYC) when the destination lies 1 to 31
// bytes past the source modulo 4 KB; whether a buffer does is otherwise down to where the heap put it.
inline constexpr size_t kReadSlack = 63;
inline uint8_t* ReadPlace(uint8_t* room, uint64_t offset) {
    return room + ((offset - reinterpret_cast<uintptr_t>(room)) & 63);
}

// Opens a file for reading. Null and *error set when it cannot be opened.
std::unique_ptr<ByteSource> OpenFileSource(const std::string& path, std::string* error);

// Keeps the bytes it is given.
std::unique_ptr<ByteSource> MakeMemorySource(Bytes bytes);

// How the first pass over a file gets its runs of pages: from the file's mapping or read into a
// block, as the kernel's faults on the mapping suggest (Auto), or always the one way. Tests reach
// each way with it; returns the previous setting.
enum class FirstPass { Auto, Mapped, Read };
FirstPass UseFirstPass(FirstPass way);

// The size of the block that runs are read in.
inline constexpr size_t kRunBlockSize = 256 * 1024;

} // namespace tavrin::book

// A file's bytes read ahead on a helper thread, for a reader that goes through a stretch of the file
// in pieces, each where the one before ended (a search reading a book's pages in runs). While the
// reader works on one piece, the thread reads the next block of the file; the reader then copies
// it from memory instead of waiting for the kernel's copy. Only one file is read ahead at a time (the
// thread and its blocks are the library's, not each book's); a second reader meanwhile reads its
// file itself. The thread sleeps while it has nothing to read. A child forked from the program starts
// without it and makes its own when it reads.
#pragma once

#include "bookfmt/byte_source.h"

#include <cstdint>
#include <span>

namespace tavrin::book {

// Reads `out` at `offset` of `fd` with pread, as many calls as it takes. False on an error or when
// the file ends first.
bool ReadFully(int fd, uint64_t offset, std::span<uint8_t> out);

// The block the thread reads at a time; two are kept.
inline constexpr size_t kReadAheadBlock = 512 * 1024;

// Fills the pieces with the bytes from `offset` of the file open as `fd` (known as `id`, which no
// other file gets), reading ahead no further than `end`. False when the bytes cannot be read; what
// pread of them would answer.
bool ReadAhead(int fd, uint64_t id, uint64_t offset, std::span<const Piece> pieces, uint64_t end);

// The file `id` is about to be closed: a read of it on the thread is waited for, and its blocks are
// forgotten.
void ForgetReadAhead(uint64_t id);

} // namespace tavrin::book

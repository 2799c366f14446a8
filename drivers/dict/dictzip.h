// Definitions compressed with dictzip: a gzip file whose header carries a chunk table in the extra
// field "RA" (version 1, the uncompressed length of a chunk, the number of chunks, then each chunk's
// compressed size). Each chunk was flushed whole, so it inflates on its own: a read inflates only the
// chunks it covers, and the inflated chunks last used are kept, up to a budget of bytes: a few chunks
// normally, and up to kWideBudget while the whole text is being read (a search reads the pages in
// headword order, which jumps about the file, so that a small cache would inflate each chunk many
// times). While the whole text is read, and it fits that budget, a thread of the reader's own inflates
// the chunks ahead in file order on another core; a read that needs a chunk the thread is inflating
// waits for it (asleep) instead of inflating it twice.
//
// A table that does not fit the file (chunks past its end, a size of 0, a chunk count that does not
// give the file's uncompressed size) is refused when the file is opened; a chunk that does not inflate
// to its length fails the read that needs it, and nothing is read outside the file or the chunk.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrin::dict {

struct DictzipLayout {
    bool chunked = false;              // false: a gzip file without a chunk table
    uint32_t chunkLength = 0;          // uncompressed bytes per chunk (the last may be shorter)
    std::vector<uint64_t> chunkStarts; // file offset of each chunk, and one more: the end of the last
    uint64_t dataSize = 0;             // uncompressed size (chunked files)
    uint64_t headerEnd = 0;            // where the compressed data begins
};

// Reads the gzip header at the start of a file of `fileSize` bytes whose last four bytes (the
// uncompressed size modulo 2^32) are `sizeModulo`. `head` is the file's start (at least what the header
// needs). Nothing, with the reason in *error, for a header that is not gzip or a table that lies.
std::optional<DictzipLayout> ParseDictzipHeader(std::span<const uint8_t> head, uint64_t fileSize,
                                                uint32_t sizeModulo, std::string* error);

// True when `head` starts like a gzip file.
bool LooksLikeGzip(std::span<const uint8_t> head);

// Inflates one chunk (raw deflate data, flushed at its end) into exactly `expected` bytes; false when
// the data is damaged or inflates to another length.
bool InflateChunk(std::span<const uint8_t> compressed, size_t expected, std::string& out);

// Inflates a whole gzip member of `data` into `out`, giving up past `limit` bytes.
bool InflateWhole(std::span<const uint8_t> data, size_t limit, std::string& out, std::string* error);

// The chunks kept normally, and the bytes of inflated chunks kept while the whole text is read.
inline constexpr size_t kNarrowChunks = 8;
inline constexpr size_t kWideBudget = 96u * 1024 * 1024;

// Reads ranges of the uncompressed text of an open dictzip file. Safe to call from several threads.
class DictzipReader {
  public:
    DictzipReader(int fd, DictzipLayout layout);
    ~DictzipReader();
    DictzipReader(const DictzipReader&) = delete;
    DictzipReader& operator=(const DictzipReader&) = delete;

    uint64_t Size() const { return layout_.dataSize; }
    // Appends `length` bytes from `offset`; false with the reason when a chunk cannot be read.
    bool Read(uint64_t offset, uint32_t length, std::string& out, std::string* error);
    // Whether the whole text is being read (the wide budget) or single pages (the narrow one, to which
    // the cache is cut at once).
    void ReadingAll(bool all);
    size_t CachedChunks();
    size_t Inflations(); // chunks inflated since the file was opened

  private:
    // What one thread inflates with: the compressed bytes read, and its own inflater.
    struct Inflater {
        Inflater();
        ~Inflater();
        Inflater(const Inflater&) = delete;
        Inflater& operator=(const Inflater&) = delete;
        std::vector<uint8_t> compressed;
        void* state = nullptr; // a libdeflate decompressor, where the build has it
    };
    // Reads and inflates chunk `index` into `text`; touches no shared state but the counter.
    bool Inflate(size_t index, Inflater& inflater, std::string& text, std::string* error);
    const std::string* Chunk(size_t index, std::unique_lock<std::mutex>& lock, std::string* error);
    void Keep(size_t index, std::string text); // with mutex_ held
    void Trim();                               // with mutex_ held
    void InflateAhead(uint64_t generation);    // the thread's work, until its generation is over
    void StopAhead();                          // without mutex_ held

    int fd_;
    DictzipLayout layout_;
    std::mutex mutex_;
    std::condition_variable inflatedOne_;            // the thread kept a chunk, or stopped
    std::vector<std::string> inflated_;              // by chunk; empty when not kept
    std::vector<std::list<size_t>::iterator> inLru_; // where a kept chunk stands in lru_
    std::list<size_t> lru_;                          // kept chunks, the last used first
    std::vector<bool> inflating_;                    // chunks the thread is inflating now
    size_t keptBytes_ = 0;
    std::atomic<size_t> inflations_{0};
    size_t budget_;
    uint64_t aheadGeneration_ = 0; // a thread of another generation stops
    std::thread ahead_;
    Inflater inflater_; // the readers' (under mutex_)
};

} // namespace tavrin::dict

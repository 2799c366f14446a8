#include "bookfmt/byte_source.h"

#include "bookfmt/mapped_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <vector>
#include <unistd.h>

namespace tavrin::book {
namespace {

// The block that runs are served from. There is one for all the files of the library, so that a
// shelf of thousands of open books keeps one block and not one each; it holds a piece of the file
// whose id it names. A thread that finds it in use reads from its file directly: nobody waits for it.
struct RunBlock {
    std::atomic<bool> busy{false};
    // The rest is read and written only by the thread that set `busy`.
    uint64_t owner = 0; // the id of the file whose run the block serves; 0: none
    uint64_t start = 0, length = 0;
    uint64_t next = 0; // where the owner's last read ended: a read from there goes on with the run
    std::unique_ptr<uint8_t[]> bytes;
};

RunBlock g_block;
std::atomic<uint64_t> g_nextId{1};
std::atomic<FirstPass> g_firstPass{FirstPass::Auto};

// Reads of more than this go to the file whatever they are: the block would save them little.
constexpr size_t kDirectRead = kRunBlockSize / 2;

// Reads `out` at `offset` of `fd` with pread, as many calls as it takes. False on an error or when
// the file ends first.
bool ReadFully(int fd, uint64_t offset, std::span<uint8_t> out) {
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // error, or the file ended early
        done += static_cast<size_t>(n);
    }
    return true;
}

class FileSource final : public ByteSource {
  public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size), id_(g_nextId.fetch_add(1)) {}
    ~FileSource() override { ::close(fd_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    uint64_t Size() const override { return size_; }

    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        return ReadFully(fd_, offset, out);
    }

    // Runs of many pages, each page checked as it is copied. A run that starts before the one before
    // it ended starts another pass (another search); the passes after the first copy from a mapping of
    // the file, made then. The first pass copies from the mapping too where the kernel maps the file
    // in large pieces (a page cache that holds it in pieces of up to 2 MB: a file read from disk or
    // written in large writes). Where it maps 64 KB per fault (a file written a little at a time), the
    // faults and, later, the unmapping of every page cost more than a read: such runs are read into a
    // block and their pages copied from there. Now and then a run of the first pass comes from the
    // mapping and counts its faults, which settles where the runs after it come from: every 8th
    // while they are mapped, every 32nd while they are read (a mapped run costs more then).
    // A file that has shrunk since it was opened is read piece by piece, so that the read fails
    // exactly where its bytes are gone.
    bool ReadPieces(uint64_t offset, std::span<const Piece> pieces, uint32_t* crcs) const override {
        uint64_t total = 0;
        for (const Piece& p : pieces)
            total += p.length;
        if (offset < passEnd_.exchange(offset + total, std::memory_order_relaxed))
            laterPass_.store(true, std::memory_order_relaxed);
        const bool later = laterPass_.load(std::memory_order_relaxed);
        const FirstPass way = g_firstPass.load(std::memory_order_relaxed);
        const bool mapped = way == FirstPass::Auto ? firstPassMapped_.load(std::memory_order_relaxed)
                                                   : way == FirstPass::Mapped;
        const bool probe =
            !later && way == FirstPass::Auto &&
            firstRuns_.fetch_add(1, std::memory_order_relaxed) % (mapped ? kProbeMapped : kProbeRead) == 0;
        if (later || probe || mapped) {
            std::call_once(mapOnce_, [this] { map_ = MappedFile::Map(fd_, size_); });
            if (map_ && Holds(offset, pieces)) {
                if (probe) {
                    const long faults = map_->FaultIn(offset, total);
                    const bool cheap =
                        faults >= 0 && static_cast<uint64_t>(faults) <= 1 + total / kBytesPerFault;
                    // One costly run after cheap ones (a stretch of the file held in small pieces) does
                    // not turn the pass to reading; two in a row do, or the first run alone.
                    const int costly = cheap ? 0 : costlyProbes_.fetch_add(1, std::memory_order_relaxed) + 1;
                    if (cheap) costlyProbes_.store(0, std::memory_order_relaxed);
                    firstPassMapped_.store(cheap || (mapped && costly < 2), std::memory_order_relaxed);
                }
                return map_->CopyPieces(offset, pieces, crcs);
            }
        }
        if (total <= kReadBlockLimit) {
            thread_local std::vector<uint8_t> block;
            bool room = true;
            try {
                if (block.size() < total + kReadSlack) block.resize(static_cast<size_t>(total) + kReadSlack);
            } catch (const std::bad_alloc&) {
                room = false; // piece by piece, below
            }
            uint8_t* const at = room ? ReadPlace(block.data(), offset) : nullptr;
            if (room && ReadFully(fd_, offset, {at, static_cast<size_t>(total)})) {
                Crc32CopyPages(at, pieces.data(), pieces.size(), crcs);
                return true;
            }
        }
        return ByteSource::ReadPieces(offset, pieces, crcs);
    }

    bool ReadRun(uint64_t offset, std::span<uint8_t> out, uint64_t end) const override {
        if (out.size() > kDirectRead || g_block.busy.exchange(true, std::memory_order_acquire))
            return ReadAt(offset, out);
        const bool ok = FromBlock(offset, out, end);
        g_block.busy.store(false, std::memory_order_release);
        return ok;
    }

  private:
    // Does the file still hold the bytes of the pieces from `offset` on?
    bool Holds(uint64_t offset, std::span<const Piece> pieces) const {
        uint64_t total = 0;
        for (const Piece& p : pieces)
            total += p.length;
        struct stat st {};
        return ::fstat(fd_, &st) == 0 && RangeInside(offset, total, static_cast<uint64_t>(st.st_size));
    }

    // With the block held: the bytes from the block when the read goes on with this file's run,
    // reading the block's next piece from here when it does not hold them.
    bool FromBlock(uint64_t offset, std::span<uint8_t> out, uint64_t end) const {
        RunBlock& b = g_block;
        if (b.owner != id_) {
            b.owner = id_;
            b.length = 0;
            b.next = UINT64_MAX;
        }
        const bool run = offset == b.next;
        b.next = offset + out.size();
        // A read that does not go on with a run (the first of one, or a page looked up on its own)
        // reads what it asks for.
        if (!run) return ReadAt(offset, out);
        if (offset >= b.start && offset + out.size() <= b.start + b.length) {
            std::memcpy(out.data(), b.bytes.get() + (offset - b.start), out.size());
            return true;
        }
        end = std::min(end, size_);
        const uint64_t length = end > offset ? std::min<uint64_t>(kRunBlockSize, end - offset) : 0;
        if (length < out.size()) return ReadAt(offset, out);
        if (!b.bytes) b.bytes.reset(new (std::nothrow) uint8_t[kRunBlockSize]);
        b.length = 0;
        // A file that shrank since it was opened fails here; the read itself may still be had.
        if (!b.bytes || !ReadAt(offset, {b.bytes.get(), static_cast<size_t>(length)}))
            return ReadAt(offset, out);
        b.start = offset;
        b.length = length;
        std::memcpy(out.data(), b.bytes.get(), out.size());
        return true;
    }

    int fd_;
    uint64_t size_;
    uint64_t id_; // never given to another file, unlike the object's address
    mutable std::once_flag mapOnce_;
    mutable std::atomic<uint64_t> passEnd_{0};        // where the last run ended
    mutable std::atomic<bool> laterPass_{false};      // a pass after the first has begun
    mutable std::atomic<bool> firstPassMapped_{true}; // the first pass copies from the mapping
    mutable std::atomic<uint64_t> firstRuns_{0};      // runs of the first pass so far
    // Probes in a row that took many faults; the first probe counts one more, having none before it.
    mutable std::atomic<int> costlyProbes_{1};
    // A longer first-pass run (a search asks for 512 KB) is read piece by piece.
    static constexpr uint64_t kReadBlockLimit = 4u << 20;
    // The first pass keeps to the mapping while a run takes at most one fault more than one per
    // this many bytes. A file held in pieces of 64 KB takes 8 faults per 512 KB and is read; one
    // whose large pieces have partly been split (about 190 KB a fault, as a file a while in the cache
    // was found) takes 3 to 5, and a search of it in a new process took 24 ms mapped against 27 ms
    // read.
    static constexpr uint64_t kBytesPerFault = 128 * 1024;
    static constexpr uint64_t kProbeMapped = 8, kProbeRead = 32;
    mutable std::unique_ptr<MappedFile> map_;
};

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(Bytes bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        if (!RangeInside(offset, out.size(), bytes_.size())) return false;
        if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
        return true;
    }

  private:
    Bytes bytes_;
};

} // namespace

FirstPass UseFirstPass(FirstPass way) {
    return g_firstPass.exchange(way);
}

std::unique_ptr<ByteSource> OpenFileSource(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = path + " is not a regular file";
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
}

std::unique_ptr<ByteSource> MakeMemorySource(Bytes bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}

} // namespace tavrin::book

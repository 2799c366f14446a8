#include "dict/dictzip.h"

#include <unistd.h>
#include <zlib.h>
#ifdef TAVRIN_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <cstring>

namespace tavrin::dict {

namespace {

constexpr uint8_t kFlagHeaderCrc = 0x02, kFlagExtra = 0x04, kFlagName = 0x08, kFlagComment = 0x10;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

// Reads the RA field `data` into the layout's table; the chunks begin at layout.headerEnd.
bool ReadChunkTable(std::span<const uint8_t> data, DictzipLayout& layout, std::string* error) {
    if (data.size() < 6) return Fail(error, "the dictzip chunk table is cut short");
    if (Le16(data.data()) != 1) return Fail(error, "the dictzip chunk table is of an unknown version");
    layout.chunkLength = Le16(data.data() + 2);
    const size_t count = Le16(data.data() + 4);
    if (layout.chunkLength == 0) return Fail(error, "the dictzip chunk table gives chunks of 0 bytes");
    if (data.size() < 6 + 2 * count)
        return Fail(error, "the dictzip chunk table lists more chunks than it holds");
    layout.chunkStarts.resize(count + 1);
    for (size_t i = 0; i < count; ++i) {
        const uint16_t size = Le16(data.data() + 6 + 2 * i);
        if (size == 0) return Fail(error, "the dictzip chunk table gives a chunk of 0 bytes");
        layout.chunkStarts[i + 1] = size; // turned into offsets once the header's end is known
    }
    layout.chunked = true;
    return true;
}

} // namespace

bool LooksLikeGzip(std::span<const uint8_t> head) {
    return head.size() >= 10 && head[0] == 0x1F && head[1] == 0x8B && head[2] == 8;
}

std::optional<DictzipLayout> ParseDictzipHeader(std::span<const uint8_t> head, uint64_t fileSize,
                                                uint32_t sizeModulo, std::string* error) {
    if (!LooksLikeGzip(head)) {
        Fail(error, "not a gzip file");
        return std::nullopt;
    }
    DictzipLayout layout;
    const uint8_t flags = head[3];
    size_t pos = 10;
    if (flags & kFlagExtra) {
        if (head.size() < pos + 2) return Fail(error, "the gzip header is cut short"), std::nullopt;
        const size_t extraLength = Le16(&head[pos]);
        pos += 2;
        if (head.size() < pos + extraLength)
            return Fail(error, "the gzip extra field is cut short"), std::nullopt;
        std::span<const uint8_t> extra = head.subspan(pos, extraLength);
        pos += extraLength;
        while (extra.size() >= 4) {
            const size_t fieldLength = Le16(&extra[2]);
            if (extra.size() < 4 + fieldLength)
                return Fail(error, "a gzip extra subfield runs past the field"), std::nullopt;
            if (extra[0] == 'R' && extra[1] == 'A' && !layout.chunked &&
                !ReadChunkTable(extra.subspan(4, fieldLength), layout, error))
                return std::nullopt;
            extra = extra.subspan(4 + fieldLength);
        }
    }
    for (uint8_t flag : {kFlagName, kFlagComment}) {
        if (!(flags & flag)) continue;
        while (pos < head.size() && head[pos] != 0)
            ++pos;
        if (pos >= head.size())
            return Fail(error, "the gzip header's name or comment is cut short"), std::nullopt;
        ++pos;
    }
    if (flags & kFlagHeaderCrc) pos += 2;
    if (pos > head.size() || pos + 8 > fileSize)
        return Fail(error, "the gzip header is cut short"), std::nullopt;
    layout.headerEnd = pos;
    if (!layout.chunked) return layout;

    // The table's sizes become file offsets; every chunk must end before the 8-byte trailer.
    uint64_t at = pos;
    for (size_t i = 1; i < layout.chunkStarts.size(); ++i) {
        at += layout.chunkStarts[i];
        layout.chunkStarts[i] = at;
    }
    layout.chunkStarts[0] = pos;
    if (at > fileSize - 8)
        return Fail(error, "the dictzip chunk table runs past the end of the file"), std::nullopt;
    // The uncompressed size: all chunks but the last are whole, and the trailer gives it modulo 2^32.
    const size_t count = layout.chunkStarts.size() - 1;
    if (count == 0) {
        if (sizeModulo != 0) return Fail(error, "the dictzip chunk table lists no chunks"), std::nullopt;
        return layout;
    }
    const uint64_t whole = static_cast<uint64_t>(count - 1) * layout.chunkLength;
    uint64_t last = (sizeModulo - static_cast<uint32_t>(whole)) & 0xFFFFFFFFu;
    if (last == 0 || last > layout.chunkLength)
        return Fail(error, "the dictzip chunk table does not agree with the file's size"), std::nullopt;
    layout.dataSize = whole + last;
    return layout;
}

bool InflateChunk(std::span<const uint8_t> compressed, size_t expected, std::string& out) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    const size_t base = out.size();
    out.resize(base + expected + 1); // one byte more: a chunk that inflates longer shows it
    z.next_in = const_cast<Bytef*>(compressed.data());
    z.avail_in = static_cast<uInt>(compressed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data() + base);
    z.avail_out = static_cast<uInt>(expected + 1);
    const int result = inflate(&z, Z_SYNC_FLUSH);
    const size_t produced = expected + 1 - z.avail_out;
    inflateEnd(&z);
    out.resize(base + (produced <= expected ? produced : expected));
    return (result == Z_OK || result == Z_STREAM_END || result == Z_BUF_ERROR) && produced == expected;
}

bool InflateWhole(std::span<const uint8_t> data, size_t limit, std::string& out, std::string* error) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return Fail(error, "out of memory");
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        if (out.size() >= limit) {
            inflateEnd(&z);
            return Fail(error, "the gzip file inflates to more than the largest size read whole");
        }
        const size_t base = out.size();
        out.resize(base + 256 * 1024);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + base);
        z.avail_out = 256 * 1024;
        result = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END) return Fail(error, "the gzip data is damaged or cut short");
    return true;
}

DictzipReader::Inflater::Inflater() {
#ifdef TAVRIN_HAVE_LIBDEFLATE
    state = libdeflate_alloc_decompressor();
#endif
}

DictzipReader::Inflater::~Inflater() {
#ifdef TAVRIN_HAVE_LIBDEFLATE
    if (state) libdeflate_free_decompressor(static_cast<libdeflate_decompressor*>(state));
#endif
}

DictzipReader::DictzipReader(int fd, DictzipLayout layout)
    : fd_(fd), layout_(std::move(layout)), budget_(kNarrowChunks * layout_.chunkLength) {
    const size_t count = layout_.chunkStarts.empty() ? 0 : layout_.chunkStarts.size() - 1;
    inflated_.resize(count);
    inLru_.resize(count, lru_.end());
    inflating_.resize(count, false);
}

DictzipReader::~DictzipReader() {
    StopAhead();
    if (fd_ >= 0) ::close(fd_);
}

void DictzipReader::StopAhead() {
    // The thread is taken out under the lock, so that a search that asks for it again meanwhile starts
    // a thread of its own; this one sees that its generation is over and ends after its chunk.
    std::thread stopping;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++aheadGeneration_;
        stopping = std::move(ahead_);
    }
    if (stopping.joinable()) stopping.join();
}

void DictzipReader::ReadingAll(bool all) {
    if (!all) StopAhead();
    std::lock_guard<std::mutex> lock(mutex_);
    budget_ = all ? kWideBudget : kNarrowChunks * layout_.chunkLength;
    Trim();
    // The thread inflates ahead only what the budget holds whole: beyond it, it would push out what the
    // reads need. A thread that has inflated everything stays, done, until the search is over.
    if (all && !ahead_.joinable() && layout_.dataSize <= kWideBudget && inflated_.size() > kNarrowChunks) {
        const uint64_t generation = aheadGeneration_;
        ahead_ = std::thread([this, generation] { InflateAhead(generation); });
    }
}

void DictzipReader::InflateAhead(uint64_t generation) {
    Inflater inflater;
    for (size_t index = 0; index < inflated_.size(); ++index) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (aheadGeneration_ != generation) break;
            if (inLru_[index] != lru_.end() || inflating_[index]) continue;
            inflating_[index] = true;
        }
        std::string text;
        const bool inflated = Inflate(index, inflater, text, nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            inflating_[index] = false;
            if (inflated && inLru_[index] == lru_.end()) Keep(index, std::move(text));
        }
        inflatedOne_.notify_all();
    }
}

size_t DictzipReader::CachedChunks() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lru_.size();
}

size_t DictzipReader::Inflations() {
    return inflations_.load();
}

void DictzipReader::Trim() {
    while (keptBytes_ > budget_ && !lru_.empty()) {
        const size_t oldest = lru_.back();
        lru_.pop_back();
        inLru_[oldest] = lru_.end();
        keptBytes_ -= inflated_[oldest].size();
        std::string().swap(inflated_[oldest]);
    }
}

void DictzipReader::Keep(size_t index, std::string text) {
    inflated_[index] = std::move(text);
    lru_.push_front(index);
    inLru_[index] = lru_.begin();
    keptBytes_ += inflated_[index].size();
    Trim();
}

bool DictzipReader::Inflate(size_t index, Inflater& inflater, std::string& text, std::string* error) {
    const uint64_t start = layout_.chunkStarts[index], end = layout_.chunkStarts[index + 1];
    const size_t size = static_cast<size_t>(end - start);
    // Two bytes more than the chunk: an empty last block (see below).
    std::vector<uint8_t>& compressed = inflater.compressed;
    compressed.resize(size + 2);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd_, compressed.data() + got, size - got, static_cast<off_t>(start + got));
        if (n <= 0) return Fail(error, "the definitions file is cut short (a chunk lies past its end)");
        got += static_cast<size_t>(n);
    }
    const size_t count = layout_.chunkStarts.size() - 1;
    const size_t expected =
        index + 1 < count ? layout_.chunkLength
                          : static_cast<size_t>(layout_.dataSize - uint64_t{index} * layout_.chunkLength);
    bool inflated;
    ++inflations_;
#ifdef TAVRIN_HAVE_LIBDEFLATE
    if (inflater.state) {
        // A chunk ends with a flush to a byte boundary, not with a last block; the bytes 03 00 are an
        // empty last block, after which the inflater stops where the chunk ends.
        compressed[size] = 0x03;
        compressed[size + 1] = 0x00;
        text.resize(expected);
        inflated = libdeflate_deflate_decompress(static_cast<libdeflate_decompressor*>(inflater.state),
                                                 compressed.data(), size + 2, text.data(), expected,
                                                 nullptr) == LIBDEFLATE_SUCCESS;
    } else
#endif
    {
        inflated = InflateChunk({compressed.data(), size}, expected, text);
    }
    if (!inflated && error) *error = "chunk " + std::to_string(index) + " of the definitions is damaged";
    return inflated;
}

const std::string* DictzipReader::Chunk(size_t index, std::unique_lock<std::mutex>& lock,
                                        std::string* error) {
    // A chunk the thread is inflating is waited for rather than inflated twice.
    inflatedOne_.wait(lock, [&] { return !inflating_[index]; });
    if (inLru_[index] != lru_.end()) {
        lru_.splice(lru_.begin(), lru_, inLru_[index]);
        return &inflated_[index];
    }
    std::string text;
    if (!Inflate(index, inflater_, text, error)) return nullptr;
    Keep(index, std::move(text));
    // The chunk just made stays even when it alone is over the budget: the read needs it.
    if (inLru_[index] == lru_.end()) {
        Fail(error, "no memory is left for a chunk");
        return nullptr;
    }
    return &inflated_[index];
}

bool DictzipReader::Read(uint64_t offset, uint32_t length, std::string& out, std::string* error) {
    if (offset > layout_.dataSize || length > layout_.dataSize - offset)
        return Fail(error, "a definition lies past the end of the definitions");
    std::unique_lock<std::mutex> lock(mutex_);
    uint64_t at = offset;
    const uint64_t end = offset + length;
    while (at < end) {
        const size_t index = static_cast<size_t>(at / layout_.chunkLength);
        const std::string* chunk = Chunk(index, lock, error);
        if (!chunk) return false;
        const size_t from = static_cast<size_t>(at - uint64_t{index} * layout_.chunkLength);
        if (from >= chunk->size()) return Fail(error, "a definition lies past the end of the definitions");
        const size_t take = static_cast<size_t>(std::min<uint64_t>(end - at, chunk->size() - from));
        out.append(*chunk, from, take);
        at += take;
    }
    return true;
}

} // namespace tavrin::dict

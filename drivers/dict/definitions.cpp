#include "dict/definitions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tavrin::dict {

namespace {

bool ReadAt(int fd, uint8_t* to, size_t length, uint64_t offset) {
    size_t got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, to + got, length - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

class PlainDefinitions : public Definitions {
  public:
    PlainDefinitions(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~PlainDefinitions() override { ::close(fd_); }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, uint32_t length, std::string& out, std::string* error) override {
        if (offset > size_ || length > size_ - offset) {
            if (error) *error = "a definition lies past the end of the definitions";
            return false;
        }
        const size_t base = out.size();
        out.resize(base + length);
        if (!ReadAt(fd_, reinterpret_cast<uint8_t*>(out.data() + base), length, offset)) {
            out.resize(base);
            if (error) *error = std::string("the definitions cannot be read: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

  private:
    int fd_;
    uint64_t size_;
};

class InflatedDefinitions : public Definitions {
  public:
    explicit InflatedDefinitions(std::string text) : text_(std::move(text)) {}
    uint64_t Size() const override { return text_.size(); }
    bool Read(uint64_t offset, uint32_t length, std::string& out, std::string* error) override {
        if (offset > text_.size() || length > text_.size() - offset) {
            if (error) *error = "a definition lies past the end of the definitions";
            return false;
        }
        out.append(text_, static_cast<size_t>(offset), length);
        return true;
    }

  private:
    std::string text_;
};

class ChunkedDefinitions : public Definitions {
  public:
    ChunkedDefinitions(int fd, DictzipLayout layout) : reader_(fd, std::move(layout)) {}
    uint64_t Size() const override { return reader_.Size(); }
    bool Read(uint64_t offset, uint32_t length, std::string& out, std::string* error) override {
        return reader_.Read(offset, length, out, error);
    }
    void ReadingAll(bool all) override { reader_.ReadingAll(all); }

  private:
    DictzipReader reader_;
};

} // namespace

std::unique_ptr<Definitions> OpenDefinitions(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (error) *error = std::string("cannot open the definitions: ") + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    uint8_t magic[10] = {};
    if (fileSize < sizeof magic || !ReadAt(fd, magic, sizeof magic, 0) || !LooksLikeGzip(magic))
        return std::make_unique<PlainDefinitions>(fd, fileSize);

    // A gzip header: up to 10 fixed bytes, the extra field (at most 65535 bytes), name and comment.
    std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(fileSize, 128 * 1024)));
    uint8_t trailer[4] = {};
    if (!ReadAt(fd, head.data(), head.size(), 0) || !ReadAt(fd, trailer, 4, fileSize - 4)) {
        if (error) *error = "the definitions cannot be read";
        ::close(fd);
        return nullptr;
    }
    const uint32_t sizeModulo = static_cast<uint32_t>(trailer[0]) | static_cast<uint32_t>(trailer[1]) << 8 |
                                static_cast<uint32_t>(trailer[2]) << 16 |
                                static_cast<uint32_t>(trailer[3]) << 24;
    std::optional<DictzipLayout> layout = ParseDictzipHeader(head, fileSize, sizeModulo, error);
    if (!layout) {
        ::close(fd);
        return nullptr;
    }
    if (layout->chunked) return std::make_unique<ChunkedDefinitions>(fd, std::move(*layout));

    // No chunk table: small files are inflated whole.
    if (fileSize > kLargestUnchunked || sizeModulo > kLargestUnchunked) {
        if (error)
            *error = "the compressed definitions have no dictzip chunk table and are too large to inflate "
                     "whole (compress them with dictzip)";
        ::close(fd);
        return nullptr;
    }
    std::vector<uint8_t> all(static_cast<size_t>(fileSize));
    const bool read = ReadAt(fd, all.data(), all.size(), 0);
    ::close(fd);
    std::string text;
    if (!read) {
        if (error) *error = "the definitions cannot be read";
        return nullptr;
    }
    if (!InflateWhole(all, kLargestUnchunked, text, error)) return nullptr;
    return std::make_unique<InflatedDefinitions>(std::move(text));
}

} // namespace tavrin::dict

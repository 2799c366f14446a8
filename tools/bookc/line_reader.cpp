#include "line_reader.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace tavrin::bookc {

LineReader::LineReader(std::string_view text) : text_(text), end_(true) {}

LineReader::LineReader(int fd, size_t blockSize) : fd_(fd), blockSize_(std::max<size_t>(blockSize, 1)) {}

std::string_view LineReader::Data() const {
    return fd_ < 0 ? text_ : std::string_view(buffer_);
}

bool LineReader::Fill() {
    if (end_) return false;
    // What is used up goes first, so that the buffer holds at most a line and a block.
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    size_t had = buffer_.size();
    buffer_.resize(had + blockSize_);
    ssize_t got;
    do {
        got = read(fd_, buffer_.data() + had, blockSize_);
    } while (got < 0 && errno == EINTR);
    buffer_.resize(had + static_cast<size_t>(std::max<ssize_t>(got, 0)));
    if (got < 0) failed_ = true;
    if (got <= 0) end_ = true;
    return got > 0;
}

bool LineReader::Next(std::string& line) {
    if (done_) return false;
    size_t scanned = 0; // bytes after start_ known to hold no line end
    size_t end = 0;
    for (;;) {
        std::string_view data = Data();
        end = data.find('\n', start_ + scanned);
        if (end != std::string_view::npos) break;
        scanned = data.size() - start_;
        if (!Fill()) { // the last line: the rest of the source
            done_ = true;
            end = Data().size();
            break;
        }
    }
    std::string_view data = Data();
    line.assign(data.substr(start_, end - start_));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start_ = done_ ? end : end + 1;
    return true;
}

std::string_view LineReader::Head(size_t bytes) {
    while (Data().size() - start_ < bytes && Fill()) {
    }
    return Data().substr(start_);
}

void LineReader::ReadAll(std::string* text) {
    while (Fill()) {
    }
    text->append(Data().substr(start_));
    start_ = Data().size();
    done_ = true;
}

} // namespace tavrin::bookc

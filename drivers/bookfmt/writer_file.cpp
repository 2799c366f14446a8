#include "bookfmt/writer_file.h"

#include "bookfmt/crc32.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace tavrin::book {

BookFileWriter::BookFileWriter(std::string path, size_t bufferSize)
    : path_(std::move(path)), temporary_(path_ + ".tmp" + std::to_string(getpid())),
      bufferSize_(bufferSize > 0 ? bufferSize : 1) {}

BookFileWriter::~BookFileWriter() {
    if (fd_ >= 0) close(fd_);
    if (fd_ >= 0 && !unnamed_ && !finished_) std::remove(temporary_.c_str());
}

bool BookFileWriter::Fail(std::string text) {
    if (error_.empty()) error_ = std::move(text);
    return false;
}

bool BookFileWriter::Create() {
    if (fd_ >= 0) return true;
    // An unnamed file in the book's folder, given its name through /proc once the book is whole.
    // Where the file system cannot make one, or /proc is not there to name it, a named file.
    if (access("/proc/self/fd", X_OK) == 0) {
        size_t slash = path_.rfind('/');
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
        fd_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        unnamed_ = fd_ >= 0;
    }
    if (fd_ < 0) fd_ = open(temporary_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return Fail("cannot create " + temporary_);
    buffer_.reserve(bufferSize_);
    return true;
}

// Gives the unnamed temporary file its name. One left by an earlier build of the same process id is
// replaced, as a named temporary file would be.
bool BookFileWriter::Name() {
    if (!unnamed_) return true;
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    auto link = [&] {
        return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (!link() && !(errno == EEXIST && unlink(temporary_.c_str()) == 0 && link()))
        return Fail("cannot create " + temporary_);
    unnamed_ = false;
    return true;
}

bool BookFileWriter::Write(uint64_t offset, ByteView bytes) {
    while (!bytes.empty()) {
        ssize_t n = pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("cannot write " + temporary_);
        bytes = bytes.subspan(static_cast<size_t>(n));
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool BookFileWriter::Flush() {
    bool ok = Write(written_, buffer_);
    written_ += buffer_.size();
    buffer_.clear();
    return ok;
}

bool BookFileWriter::AddPage(std::string_view bytes) {
    if (finished_) return Fail("the book " + path_ + " is written already");
    if (!error_.empty()) return false;
    if (std::string problem = CheckPage(pages_.size(), bytes.size()); !problem.empty())
        return Fail(std::move(problem));
    if (!Create()) return false;
    pages_.push_back({static_cast<uint32_t>(bytes.size()), Crc32(0, bytes.data(), bytes.size())});
    ByteView view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (buffer_.size() + view.size() > bufferSize_ && !Flush()) return false;
    if (view.size() >= bufferSize_) {
        if (!Write(written_, view)) return false;
        written_ += view.size();
        return true;
    }
    buffer_.insert(buffer_.end(), view.begin(), view.end());
    return true;
}

// Moves the page bytes [0, written_) up by `by` bytes, from the end down, so that no byte is
// overwritten before it has been moved.
bool BookFileWriter::MovePages(uint64_t by) {
    buffer_.resize(bufferSize_);
    for (uint64_t end = written_; end > 0;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(bufferSize_, end));
        uint64_t from = end - n;
        for (size_t got = 0; got < n;) {
            ssize_t r = pread(fd_, buffer_.data() + got, n - got, static_cast<off_t>(from + got));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return Fail("cannot read back " + temporary_);
            got += static_cast<size_t>(r);
        }
        if (!Write(from + by, ByteView(buffer_.data(), n))) return false;
        end = from;
    }
    buffer_.clear();
    return true;
}

bool BookFileWriter::Finish(const BookIdentity& identity, const ContentsTable& contents) {
    if (finished_) return Fail("the book " + path_ + " is written already");
    if (!error_.empty()) return false;
    if (std::string problem = CheckIdentity(identity); !problem.empty()) return Fail(std::move(problem));
    if (std::string problem = CheckContents(identity, contents, pages_.size()); !problem.empty())
        return Fail(std::move(problem));
    if (!Create() || !Flush()) return false;
    if (!MovePages(IndexSize(identity, contents, pages_.size()))) return false;
    if (!WriteIndex(identity, contents, pages_, bufferSize_,
                    [this](uint64_t offset, ByteView bytes) { return Write(offset, bytes); }))
        return false;
    if (!Name()) return false;
    int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) {
        std::remove(temporary_.c_str());
        return Fail("cannot write " + temporary_);
    }
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        std::remove(temporary_.c_str());
        return Fail("cannot rename " + temporary_ + " to " + path_);
    }
    finished_ = true;
    return true;
}

} // namespace tavrin::book

// The lines of a source one at a time: from text in memory, or from a file read a block at a time,
// so that a large source is never held whole (only the block and the longest line are).
//
// Lines end at "\n", and a "\r" right before it is dropped. The text after the last "\n" is a line
// of its own, empty when the source ends with a line end, so a source has at least one line.
#pragma once

#include <string>
#include <string_view>

namespace tavrin::bookc {

class LineReader {
  public:
    static constexpr size_t kBlockSize = 1 << 20;

    explicit LineReader(std::string_view text);
    // Reads the open file `fd` (the caller's, left open) from where it stands.
    explicit LineReader(int fd, size_t blockSize = kBlockSize);

    // The next line; false after the last one.
    bool Next(std::string& line);
    // The start of what is left, at least `bytes` bytes of it unless the source is shorter, without
    // taking any of it.
    std::string_view Head(size_t bytes);
    // Appends all that is left to *text.
    void ReadAll(std::string* text);
    // True when reading the file failed; what was read before is then not the whole source.
    bool Failed() const { return failed_; }

  private:
    std::string_view Data() const;
    bool Fill(); // reads another block behind what is kept; false at the end of the file

    int fd_ = -1;
    size_t blockSize_ = kBlockSize;
    std::string_view text_; // the source in memory
    std::string buffer_;    // read from the file; what lies before start_ is used up
    size_t start_ = 0;
    bool end_ = false;  // nothing more to read
    bool done_ = false; // the last line was given
    bool failed_ = false;
};

} // namespace tavrin::bookc

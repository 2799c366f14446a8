// The body of a page in a book source, turned into page bytes.
//
// Each source line is text; the lines are joined by line breaks (0xFF 0x0A) and a line that ends in a
// lone "\" joins the next without one. In the text:
//   \\  \{  \}        a backslash or a brace
//   \xHH              a raw byte
//   {br}              a line break within a line
//   {ctl C b b ...}   a control sequence 0xFF C with operand bytes: numbers 0-255, "strings" (in the
//                     book's code page) and u16:N (two bytes, little-endian); the operands must fill
//                     the sequence's extent exactly
//   {object image="pic.png" text="Caption"}   an embedded picture with its caption
//   {object text="Caption"}                   a caption without a picture
//   {}                nothing (to write a line that would otherwise read "endpage")
// The page ends with one zero byte after its text.
#pragma once

#include "source_common.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrin::bookc {

// Compiles a page line by line as the source is read, so that a page's source lines are never kept.
class PageCompiler {
  public:
    explicit PageCompiler(SourceState& state) : state_(state) {}

    // Starts a page whose "page" statement stands on `pageLine`.
    void Begin(int pageLine);
    // Adds the next line of the body. Throws SourceError at the line (and column) of a problem.
    void AddLine(int line, std::string_view text);
    // Checks the page against the markup rules and ends it with its zero byte. Throws SourceError at
    // the line of a problem. The bytes stay valid until the next Begin.
    const std::string& Finish();

  private:
    SourceState& state_;
    int pageLine_ = 0;
    std::string page_;
    std::vector<std::pair<size_t, int>> lineStarts_; // page offset where each source line begins
    bool joinNext_ = false;                          // the line before ended in a lone "\"
    std::string run_;                                // UTF-8 text waiting to be encoded
};

} // namespace tavrin::bookc

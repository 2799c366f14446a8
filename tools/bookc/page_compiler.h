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
#include <vector>

namespace tavrin::bookc {

struct BodyLine {
    int line = 0;
    std::string text; // UTF-8 source
};

// Throws SourceError at the line (and column) of the problem.
std::string CompilePage(SourceState& state, const std::vector<BodyLine>& body, int pageLine);

} // namespace tavrin::bookc

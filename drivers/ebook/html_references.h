// HTML's character references ("&eacute;", "&#233;", "&#xE9;") in the pages the driver hands the shelf,
// decoded to the characters they stand for, so that a page shows and is searched as its reader sees it.
// The rules are HTML's: the longest named reference of the full HTML5 table that the text begins with
// (the legacy names, such as "&eacute", count without ";" too), decimal and hexadecimal references with
// or without ";", 0, surrogates and numbers past U+10FFFF as U+FFFD, and 0x80-0x9F read as Windows-1252.
// What is not a reference ("& ", "&unknown;", "&#;") stays as written. The page stays well-formed and
// means what it meant:
//   - decoded characters never join what stands before them into a reference or a tag: where they
//     would, a plain "&" is written "&amp;" ("&&#x6C;t;" is the text "&lt;"), a plain "<" "&lt;"
//     ("<&#89;" is the text "<Y"), and a reference kept without its ";" gets it ("&#1&#51;" is not
//     "&#13"); so decoding a decoded page again changes nothing;
//   - references to the markup characters < > & " ' (or to texts that hold one, "&nvlt;") stay as
//     written, and so do references to a character an XML page may not hold (controls other than tab
//     and line ends, U+FFFE, U+FFFF);
//   - only text is decoded: tags (with their attribute values), comments, CDATA sections, processing
//     instructions and declarations are left as they are;
//   - the content of <script> and <style> is code, not text, and is left as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrin::ebook {

struct NamedReference {
    const char* name; // without "&"; with ";" unless it is a legacy name that may stand without it
    const char* text; // UTF-8
};
// HTML's table (html_entities.cpp, made by make_html_entities.py), sorted by name.
extern const NamedReference kNamedReferences[];
extern const size_t kNamedReferenceCount;

// The UTF-8 page `page` with the character references of its text decoded.
std::string DecodeCharacterReferences(std::string_view page);

} // namespace tavrin::ebook

// Settings pages of the system catalog book ("Tavrin.Sys"): each catalog entry's page carries the
// catalog's settings as a small sectioned text.
//
//   bytes 0-55   a prefix the shelf does not read: "TVSC", u16 version 1, u16 0, u32 length of the
//                text (from byte 56 up to and including 0xFF 0x06), zeros
//   byte 56 on   "[CONFIG]" 0xFF 0x0A "KEY=value" 0xFF 0x0A ... "[BOOKS]" 0xFF 0x0A ... 0xFF 0x06
//   last byte    0x00
#pragma once

#include "bookfmt/bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::book::settings {

inline constexpr size_t kTextStart = 56;
inline constexpr char kPrefixMagic[4] = {'T', 'V', 'S', 'C'};

struct Line {
    std::string key;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<Line> lines;
};

using Text = std::vector<Section>;

// What a settings text may not hold: section names and keys without "[", "]", "=", and no byte of a
// line end (0xFF, carriage return, line feed) or zero anywhere. Empty when the text can be written.
std::string Check(const Text& text);

// The page for a settings text (Check it first).
Bytes FormatPage(const Text& text);

// Reads a page back: the text from the first "[" at or after byte 56 up to 0xFF 0x06 (or the end of
// the page), lines ended by 0xFF 0x0A. A line whose first "[" comes before any "=" and is closed by a
// "]" opens the section named between them; other lines are "key=value" (lines without "=", and lines
// before the first section, are left out). What FormatPage writes of a text that passes Check reads
// back the same.
Text ParsePage(ByteView page);

// The value of a key in a section of a parsed text, names compared without regard to case and whole.
std::optional<std::string> Find(const Text& text, std::string_view section, std::string_view key);

// The value the shelf control reads for (section, key) from this page. The control's own rules, which
// differ from Find: section and key match by prefix, without regard to case; the search for the key
// goes on past later section headers; the value runs from the first "=" to the end of the line. The
// builder uses this to prove that the control reads back what the source said.
std::optional<std::string> ShelfLookup(ByteView page, std::string_view section, std::string_view key);

} // namespace tavrin::book::settings

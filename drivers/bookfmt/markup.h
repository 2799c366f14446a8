// The page markup: 8-bit text with two-byte characters, and control sequences that start with 0xFF.
// The extents of the sequences are the one table of tavrin/page_markup.h, by which every reader of
// pages (above all the shelf's full-text search) skips them; the builder checks every page it makes
// against them.
#pragma once

#include "bookfmt/bytes.h"
#include "tavrin/page_markup.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tavrin::book::markup {

inline constexpr uint8_t kEscape = TVR_MARK;
inline constexpr uint8_t kLineBreak = TVR_LINE_BREAK;     // 0xFF 0x0A
inline constexpr uint8_t kSettingsEnd = TVR_SETTINGS_END; // 0xFF 0x06 ends a settings text
inline constexpr uint8_t kObject = TVR_OBJECT;            // 0xFF 0x19 kind attributes... 0xFF 0x1A
inline constexpr uint8_t kObjectEnd = TVR_OBJECT_END;

// Object kinds (the byte after 0xFF 0x19).
inline constexpr uint8_t kObjectPicture = TVR_OBJECT_PICTURE;
inline constexpr uint8_t kObjectCaption = TVR_OBJECT_CAPTION; // a caption without a picture

// The length of the control sequence that starts at `pos` (page[pos] is 0xFF), operands included, as
// the shelf skips it (TvrSequenceExtent); nullopt when it runs past the end of the page. For an embedded
// object (code 0x19) the length covers the whole object up to and including its closing 0xFF 0x1A.
std::optional<size_t> SequenceLength(ByteView page, size_t pos);

struct Problem {
    size_t offset = 0;
    std::string message;
};

// Checks a page: every sequence complete and inside the page, every two-byte character whole (a lead
// byte may not stand last or right before 0xFF, where the shelf would swallow the 0xFF), and every
// embedded object in the form the builder writes: "image=NAME text=CAPTION" or "text=CAPTION", closed
// by 0xFF 0x1A. Code 0x23 must carry its length (bit 0x20), so that every reader skips it alike.
std::optional<Problem> CheckPage(ByteView page);

} // namespace tavrin::book::markup

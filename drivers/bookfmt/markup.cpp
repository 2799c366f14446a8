#include "bookfmt/markup.h"

#include "bookfmt/text.h"

#include <cstdio>
#include <string_view>

namespace tavrin::book::markup {
namespace {

std::string Hex2(uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

// The object's attribute text: "image=NAME text=CAPTION" or "text=CAPTION".
std::optional<std::string> CheckObject(uint8_t kind, std::string_view attributes) {
    constexpr std::string_view kImage = "image=", kText = "text=";
    std::string_view rest = attributes;
    bool hasImage = false;
    if (rest.substr(0, kImage.size()) == kImage) {
        rest.remove_prefix(kImage.size());
        size_t space = rest.find(' ');
        if (space == std::string_view::npos)
            return "an object's picture name must be followed by a blank and text=";
        std::string_view name = rest.substr(0, space);
        if (name.empty()) return "an object's picture name is empty";
        if (name.find_first_of(std::string_view("=\0", 2)) != std::string_view::npos)
            return "an object's picture name may not hold \"=\" or a zero byte";
        rest.remove_prefix(space + 1);
        hasImage = true;
    }
    if (rest.substr(0, kText.size()) != kText) return "an object must end its attributes with text=CAPTION";
    rest.remove_prefix(kText.size());
    if (rest.find('\0') != std::string_view::npos) return "an object's caption may not hold a zero byte";
    if (!EndsOnCharacter(rest)) return "an object's caption ends in half a character";
    if (kind == kObjectPicture && !hasImage) return "a picture object needs image=NAME";
    if (kind == kObjectCaption && hasImage) return "a caption object has no picture";
    if (kind != kObjectPicture && kind != kObjectCaption) return "unknown object kind " + Hex2(kind);
    return std::nullopt;
}

} // namespace

std::optional<size_t> SequenceLength(ByteView page, size_t pos) {
    size_t extent = TvrSequenceExtent(page.data(), page.size(), pos);
    return extent ? std::optional<size_t>(extent) : std::nullopt;
}

std::optional<Problem> CheckPage(ByteView page) {
    size_t pos = 0;
    while (pos < page.size()) {
        const uint8_t b = page[pos];
        if (b != kEscape) {
            if (IsLeadByte(b)) {
                if (pos + 1 >= page.size())
                    return Problem{pos,
                                   "the page ends in the middle of a two-byte character (" + Hex2(b) + ")"};
                if (page[pos + 1] == kEscape)
                    return Problem{pos, "the byte " + Hex2(b) +
                                            " starts a two-byte character and would swallow the "
                                            "0xFF of the control sequence after it"};
                pos += 2;
            } else {
                pos += 1;
            }
            continue;
        }
        if (pos + 1 >= page.size()) return Problem{pos, "the page ends with a lone 0xFF"};
        const uint8_t code = page[pos + 1];
        auto length = SequenceLength(page, pos);
        if (!length) {
            if (code == kObject) return Problem{pos, "an embedded object is not closed by 0xFF 0x1A"};
            return Problem{pos, "the control sequence 0xFF " + Hex2(code) + " runs past the end of the page"};
        }
        if (code == 0x23 && !(page[pos + 2] & 0x20))
            return Problem{
                pos, "the control sequence 0xFF 0x23 must carry its length (bit 0x20 of its first operand)"};
        if (code == kObject) {
            std::string_view attributes(reinterpret_cast<const char*>(page.data()) + pos + 3, *length - 5);
            if (auto problem = CheckObject(page[pos + 2], attributes)) return Problem{pos, *problem};
        }
        pos += *length;
    }
    return std::nullopt;
}

} // namespace tavrin::book::markup

#include "bookfmt/markup.h"

#include "bookfmt/text.h"

#include <cstdio>
#include <string_view>

namespace tavrin::book::markup {
namespace {

// Fixed lengths of the sequences that have one (0 = computed, or the 2-byte default).
size_t FixedLength(uint8_t code) {
    switch (code) {
    case 0x03:
        return 22;
    case 0x05:
        return 54;
    case 0x0D:
    case 0xFD:
        return 10;
    case 0xF7:
        return 6;
    case 0xFB:
        return 7;
    default:
        return 0;
    }
}

// The position just past the first ']' at or after `from`, or nullopt.
std::optional<size_t> PastBracket(ByteView page, size_t from) {
    for (size_t i = from; i < page.size(); ++i)
        if (page[i] == ']') return i + 1;
    return std::nullopt;
}

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
    const size_t size = page.size();
    if (pos >= size || size - pos < 2) return std::nullopt;
    const uint8_t code = page[pos + 1];
    auto fits = [&](size_t length) -> std::optional<size_t> {
        return length <= size - pos ? std::optional<size_t>(length) : std::nullopt;
    };
    if (size_t fixed = FixedLength(code)) return fits(fixed);
    switch (code) {
    case 0x13: {
        if (!fits(11)) return std::nullopt;
        if (!(page[pos + 2] & 0x20)) return 11;
        auto end = PastBracket(page, pos + 11);
        return end ? std::optional<size_t>(*end - pos) : std::nullopt;
    }
    case 0x21: {
        if (!fits(19)) return std::nullopt;
        if (page[pos + 2] & 0x10) return 19;
        auto end = PastBracket(page, pos + 19);
        return end ? std::optional<size_t>(*end - pos) : std::nullopt;
    }
    case 0x23: {
        if (!fits(11)) return std::nullopt;
        const uint8_t f = page[pos + 2];
        size_t length = 11;
        if (!(f & 0x10)) {
            auto end = PastBracket(page, pos + length);
            if (!end) return std::nullopt;
            length = *end - pos;
        }
        if (f & 0x40) {
            length += 8;
            if (!fits(length)) return std::nullopt;
        }
        if (f & 0x20) {
            if (!fits(length + 2)) return std::nullopt;
            size_t n = page[pos + length] | (page[pos + length + 1] << 8);
            length += 2 + n;
            if (!fits(length)) return std::nullopt;
        }
        return length;
    }
    case 0xF9: {
        if (!fits(8)) return std::nullopt;
        return fits((page[pos + 3] & 0x40) ? 16 : 8);
    }
    case kObject: {
        if (!fits(3)) return std::nullopt;
        for (size_t i = pos + 3; i < size; ++i)
            if (page[i] == kEscape) {
                if (i + 1 < size && page[i + 1] == kObjectEnd) return i + 2 - pos;
                return std::nullopt;
            }
        return std::nullopt;
    }
    default:
        return 2;
    }
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

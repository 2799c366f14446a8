// Finding a key in a catalog's settings text. The text is never copied or rewritten: line ends
// (0xFF 0x0A or a carriage return) are recognised where they stand, so one pass over the bytes
// does the whole search.
#include "catalog/settings_text.h"

namespace tavrin {

namespace {

constexpr char kMarkByte = static_cast<char>(0xFF);
constexpr char kLineMark = 0x0A; // 0xFF 0x0A: end of a line
constexpr char kEndMark = 0x06;  // 0xFF 0x06: end of the text

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` begins with `prefix`, letters compared without regard to case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    return true;
}

// Where the line starting at `pos` ends: at a carriage return, at a 0xFF 0x0A pair, or at the end of
// the text. Either line end takes two bytes: the next line starts two bytes after it.
size_t LineEnd(std::string_view text, size_t pos) {
    for (size_t i = pos; i < text.size(); ++i) {
        if (text[i] == '\r') return i;
        if (text[i] == kMarkByte && i + 1 < text.size() && text[i + 1] == kLineMark) return i;
    }
    return text.size();
}

// A header line holds "[" and "]", and the text right after its first "[" begins with the name.
bool OpensSection(std::string_view line, std::string_view section) {
    size_t open = line.find('[');
    if (open == std::string_view::npos || line.find(']') == std::string_view::npos) return false;
    return StartsWithNoCase(line.substr(open + 1), section);
}

} // namespace

std::optional<std::string_view> SettingsText(std::span<const unsigned char> page) {
    if (page.size() <= kSettingsHeadSize) return std::nullopt;
    std::string_view bytes(reinterpret_cast<const char*>(page.data()), page.size());
    size_t start = bytes.find('[', kSettingsHeadSize);
    if (start == std::string_view::npos) return std::nullopt;
    size_t end = start;
    while (end < bytes.size() &&
           !(bytes[end] == kMarkByte && end + 1 < bytes.size() && bytes[end + 1] == kEndMark))
        ++end;
    return bytes.substr(start, end - start);
}

std::optional<std::string_view> FindSettingInText(std::string_view text, std::string_view section,
                                                  std::string_view key) {
    bool inSection = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = LineEnd(text, pos);
        std::string_view line = text.substr(pos, end - pos);
        if (!inSection) {
            inSection = OpensSection(line, section);
        } else if (StartsWithNoCase(line, key)) {
            size_t equals = line.find('=');
            if (equals != std::string_view::npos) return line.substr(equals + 1);
        }
        if (end >= text.size()) break;
        pos = end + 2;
    }
    return std::nullopt;
}

std::optional<std::string_view> FindSetting(std::span<const unsigned char> page, std::string_view section,
                                            std::string_view key) {
    std::optional<std::string_view> text = SettingsText(page);
    if (!text) return std::nullopt;
    return FindSettingInText(*text, section, key);
}

} // namespace tavrin

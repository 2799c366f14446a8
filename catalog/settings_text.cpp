// Finding a key in a catalog's settings text. The text is never copied or rewritten: line ends
// (0xFF 0x0A or a carriage return) are recognised where they stand, so one pass over the bytes
// does the whole search.
#include "catalog/settings_text.h"

#include <cstring>

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

// Finds line ends in a settings text. Both kinds of line end are looked for with memchr, and the
// position found for each is kept until the walk passes it, so the whole walk reads every byte a
// fixed number of times however the lines are laid out.
class LineEnds {
  public:
    explicit LineEnds(std::string_view text) : text_(text) {}

    // Where the line starting at `pos` ends: at a carriage return, at a 0xFF 0x0A pair, or at the end
    // of the text. Either line end takes two bytes: the next line starts two bytes after it.
    size_t From(size_t pos) {
        if (!crValid_ || nextCr_ < pos) {
            nextCr_ = Find('\r', pos);
            crValid_ = true;
        }
        if (!markValid_ || nextMark_ < pos) {
            nextMark_ = FindMark(pos);
            markValid_ = true;
        }
        return nextCr_ < nextMark_ ? nextCr_ : nextMark_;
    }

  private:
    size_t Find(char c, size_t from) const {
        if (from >= text_.size()) return text_.size();
        const void* hit = std::memchr(text_.data() + from, c, text_.size() - from);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) : text_.size();
    }
    // The first 0xFF 0x0A pair at or after `from`.
    size_t FindMark(size_t from) const {
        for (size_t i = Find(kMarkByte, from); i < text_.size(); i = Find(kMarkByte, i + 1))
            if (i + 1 < text_.size() && text_[i + 1] == kLineMark) return i;
        return text_.size();
    }

    std::string_view text_;
    size_t nextCr_ = 0, nextMark_ = 0;
    bool crValid_ = false, markValid_ = false;
};

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
    // The text ends at the first 0xFF 0x06 pair, or with the page.
    size_t end = bytes.find(kMarkByte, start);
    while (end != std::string_view::npos && !(end + 1 < bytes.size() && bytes[end + 1] == kEndMark))
        end = bytes.find(kMarkByte, end + 1);
    if (end == std::string_view::npos) end = bytes.size();
    return bytes.substr(start, end - start);
}

std::optional<std::string_view> FindSettingInText(std::string_view text, std::string_view section,
                                                  std::string_view key) {
    bool inSection = false;
    LineEnds lineEnds(text);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = lineEnds.From(pos);
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

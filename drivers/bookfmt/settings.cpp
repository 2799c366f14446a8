#include "bookfmt/settings.h"

#include "bookfmt/markup.h"
#include "bookfmt/text.h"

namespace tavrin::book::settings {
namespace {

// The settings text of a page: from the first "[" at or after byte 56 up to 0xFF 0x06 or the end.
std::string_view TextOf(ByteView page) {
    if (page.size() <= kTextStart) return {};
    std::string_view all = AsText(page);
    size_t start = all.find('[', kTextStart);
    if (start == std::string_view::npos) return {};
    std::string_view text = all.substr(start);
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (static_cast<uint8_t>(text[i]) == markup::kEscape && text[i + 1] == markup::kSettingsEnd)
            return text.substr(0, i);
    return text;
}

// The lines of a settings text, split at 0xFF 0x0A.
std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (static_cast<uint8_t>(text[i]) == markup::kEscape && text[i + 1] == markup::kLineBreak) {
            lines.push_back(text.substr(start, i - start));
            start = i + 2;
            ++i;
        }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool HasLineByte(std::string_view s) {
    for (char c : s)
        if (static_cast<uint8_t>(c) == markup::kEscape || c == '\r' || c == '\n' || c == '\0') return true;
    return false;
}

} // namespace

std::string Check(const Text& text) {
    for (const Section& section : text) {
        if (section.name.empty() || section.name.find_first_of("[]=") != std::string::npos ||
            HasLineByte(section.name))
            return "the section name \"" + section.name + "\" may not be empty or hold [, ], = or a line end";
        for (const Line& line : section.lines) {
            if (line.key.empty() || line.key.find_first_of("[]=") != std::string::npos ||
                HasLineByte(line.key))
                return "the key \"" + line.key + "\" may not be empty or hold [, ], = or a line end";
            if (HasLineByte(line.value))
                return "the value of " + line.key + " may not hold a line end (0xFF, CR, LF) or a zero byte";
        }
    }
    return {};
}

Bytes FormatPage(const Text& text) {
    Bytes body;
    auto line = [&body](std::string_view s) {
        PutBytes(body, s);
        PutU8(body, markup::kEscape);
        PutU8(body, markup::kLineBreak);
    };
    for (const Section& section : text) {
        line("[" + section.name + "]");
        for (const Line& l : section.lines)
            line(l.key + "=" + l.value);
    }
    PutU8(body, markup::kEscape);
    PutU8(body, markup::kSettingsEnd);

    Bytes page;
    PutBytes(page, std::string_view(kPrefixMagic, 4));
    PutU16(page, 1);
    PutU16(page, 0);
    PutU32(page, static_cast<uint32_t>(body.size()));
    page.resize(kTextStart, 0);
    page.insert(page.end(), body.begin(), body.end());
    PutU8(page, 0);
    return page;
}

Text ParsePage(ByteView page) {
    Text text;
    for (std::string_view line : LinesOf(TextOf(page))) {
        // A header is a line whose first "[" comes before any "=" and is closed by a "]"; a value may
        // hold brackets (an address such as http://[::1]/ does).
        size_t open = line.find('[');
        size_t equals = line.find('=');
        size_t close = (open == std::string_view::npos || equals < open) ? std::string_view::npos
                                                                         : line.find(']', open + 1);
        if (close != std::string_view::npos) {
            text.push_back({std::string(line.substr(open + 1, close - open - 1)), {}});
            continue;
        }
        if (equals == std::string_view::npos || text.empty()) continue;
        text.back().lines.push_back(
            {std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))});
    }
    return text;
}

std::optional<std::string> Find(const Text& text, std::string_view section, std::string_view key) {
    for (const Section& s : text)
        if (EqualsNoCase(s.name, section))
            for (const Line& line : s.lines)
                if (EqualsNoCase(line.key, key)) return line.value;
    return std::nullopt;
}

std::optional<std::string> ShelfLookup(ByteView page, std::string_view section, std::string_view key) {
    // The control turns each 0xFF 0x0A into a carriage return and a line feed and then ends a line at
    // every carriage return, so a lone carriage return in the text ends a line too.
    std::string text;
    std::string_view raw = TextOf(page);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (static_cast<uint8_t>(raw[i]) == markup::kEscape && i + 1 < raw.size() &&
            raw[i + 1] == markup::kLineBreak) {
            text += "\r\n";
            ++i;
        } else {
            text += raw[i];
        }
    }
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\r', start);
        std::string_view line =
            std::string_view(text).substr(start, end == std::string::npos ? end : end - start);
        if (!inSection) {
            size_t open = line.find('[');
            if (open != std::string_view::npos && line.find(']') != std::string_view::npos &&
                StartsWithNoCase(line.substr(open + 1), section))
                inSection = true;
        } else if (StartsWithNoCase(line, key)) {
            size_t equals = line.find('=');
            if (equals != std::string_view::npos) return std::string(line.substr(equals + 1));
        }
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return std::nullopt;
}

} // namespace tavrin::book::settings

// Reading the dictionary library's configuration text.
#include "dictionary_config.h"

namespace tavrin::dict {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits off the first word of `text` (up to a blank) and leaves the rest, trimmed, in `text`.
std::string_view NextWord(std::string_view& text) {
    text = Trim(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    std::string_view word = text.substr(0, end);
    text = Trim(text.substr(end));
    return word;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

} // namespace

std::optional<uint32_t> ParseId(std::string_view text) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

Config ParseConfig(std::string_view text) {
    Config config;
    size_t lineNumber = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        line = Trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;

        auto problem = [&](const std::string& what) {
            config.problems.push_back("line " + std::to_string(lineNumber) + ": " + what);
        };
        std::string_view rest = line;
        std::string_view keyword = NextWord(rest);
        std::string_view number = NextWord(rest);
        std::optional<uint32_t> value = ParseId(number);
        if (EqualsNoCase(keyword, "dict")) {
            if (!value) {
                problem("a dictionary id is a number (decimal or 0x...)");
                continue;
            }
            config.dictionaries.push_back({*value, std::string(rest)});
        } else if (EqualsNoCase(keyword, "class")) {
            if (!value || *value > 0xFF || !rest.empty()) {
                problem("a class is one number from 0 to 255");
                continue;
            }
            config.classes.push_back(*value);
        } else {
            problem("unknown keyword '" + std::string(keyword) + "' (dict or class)");
        }
    }
    return config;
}

std::optional<ServedDictionary> Config::Find(uint32_t id) const {
    for (const ServedDictionary& d : dictionaries)
        if (d.id == id) return d;
    for (uint32_t c : classes)
        if ((id >> 16) == c) return ServedDictionary{id, std::string()};
    return std::nullopt;
}

} // namespace tavrin::dict

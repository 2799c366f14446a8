#include "dict/index_file.h"

#include "dict/base64_number.h"

#include <cstring>
#include <optional>

namespace tavrin::dict {

namespace {

struct Line {
    std::string_view word, offset, length;
};

// Splits a line at its first two tabs; the third column ends at the next tab (further columns).
std::optional<Line> SplitLine(std::string_view line) {
    const size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) return std::nullopt;
    const size_t tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos) return std::nullopt;
    size_t end = line.find('\t', tab2 + 1);
    if (end == std::string_view::npos) end = line.size();
    return Line{line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1),
                line.substr(tab2 + 1, end - tab2 - 1)};
}

} // namespace

IndexFile ParseIndex(std::string text, uint64_t dataSize) {
    IndexFile index;
    index.text = std::move(text);
    const std::string_view all(index.text);
    size_t pos = 0, lineNumber = 0;
    auto leaveOut = [&](const char* why) {
        ++index.leftOut;
        if (index.notes.size() < kNotesKept)
            index.notes.push_back("line " + std::to_string(lineNumber) + ": " + why);
    };
    if (all.size() > UINT32_MAX) {
        index.leftOut = 1;
        index.notes.push_back("the index is larger than 4 GB");
        return index;
    }
    index.entries.reserve(all.size() / 20);
    while (pos < all.size()) {
        const char* nl = static_cast<const char*>(std::memchr(all.data() + pos, '\n', all.size() - pos));
        const size_t end = nl ? static_cast<size_t>(nl - all.data()) : all.size();
        std::string_view line = all.substr(pos, end - pos);
        const size_t start = pos;
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const std::optional<Line> parts = SplitLine(line);
        if (!parts) {
            leaveOut("not \"headword, offset, length\" separated by tabs");
            continue;
        }
        if (parts->word.empty()) {
            leaveOut("the headword is empty");
            continue;
        }
        const std::optional<uint64_t> offset = DecodeBase64Number(parts->offset);
        const std::optional<uint64_t> length = DecodeBase64Number(parts->length);
        if (!offset || !length) {
            leaveOut("the offset or length is not a base-64 number that fits 64 bits");
            continue;
        }
        if (*offset > dataSize || *length > dataSize - *offset) {
            leaveOut("the definition lies past the end of the definitions");
            continue;
        }
        if (*length > kLongestDefinition) {
            leaveOut("the definition is longer than 16 MB");
            continue;
        }
        IndexEntry e;
        e.wordStart = static_cast<uint32_t>(start);
        e.wordLength = static_cast<uint32_t>(parts->word.size());
        e.offset = *offset;
        e.length = static_cast<uint32_t>(*length);
        index.entries.push_back(e);
    }
    return index;
}

bool LooksLikeIndex(std::string_view head) {
    size_t lines = 0;
    while (!head.empty() && lines < 4) {
        const size_t nl = head.find('\n');
        if (nl == std::string_view::npos) break; // a last line cut by the head's end is not judged
        std::string_view line = head.substr(0, nl);
        head.remove_prefix(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::optional<Line> parts = SplitLine(line);
        if (!parts || parts->word.empty() || !DecodeBase64Number(parts->offset) ||
            !DecodeBase64Number(parts->length))
            return false;
        ++lines;
    }
    return lines > 0;
}

} // namespace tavrin::dict

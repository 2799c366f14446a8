// The index of a dictionary: one line per definition, "headword TAB offset TAB length" (further
// columns are allowed and not read), the numbers in base 64 (base64_number.h) giving where the
// definition lies in the definitions text. A line that cannot be read, or whose definition lies past
// the end of the definitions text, is left out, and the first few such lines are noted with the
// reason; the rest of the index is still read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::dict {

struct IndexEntry {
    uint32_t wordStart = 0; // the headword: text[wordStart, wordStart + wordLength)
    uint32_t wordLength = 0;
    uint64_t offset = 0; // the definition in the definitions text
    uint32_t length = 0;
};

struct IndexFile {
    std::string text;                // the index as read
    std::vector<IndexEntry> entries; // the lines read, in file order
    size_t leftOut = 0;              // lines left out
    std::vector<std::string> notes;  // the first lines left out: "line 12: ..."

    std::string_view Word(const IndexEntry& e) const { return {text.data() + e.wordStart, e.wordLength}; }
};

// The longest definition read (a page holds all definitions of one headword).
inline constexpr uint32_t kLongestDefinition = 16u * 1024 * 1024;
inline constexpr size_t kNotesKept = 8;

// Reads `text`, an index whose definitions text is `dataSize` bytes long.
IndexFile ParseIndex(std::string text, uint64_t dataSize);

// True when the first lines of `head` (the start of a file) read as index lines: the test by which a
// file is told to be an index.
bool LooksLikeIndex(std::string_view head);

} // namespace tavrin::dict

// The store's index file: one header line, then one line per book with tab-separated fields
//     tavrin-ebook-store 2 next=<id>
//     <id> <hash> <size> <class key> <class name> <unique id> <title>
// In version 2 the four texts are escaped so that every value the store can hold (tabs, line ends,
// control bytes, bytes that are not UTF-8) comes back exactly: "\\" "\t" "\n" "\r" and "\xHH" for
// other control bytes and for bytes outside well-formed UTF-8. Version 1, which earlier drivers wrote,
// kept its texts unescaped on one line; it is still read, exactly as those drivers read it, and the
// next change of the store writes version 2.
//
// An index is whole only when every line parses: a bad header, a line that does not parse, an id given
// twice or a last line without its line end make it damaged, and the store then rebuilds it from the
// book files (store.h). The lines that did parse are still handed back, to help the rebuild.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::ebook {

// The most bytes of a package identifier or title the store keeps.
inline constexpr size_t kStoredTextMax = 1024;
inline constexpr int kIndexVersion = 2;

struct StoredBook {
    uint16_t id = 0;       // 1..65535
    uint64_t hash = 0;     // 64-bit FNV-1a of the book file
    uint64_t size = 0;     // of the book file
    std::string classKey;  // at most kClassKeyMax bytes
    std::string className; // at most kClassNameMax bytes
    std::string uniqueId;  // at most kStoredTextMax bytes
    std::string title;     // at most kStoredTextMax bytes
    bool operator==(const StoredBook&) const = default;
};

struct StoreIndex {
    uint16_t nextId = 1;           // where the search for a free id starts
    std::vector<StoredBook> books; // ascending ids, each id once
    bool operator==(const StoreIndex&) const = default;
};

struct ParsedIndex {
    StoreIndex index;   // whole: everything; damaged: the lines that parsed
    int version = 0;    // of the header; 0 when there is none
    std::string damage; // empty when the index is whole, else what is wrong with it (first fault)
    bool Whole() const { return damage.empty(); }
};

ParsedIndex ParseIndex(std::string_view text);
// The index in the current version.
std::string FormatIndex(const StoreIndex& index);

} // namespace tavrin::ebook

// The store's index file: one header line, then one line per book with tab-separated fields
//     tavrin-ebook-store 1 next=<id>
//     <id> <hash> <size> <class key> <class name> <unique id> <title>
// Texts are kept on one line (blanks collapsed) so a line never splits; a line that does not parse is
// left out when the index is read, the rest still counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::ebook {

struct StoredBook {
    uint16_t id = 0;   // 1..65535
    uint64_t hash = 0; // 64-bit FNV-1a of the book file
    uint64_t size = 0; // of the book file
    std::string classKey;
    std::string className;
    std::string uniqueId;
    std::string title;
};

struct StoreIndex {
    uint16_t nextId = 1;           // where the search for a free id starts
    std::vector<StoredBook> books; // ascending ids, each id once
};

StoreIndex ParseIndex(const std::string& text);
std::string FormatIndex(const StoreIndex& index);

} // namespace tavrin::ebook

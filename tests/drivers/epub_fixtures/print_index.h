// How test failures show the store index's entries: their fields, texts in C escapes.
#pragma once

#include "ebook/store_index.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace tavrin::ebook {

inline std::string Escaped(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '"' && c != '\\') {
            out.push_back(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out + "\"";
}

inline void PrintTo(const StoredBook& b, std::ostream* os) {
    *os << "{" << b.id << " " << std::hex << b.hash << std::dec << " " << b.size << " " << Escaped(b.classKey)
        << " " << Escaped(b.className) << " " << Escaped(b.uniqueId) << " " << Escaped(b.title) << "}";
}

inline void PrintTo(const StoreIndex& index, std::ostream* os) {
    *os << "next=" << index.nextId << " [";
    for (const StoredBook& b : index.books) {
        PrintTo(b, os);
        *os << " ";
    }
    *os << "]";
}

} // namespace tavrin::ebook

// What the driver accepts from a book file: anything beyond these limits is refused as damaged or
// hostile, so that a small file cannot make the driver inflate or hold unbounded amounts of data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrin::ebook {

inline constexpr uint64_t kMaxBookFileSize = 256ull << 20; // the EPUB file itself
inline constexpr size_t kMaxEntries = 10000;               // entries in the container
inline constexpr uint64_t kMaxEntrySize = 64ull << 20;     // one inflated entry
inline constexpr uint64_t kMaxTotalSize = 512ull << 20;    // all inflated entries together
inline constexpr uint64_t kMaxMarkupSize = 16ull << 20;    // container.xml, package, NCX, navigation
inline constexpr size_t kMaxSpineItems = 20000;            // pages of one book
inline constexpr size_t kMaxContentsEntries = 50000;       // contents entries of one book
inline constexpr int kMaxContentsDepth = 64;               // nesting of contents entries

} // namespace tavrin::ebook

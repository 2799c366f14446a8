// The definitions text of a dictionary: a plain ".dict" file read where it lies, or a ".dict.dz"
// read through its dictzip chunk table (dictzip.h). A gzip file without a chunk table is inflated whole
// when it is small (kLargestUnchunked); a larger one is refused, with the advice to compress it with
// dictzip.
#pragma once

#include "dict/dictzip.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tavrin::dict {

inline constexpr uint64_t kLargestUnchunked = 64u * 1024 * 1024; // uncompressed

class Definitions {
  public:
    virtual ~Definitions() = default;
    virtual uint64_t Size() const = 0;
    // Appends `length` bytes from `offset` to `out`; false with the reason in *error.
    virtual bool Read(uint64_t offset, uint32_t length, std::string& out, std::string* error) = 0;
    // Whether the whole text is being read now (a search) or single definitions (a reader); only
    // compressed definitions keep more of what they inflated while the whole text is read.
    virtual void ReadingAll(bool all) { (void)all; }
};

// Opens the definitions file at `path`; nothing, with the reason, when it cannot be read.
std::unique_ptr<Definitions> OpenDefinitions(const std::string& path, std::string* error);

} // namespace tavrin::dict

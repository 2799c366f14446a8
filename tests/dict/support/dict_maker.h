// Making dictionaries for the tests: index lines, definitions files plain or compressed as dictzip
// does it (chunks flushed whole, their sizes in the gzip header's "RA" field).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrin::dict::test {

// `value` in the index's base 64 ("A" for 0).
std::string Base64(uint64_t value);

// `text` as a dictzip file with chunks of `chunkLength` bytes; `extraBefore` is put into the extra field
// ahead of the chunk table (another subfield).
std::string MakeDictzip(std::string_view text, size_t chunkLength, std::string_view extraBefore = {});

// A gzip file of `text` without a chunk table.
std::string MakeGzip(std::string_view text);

struct Entry {
    std::string headword;
    std::string definition;
};

// Writes DIR/NAME.index and DIR/NAME.dict (or NAME.dict.dz with `chunkLength` > 0): the entries in the
// order given, each definition once. Returns the index's path.
std::filesystem::path WriteDictionary(const std::filesystem::path& dir, const std::string& name,
                                      const std::vector<Entry>& entries, size_t chunkLength = 0);

void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

} // namespace tavrin::dict::test

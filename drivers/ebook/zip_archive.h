// A read-only view of a zip container that refuses what a book must not be: more entries than
// kMaxEntries, entry names that leave the container, entries whose declared inflated size is beyond
// the limits. Reading an entry stops at its declared size and at a cap, so an entry that inflates to
// more than it declares is refused too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct zip;

namespace tavrin::ebook {

class ZipArchive {
  public:
    // Opens a container on disk. Null and *error on failure.
    static std::unique_ptr<ZipArchive> OpenFile(const std::string& path, std::string* error);
    // Opens a container held in memory; `bytes` must outlive the archive.
    static std::unique_ptr<ZipArchive> OpenMemory(std::span<const unsigned char> bytes, std::string* error);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    size_t EntryCount() const { return entries_.size(); }
    const std::string& NameAt(size_t index) const { return entries_[index].name; }
    uint64_t DeclaredSizeAt(size_t index) const { return entries_[index].size; }
    // The entry of that name: exact first, then without regard to ASCII letter case.
    std::optional<size_t> Find(std::string_view name) const;

    // The inflated bytes of an entry, at most `cap` bytes: an entry that is larger, or that inflates to
    // more or fewer bytes than it declares, or fails its checksum, gives nullopt and *error.
    std::optional<std::string> Read(size_t index, uint64_t cap, std::string* error) const;
    std::optional<std::string> ReadNamed(std::string_view name, uint64_t cap, std::string* error) const;

  private:
    struct Entry {
        std::string name;
        uint64_t size = 0;
    };
    explicit ZipArchive(zip* handle) : zip_(handle) {}
    bool Index(std::string* error);

    zip* zip_ = nullptr;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> byName_;
    std::unordered_map<std::string, size_t> byFoldedName_;
};

} // namespace tavrin::ebook

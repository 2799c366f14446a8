#include "ebook/zip_archive.h"

#include "ebook/epub_libraries.h"
#include "ebook/href.h"
#include "ebook/limits.h"
#include "ebook/text_util.h"

#include <zip.h>

namespace tavrin::ebook {

std::unique_ptr<ZipArchive> ZipArchive::OpenFile(const std::string& path, std::string* error) {
    if (!EpubLibrariesLoaded(error)) return nullptr;
    int code = 0;
    zip_t* handle = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!handle) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        *error = path + ": " + zip_error_strerror(&e);
        zip_error_fini(&e);
        return nullptr;
    }
    std::unique_ptr<ZipArchive> archive(new ZipArchive(handle));
    if (!archive->Index(error)) return nullptr;
    return archive;
}

std::unique_ptr<ZipArchive> ZipArchive::OpenMemory(std::span<const unsigned char> bytes, std::string* error) {
    if (!EpubLibrariesLoaded(error)) return nullptr;
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &e);
    zip_t* handle = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &e) : nullptr;
    if (!handle) {
        *error = std::string("it is not a zip container, as an EPUB book is: ") + zip_error_strerror(&e);
        if (source) zip_source_free(source);
        zip_error_fini(&e);
        return nullptr;
    }
    zip_error_fini(&e);
    std::unique_ptr<ZipArchive> archive(new ZipArchive(handle));
    if (!archive->Index(error)) return nullptr;
    return archive;
}

ZipArchive::~ZipArchive() {
    if (zip_) zip_discard(zip_);
}

bool ZipArchive::Index(std::string* error) {
    zip_int64_t count = zip_get_num_entries(zip_, 0);
    if (count < 0 || static_cast<uint64_t>(count) > kMaxEntries) {
        *error = "the zip container has more than " + std::to_string(kMaxEntries) +
                 " entries, too many for a book";
        return false;
    }
    if (count == 0) {
        // libzip opens an empty file as an empty container: either way there is no book in it.
        *error = "it holds nothing (an empty file or an empty zip container), where an EPUB book holds "
                 "its package and its pages";
        return false;
    }
    uint64_t total = 0;
    entries_.reserve(static_cast<size_t>(count));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            !(st.valid & ZIP_STAT_SIZE)) {
            *error = "an entry of the zip container cannot be read";
            return false;
        }
        std::string name = st.name;
        if (!IsSafeEntryName(name)) {
            *error =
                "the zip entry " + name + " leaves the container (its name climbs out of it or is absolute)";
            return false;
        }
        if (st.size > kMaxEntrySize) {
            *error = "the zip entry " + name + " is larger than " + std::to_string(kMaxEntrySize >> 20) +
                     " MB once inflated, the most one entry may hold";
            return false;
        }
        total += st.size;
        if (total > kMaxTotalSize) {
            *error = "the zip entries together are larger than " + std::to_string(kMaxTotalSize >> 20) +
                     " MB once inflated, the most a book may hold";
            return false;
        }
        byName_.emplace(name, entries_.size());
        byFoldedName_.emplace(FoldAscii(name), entries_.size());
        entries_.push_back(Entry{std::move(name), st.size});
    }
    return true;
}

std::optional<size_t> ZipArchive::Find(std::string_view name) const {
    if (auto it = byName_.find(std::string(name)); it != byName_.end()) return it->second;
    if (auto it = byFoldedName_.find(FoldAscii(name)); it != byFoldedName_.end()) return it->second;
    return std::nullopt;
}

std::optional<std::string> ZipArchive::Read(size_t index, uint64_t cap, std::string* error) const {
    if (index >= entries_.size()) {
        *error = "no such entry";
        return std::nullopt;
    }
    const Entry& entry = entries_[index];
    if (entry.size > cap) {
        *error = "the zip entry " + entry.name + " is larger than the " + std::to_string(cap >> 20) +
                 " MB it may hold";
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(zip_, index, 0);
    if (!file) {
        *error = "the zip entry " + entry.name + " cannot be opened" + ": " + zip_strerror(zip_);
        return std::nullopt;
    }
    std::string bytes;
    bytes.resize(static_cast<size_t>(entry.size) + 1); // one byte more shows an entry that lies
    uint64_t got = 0;
    bool failed = false;
    while (got < bytes.size()) {
        zip_int64_t n = zip_fread(file, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    if (failed) *error = "the zip entry " + entry.name + " is damaged" + ": " + zip_file_strerror(file);
    zip_fclose(file);
    if (failed) return std::nullopt;
    if (got != entry.size) {
        *error = "the zip entry " + entry.name + " does not inflate to the size it declares";
        return std::nullopt;
    }
    bytes.resize(static_cast<size_t>(got));
    return bytes;
}

std::optional<std::string> ZipArchive::ReadNamed(std::string_view name, uint64_t cap,
                                                 std::string* error) const {
    std::optional<size_t> index = Find(name);
    if (!index) {
        *error = "the book has no zip entry " + std::string(name);
        return std::nullopt;
    }
    return Read(*index, cap, error);
}

} // namespace tavrin::ebook

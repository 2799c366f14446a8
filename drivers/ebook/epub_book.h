// An EPUB book as the driver uses it: checked whole before it enters the store, and read lazily once
// it is there (package and contents when first asked for, pages one at a time).
#pragma once

#include "ebook/contents.h"
#include "ebook/package.h"
#include "ebook/zip_archive.h"

#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tavrin::ebook {

// What the store keeps of a book it takes in.
struct BookFacts {
    std::string title;
    std::string uniqueId;
    std::string subject;
    size_t pageCount = 0;
};

// Checks a book file held in memory the way a book must be before it enters the store: a zip
// container within the limits, a readable package with at least one page, and every entry inflating
// to its declared size with a good checksum. nullopt and *error when it is not such a book.
std::optional<BookFacts> InspectBook(std::span<const unsigned char> bytes, std::string* error);

// The structure of an open book: its container, package and contents.
struct BookStructure {
    std::unique_ptr<ZipArchive> archive;
    Package package;
    Contents contents;
};

// Reads the package and contents of a container. nullopt and *error when the package is unreadable.
std::optional<BookStructure> ReadStructure(std::unique_ptr<ZipArchive> archive, std::string* error);

// The bytes of one page (spine position), as stored in the container.
std::optional<std::string> ReadPageBytes(const BookStructure& book, size_t page, std::string* error);

} // namespace tavrin::ebook

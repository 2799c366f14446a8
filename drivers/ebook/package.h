// The package of an EPUB book: found through META-INF/container.xml, it names the book's metadata,
// its files (the manifest), the reading order of its pages (the spine) and its contents documents
// (the EPUB 3 navigation document and/or the EPUB 2 NCX).
#pragma once

#include "ebook/zip_archive.h"

#include <optional>
#include <string>
#include <vector>

namespace tavrin::ebook {

struct ManifestItem {
    std::string id;
    std::string path; // the entry name, resolved against the package's folder
    std::string mediaType;
    std::string properties;
};

struct Package {
    std::string packagePath; // the package document's entry
    std::string title;       // first dc:title, blanks collapsed; may be empty
    std::string uniqueId;    // the dc:identifier the package names as unique (else the first one)
    std::string subject;     // first non-empty dc:subject, blanks collapsed
    std::vector<ManifestItem> manifest;
    std::vector<std::string> spine; // entry names of the pages in reading order (existing entries only)
    std::string navPath;            // the navigation document's entry, or empty
    std::string ncxPath;            // the NCX entry, or empty
};

// Reads the package of the container. Refused (nullopt and *error) when no package document can be
// found or parsed, or when its spine names no page that the container holds.
std::optional<Package> ReadPackage(const ZipArchive& archive, std::string* error);

} // namespace tavrin::ebook

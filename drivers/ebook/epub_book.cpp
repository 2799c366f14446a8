#include "ebook/epub_book.h"

#include "ebook/limits.h"

namespace tavrin::ebook {

std::optional<BookFacts> InspectBook(std::span<const unsigned char> bytes, std::string* error) {
    if (bytes.size() > kMaxBookFileSize) {
        *error = "the file is larger than " + std::to_string(kMaxBookFileSize >> 20) +
                 " MB, the largest book the e-book store takes";
        return std::nullopt;
    }
    std::unique_ptr<ZipArchive> archive = ZipArchive::OpenMemory(bytes, error);
    if (!archive) return std::nullopt;
    // Every entry is inflated once: a damaged or lying entry refuses the book now rather than when a
    // reader turns to its page.
    for (size_t i = 0; i < archive->EntryCount(); ++i) {
        if (!archive->Read(i, kMaxEntrySize, error)) return std::nullopt;
    }
    auto structure = ReadStructure(std::move(archive), error);
    if (!structure) return std::nullopt;
    BookFacts facts;
    facts.title = structure->package.title;
    facts.uniqueId = structure->package.uniqueId;
    facts.subject = structure->package.subject;
    facts.pageCount = structure->package.spine.size();
    return facts;
}

std::optional<BookStructure> ReadStructure(std::unique_ptr<ZipArchive> archive, std::string* error) {
    auto package = ReadPackage(*archive, error);
    if (!package) return std::nullopt;
    BookStructure book;
    book.contents = ReadContents(*archive, *package);
    book.package = std::move(*package);
    book.archive = std::move(archive);
    return book;
}

std::optional<std::string> ReadPageBytes(const BookStructure& book, size_t page, std::string* error) {
    if (page >= book.package.spine.size()) {
        *error = "no such page";
        return std::nullopt;
    }
    return book.archive->ReadNamed(book.package.spine[page], kMaxEntrySize, error);
}

} // namespace tavrin::ebook

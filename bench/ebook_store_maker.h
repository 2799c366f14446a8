// A store of eBookDrv.dll written directly (book files and index) for the benchmarks, as many adds
// would leave it: ten classes by subject ("Subject 0" to "Subject 9"), every book a small EPUB 3 of
// its own with ids 1 to `count`.
#pragma once

#include "ebook/book_class.h"
#include "ebook/store_index.h"
#include "ebook/text_util.h"
#include "epub_fixtures/epub_maker.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace ebookbench {

inline constexpr int kStoreClasses = 10;

inline void MakeStore(const std::filesystem::path& store, int count) {
    using namespace tavrin::ebook;
    StoreIndex index;
    for (int i = 1; i <= count; ++i) {
        epubtest::BookSpec book;
        book.title = "Stored book number " + std::to_string(i);
        book.subject = "Subject " + std::to_string(i % kStoreClasses);
        book.uid = "urn:bench:" + std::to_string(i);
        std::string path = (store / (std::to_string(i) + ".epub")).string();
        epubtest::WriteZip(path, epubtest::Epub3(book));
        std::string bytes = epubtest::ReadFile(path);
        BookClass c = ClassForSubject(book.subject);
        index.books.push_back(
            {static_cast<uint16_t>(i), Fnv1a64(bytes), bytes.size(), c.key, c.name, book.uid, book.title});
    }
    index.nextId = static_cast<uint16_t>(count + 1);
    epubtest::WriteFile((store / "index").string(), FormatIndex(index));
}

} // namespace ebookbench

// Fuzzes the builder's catalog sources: any text gives a catalog book or an error with its place; a
// catalog book it gives opens again and every catalog's settings page reads back.
#include "bookfmt/reader.h"
#include "bookfmt/settings.h"
#include "bookfmt/writer.h"
#include "catalog_source.h"

#include <cstdlib>
#include <string_view>

using namespace tavrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view source(reinterpret_cast<const char*>(data), size);
    bookc::BuildResult result = bookc::ParseCatalogSource(source, "fuzz.catalog");
    if (!result.book) {
        if (result.error.rfind("fuzz.catalog:", 0) != 0) std::abort();
        return 0;
    }
    std::string error;
    auto bytes = book::SerializeBook(*result.book, &error);
    if (!bytes) std::abort();
    book::OpenResult opened = book::Reader::OpenBytes(*bytes);
    if (!opened || opened.reader->Kind() != book::BookKind::ShelfCatalog) std::abort();
    for (const std::string& page : result.book->pages) {
        book::ByteView view(reinterpret_cast<const uint8_t*>(page.data()), page.size());
        book::settings::Text text = book::settings::ParsePage(view);
        if (text.empty() || text[0].name != "CONFIG") std::abort();
    }
    return 0;
}

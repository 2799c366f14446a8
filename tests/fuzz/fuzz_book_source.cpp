// Fuzzes the builder's book sources: any text gives a book or an error with its place; a book it
// gives can be written, opens again, and its pages keep to the page markup.
#include "book_source.h"
#include "bookfmt/markup.h"
#include "bookfmt/reader.h"
#include "bookfmt/writer.h"

#include <cstdlib>
#include <string_view>

using namespace tavrin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view source(reinterpret_cast<const char*>(data), size);
    bookc::BuildResult result = bookc::ParseBookSource(source, "fuzz.book");
    if (!result.book) {
        if (result.error.rfind("fuzz.book:", 0) != 0) std::abort();
        return 0;
    }
    std::string error;
    auto bytes = book::SerializeBook(*result.book, &error);
    if (!bytes) std::abort();
    book::OpenResult opened = book::Reader::OpenBytes(*bytes);
    if (!opened) std::abort();
    for (const std::string& page : result.book->pages) {
        if (page.empty() || page.back() != '\0') std::abort();
        book::ByteView view(reinterpret_cast<const uint8_t*>(page.data()), page.size() - 1);
        if (book::markup::CheckPage(view)) std::abort();
    }
    return 0;
}

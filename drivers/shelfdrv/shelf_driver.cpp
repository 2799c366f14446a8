// Books.Dll, the shelf driver: serves the shelf's system catalog "Tavrin.Sys" (a book file of kind
// "shelf catalog") through the book entry points shared with EbdBook.dll, and answers the description
// addresses of online catalogs from that catalog's root settings.
#include "bookfmt/catalog_book.h"
#include "bookfmt/driver_state.h"
#include "bookfmt/text.h"

#include "tavrin/cbi.h"

#include <cstring>
#include <dlfcn.h>
#include <string>

namespace tavrin::book::driver {

const Config& ThisDriver() {
    static const Config config{BookKind::ShelfCatalog, "Books.Dll"};
    return config;
}

} // namespace tavrin::book::driver

namespace {

using namespace tavrin::book;

// "Tavrin.Sys" in the folder this library was loaded from.
std::string CatalogBesideLibrary() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&CatalogBesideLibrary), &info) || !info.dli_fname) return {};
    std::string path = info.dli_fname;
    size_t slash = path.find_last_of('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "Tavrin.Sys";
}

std::optional<std::string> Lookup(const char* classKey) {
    if (driver::OpenBook* open = driver::Books().Newest()) return DescriptionAddress(*open->reader, classKey);
    // The shelf asks with its catalog open; a caller without one gets the catalog beside the library.
    std::unique_ptr<Reader> reader;
    std::string path = CatalogBesideLibrary();
    if (path.empty() || driver::Probe(path, &reader, nullptr) != 0) return std::nullopt;
    return DescriptionAddress(*reader, classKey);
}

} // namespace

CBI_EXPORT int GetDescFileURLbyClassID(const char* classKey, char* url) {
    try {
        if (!classKey || !url) return 0;
        std::optional<std::string> address = Lookup(classKey);
        // An address that does not fit is refused rather than cut: a cut address leads somewhere else.
        if (!address || address->empty() || address->size() >= CBI_URL_SIZE) return 0;
        std::memcpy(url, address->data(), address->size());
        url[address->size()] = '\0';
        return 1;
    } catch (...) {
        return 0;
    }
}

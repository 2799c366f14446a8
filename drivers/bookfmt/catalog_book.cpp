#include "bookfmt/catalog_book.h"

#include "bookfmt/settings.h"

namespace tavrin::book {

std::optional<std::string> DescriptionAddress(const Reader& catalog, std::string_view classKey) {
    if (catalog.EntryCount() == 0 || classKey.empty()) return std::nullopt;
    int32_t page = catalog.EntryPage(0);
    if (page < 0) return std::nullopt;
    auto bytes = catalog.ReadPage(static_cast<uint32_t>(page), nullptr);
    if (!bytes) return std::nullopt;
    return settings::Find(settings::ParsePage(*bytes), kDescriptionSection, classKey);
}

} // namespace tavrin::book

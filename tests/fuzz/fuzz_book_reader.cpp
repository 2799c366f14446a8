// Fuzzes the book reader from bytes: open (with and without checksums), walk every entry and link,
// read every page and take it apart by the page markup. The reader promises that an opened book is a
// tree, so the walk from the root must meet every entry exactly once; and the index that opening let
// through must pass the checks again when it is read for use (the bytes have not changed).
#include "bookfmt/catalog_book.h"
#include "bookfmt/markup.h"
#include "bookfmt/reader.h"
#include "bookfmt/settings.h"
#include "bookfmt/text.h"

#include <cstdlib>
#include <vector>

using namespace tavrin::book;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void Walk(const Reader& r) {
    Require(r.HoldIndex().empty());
    char buffer[256];
    for (int32_t locale : {0, 3, 1028, 0x0C04, 2052, -1})
        if (auto name = r.NameFor(locale)) CopyOut(*name, buffer, 255);
    for (size_t i = 0; i < r.NameCount(); ++i)
        (void)r.NameAt(i);
    if (auto number = r.Number()) Require(!number->empty() && number->size() <= 255);

    uint32_t seen = 0;
    if (r.EntryCount() > 0) {
        std::vector<uint32_t> stack{0};
        while (!stack.empty()) {
            uint32_t e = stack.back();
            stack.pop_back();
            Require(++seen <= r.EntryCount());
            Require(r.EntryText(e).size() <= 227);
            CopyOut(r.EntryText(e), buffer, 228);
            int32_t page = r.EntryPage(e);
            Require(page == -1 || (page >= 0 && static_cast<uint32_t>(page) < r.PageCount()));
            for (uint32_t c = r.FirstChild(e); c != Reader::kNone; c = r.NextSibling(c)) {
                Require(r.Parent(c) == e);
                stack.push_back(c);
            }
        }
    }
    Require(seen == r.EntryCount());

    for (uint32_t p = 0; p < r.PageCount(); ++p) {
        uint32_t holder = r.PageEntry(p);
        Require(holder == Reader::kNone || holder < r.EntryCount());
        auto bytes = r.ReadPage(p, nullptr);
        if (!bytes) continue;
        Require(bytes->size() == r.PageLength(p));
        (void)markup::CheckPage(*bytes);
        for (size_t pos = 0; pos < bytes->size();) {
            if ((*bytes)[pos] != markup::kEscape) {
                ++pos;
                continue;
            }
            auto length = markup::SequenceLength(*bytes, pos);
            if (!length) break;
            Require(*length >= 2 && pos + *length <= bytes->size());
            pos += *length;
        }
        (void)settings::ParsePage(*bytes);
        (void)settings::ShelfLookup(*bytes, "CONFIG", "ID");
    }
    if (r.Kind() == BookKind::ShelfCatalog) (void)DescriptionAddress(r, "EBOOK-CLASSICS");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool verify : {false, true}) {
        OpenResult opened = Reader::OpenBytes(Bytes(data, data + size), OpenOptions{verify});
        if (opened)
            Walk(*opened.reader);
        else
            Require(!opened.error.empty());
    }
    return 0;
}

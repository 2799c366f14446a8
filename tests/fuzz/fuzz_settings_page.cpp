// Fuzzes the reading of settings pages (the shelf's lookup and our own parser). What our parser reads
// and Check accepts must be written and read back unchanged.
#include "bookfmt/settings.h"

#include <cstdlib>

using namespace tavrin::book;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteView page(data, size);
    for (const char* key : {"ID", "IDB", "TEXTCOLOR", "RID", "CANADDBOOK", ""})
        (void)settings::ShelfLookup(page, "CONFIG", key);
    (void)settings::ShelfLookup(page, "BOOKS", "abc.ebd");
    settings::Text text = settings::ParsePage(page);
    (void)settings::Find(text, "DESCURL", "EBOOK-CLASSICS");
    if (settings::Check(text).empty()) {
        Bytes written = settings::FormatPage(text);
        settings::Text back = settings::ParsePage(written);
        if (back.size() != text.size()) std::abort();
        for (size_t i = 0; i < back.size(); ++i) {
            if (back[i].name != text[i].name || back[i].lines.size() != text[i].lines.size()) std::abort();
            for (size_t k = 0; k < back[i].lines.size(); ++k)
                if (back[i].lines[k].key != text[i].lines[k].key ||
                    back[i].lines[k].value != text[i].lines[k].value)
                    std::abort();
        }
    }
    return 0;
}

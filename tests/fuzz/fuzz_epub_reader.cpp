// libFuzzer target: the EPUB reading of eBookDrv.dll. A zip input goes the way a book being added
// goes (container checks, every entry inflated within the limits, package, contents) and then the way
// an open book is read (pages, the contents tree, page-to-entry mapping). Any other input is parsed as
// a markup document (package, NCX or navigation document) and its references resolved.
#include "ebook/contents.h"
#include "ebook/epub_book.h"
#include "ebook/href.h"
#include "ebook/limits.h"
#include "ebook/markup.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

using namespace tavrin::ebook;

namespace {

void WalkContents(const Contents& contents, size_t pages) {
    const auto& entries = contents.Entries();
    // Every link of the tree stays inside it, and following children and siblings visits each entry once.
    size_t visited = 0;
    std::vector<uint32_t> stack{0};
    while (!stack.empty()) {
        uint32_t at = stack.back();
        stack.pop_back();
        if (at >= entries.size() || ++visited > entries.size()) __builtin_trap();
        for (uint32_t child = entries[at].firstChild; child != kNoEntry; child = entries[child].nextSibling) {
            if (child >= entries.size() || entries[child].parent != at) __builtin_trap();
            stack.push_back(child);
        }
    }
    for (size_t p = 0; p <= pages && p < 64; ++p) {
        uint32_t entry = contents.EntryForPage(static_cast<int32_t>(p));
        if (entry != kNoEntry && entry >= entries.size()) __builtin_trap();
    }
}

void FuzzMarkup(std::string_view text) {
    XmlDoc doc = ParseMarkup(text, true);
    XmlNode* root = RootElement(doc);
    if (!root) return;
    for (const char* name : {"a", "content", "item", "rootfile"}) {
        for (XmlNode* node : Descendants(root, name, 1000)) {
            std::string fragment;
            for (const char* attr : {"href", "src", "full-path"}) {
                // A resolved reference stays inside the container: not absolute, no ".." part.
                if (auto path = ResolveHref("OEBPS/", Attribute(node, attr), &fragment)) {
                    std::string wrapped = "/" + *path + "/";
                    if (path->empty() || (*path)[0] == '/' || wrapped.find("/../") != std::string::npos ||
                        path->find('\0') != std::string::npos)
                        __builtin_trap();
                }
            }
            (void)TextOf(node, 4096);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const unsigned char> bytes(data, size);
    if (size < 2 || data[0] != 'P' || data[1] != 'K') {
        FuzzMarkup(std::string_view(reinterpret_cast<const char*>(data), size));
        return 0;
    }
    std::string error;
    (void)InspectBook(bytes, &error);
    std::unique_ptr<ZipArchive> archive = ZipArchive::OpenMemory(bytes, &error);
    if (!archive) return 0;
    auto book = ReadStructure(std::move(archive), &error);
    if (!book) return 0;
    const size_t pages = book->package.spine.size();
    for (size_t p = 0; p < pages && p < 8; ++p)
        (void)ReadPageBytes(*book, p, &error);
    WalkContents(book->contents, pages);
    return 0;
}

// The class-catalog index: settings texts read once, possible key lines sorted for prefix searches,
// candidates confirmed with the settings search itself.
#include "registry/class_index.h"

#include "catalog/settings_page.h"
#include "catalog/settings_text.h"
#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "shelf/cbi_table.h"
#include "shelf/records.h"

#include <algorithm>
#include <span>

namespace tavrin {

namespace {

constexpr char kMarkByte = static_cast<char>(0xFF);
constexpr char kLineMark = 0x0A;
// GetClassItem reads the value into a buffer of this size: a longer value is not found.
constexpr size_t kValueBufferSize = kNameSize;

// Positions where a line of the settings text ends: a carriage return, or a 0xFF 0x0A pair.
std::vector<size_t> LineEnds(std::string_view text) {
    std::vector<size_t> ends;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || (text[i] == kMarkByte && i + 1 < text.size() && text[i + 1] == kLineMark))
            ends.push_back(i);
    }
    return ends;
}

} // namespace

void ClassCatalogIndex::Build(const CTreeCtrl& tree, HTREEITEM root, HMODULE shelfDriver, DWORD shelfHandle) {
    catalogs_.clear();
    lines_.clear();
    BindDriver(shelfDriver);
    ForEachBelow(tree, root, [&](HTREEITEM item, const TreeNode* node) {
        if (!node || node->nKind != NODE_CATALOG) return;
        const CatalogRecord* record = CatalogOf(node);
        if (!record || record->dwCataType != CATA_SYSTEM || record->hVpItem == 0) return;
        std::vector<unsigned char> page = ReadSettingsPage(g_cbi, shelfHandle, record->hVpItem);
        std::optional<std::string_view> text = SettingsText(std::span<const unsigned char>(page));
        if (!text) return; // no settings: never a class catalog
        Catalog catalog;
        catalog.item = item;
        catalog.text.assign(*text);
        catalog.folded = catalog.text;
        for (char& c : catalog.folded)
            c = FoldAscii(c);
        catalogs_.push_back(std::move(catalog));
    });
    // Views into the texts are taken only now that the texts have stopped moving.
    for (uint32_t i = 0; i < catalogs_.size(); ++i)
        IndexLines(i);
    std::sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
        return a.folded != b.folded ? a.folded < b.folded : a.catalog < b.catalog;
    });
}

void ClassCatalogIndex::IndexLines(uint32_t catalog) {
    std::string_view text = catalogs_[catalog].folded;
    std::vector<size_t> ends = LineEnds(text);
    // A line may start at the text's start and two bytes after any line end; it runs to the first
    // line end at or after its start. The search proper walks a subset of these starts.
    size_t nextEnd = 0;
    auto add = [&](size_t start) {
        if (start > text.size()) return;
        while (nextEnd < ends.size() && ends[nextEnd] < start)
            ++nextEnd;
        size_t end = nextEnd < ends.size() ? ends[nextEnd] : text.size();
        std::string_view line = text.substr(start, end - start);
        if (line.find('=') != std::string_view::npos) lines_.push_back({line, catalog});
    };
    add(0);
    for (size_t end : ends)
        add(end + 2);
}

HTREEITEM ClassCatalogIndex::Find(std::string_view fileName, HTREEITEM* insertAfter) const {
    if (fileName.empty()) return nullptr;
    std::string key(fileName);
    for (char& c : key)
        c = FoldAscii(c);
    auto it = std::lower_bound(lines_.begin(), lines_.end(), std::string_view(key),
                               [](const Line& line, std::string_view k) { return line.folded < k; });
    std::vector<uint32_t> candidates;
    for (; it != lines_.end() && it->folded.starts_with(key); ++it)
        candidates.push_back(it->catalog);
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (uint32_t c : candidates) {
        std::optional<std::string_view> value = FindSettingInText(catalogs_[c].text, "BOOKS", fileName);
        if (!value || value->size() >= kValueBufferSize) continue;
        if (insertAfter) {
            // The value as a zero-terminated buffer holds it: up to its first zero byte.
            std::string_view shown = value->substr(0, value->find('\0'));
            *insertAfter = shown == "1" ? TVI_FIRST : TVI_LAST;
        }
        return catalogs_[c].item;
    }
    return nullptr;
}

} // namespace tavrin

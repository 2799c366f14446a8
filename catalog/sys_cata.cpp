// Loading the system catalog "Tavrin.Sys" at start-up: the file is a book of the shelf driver whose
// contents entries are the catalogs; each entry's text is a catalog's name and its page carries the
// catalog's settings. Makes the root item and one catalog item per entry, in the driver's order.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/settings_page.h"
#include "catalog/settings_text.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_set>
#include <vector>

using namespace tavrin;

namespace {

// Name of the entry that stands for a book's contents page (Big5); it makes no catalog.
constexpr std::string_view kContentsPageName = "\xA5\xD8\xBF\xFD\xAD\xB6";

// Catalogs nested deeper than this in the catalog file are not loaded.
constexpr size_t kMaxCatalogDepth = 64;

// Flags every system catalog and the root carry: no delete, built in, no rename, no drop.
constexpr DWORD kSystemCatalogFlags = NF_NODELETE | NF_BUILTIN | NF_NORENAME | NF_NODROP;

// The "CONFIG" section of one entry's settings page, read once for all its keys.
class CatalogConfig {
  public:
    CatalogConfig(CBI_HBOOK shelf, CBI_HITEM entry) {
        if (entry != 0) page_ = ReadSettingsPage(g_cbi, shelf, entry);
        text_ = SettingsText(std::span<const unsigned char>(page_));
    }
    CatalogConfig(const CatalogConfig&) = delete;
    CatalogConfig& operator=(const CatalogConfig&) = delete;

    // The value of `key`, as GetCataInfoFromFile would give it into a 256-byte buffer.
    std::optional<std::string_view> Get(std::string_view key) const {
        if (!text_) return std::nullopt;
        std::optional<std::string_view> value = FindSettingInText(*text_, "CONFIG", key);
        if (value && value->size() >= kNameSize) return std::nullopt;
        return value;
    }

  private:
    std::vector<unsigned char> page_;
    std::optional<std::string_view> text_; // a view into page_
};

// Colours and the key of a catalog node; the two permission flags for catalogs other than the root.
void ApplyConfig(const CatalogConfig& config, TreeNode& node, CatalogRecord& record, bool readFlags) {
    if (auto value = config.Get("TEXTCOLOR")) node.crText = ParseColorValue(*value);
    if (auto value = config.Get("BACKCOLOR")) node.crBack = ParseColorValue(*value);
    // A key longer than the record holds is refused: a cut key would name another catalog.
    if (auto value = config.Get("ID"); !value || !CopyFits(record.szCataKey, *value))
        record.szCataKey[0] = '\0';
    if (!readFlags) return;
    if (auto value = config.Get("CANNEWCATA"); value && ParseFlagValue(*value)) node.dwFlags |= NF_CANNEWCATA;
    if (auto value = config.Get("CANADDBOOK"); value && ParseFlagValue(*value)) node.dwFlags |= NF_CANADDBOOK;
}

// The entry's text as the driver gives it (at most 227 characters), "" when it cannot say.
void EntryText(CBI_HBOOK shelf, CBI_HITEM entry, char (&text)[kNameSize]) {
    std::memset(text, 0, sizeof text);
    if (entry != 0) ReadItemText(shelf, entry, text, kItemTextSize);
}

// The first child entry of `entry`, or 0 when the driver says it has none.
CBI_HITEM FirstChildEntry(CBI_HBOOK shelf, CBI_HITEM entry) {
    if (!g_cbi.CBIVPItemHasChildren || !g_cbi.CBIVPGetChildItem) return 0;
    if (!g_cbi.CBIVPItemHasChildren(shelf, entry)) return 0;
    return g_cbi.CBIVPGetChildItem(shelf, entry);
}

CBI_HITEM NextSiblingEntry(CBI_HBOOK shelf, CBI_HITEM entry) {
    return g_cbi.CBIVPGetNextSiblingItem ? g_cbi.CBIVPGetNextSiblingItem(shelf, entry) : 0;
}

} // namespace

int CTavrinCtrl::LoadSysCata(LPCSTR lpszSysPath) {
    BindDriver(m_hShelfDriver);
    if (!g_cbi.CBIOpenBook || !lpszSysPath) return 0;
    CBI_HBOOK handle = 0;
    if (g_cbi.CBIOpenBook(lpszSysPath, 0, &handle) != 0) return 0;
    m_dwShelfHandle = handle;
    m_bShelfOpen = TRUE;

    CBI_HITEM rootEntry = g_cbi.CBIVPGetRootItem ? g_cbi.CBIVPGetRootItem(m_dwShelfHandle) : 0;
    char text[kNameSize];
    EntryText(m_dwShelfHandle, rootEntry, text);

    auto* node = new TreeNode;
    node->nKind = NODE_ROOT;
    node->dwFlags = kSystemCatalogFlags;
    auto* record = new CatalogRecord;
    record->dwCataType = CATA_SYSTEM;
    record->hVpItem = rootEntry;
    (void)CopyFits(record->szCataName, text); // 227 characters at most: always fits
    node->pRecord = record;
    {
        CatalogConfig config(m_dwShelfHandle, rootEntry);
        ApplyConfig(config, *node, *record, false);
    }

    m_hRoot = AddOneItem(nullptr, text, TVI_FIRST, &g_imageIndex[0], node, 0);
    if (!m_hRoot) {
        // The tree refused the item: the node never became an item's, so it is freed here.
        delete record;
        delete node;
        return 0;
    }
    SetItemImages(m_hRoot, 0);
    if (rootEntry != 0) LoadSysCataItems(m_hRoot, m_dwShelfHandle, rootEntry);
    return 1;
}

void CTavrinCtrl::LoadSysCataItems(HTREEITEM hParent, DWORD dwShelfHandle, DWORD hVpItem) {
    BindDriver(m_hShelfDriver);
    // The walk goes depth first as a recursion over the entries would, with its own stack: one frame
    // per level holds the item the level's catalogs go under, the catalog made last at the level and
    // the entry at hand. An entry met a second time (a driver whose links loop) ends its level.
    struct Level {
        HTREEITEM parent;
        HTREEITEM lastMade;
        CBI_HITEM entry;
    };
    std::unordered_set<CBI_HITEM> seen{hVpItem};
    std::vector<Level> levels;
    levels.push_back({hParent, nullptr, FirstChildEntry(dwShelfHandle, hVpItem)});

    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.entry == 0 || !seen.insert(level.entry).second) {
            levels.pop_back();
            if (!levels.empty()) levels.back().entry = NextSiblingEntry(dwShelfHandle, levels.back().entry);
            continue;
        }
        CBI_HITEM entry = level.entry;
        char text[kNameSize];
        EntryText(dwShelfHandle, entry, text);
        if (std::string_view(text) != kContentsPageName) {
            auto* node = new TreeNode;
            node->nKind = NODE_CATALOG;
            node->dwFlags = kSystemCatalogFlags;
            auto* record = new CatalogRecord;
            record->dwCataType = CATA_SYSTEM;
            record->hVpItem = entry;
            record->dwReserved = 0;
            (void)CopyFits(record->szCataName, text);
            node->pRecord = record;
            {
                CatalogConfig config(dwShelfHandle, entry);
                ApplyConfig(config, *node, *record, true);
            }
            HTREEITEM item = AddOneItem(level.parent, text, TVI_LAST, &g_imageIndex[0], node, 0);
            if (item) {
                SetItemImages(item, 0);
                level.lastMade = item;
            } else {
                delete record;
                delete node;
            }
        }
        // The entry's children go under the catalog made last at this level; under the level's own
        // parent when none was made yet (a contents-page entry that comes first).
        HTREEITEM under = level.lastMade ? level.lastMade : level.parent;
        CBI_HITEM child = levels.size() < kMaxCatalogDepth ? FirstChildEntry(dwShelfHandle, entry) : 0;
        if (child != 0)
            levels.push_back({under, nullptr, child}); // `level` is not used past this point
        else
            level.entry = NextSiblingEntry(dwShelfHandle, entry);
    }
}

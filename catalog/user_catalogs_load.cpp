// Reading the user catalog stream back onto the shelf. The whole stream is read into memory and taken
// apart by a reader that checks every length, count and chain (catalog/user_catalog_stream.h); the
// blocks read whole before any damage are hung back. Each block's catalogs above the user catalog are
// found again by stamp, or (the root and system catalogs carry none) by key, or made anew inside the
// one found before, so that the user's catalogs return where they were. Books that start-up already
// put on the shelf are moved to where the user had them rather than opened a second time.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "catalog/user_catalog_stream.h"
#include "registry/book_registry.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <string>
#include <string_view>
#include <unordered_map>

using namespace tavrin;

namespace {

constexpr int kUserCatalogImageEntry = 28; // the images of a new catalog

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = FoldAscii(c);
    return out;
}

template <size_t N> std::string_view TextOf(const char (&buffer)[N]) {
    return std::string_view(buffer, FixedLength(buffer));
}

} // namespace

// The shelf as the load finds it and changes it: catalogs by stamp and by key (the first in the walk
// order), the catalogs among each parent's children, and books by number.
class CTavrinCtrl::CUserLoad {
  public:
    explicit CUserLoad(HTREEITEM root) {
        ForEachBelow(g_shelfTree, root, [&](HTREEITEM item, const TreeNode* node) {
            if (BookOf(node)) {
                if (node->szKey[0]) books.emplace(Folded(TextOf(node->szKey)), item);
            } else if (const CatalogRecord* record =
                           node && node->nKind == NODE_CATALOG ? CatalogOf(node) : nullptr) {
                Learn(item, *record);
            }
        });
    }

    void Learn(HTREEITEM item, const CatalogRecord& record) {
        if (record.tStamp) stamps.emplace(record.tStamp, item);
        if (record.szCataKey[0]) keys.emplace(std::string(TextOf(record.szCataKey)), item);
    }

    // The catalogs directly under `parent`, listed when first asked.
    std::vector<HTREEITEM>& CatalogsUnder(HTREEITEM parent) {
        auto [it, added] = children.try_emplace(parent);
        if (added) {
            for (HTREEITEM c = g_shelfTree.GetChildItem(parent); c; c = g_shelfTree.GetNextSiblingItem(c)) {
                const TreeNode* node = NodeOfItem(g_shelfTree, c);
                if (node && node->nKind == NODE_CATALOG && CatalogOf(node)) it->second.push_back(c);
            }
        }
        return it->second;
    }
    void CatalogMade(HTREEITEM parent, HTREEITEM item, const CatalogRecord& record) {
        auto it = children.find(parent);
        if (it != children.end()) it->second.push_back(item);
        Learn(item, record);
    }

    std::unordered_map<DWORD, HTREEITEM> stamps;
    std::unordered_map<std::string, HTREEITEM> keys;
    std::unordered_map<HTREEITEM, std::vector<HTREEITEM>> children;
    std::unordered_map<std::string, HTREEITEM> books; // by number, letters folded
};

namespace {

// The catalog among `candidates` that a stored catalog is: the same stamp, or for a catalog without
// one (the e-book catalog, system catalogs) the same key, else the same type and name.
HTREEITEM MatchCatalog(const std::vector<HTREEITEM>& candidates, DWORD type, DWORD stamp,
                       std::string_view key, std::string_view name) {
    for (HTREEITEM item : candidates) {
        const CatalogRecord* record = CatalogOf(NodeOfItem(g_shelfTree, item));
        if (!record) continue;
        if (stamp != 0) {
            if (record->tStamp == stamp) return item;
        } else if (record->tStamp == 0) {
            if (!key.empty() && TextOf(record->szCataKey) == key) return item;
            if (key.empty() && record->dwCataType == type &&
                (TextOf(record->szCataName) == name || TextOf(record->szCataKey) == name))
                return item;
        }
    }
    return nullptr;
}

} // namespace

BOOL CTavrinCtrl::LoadUserDefine() {
    if (m_hUserDefine == INVALID_HANDLE_VALUE || m_hUserDefine == nullptr) return FALSE;
    std::vector<unsigned char> bytes;
    bool readWhole = true;
    for (;;) {
        unsigned char chunk[65536];
        DWORD got = 0;
        if (!::ReadFile(m_hUserDefine, chunk, sizeof chunk, &got, nullptr)) {
            readWhole = false;
            break;
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const UserCatalogStream stream = ReadUserCatalogStream(bytes.data(), bytes.size());
    m_absentUserBooks.clear();

    CUserLoad load(m_hRoot);
    for (const UserCatalogBlock& block : stream.blocks) {
        // The catalogs above the block's user catalog, the root first.
        HTREEITEM current = nullptr;
        for (size_t i = 0; i < block.ancestors.size(); ++i) {
            const CatalogRecord& stored = block.ancestors[i];
            const std::string_view key = TextOf(stored.szCataKey);
            HTREEITEM found = nullptr;
            if (i == 0 && stored.tStamp == 0 && m_hRoot) {
                found = m_hRoot;
            } else if (stored.tStamp != 0) {
                auto it = load.stamps.find(stored.tStamp);
                if (it != load.stamps.end()) found = it->second;
            } else {
                if (current)
                    found = MatchCatalog(load.CatalogsUnder(current), stored.dwCataType, 0, key,
                                         TextOf(stored.szCataName));
                if (!found && !key.empty()) {
                    auto it = load.keys.find(std::string(key));
                    if (it != load.keys.end()) found = it->second;
                }
            }
            if (!found) {
                // Gone from this shelf: made again inside the one before, keeping the chain.
                auto* node = new TreeNode;
                node->nKind = NODE_CATALOG;
                auto* record = new CatalogRecord;
                record->dwCataType = stored.dwCataType;
                record->tStamp = stored.tStamp;
                record->dwReserved = stored.dwReserved;
                (void)CopyFits(record->szCataKey, key);
                (void)CopyFits(record->szCataName, TextOf(stored.szCataName));
                node->pRecord = record;
                const HTREEITEM parent = current ? current : TVI_ROOT;
                found = AddOneItem(parent, record->szCataName, TVI_LAST, &g_imageIndex[0], node, 0);
                if (!found) {
                    delete record;
                    delete node;
                    return FALSE;
                }
                SetItemImages(found, 0);
                if (current)
                    load.CatalogMade(current, found, *record);
                else
                    load.Learn(found, *record);
            }
            current = found;
        }
        LoadCataItem2(block, current, load);
    }
    return stream.whole && readWhole ? TRUE : FALSE;
}

void CTavrinCtrl::LoadCataItem2(const UserCatalogBlock& block, HTREEITEM hParent, CUserLoad& load) {
    // Where each entry's children go: the entry's item, or where the entry would have gone when it
    // made none (so that the records after it stay in step).
    std::vector<HTREEITEM> placed(block.entries.size(), nullptr);
    for (size_t i = 0; i < block.entries.size(); ++i) {
        const UserCatalogItem& entry = block.entries[i];
        const HTREEITEM parent = block.parent[i] < 0 ? hParent : placed[static_cast<size_t>(block.parent[i])];
        HTREEITEM made = nullptr;
        const std::string_view label = TextOf(entry.szLabel);
        if (entry.dwType == CATA_USER || entry.dwType == CATA_ONLINE) {
            made = MatchCatalog(load.CatalogsUnder(parent), entry.dwType, entry.tStamp, {}, label);
            if (!made) {
                auto* node = new TreeNode;
                node->nKind = NODE_CATALOG;
                node->dwFlags = entry.dwFlags;
                node->dwClassId = entry.dwClassId;
                (void)CopyFits(node->szKey, label);
                auto* record = new CatalogRecord;
                record->dwCataType = entry.dwType;
                record->tStamp = entry.tStamp;
                (void)CopyFits(record->szCataName, label);
                node->pRecord = record;
                made =
                    AddOneItem(parent, node->szKey, TVI_LAST, &g_imageIndex[kUserCatalogImageEntry], node, 0);
                if (made) {
                    SetItemImages(made, 0);
                    load.CatalogMade(parent, made, *record);
                } else {
                    delete record;
                    delete node;
                }
            }
        } else if (entry.dwType == NODE_BOOK) {
            made = PlaceUserBook(entry, parent, load);
        }
        placed[i] = made ? made : parent;
    }
}

HTREEITEM CTavrinCtrl::PlaceUserBook(const UserCatalogItem& entry, HTREEITEM hParent, CUserLoad& load) {
    HTREEITEM existing = nullptr;
    const std::string_view label = TextOf(entry.szLabel);
    if (!label.empty()) {
        auto it = load.books.find(Folded(label));
        if (it != load.books.end()) existing = it->second;
    }
    if (!existing) {
        BookRecord paths;
        if (!CopyFits(paths.szFilePath, TextOf(entry.szFilePath)) ||
            !CopyFits(paths.szDriverPath, TextOf(entry.szDriverPath)))
            return nullptr;
        DWORD handle = 0;
        HMODULE module = LoadAndOpen(&handle, paths.szFilePath, paths.szDriverPath);
        if (!module) {
            // The book cannot be opened now: left off the shelf, its record kept for the catalog.
            const CatalogRecord* catalog = CatalogOf(NodeOfItem(g_shelfTree, hParent));
            if (catalog && catalog->tStamp != 0) AppendUserItem(m_absentUserBooks[catalog->tStamp], entry);
            return nullptr;
        }
        BindHeldDriver(module);
        char number[kBookNoSize];
        FormBookNo(handle, number);
        // Its number may have changed since the save: the shelf may hold it under the new one.
        auto it = number[0] ? load.books.find(Folded(number)) : load.books.end();
        if (it != load.books.end()) {
            existing = it->second;
            if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
            FreeLibrary(module);
        } else {
            auto* record = new BookRecord;
            record->dwBookHandle = handle;
            record->hDriver = module;
            (void)CopyFits(record->szFilePath, paths.szFilePath);
            (void)CopyFits(record->szDriverPath, paths.szDriverPath);
            auto* node = new TreeNode;
            node->nKind = NODE_BOOK;
            node->dwFlags = entry.dwFlags;
            node->dwClassId = entry.dwClassId;
            (void)CopyFits(node->szKey, number[0] ? std::string_view(number) : label);
            node->pRecord = record;
            char name[kNameSize];
            ReadBookName(handle, name, sizeof name, kNameSize - 1);
            const int chapters = IsHaveChapter(module, handle);
            HTREEITEM item = AddOneItem(hParent, name, TVI_LAST, &g_imageIndex[0], node, chapters);
            if (!item) {
                delete record;
                delete node;
                BindDriver(module);
                if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
                FreeLibrary(module);
                return nullptr;
            }
            SetItemImages(item, 0);
            load.books[Folded(TextOf(node->szKey))] = item;
            return item;
        }
    }

    // On the shelf already (start-up placed it in its class catalog): shown where the user put it, and
    // once. The node moves with its open book; contents entries are built again when it is opened.
    TreeNode* node = NodeOfItem(g_shelfTree, existing);
    if (!node) return nullptr;
    while (HTREEITEM child = g_shelfTree.GetChildItem(existing))
        g_shelfTree.DeleteItem(child);
    const CString text = g_shelfTree.GetItemText(existing);
    const BOOL chapters = g_shelfTree.ItemHasChildren(existing);
    node->dwFlags = entry.dwFlags;
    node->dwClassId = entry.dwClassId;
    HTREEITEM item = AddOneItem(hParent, text, TVI_LAST, &g_imageIndex[0], node, chapters ? 1 : 0);
    if (!item) return nullptr;
    DeleteItemKeepNodes(existing);
    SetItemImages(item, 0);
    for (const std::string& number : {Folded(label), Folded(TextOf(node->szKey))}) {
        auto it = load.books.find(number);
        if (it != load.books.end() && it->second == existing) it->second = item;
    }
    return item;
}

// Writing the user's catalogs into the user catalog stream. The whole stream is assembled in memory
// and written at once from offset 0, and the file is cut at its end, so that a shorter stream leaves
// no old blocks behind; any write that fails makes the save report failure.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "catalog/user_catalog_stream.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <limits>

using namespace tavrin;

namespace {

bool IsUserCatalog(const TreeNode* node) {
    const CatalogRecord* record = node && node->nKind == NODE_CATALOG ? CatalogOf(node) : nullptr;
    return record && (record->dwCataType == CATA_USER || record->dwCataType == CATA_ONLINE);
}

bool IsBookOrDict(const TreeNode* node) {
    return node && (node->nKind == NODE_BOOK || node->nKind == NODE_DICT);
}

void AppendBytes(std::vector<unsigned char>& out, const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

// The record of one item: kind, flags, class id and the fields its kind uses; the rest zero.
UserCatalogItem RecordOf(HTREEITEM item, const TreeNode* node, bool hasChildren, bool hasNext,
                         DWORD parentPos) {
    UserCatalogItem record{};
    record.bHasChildren = hasChildren ? 1 : 0;
    record.bHasNext = hasNext ? 1 : 0;
    record.dwParentPos = parentPos;
    if (!node) return record;
    record.dwFlags = node->dwFlags;
    record.dwClassId = node->dwClassId;
    if (const CatalogRecord* catalog = node->nKind == NODE_CATALOG ? CatalogOf(node) : nullptr) {
        record.dwType = catalog->dwCataType;
        record.tStamp = catalog->tStamp;
        // The label the user sees, which a rename changes (the node's key stays as it was made).
        CopyCut(record.szLabel, g_shelfTree.GetItemText(item).str(), true);
        return record;
    }
    record.dwType = node->nKind;
    if (node->nKind == NODE_BOOK) {
        CopyCut(record.szLabel, std::string_view(node->szKey, FixedLength(node->szKey)));
        if (const BookRecord* book = BookOf(node)) {
            CopyCut(record.szDriverPath,
                    std::string_view(book->szDriverPath, FixedLength(book->szDriverPath)));
            CopyCut(record.szFilePath, std::string_view(book->szFilePath, FixedLength(book->szFilePath)));
        }
    }
    return record;
}

bool WriteAll(HANDLE file, const std::vector<unsigned char>& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t rest = bytes.size() - at;
        const DWORD chunk = rest > (1u << 30) ? (1u << 30) : static_cast<DWORD>(rest);
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + at, chunk, &written, nullptr) || written == 0) return false;
        at += written;
    }
    return true;
}

} // namespace

BOOL CTavrinCtrl::SaveUserDefineHead() {
    if (m_hUserDefine == INVALID_HANDLE_VALUE || m_hUserDefine == nullptr) return FALSE;
    std::vector<unsigned char> stream;
    const UserStreamHeader header = MakeUserStreamHeader();
    AppendBytes(stream, &header, sizeof header);
    if (m_hRoot) SaveUserDefine(m_hRoot, stream);
    if (stream.size() > std::numeric_limits<DWORD>::max()) return FALSE;

    if (::SetFilePointer(m_hUserDefine, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return FALSE;
    if (!WriteAll(m_hUserDefine, stream)) return FALSE;
    return ::SetEndOfFile(m_hUserDefine) ? TRUE : FALSE;
}

void CTavrinCtrl::SaveUserDefine(HTREEITEM hItem, std::vector<unsigned char>& stream) {
    for (HTREEITEM child = g_shelfTree.GetChildItem(hItem); child;
         child = g_shelfTree.GetNextSiblingItem(child)) {
        const TreeNode* node = NodeOfItem(g_shelfTree, child);
        if (!IsUserCatalog(node)) {
            // Books, dictionaries and contents entries hold no catalogs.
            if (node && (node->nKind == NODE_CATALOG || node->nKind == NODE_ROOT))
                SaveUserDefine(child, stream);
            continue;
        }
        // The catalogs above it, its parent first, up to the top of the tree.
        std::vector<const CatalogRecord*> ancestors;
        for (HTREEITEM up = g_shelfTree.GetParentItem(child); up; up = g_shelfTree.GetParentItem(up)) {
            static const CatalogRecord kNone{};
            const CatalogRecord* record = CatalogOf(NodeOfItem(g_shelfTree, up));
            ancestors.push_back(record ? record : &kNone);
        }
        std::vector<unsigned char> entries;
        SaveCatalogs2(child, entries);

        const uint64_t length =
            kUserBlockHeaderSize + uint64_t{sizeof(CatalogRecord)} * ancestors.size() + entries.size();
        UserBlockHeader counts{static_cast<DWORD>(length), static_cast<DWORD>(ancestors.size())};
        if (length > std::numeric_limits<DWORD>::max()) counts.dwLength = 0; // refused by every reader
        AppendBytes(stream, &counts, sizeof counts);
        for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
            CatalogRecord copy = **it;
            copy.hDriver = 0; // module handles and catalog-file entries belong to this run only
            copy.hVpItem = 0;
            AppendBytes(stream, &copy, sizeof copy);
        }
        stream.insert(stream.end(), entries.begin(), entries.end());
    }
}

const std::vector<unsigned char>* CTavrinCtrl::AbsentUserBooks(HTREEITEM hItem) const {
    const TreeNode* node = NodeOfItem(g_shelfTree, hItem);
    if (!IsUserCatalog(node) || m_absentUserBooks.empty()) return nullptr;
    auto it = m_absentUserBooks.find(CatalogOf(node)->tStamp);
    return it != m_absentUserBooks.end() && !it->second.empty() ? &it->second : nullptr;
}

void CTavrinCtrl::SaveCatalogs2(HTREEITEM hItem, std::vector<unsigned char>& entries) {
    const TreeNode* node = NodeOfItem(g_shelfTree, hItem);
    const bool children = g_shelfTree.GetChildItem(hItem) != nullptr || AbsentUserBooks(hItem);
    AppendUserItem(entries, RecordOf(hItem, node, children, false, 0));
    SaveCataItem2(hItem, entries, kUserFirstChildParentPos);
}

int CTavrinCtrl::SaveCataItem2(HTREEITEM hItem, std::vector<unsigned char>& entries, DWORD dwParentPos) {
    // The books of this catalog that could not be opened follow its items on the shelf.
    const std::vector<unsigned char>* absent = AbsentUserBooks(hItem);
    for (HTREEITEM child = g_shelfTree.GetChildItem(hItem); child;) {
        const HTREEITEM next = g_shelfTree.GetNextSiblingItem(child);
        const TreeNode* node = NodeOfItem(g_shelfTree, child);
        // A book's or dictionary's children are its contents, built again from its driver.
        const bool descend =
            !IsBookOrDict(node) && (g_shelfTree.GetChildItem(child) != nullptr || AbsentUserBooks(child));
        const auto position = static_cast<DWORD>(entries.size());
        AppendUserItem(entries, RecordOf(child, node, descend, next != nullptr || absent, dwParentPos));
        if (descend) SaveCataItem2(child, entries, position);
        child = next;
    }
    if (absent) {
        const size_t count = absent->size() / kUserItemSize;
        for (size_t k = 0; k < count; ++k) {
            UserCatalogItem record;
            std::memcpy(&record, absent->data() + k * kUserItemSize, kUserItemSize);
            record.bHasChildren = 0;
            record.bHasNext = k + 1 < count ? 1 : 0;
            record.dwParentPos = dwParentPos;
            AppendUserItem(entries, record);
        }
    }
    return 0;
}

// The dictionaries the host asks about by position: collected once when the window is created
// (SearchDicts), in the tree's pre-order, and answered by GetDictCount, GetDictClass and
// GetDictBookHandle.
//
// A dictionary whose item is deleted later keeps its place in m_dictNodes as an empty entry: the
// positions of the other dictionaries, which the host may have kept, stay valid, and the deleted
// one answers as an index out of range would (0xFFFF, 0xFFFFFFFF). GetDictCount still counts it.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <algorithm>

using namespace tavrin;

namespace {

constexpr WORD kNoClass = 0xFFFF;

} // namespace

void CTavrinCtrl::SearchDicts() {
    SearchDicts(m_hRoot);
}

void CTavrinCtrl::SearchDicts(HTREEITEM hStart) {
    // The walk keeps no stack of its own, so a deep shelf costs nothing more than a flat one.
    ForEachBelow(g_shelfTree, hStart, [&](HTREEITEM, TreeNode* node) {
        if (node && node->nKind == NODE_DICT) m_dictNodes.push_back(node);
    });
}

void CTavrinCtrl::ForgetDictNode(const TreeNode* pNode) {
    if (!pNode) return;
    std::replace(m_dictNodes.begin(), m_dictNodes.end(), const_cast<TreeNode*>(pNode),
                 static_cast<TreeNode*>(nullptr));
}

DWORD CTavrinCtrl::GetDictCount() {
    return static_cast<DWORD>(m_dictNodes.size());
}

WORD CTavrinCtrl::GetDictClass(DWORD dwIndex) {
    if (dwIndex >= m_dictNodes.size()) return kNoClass;
    const BookRecord* book = BookOf(m_dictNodes[dwIndex]);
    if (!book) return kNoClass;
    BindDriver(book->hDriver);
    CBICaps caps{};
    if (!g_cbi.CBIGetCaps || !g_cbi.CBIGetCaps(book->dwBookHandle, &caps)) return kNoClass;
    return caps.wBookClass;
}

DWORD CTavrinCtrl::GetDictBookHandle(DWORD dwIndex) {
    if (dwIndex >= m_dictNodes.size()) return kNoBookHandle;
    const BookRecord* book = BookOf(m_dictNodes[dwIndex]);
    return book ? book->dwBookHandle : kNoBookHandle;
}

// Text dropped from other windows onto books and dictionaries: the drop highlight follows the drag,
// and a drop selects its item and hands the text with the book's handle to the host.
#include "ui/shelf_drop_target.h"

#include "commctrl.h"
#include "shelf/host_notify.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"

#include <cstring>
#include <string>

namespace {

// The parts of an item's row that take a drop: its icon, label, expand button and state icon.
constexpr UINT kDropOnItem = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMBUTTON | TVHT_ONITEMSTATEICON;
static_assert(kDropOnItem == 0x56);

HWND TreeOf(CWnd* pWnd) {
    return pWnd && ::IsWindow(pWnd->m_hWnd) ? pWnd->m_hWnd : nullptr;
}

// The node of a live item; null when the item is gone (a handle never names a later item).
const TreeNode* LiveNode(HWND tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(tree, &tv)) return nullptr;
    return reinterpret_cast<const TreeNode*>(tv.lParam);
}

// The CF_TEXT data as a zero-terminated text: the bytes of the block up to its first zero, never past
// the block's end (another program's data need not end with a zero). False when the data cannot be
// had or locked.
bool DroppedText(COleDataObject* pDataObject, std::string* text) {
    HGLOBAL block = pDataObject->GetGlobalData(CF_TEXT);
    if (!block) return false;
    bool locked = false;
    if (const void* bytes = ::GlobalLock(block)) {
        locked = true;
        size_t size = ::GlobalSize(block);
        const void* zero = size ? std::memchr(bytes, 0, size) : nullptr;
        size_t length =
            zero ? static_cast<size_t>(static_cast<const char*>(zero) - static_cast<const char*>(bytes))
                 : size;
        text->assign(static_cast<const char*>(bytes), length);
        ::GlobalUnlock(block);
    }
    // The copy is the receiver's to free.
    ::GlobalFree(block);
    return locked;
}

} // namespace

DROPEFFECT CShelfDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) {
    return DROPEFFECT_MOVE;
}

DROPEFFECT CShelfDropTarget::OnDragOver(CWnd* pWnd, COleDataObject*, DWORD, CPoint point) {
    if (HWND tree = TreeOf(pWnd)) {
        TVHITTESTINFO hit{};
        hit.pt = point;
        HTREEITEM item = TreeView_HitTest(tree, &hit);
        if (item && (hit.flags & kDropOnItem)) TreeView_SelectDropTarget(tree, item);
    }
    return DROPEFFECT_MOVE;
}

void CShelfDropTarget::OnDragLeave(CWnd* pWnd) {
    if (HWND tree = TreeOf(pWnd)) TreeView_SelectDropTarget(tree, nullptr);
}

BOOL CShelfDropTarget::OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT, CPoint) {
    HWND tree = TreeOf(pWnd);
    if (!tree) return FALSE;
    // The tree's parent is the control; the host is the control's parent.
    auto* ctrl = dynamic_cast<CTavrinCtrl*>(CWnd::FromHandlePermanent(::GetParent(tree)));
    if (!ctrl) return FALSE;
    HTREEITEM item = TreeView_GetDropHilight(tree);
    if (!item) return FALSE; // an item deleted during the drag took its highlight with it

    // The drop moves the selection to its item without the host hearing of a click or a selection.
    TreeView_SelectDropTarget(tree, nullptr);
    int previous = ctrl->m_nSuppressNotify;
    ctrl->m_nSuppressNotify = 1;
    TreeView_SelectItem(tree, item);
    ctrl->m_nSuppressNotify = previous;

    if (!::IsWindow(tree)) return FALSE;
    const BookRecord* book = BookOf(LiveNode(tree, item));
    if (!book || !pDataObject || !pDataObject->IsDataAvailable(CF_TEXT)) return FALSE;
    // The handle is taken before the data object (the source's code) is asked for the text.
    DWORD bookHandle = book->dwBookHandle;
    std::string text;
    if (!DroppedText(pDataObject, &text)) return FALSE;
    HWND host = ::GetParent(ctrl->m_hWnd);
    if (!host) return FALSE;
    DropTextInfo info{};
    info.dwBookHandle = bookHandle;
    info.pszText = text.c_str();
    tavrin::NotifyHost(ctrl->m_hWnd, WM_SHELF_DROPTEXT, 0, reinterpret_cast<LPARAM>(&info));
    return FALSE;
}

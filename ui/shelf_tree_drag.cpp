// The drag of the shelf's tree child: how a drag begins, follows the mouse, scrolls the tree near its
// edges, and ends by a release (a drop) or any other way (cancelled, nothing moved).
#include "ui/shelf_tree_ctrl.h"

#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"

#include <algorithm>

namespace {

// Only books, dictionaries and catalogs move: the root has no place to go, and contents entries belong
// to their book's contents tree, which the book's driver rebuilds whenever the book is opened.
bool Draggable(const TreeNode* node) {
    return node && (node->nKind == NODE_BOOK || node->nKind == NODE_DICT || node->nKind == NODE_CATALOG);
}

// The auto-scroll period in ticks for a cursor `outside` pixels beyond the edge zone's inner line (the
// zone is 10 pixels deep inside the tree): 6 ticks in the zone, one less for every 20 pixels further.
unsigned ScrollPeriod(int outside) {
    int depth = outside / 20;
    return static_cast<unsigned>(std::max(1, 6 - depth));
}

} // namespace

CShelfTreeCtrl::~CShelfTreeCtrl() {
    delete m_pDragImage;
}

CTavrinCtrl* CShelfTreeCtrl::Shelf() const {
    if (!m_hWnd) return nullptr;
    return dynamic_cast<CTavrinCtrl*>(CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
}

CPoint CShelfTreeCtrl::ImagePoint(CPoint client) const {
    CPoint screen = client;
    ClientToScreen(&screen);
    CRect window;
    GetWindowRect(&window);
    return CPoint(screen.x - window.left, screen.y - window.top);
}

void CShelfTreeCtrl::OnBeginDrag(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (m_bDragging) return;
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    HTREEITEM item = tv->itemNew.hItem;
    if (!item || !Draggable(reinterpret_cast<const TreeNode*>(GetItemData(item)))) return;

    CImageList* image = CreateDragImage(item);
    if (!image) return; // no drag without its image
    CPoint press(tv->ptDrag);
    CRect label;
    GetItemRect(item, &label, TRUE);
    int iconWidth = 0, iconHeight = 0;
    if (CImageList* icons = GetImageList(TVSIL_NORMAL))
        ::ImageList_GetIconSize(icons->GetSafeHandle(), &iconWidth, &iconHeight);
    // The image shows the icon and the label; it hangs from the mouse where the item was pressed.
    image->BeginDrag(0, CPoint(press.x - (label.left - iconWidth), press.y - label.top));
    CImageList::DragEnter(this, ImagePoint(press));

    m_pDragImage = image;
    m_hDragItem = item;
    m_hDropTarget = nullptr;
    m_nTickCount = 0;
    m_bDragging = 1;
    SetCapture();
    m_nScrollTimer = SetTimer(kScrollTimerId, kScrollInterval, nullptr);
}

void CShelfTreeCtrl::OnMouseMove(UINT nFlags, CPoint point) {
    if (m_bDragging) {
        CImageList::DragMove(ImagePoint(point));
        UINT flags = 0;
        if (HTREEITEM hit = HitTest(point, &flags)) {
            CImageList::DragLeave(this);
            SelectDropTarget(hit);
            m_hDropTarget = hit;
            CImageList::DragEnter(this, ImagePoint(point));
        } else {
            m_hDropTarget = nullptr; // the highlight stays where it was
        }
    }
    CTreeCtrl::OnMouseMove(nFlags, point);
}

void CShelfTreeCtrl::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kScrollTimerId && m_bDragging) AutoScrollStep();
    CTreeCtrl::OnTimer(nIDEvent);
}

void CShelfTreeCtrl::AutoScrollStep() {
    ++m_nTickCount;
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    CRect client;
    GetClientRect(&client);
    CImageList::DragMove(ImagePoint(cursor));
    HTREEITEM first = GetFirstVisibleItem();

    if (cursor.y < client.top + 10) {
        if (m_nTickCount % ScrollPeriod(client.top - cursor.y + 10) != 0) return;
        CImageList::DragShowNolock(FALSE);
        SendMessage(WM_VSCROLL, SB_LINEUP, 0);
        SelectDropTarget(first);
        m_hDropTarget = first;
        CImageList::DragShowNolock(TRUE);
    } else if (cursor.y > client.bottom - 10) {
        if (m_nTickCount % ScrollPeriod(cursor.y - client.bottom + 10) != 0) return;
        CImageList::DragShowNolock(FALSE);
        SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
        // The item that has come into the last row.
        HTREEITEM last = first;
        UINT count = GetVisibleCount();
        for (UINT i = 1; last && i < count; ++i)
            last = GetNextVisibleItem(last);
        if (last) SelectDropTarget(last);
        m_hDropTarget = last;
        CImageList::DragShowNolock(TRUE);
    }
}

void CShelfTreeCtrl::EndDrag() {
    ++m_nEnding; // giving the capture back is no loss of it
    CImageList::DragLeave(this);
    CImageList::EndDrag();
    delete m_pDragImage;
    m_pDragImage = nullptr;
    if (m_nScrollTimer) KillTimer(m_nScrollTimer);
    m_nScrollTimer = 0;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    m_bDragging = 0;
    SelectDropTarget(nullptr);
    --m_nEnding;
}

void CShelfTreeCtrl::OnLButtonUp(UINT nFlags, CPoint point) {
    if (!m_bDragging) {
        ::MessageBeep(0);
        CTreeCtrl::OnLButtonUp(nFlags, point);
        return;
    }
    EndDrag();
    HTREEITEM dragged = m_hDragItem;
    HTREEITEM target = m_hDropTarget;
    m_hDragItem = nullptr;
    m_hDropTarget = nullptr;
    m_lastDrop = Drop(dragged, target, point);
    if (m_lastDrop == DropResult::NoTarget && ::IsWindow(m_hWnd)) CTreeCtrl::OnLButtonUp(nFlags, point);
}

void CShelfTreeCtrl::CancelDrag() {
    if (!m_bDragging || m_nEnding) return;
    EndDrag();
    m_hDragItem = nullptr;
    m_hDropTarget = nullptr;
    m_lastDrop = DropResult::Cancelled;
}

void CShelfTreeCtrl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (m_bDragging && nChar == VK_ESCAPE) {
        CancelDrag();
        return;
    }
    CTreeCtrl::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CShelfTreeCtrl::OnCaptureChanged(CWnd* pWnd) {
    if (m_bDragging && !m_nEnding && (!pWnd || pWnd->m_hWnd != m_hWnd)) CancelDrag();
    CTreeCtrl::OnCaptureChanged(pWnd);
}

void CShelfTreeCtrl::OnDestroy() {
    CancelDrag();
    CTreeCtrl::OnDestroy();
}

const char* CShelfTreeCtrl::DropResultText(DropResult result) {
    switch (result) {
    case DropResult::None:
    case DropResult::Moved:
        return "";
    case DropResult::NoTarget:
        return "released where there is no item";
    case DropResult::NoDrop:
        return "the item takes no dropped items";
    case DropResult::OntoItself:
        return "an item cannot go into itself or one of its own items";
    case DropResult::CatalogOfAnotherParent:
        return "a catalog moves only among the catalogs of its own parent";
    case DropResult::OntoBook:
        return "nothing of another kind goes into a book";
    case DropResult::ItemGone:
        return "the item left the shelf during the drag";
    case DropResult::Cancelled:
        return "the drag was cancelled";
    }
    return "";
}

// The shelf's tree child: the platform tree control with the shelf's context menu on the right
// button, and the drag-moving of items within the shelf on the left button.
//
// A drag begins when the user presses the left button on a book, a dictionary or a catalog and moves
// the mouse past the drag distance (the tree then sends TVN_BEGINDRAG, which this class takes for
// itself). While it runs, a drag image follows the mouse, the item under the mouse is the drop
// highlight, and a timer scrolls the tree while the mouse is near or beyond its upper or lower edge.
// Releasing the button drops the item there by the shelf's drop rules; Escape, the mouse capture taken
// by another window or the tree going away end the drag and leave the tree as it was.
#pragma once

#include "afxcmn.h"

class CTavrinCtrl;

class CShelfTreeCtrl : public CTreeCtrl {
  public:
    CShelfTreeCtrl() = default;
    ~CShelfTreeCtrl() override;

    // The auto-scroll timer of a drag: its id on the tree window and its period in milliseconds.
    static constexpr UINT_PTR kScrollTimerId = 0x5348; // "SH"
    static constexpr UINT kScrollInterval = 50;

    // How the last drag ended.
    enum class DropResult {
        None,                   // no drag has ended yet
        Moved,                  // the dragged item moved to its new place
        NoTarget,               // released where there is no item
        NoDrop,                 // the item under the mouse takes no dropped item (a beep)
        OntoItself,             // onto the dragged item itself or one of its own descendants
        CatalogOfAnotherParent, // a catalog onto a catalog of another parent
        OntoBook,               // onto a book of another kind
        ItemGone,               // the dragged item or the target left the tree during the drag
        Cancelled,              // Escape, the capture lost, or the tree destroyed
    };
    DropResult LastDropResult() const { return m_lastDrop; }
    // A short reason for a drop that moved nothing; "" for Moved and None.
    static const char* DropResultText(DropResult result);

    BOOL IsDragging() const { return m_bDragging; }

    // ---- moving items ----
    // Moves hItem with its whole subtree under hNewParent after hInsertAfter: copies with the same
    // nodes, then hItem deleted without freeing them. The selection, when it was inside hItem, goes to
    // its copy without telling the host. Returns the copy (null when it could not be inserted, with
    // nothing changed).
    HTREEITEM MoveItem(HTREEITEM hNewParent, HTREEITEM hItem, HTREEITEM hInsertAfter);
    // Copies the children of hOldItem (and theirs) under hNewParent, each appended last, with the same
    // nodes; hNewParent is expanded (contents not built again) when hOldItem is.
    void CopyChildren(HTREEITEM hNewParent, HTREEITEM hOldItem, HTREEITEM hInsertAfter);
    // True when both items have the same parent item.
    BOOL IsSameParent(HTREEITEM hItem1, HTREEITEM hItem2) const;
    // True when hItem is hAncestor or lies below it.
    BOOL IsWithin(HTREEITEM hItem, HTREEITEM hAncestor) const;

    // Ends a running drag without moving anything; nothing when no drag runs.
    void CancelDrag();

  protected:
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnCaptureChanged(CWnd* pWnd);
    afx_msg void OnDestroy();
    // TVN_BEGINDRAG, reflected from the tree's own notification.
    afx_msg void OnBeginDrag(NMHDR* pNMHDR, LRESULT* pResult);

    // After the tree's own handling (NM_RCLICK, WM_CONTEXTMENU), a press on an item shows the shelf's
    // context menu for that item, owned by the control (the tree's parent). While the menu is up, and
    // until the command chosen from it has been carried out, the item is the drop-highlighted item,
    // which the commands act on; the drop highlight is then put back as it was.
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);

    DECLARE_MESSAGE_MAP()

  private:
    // The control this tree belongs to (its parent); null when there is none.
    CTavrinCtrl* Shelf() const;
    // A point in client coordinates as the drag image takes it (relative to the window rectangle).
    CPoint ImagePoint(CPoint client) const;
    // The drag's own ending: image, timer, capture, flag and highlight.
    void EndDrag();
    // The drop rules for the item dragged onto hTarget, released at `point`.
    DropResult Drop(HTREEITEM hDragged, HTREEITEM hTarget, CPoint point);
    // One tick of the auto-scroll timer.
    void AutoScrollStep();

    CImageList* m_pDragImage = nullptr;
    int m_bDragging = 0;
    int m_nEnding = 0; // nonzero while EndDrag gives the capture back
    UINT_PTR m_nScrollTimer = 0;
    unsigned m_nTickCount = 0;
    HTREEITEM m_hDropTarget = nullptr;
    HTREEITEM m_hDragItem = nullptr;
    DropResult m_lastDrop = DropResult::None;
};

// The shelf's drop target for text dragged from other windows and programs. It is registered on the
// tree child when the control's window is created; a text dropped on a book or dictionary reaches the
// host as WM_SHELF_DROPTEXT with the book's handle.
//
// The target keeps no state between callbacks: the item under the drag is the tree's drop highlight,
// and the control is found, at each drop, as the parent of the window the target is registered on, so
// the target never holds on to a control that has gone.
#pragma once

#include "afxole.h"

class CShelfDropTarget : public COleDropTarget {
  public:
    CShelfDropTarget() = default;

    // Every drag is welcome: DROPEFFECT_MOVE.
    DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    // The item whose icon, label, expand button or state icon is under the point becomes the drop
    // highlight; elsewhere (the indent, right of the label, below the last item) the highlight stays
    // as it was. Always DROPEFFECT_MOVE.
    DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point) override;
    // Selects the drop-highlighted item without telling the host, and when it is a book or dictionary
    // and the data holds CF_TEXT, sends the host WM_SHELF_DROPTEXT with the book's handle and the text
    // (zero-terminated, in the active code page as the data carries it; an empty text is sent too).
    // Always FALSE, so the source never removes what it offered.
    BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) override;
    // The drag left the tree or was cancelled: the drop highlight goes.
    void OnDragLeave(CWnd* pWnd) override;
};

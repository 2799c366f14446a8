// How the shelf looks: label colours, the link mark of linked catalogs, the background, the tree's
// place inside the control and its style.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/globals.h"

void CTavrinCtrl::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
}

BOOL CTavrinCtrl::OnEraseBkgnd(CDC* pDC) {
    return CWnd::OnEraseBkgnd(pDC);
}

void CTavrinCtrl::OnCustomDraw(NMHDR*, LRESULT* pResult) {
    *pResult = CDRF_DODEFAULT;
}

COLORREF CTavrinCtrl::GetItemColor(HTREEITEM) {
    return 0xFFFFFFFF;
}

int CTavrinCtrl::ChgStyle(int) {
    return 0;
}

COLORREF CTavrinCtrl::SetBkColor(COLORREF) {
    return m_crBack;
}

COLORREF CTavrinCtrl::GetBkColor() {
    return m_crBack;
}

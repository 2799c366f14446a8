// Clicks on the shelf, its context menus and the commands they carry.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/globals.h"

BOOL CTavrinCtrl::OnCommand(WPARAM wParam, LPARAM lParam) {
    return CWnd::OnCommand(wParam, lParam);
}

void CTavrinCtrl::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu) {
    CWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
}

void CTavrinCtrl::OnClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

void CTavrinCtrl::Property() {}

int CTavrinCtrl::BookMngDlg() {
    return 0;
}

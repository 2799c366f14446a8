// New catalogs made by the user, and the editing of catalog labels.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/globals.h"

void CTavrinCtrl::NewCatalogs() {}

void CTavrinCtrl::Rename() {}

int CTavrinCtrl::IsCataExist(LPCSTR) {
    return 0;
}

void CTavrinCtrl::OnBeginLabelEdit(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

void CTavrinCtrl::OnEndlabeledit(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

// What the control tells its host when the tree's selection changes.
#include "tavrin/tavrin_ctrl.h"

void CTavrinCtrl::OnSeleChanged(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

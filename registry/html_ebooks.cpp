// The HTML e-books that the e-book driver keeps in its own store.
#include "tavrin/tavrin_ctrl.h"

void CTavrinCtrl::AddHtmlEBook(HINSTANCE) {}

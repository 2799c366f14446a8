// The user's catalogs written to and read from the user catalog stream.
#include "tavrin/tavrin_ctrl.h"

BOOL CTavrinCtrl::SaveUserDefineHead() {
    return FALSE;
}

BOOL CTavrinCtrl::LoadUserDefine() {
    return FALSE;
}

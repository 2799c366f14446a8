#include "ui/shelf_tree_ctrl.h"

BEGIN_MESSAGE_MAP(CShelfTreeCtrl, CTreeCtrl)
END_MESSAGE_MAP()

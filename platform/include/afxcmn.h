// The framework's common-control classes: image lists and the tree-view control.
#pragma once

#include "afxwin.h"
#include "afx/imagelist.h"
#include "afx/treectrl.h"
#include "commctrl.h"

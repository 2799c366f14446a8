/* Common controls: image lists and the tree-view control. */
#ifndef COMMCTRL_H_PLATFORM
#define COMMCTRL_H_PLATFORM
#include "win/imagelist.h"
#include "win/treeview.h"
#endif

/* Placeholder until the tree-view declarations land; replaced by its owner. */
#ifndef WIN_TREEVIEW_H
#define WIN_TREEVIEW_H
#endif

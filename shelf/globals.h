// The program-wide objects of the shelf: one working shelf per process.
#pragma once

#include "afxcmn.h"
#include "resources/resource_ids.h"
#include "ui/shelf_drop_target.h"
#include "ui/shelf_tree_ctrl.h"

extern CShelfTreeCtrl g_shelfTree;            // the tree child, control id 1000
extern CShelfDropTarget g_dropTarget;         // text drops from other windows
extern CImageList g_imageList;                // the shelf image list
extern int g_imageIndex[tavrin::kImageCount]; // image-list index of each group x column (-1: not loaded)
extern int g_nLocale;                         // language code for CBIGetBkName
extern unsigned g_nBooksFreed;                // counts books taken off the shelf (TakeBookOff): a
                                              // caller that let the host run sees whether its book
                                              // may be gone

inline constexpr UINT kShelfTreeId = 1000;
inline constexpr const char* kShelfModuleName = "Tavrin.DLL";

// The control's own module (its resources live there).
HMODULE ShelfModule();

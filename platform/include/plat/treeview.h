// What the tree-view and edit controls offer beyond the Windows API for hosts and tests: class
// registration, a consistency check and a readable dump of a tree, and mouse gestures.
#pragma once

#include "win/treeview.h"

#include <string>

namespace plat {

// Registers the "SysTreeView32" and "Edit" window classes if they are not registered yet (what
// InitCommonControls does). Safe to call any number of times; classes survive ResetWindows.
void RegisterControlClasses();

// Checks a tree's internal links: parent, child and sibling links agree, every item is reachable
// exactly once and has a live handle, the count matches, the display order is the pre-order walk of
// the expanded branches, and the selection, drop target, insert mark, edited item and top item are
// live items. Returns "" when consistent, else a description of the first problem found.
std::string CheckTreeLinks(HWND tree);

// A stamp of the tree's state: it changes whenever an item is inserted or deleted, children are sorted,
// or an item's data (lParam) or children flag is set, and only then; stamps are never reused, not even
// by another tree. 0 for a window that is no tree. A caller that keeps an index of a tree's items can
// tell from it that the index still describes the tree.
unsigned long long TreeChangeStamp(HWND tree);

// How many rows the tree's layout has visited since the tree was made (laid out, walked over or
// counted): a measure of the layout's work for tests, which can tell linear from quadratic with it.
// 0 for a window that is no tree.
unsigned long long TreeLayoutWork(HWND tree);

// One line per item in tree order: two spaces per level, the label (callback labels as "<callback>")
// and the flags in brackets: '+' children flag set, 'E' expanded, 'S' selected, 'D' drop target,
// 'C' caret. Example: "Books [+ E]\n  Poems [S C]\n".
std::string DumpTree(HWND tree);

// Posts the mouse messages of a drag to `hwnd` (client coordinates): `steps` WM_MOUSEMOVEs evenly
// from `from` (excluded) to `to` (included) with `button` (MK_LBUTTON or MK_RBUTTON) held, then the
// button's release at `to`. Send the press afterwards (SendMouse with WM_LBUTTONDOWN at `from`): a
// control that tracks the press sees the queued moves; what it does not consume is delivered by the
// next message pump.
void PostDragPath(HWND hwnd, POINT from, POINT to, int steps, WPARAM button = MK_LBUTTON);

// The whole gesture: PostDragPath, then the press at `from` sent to `hwnd`, then a pump that
// delivers the rest of the path (the moves and release the control did not consume).
void DragMouse(HWND hwnd, POINT from, POINT to, int steps, WPARAM button = MK_LBUTTON);

} // namespace plat

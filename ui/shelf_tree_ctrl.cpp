#include "ui/shelf_tree_ctrl.h"

#include "catalog/tree_walk.h"
#include "ui/shelf_menu.h"

BEGIN_MESSAGE_MAP(CShelfTreeCtrl, CTreeCtrl)
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_TIMER()
ON_WM_KEYDOWN()
ON_WM_CAPTURECHANGED()
ON_WM_DESTROY()
ON_WM_RBUTTONDOWN()
ON_NOTIFY_REFLECT(TVN_BEGINDRAGA, OnBeginDrag)
END_MESSAGE_MAP()

namespace {

// A press anywhere on an item's row counts: its icon, label, indent, button, the space right of the
// label or its state icon.
constexpr UINT kOnItemRow = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON |
                            TVHT_ONITEMRIGHT | TVHT_ONITEMSTATEICON;
static_assert(kOnItemRow == 0x7E);

// True when `item` is still an item of the tree (a command may have deleted it).
bool InTree(const CTreeCtrl& tree, HTREEITEM item) {
    for (HTREEITEM top = tree.GetRootItem(); top; top = tree.GetNextSiblingItem(top)) {
        if (top == item) return true;
        if (tavrin::FindBelow(tree, top, [item](HTREEITEM found, const TreeNode*) { return found == item; }))
            return true;
    }
    return false;
}

} // namespace

void CShelfTreeCtrl::OnLButtonDown(UINT nFlags, CPoint point) {
    // A press starts afresh: no item stays marked as the place of an earlier drop or menu.
    SelectDropTarget(nullptr);
    CTreeCtrl::OnLButtonDown(nFlags, point);
}

void CShelfTreeCtrl::OnRButtonDown(UINT nFlags, CPoint point) {
    CTreeCtrl::OnRButtonDown(nFlags, point);
    if (!::IsWindow(m_hWnd)) return; // the tree's own handling may have ended the shelf
    UINT hit = 0;
    HTREEITEM item = HitTest(point, &hit);
    if (!item || !(hit & kOnItemRow)) return;
    HWND owner = ::GetParent(m_hWnd);
    CMenu menu;
    if (!menu.CreatePopupMenu() || !BuildShelfMenu(menu.m_hMenu, item, false)) return;
    CPoint screen = point;
    ClientToScreen(&screen);

    // A right-press does not select: the commands act on the drop-highlighted item, so the pressed
    // item is that while its menu is up. The command is taken back from the menu and sent here (the
    // menu would post it, to arrive after the highlight is gone).
    HTREEITEM previous = GetDropHilightItem();
    SelectDropTarget(item);
    UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu.m_hMenu, TPM_LEFTALIGN | TPM_RETURNCMD, screen.x, screen.y, 0, owner, nullptr));
    menu.DestroyMenu();
    if (chosen != 0 && ::IsWindow(owner)) ::SendMessageA(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    if (!::IsWindow(m_hWnd)) return;
    SelectDropTarget(previous && InTree(*this, previous) ? previous : nullptr);
}

// What a host may ask and do about a drag of a shelf item (tavrin/shelf_view.h).
#include "tavrin/tavrin_ctrl.h"

#include "shelf/globals.h"

using DropResult = CShelfTreeCtrl::DropResult;

static_assert(SHELF_SCROLL_INTERVAL == CShelfTreeCtrl::kScrollInterval);

int CTavrinCtrl::IsDragging() {
    return GetTreeWindow() && g_shelfTree.IsDragging() ? 1 : 0;
}

void CTavrinCtrl::CancelDrag() {
    if (GetTreeWindow()) g_shelfTree.CancelDrag();
}

int CTavrinCtrl::GetLastDrop(LPCSTR* ppszReason) {
    const DropResult result = g_shelfTree.LastDropResult();
    if (ppszReason) *ppszReason = CShelfTreeCtrl::DropResultText(result);
    switch (result) {
    case DropResult::None:
        return SHELF_DROP_NONE;
    case DropResult::Moved:
        return SHELF_DROP_MOVED;
    case DropResult::NoTarget:
        return SHELF_DROP_NO_TARGET;
    case DropResult::NoDrop:
        return SHELF_DROP_NO_DROP;
    case DropResult::OntoItself:
        return SHELF_DROP_ONTO_ITSELF;
    case DropResult::CatalogOfAnotherParent:
        return SHELF_DROP_OTHER_PARENT;
    case DropResult::OntoBook:
        return SHELF_DROP_ONTO_BOOK;
    case DropResult::ItemGone:
        return SHELF_DROP_ITEM_GONE;
    case DropResult::Cancelled:
        return SHELF_DROP_CANCELLED;
    }
    return SHELF_DROP_NONE;
}

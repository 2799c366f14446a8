// Notifications to the tree's parent: one helper fills the common header and sends WM_NOTIFY; the
// others build the tree-view structures around it. The parent is the window given at creation.
#include "treeview/tree.h"

#include <cstring>

namespace plat::detail::tv {

namespace {

// Fills one TVITEMA of a notification from an item. `text` keeps the label alive for the call.
void FillItem(TVITEMA* out, UINT mask, const Item* item, std::string* text) {
    *out = TVITEMA{};
    if (!item) return; // the missing side of a selection change stays zeroed
    out->mask = mask;
    out->hItem = item->handle;
    out->state = item->state;
    out->lParam = item->lParam;
    if (mask & TVIF_TEXT) {
        if (item->textCallback) {
            out->pszText = LPSTR_TEXTCALLBACKA;
        } else {
            *text = item->text;
            out->pszText = text->data();
            out->cchTextMax = static_cast<int>(text->size() + 1);
        }
    }
    if (mask & TVIF_IMAGE) out->iImage = item->image;
    if (mask & TVIF_SELECTEDIMAGE) out->iSelectedImage = item->selectedImage;
    if (mask & TVIF_CHILDREN) out->cChildren = ChildrenValue(item);
}

} // namespace

LRESULT Notify(Tree& t, UINT code, NMHDR* hdr) {
    hdr->hwndFrom = t.hwnd;
    hdr->idFrom = static_cast<UINT_PTR>(GetWindowLongPtrA(t.hwnd, GWLP_ID));
    hdr->code = code;
    if (t.destroyed || !t.notify || !IsWindow(t.notify)) return 0;
    return SendMessageA(t.notify, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

LRESULT NotifySimple(Tree& t, UINT code) {
    NMHDR hdr{};
    return Notify(t, code, &hdr);
}

LRESULT NotifyTreeView(Tree& t, UINT code, UINT action, UINT oldMask, Item* oldItem, UINT newMask,
                       Item* newItem, POINT pt) {
    NMTREEVIEWA nm{};
    std::string oldText, newText;
    nm.action = action;
    FillItem(&nm.itemOld, oldMask, oldItem, &oldText);
    FillItem(&nm.itemNew, newMask, newItem, &newText);
    nm.ptDrag = pt;
    return Notify(t, code, &nm.hdr);
}

DispInfo AskDispInfo(Tree& t, Item* item, UINT mask) {
    DispInfo result;
    result.image = item->image;
    result.selectedImage = item->selectedImage;
    result.children = ChildrenValue(item);
    NMTVDISPINFOA di{};
    char buffer[MAX_PATH];
    buffer[0] = '\0';
    di.item.mask = mask;
    di.item.hItem = item->handle;
    di.item.state = item->state;
    di.item.lParam = item->lParam;
    di.item.iImage = item->image;
    di.item.iSelectedImage = item->selectedImage;
    if (mask & TVIF_TEXT) {
        di.item.pszText = buffer;
        di.item.cchTextMax = MAX_PATH;
    }
    Notify(t, TVN_GETDISPINFOA, &di.hdr);
    buffer[MAX_PATH - 1] = '\0';
    if (item->dead) return result;

    if (mask & TVIF_TEXT) {
        LPSTR text = di.item.pszText;
        if (text == buffer)
            result.text.assign(buffer, strnlen(buffer, MAX_PATH));
        else if (text && text != LPSTR_TEXTCALLBACKA)
            result.text = text; // the handler may point at its own string
    }
    if (mask & TVIF_IMAGE) result.image = di.item.iImage;
    if (mask & TVIF_SELECTEDIMAGE) result.selectedImage = di.item.iSelectedImage;
    if (mask & TVIF_CHILDREN) result.children = di.item.cChildren;
    if (di.item.mask & TVIF_STATE) {
        result.state = di.item.state;
        result.stateMask = di.item.stateMask;
    }

    // TVIF_DI_SETITEM: the control keeps the answer and stops asking.
    if (di.item.mask & TVIF_DI_SETITEM) {
        if (mask & TVIF_TEXT) {
            item->text = result.text;
            item->textCallback = false;
            item->textWidth = -1;
        }
        if (mask & TVIF_IMAGE) item->image = result.image;
        if (mask & TVIF_SELECTEDIMAGE) item->selectedImage = result.selectedImage;
        if (mask & TVIF_CHILDREN)
            item->kids = result.children == I_CHILDRENCALLBACK
                             ? KidsMode::Callback
                             : (result.children ? KidsMode::ForceYes : KidsMode::ForceNo);
    }
    return result;
}

bool HasChildren(Tree& t, Item* item) {
    if (item->kids != KidsMode::Callback) return ChildrenValue(item) != 0;
    int answer = AskDispInfo(t, item, TVIF_CHILDREN).children;
    return answer != 0 && answer != I_CHILDRENCALLBACK;
}

} // namespace plat::detail::tv

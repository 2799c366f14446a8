// How the shelf looks: label colours, the link mark of linked catalogs, the background, the tree's
// place inside the control and its style.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/catalog_link.h"
#include "catalog/tree_walk.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "ui/link_mark.h"

using namespace tavrin;

namespace {

constexpr DWORD kLinesAndButtons = TVS_HASBUTTONS | TVS_HASLINES;
// Sub-item stages: only a list in report mode sends them, the shelf answers them all the same.
constexpr DWORD kSubItemPrePaint = CDDS_SUBITEM | CDDS_ITEMPREPAINT;
constexpr DWORD kSubItemPostPaint = CDDS_SUBITEM | CDDS_ITEMPOSTPAINT;

bool TreeIsOurs(HWND control) {
    HWND tree = g_shelfTree.GetSafeHwnd();
    return tree && ::IsWindow(tree) && ::GetParent(tree) == control;
}

// Binds the driver table to the shelf driver for a read and puts the table back as it was: a paint can
// come in the middle of another driver's calls (the loop of a message box, a host's callback), and
// those calls go on with the table bound to their own driver.
class ShelfDriverBinding {
  public:
    explicit ShelfDriverBinding(HMODULE shelfDriver) : previous_(BoundDriver()) {
        if (previous_ != shelfDriver) BindDriver(shelfDriver);
    }
    ~ShelfDriverBinding() {
        if (BoundDriver() != previous_) BindDriver(previous_);
    }
    ShelfDriverBinding(const ShelfDriverBinding&) = delete;
    ShelfDriverBinding& operator=(const ShelfDriverBinding&) = delete;

  private:
    HMODULE previous_;
};

// The text colour the tree draws labels in when nobody says otherwise.
COLORREF TreeTextColor() {
    COLORREF color = static_cast<COLORREF>(g_shelfTree.SendMessage(TVM_GETTEXTCOLOR, 0, 0));
    return color == CLR_NONE ? ::GetSysColor(COLOR_WINDOWTEXT) : color;
}

} // namespace

void CTavrinCtrl::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    if (!TreeIsOurs(m_hWnd)) return; // the first WM_SIZE comes before the tree is made
    // A margin of 3 pixels on the left and 2 on top; a control smaller than that leaves no tree to see.
    g_shelfTree.MoveWindow(3, 2, cx > 3 ? cx - 3 : 0, cy > 2 ? cy - 2 : 0, TRUE);
    g_shelfTree.Invalidate();
    g_shelfTree.UpdateWindow();
}

BOOL CTavrinCtrl::OnEraseBkgnd(CDC* pDC) {
    if (pDC && pDC->GetSafeHdc()) {
        CRect rc;
        GetClientRect(&rc);
        HBRUSH brush = ::CreateSolidBrush(m_crBack);
        ::FillRect(pDC->GetSafeHdc(), &rc, brush);
        ::DeleteObject(brush);
    }
    return CWnd::OnEraseBkgnd(pDC);
}

void CTavrinCtrl::OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult) {
    if (!pResult) return;
    *pResult = CDRF_DODEFAULT;
    if (!pNMHDR || pNMHDR->code != static_cast<UINT>(NM_CUSTOMDRAW)) return;
    auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(pNMHDR);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        *pResult = CDRF_NOTIFYITEMDRAW;
        return;
    case CDDS_ITEM:
    case kSubItemPrePaint:
        return;
    case kSubItemPostPaint:
        *pResult = CDRF_SKIPDEFAULT;
        return;
    default:
        break;
    }

    auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
    const TreeNode* node = item ? NodeOfItem(g_shelfTree, item) : nullptr;
    const UINT state = draw->nmcd.uItemState;
    // The link is read at every paint of the item: the catalog file may change under the shelf.
    auto linked = [&] {
        ShelfDriverBinding binding(m_hShelfDriver);
        return LinkOfCatalog(g_cbi, m_dwShelfHandle, node) != CatalogLink::None;
    };
    auto mark = [&](COLORREF text) {
        RECT label{};
        if (!g_shelfTree.GetItemRect(item, &label, TRUE)) return;
        DrawLinkMark(draw->nmcd.hdc, ShelfModule(), label, m_nTrunkStatus, text, m_crBack);
    };

    if (state & CDIS_SELECTED) {
        draw->clrText = kSelectionText;
        draw->clrTextBk = kSelectionBack;
        if (node && linked()) mark(m_nTrunkStatus ? kSelectionBack : kOfflineMark);
        return;
    }
    // Focus or hot alone, and items without a node, keep the tree's own colours.
    if (state != 0 || !node) return;

    COLORREF inherited = GetItemColor(item);
    COLORREF text = inherited == kDefaultItemColor ? TreeTextColor() : inherited;
    if (linked()) mark(m_nTrunkStatus ? text : kOfflineMark);
    if (g_shelfTree.GetItemState(item, TVIS_DROPHILITED) & TVIS_DROPHILITED) {
        draw->clrText = kSelectionText;
        draw->clrTextBk = kSelectionBack;
    } else {
        draw->clrText = text;
        draw->clrTextBk = kLabelBack;
    }
}

COLORREF CTavrinCtrl::GetItemColor(HTREEITEM hItem) {
    for (HTREEITEM item = hItem; item; item = g_shelfTree.GetParentItem(item)) {
        const TreeNode* node = NodeOfItem(g_shelfTree, item);
        if (node && node->crText != kDefaultItemColor) return node->crText;
    }
    return kDefaultItemColor;
}

int CTavrinCtrl::ChgStyle(int bOn) {
    if (!TreeIsOurs(m_hWnd)) return 0;
    BOOL changed =
        bOn ? g_shelfTree.ModifyStyle(0, kLinesAndButtons) : g_shelfTree.ModifyStyle(kLinesAndButtons, 0);
    if (changed) g_shelfTree.Invalidate(); // the tree shows the new look at its next paint
    return changed ? 1 : 0;
}

COLORREF CTavrinCtrl::SetBkColor(COLORREF crBack) {
    COLORREF previous = m_crBack;
    if (crBack & 0xFF000000) return previous; // not a colour (CLR_NONE, a palette index): nothing changes
    m_crBack = crBack;
    if (m_hWnd) Invalidate(TRUE); // the margins around the tree
    if (TreeIsOurs(m_hWnd)) g_shelfTree.SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(crBack));
    return previous;
}

COLORREF CTavrinCtrl::GetBkColor() {
    return m_crBack;
}

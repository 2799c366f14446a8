// The "SysTreeView32" window class: creation and destruction of the tree's state, and the window
// procedure that hands every message to its handler.
#include "plat/treeview.h"
#include "treeview/tree.h"

#include <algorithm>
#include <cstring>

namespace plat::detail {
void RegisterEditClass();
} // namespace plat::detail

namespace plat::detail::tv {

Tree* TreeOf(HWND hwnd) {
    if (!IsWindow(hwnd)) return nullptr;
    char name[32] = {0};
    GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) != WC_TREEVIEWA) return nullptr;
    return reinterpret_cast<Tree*>(GetWindowLongPtrA(hwnd, 0));
}

namespace {
// Every tree whose window is alive. Item handles are unique across trees, so a handle names an item
// of at most one of them.
std::vector<Tree*>& LiveTrees() {
    static std::vector<Tree*> trees;
    return trees;
}
} // namespace

Tree* TreeHolding(HTREEITEM h) {
    for (Tree* t : LiveTrees())
        if (!t->destroyed && Resolve(*t, h)) return t;
    return nullptr;
}

BusyGuard::BusyGuard(Tree& t) : t_(t) {
    ++t_.busy;
}

BusyGuard::~BusyGuard() {
    if (t_.busy == 1 && !t_.destroyed) {
        if (t_.layoutDirty) EnsureLayout(t_);
        t_.graveyard.clear();
    }
    if (--t_.busy == 0 && t_.destroyed) delete &t_;
}

namespace {

POINT MousePoint(LPARAM lParam) {
    return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

COLORREF SwapColor(COLORREF& slot, LPARAM value) {
    COLORREF old = slot;
    slot = static_cast<COLORREF>(value);
    return old;
}

void DestroyState(Tree& t) {
    if (t.edit) EndEditLabel(t, true);
    if (t.destroyed) return;
    if (t.editTimerArmed) KillTimer(t.hwnd, kEditTimerId);
    t.editTimerArmed = false;
    DeleteAllItems(t);
}

// The edit box stays where it was made, so the user's scrolling first ends an open edit (taking the
// focus back commits it). False when the tree went meanwhile.
bool EndEditForScroll(Tree& t) {
    if (t.edit) SetFocus(t.hwnd);
    return !t.destroyed;
}

LRESULT OnCreate(Tree& t) {
    if (t.notify && IsWindow(t.notify))
        t.notifyFormat = static_cast<int>(
            SendMessageA(t.notify, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(t.hwnd), NF_QUERY));
    if (t.destroyed) return -1;
    RECT client{};
    GetClientRect(t.hwnd, &client);
    t.clientWidth = client.right;
    t.clientHeight = client.bottom;
    RecomputeItemHeight(t);
    return 0;
}

HIMAGELIST SetImageList(Tree& t, WPARAM which, HIMAGELIST list) {
    HIMAGELIST old = nullptr;
    if (which == TVSIL_STATE) {
        old = t.stateImages;
        t.stateImages = list;
    } else if (which == TVSIL_NORMAL) {
        old = t.normalImages;
        t.normalImages = list;
        int width = NormalImageSize(t).cx;
        if (width > kDefaultIndent && width > t.indent) t.indent = width; // wide images widen the indent
    } else {
        return nullptr;
    }
    RecomputeItemHeight(t);
    return old;
}

LRESULT SetItemHeight(Tree& t, WPARAM wParam) {
    int old = t.itemHeight;
    int height = static_cast<int>(static_cast<INT_PTR>(wParam));
    if (height == -1) {
        t.itemHeightSet = false;
        t.itemHeight = DefaultItemHeight(t);
    } else {
        t.itemHeight = std::max(1, height);
        t.itemHeightSet = true;
        if (!(t.style & TVS_NONEVENHEIGHT) && t.itemHeight != 1) t.itemHeight &= ~1;
    }
    MarkLayoutDirty(t);
    InvalidateAll(t);
    return old;
}

LRESULT TreeMessage(Tree& t, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto item = [&t](LPARAM h) { return Resolve(t, reinterpret_cast<HTREEITEM>(h)); };
    switch (msg) {
    case TVM_INSERTITEMA:
        return InsertItem(t, reinterpret_cast<const TVINSERTSTRUCTA*>(lParam));
    case TVM_DELETEITEM:
        return DeleteItem(t, reinterpret_cast<HTREEITEM>(lParam));
    case TVM_EXPAND:
        return ExpandMessage(t, wParam, reinterpret_cast<HTREEITEM>(lParam));
    case TVM_GETITEMRECT:
        return GetItemRectMessage(t, static_cast<BOOL>(wParam), reinterpret_cast<RECT*>(lParam));
    case TVM_GETCOUNT:
        return static_cast<LRESULT>(t.items.size());
    case TVM_GETINDENT:
        return t.indent;
    case TVM_SETINDENT:
        t.indent = std::max(kMinIndent, static_cast<int>(static_cast<INT_PTR>(wParam)));
        InvalidateAll(t);
        return 0;
    case TVM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(wParam == TVSIL_STATE    ? t.stateImages
                                         : wParam == TVSIL_NORMAL ? t.normalImages
                                                                  : nullptr);
    case TVM_SETIMAGELIST:
        return reinterpret_cast<LRESULT>(SetImageList(t, wParam, reinterpret_cast<HIMAGELIST>(lParam)));
    case TVM_GETNEXTITEM:
        return reinterpret_cast<LRESULT>(GetNextItem(t, wParam, reinterpret_cast<HTREEITEM>(lParam)));
    case TVM_SELECTITEM:
        return SelectMessage(t, wParam, reinterpret_cast<HTREEITEM>(lParam));
    case TVM_GETITEMA: {
        // The platform's tree cannot tell its own items from another tree's and reads the item the
        // handle names. Handles here are never shared between trees, so another tree's item is
        // answered by the tree that holds it (its callbacks go to that tree's parent); a handle that
        // names no live item anywhere fails.
        auto* out = reinterpret_cast<TVITEMA*>(lParam);
        if (out && out->hItem && !Resolve(t, out->hItem)) {
            Tree* holder = TreeHolding(out->hItem);
            return holder && holder != &t ? SendMessageA(holder->hwnd, TVM_GETITEMA, 0, lParam) : FALSE;
        }
        return GetItem(t, out);
    }
    case TVM_SETITEMA:
        return SetItem(t, reinterpret_cast<const TVITEMA*>(lParam));
    case TVM_EDITLABELA:
    case TVM_EDITLABELW: // the same edit either way; its notifications are ANSI like all others
        return reinterpret_cast<LRESULT>(EditLabel(t, item(lParam)));
    case TVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(t.edit);
    case TVM_GETVISIBLECOUNT:
        return VisibleCount(t);
    case TVM_HITTEST:
        return reinterpret_cast<LRESULT>(HitTest(t, reinterpret_cast<TVHITTESTINFO*>(lParam)));
    case TVM_CREATEDRAGIMAGE:
        return reinterpret_cast<LRESULT>(CreateDragImage(t, item(lParam)));
    case TVM_SORTCHILDREN:
        return SortChildren(t, reinterpret_cast<HTREEITEM>(lParam), nullptr);
    case TVM_SORTCHILDRENCB: {
        const auto* cb = reinterpret_cast<const TVSORTCB*>(lParam);
        return cb ? SortChildren(t, cb->hParent, cb) : FALSE;
    }
    case TVM_ENSUREVISIBLE: {
        Item* target = item(lParam);
        return target ? EnsureVisible(t, target) : FALSE;
    }
    case TVM_ENDEDITLABELNOW:
        return EndEditLabel(t, wParam != 0);
    case TVM_GETISEARCHSTRINGA: {
        // The caller's buffer holds MAX_PATH characters; the search string never grows beyond that.
        auto* out = reinterpret_cast<LPSTR>(lParam);
        size_t n = std::min(t.search.size(), static_cast<size_t>(MAX_PATH - 1));
        if (out) {
            std::memcpy(out, t.search.data(), n);
            out[n] = '\0';
        }
        return static_cast<LRESULT>(n);
    }
    case TVM_SETTOOLTIPS:
    case TVM_GETTOOLTIPS:
        return 0;
    case TVM_SETINSERTMARK: {
        Item* target = item(lParam);
        if (lParam && !target) return FALSE;
        t.insertMark = target;
        t.insertMarkAfter = wParam != 0;
        InvalidateAll(t);
        return TRUE;
    }
    case TVM_SETITEMHEIGHT:
        return SetItemHeight(t, wParam);
    case TVM_GETITEMHEIGHT:
        return t.itemHeight;
    case TVM_SETBKCOLOR: {
        COLORREF old = SwapColor(t.bkColor, lParam);
        InvalidateAll(t);
        return static_cast<LRESULT>(static_cast<LONG>(old));
    }
    case TVM_SETTEXTCOLOR: {
        COLORREF old = SwapColor(t.textColor, lParam);
        InvalidateAll(t);
        return static_cast<LRESULT>(static_cast<LONG>(old));
    }
    case TVM_GETBKCOLOR:
        return static_cast<LRESULT>(static_cast<LONG>(t.bkColor));
    case TVM_GETTEXTCOLOR:
        return static_cast<LRESULT>(static_cast<LONG>(t.textColor));
    case TVM_SETSCROLLTIME: {
        UINT old = t.scrollTime;
        t.scrollTime = static_cast<UINT>(wParam);
        return old;
    }
    case TVM_GETSCROLLTIME:
        return t.scrollTime;
    case TVM_SETINSERTMARKCOLOR: {
        COLORREF old = SwapColor(t.insertMarkColor, lParam);
        InvalidateAll(t);
        return static_cast<LRESULT>(old);
    }
    case TVM_GETINSERTMARKCOLOR:
        return static_cast<LRESULT>(t.insertMarkColor);
    case TVM_GETITEMSTATE: {
        Item* target = Resolve(t, reinterpret_cast<HTREEITEM>(wParam));
        return target ? static_cast<LRESULT>(target->state & static_cast<UINT>(lParam)) : 0;
    }
    case TVM_SETLINECOLOR: {
        COLORREF old = SwapColor(t.lineColor, lParam);
        InvalidateAll(t);
        return static_cast<LRESULT>(old);
    }
    case TVM_GETLINECOLOR:
        return static_cast<LRESULT>(t.lineColor);
    case TVM_SETUNICODEFORMAT:
    case TVM_GETUNICODEFORMAT:
        return FALSE; // this layer's trees talk ANSI only
    default:
        return 0;
    }
}

LRESULT WindowMessage(Tree& t, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(t);
    case WM_DESTROY:
        DestroyState(t);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        std::erase(LiveTrees(), &t);
        if (t.boldFont) DeleteObject(t.boldFont);
        t.boldFont = nullptr;
        t.destroyed = true;
        return 0;
    case WM_SIZE:
        t.clientWidth = LOWORD(lParam);
        t.clientHeight = HIWORD(lParam);
        MarkLayoutDirty(t);
        InvalidateAll(t);
        return 0;
    case WM_SETFONT:
        t.font =
            wParam ? reinterpret_cast<HFONT>(wParam) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        if (t.boldFont) DeleteObject(t.boldFont);
        t.boldFont = nullptr;
        InvalidateWidths(t);
        RecomputeItemHeight(t);
        if (LOWORD(lParam)) InvalidateAll(t);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(t.font);
    case WM_SETREDRAW:
        t.redraw = wParam != 0;
        if (t.redraw) {
            MarkLayoutDirty(t);
            InvalidateAll(t);
        }
        return 0;
    case WM_STYLECHANGED:
        if (wParam == static_cast<WPARAM>(GWL_STYLE) && lParam) {
            t.style = reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew;
            RecomputeItemHeight(t);
        }
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_NOTIFYFORMAT:
        if (lParam == NF_REQUERY && t.notify && IsWindow(t.notify))
            t.notifyFormat = static_cast<int>(
                SendMessageA(t.notify, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(hwnd), NF_QUERY));
        return NFR_ANSI;
    case WM_PAINT:
        Paint(t, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // the background is painted with the items
    case WM_SETFOCUS:
        NotifySimple(t, NM_SETFOCUS);
        if (!t.destroyed) InvalidateItem(t, t.caret);
        return 0;
    case WM_KILLFOCUS:
        NotifySimple(t, NM_KILLFOCUS);
        if (!t.destroyed) InvalidateItem(t, t.caret);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(t, MousePoint(lParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(t, MousePoint(lParam));
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(t, MousePoint(lParam));
        return 0;
    case WM_RBUTTONDBLCLK:
        NotifySimple(t, NM_RDBLCLK);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
        return 0;
    case WM_MOUSEWHEEL: {
        if (!EndEditForScroll(t)) return 0;
        int notches = static_cast<SHORT>(HIWORD(wParam)) / 120;
        for (int i = 0; i < 3 * (notches < 0 ? -notches : notches) && !t.destroyed; ++i)
            OnVScroll(t, notches > 0 ? SB_LINEUP : SB_LINEDOWN);
        return 0;
    }
    case WM_KEYDOWN:
        return OnKeyDown(t, wParam);
    case WM_CHAR:
        OnChar(t, static_cast<char>(wParam));
        return 0;
    case WM_VSCROLL:
        if (EndEditForScroll(t)) OnVScroll(t, wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kEditTimerId) OnEditTimer(t);
        return 0;
    case WM_COMMAND:
        OnEditCommand(t, wParam, lParam);
        return 0;
    default:
        if ((msg >= TV_FIRST && msg < TV_FIRST + 0x100) || msg == TVM_SETUNICODEFORMAT ||
            msg == TVM_GETUNICODEFORMAT)
            return TreeMessage(t, msg, wParam, lParam);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK TreeWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* t = new Tree();
        t->hwnd = hwnd;
        t->notify = cs ? cs->hwndParent : nullptr;
        t->style = cs ? static_cast<DWORD>(cs->style) : 0;
        t->root.state = TVIS_EXPANDED;
        t->root.level = -1;
        t->font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        t->indent = kDefaultIndent;
        NoteChange(*t);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(t));
        LiveTrees().push_back(t);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    auto* t = reinterpret_cast<Tree*>(GetWindowLongPtrA(hwnd, 0));
    if (!t) return DefWindowProcA(hwnd, msg, wParam, lParam);
    BusyGuard guard(*t);
    return WindowMessage(*t, hwnd, msg, wParam, lParam);
}

} // namespace

} // namespace plat::detail::tv

namespace plat {

void RegisterControlClasses() {
    WNDCLASSA probe{};
    if (!GetClassInfoA(0, WC_TREEVIEWA, &probe)) {
        WNDCLASSA wc{};
        wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
        wc.lpfnWndProc = detail::tv::TreeWindowProc;
        wc.cbWndExtra = sizeof(void*);
        wc.hCursor = LoadCursorA(0, IDC_ARROW);
        wc.lpszClassName = WC_TREEVIEWA;
        RegisterClassA(&wc);
    }
    detail::RegisterEditClass();
}

unsigned long long TreeChangeStamp(HWND tree) {
    const detail::tv::Tree* t = detail::tv::TreeOf(tree);
    return t && !t->destroyed ? t->changeStamp : 0;
}

unsigned long long TreeLayoutWork(HWND tree) {
    const detail::tv::Tree* t = detail::tv::TreeOf(tree);
    return t && !t->destroyed ? t->layoutWork : 0;
}

} // namespace plat

extern "C" {

void InitCommonControls(void) {
    plat::RegisterControlClasses();
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    plat::RegisterControlClasses();
    return TRUE;
}

} // extern "C"

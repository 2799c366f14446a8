// In-place label editing: the edit child is made and filled before TVN_BEGINLABELEDIT (the handler
// may change its text or refuse), limited to MAX_PATH - 1 characters, and ended by Enter (save), Esc
// (cancel), losing the focus (save) or TVM_ENDEDITLABELNOW. TVN_ENDLABELEDIT carries a MAX_PATH
// buffer the handler may rewrite; TRUE accepts whatever pszText then holds.
#include "plat/interaction.h"
#include "treeview/tree.h"

#include <algorithm>
#include <cstring>

namespace plat::detail {
LRESULT CALLBACK EditWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
} // namespace plat::detail

namespace plat::detail::tv {

namespace {

std::string WindowText(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
    int copied = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(0, copied)));
    return text;
}

constexpr int kEditSlack = 15; // room beyond the text, so that typing does not scroll at once

// The edit's width for `text`: the text and some room, but never past the tree's right edge.
int EditWidth(Tree& t, const std::string& text, int left) {
    SIZE size{0, 0};
    if (HDC dc = GetDC(t.hwnd)) {
        HGDIOBJ old = SelectObject(dc, t.font);
        GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(t.hwnd, dc);
    }
    return std::max(1, std::min<int>(size.cx + kEditSlack, t.clientWidth - left));
}

// The edit keeps to the width its text needs as the user types; the tree repaints what it uncovers.
void FitEdit(Tree& t) {
    RECT rc{};
    GetWindowRect(t.edit, &rc);
    MapWindowPoints(nullptr, t.hwnd, reinterpret_cast<POINT*>(&rc), 2);
    int width = EditWidth(t, WindowText(t.edit), rc.left);
    if (width == rc.right - rc.left) return;
    if (width < rc.right - rc.left) InvalidateRect(t.hwnd, &rc, TRUE);
    SetWindowPos(t.edit, nullptr, 0, 0, width, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(t.edit, nullptr, TRUE);
}

// The edit draws its text and selection; the frame around it is drawn here, inside its client area,
// so that the edit's own drawing shows the whole box.
void PaintEdit(HWND hwnd, WNDPROC base, HDC given) {
    PAINTSTRUCT ps{};
    HDC dc = given ? given : BeginPaint(hwnd, &ps);
    if (dc) {
        CallWindowProcA(base, hwnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        GetClientRect(hwnd, &client);
        HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(dc, &client, frame);
        DeleteObject(frame);
    }
    if (!given) EndPaint(hwnd, &ps);
}

// The tree's subclass of its edit child: Enter and Esc end the edit, and the edit asks for every key.
LRESULT CALLBACK EditSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Tree* t = TreeOf(GetParent(hwnd));
    WNDPROC base = t && t->editProc ? t->editProc : plat::detail::EditWindowProc;
    if (!t || t->edit != hwnd) return CallWindowProcA(base, hwnd, msg, wParam, lParam);
    BusyGuard guard(*t);
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE || wParam == VK_RETURN) {
            EndEditLabel(*t, wParam == VK_ESCAPE);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 0x1B) return 0; // handled on the key press
        break;
    case WM_PAINT:
        PaintEdit(hwnd, base, reinterpret_cast<HDC>(wParam));
        return 0;
    default:
        break;
    }
    return CallWindowProcA(base, hwnd, msg, wParam, lParam);
}

} // namespace

HWND EditLabel(Tree& t, Item* item) {
    if (!(t.style & TVS_EDITLABELS) || !item || item->dead) return nullptr;
    if (t.edit) return t.edit;
    if (t.editTimerArmed) {
        KillTimer(t.hwnd, kEditTimerId);
        t.editTimerArmed = false;
    }
    std::string text = ItemText(t, item);
    if (t.destroyed || item->dead) return nullptr;

    // Place the edit over the label, a little larger than the text.
    RowGeometry g;
    int x = 0, y = 0;
    if (RowOf(t, item, &g)) {
        x = g.textLeft - kLabelMargin;
        y = g.top - 1;
    }
    TEXTMETRICA tm{};
    tm.tmHeight = 16;
    if (HDC dc = GetDC(t.hwnd)) {
        HGDIOBJ old = SelectObject(dc, t.font);
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(t.hwnd, dc);
    }
    // No WS_BORDER: the frame is drawn in the client area (see PaintEdit), one pixel above and below
    // the text and a pixel of room each side.
    HWND edit = CreateWindowExA(0, WC_EDITA, "", WS_CHILD | ES_AUTOHSCROLL | ES_LEFT, x, y,
                                EditWidth(t, text, x), tm.tmHeight + 4, t.hwnd, nullptr,
                                static_cast<HINSTANCE>(GetWindowLongPtrA(t.hwnd, GWLP_HINSTANCE)), nullptr);
    if (!edit) return nullptr;
    t.edit = edit;
    t.editItem = item;
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(t.font), FALSE);
    SendMessageA(edit, EM_LIMITTEXT, kEditLimit, 0);
    SetWindowTextA(edit, text.c_str());
    t.editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditSubclassProc)));

    // The handler sees the edit already filled; it may change its text or refuse.
    NMTVDISPINFOA di{};
    char buffer[MAX_PATH];
    size_t n = std::min(text.size(), sizeof buffer - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    di.item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_TEXT;
    di.item.hItem = item->handle;
    di.item.state = item->state;
    di.item.lParam = item->lParam;
    di.item.pszText = item->textCallback ? LPSTR_TEXTCALLBACKA : buffer;
    di.item.cchTextMax = MAX_PATH;
    LRESULT refused = Notify(t, TVN_BEGINLABELEDITA, &di.hdr);
    if (t.destroyed) return nullptr;
    if (refused || item->dead || t.edit != edit || !IsWindow(edit)) {
        if (t.edit == edit) {
            t.edit = nullptr;
            t.editItem = nullptr;
        }
        if (IsWindow(edit)) DestroyWindow(edit);
        return nullptr;
    }
    InvalidateItem(t, item);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    ShowWindow(edit, SW_SHOW);
    if (t.destroyed || t.edit != edit) return nullptr;
    plat::CurrentInteraction().LabelEditStarted(edit, WindowText(edit));
    return t.edit == edit ? edit : nullptr;
}

BOOL EndEditLabel(Tree& t, bool cancel) {
    if (!t.edit || t.endingEdit) return FALSE;
    t.endingEdit = true;
    HWND edit = t.edit;
    Item* item = t.editItem;

    // The text travels in a MAX_PATH buffer, so a longer text is cut to MAX_PATH - 1 characters.
    char buffer[MAX_PATH];
    buffer[0] = '\0';
    NMTVDISPINFOA di{};
    if (item) {
        di.item.hItem = item->handle;
        di.item.state = item->state;
        di.item.lParam = item->lParam;
    }
    if (!cancel) {
        GetWindowTextA(edit, buffer, MAX_PATH);
        di.item.mask = TVIF_TEXT;
        di.item.pszText = buffer;
        di.item.cchTextMax = MAX_PATH;
    }
    LRESULT accepted = item && !item->dead ? Notify(t, TVN_ENDLABELEDITA, &di.hdr) : 0;
    buffer[MAX_PATH - 1] = '\0';
    if (!t.destroyed && !cancel && accepted && item && !item->dead && !item->textCallback) {
        LPSTR text = di.item.pszText;
        if (text == buffer) {
            item->text.assign(buffer, strnlen(buffer, MAX_PATH));
        } else if (text && text != LPSTR_TEXTCALLBACKA) {
            item->text = text; // the handler pointed at a text of its own
        }
        item->textWidth = -1;
    }
    if (!t.destroyed) {
        t.edit = nullptr;
        t.editItem = nullptr;
        if (GetFocus() == edit) SetFocus(t.hwnd);
        if (IsWindow(edit)) {
            ShowWindow(edit, SW_HIDE);
            DestroyWindow(edit);
        }
        if (item) InvalidateItem(t, item);
    }
    t.endingEdit = false;
    return TRUE;
}

void OnEditCommand(Tree& t, WPARAM wParam, LPARAM lParam) {
    HWND from = reinterpret_cast<HWND>(lParam);
    if (!from || from != t.edit || t.endingEdit) return;
    if (HIWORD(wParam) == EN_KILLFOCUS)
        EndEditLabel(t, false);
    else if (HIWORD(wParam) == EN_UPDATE)
        FitEdit(t);
}

} // namespace plat::detail::tv

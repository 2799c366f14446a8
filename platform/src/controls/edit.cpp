// The "Edit" window class (single-line): text, selection, the text limit, typing and the EN_*
// notifications sent to the parent as WM_COMMAND.
#include "plat/resources.h"
#include "win/treeview.h"
#include "win/wingdi.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace plat::detail {

LRESULT CALLBACK EditWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

namespace {

constexpr size_t kDefaultLimit = 32767;
constexpr size_t kMaxLimit = 0x7FFFFFFE;

struct EditState {
    std::string text;
    size_t limit = kDefaultLimit;
    size_t anchor = 0; // the selection runs from anchor to caret
    size_t caret = 0;
    bool modified = false;
    HFONT font = nullptr;
    DWORD style = 0;

    size_t SelStart() const { return std::min(anchor, caret); }
    size_t SelEnd() const { return std::max(anchor, caret); }
};

EditState* StateOf(HWND hwnd) {
    return reinterpret_cast<EditState*>(GetWindowLongPtrA(hwnd, 0));
}

// Tells the parent; the window may be gone afterwards (callers re-read their state).
void NotifyParent(HWND hwnd, WORD code) {
    HWND parent = GetParent(hwnd);
    if (!parent || !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) return;
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), reinterpret_cast<LPARAM>(hwnd));
}

void Changed(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyParent(hwnd, EN_UPDATE);
    if (IsWindow(hwnd)) NotifyParent(hwnd, EN_CHANGE);
}

// Character boundaries in the active code page (two-byte characters stay whole).
size_t PrevBoundary(const std::string& s, size_t pos) {
    size_t last = 0;
    for (size_t i = 0; i < pos;) {
        last = i;
        i += (plat::IsLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    }
    return last;
}

size_t NextBoundary(const std::string& s, size_t pos) {
    if (pos >= s.size()) return s.size();
    return std::min(s.size(),
                    pos + ((plat::IsLeadByte(static_cast<BYTE>(s[pos])) && pos + 1 < s.size()) ? 2 : 1));
}

// Replaces the selection with `insert`, cut to what the limit leaves room for. Returns false when
// something had to be cut (EN_MAXTEXT).
bool ReplaceSelection(EditState& st, std::string insert) {
    size_t start = st.SelStart(), end = st.SelEnd();
    size_t kept = st.text.size() - (end - start);
    size_t room = st.limit > kept ? st.limit - kept : 0;
    bool fits = insert.size() <= room;
    if (!fits) {
        size_t cut = 0; // whole characters only
        while (cut < insert.size()) {
            size_t next = NextBoundary(insert, cut);
            if (next > room) break;
            cut = next;
        }
        insert.resize(cut);
    }
    st.text.replace(start, end - start, insert);
    st.anchor = st.caret = start + insert.size();
    return fits;
}

// One edit by the user or EM_REPLACESEL, with its notifications.
void Edit(HWND hwnd, EditState& st, const std::string& insert) {
    std::string before = st.text;
    bool fits = ReplaceSelection(st, insert);
    bool changed = st.text != before;
    if (changed) st.modified = true;
    if (!fits) {
        NotifyParent(hwnd, EN_MAXTEXT);
        if (!IsWindow(hwnd)) return;
    }
    if (changed) Changed(hwnd);
}

void DeleteRange(HWND hwnd, EditState& st, size_t from, size_t to) {
    if (from >= to) return;
    st.text.erase(from, to - from);
    st.anchor = st.caret = from;
    st.modified = true;
    Changed(hwnd);
}

void OnChar(HWND hwnd, EditState& st, unsigned char ch) {
    if (st.style & ES_READONLY) return;
    if (ch == VK_BACK) {
        if (st.SelStart() != st.SelEnd())
            DeleteRange(hwnd, st, st.SelStart(), st.SelEnd());
        else if (st.caret > 0)
            DeleteRange(hwnd, st, PrevBoundary(st.text, st.caret), st.caret);
        return;
    }
    if (ch < 0x20) return; // other control characters do nothing in a single-line edit
    Edit(hwnd, st, std::string(1, static_cast<char>(ch)));
}

void OnKeyDown(HWND hwnd, EditState& st, WPARAM vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    size_t to = st.caret;
    switch (vk) {
    case VK_LEFT:
        to = st.caret > 0 ? PrevBoundary(st.text, st.caret) : 0;
        break;
    case VK_RIGHT:
        to = NextBoundary(st.text, st.caret);
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = st.text.size();
        break;
    case VK_DELETE:
        if (st.style & ES_READONLY) return;
        if (st.SelStart() != st.SelEnd())
            DeleteRange(hwnd, st, st.SelStart(), st.SelEnd());
        else
            DeleteRange(hwnd, st, st.caret, NextBoundary(st.text, st.caret));
        return;
    default:
        return;
    }
    st.caret = to;
    if (!shift) st.anchor = to;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Paint(HWND hwnd, EditState& st, HDC given) {
    PAINTSTRUCT ps{};
    HDC dc = given ? given : BeginPaint(hwnd, &ps);
    if (!dc) {
        if (!given) EndPaint(hwnd, &ps);
        return;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HGDIOBJ oldFont = SelectObject(dc, st.font ? st.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkColor(dc, GetSysColor(enabled && !(st.style & ES_READONLY) ? COLOR_WINDOW : COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    ExtTextOutA(dc, 1, 1, ETO_OPAQUE | ETO_CLIPPED, &client, st.text.data(),
                static_cast<UINT>(st.text.size()), nullptr);
    // The selection is drawn over it in the highlight colours while the edit has the focus.
    size_t start = st.SelStart(), end = st.SelEnd();
    if (GetFocus() == hwnd && start < end) {
        SIZE before{}, selected{};
        GetTextExtentPoint32A(dc, st.text.data(), static_cast<int>(start), &before);
        GetTextExtentPoint32A(dc, st.text.data() + start, static_cast<int>(end - start), &selected);
        RECT box{1 + before.cx, client.top, 1 + before.cx + selected.cx, client.bottom};
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        ExtTextOutA(dc, box.left, 1, ETO_OPAQUE | ETO_CLIPPED, &box, st.text.data() + start,
                    static_cast<UINT>(end - start), nullptr);
    }
    SelectObject(dc, oldFont);
    if (!given) EndPaint(hwnd, &ps);
}

size_t CaretFromPoint(HWND hwnd, const EditState& st, int x) {
    HDC dc = GetDC(hwnd);
    if (!dc) return st.text.size();
    HGDIOBJ old = SelectObject(dc, st.font ? st.font : GetStockObject(DEFAULT_GUI_FONT));
    size_t best = st.text.size();
    for (size_t i = 0; i < st.text.size(); i = NextBoundary(st.text, i)) {
        SIZE before{}, through{};
        size_t next = NextBoundary(st.text, i);
        GetTextExtentPoint32A(dc, st.text.data(), static_cast<int>(i), &before);
        GetTextExtentPoint32A(dc, st.text.data(), static_cast<int>(next), &through);
        if (x - 1 < (before.cx + through.cx) / 2) {
            best = i;
            break;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return best;
}

int CopyOut(const std::string& s, LPSTR buffer, WPARAM capacity) {
    if (!buffer || capacity == 0) return 0;
    size_t n = std::min(s.size(), static_cast<size_t>(capacity) - 1);
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

size_t Clamp(LPARAM value, size_t size) {
    if (value < 0) return size;
    return std::min(static_cast<size_t>(value), size);
}

} // namespace

LRESULT CALLBACK EditWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* st = new EditState();
        if (const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam)) {
            if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) st->text = cs->lpszName;
            st->style = static_cast<DWORD>(cs->style);
        }
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(st));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    EditState* st = StateOf(hwnd);
    if (!st) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        delete st;
        return 0;
    case WM_SETTEXT:
        st->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : ""; // not cut to the limit
        st->anchor = st->caret = 0;
        st->modified = false;
        Changed(hwnd);
        return TRUE;
    case WM_GETTEXT:
        return CopyOut(st->text, reinterpret_cast<LPSTR>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(st->text.size());
    case EM_LIMITTEXT:
        st->limit = wParam == 0 ? kMaxLimit : std::min<size_t>(wParam, kMaxLimit);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(st->limit);
    case EM_SETSEL: {
        auto start = static_cast<INT_PTR>(wParam);
        if (start == -1) { // remove the selection, keep the caret
            st->anchor = st->caret;
        } else {
            st->anchor = Clamp(static_cast<LPARAM>(start), st->text.size());
            st->caret = Clamp(lParam, st->text.size());
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case EM_GETSEL: {
        DWORD start = static_cast<DWORD>(st->SelStart()), end = static_cast<DWORD>(st->SelEnd());
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
    }
    case EM_REPLACESEL:
        Edit(hwnd, *st, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return 0;
    case EM_GETMODIFY:
        return st->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        st->modified = wParam != 0;
        return 0;
    case WM_CLEAR:
    case WM_CUT:
        if (!(st->style & ES_READONLY)) DeleteRange(hwnd, *st, st->SelStart(), st->SelEnd());
        return 0;
    case WM_CHAR:
        OnChar(hwnd, *st, static_cast<unsigned char>(wParam));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(hwnd, *st, wParam);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        if ((st = StateOf(hwnd))) {
            st->caret = CaretFromPoint(hwnd, *st, GET_X_LPARAM(lParam));
            if (GetKeyState(VK_SHIFT) >= 0) st->anchor = st->caret;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_SETFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_SETFONT:
        st->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(st->font);
    case WM_STYLECHANGED:
        if (wParam == static_cast<WPARAM>(GWL_STYLE) && lParam)
            st->style = reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew;
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS |
               ((st->style & ES_MULTILINE) ? DLGC_WANTALLKEYS : 0);
    case WM_PAINT:
        Paint(hwnd, *st, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void RegisterEditClass() {
    WNDCLASSA probe{};
    if (GetClassInfoA(0, WC_EDITA, &probe)) return;
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = EditWindowProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hCursor = LoadCursorA(0, IDC_IBEAM);
    wc.lpszClassName = WC_EDITA;
    RegisterClassA(&wc);
}

} // namespace plat::detail

// The dialog window class and the dialog manager's default behaviour: DefDlgProc (the dialog
// procedure first, DWLP_MSGRESULT for its answers, then the defaults), the default push button, and
// the keyboard interface of IsDialogMessage (Enter, Esc, Tab).
#include "dialog/dialog_state.h"
#include "plat/dialogs.h"
#include "plat/treeview.h"
#include "win/wingdi.h"

#include <map>

namespace {

std::map<HWND, std::unique_ptr<plat::detail::DialogInfo>>& Dialogs() {
    static std::map<HWND, std::unique_ptr<plat::detail::DialogInfo>> dialogs;
    return dialogs;
}

// Messages whose answer is the dialog procedure's return value itself rather than DWLP_MSGRESULT.
bool ReturnsProcResult(UINT msg) {
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLOREDIT:
    case 0x0132: // WM_CTLCOLORMSGBOX
    case 0x0134: // WM_CTLCOLORLISTBOX
    case 0x0135: // WM_CTLCOLORBTN
    case 0x0136: // WM_CTLCOLORDLG
    case 0x0137: // WM_CTLCOLORSCROLLBAR
    case 0x0138: // WM_CTLCOLORSTATIC
    case 0x0039: // WM_COMPAREITEM
    case 0x002E: // WM_VKEYTOITEM
    case 0x002F: // WM_CHARTOITEM
    case 0x0037: // WM_QUERYDRAGICON
        return true;
    default:
        return false;
    }
}

DWORD DlgCode(HWND control, WPARAM key, const MSG* msg) {
    return static_cast<DWORD>(SendMessageA(control, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(msg)));
}

bool IsPushButtonCode(DWORD code) {
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// The push button that is the default one when no DM_SETDEFID was given.
HWND FindDefaultButton(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (DlgCode(child, 0, nullptr) & DLGC_DEFPUSHBUTTON) return child;
    return nullptr;
}

LRESULT GetDefId(HWND dialog) {
    plat::detail::DialogInfo* info = plat::detail::FindDialog(dialog);
    if (info && info->ended) return 0;
    if (info && info->defId) return MAKELRESULT(info->defId, DC_HASDEFID);
    if (HWND button = FindDefaultButton(dialog)) return MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID);
    return 0;
}

void SetDefId(HWND dialog, int id) {
    plat::detail::DialogInfo* info = plat::detail::FindDialog(dialog);
    if (!info) return;
    HWND old = info->defId ? GetDlgItem(dialog, info->defId) : FindDefaultButton(dialog);
    if (old && GetDlgCtrlID(old) != id && (DlgCode(old, 0, nullptr) & DLGC_DEFPUSHBUTTON))
        SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    info->defId = id;
    HWND button = GetDlgItem(dialog, id);
    if (button && (DlgCode(button, 0, nullptr) & DLGC_UNDEFPUSHBUTTON))
        SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// Enter: the focused push button, else the default button (IDOK when the dialog names none). A
// disabled default button makes Enter do nothing.
void PressEnter(HWND dialog, HWND focus) {
    if (focus && IsChild(dialog, focus) && IsPushButtonCode(DlgCode(focus, 0, nullptr))) {
        if (IsWindowEnabled(focus))
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                         reinterpret_cast<LPARAM>(focus));
        return;
    }
    LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button)) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PressEscape(HWND dialog) {
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    if (cancel && !IsWindowEnabled(cancel)) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
}

void PaintBackground(HWND dialog, HDC dc) {
    if (!dc) return;
    RECT rc{};
    GetClientRect(dialog, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace

namespace plat::detail {

DialogInfo* FindDialog(HWND hwnd) {
    auto it = Dialogs().find(hwnd);
    return it == Dialogs().end() ? nullptr : it->second.get();
}

DialogInfo& AddDialog(HWND hwnd) {
    auto info = std::make_unique<DialogInfo>();
    info->hwnd = hwnd;
    DialogInfo& ref = *info;
    Dialogs()[hwnd] = std::move(info);
    return ref;
}

void ForgetDialog(HWND hwnd) {
    Dialogs().erase(hwnd);
}

void RegisterDialogClasses() {
    plat::RegisterControlClasses(); // "Edit"
    plat::RegisterButtonClass();
    plat::RegisterStaticClass();
    WNDCLASSA existing{};
    if (GetClassInfoA(0, WC_DIALOG, &existing)) return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = DefDlgProcA;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.lpszClassName = WC_DIALOG;
    RegisterClassA(&wc);
}

HWND NextTabItem(HWND dialog, HWND from, bool previous) {
    std::vector<HWND> items;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) items.push_back(child);
    }
    if (items.empty()) return nullptr;
    size_t at = items.size();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == from) at = i;
    if (at == items.size()) return previous ? items.back() : items.front();
    if (previous) return items[(at + items.size() - 1) % items.size()];
    return items[(at + 1) % items.size()];
}

void FocusControl(HWND dialog, HWND control) {
    if (!control) return;
    if (DlgCode(control, 0, nullptr) & DLGC_HASSETSEL) SendMessageA(control, EM_SETSEL, 0, -1);
    SetFocus(control);
    if (DialogInfo* info = FindDialog(dialog)) info->lastFocus = control;
}

} // namespace plat::detail

extern "C" {

LRESULT DefDlgProcA(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(hDlg)) return 0;
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, msg, wParam, lParam);
        if (handled || !IsWindow(hDlg)) {
            if (ReturnsProcResult(msg) || !IsWindow(hDlg)) return handled;
            return GetWindowLongPtrA(hDlg, DWLP_MSGRESULT);
        }
    }
    switch (msg) {
    case WM_ERASEBKGND:
        PaintBackground(hDlg, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_CLOSE:
        // Closing the window counts as Cancel, unless the Cancel button is disabled.
        if (HWND cancel = GetDlgItem(hDlg, IDCANCEL); !cancel || IsWindowEnabled(cancel))
            PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(cancel));
        return 0;
    case DM_GETDEFID:
        return GetDefId(hDlg);
    case DM_SETDEFID:
        SetDefId(hDlg, static_cast<int>(wParam));
        return TRUE;
    case WM_NEXTDLGCTL: {
        HWND target = lParam ? reinterpret_cast<HWND>(wParam)
                             : plat::detail::NextTabItem(hDlg, GetFocus(), wParam != 0);
        plat::detail::FocusControl(hDlg, target);
        return 0;
    }
    case WM_SETFOCUS: {
        plat::detail::DialogInfo* info = plat::detail::FindDialog(hDlg);
        HWND target = info && IsWindow(info->lastFocus) ? info->lastFocus
                                                        : plat::detail::NextTabItem(hDlg, nullptr, false);
        if (target) plat::detail::FocusControl(hDlg, target);
        return 0;
    }
    case WM_NCDESTROY: {
        plat::detail::DialogInfo* info = plat::detail::FindDialog(hDlg);
        if (info && !info->modal) plat::detail::ForgetDialog(hDlg); // the modal runner forgets its own
        break;
    }
    default:
        break;
    }
    return DefWindowProcA(hDlg, msg, wParam, lParam);
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG msg) {
    if (!msg || !hDlg || !IsWindow(hDlg)) return FALSE;
    if (msg->hwnd != hDlg && !IsChild(hDlg, msg->hwnd)) return FALSE;
    HWND target = msg->hwnd;
    if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
        DWORD code = DlgCode(target, msg->wParam, msg);
        bool wantsAll = (code & DLGC_WANTALLKEYS) != 0;
        if (msg->message == WM_KEYDOWN && !wantsAll) {
            switch (msg->wParam) {
            case VK_RETURN:
                PressEnter(hDlg, GetFocus());
                return TRUE;
            case VK_ESCAPE:
                PressEscape(hDlg);
                return TRUE;
            case VK_TAB:
                if (code & DLGC_WANTTAB) break;
                plat::detail::FocusControl(
                    hDlg, plat::detail::NextTabItem(hDlg, GetFocus(), (GetKeyState(VK_SHIFT) & 0x8000) != 0));
                return TRUE;
            default:
                break;
            }
        } else if (msg->message == WM_CHAR && !wantsAll) {
            // The characters of the keys the dialog manager took are not passed on.
            if (msg->wParam == '\r' || msg->wParam == 0x1B) return TRUE;
            if (msg->wParam == '\t' && !(code & DLGC_WANTTAB)) return TRUE;
        }
    }
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT rect) {
    if (!rect || (hDlg && !IsWindow(hDlg))) return FALSE;
    *rect = plat::DialogUnitsToPixels(*rect);
    return TRUE;
}

LONG GetDialogBaseUnits(void) {
    return MAKELONG(plat::kDialogBaseX, plat::kDialogBaseY);
}

} // extern "C"

namespace plat {

RECT DialogUnitsToPixels(const RECT& u) {
    auto x = [](LONG v) { return static_cast<LONG>((static_cast<long long>(v) * kDialogBaseX) / 4); };
    auto y = [](LONG v) { return static_cast<LONG>((static_cast<long long>(v) * kDialogBaseY) / 8); };
    return RECT{x(u.left), y(u.top), x(u.right), y(u.bottom)};
}

} // namespace plat

// Modal dialogs: the dialog window and its controls are built from a template, initialised with
// WM_INITDIALOG and shown with the owner disabled; the interaction in force then acts on the dialog
// and the dialog's loop delivers what it posted, until EndDialog. A dialog still up when nothing is
// left to deliver is cancelled as Esc would.
#include "dialog/dialog_state.h"
#include "plat/dialogs.h"
#include "plat/interaction.h"

#include <algorithm>
#include <vector>

namespace {

plat::DialogCreatedHook g_createdHook = nullptr;
std::vector<HWND> g_modalStack;

constexpr int kPumpLimit = 100000; // messages per loop turn; guards against a window that re-posts forever

// Class names of the template's controls. The platform also names them by atom (0x80 Button,
// 0x81 Edit, 0x82 Static); a template gives them as "#128" and so on.
std::string ControlClass(const std::string& name) {
    if (name == "#128") return "Button";
    if (name == "#129") return "Edit";
    if (name == "#130") return "Static";
    return name;
}

POINT OwnerOrigin(HWND owner) {
    POINT origin{0, 0};
    if (owner) ClientToScreen(owner, &origin);
    return origin;
}

HWND CreateDialogWindow(const plat::DialogTemplate& tmpl, HWND owner, HINSTANCE instance) {
    RECT px = plat::DialogUnitsToPixels(tmpl.rect);
    int width = std::max<LONG>(0, px.right - px.left);
    int height = std::max<LONG>(0, px.bottom - px.top);
    DWORD style = (tmpl.style & ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE)) | WS_POPUP;
    POINT at = OwnerOrigin(owner);
    at.x += px.left;
    at.y += px.top;
    if (tmpl.style & DS_CENTER) {
        RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (owner) GetWindowRect(owner, &area);
        at.x = area.left + ((area.right - area.left) - width) / 2;
        at.y = area.top + ((area.bottom - area.top) - height) / 2;
    }
    HWND dialog = CreateWindowExA(WS_EX_DLGMODALFRAME, WC_DIALOG, tmpl.caption.c_str(), style, at.x, at.y,
                                  width, height, owner, nullptr, instance, nullptr);
    if (!dialog) return nullptr;
    // The template gives the client area; the window is larger by its frame.
    RECT client{};
    GetClientRect(dialog, &client);
    int dx = width - (client.right - client.left);
    int dy = height - (client.bottom - client.top);
    if (dx > 0 || dy > 0)
        SetWindowPos(dialog, nullptr, 0, 0, width + dx, height + dy, SWP_NOMOVE | SWP_NOZORDER);
    return dialog;
}

bool CreateControls(HWND dialog, const plat::DialogTemplate& tmpl, HINSTANCE instance) {
    for (const plat::DialogItemTemplate& item : tmpl.items) {
        RECT px = plat::DialogUnitsToPixels(item.rect);
        std::string cls = ControlClass(item.className);
        DWORD style = (item.style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD;
        HWND control = CreateWindowExA(
            0, cls.c_str(), item.text.c_str(), style, px.left, px.top, std::max<LONG>(0, px.right - px.left),
            std::max<LONG>(0, px.bottom - px.top), dialog,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (!control && !(tmpl.style & DS_NOFAILCREATE)) return false;
        if (!IsWindow(dialog)) return false;
    }
    return true;
}

// Delivers what is queued, the dialog's keyboard interface first, until the dialog ends or nothing
// is left.
void PumpDialog(HWND dialog, const plat::detail::DialogInfo& info) {
    MSG msg{};
    for (int n = 0; n < kPumpLimit && !info.ended && IsWindow(dialog); ++n) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            // The host's loop must still see the quit; the dialog cannot go on.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

struct ModalStackEntry {
    explicit ModalStackEntry(HWND dialog) : dialog_(dialog) { g_modalStack.push_back(dialog); }
    ~ModalStackEntry() {
        auto it = std::find(g_modalStack.begin(), g_modalStack.end(), dialog_);
        if (it != g_modalStack.end()) g_modalStack.erase(it);
    }
    ModalStackEntry(const ModalStackEntry&) = delete;
    ModalStackEntry& operator=(const ModalStackEntry&) = delete;
    HWND dialog_;
};

} // namespace

namespace plat {

DialogCreatedHook SetDialogCreatedHook(DialogCreatedHook hook) {
    DialogCreatedHook old = g_createdHook;
    g_createdHook = hook;
    return old;
}

bool IsModalDialogRunning(HWND dialog) {
    const detail::DialogInfo* info = detail::FindDialog(dialog);
    return info && info->modal && !info->ended;
}

HWND CurrentModalDialog() {
    return g_modalStack.empty() ? nullptr : g_modalStack.back();
}

INT_PTR RunModalDialogIndirect(const DialogTemplate& tmpl, HWND parent, DLGPROC proc, LPARAM param,
                               HINSTANCE instance) {
    detail::RegisterDialogClasses();
    if (parent && !IsWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    HWND owner = detail::TopLevelOf(parent);
    // The owner is disabled from the start, as the platform does for a modal dialog being built.
    auto ownerScope = std::make_unique<detail::ModalOwnerScope>(owner);

    HWND dialog = CreateDialogWindow(tmpl, owner, instance);
    if (!dialog) return -1;
    detail::DialogInfo& info = detail::AddDialog(dialog);
    info.modal = true;
    info.owner = std::move(ownerScope);
    ModalStackEntry stackEntry(dialog);

    SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (g_createdHook) g_createdHook(dialog, param);

    INT_PTR result = -1;
    if (IsWindow(dialog) && CreateControls(dialog, tmpl, instance)) {
        HWND first = detail::NextTabItem(dialog, nullptr, false);
        LRESULT focusDefault = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
        if (IsWindow(dialog) && !info.ended) {
            if (focusDefault && first && IsWindow(first)) detail::FocusControl(dialog, first);
            ShowWindow(dialog, SW_SHOW);
            CurrentInteraction().RunDialog(dialog);
            PumpDialog(dialog, info);
            if (!info.ended && IsWindow(dialog)) {
                // Nothing more will happen: the user is taken to have pressed Esc.
                HWND cancel = GetDlgItem(dialog, IDCANCEL);
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(cancel));
                PumpDialog(dialog, info);
            }
            if (!info.ended && IsWindow(dialog)) EndDialog(dialog, IDCANCEL);
        }
        if (info.ended) result = info.result;
    }
    // `info` lives until ForgetDialog; the owner is enabled again before the dialog goes, as EndDialog does.
    if (info.owner) info.owner->Release();
    if (IsWindow(dialog)) DestroyWindow(dialog);
    detail::ForgetDialog(dialog);
    return result;
}

INT_PTR RunModalDialog(HINSTANCE module, UINT id, HWND parent, DLGPROC proc, LPARAM param) {
    const DialogTemplate* tmpl = FindDialogTemplate(module, id);
    if (!tmpl) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    // Copied: the dialog's handlers may switch resource modules while it runs.
    DialogTemplate copy = *tmpl;
    return RunModalDialogIndirect(copy, parent, proc, param, module);
}

} // namespace plat

extern "C" {

INT_PTR DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) {
    if (!IS_INTRESOURCE(lpTemplateName)) {
        // Templates are known by number only.
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    UINT id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpTemplateName));
    return plat::RunModalDialog(hInstance, id, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    plat::detail::DialogInfo* info = plat::detail::FindDialog(hDlg);
    if (!info || !IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    info->ended = true;
    info->result = nResult;
    if (info->owner) info->owner->Release();
    ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    if (!control) {
        if (lpString && cchMax > 0) lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(control, lpString, cchMax));
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SetWindowTextA(control, lpString) : FALSE;
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageA(control, Msg, wParam, lParam) : 0;
}

} // extern "C"

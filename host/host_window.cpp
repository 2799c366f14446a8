#include "host_window.h"

#include "commctrl.h"

#include <cstdio>

namespace tavrin::host {

namespace {

constexpr const char* kClassName = "TavrinHostWindow";

const char* NotificationName(UINT code) {
    switch (code) {
    case TVN_SELCHANGINGA: return "TVN_SELCHANGING";
    case TVN_SELCHANGEDA: return "TVN_SELCHANGED";
    case TVN_ITEMEXPANDINGA: return "TVN_ITEMEXPANDING";
    case TVN_ITEMEXPANDEDA: return "TVN_ITEMEXPANDED";
    case TVN_DELETEITEMA: return "TVN_DELETEITEM";
    case NM_CLICK: return "NM_CLICK";
    case NM_CUSTOMDRAW: return "NM_CUSTOMDRAW";
    default: return nullptr;
    }
}

} // namespace

bool HostWindow::Create(const char* title, RECT rect) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &HostWindow::Proc;
    wc.lpszClassName = kClassName;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, 0, this);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == WM_NOTIFY && lParam) return self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT HostWindow::OnNotify(const NMHDR& header) {
    if (const char* name = NotificationName(header.code)) {
        char line[96];
        std::snprintf(line, sizeof line, "WM_NOTIFY %s from control %u", name, static_cast<unsigned>(header.idFrom));
        received_.emplace_back(line);
    }
    return 0;
}

} // namespace tavrin::host

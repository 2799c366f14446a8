// The reader's main window on the platform.
#include "reader_window.h"

#include "tavrin/host_messages.h"

namespace tavrin::reader {

namespace {
constexpr const char* kClassName = "TavrinReaderWindow";
}

bool ReaderWindow::Create(ReaderWindowListener* listener, int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &ReaderWindow::Proc;
    wc.lpszClassName = kClassName;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, kClassName, "Tavrin reader", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                            nullptr, nullptr, 0, listener);
    return hwnd_ != nullptr;
}

ReaderWindow::~ReaderWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

LRESULT CALLBACK ReaderWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* listener = reinterpret_cast<ReaderWindowListener*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (listener && msg >= WM_SHELF_NOTIFY && msg <= WM_SHELF_BOOKCLOSED) {
        listener->OnShelfMessage(msg, wParam, lParam);
        return 0;
    }
    if (listener && msg == WM_SIZE) listener->OnSize(LOWORD(lParam), HIWORD(lParam));
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace tavrin::reader

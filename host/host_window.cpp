#include "host_window.h"

#include "terminal_text.h"

#include "tavrin/host_messages.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace tavrin::host {

namespace {

constexpr const char* kClassName = "TavrinHostWindow";

// A zero-terminated text of at most `capacity` bytes from a record the control sent (in the active
// code page), as the terminal shows it.
std::string Field(const char* text, size_t capacity) {
    size_t n = 0;
    while (n < capacity && text[n])
        ++n;
    return Shown(std::string(text, n));
}

std::string Describe(UINT msg, WPARAM wParam, LPARAM lParam) {
    char line[1024];
    if (msg == WM_SHELF_BOOKCLOSED) {
        std::snprintf(line, sizeof line, "WM_SHELF_BOOKCLOSED book %#x", static_cast<unsigned>(lParam));
    } else if (msg == WM_SHELF_DROPTEXT) {
        const auto* info = reinterpret_cast<const DropTextInfo*>(lParam);
        std::snprintf(line, sizeof line, "WM_SHELF_DROPTEXT book %#x text \"%s\"",
                      info ? info->dwBookHandle : 0u,
                      info && info->pszText ? Shown(info->pszText).c_str() : "");
    } else if (wParam == 1) {
        std::snprintf(line, sizeof line, "WM_SHELF_NOTIFY 1 book %#x", static_cast<unsigned>(lParam));
    } else if (wParam == 2 && lParam) {
        const auto* page = reinterpret_cast<const PageInfo*>(lParam);
        std::snprintf(line, sizeof line, "WM_SHELF_NOTIFY 2 book %#x page %d", page->dwBookHandle,
                      static_cast<int>(page->nPage));
    } else if (wParam == 3 && lParam) {
        const auto* trunk = reinterpret_cast<const TrunkInfo*>(lParam);
        std::snprintf(line, sizeof line, "WM_SHELF_NOTIFY 3 type %u trunk \"%s\" catalog \"%s\"",
                      static_cast<unsigned>(trunk->dwType),
                      Field(trunk->szTrunk, sizeof trunk->szTrunk).c_str(),
                      Field(trunk->szCataName, sizeof trunk->szCataName).c_str());
    } else if (wParam == 4 && lParam) {
        const auto* desc = reinterpret_cast<const CatalogDescInfo*>(lParam);
        std::snprintf(line, sizeof line, "WM_SHELF_NOTIFY 4 catalog \"%s\" description \"%s\"",
                      Field(desc->szCataKey, sizeof desc->szCataKey).c_str(),
                      Field(desc->szDescURL, sizeof desc->szDescURL).c_str());
    } else {
        std::snprintf(line, sizeof line, "WM_SHELF_NOTIFY %u %#lx", static_cast<unsigned>(wParam),
                      static_cast<unsigned long>(lParam));
    }
    return line;
}

} // namespace

bool HostWindow::Create(const char* title, RECT rect) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &HostWindow::Proc;
    wc.lpszClassName = kClassName;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, 0, this);
    return hwnd_ != nullptr;
}

void HostWindow::Show() {
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

bool ShowsTheShelf(const std::string& command) {
    static constexpr std::array<std::string_view, 8> kUnseen = {"search", "books", "page",   "contents",
                                                                "define", "add",   "remove", "refresh"};
    return std::ranges::find(kUnseen, command) == kUnseen.end();
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg >= WM_SHELF_NOTIFY && msg <= WM_SHELF_BOOKCLOSED) {
        self->OnShelfMessage(msg, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void HostWindow::OnShelfMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    received_.push_back(Describe(msg, wParam, lParam));
}

} // namespace tavrin::host

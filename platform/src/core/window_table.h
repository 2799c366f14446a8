// The window core's own state: window classes, the windows themselves and the handle table.
// Only the files of platform/src/core use it; everything else goes through the public API.
#pragma once

#include "win/winuser.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat::detail {

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int cbWndExtra = 0;
    HINSTANCE instance = 0;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
};

struct ScrollBar {
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    bool shown = false;
    bool enabled = true;
};

struct Window {
    HWND hwnd = nullptr;
    std::string className;
    UINT classStyle = 0;
    HBRUSH background = nullptr;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr; // WS_CHILD windows: the parent; others: nullptr
    HWND owner = nullptr;  // top-level windows: the owner given at creation
    UINT_PTR id = 0;
    HINSTANCE instance = 0;
    RECT rect{};                // window rectangle: parent client coordinates for children, screen otherwise
    std::vector<HWND> children; // first = top of the z-order
    std::string text;
    LONG_PTR userData = 0;
    std::vector<unsigned char> extra;
    ScrollBar vscroll;
    ScrollBar hscroll;
    bool destroying = false;
    bool hasUpdate = false;
    bool eraseNeeded = false;
    RECT update{};
};

struct WindowState {
    std::map<std::string, WindowClass> classes; // key: upper-cased class name
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevel; // first = top of the z-order
    uintptr_t nextHandle = 0x10010;
};

WindowState& State();
Window* Find(HWND hwnd);
std::string Upper(const std::string& s);

// Client rectangle size and the offset of the client area inside the window rectangle.
RECT ClientInset(const Window& w);
// Screen position of the client area's top-left corner.
POINT ClientOriginOnScreen(const Window& w);

// Messages and timers of a window that is going away.
void ForgetQueuedMessages(HWND hwnd);
void ForgetTimers(HWND hwnd);
void ForgetInputState(HWND hwnd);

// Delivers a message to a window procedure with the spies told first.
LRESULT Deliver(HWND hwnd, WNDPROC proc, UINT msg, WPARAM wParam, LPARAM lParam);

// The layer's clock in milliseconds.
DWORD Now();

// Paint bookkeeping: the first visible window with a pending update that matches the filter.
HWND FindWindowToPaint(HWND filter);
bool IsShownOnScreen(const Window& w);

// Time-ordered timer look-up for the message retrieval.
bool TakeDueTimer(HWND filter, MSG* msg, bool remove);

// Message position and time of the message last retrieved.
void SetLastMessageInfo(POINT pt, DWORD time);

} // namespace plat::detail

// Mouse capture, keyboard focus, the cursor, key states, beeps and system colours, and the injected
// input that tests and the host use to act as the user.
#include "core/window_table.h"
#include "plat/core.h"
#include "win/wingdi.h"

#include <map>
#include <vector>

using namespace plat::detail;

namespace {

HWND g_capture = nullptr;
HWND g_focus = nullptr;
POINT g_cursor{0, 0};
std::map<int, bool> g_keys;
std::vector<UINT> g_beeps;

bool IsMouseMessage(UINT msg) {
    return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
}

} // namespace

namespace plat::detail {

void ForgetInputState(HWND hwnd) {
    if (g_capture == hwnd) ReleaseCapture();
    if (g_focus == hwnd) {
        // The focus leaves a window that is going away without a window to go to.
        g_focus = nullptr;
        SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
    }
}

void ResetInput() {
    g_capture = nullptr;
    g_focus = nullptr;
    g_cursor = POINT{0, 0};
    g_keys.clear();
    g_beeps.clear();
}

} // namespace plat::detail

extern "C" {

HWND SetCapture(HWND hwnd) {
    HWND old = g_capture;
    if (hwnd && !Find(hwnd)) return old;
    if (old == hwnd) return old;
    g_capture = hwnd;
    if (old && Find(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture(void) {
    HWND old = g_capture;
    g_capture = nullptr;
    if (old && Find(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture(void) {
    return g_capture;
}

HWND SetFocus(HWND hwnd) {
    if (hwnd && !Find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND old = g_focus;
    if (old == hwnd) return old;
    g_focus = hwnd;
    if (old && Find(old)) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && Find(hwnd) && g_focus == hwnd)
        SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus(void) {
    return g_focus;
}

HWND GetActiveWindow(void) {
    HWND h = g_focus;
    while (h && GetParent(h) && (GetWindowLongA(h, GWL_STYLE) & WS_CHILD))
        h = GetParent(h);
    return h;
}

BOOL GetCursorPos(LPPOINT pt) {
    if (!pt) return FALSE;
    *pt = g_cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    g_cursor = POINT{x, y};
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
    static HCURSOR current = nullptr;
    HCURSOR old = current;
    current = cursor;
    return old;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    // Cursors are not drawn headless; the resource id itself serves as a distinct handle.
    return reinterpret_cast<HCURSOR>(const_cast<LPSTR>(name));
}

SHORT GetKeyState(int vk) {
    auto it = g_keys.find(vk);
    return (it != g_keys.end() && it->second) ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int vk) {
    return GetKeyState(vk);
}

BOOL MessageBeep(UINT type) {
    g_beeps.push_back(type);
    return TRUE;
}

DWORD GetSysColor(int index) {
    switch (index) {
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
        return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
    case COLOR_WINDOWFRAME:
        return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT:
        return RGB(0, 0, 128);
    case COLOR_BTNFACE:
        return RGB(212, 208, 200);
    case COLOR_BTNSHADOW:
        return RGB(128, 128, 128);
    case COLOR_GRAYTEXT:
        return RGB(128, 128, 128);
    case COLOR_3DHILIGHT:
        return RGB(255, 255, 255);
    case COLOR_BACKGROUND:
        return RGB(58, 110, 165);
    default:
        return RGB(192, 192, 192);
    }
}

HBRUSH GetSysColorBrush(int index) {
    // One brush per system colour, kept for the life of the process as on the platform.
    static std::map<int, HBRUSH> brushes;
    auto it = brushes.find(index);
    if (it != brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(GetSysColor(index));
    brushes.emplace(index, brush);
    return brush;
}

} // extern "C"

namespace plat {

void SetCursorScreenPos(POINT screen) {
    g_cursor = screen;
    detail::SetLastMessageInfo(screen, detail::Now());
}

void SendMouse(HWND hwnd, UINT msg, POINT client, WPARAM keys) {
    if (!IsWindow(hwnd)) return;
    POINT screen = client;
    ClientToScreen(hwnd, &screen);
    SetCursorScreenPos(screen);
    HWND target = hwnd;
    if (IsMouseMessage(msg) && g_capture && g_capture != hwnd) {
        target = g_capture;
        client = screen;
        ScreenToClient(target, &client);
    }
    SendMessageA(target, msg, keys, MAKELPARAM(client.x, client.y));
}

void PostMouse(HWND hwnd, UINT msg, POINT client, WPARAM keys) {
    if (!IsWindow(hwnd)) return;
    POINT screen = client;
    ClientToScreen(hwnd, &screen);
    POINT saved = g_cursor;
    g_cursor = screen; // the queued message carries this position
    PostMessageA(hwnd, msg, keys, MAKELPARAM(client.x, client.y));
    g_cursor = saved;
}

void SetKeyDown(int vk, bool down) {
    g_keys[vk] = down;
}

const std::vector<UINT>& Beeps() {
    return g_beeps;
}
void ClearBeeps() {
    g_beeps.clear();
}

} // namespace plat

#include "print.h"

#include <cstdio>

namespace tavrin::host {

void PrintWindows(HWND hwnd, int depth) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    RECT rc{}, client{};
    GetWindowRect(hwnd, &rc);
    GetClientRect(hwnd, &client);
    std::printf("%*s%s id=%d at (%d,%d)-(%d,%d) client %dx%d%s\n", depth * 2, "", cls, GetDlgCtrlID(hwnd),
                static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right),
                static_cast<int>(rc.bottom), static_cast<int>(client.right), static_cast<int>(client.bottom),
                IsWindowVisible(hwnd) ? "" : " hidden");
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PrintWindows(child, depth + 1);
}

} // namespace tavrin::host

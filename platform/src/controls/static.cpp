// The "Static" control: a text label. It never takes the mouse (clicks go to the window below it)
// and tells the dialog manager it is static.
#include "plat/dialogs.h"
#include "win/wingdi.h"

#include <algorithm>
#include <string>

namespace {

void Paint(HWND hwnd) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        int len = GetWindowTextLengthA(hwnd);
        std::string text(static_cast<size_t>(std::max(0, len)) + 1, '\0');
        int got = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(std::max(0, got)));
        UINT format = DT_WORDBREAK;
        switch (style & 0x3u) {
        case SS_CENTER:
            format |= DT_CENTER;
            break;
        case SS_RIGHT:
            format |= DT_RIGHT;
            break;
        default:
            format |= DT_LEFT;
            break;
        }
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETTEXT:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole control
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

namespace plat {

void RegisterStaticClass() {
    WNDCLASSA existing{};
    if (GetClassInfoA(0, "Static", &existing)) return;
    WNDCLASSA wc{};
    wc.style = CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = StaticProc;
    wc.lpszClassName = "Static";
    RegisterClassA(&wc);
}

} // namespace plat

// The "Button" control: push buttons (and plain check boxes). A click — mouse press and release over
// the button, the space bar, or BM_CLICK — sends WM_COMMAND BN_CLICKED to the parent; a disabled button
// does nothing. WM_GETDLGCODE tells the dialog manager which push button is the default one.
#include "plat/dialogs.h"
#include "win/wingdi.h"

#include <algorithm>
#include <string>

namespace {

constexpr LONG_PTR kPushed = 0x1;  // held down by the mouse or the space bar
constexpr LONG_PTR kChecked = 0x2; // check boxes
constexpr LONG_PTR kFocused = 0x4;

LONG_PTR State(HWND hwnd) {
    return GetWindowLongPtrA(hwnd, 0);
}
void SetState(HWND hwnd, LONG_PTR state) {
    if (State(hwnd) != state) {
        SetWindowLongPtrA(hwnd, 0, state);
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}

DWORD Type(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsPushButton(HWND hwnd) {
    DWORD type = Type(hwnd);
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void Click(HWND hwnd) {
    if (!IsWindowEnabled(hwnd)) return;
    if (Type(hwnd) == BS_AUTOCHECKBOX) SetState(hwnd, State(hwnd) ^ kChecked);
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
}

std::string Text(HWND hwnd) {
    int len = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(std::max(0, len)) + 1, '\0');
    int got = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        LONG_PTR state = State(hwnd);
        bool enabled = IsWindowEnabled(hwnd) != FALSE;
        std::string text = Text(hwnd);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        if (IsPushButton(hwnd)) {
            FillRect(dc, &rc, GetSysColorBrush((state & kPushed) ? COLOR_BTNSHADOW : COLOR_BTNFACE));
            FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
            if (Type(hwnd) == BS_DEFPUSHBUTTON) {
                RECT inner = rc;
                InflateRect(&inner, -1, -1);
                FrameRect(dc, &inner, GetSysColorBrush(COLOR_WINDOWFRAME));
            }
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else {
            FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
            int box = std::min<int>(13, rc.bottom - rc.top);
            RECT square{rc.left, rc.top + (rc.bottom - rc.top - box) / 2, rc.left + box, 0};
            square.bottom = square.top + box;
            FillRect(dc, &square, GetSysColorBrush(COLOR_WINDOW));
            FrameRect(dc, &square, GetSysColorBrush(COLOR_BTNSHADOW));
            if (state & kChecked) {
                RECT mark = square;
                InflateRect(&mark, -3, -3);
                FillRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
            }
            RECT label = rc;
            label.left += box + 4;
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &label,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        }
    }
    EndPaint(hwnd, &ps);
}

bool InsideClient(HWND hwnd, LPARAM lParam) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&rc, pt) != FALSE;
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        switch (Type(hwnd)) {
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        default:
            return DLGC_BUTTON;
        }
    case BM_CLICK:
        Click(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!IsWindowEnabled(hwnd)) return 0;
        SetCapture(hwnd);
        SetFocus(hwnd);
        SetState(hwnd, State(hwnd) | kPushed);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd) {
            LONG_PTR s = State(hwnd);
            SetState(hwnd, InsideClient(hwnd, lParam) ? (s | kPushed) : (s & ~kPushed));
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) {
            bool pushed = (State(hwnd) & kPushed) && InsideClient(hwnd, lParam);
            ReleaseCapture(); // clears the pushed state (WM_CAPTURECHANGED)
            if (pushed) Click(hwnd);
        }
        return 0;
    case WM_CAPTURECHANGED:
        SetState(hwnd, State(hwnd) & ~kPushed);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) SetState(hwnd, State(hwnd) | kPushed);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && (State(hwnd) & kPushed)) {
            SetState(hwnd, State(hwnd) & ~kPushed);
            Click(hwnd);
        }
        return 0;
    case WM_SETFOCUS:
        SetState(hwnd, State(hwnd) | kFocused);
        return 0;
    case WM_KILLFOCUS:
        SetState(hwnd, State(hwnd) & ~(kFocused | kPushed));
        return 0;
    case BM_GETCHECK:
        return (State(hwnd) & kChecked) ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        if (!IsPushButton(hwnd))
            SetState(hwnd, (wParam & BST_CHECKED) ? (State(hwnd) | kChecked) : (State(hwnd) & ~kChecked));
        return 0;
    case BM_GETSTATE: {
        LONG_PTR s = State(hwnd);
        return ((s & kChecked) ? BST_CHECKED : 0) | ((s & kPushed) ? BST_PUSHED : 0) |
               ((s & kFocused) ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
        SetState(hwnd, wParam ? (State(hwnd) | kPushed) : (State(hwnd) & ~kPushed));
        return 0;
    case BM_SETSTYLE: {
        LONG style = GetWindowLongA(hwnd, GWL_STYLE);
        LONG updated = static_cast<LONG>((static_cast<DWORD>(style) & 0xFFFF0000u) | (wParam & 0xFFFFu));
        if (updated != style) SetWindowLongA(hwnd, GWL_STYLE, updated);
        if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_SETTEXT:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole button
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

void RegisterButtonClass() {
    WNDCLASSA existing{};
    if (GetClassInfoA(0, "Button", &existing)) return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = ButtonProc;
    wc.cbWndExtra = static_cast<int>(sizeof(LONG_PTR));
    wc.lpszClassName = "Button";
    RegisterClassA(&wc);
}

} // namespace plat

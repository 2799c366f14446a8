// Delivery of a person's input to the layer's windows as the platform's input messages.
#include "plat/core.h"
#include "plat/interaction.h"
#include "plat/user_input.h"

#include <cstdlib>

namespace plat {

namespace {

constexpr int kWheelDelta = 120;

bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool IsOfTop(HWND hwnd, HWND top) {
    return hwnd && (hwnd == top || IsChild(top, hwnd));
}

POINT ClientPoint(HWND hwnd, POINT screen) {
    ScreenToClient(hwnd, &screen);
    return screen;
}

// A click on a window's vertical scroll bar (outside its client area, on its right edge) as the
// scroll bar would tell it: the arrows scroll a line, the track above or below the middle a page.
// True when the point was on the bar.
bool ScrollBarClick(HWND hwnd, POINT screen) {
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    POINT p = ClientPoint(hwnd, screen);
    if (p.x < client.right || p.y < 0 || p.y >= client.bottom) return false;
    if (window.right - window.left - client.right < GetSystemMetrics(SM_CXVSCROLL)) return false;
    const int arrow = GetSystemMetrics(SM_CXVSCROLL); // the arrows are square
    WPARAM code = p.y < arrow                    ? SB_LINEUP
                  : p.y >= client.bottom - arrow ? SB_LINEDOWN
                  : p.y < client.bottom / 2      ? SB_PAGEUP
                                                 : SB_PAGEDOWN;
    SendMessageA(hwnd, WM_VSCROLL, code, 0);
    SendMessageA(hwnd, WM_VSCROLL, SB_ENDSCROLL, 0);
    return true;
}

} // namespace

HWND WindowAt(HWND top, POINT screen) {
    if (!IsWindow(top) || !(GetWindowLongA(top, GWL_STYLE) & WS_VISIBLE)) return nullptr;
    RECT rect{};
    GetWindowRect(top, &rect);
    if (!Contains(rect, screen)) return nullptr;
    // Children are kept top of the z-order first: the first shown one under the point is on top.
    for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        if (HWND deeper = WindowAt(child, screen)) return deeper;
    }
    return top;
}

UINT ButtonDownMessage(int button, int clicks) {
    const bool twice = clicks >= 2;
    switch (button) {
    case 1:
        return twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
    case 2:
        return twice ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN;
    case 3:
        return twice ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
    default:
        return 0;
    }
}

UINT ButtonUpMessage(int button) {
    return button == 1 ? WM_LBUTTONUP : button == 2 ? WM_MBUTTONUP : button == 3 ? WM_RBUTTONUP : 0;
}

WPARAM ButtonFlag(int button) {
    return button == 1 ? MK_LBUTTON : button == 2 ? MK_MBUTTON : button == 3 ? MK_RBUTTON : 0;
}

void InputRouter::SendHeldPress(UINT queuedBehind, POINT screen) {
    Held held = *held_;
    held_.reset();
    if (!IsWindow(held.window)) return;
    const WPARAM flag = ButtonFlag(held.button);
    PostMouse(held.window, queuedBehind, ClientPoint(held.window, screen),
              queuedBehind == WM_MOUSEMOVE ? flag : 0);
    SendMouse(held.window, ButtonDownMessage(held.button, held.clicks), ClientPoint(held.window, held.screen),
              flag);
}

bool InputRouter::DeliverMouse(const UserInput& input, HWND top) {
    HWND capture = GetCapture();
    HWND under = WindowAt(top, input.screen);
    HWND target = IsOfTop(capture, top) ? capture : under;
    switch (input.kind) {
    case UserInput::Kind::MouseMove: {
        SetCursorScreenPos(input.screen);
        if (held_) {
            const bool beyond = std::abs(input.screen.x - held_->screen.x) > GetSystemMetrics(SM_CXDRAG) ||
                                std::abs(input.screen.y - held_->screen.y) > GetSystemMetrics(SM_CYDRAG);
            if (beyond) SendHeldPress(WM_MOUSEMOVE, input.screen);
            return true;
        }
        if (!target) return false;
        SendMouse(target, WM_MOUSEMOVE, ClientPoint(target, input.screen), static_cast<WPARAM>(buttonsDown_));
        return true;
    }
    case UserInput::Kind::ButtonDown: {
        const WPARAM flag = ButtonFlag(input.button);
        if (!flag) return false;
        buttonsDown_ |= static_cast<int>(flag);
        SetCursorScreenPos(input.screen);
        if (held_) SendHeldPress(WM_MOUSEMOVE, held_->screen); // another button: the first press goes
        if (!target) return false;
        if (!IsWindowEnabled(target)) return false;
        if (target == under && !capture && input.button == 1 && ScrollBarClick(target, input.screen))
            return true;
        held_ = Held{target, input.screen, input.button, input.clicks};
        return true;
    }
    case UserInput::Kind::ButtonUp: {
        const WPARAM flag = ButtonFlag(input.button);
        if (!flag) return false;
        buttonsDown_ &= ~static_cast<int>(flag);
        SetCursorScreenPos(input.screen);
        if (held_ && held_->button == input.button) {
            SendHeldPress(ButtonUpMessage(input.button), input.screen);
            return true;
        }
        if (!target) return false;
        SendMouse(target, ButtonUpMessage(input.button), ClientPoint(target, input.screen),
                  static_cast<WPARAM>(buttonsDown_));
        return true;
    }
    case UserInput::Kind::Wheel: {
        if (!under || input.wheel == 0) return false;
        SetCursorScreenPos(input.screen);
        const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(buttonsDown_),
                                         static_cast<WORD>(static_cast<SHORT>(input.wheel * kWheelDelta)));
        SendMessageA(under, WM_MOUSEWHEEL, wParam, MAKELPARAM(input.screen.x, input.screen.y));
        return true;
    }
    default:
        return false;
    }
}

bool InputRouter::Deliver(const UserInput& input, HWND top) {
    if (!IsWindow(top)) return false;
    switch (input.kind) {
    case UserInput::Kind::MouseMove:
    case UserInput::Kind::ButtonDown:
    case UserInput::Kind::ButtonUp:
    case UserInput::Kind::Wheel:
        return DeliverMouse(input, top);
    case UserInput::Kind::KeyDown:
    case UserInput::Kind::KeyUp: {
        SetKeyDown(VK_SHIFT, input.shift);
        SetKeyDown(VK_CONTROL, input.control);
        HWND focus = GetFocus();
        if (!IsOfTop(focus, top)) focus = top;
        if (input.kind == UserInput::Kind::KeyUp) {
            PostMessageA(focus, WM_KEYUP, static_cast<WPARAM>(input.vk), static_cast<LPARAM>(0xC0000001u));
            return true;
        }
        PostMessageA(focus, WM_KEYDOWN, static_cast<WPARAM>(input.vk), 1);
        // Backspace is a character too, as the platform's message translation makes it.
        if (input.vk == VK_BACK) PostMessageA(focus, WM_CHAR, VK_BACK, 1);
        return true;
    }
    case UserInput::Kind::Text: {
        HWND focus = GetFocus();
        if (!IsOfTop(focus, top)) focus = top;
        TypeText(focus, input.text);
        return !input.text.empty();
    }
    case UserInput::Kind::FocusLost:
        held_.reset();
        buttonsDown_ = 0;
        focusBeforeLoss_ = GetFocus();
        if (IsOfTop(focusBeforeLoss_, top)) SetFocus(nullptr);
        return true;
    case UserInput::Kind::FocusGained:
        if (!GetFocus() && IsOfTop(focusBeforeLoss_, top) && IsWindow(focusBeforeLoss_))
            SetFocus(focusBeforeLoss_);
        focusBeforeLoss_ = nullptr;
        return true;
    default:
        return false;
    }
}

} // namespace plat

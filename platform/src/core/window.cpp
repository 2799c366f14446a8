// Window classes, window creation and destruction in the platform's message order, and the window
// properties (styles, ids, texts, long values, parent and child links).
#include "core/window_table.h"
#include "plat/core.h"
#include "plat/dialogs.h"
#include "plat/treeview.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace plat::detail {

WindowState& State() {
    static WindowState state;
    return state;
}

Window* Find(HWND hwnd) {
    auto& windows = State().windows;
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

std::string Upper(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace plat::detail

using namespace plat::detail;

namespace {

// Bounded copy of a std::string into a caller's buffer; returns the characters copied.
int CopyOut(const std::string& s, LPSTR buf, int cch) {
    if (!buf || cch <= 0) return 0;
    int n = std::min<int>(static_cast<int>(s.size()), cch - 1);
    std::memcpy(buf, s.data(), static_cast<size_t>(n));
    buf[n] = '\0';
    return n;
}

std::vector<HWND>& SiblingList(const Window& w) {
    if (w.parent) return Find(w.parent)->children;
    return State().topLevel;
}

void Unlink(Window& w) {
    auto& list = SiblingList(w);
    list.erase(std::remove(list.begin(), list.end(), w.hwnd), list.end());
}

void SendDestroyTree(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    w = Find(hwnd);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children)
        SendDestroyTree(child);
}

void FreeTree(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND child : children)
        FreeTree(child);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    w = Find(hwnd);
    if (!w) return;
    ForgetQueuedMessages(hwnd);
    ForgetTimers(hwnd);
    Unlink(*w);
    State().windows.erase(hwnd);
}

LONG_PTR* ExtraSlot(Window& w, int index, size_t size) {
    if (index < 0 || static_cast<size_t>(index) + size > w.extra.size()) return nullptr;
    return reinterpret_cast<LONG_PTR*>(w.extra.data() + index);
}

} // namespace

extern "C" {

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& classes = State().classes;
    std::string key = Upper(wc->lpszClassName);
    if (classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass cls;
    cls.name = wc->lpszClassName;
    cls.style = wc->style;
    cls.proc = wc->lpfnWndProc;
    cls.cbWndExtra = std::max(0, wc->cbWndExtra);
    cls.instance = wc->hInstance;
    cls.background = wc->hbrBackground;
    cls.cursor = wc->hCursor;
    classes.emplace(key, cls);
    // Atoms of registered classes live in 0xC000-0xFFFF like registered messages.
    return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE) {
    if (!name) return FALSE;
    std::string key = Upper(name);
    for (auto& [hwnd, w] : State().windows)
        if (Upper(w->className) == key) return FALSE; // class still in use
    return State().classes.erase(key) ? TRUE : FALSE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR name, LPWNDCLASSA out) {
    if (!name || !out) return FALSE;
    auto it = State().classes.find(Upper(name));
    if (it == State().classes.end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    const WindowClass& c = it->second;
    std::memset(out, 0, sizeof(*out));
    out->style = c.style;
    out->lpfnWndProc = c.proc;
    out->cbWndExtra = c.cbWndExtra;
    out->hInstance = c.instance;
    out->hbrBackground = c.background;
    out->hCursor = c.cursor;
    out->lpszClassName = c.name.c_str();
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (!className) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto cit = State().classes.find(Upper(className));
    if (cit == State().classes.end()) {
        // The system's own control classes exist without anyone registering them.
        plat::RegisterControlClasses();
        plat::RegisterButtonClass();
        plat::RegisterStaticClass();
        cit = State().classes.find(Upper(className));
    }
    if (cit == State().classes.end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent == GetDesktopWindow()) parent = nullptr;
    if ((style & WS_CHILD) && !Find(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (parent && !Find(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }

    const WindowClass& cls = cit->second;
    auto w = std::make_unique<Window>();
    HWND hwnd = reinterpret_cast<HWND>(State().nextHandle);
    State().nextHandle += 4;
    w->hwnd = hwnd;
    w->className = cls.name;
    w->classStyle = cls.style;
    w->background = cls.background;
    w->proc = cls.proc;
    w->style = style;
    w->exStyle = exStyle;
    w->instance = instance;
    w->extra.assign(static_cast<size_t>(cls.cbWndExtra), 0);
    w->text = windowName ? windowName : "";
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    if (style & WS_CHILD) {
        w->parent = parent;
        w->id = reinterpret_cast<UINT_PTR>(menu);
    } else {
        w->owner = parent;
    }
    Window* raw = w.get();
    State().windows.emplace(hwnd, std::move(w));
    if (raw->parent)
        Find(raw->parent)->children.push_back(hwnd); // children keep creation order
    else
        State().topLevel.insert(State().topLevel.begin(), hwnd);

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (Find(hwnd)) FreeTree(hwnd);
        return nullptr;
    }
    if (!Find(hwnd)) return nullptr;
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    Window* created = Find(hwnd);
    if (!created) return nullptr;
    RECT client{};
    GetClientRect(hwnd, &client);
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    created = Find(hwnd);
    if (!created) return nullptr;
    RECT inset = ClientInset(*created);
    SendMessageA(hwnd, WM_MOVE, 0,
                 MAKELPARAM(created->rect.left + inset.left, created->rect.top + inset.top));
    if (Find(hwnd) && (Find(hwnd)->style & WS_VISIBLE)) InvalidateRect(hwnd, nullptr, TRUE);
    return Find(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying) return TRUE;
    // Mark the whole subtree first so that nested DestroyWindow calls from the handlers do nothing.
    std::vector<HWND> stack{hwnd};
    while (!stack.empty()) {
        HWND h = stack.back();
        stack.pop_back();
        if (Window* sw = Find(h)) {
            sw->destroying = true;
            ForgetInputState(h);
            stack.insert(stack.end(), sw->children.begin(), sw->children.end());
        }
    }
    if (w->parent && (w->style & WS_VISIBLE)) InvalidateRect(w->parent, nullptr, TRUE);
    SendDestroyTree(hwnd);
    FreeTree(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return Find(hwnd) != nullptr;
}

BOOL IsChild(HWND parent, HWND hwnd) {
    Window* w = Find(hwnd);
    while (w && w->parent) {
        if (w->parent == parent) return TRUE;
        w = Find(w->parent);
    }
    return FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && IsShownOnScreen(*w);
}

BOOL IsWindowEnabled(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
    if (enable == !wasDisabled) return wasDisabled;
    if (enable)
        w->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
        w->style |= WS_DISABLED;
    if (!enable && (GetFocus() == hwnd || IsChild(hwnd, GetFocus()))) SetFocus(nullptr);
    SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    bool show = cmd != SW_HIDE;
    if (show == static_cast<bool>(wasVisible)) return wasVisible;
    SendMessageA(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!(w = Find(hwnd))) return wasVisible;
    if (show) {
        w->style |= WS_VISIBLE;
        InvalidateRect(hwnd, nullptr, TRUE);
    } else {
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        if (w->parent) InvalidateRect(w->parent, nullptr, TRUE);
        if (GetFocus() == hwnd || IsChild(hwnd, GetFocus())) SetFocus(w->parent);
    }
    return wasVisible;
}

HWND GetParent(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return nullptr;
    if (w->style & WS_CHILD) return w->parent;
    if (w->style & WS_POPUP) return w->owner;
    return nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
    Window* w = Find(child);
    if (!w || (newParent && !Find(newParent))) return nullptr;
    HWND old = w->parent ? w->parent : GetDesktopWindow();
    Unlink(*w);
    if (newParent && newParent != GetDesktopWindow()) {
        w->parent = newParent;
        w->style = (w->style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD;
        Find(newParent)->children.push_back(child);
    } else {
        w->parent = nullptr;
        State().topLevel.insert(State().topLevel.begin(), child);
    }
    return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
    Window* w = Find(hwnd);
    if (!w) return nullptr;
    if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (cmd == GW_OWNER) return w->owner;
    const auto& list = SiblingList(*w);
    auto it = std::find(list.begin(), list.end(), hwnd);
    switch (cmd) {
    case GW_HWNDFIRST:
        return list.front();
    case GW_HWNDLAST:
        return list.back();
    case GW_HWNDNEXT:
        return (it == list.end() || it + 1 == list.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV:
        return (it == list.begin() || it == list.end()) ? nullptr : *(it - 1);
    default:
        return nullptr;
    }
}

HWND GetDlgItem(HWND dlg, int id) {
    Window* w = Find(dlg);
    if (!w) return nullptr;
    for (HWND child : w->children)
        if (Window* c = Find(child); c && static_cast<int>(c->id) == id) return child;
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Window* w = Find(hwnd);
    return w ? static_cast<int>(w->id) : 0;
}

int GetClassNameA(HWND hwnd, LPSTR buf, int cch) {
    Window* w = Find(hwnd);
    return w ? CopyOut(w->className, buf, cch) : 0;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return static_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID:
        return static_cast<LONG_PTR>(w->id);
    case GWL_STYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA:
        return w->userData;
    default:
        if (LONG_PTR* slot = ExtraSlot(*w, index, sizeof(LONG_PTR))) {
            LONG_PTR v;
            std::memcpy(&v, slot, sizeof v);
            return v;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC:
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_HINSTANCE:
        w->instance = static_cast<HINSTANCE>(value);
        break;
    case GWLP_ID:
        w->id = static_cast<UINT_PTR>(value);
        break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        STYLESTRUCT ss{static_cast<DWORD>(old), static_cast<DWORD>(value)};
        SendMessageA(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
        if (!(w = Find(hwnd))) return old;
        (index == GWL_STYLE ? w->style : w->exStyle) = ss.styleNew;
        SendMessageA(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
        break;
    }
    case GWLP_USERDATA:
        w->userData = value;
        break;
    default:
        if (LONG_PTR* slot = ExtraSlot(*w, index, sizeof(LONG_PTR))) {
            std::memcpy(slot, &value, sizeof value);
            break;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}
LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!Find(hwnd)) return FALSE;
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buf, int cch) {
    if (!Find(hwnd) || !buf || cch <= 0) return 0;
    buf[0] = '\0';
    return static_cast<int>(
        SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(cch), reinterpret_cast<LPARAM>(buf)));
}

int GetWindowTextLengthA(HWND hwnd) {
    if (!Find(hwnd)) return 0;
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

} // extern "C"

namespace plat::detail {
// Text messages as DefWindowProc answers them.
LRESULT DefaultText(Window& w, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT:
        w.text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT:
        return CopyOut(w.text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w.text.size());
    default:
        return 0;
    }
}
} // namespace plat::detail

namespace plat::detail {
void ResetQueue();
void ResetTimers();
void ResetInput();
} // namespace plat::detail

namespace plat {

size_t WindowCount() {
    return detail::State().windows.size();
}

void ResetWindows() {
    std::vector<HWND> top = detail::State().topLevel;
    for (HWND h : top)
        DestroyWindow(h);
    detail::State().windows.clear();
    detail::State().topLevel.clear();
    detail::ResetQueue();
    detail::ResetTimers();
    detail::ResetInput();
}

} // namespace plat

// Sent and posted messages: SendMessage calls the window procedure at once, PostMessage queues, and
// retrieval hands out posted messages first, then WM_QUIT, then WM_PAINT, then due WM_TIMERs, as
// the platform does.
#include "core/window_table.h"
#include "plat/core.h"

#include <algorithm>
#include <deque>
#include <map>

using namespace plat::detail;

namespace {

struct Queue {
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
};

Queue& TheQueue() {
    static Queue q;
    return q;
}

struct Spies {
    std::map<int, plat::MessageSpy> list;
    int next = 1;
};

Spies& TheSpies() {
    static Spies s;
    return s;
}

std::map<std::string, UINT>& RegisteredMessages() {
    static std::map<std::string, UINT> messages;
    return messages;
}

POINT g_lastMessagePos{0, 0};
DWORD g_lastMessageTime = 0;

bool MatchesFilter(HWND msgHwnd, HWND filter, UINT msg, UINT min, UINT max) {
    if (filter == reinterpret_cast<HWND>(-1)) {
        if (msgHwnd) return false;
    } else if (filter && msgHwnd != filter && !IsChild(filter, msgHwnd)) {
        return false;
    }
    if (min == 0 && max == 0) return true;
    return msg >= min && msg <= max;
}

bool Retrieve(LPMSG out, HWND filter, UINT min, UINT max, bool remove) {
    Queue& q = TheQueue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!MatchesFilter(it->hwnd, filter, it->message, min, max)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        SetLastMessageInfo(out->pt, out->time);
        if (remove && out->message >= WM_MOUSEFIRST && out->message <= WM_MOUSELAST)
            SetCursorPos(out->pt.x, out->pt.y);
        return true;
    }
    if (q.quit && MatchesFilter(nullptr, nullptr, WM_QUIT, min, max)) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, Now(), g_lastMessagePos};
        if (remove) q.quit = false;
        return true;
    }
    if (min == 0 && max == 0 ? true : (WM_PAINT >= min && WM_PAINT <= max)) {
        if (HWND h = FindWindowToPaint(filter)) {
            POINT pt{};
            GetCursorPos(&pt);
            *out = MSG{h, WM_PAINT, 0, 0, Now(), pt};
            return true;
        }
    }
    if (min == 0 && max == 0 ? true : (WM_TIMER >= min && WM_TIMER <= max)) {
        if (TakeDueTimer(filter, out, remove)) {
            SetLastMessageInfo(out->pt, out->time);
            return true;
        }
    }
    return false;
}

} // namespace

namespace plat::detail {

LRESULT Deliver(HWND hwnd, WNDPROC proc, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!TheSpies().list.empty()) {
        auto spies = TheSpies().list; // a spy may remove itself
        for (auto& [id, spy] : spies)
            spy(hwnd, msg, wParam, lParam);
    }
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

void ForgetQueuedMessages(HWND hwnd) {
    auto& posted = TheQueue().posted;
    posted.erase(
        std::remove_if(posted.begin(), posted.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
        posted.end());
}

void SetLastMessageInfo(POINT pt, DWORD time) {
    g_lastMessagePos = pt;
    g_lastMessageTime = time;
}

void ResetQueue() {
    TheQueue() = Queue{};
    TheSpies().list.clear();
}

LRESULT DefaultText(Window& w, UINT msg, WPARAM wParam, LPARAM lParam);
void DefaultPositionChanged(HWND hwnd, const WINDOWPOS* pos);
LRESULT DefaultPaint(HWND hwnd, UINT msg, WPARAM wParam);

} // namespace plat::detail

extern "C" {

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return Deliver(hwnd, w->proc, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !Find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT pt{};
    GetCursorPos(&pt);
    TheQueue().posted.push_back(MSG{hwnd, msg, wParam, lParam, Now(), pt});
    return TRUE;
}

void PostQuitMessage(int code) {
    TheQueue().quit = true;
    TheQueue().quitCode = code;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT remove) {
    if (!msg) return FALSE;
    return Retrieve(msg, hwnd, min, max, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT min, UINT max) {
    if (!msg) return -1;
    // Headless: with nothing queued, nothing to paint and no timer due, there is no input to wait
    // for, so the loop ends as if WM_QUIT had arrived.
    if (!Retrieve(msg, hwnd, min, max, true)) {
        *msg = MSG{nullptr, WM_QUIT, 0, 0, Now(), g_lastMessagePos};
        return FALSE;
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    Window* w = Find(msg->hwnd);
    if (!w) return 0;
    LRESULT r = Deliver(msg->hwnd, w->proc, msg->message, msg->wParam, msg->lParam);
    // A WM_PAINT handler that did not validate would otherwise be asked again forever.
    if (msg->message == WM_PAINT && Find(msg->hwnd)) ValidateRect(msg->hwnd, nullptr);
    return r;
}

DWORD GetMessagePos(void) {
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(static_cast<SHORT>(g_lastMessagePos.x)),
                                       static_cast<WORD>(static_cast<SHORT>(g_lastMessagePos.y))));
}

LONG GetMessageTime(void) {
    return static_cast<LONG>(g_lastMessageTime);
}

UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& messages = RegisteredMessages();
    std::string key = Upper(name);
    auto it = messages.find(key);
    if (it != messages.end()) return it->second;
    if (messages.size() >= 0x4000) return 0;
    UINT id = 0xC000 + static_cast<UINT>(messages.size());
    messages.emplace(key, id);
    return id;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE:
        if (lParam) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
            if (cs->lpszName) w->text = cs->lpszName;
        }
        return TRUE;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return DefaultText(*w, msg, wParam, lParam);
    case WM_PAINT:
    case WM_ERASEBKGND:
        return DefaultPaint(hwnd, msg, wParam);
    case WM_WINDOWPOSCHANGED:
        DefaultPositionChanged(hwnd, reinterpret_cast<const WINDOWPOS*>(lParam));
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_NOTIFYFORMAT:
        return NFR_ANSI;
    case WM_CONTEXTMENU:
        // A child passes the context-menu request up to its parent.
        if ((w->style & WS_CHILD) && w->parent) SendMessageA(w->parent, WM_CONTEXTMENU, wParam, lParam);
        return 0;
    case WM_MOUSEACTIVATE:
        return 1; // MA_ACTIVATE
    case WM_SETCURSOR:
        return FALSE;
    default:
        return 0;
    }
}

} // extern "C"

namespace plat {

int PumpMessages(int limit) {
    int delivered = 0;
    MSG msg{};
    while (delivered < limit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Keep the quit visible to the host's loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++delivered;
    }
    return delivered;
}

bool QuitPosted() {
    return TheQueue().quit;
}

int AddMessageSpy(MessageSpy spy) {
    int id = TheSpies().next++;
    TheSpies().list.emplace(id, std::move(spy));
    return id;
}

void RemoveMessageSpy(int id) {
    TheSpies().list.erase(id);
}

} // namespace plat

// Helpers for platform tests: a plain window class whose procedure records what it receives, and a
// fixture that starts every test from a clean window state.
#pragma once

#include "plat/core.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testwin {

struct Received {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message that reached a window of the recording class, in order.
inline std::vector<Received>& Log() {
    static std::vector<Received> log;
    return log;
}

// Optional per-test hook that may answer a message instead of DefWindowProc.
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;
inline Hook& CurrentHook() {
    static Hook hook;
    return hook;
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back(Received{h, m, w, l});
    LRESULT r = 0;
    if (CurrentHook() && CurrentHook()(h, m, w, l, &r)) return r;
    return DefWindowProcA(h, m, w, l);
}

inline const char* kClass = "PlatTestWindow";

inline void RegisterRecordingClass() {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = kClass;
    RegisterClassA(&wc); // a second registration fails harmlessly
}

inline HWND MakeTop(int x = 100, int y = 50, int w = 300, int h = 200,
                    DWORD style = WS_OVERLAPPED | WS_VISIBLE) {
    return CreateWindowExA(0, kClass, "top", style, x, y, w, h, nullptr, nullptr, 0, nullptr);
}

inline HWND MakeChild(HWND parent, int id, RECT r, DWORD style = WS_CHILD | WS_VISIBLE, DWORD ex = 0) {
    return CreateWindowExA(ex, kClass, "", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), 0, nullptr);
}

// The window's text (up to 1023 bytes).
inline std::string TextOf(HWND hwnd) {
    char buf[1024] = {0};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

// The kinds of the messages logged, in order: only those of `kinds` unless it is empty, and only those
// that reached `hwnd` unless it is null.
inline std::vector<UINT> Kinds(std::initializer_list<UINT> kinds = {}, HWND hwnd = nullptr) {
    std::vector<UINT> out;
    for (const Received& r : Log())
        if ((kinds.size() == 0 || std::find(kinds.begin(), kinds.end(), r.msg) != kinds.end()) &&
            (!hwnd || r.hwnd == hwnd))
            out.push_back(r.msg);
    return out;
}

// How many messages of the kind were logged (to `hwnd` only, unless it is null).
inline size_t CountOf(UINT msg, HWND hwnd = nullptr) {
    return Kinds({msg}, hwnd).size();
}

// Messages of the given kinds, as "name@window-label" strings, for short sequence comparisons.
inline std::vector<std::string> Sequence(const std::vector<std::pair<HWND, std::string>>& labels,
                                         const std::vector<std::pair<UINT, std::string>>& names) {
    std::vector<std::string> out;
    for (const Received& r : Log()) {
        std::string msgName, winName;
        for (auto& [m, n] : names)
            if (m == r.msg) msgName = n;
        for (auto& [h, n] : labels)
            if (h == r.hwnd) winName = n;
        if (!msgName.empty() && !winName.empty()) out.push_back(msgName + "@" + winName);
    }
    return out;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::ResetWindows();
        RegisterRecordingClass();
        Log().clear();
        CurrentHook() = nullptr;
    }
    void TearDown() override {
        CurrentHook() = nullptr;
        plat::ResetWindows();
        plat::UseManualClock(false);
    }
};

} // namespace testwin

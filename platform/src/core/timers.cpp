// Timers and the layer's clock. Timers are not queued: the retrieval asks for a due timer when no
// posted message, quit or paint is waiting, and a timer fires at most once per due time.
#include "core/window_table.h"
#include "plat/core.h"

#include <algorithm>
#include <chrono>
#include <vector>

using namespace plat::detail;

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    DWORD due;
};

std::vector<Timer>& Timers() {
    static std::vector<Timer> timers;
    return timers;
}

bool g_manualClock = false;
DWORD g_manualNow = 1000;
UINT_PTR g_nextThreadTimerId = 0x7FF0;

// Wrap-safe "a is at or after b" for millisecond tick values.
bool Reached(DWORD now, DWORD due) {
    return static_cast<int32_t>(now - due) >= 0;
}

} // namespace

namespace plat::detail {

DWORD Now() {
    if (g_manualClock) return g_manualNow;
    static const auto start = std::chrono::steady_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return static_cast<DWORD>(1000 + ms.count());
}

void ForgetTimers(HWND hwnd) {
    auto& t = Timers();
    t.erase(std::remove_if(t.begin(), t.end(), [hwnd](const Timer& x) { return x.hwnd == hwnd; }), t.end());
}

void ResetTimers() {
    Timers().clear();
}

bool TakeDueTimer(HWND filter, MSG* msg, bool remove) {
    DWORD now = Now();
    Timer* best = nullptr;
    for (Timer& t : Timers()) {
        if (filter && filter != t.hwnd && !IsChild(filter, t.hwnd)) continue;
        if (!Reached(now, t.due)) continue;
        if (!best || static_cast<int32_t>(t.due - best->due) < 0) best = &t;
    }
    if (!best) return false;
    POINT pt{};
    GetCursorPos(&pt);
    *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now, pt};
    if (remove) best->due = now + best->elapse;
    return true;
}

} // namespace plat::detail

extern "C" {

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (hwnd && !Find(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
    if (!hwnd) id = g_nextThreadTimerId++;
    for (Timer& t : Timers()) {
        if (t.hwnd == hwnd && t.id == id) {
            t.elapse = elapse;
            t.proc = proc;
            t.due = Now() + elapse;
            return hwnd ? (id ? id : 1) : id;
        }
    }
    Timers().push_back(Timer{hwnd, id, elapse, proc, Now() + elapse});
    return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& t = Timers();
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
    if (it == t.end()) return FALSE;
    t.erase(it);
    return TRUE;
}

DWORD GetTickCount(void) {
    return Now();
}

UINT GetDoubleClickTime(void) {
    return 500;
}

} // extern "C"

namespace plat {

void UseManualClock(bool manual) {
    if (manual && !g_manualClock) g_manualNow = detail::Now();
    g_manualClock = manual;
}

void AdvanceClock(DWORD ms) {
    if (g_manualClock) g_manualNow += ms;
}

int MillisecondsToNextTimer() {
    if (Timers().empty()) return -1;
    const DWORD now = detail::Now();
    int32_t soonest = INT32_MAX;
    for (const Timer& t : Timers())
        soonest = std::min(soonest, static_cast<int32_t>(t.due - now));
    return std::max<int32_t>(0, soonest);
}

} // namespace plat

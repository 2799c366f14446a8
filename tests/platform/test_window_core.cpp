// The window core: creation and destruction order, sent against posted messages, retrieval order,
// registered messages, timers on the layer's clock, capture and focus changes, coordinates.
#include "support/test_window.h"

using namespace testwin;

namespace {

const std::vector<std::pair<UINT, std::string>> kLifeMessages = {
    {WM_NCCREATE, "NCCREATE"}, {WM_CREATE, "CREATE"},   {WM_SIZE, "SIZE"},
    {WM_MOVE, "MOVE"},         {WM_DESTROY, "DESTROY"}, {WM_NCDESTROY, "NCDESTROY"},
};

class WindowLife : public WindowTest {};

TEST_F(WindowLife, CreationSendsNcCreateCreateSizeMoveAndACreateAnswerOfMinusOneDestroysAndFails) {
    HWND top = MakeTop();
    ASSERT_TRUE(IsWindow(top));
    EXPECT_EQ(Sequence({{top, "top"}}, kLifeMessages),
              (std::vector<std::string>{"NCCREATE@top", "CREATE@top", "SIZE@top", "MOVE@top"}));
    DestroyWindow(top);
    Log().clear();
    CurrentHook() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
        if (m != WM_CREATE) return false;
        *r = -1;
        return true;
    };
    HWND h = MakeTop();
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(plat::WindowCount(), 0u);
    EXPECT_EQ(Kinds(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(WindowLife, DestroyOrderIsDestroyParentFirstThenNcDestroyChildrenFirst) {
    HWND top = MakeTop();
    HWND a = MakeChild(top, 1, {0, 0, 50, 50});
    HWND a1 = MakeChild(a, 11, {0, 0, 10, 10});
    HWND b = MakeChild(top, 2, {60, 0, 90, 50});
    Log().clear();
    ASSERT_TRUE(DestroyWindow(top));
    auto seq = Sequence({{top, "top"}, {a, "a"}, {a1, "a1"}, {b, "b"}}, kLifeMessages);
    EXPECT_EQ(seq, (std::vector<std::string>{"DESTROY@top", "DESTROY@a", "DESTROY@a1", "DESTROY@b",
                                             "NCDESTROY@a1", "NCDESTROY@a", "NCDESTROY@b", "NCDESTROY@top"}));
    EXPECT_FALSE(IsWindow(a1));
    EXPECT_EQ(plat::WindowCount(), 0u);
}

TEST_F(WindowLife, ChildrenStillExistDuringParentsDestroy) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 7, {0, 0, 10, 10});
    bool childAlive = false;
    int nestedDestroy = 0;
    CurrentHook() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (h == top && m == WM_DESTROY) {
            childAlive = IsWindow(child) && GetDlgItem(top, 7) == child;
            nestedDestroy = DestroyWindow(top); // a nested call does not start a second teardown
        }
        return false;
    };
    DestroyWindow(top);
    EXPECT_TRUE(childAlive);
    EXPECT_EQ(nestedDestroy, TRUE);
    EXPECT_EQ(CountOf(WM_DESTROY, top), 1u);
}

TEST_F(WindowLife, StaleHandlesOrphanChildrenAndUnknownClassesAreRefused) {
    HWND top = MakeTop();
    DestroyWindow(top);
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_EQ(SendMessageA(top, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageA(top, WM_USER, 0, 0));
    HWND again = MakeTop();
    EXPECT_NE(again, top) << "handles are not reused";
    EXPECT_EQ(CreateWindowExA(0, kClass, "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(WindowLife, ClassNamesAndIdsAndTextAndLongs) {
    HWND top = MakeTop();
    HWND child = CreateWindowExA(0, "plattestwindow", "hello", WS_CHILD, 0, 0, 5, 5, top,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1000)), 0, nullptr);
    ASSERT_NE(child, nullptr) << "class names are matched without regard to case";
    EXPECT_EQ(GetDlgCtrlID(child), 1000);
    EXPECT_EQ(GetDlgItem(top, 1000), child);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_TRUE(IsChild(top, child));
    char buf[4];
    EXPECT_EQ(GetWindowTextA(child, buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "hel");
    EXPECT_EQ(GetWindowTextLengthA(child), 5);
    SetWindowLongPtrA(child, GWLP_USERDATA, 1234);
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_USERDATA), 1234);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & WS_CHILD, static_cast<DWORD>(WS_CHILD));
}

class Messages : public WindowTest {};

TEST_F(Messages, RetrievalOrderSentThenPostedThenPaintThenTimerAndDestroyedWindowsLoseTheirQueue) {
    HWND top = MakeTop();
    Log().clear();
    PostMessageA(top, WM_USER + 1, 0, 0);
    SendMessageA(top, WM_USER + 2, 0, 0);
    EXPECT_EQ(Log().size(), 1u);
    plat::PumpMessages();
    EXPECT_EQ(Kinds({WM_USER, WM_USER + 1, WM_USER + 2}), (std::vector<UINT>{WM_USER + 2, WM_USER + 1}));
    PostMessageA(top, WM_USER, 0, 0);
    DestroyWindow(top);
    Log().clear();
    EXPECT_EQ(plat::PumpMessages(), 0);

    plat::UseManualClock(true);
    top = MakeTop();
    plat::PumpMessages();
    Log().clear();
    SetTimer(top, 5, 100, nullptr);
    plat::AdvanceClock(150);
    InvalidateRect(top, nullptr, TRUE);
    PostMessageA(top, WM_USER, 0, 0);
    plat::PumpMessages();
    EXPECT_EQ(Kinds({WM_USER, WM_PAINT, WM_TIMER}), (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
}

TEST_F(Messages, RegisteredMessagesIgnoreCaseAndLiveInTheRegisteredRange) {
    UINT a = RegisterWindowMessageA("KSM_ADD_BOOK");
    UINT b = RegisterWindowMessageA("ksm_add_book");
    UINT c = RegisterWindowMessageA("Another");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST_F(Messages, GetMessageEndsOnQuitAndPeekFilters) {
    HWND top = MakeTop();
    plat::PumpMessages();
    PostMessageA(top, WM_USER + 5, 1, 2);
    PostMessageA(nullptr, WM_USER + 6, 0, 0);
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 6));
    EXPECT_TRUE(PeekMessageA(&msg, top, WM_USER + 5, WM_USER + 5, PM_NOREMOVE));
    EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 1u);
    PostQuitMessage(3);
    EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

class Timers : public WindowTest {};

TEST_F(Timers, FireOnTheManualClockAndStopWhenKilledAndATimerProcIsCalledInsteadOfTheWindow) {
    plat::UseManualClock(true);
    HWND top = MakeTop();
    plat::PumpMessages();
    Log().clear();
    ASSERT_EQ(SetTimer(top, 9, 500, nullptr), 9u);
    plat::AdvanceClock(499);
    plat::PumpMessages();
    EXPECT_TRUE(Log().empty());
    plat::AdvanceClock(1);
    plat::PumpMessages();
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].msg, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(Log()[0].wParam, 9u);
    plat::AdvanceClock(2000); // missed periods are not queued up: one WM_TIMER
    plat::PumpMessages();
    EXPECT_EQ(Log().size(), 2u);
    EXPECT_TRUE(KillTimer(top, 9));
    EXPECT_FALSE(KillTimer(top, 9));
    plat::AdvanceClock(1000);
    plat::PumpMessages();
    EXPECT_EQ(Log().size(), 2u);

    static int calls = 0;
    calls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
    ASSERT_NE(id, 0u);
    plat::AdvanceClock(20);
    plat::PumpMessages();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Log().size(), 2u);
    KillTimer(nullptr, id);
}

class Input : public WindowTest {};

TEST_F(Input, CaptureChangesAreAnnouncedAndFocusMovesWithKillThenSetAndLeavesDestroyedWindows) {
    HWND top = MakeTop();
    HWND a = MakeChild(top, 1, {0, 0, 10, 10});
    HWND b = MakeChild(top, 2, {10, 0, 20, 10});
    Log().clear();
    SetCapture(a);
    EXPECT_EQ(GetCapture(), a);
    SetCapture(b);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    std::vector<std::pair<HWND, LPARAM>> changes;
    for (auto& r : Log())
        if (r.msg == WM_CAPTURECHANGED) changes.emplace_back(r.hwnd, r.lParam);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].first, a);
    EXPECT_EQ(changes[0].second, reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(changes[1].first, b);
    EXPECT_EQ(changes[1].second, 0);

    SetFocus(a);
    Log().clear();
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].msg, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(Log()[1].msg, static_cast<UINT>(WM_SETFOCUS));
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(Input, CoordinatesFollowBordersAndParentsAndMovingSendsSizeAndMoveOnlyForWhatChanged) {
    HWND top = MakeTop(100, 50, 300, 200, WS_OVERLAPPED | WS_VISIBLE | WS_BORDER);
    HWND child = MakeChild(top, 1, {10, 20, 110, 80}, WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
    RECT rc{};
    GetClientRect(child, &rc);
    EXPECT_EQ(rc.right, 96);
    EXPECT_EQ(rc.bottom, 56);
    POINT pt{0, 0};
    ClientToScreen(child, &pt);
    EXPECT_EQ(pt.x, 100 + 1 + 10 + 2);
    EXPECT_EQ(pt.y, 50 + 1 + 20 + 2);
    ScreenToClient(top, &pt);
    EXPECT_EQ(pt.x, 12);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 1 + 15, 50 + 1 + 25}), child);
    EXPECT_EQ(WindowFromPoint(POINT{100 + 1 + 200, 50 + 1 + 25}), top);

    HWND plain = MakeChild(top, 2, {0, 0, 50, 50});
    Log().clear();
    MoveWindow(plain, 5, 5, 50, 50, TRUE);
    MoveWindow(plain, 5, 5, 70, 40, TRUE);
    EXPECT_EQ(Kinds({WM_SIZE, WM_MOVE}, plain), (std::vector<UINT>{WM_MOVE, WM_SIZE}));
    LPARAM lastSize = 0;
    for (auto& r : Log())
        if (r.hwnd == plain && r.msg == WM_SIZE) lastSize = r.lParam;
    EXPECT_EQ(LOWORD(lastSize), 70);
    EXPECT_EQ(HIWORD(lastSize), 40);
}

TEST_F(Input, InjectedMouseSetsMessagePosAndFollowsCaptureAndPostedMouseCarriesItsPosition) {
    HWND top = MakeTop(100, 50);
    HWND a = MakeChild(top, 1, {0, 0, 50, 50});
    HWND b = MakeChild(top, 2, {100, 0, 150, 50});
    SetCapture(b);
    Log().clear();
    plat::SendMouse(a, WM_MOUSEMOVE, POINT{5, 6});
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].hwnd, b);
    EXPECT_EQ(GET_X_LPARAM(Log()[0].lParam), -95);
    DWORD pos = GetMessagePos();
    EXPECT_EQ(GET_X_LPARAM(pos), 105);
    EXPECT_EQ(GET_Y_LPARAM(pos), 56);
    ReleaseCapture();
    MessageBeep(MB_ICONHAND);
    ASSERT_EQ(plat::Beeps().size(), 1u);
    EXPECT_EQ(plat::Beeps()[0], static_cast<UINT>(MB_ICONHAND));
    plat::PumpMessages();
    plat::PostMouse(top, WM_MOUSEMOVE, POINT{30, 40});
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, top, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(msg.pt.x, 130);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.y, 90);
}

class Painting : public WindowTest {};

TEST_F(Painting, InvalidVisibleWindowsGetOnePaintHiddenOnesNoneAndTheScrollBarTakesClientWidth) {
    HWND top = MakeTop();
    HWND hidden = MakeChild(top, 1, {0, 0, 10, 10}, WS_CHILD);
    plat::PumpMessages();
    Log().clear();
    InvalidateRect(top, nullptr, TRUE);
    InvalidateRect(top, nullptr, TRUE);
    InvalidateRect(hidden, nullptr, TRUE);
    plat::PumpMessages();
    EXPECT_EQ(CountOf(WM_PAINT, top), 1u);
    EXPECT_EQ(CountOf(WM_PAINT, hidden), 0u);
    RECT upd{};
    EXPECT_FALSE(GetUpdateRect(top, &upd, FALSE));

    RECT before{};
    GetClientRect(top, &before);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 99, 10, 0, 0};
    SetScrollInfo(top, SB_VERT, &si, TRUE);
    RECT after{};
    GetClientRect(top, &after);
    EXPECT_EQ(after.right, before.right - GetSystemMetrics(SM_CXVSCROLL));
    si.nMax = 5;
    SetScrollInfo(top, SB_VERT, &si, TRUE);
    GetClientRect(top, &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(GetScrollPos(top, SB_VERT), 0);
}

} // namespace

// Message maps: look-up through base-class maps, parameter unpacking, WM_COMMAND routing through
// OnCommand, WM_NOTIFY by id and code with *pResult as the answer, and reflection to the control.
#include "afxcmn.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

UINT g_registeredMsg = 0; // registered only after the maps exist

// ---- a base class and a derived class, each with its own map ----

class CBaseWnd : public CWnd {
public:
    BOOL CreateTop() { return CreateEx(0, nullptr, "base", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr); }

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy) {
        Calls().push_back("Base::OnSize " + std::to_string(nType) + " " + std::to_string(cx) + "x" +
                          std::to_string(cy));
    }
    afx_msg LRESULT OnUser1(WPARAM, LPARAM) { return 11; }
    afx_msg LRESULT OnUser2(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w + static_cast<WPARAM>(l)); }
    afx_msg void OnMouseMove(UINT nFlags, CPoint point) {
        Calls().push_back("Base::OnMouseMove " + std::to_string(nFlags) + " " + std::to_string(point.x) +
                          "," + std::to_string(point.y));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_WM_SIZE()
ON_MESSAGE(WM_USER + 1, OnUser1)
ON_MESSAGE(WM_USER + 2, OnUser2)
ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
public:
    int defaultCalls = 0;
    UINT lastDefault = 0;

    // The spelling the shelf uses for its override; the platform maps DefWindowProc to it.
    LRESULT DefWindowProcA(UINT message, WPARAM wParam, LPARAM lParam) override {
        ++defaultCalls;
        lastDefault = message;
        return CBaseWnd::DefWindowProcA(message, wParam, lParam);
    }

protected:
    afx_msg LRESULT OnUser1Derived(WPARAM, LPARAM) { return 22; }
    afx_msg LRESULT OnRegistered(WPARAM w, LPARAM) { return static_cast<LRESULT>(w * 2); }
    afx_msg void OnTimer(UINT nIDEvent) { Calls().push_back("Derived::OnTimer " + std::to_string(nIDEvent)); }
    afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
        Calls().push_back(pDC && pDC->GetSafeHdc() == reinterpret_cast<HDC>(0x1234) ? "erase with dc"
                                                                                    : "bad dc");
        return TRUE;
    }
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos) {
        Calls().push_back(std::string("menu ") + (pWnd == this ? "self " : "other ") + std::to_string(pos.x) +
                          "," + std::to_string(pos.y));
    }
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu) {
        Calls().push_back(std::string(pPopupMenu == &menu ? "own menu " : "other menu ") +
                          std::to_string(nIndex) + (bSysMenu ? " sys" : ""));
    }
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
        Calls().push_back("key " + std::to_string(nChar) + " " + std::to_string(nRepCnt) + " " +
                          std::to_string(nFlags));
    }
    DECLARE_MESSAGE_MAP()

public:
    CMenu menu;
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_MESSAGE(WM_USER + 1, OnUser1Derived)
ON_REGISTERED_MESSAGE(g_registeredMsg, OnRegistered)
ON_WM_TIMER()
ON_WM_ERASEBKGND()
ON_WM_CONTEXTMENU()
ON_WM_INITMENUPOPUP()
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

class MessageMapTest : public testwin::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Calls().clear();
    }
};

TEST_F(MessageMapTest, DerivedEntryWinsBaseEntriesStillApplyAndTheRestGoesToTheOverriddenDefWindowProc) {
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateTop());
    EXPECT_EQ(wnd.SendMessage(WM_USER + 1), 22);      // in both maps: the derived one
    EXPECT_EQ(wnd.SendMessage(WM_USER + 2, 3, 4), 7); // only in the base map
    Calls().clear();
    wnd.SendMessage(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 120));
    EXPECT_EQ(Calls(), std::vector<std::string>{"Base::OnSize 2 300x120"});

    int before = wnd.defaultCalls;
    wnd.SendMessage(WM_USER + 9, 0, 0);
    EXPECT_EQ(wnd.defaultCalls, before + 1);
    EXPECT_EQ(wnd.lastDefault, static_cast<UINT>(WM_USER + 9));
    // A handled message does not reach it.
    wnd.SendMessage(WM_USER + 1);
    EXPECT_EQ(wnd.defaultCalls, before + 1);
    // Texts still work through the default procedure.
    wnd.SetWindowText("renamed");
    CString text;
    wnd.GetWindowText(text);
    EXPECT_STREQ(text, "renamed");
}

TEST_F(MessageMapTest, HandlerParametersAreUnpackedWithSignedCoordinates) {
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateTop());
    ASSERT_TRUE(wnd.menu.CreatePopupMenu());
    Calls().clear();
    wnd.SendMessage(WM_TIMER, 42, 0);
    EXPECT_EQ(wnd.SendMessage(WM_ERASEBKGND, 0x1234, 0), TRUE);
    wnd.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd.m_hWnd), MAKELPARAM(-1, -1));
    wnd.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(wnd.menu.m_hMenu), MAKELPARAM(3, 0));
    wnd.SendMessage(WM_KEYDOWN, VK_DOWN, MAKELPARAM(2, 0x50));
    wnd.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 7));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"Derived::OnTimer 42", "erase with dc", "menu self -1,-1",
                                                 "own menu 3", "key 40 2 80", "Base::OnMouseMove 1 -5,7"}));
}

TEST_F(MessageMapTest, RegisteredMessageIdIsReadWhenDispatched) {
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateTop());
    // The map was built by the first dispatch, before the message was registered.
    g_registeredMsg = RegisterWindowMessageA("AfxTest.Registered");
    ASSERT_GE(g_registeredMsg, 0xC000u);
    EXPECT_EQ(wnd.SendMessage(g_registeredMsg, 21, 0), 42);
}

// ---- commands ----

class CCommandWnd : public CWnd {
public:
    BOOL swallowInOnCommand = FALSE;

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        Calls().push_back("OnCommand " + std::to_string(LOWORD(wParam)) + "/" +
                          std::to_string(HIWORD(wParam)));
        if (swallowInOnCommand) return TRUE;
        return CWnd::OnCommand(wParam, lParam);
    }

protected:
    afx_msg void OnNewCatalog() { Calls().push_back("new catalog"); }
    afx_msg void OnRange(UINT nID) { Calls().push_back("range " + std::to_string(nID)); }
    afx_msg void OnButton() { Calls().push_back("button"); }
    afx_msg void OnEditChange() { Calls().push_back("edit change"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandWnd, CWnd)
ON_COMMAND(40015, OnNewCatalog)
ON_COMMAND_RANGE(40016, 40018, OnRange)
ON_BN_CLICKED(1001, OnButton)
ON_EN_CHANGE(1002, OnEditChange)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, MenuAndAcceleratorCommandsReachOnCommandFirstWhichCanKeepThemFromTheMap) {
    CCommandWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "cmd", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(WM_COMMAND, MAKEWPARAM(40015, 0), 0), 1); // handled
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(40017, 1), 0);               // accelerator
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(40019, 0), 0);               // outside the range
    EXPECT_EQ(Calls(), (std::vector<std::string>{"OnCommand 40015/0", "new catalog", "OnCommand 40017/1",
                                                 "range 40017", "OnCommand 40019/0"}));
    Calls().clear();
    wnd.swallowInOnCommand = TRUE;
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(40015, 0), 0);
    EXPECT_EQ(Calls(), std::vector<std::string>{"OnCommand 40015/0"});
}

TEST_F(MessageMapTest, ControlNotificationsMatchIdAndCode) {
    CCommandWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "cmd", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    HWND button = testwin::MakeChild(wnd.m_hWnd, 1001, RECT{0, 0, 10, 10});
    HWND edit = testwin::MakeChild(wnd.m_hWnd, 1002, RECT{0, 10, 10, 20});
    Calls().clear();
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1002, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
    // EN_UPDATE from 1002 and EN_CHANGE from the button match no entry.
    EXPECT_EQ(wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1002, EN_UPDATE), reinterpret_cast<LPARAM>(edit)), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1001, EN_CHANGE), reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(Calls(),
              (std::vector<std::string>{"OnCommand 1001/0", "button", "OnCommand 1002/768", "edit change",
                                        "OnCommand 1002/1024", "OnCommand 1001/768"}));
}

// ---- notifications and reflection ----

class CNotifyParent : public CWnd {
public:
    LRESULT clickAnswer = 5;

protected:
    afx_msg void OnClick(NMHDR* pNMHDR, LRESULT* pResult) {
        Calls().push_back("parent click from " + std::to_string(pNMHDR->idFrom));
        *pResult = clickAnswer;
    }
    afx_msg void OnRClick(NMHDR*, LRESULT*) { Calls().push_back("parent rclick"); }
    afx_msg void OnDblClk(NMHDR*, LRESULT* pResult) {
        Calls().push_back("parent dblclk");
        *pResult = 9;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNotifyParent, CWnd)
ON_NOTIFY(NM_CLICK, 1000, OnClick)
ON_NOTIFY(NM_RCLICK, 1000, OnRClick)
ON_NOTIFY(NM_DBLCLK, 1000, OnDblClk)
END_MESSAGE_MAP()

// A control that handles some of its own notifications.
class CReflectingChild : public CWnd {
public:
    BOOL rclickLetsParentSee = TRUE;

protected:
    afx_msg void OnReflectClick(NMHDR*, LRESULT* pResult) {
        Calls().push_back("child click");
        *pResult = 7;
    }
    afx_msg BOOL OnReflectRClick(NMHDR*, LRESULT*) {
        Calls().push_back("child rclick");
        return rclickLetsParentSee ? FALSE : TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingChild, CWnd)
ON_NOTIFY_REFLECT(NM_CLICK, OnReflectClick)
ON_NOTIFY_REFLECT_EX(NM_RCLICK, OnReflectRClick)
END_MESSAGE_MAP()

LRESULT Notify(HWND parent, HWND from, UINT_PTR id, UINT code) {
    NMHDR hdr{from, id, code};
    return SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
}

class NotifyTest : public MessageMapTest {
protected:
    void SetUp() override {
        MessageMapTest::SetUp();
        ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPED, 0, 0, 200, 200, nullptr, nullptr));
    }
    void TearDown() override {
        child.DestroyWindow();
        parent.DestroyWindow();
        MessageMapTest::TearDown();
    }
    CNotifyParent parent;
    CReflectingChild child;
};

TEST_F(NotifyTest, ParentHandlerAnswersThroughPResultAndOtherIdsOrCodesFindNone) {
    HWND plain = testwin::MakeChild(parent.m_hWnd, 1000, RECT{0, 0, 50, 50});
    EXPECT_EQ(Notify(parent.m_hWnd, plain, 1000, NM_CLICK), 5);
    parent.clickAnswer = 1;
    EXPECT_EQ(Notify(parent.m_hWnd, plain, 1000, NM_CLICK), 1);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"parent click from 1000", "parent click from 1000"}));
    Calls().clear();
    HWND other = testwin::MakeChild(parent.m_hWnd, 1001, RECT{0, 0, 50, 50});
    EXPECT_EQ(Notify(parent.m_hWnd, other, 1001, NM_CLICK), 0);
    EXPECT_EQ(Notify(parent.m_hWnd, plain, 1000, NM_SETFOCUS), 0);
    EXPECT_TRUE(Calls().empty());
}

// A reflect handler hides the notification from the parent, a reflect-ex handler answering FALSE lets
// the parent see it, and a notification the control has no entry for reaches the parent.
TEST_F(NotifyTest, ReflectionToTheControl) {
    ASSERT_TRUE(child.Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 50, 50), &parent, 1000));
    EXPECT_EQ(Notify(parent.m_hWnd, child.m_hWnd, 1000, NM_CLICK), 7);
    EXPECT_EQ(Calls(), std::vector<std::string>{"child click"});
    Calls().clear();
    Notify(parent.m_hWnd, child.m_hWnd, 1000, NM_RCLICK);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"child rclick", "parent rclick"}));
    Calls().clear();
    child.rclickLetsParentSee = FALSE;
    Notify(parent.m_hWnd, child.m_hWnd, 1000, NM_RCLICK);
    EXPECT_EQ(Calls(), std::vector<std::string>{"child rclick"});
    Calls().clear();
    EXPECT_EQ(Notify(parent.m_hWnd, child.m_hWnd, 1000, NM_DBLCLK), 9);
    EXPECT_EQ(Calls(), std::vector<std::string>{"parent dblclk"});
}

class CReflectCommandChild : public CWnd {
protected:
    afx_msg void OnOwnChange() { Calls().push_back("child change"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectCommandChild, CWnd)
ON_CONTROL_REFLECT(EN_CHANGE, OnOwnChange)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, CommandReflectionHidesControlNotificationFromParent) {
    CCommandWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "cmd", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    CReflectCommandChild edit;
    ASSERT_TRUE(edit.Create(nullptr, "", 0, CRect(0, 0, 10, 10), &wnd, 1002));
    Calls().clear();
    EXPECT_EQ(wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1002, EN_CHANGE), reinterpret_cast<LPARAM>(edit.m_hWnd)),
              1);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"OnCommand 1002/768", "child change"}));
}

} // namespace

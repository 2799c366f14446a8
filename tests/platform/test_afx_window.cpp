// CWnd lifetime: the object is bound before the window's first message, creation failures clean
// up once, destruction runs OnDestroy, then the children, then OnNcDestroy with the object unbound
// afterwards, and subclassing and temporary objects behave.
#include "afxwin.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string>& Events() {
    static std::vector<std::string> events;
    return events;
}

class CLifeWnd : public CWnd {
  public:
    explicit CLifeWnd(std::string name) : name_(std::move(name)) {}

    int createAnswer = 0;
    bool callBaseNcDestroy = true;
    CLifeWnd* childToCreate = nullptr;
    HWND watchedChild = nullptr;
    int postNcDestroyCalls = 0;
    bool boundAtNcCreate = false;
    bool boundAtCreate = false;

  protected:
    afx_msg LRESULT OnNcCreateMsg(WPARAM wParam, LPARAM lParam) {
        boundAtNcCreate = m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this;
        return DefWindowProcA(WM_NCCREATE, wParam, lParam);
    }
    afx_msg int OnCreate(LPCREATESTRUCT lpcs) {
        boundAtCreate = lpcs != nullptr && FromHandlePermanent(m_hWnd) == this;
        if (CWnd::OnCreate(lpcs) == -1) return -1;
        if (childToCreate && !childToCreate->Create(nullptr, "", WS_VISIBLE, CRect(0, 0, 10, 10), this, 7))
            return -1;
        return createAnswer;
    }
    afx_msg void OnDestroy() {
        Events().push_back(name_ + " OnDestroy");
        CWnd::OnDestroy();
    }
    afx_msg void OnNcDestroy() {
        std::string line = name_ + " OnNcDestroy";
        if (watchedChild) line += ::IsWindow(watchedChild) ? " (child alive)" : " (child gone)";
        Events().push_back(line);
        if (callBaseNcDestroy) CWnd::OnNcDestroy();
    }
    void PostNcDestroy() override {
        ++postNcDestroyCalls;
        Events().push_back(name_ + " PostNcDestroy" + (m_hWnd ? " bound" : " unbound"));
    }
    DECLARE_MESSAGE_MAP()

  private:
    std::string name_;
};

BEGIN_MESSAGE_MAP(CLifeWnd, CWnd)
ON_MESSAGE(WM_NCCREATE, OnNcCreateMsg)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

class WindowLifeTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Events().clear();
    }
};

TEST_F(WindowLifeTest, ForeignClassKeepsItsProcedureBehindTheMap) {
    // The recording class's procedure plays a control's own procedure.
    HWND seenAtNcCreate = nullptr;
    CWnd* boundThen = nullptr;
    testwin::CurrentHook() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
        if (m == WM_NCCREATE) {
            seenAtNcCreate = h;
            boundThen = CWnd::FromHandlePermanent(h);
        }
        return false;
    };
    CLifeWnd wnd("ctl");
    ASSERT_TRUE(wnd.CreateEx(0, testwin::kClass, "c", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(seenAtNcCreate, wnd.m_hWnd);
    EXPECT_EQ(boundThen, &wnd);
    EXPECT_TRUE(wnd.boundAtCreate);
    // OnCreate's default handling reached the class procedure.
    EXPECT_EQ(testwin::CountOf(WM_CREATE, wnd.m_hWnd), 1u);
    // Unhandled messages too, and the window's procedure is now the framework's.
    testwin::Log().clear();
    wnd.SendMessage(WM_USER + 3, 1, 2);
    ASSERT_EQ(testwin::Log().size(), 1u);
    EXPECT_EQ(testwin::Log()[0].msg, static_cast<UINT>(WM_USER + 3));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd.m_hWnd, GWLP_WNDPROC)), &CWnd::AfxWndProc);
}

TEST_F(WindowLifeTest, FailedCreationsCleanUpOnceAndASecondCreateFails) {
    size_t windowsBefore = plat::WindowCount();
    CLifeWnd wnd("failing");
    wnd.createAnswer = -1;
    EXPECT_FALSE(wnd.CreateEx(0, nullptr, "f", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    EXPECT_EQ(plat::WindowCount(), windowsBefore);

    CLifeWnd nowhere("nowhere");
    EXPECT_FALSE(nowhere.CreateEx(0, "NoSuchClass", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(nowhere.m_hWnd, nullptr);
    EXPECT_EQ(nowhere.postNcDestroyCalls, 1);
    // The object can still make a window afterwards, but only one.
    ASSERT_TRUE(nowhere.CreateEx(0, nullptr, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    HWND first = nowhere.m_hWnd;
    EXPECT_FALSE(nowhere.CreateEx(0, nullptr, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(nowhere.m_hWnd, first);
}

TEST_F(WindowLifeTest, DestroyRunsOnDestroyThenChildrenThenOnNcDestroy) {
    CLifeWnd parent("parent");
    CLifeWnd child("child");
    parent.childToCreate = &child;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_NE(child.m_hWnd, nullptr);
    EXPECT_EQ(::GetParent(child.m_hWnd), parent.m_hWnd);
    parent.watchedChild = child.m_hWnd;
    HWND parentHwnd = parent.m_hWnd;

    EXPECT_TRUE(parent.DestroyWindow());
    EXPECT_EQ(Events(),
              (std::vector<std::string>{"parent OnDestroy", "child OnDestroy", "child OnNcDestroy",
                                        "child PostNcDestroy unbound", "parent OnNcDestroy (child gone)",
                                        "parent PostNcDestroy unbound"}));
    EXPECT_EQ(parent.m_hWnd, nullptr);
    EXPECT_EQ(child.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(parentHwnd), nullptr);
    EXPECT_FALSE(::IsWindow(parentHwnd));
}

TEST_F(WindowLifeTest, OnNcDestroyWithoutBaseCallStillUnbinds) {
    CLifeWnd wnd("careless");
    wnd.callBaseNcDestroy = false;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    HWND h = wnd.m_hWnd;
    ::DestroyWindow(h);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 0); // the base class's clean-up call was skipped
}

class CSelfDeletingWnd : public CWnd {
  public:
    explicit CSelfDeletingWnd(int* destroyed) : destroyed_(destroyed) {}
    ~CSelfDeletingWnd() override { ++*destroyed_; }

  protected:
    void PostNcDestroy() override { delete this; }

  private:
    int* destroyed_;
};

// A heap object may delete itself in PostNcDestroy; an object destroyed first takes its window along.
TEST_F(WindowLifeTest, ObjectsMayDeleteThemselvesOrTakeTheirWindowAlong) {
    int destroyed = 0;
    auto* wnd = new CSelfDeletingWnd(&destroyed);
    ASSERT_TRUE(wnd->CreateEx(0, nullptr, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    HWND h = wnd->m_hWnd;
    EXPECT_TRUE(wnd->DestroyWindow());
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(::IsWindow(h));

    size_t before = plat::WindowCount();
    {
        CWnd stack;
        ASSERT_TRUE(stack.CreateEx(0, nullptr, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
        h = stack.m_hWnd;
        EXPECT_EQ(plat::WindowCount(), before + 1);
    }
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(plat::WindowCount(), before);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST_F(WindowLifeTest, ObjectsAreBoundBeforeNcCreateAndCreateEachToItsOwnWindowWhenNested) {
    CLifeWnd parent("parent");
    CLifeWnd child("child");
    parent.childToCreate = &child;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr));
    EXPECT_TRUE(parent.boundAtNcCreate);
    EXPECT_TRUE(parent.boundAtCreate);
    EXPECT_EQ(CWnd::FromHandle(parent.m_hWnd), &parent);
    EXPECT_TRUE(child.boundAtNcCreate);
    EXPECT_NE(child.m_hWnd, parent.m_hWnd);
    EXPECT_EQ(CWnd::FromHandlePermanent(child.m_hWnd), &child);
    EXPECT_EQ(child.GetParent(), &parent);
    EXPECT_EQ(child.GetDlgCtrlID(), 7);
    EXPECT_EQ(parent.GetDlgItem(7), &child);
    EXPECT_EQ(child.GetStyle() & WS_CHILD, static_cast<DWORD>(WS_CHILD)); // Create adds it
}

// ---- binding existing windows ----

class CSubclasser : public CWnd {
  protected:
    afx_msg LRESULT OnUser(WPARAM, LPARAM) { return 99; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSubclasser, CWnd)
ON_MESSAGE(WM_USER + 5, OnUser)
END_MESSAGE_MAP()

TEST_F(WindowLifeTest, SubclassAndUnsubclassExistingWindow) {
    HWND h = testwin::MakeTop();
    CSubclasser wnd;
    ASSERT_TRUE(wnd.SubclassWindow(h));
    EXPECT_EQ(::SendMessageA(h, WM_USER + 5, 0, 0), 99);
    testwin::Log().clear();
    ::SendMessageA(h, WM_USER + 6, 0, 0);
    ASSERT_EQ(testwin::Log().size(), 1u); // unhandled: the original procedure

    CSubclasser other;
    EXPECT_FALSE(other.SubclassWindow(h)); // one object per window

    EXPECT_EQ(wnd.UnsubclassWindow(), h);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), &testwin::RecordingProc);
    EXPECT_EQ(::SendMessageA(h, WM_USER + 5, 0, 0), 0);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    ::DestroyWindow(h);
}

TEST_F(WindowLifeTest, AttachBindsWithoutRoutingMessagesAndDestroyingThroughTheObjectUnbindsIt) {
    HWND h = testwin::MakeTop();
    CSubclasser wnd;
    ASSERT_TRUE(wnd.Attach(h));
    EXPECT_EQ(CWnd::FromHandlePermanent(h), &wnd);
    EXPECT_EQ(::SendMessageA(h, WM_USER + 5, 0, 0), 0); // still the window's own procedure
    EXPECT_EQ(wnd.Detach(), h);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    ASSERT_TRUE(wnd.Attach(h));
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(h));
}

TEST_F(WindowLifeTest, TemporaryObjectsForWindowsWithoutOne) {
    HWND h = testwin::MakeTop();
    CWnd* temp = CWnd::FromHandle(h);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hWnd, h);
    EXPECT_EQ(CWnd::FromHandle(h), temp); // the same one while the window lives
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsWindow(h)); // dropping the wrapper leaves the window alone
    ::DestroyWindow(h);
}

TEST_F(WindowLifeTest, ModifyStyleReportsWhetherAnythingChangedAndRectanglesConvertThroughTheScreen) {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", WS_OVERLAPPED | WS_BORDER, 100, 50, 200, 100, nullptr, nullptr));
    EXPECT_FALSE(wnd.ModifyStyle(0, WS_BORDER));
    EXPECT_TRUE(wnd.ModifyStyle(WS_BORDER, WS_VSCROLL));
    EXPECT_EQ(wnd.GetStyle() & (WS_BORDER | WS_VSCROLL), static_cast<DWORD>(WS_VSCROLL));
    CRect rc(1, 2, 11, 12);
    wnd.ClientToScreen(&rc);
    EXPECT_EQ(rc, CRect(101, 52, 111, 62));
    wnd.ScreenToClient(&rc);
    EXPECT_EQ(rc, CRect(1, 2, 11, 12));
}

} // namespace

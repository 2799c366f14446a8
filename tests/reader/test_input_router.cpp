// A person's input delivered to a real tree view through plat::InputRouter: the press is held until
// the release or a move past the drag distance, so that the tree's own tracking loop sees a click, a
// drag or a double click as it sees them from the tests' injected input; the wheel, keys, text and
// scroll-bar clicks reach the windows they are for.
#include "../platform/test_treeview_support.h"

#include "plat/user_input.h"

namespace {

using Kind = plat::UserInput::Kind;

class RouterTest : public treetest::TreeTest {
  protected:
    plat::InputRouter router;
    HTREEITEM a = nullptr, b = nullptr, c = nullptr;

    void SetUp() override {
        TreeTest::SetUp();
        MakeTree();
        a = Insert(TVI_ROOT, "Alpha");
        b = Insert(TVI_ROOT, "Beta");
        c = Insert(b, "Gamma");
        plat::PumpMessages();
        notes.clear();
    }

    POINT Screen(POINT client) {
        ::ClientToScreen(tree, &client);
        return client;
    }
    plat::UserInput Mouse(Kind kind, POINT client, int button = 1, int clicks = 1) {
        plat::UserInput in;
        in.kind = kind;
        in.screen = Screen(client);
        in.button = button;
        in.clicks = clicks;
        return in;
    }
    void Deliver(const plat::UserInput& in) {
        router.Deliver(in, parent);
        plat::PumpMessages();
    }
};

TEST_F(RouterTest, APressAndReleaseIsAClickThatSelects) {
    const POINT p = LabelPoint(a);
    Deliver(Mouse(Kind::ButtonDown, p));
    EXPECT_TRUE(router.PressHeld());
    EXPECT_TRUE(notes.empty()) << "nothing reaches the tree before the release";
    Deliver(Mouse(Kind::ButtonUp, p));
    EXPECT_FALSE(router.PressHeld());
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    EXPECT_TRUE(Of("BEGINDRAG").empty());
    EXPECT_EQ(Of("CLICK").size(), 1u);
}

TEST_F(RouterTest, SmallMovesKeepThePressAndAMovePastTheDragDistanceStartsADrag) {
    const POINT p = LabelPoint(a);
    Deliver(Mouse(Kind::ButtonDown, p));
    Deliver(Mouse(Kind::MouseMove, POINT{p.x + 1, p.y + 1}));
    EXPECT_TRUE(router.PressHeld()) << "a tremble of the hand is no drag";
    Deliver(Mouse(Kind::MouseMove, POINT{p.x + 20, p.y}));
    EXPECT_FALSE(router.PressHeld());
    ASSERT_EQ(Of("BEGINDRAG").size(), 1u);
    EXPECT_EQ(Of("BEGINDRAG")[0]->newItem, a);
    EXPECT_TRUE(Of("CLICK").empty());
    EXPECT_NE(TreeView_GetSelection(tree), a) << "a drag does not select";
}

TEST_F(RouterTest, TheSecondPressOfADoubleClickOpensTheItem) {
    const POINT p = LabelPoint(b);
    Deliver(Mouse(Kind::ButtonDown, p));
    Deliver(Mouse(Kind::ButtonUp, p));
    Deliver(Mouse(Kind::ButtonDown, p, 1, 2));
    Deliver(Mouse(Kind::ButtonUp, p, 1, 2));
    EXPECT_EQ(Of("DBLCLK").size(), 1u);
    EXPECT_TRUE(State(b) & TVIS_EXPANDED);
}

TEST_F(RouterTest, ARightClickAsksForTheContextMenuAtTheMouse) {
    const POINT p = LabelPoint(a);
    Deliver(Mouse(Kind::ButtonDown, p, 3));
    Deliver(Mouse(Kind::ButtonUp, p, 3));
    ASSERT_EQ(Of("CONTEXTMENU").size(), 1u);
    const POINT s = Screen(p);
    EXPECT_EQ(GET_X_LPARAM(Of("CONTEXTMENU")[0]->contextPos), s.x);
    EXPECT_EQ(GET_Y_LPARAM(Of("CONTEXTMENU")[0]->contextPos), s.y);
}

TEST_F(RouterTest, MovesGoToTheWindowHoldingTheCaptureInItsOwnCoordinates) {
    HWND other = testwin::MakeChild(parent, 7, RECT{250, 0, 350, 100});
    ::SetCapture(other);
    testwin::Log().clear();
    Deliver(Mouse(Kind::MouseMove, POINT{10, 10})); // over the tree
    bool seen = false;
    for (const auto& r : testwin::Log())
        if (r.hwnd == other && r.msg == WM_MOUSEMOVE) {
            seen = true;
            EXPECT_EQ(GET_X_LPARAM(r.lParam), 10 - 250);
        }
    EXPECT_TRUE(seen);
    ::ReleaseCapture();
}

TEST_F(RouterTest, TheWheelScrollsTheTreeUnderTheMouse) {
    for (int i = 0; i < 40; ++i)
        Insert(TVI_ROOT, ("Item " + std::to_string(i)).c_str());
    plat::PumpMessages();
    plat::UserInput wheel = Mouse(Kind::Wheel, POINT{20, 20});
    wheel.wheel = -1;
    Deliver(wheel);
    EXPECT_EQ(TreeView_GetFirstVisible(tree),
              TreeView_GetNextVisible(tree, TreeView_GetNextVisible(tree, TreeView_GetNextVisible(tree, a))))
        << "one notch down scrolls three rows";
}

TEST_F(RouterTest, AClickOnTheScrollBarScrollsAPage) {
    for (int i = 0; i < 40; ++i)
        Insert(TVI_ROOT, ("Item " + std::to_string(i)).c_str());
    plat::PumpMessages();
    RECT client{};
    ::GetClientRect(tree, &client);
    ASSERT_GT(client.right, 0);
    Deliver(Mouse(Kind::ButtonDown, POINT{client.right + 5, client.bottom - 30}));
    EXPECT_NE(TreeView_GetFirstVisible(tree), a);
    EXPECT_FALSE(router.PressHeld()) << "the bar takes the press itself";
}

TEST_F(RouterTest, KeysAndTextGoToTheFocusAndBackspaceIsACharacterToo) {
    ::SetFocus(tree);
    testwin::Log().clear();
    HWND edit = testwin::MakeChild(parent, 9, RECT{250, 150, 350, 170});
    ::SetFocus(edit);
    testwin::Log().clear();
    plat::UserInput key;
    key.kind = Kind::KeyDown;
    key.vk = VK_BACK;
    router.Deliver(key, parent);
    plat::UserInput text;
    text.kind = Kind::Text;
    text.text = "\xE9t"; // in the active code page
    router.Deliver(text, parent);
    plat::PumpMessages();
    std::vector<std::pair<UINT, WPARAM>> got;
    for (const auto& r : testwin::Log())
        if (r.hwnd == edit && (r.msg == WM_KEYDOWN || r.msg == WM_CHAR)) got.emplace_back(r.msg, r.wParam);
    const std::vector<std::pair<UINT, WPARAM>> want = {
        {WM_KEYDOWN, VK_BACK}, {WM_CHAR, VK_BACK}, {WM_CHAR, 0xE9}, {WM_CHAR, 't'}};
    EXPECT_EQ(got, want);
}

TEST_F(RouterTest, FocusLostForgetsAHeldPressAndFocusGainedGivesTheFocusBack) {
    ::SetFocus(tree);
    Deliver(Mouse(Kind::ButtonDown, LabelPoint(a)));
    plat::UserInput lost;
    lost.kind = Kind::FocusLost;
    Deliver(lost);
    EXPECT_FALSE(router.PressHeld());
    EXPECT_EQ(::GetFocus(), nullptr);
    plat::UserInput gained;
    gained.kind = Kind::FocusGained;
    Deliver(gained);
    EXPECT_EQ(::GetFocus(), tree);
    EXPECT_TRUE(notes.empty() || Of("CLICK").empty()) << "the forgotten press never clicks";
}

TEST_F(RouterTest, WindowAtFindsTheDeepestShownWindowAndNothingOutside) {
    HWND child = testwin::MakeChild(parent, 3, RECT{250, 10, 350, 110});
    HWND inner = testwin::MakeChild(child, 4, RECT{10, 10, 50, 50});
    HWND hidden = testwin::MakeChild(child, 5, RECT{60, 10, 90, 50}, WS_CHILD);
    POINT in{270, 30}, beside{320, 30};
    ::ClientToScreen(parent, &in);
    ::ClientToScreen(parent, &beside);
    EXPECT_EQ(plat::WindowAt(parent, in), inner);
    EXPECT_EQ(plat::WindowAt(parent, beside), child) << "a hidden window is not hit";
    (void)hidden;
    RECT r{};
    ::GetWindowRect(parent, &r);
    EXPECT_EQ(plat::WindowAt(parent, POINT{r.right + 5, r.top}), nullptr);
}

} // namespace

// The push-button and static controls on their own: when a button reports BN_CLICKED to its parent
// (and when it must not), what each tells the dialog manager, and statics letting the mouse through.
#include "plat/dialogs.h"
#include "support/test_window.h"

namespace {

using testwin::Log;

class ControlsTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        plat::RegisterButtonClass();
        plat::RegisterStaticClass();
        parent_ = testwin::MakeTop(100, 100, 300, 200);
        button_ = CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 10, 10, 80, 24,
                                  parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), 0, nullptr);
        ASSERT_NE(button_, nullptr);
        Log().clear();
    }

    std::vector<testwin::Received> Commands() {
        std::vector<testwin::Received> out;
        for (const auto& r : Log())
            if (r.msg == WM_COMMAND && r.hwnd == parent_) out.push_back(r);
        return out;
    }

    HWND parent_ = nullptr;
    HWND button_ = nullptr;
};

TEST_F(ControlsTest, BmClickSendsBnClickedToTheParentAtOnceUnlessTheButtonIsDisabled) {
    SendMessageA(button_, BM_CLICK, 0, 0);
    auto commands = Commands();
    ASSERT_EQ(commands.size(), 1u) << "sent, not posted";
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(commands[0].lParam, reinterpret_cast<LPARAM>(button_));

    Log().clear();
    EnableWindow(button_, FALSE);
    SendMessageA(button_, BM_CLICK, 0, 0);
    plat::SendMouse(button_, WM_LBUTTONDOWN, POINT{5, 5}, MK_LBUTTON);
    plat::SendMouse(button_, WM_LBUTTONUP, POINT{5, 5});
    EXPECT_TRUE(Commands().empty());
}

TEST_F(ControlsTest, MouseAndSpaceBarClicksCountOnlyWhenReleasedOverTheButton) {
    plat::SendMouse(button_, WM_LBUTTONDOWN, POINT{5, 5}, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), button_);
    EXPECT_TRUE(SendMessageA(button_, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_TRUE(Commands().empty()) << "nothing before the release";
    plat::SendMouse(button_, WM_LBUTTONUP, POINT{5, 5});
    EXPECT_EQ(Commands().size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(SendMessageA(button_, BM_GETSTATE, 0, 0) & BST_PUSHED);

    Log().clear();
    plat::SendMouse(button_, WM_LBUTTONDOWN, POINT{5, 5}, MK_LBUTTON);
    plat::SendMouse(button_, WM_LBUTTONUP, POINT{150, 150}); // dragged off before releasing
    EXPECT_TRUE(Commands().empty());

    SendMessageA(button_, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(Commands().empty());
    SendMessageA(button_, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(ControlsTest, AutoCheckBoxesTogglePushButtonsIgnoreChecksAndTellWhichIsTheDefault) {
    HWND box = CreateWindowExA(0, "Button", "Check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40, 80, 20,
                               parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(5)), 0, nullptr);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(button_, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(button_, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    EXPECT_EQ(SendMessageA(button_, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    SendMessageA(button_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(SendMessageA(button_, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    EXPECT_TRUE(GetWindowLongA(button_, GWL_STYLE) & WS_VISIBLE) << "BM_SETSTYLE keeps the window styles";
}

TEST_F(ControlsTest, StaticsKeepTheirTextAndLetTheMouseThrough) {
    HWND label = CreateWindowExA(0, "Static", "New catalog:", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 60, 80, 16,
                                 parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), 0, nullptr);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(testwin::TextOf(label), "New catalog:");
    EXPECT_EQ(SendMessageA(label, WM_NCHITTEST, 0, MAKELPARAM(120, 170)), HTTRANSPARENT);
    EXPECT_EQ(SendMessageA(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    EXPECT_EQ(GetDlgCtrlID(label), -1);
}

TEST_F(ControlsTest, DialogItemHelpersWorkOnAnyParent) {
    EXPECT_TRUE(SetDlgItemTextA(parent_, IDOK, "Go"));
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(GetDlgItemTextA(parent_, IDOK, buf, sizeof buf), 2u);
    EXPECT_STREQ(buf, "Go");
    EXPECT_EQ(GetDlgItemTextA(parent_, 4242, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "") << "a missing item empties the buffer";
    EXPECT_FALSE(SetDlgItemTextA(parent_, 4242, "x"));
    EXPECT_EQ(SendDlgItemMessageA(parent_, IDOK, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(SendDlgItemMessageA(parent_, 4242, WM_GETDLGCODE, 0, 0), 0);
}

TEST_F(ControlsTest, DialogUnitsUseTheLayersBaseUnits) {
    RECT r{4, 8, 8, 16};
    EXPECT_TRUE(MapDialogRect(nullptr, &r));
    EXPECT_EQ(r.left, plat::kDialogBaseX);
    EXPECT_EQ(r.top, plat::kDialogBaseY);
    EXPECT_EQ(r.right, 2 * plat::kDialogBaseX);
    EXPECT_EQ(r.bottom, 2 * plat::kDialogBaseY);
    EXPECT_EQ(LOWORD(GetDialogBaseUnits()), plat::kDialogBaseX);
}

} // namespace

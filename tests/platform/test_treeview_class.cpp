// The tree-view window class: available without registration, its class style, the notify-format
// question at creation, redraw suppression and the focus notifications.
#include "test_treeview_support.h"

namespace {

// Runs first in this program, before anything registered the class explicitly.
TEST(TreeClass, CreatingATreeNeedsNoRegistrationAndInitCommonControlsExChecksItsSize) {
    plat::ResetWindows();
    testwin::RegisterRecordingClass();
    HWND top = testwin::MakeTop();
    HWND tree =
        CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, top, nullptr, 0, nullptr);
    ASSERT_NE(tree, nullptr);
    HWND edit = CreateWindowExA(0, "edit", "", WS_CHILD, 0, 0, 50, 20, top, nullptr, 0, nullptr);
    EXPECT_NE(edit, nullptr);
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(0, WC_TREEVIEWA, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_GLOBALCLASS | CS_DBLCLKS));
    EXPECT_EQ(wc.hbrBackground, nullptr);
    plat::ResetWindows();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    EXPECT_TRUE(InitCommonControlsEx(&icc));
    icc.dwSize = 3;
    EXPECT_FALSE(InitCommonControlsEx(&icc));
    EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

class TreeWindow : public treetest::TreeTest {};

TEST_F(TreeWindow, AsksTheParentForTheNotifyFormatAtCreationAndNotifiesFocusChanges) {
    testwin::Log().clear();
    MakeTree();
    bool asked = false;
    for (const testwin::Received& r : testwin::Log())
        if (r.hwnd == parent && r.msg == WM_NOTIFYFORMAT) {
            asked = true;
            EXPECT_EQ(reinterpret_cast<HWND>(r.wParam), tree);
            EXPECT_EQ(r.lParam, NF_QUERY);
        }
    EXPECT_TRUE(asked);
    EXPECT_EQ(SendMessageA(tree, TVM_GETUNICODEFORMAT, 0, 0), FALSE);
    SetFocus(tree);
    SetFocus(parent);
    std::vector<std::string> names;
    for (const treetest::Note& n : notes)
        names.push_back(n.name);
    EXPECT_EQ(names, (std::vector<std::string>{"SETFOCUS", "KILLFOCUS"}));
}

TEST_F(TreeWindow, SetRedrawHoldsBackRepaints) {
    MakeTree();
    UpdateWindow(tree);
    RECT rc{};
    ASSERT_FALSE(GetUpdateRect(tree, &rc, FALSE));
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    HTREEITEM item = Insert(TVI_ROOT, "quiet");
    EXPECT_FALSE(GetUpdateRect(tree, &rc, FALSE));
    EXPECT_EQ(TreeView_GetRoot(tree), item); // the tree itself is up to date
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    EXPECT_TRUE(GetUpdateRect(tree, &rc, FALSE));
}

TEST_F(TreeWindow, DestroyingTheTreeFromANotificationIsSafe) {
    MakeTree();
    HTREEITEM a = Insert(TVI_ROOT, "a");
    Insert(a, "a1");
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_SELCHANGINGA) DestroyWindow(tree);
        return 0;
    };
    TreeView_SelectItem(tree, a);
    EXPECT_FALSE(IsWindow(tree));
    EXPECT_EQ(Of("DELETE").size(), 2u);
}

} // namespace

// Menus: item editing and reading back with the platform's answers for missing items, and
// TrackPopupMenu's order — WM_INITMENUPOPUP before the choice, the command posted so that it arrives
// only after the call has returned, TPM_RETURNCMD, and items that cannot be chosen.
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

using testwin::CountOf;
using testwin::Log;

class MenuTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        baseline_ = plat::MenuCount();
        script_.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << line; });
        owner_ = testwin::MakeTop();
        Log().clear();
    }
    void TearDown() override {
        EXPECT_EQ(plat::MenuCount(), baseline_) << "menus leaked";
        WindowTest::TearDown();
    }

    std::string Text(HMENU menu, UINT pos) {
        char buf[64];
        GetMenuStringA(menu, pos, buf, sizeof buf, MF_BYPOSITION);
        return buf;
    }

    plat::ScriptedInteraction script_;
    plat::ScopedInteraction scoped_{&script_};
    HWND owner_ = nullptr;
    size_t baseline_ = 0;
};

// ---- building and reading menus ----

TEST_F(MenuTest, AppendedItemsReadBackWithStatesIdsAndTexts) {
    HMENU m = CreatePopupMenu();
    ASSERT_TRUE(IsMenu(m));
    EXPECT_TRUE(AppendMenuA(m, MF_STRING | MF_GRAYED, 40021, "Register Book(&R)"));
    EXPECT_TRUE(AppendMenuA(m, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(m, MF_STRING | MF_CHECKED, 40016, "Delete(&D)"));
    EXPECT_EQ(GetMenuItemCount(m), 3);
    EXPECT_EQ(GetMenuItemID(m, 0), 40021u);
    EXPECT_EQ(GetMenuItemID(m, 1), 0u); // a separator's id
    EXPECT_EQ(GetMenuItemID(m, 3), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(m, 40021, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_EQ(GetMenuState(m, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(m, 2, MF_BYPOSITION), static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(m, 999, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(Text(m, 2), "Delete(&D)");
    EXPECT_EQ(GetMenuStringA(m, 40021, nullptr, 0, MF_BYCOMMAND), 17);
    char small[6] = "xxxxx";
    EXPECT_EQ(GetMenuStringA(m, 40021, small, sizeof small, MF_BYCOMMAND), 5);
    EXPECT_STREQ(small, "Regis");
    char buf[16] = "untouched";
    EXPECT_EQ(GetMenuStringA(m, 1, buf, sizeof buf, MF_BYPOSITION), 0);
    EXPECT_EQ(GetMenuStringA(m, 99, buf, sizeof buf, MF_BYCOMMAND), 0);
    DestroyMenu(m);
    EXPECT_FALSE(IsMenu(m));
}

TEST_F(MenuTest, EnableAndCheckReturnThePreviousStateOrMinusOne) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 10, "a");
    EXPECT_EQ(EnableMenuItem(m, 10, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(m, 10, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(m, 0, MF_BYPOSITION | MF_DISABLED), MF_ENABLED);
    EXPECT_EQ(GetMenuState(m, 10, MF_BYCOMMAND), static_cast<UINT>(MF_DISABLED));
    EXPECT_EQ(EnableMenuItem(m, 11, MF_BYCOMMAND | MF_GRAYED), -1);
    EXPECT_EQ(CheckMenuItem(m, 10, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(m, 10, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(m, 3, MF_BYPOSITION | MF_CHECKED), static_cast<DWORD>(-1));
    DestroyMenu(m);
}

TEST_F(MenuTest, DeletingPositionZeroAsManyTimesAsThereAreItemsEmptiesTheMenu) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 1, "one");
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, 2, "two");
    // Positions move up after a deletion: the second item is now the first.
    ASSERT_TRUE(DeleteMenu(m, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuState(m, 0, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(m, 1), 2u);
    int n = GetMenuItemCount(m);
    for (int i = 0; i < n; ++i)
        EXPECT_TRUE(DeleteMenu(m, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(m), 0);
    EXPECT_FALSE(DeleteMenu(m, 0, MF_BYPOSITION));
    DestroyMenu(m);
}

TEST_F(MenuTest, ByCommandLooksIntoSubmenusAndDeleteDestroysThemButRemoveDoesNot) {
    HMENU m = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 77, "inner");
    AppendMenuA(sub, MF_STRING, 78, "inner2");
    AppendMenuA(m, MF_STRING, 1, "outer");
    AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "More");
    EXPECT_EQ(GetSubMenu(m, 1), sub);
    EXPECT_EQ(GetSubMenu(m, 0), nullptr);
    EXPECT_EQ(GetMenuItemID(m, 1), static_cast<UINT>(-1)); // popups have no command id
    // A popup's state carries the submenu's item count in its high byte.
    EXPECT_EQ(GetMenuState(m, 1, MF_BYPOSITION), static_cast<UINT>(MF_POPUP | (2 << 8)));
    EXPECT_EQ(EnableMenuItem(m, 77, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(GetMenuState(sub, 77, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
    EXPECT_TRUE(DeleteMenu(m, 78, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(sub), 1);

    EXPECT_TRUE(RemoveMenu(m, 1, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(sub));
    AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "More");
    EXPECT_TRUE(DeleteMenu(m, 1, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(sub));
    DestroyMenu(m);
}

TEST_F(MenuTest, InsertByPositionAndByCommand) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 1, "a");
    AppendMenuA(m, MF_STRING, 3, "c");
    EXPECT_TRUE(InsertMenuA(m, 1, MF_BYPOSITION | MF_STRING, 2, "b"));
    EXPECT_TRUE(InsertMenuA(m, 1, MF_BYCOMMAND | MF_STRING, 0, "first"));
    EXPECT_TRUE(InsertMenuA(m, 0xFFFFFFFF, MF_BYPOSITION | MF_STRING, 4, "last"));
    EXPECT_FALSE(InsertMenuA(m, 99, MF_BYCOMMAND | MF_STRING, 5, "nowhere"));
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(m); ++i)
        texts.push_back(Text(m, static_cast<UINT>(i)));
    EXPECT_EQ(texts, (std::vector<std::string>{"first", "a", "b", "c", "last"}));
    DestroyMenu(m);
}

TEST_F(MenuTest, DestroyMenuTakesSubmenusAlongAndBadHandlesFail) {
    HMENU m = CreateMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "File");
    EXPECT_TRUE(DestroyMenu(m));
    EXPECT_FALSE(IsMenu(sub));
    EXPECT_FALSE(DestroyMenu(m));
    EXPECT_EQ(GetMenuItemCount(m), -1);
    EXPECT_FALSE(AppendMenuA(m, MF_STRING, 1, "x"));
    EXPECT_FALSE(IsMenu(reinterpret_cast<HMENU>(owner_))); // a window is not a menu
}

// ---- TrackPopupMenu ----

TEST_F(MenuTest, InitMenuPopupComesFirstAndTheChoiceSeesTheRebuiltMenu) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 1, "stale");
    LPARAM initLParam = -1;
    testwin::CurrentHook() = [&](HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT*) {
        if (msg == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(w) == m) {
            initLParam = l;
            // The owner rebuilds the menu as the shelf does: delete by position, then append.
            for (int i = 0, n = GetMenuItemCount(m); i < n; ++i)
                DeleteMenu(m, 0, MF_BYPOSITION);
            AppendMenuA(m, MF_STRING | MF_GRAYED, 40021, "Register Book(&R)");
            AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(m, MF_STRING, 40016, "Delete(&D)");
        }
        return false;
    };
    script_.ChooseMenuCommand(40016);
    EXPECT_TRUE(TrackPopupMenu(m, TPM_LEFTALIGN | TPM_RIGHTBUTTON, 10, 20, 0, owner_, nullptr));
    EXPECT_EQ(initLParam, MAKELPARAM(0, FALSE));
    ASSERT_EQ(script_.Menus().size(), 1u);
    const plat::PopupMenuRequest& shown = script_.Menus()[0];
    ASSERT_EQ(shown.items.size(), 3u);
    EXPECT_EQ(shown.items[0].text, "Register Book(&R)");
    EXPECT_TRUE(shown.items[0].grayed);
    EXPECT_TRUE(shown.items[1].separator);
    EXPECT_FALSE(shown.items[2].grayed);
    EXPECT_EQ(shown.screen.x, 10);
    EXPECT_EQ(shown.screen.y, 20);
    EXPECT_EQ(shown.owner, owner_);
    plat::PumpMessages();
    DestroyMenu(m);
}

TEST_F(MenuTest, TheCommandIsPostedAndArrivesOnlyAfterTrackPopupMenuReturnsEvenWithoutNotices) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 40016, "Delete(&D)");
    script_.ChooseMenuCommand(40016);
    BOOL r = TrackPopupMenu(m, 0, 0, 0, 0, owner_, nullptr);
    EXPECT_NE(r, 0);
    EXPECT_EQ(CountOf(WM_COMMAND), 0u) << "the command must not be sent during the call";
    plat::PumpMessages();
    ASSERT_EQ(CountOf(WM_COMMAND), 1u);
    for (const auto& rec : Log()) {
        if (rec.msg != WM_COMMAND) continue;
        EXPECT_EQ(rec.hwnd, owner_);
        EXPECT_EQ(rec.wParam, MAKEWPARAM(40016, 0));
        EXPECT_EQ(rec.lParam, 0);
    }
    // TPM_NONOTIFY leaves the owner untold of the menu, but the command still follows.
    Log().clear();
    script_.ChooseMenuCommand(40016);
    EXPECT_NE(TrackPopupMenu(m, TPM_NONOTIFY, 0, 0, 0, owner_, nullptr), 0);
    EXPECT_EQ(CountOf(WM_INITMENUPOPUP), 0u);
    EXPECT_EQ(CountOf(WM_ENTERMENULOOP), 0u);
    plat::PumpMessages();
    EXPECT_EQ(CountOf(WM_COMMAND), 1u);
    DestroyMenu(m);
}

TEST_F(MenuTest, ReturnCmdGivesTheIdAndPostsNothing) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 40021, "Register Book(&R)");
    script_.ChooseMenuCommand(40021).DismissMenu();
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 40021);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0); // dismissed
    DestroyMenu(m);
}

TEST_F(MenuTest, GrayedDisabledAndUnknownChoicesAndTheHeadlessDefaultCountAsDismissed) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING | MF_GRAYED, 1, "grayed");
    AppendMenuA(m, MF_STRING | MF_DISABLED, 2, "disabled");
    AppendMenuA(m, MF_STRING, 3, "enabled");
    script_.ChooseMenuCommand(1).ChooseMenuCommand(2).ChooseMenuCommand(99).ChooseMenuCommand(1);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    // Without TPM_RETURNCMD the call still succeeds, but no command follows.
    EXPECT_NE(TrackPopupMenu(m, 0, 0, 0, 0, owner_, nullptr), 0);
    plat::PumpMessages();
    EXPECT_EQ(CountOf(WM_COMMAND), 0u);
    plat::ScopedInteraction headless(nullptr);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    EXPECT_NE(TrackPopupMenu(m, 0, 0, 0, 0, owner_, nullptr), 0);
    plat::PumpMessages();
    EXPECT_EQ(CountOf(WM_COMMAND), 0u);
    DestroyMenu(m);
}

TEST_F(MenuTest, ChoicesByTextWithOrWithoutMnemonicsAndInsideEnabledSubmenus) {
    HMENU m = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 9, "nine");
    AppendMenuA(m, MF_STRING, 40021, "Register Book(&R)");
    AppendMenuA(m, MF_STRING, 40016, "Delete(&D)");
    AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "More");
    script_.ChooseMenuText("Delete(D)").ChooseMenuText("Register Book(&R)");
    script_.ChooseMenuCommand(9).ChooseMenuCommand(9);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 40016);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 40021);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 9);
    EnableMenuItem(m, 2, MF_BYPOSITION | MF_GRAYED);
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    DestroyMenu(m);
}

TEST_F(MenuTest, BadArgumentsNestedTrackingAndAMenuDestroyedWhileItOpensFail) {
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 1, "one");
    EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x1234), 0, 0, 0, 0, owner_, nullptr));
    EXPECT_FALSE(TrackPopupMenu(m, 0, 0, 0, 0, reinterpret_cast<HWND>(0x4321), nullptr));
    BOOL nested = TRUE;
    testwin::CurrentHook() = [&](HWND, UINT msg, WPARAM, LPARAM, LRESULT*) {
        if (msg == WM_INITMENUPOPUP) nested = TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr);
        return false;
    };
    script_.DismissMenu();
    TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr);
    EXPECT_FALSE(nested);
    ASSERT_EQ(script_.Menus().size(), 1u);
    // A menu the owner destroys while it opens is not shown.
    testwin::CurrentHook() = [&](HWND, UINT msg, WPARAM w, LPARAM, LRESULT*) {
        if (msg == WM_INITMENUPOPUP) DestroyMenu(reinterpret_cast<HMENU>(w));
        return false;
    };
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, owner_, nullptr), 0);
    EXPECT_EQ(script_.Menus().size(), 1u);
}

} // namespace

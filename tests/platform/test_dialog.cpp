// Modal dialogs from templates: controls built as the template says, WM_INITDIALOG, the owner kept
// disabled, the interaction acting on the dialog, Enter/Esc handled by the dialog manager, the
// EndDialog value returned (-1 for a missing template), and the dialog procedure's DWLP_MSGRESULT.
#include "plat/dialogs.h"
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <string>

namespace {

constexpr HMODULE kModule = 0x7A11;
constexpr UINT kNewCatalog = 132; // static, edit 1016, OK (default), Cancel
constexpr UINT kPlain = 200;      // static 300, OK (default), Cancel
constexpr int kEdit = 1016;

plat::DialogTemplate NewCatalogTemplate() {
    plat::DialogTemplate t;
    t.caption = "New Catalog Dialog";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.rect = RECT{0, 0, 165, 46};
    t.items = {
        {"Static", -1, "New catalog:", SS_LEFT | WS_VISIBLE, RECT{7, 9, 48, 18}},
        {"Edit", kEdit, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, RECT{51, 7, 158, 19}},
        {"Button", IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, RECT{30, 25, 80, 39}},
        {"Button", IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, RECT{85, 25, 135, 39}},
    };
    return t;
}

plat::DialogTemplate PlainTemplate() {
    plat::DialogTemplate t;
    t.caption = "Plain";
    t.style = WS_POPUP | WS_CAPTION;
    t.rect = RECT{10, 10, 110, 60};
    t.items = {
        {"Static", 300, "Label", SS_LEFT | WS_VISIBLE, RECT{5, 5, 95, 15}},
        {"Button", IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, RECT{5, 30, 45, 44}},
        {"Button", IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, RECT{50, 30, 95, 44}},
    };
    return t;
}

// What the test dialog procedure saw and did.
struct DlgState {
    int limit = 80;            // EM_LIMITTEXT sent to the edit in WM_INITDIALOG (0: none)
    bool endInInit = false;    // EndDialog(42) from WM_INITDIALOG
    bool ignoreCancel = false; // IDCANCEL does not end the dialog
    bool ownerEnabledInInit = true;
    HWND owner = nullptr;
    WPARAM initFocus = 0;
    std::string name; // the edit's text when OK was pressed
    std::vector<WPARAM> commands;
    int initCount = 0;
};

INT_PTR CALLBACK TestDlgProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    auto* s = reinterpret_cast<DlgState*>(GetWindowLongPtrA(h, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        s = reinterpret_cast<DlgState*>(l);
        SetWindowLongPtrA(h, DWLP_USER, l);
        ++s->initCount;
        s->initFocus = w;
        s->ownerEnabledInInit = s->owner ? IsWindowEnabled(s->owner) != FALSE : true;
        if (s->limit) SendDlgItemMessageA(h, kEdit, EM_LIMITTEXT, static_cast<WPARAM>(s->limit), 0);
        if (s->endInInit) EndDialog(h, 42);
        return TRUE;
    case WM_COMMAND:
        s->commands.push_back(w);
        if (LOWORD(w) == IDOK) {
            s->name = testwin::TextOf(GetDlgItem(h, kEdit));
            EndDialog(h, IDOK);
            return TRUE;
        }
        if (LOWORD(w) == IDCANCEL && !s->ignoreCancel) {
            EndDialog(h, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    case WM_APP:
        SetWindowLongPtrA(h, DWLP_MSGRESULT, 1234);
        return TRUE;
    default:
        return FALSE;
    }
}

class DialogTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        table_.dialogs[0x0409][kNewCatalog] = NewCatalogTemplate();
        table_.dialogs[0x0409][kPlain] = PlainTemplate();
        plat::RegisterResources(kModule, &table_);
        script_.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << line; });
        owner_ = testwin::MakeTop();
        state_.owner = owner_;
        windows_ = plat::WindowCount();
    }
    void TearDown() override {
        EXPECT_EQ(plat::WindowCount(), windows_) << "the dialog and its controls are gone";
        EXPECT_TRUE(IsWindowEnabled(owner_)) << "the owner is enabled again";
        EXPECT_EQ(plat::CurrentModalDialog(), nullptr);
        plat::RegisterResources(kModule, nullptr);
        WindowTest::TearDown();
    }
    INT_PTR Run(UINT id) {
        return DialogBoxParamA(kModule, MAKEINTRESOURCE(id), owner_, TestDlgProc,
                               reinterpret_cast<LPARAM>(&state_));
    }

    plat::ResourceTable table_;
    plat::ScriptedInteraction script_;
    plat::ScopedInteraction scoped_{&script_};
    DlgState state_;
    HWND owner_ = nullptr;
    size_t windows_ = 0;
};

// The commands of the OK and Cancel buttons (the edit's own notifications left out).
std::vector<WPARAM> ButtonCommands(const DlgState& s) {
    std::vector<WPARAM> out;
    for (WPARAM w : s.commands)
        if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) out.push_back(w);
    return out;
}

std::string ClassOf(HWND h) {
    char buf[64] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

TEST_F(DialogTest, TheDialogIsBuiltFromItsTemplateAndIsModal) {
    HWND seenDialog = nullptr;
    script_.ActOnDialog([&](HWND dlg) {
        seenDialog = dlg;
        EXPECT_EQ(ClassOf(dlg), "#32770");
        EXPECT_TRUE(IsWindowVisible(dlg));
        EXPECT_FALSE(IsWindowEnabled(owner_)) << "the owner is disabled while the dialog is up";
        EXPECT_EQ(GetWindow(dlg, GW_OWNER), owner_);
        EXPECT_TRUE(plat::IsModalDialogRunning(dlg));
        EXPECT_EQ(plat::CurrentModalDialog(), dlg);
        HWND edit = GetDlgItem(dlg, kEdit);
        HWND ok = GetDlgItem(dlg, IDOK);
        ASSERT_TRUE(edit && ok && GetDlgItem(dlg, IDCANCEL));
        EXPECT_EQ(ClassOf(edit), "Edit");
        EXPECT_EQ(ClassOf(ok), "Button");
        EXPECT_EQ(GetParent(edit), dlg);
        // Positions are the template's dialog units in pixels.
        RECT r{};
        GetWindowRect(ok, &r);
        POINT topLeft{r.left, r.top};
        ScreenToClient(dlg, &topLeft);
        EXPECT_EQ(topLeft.x, 30 * plat::kDialogBaseX / 4);
        EXPECT_EQ(topLeft.y, 25 * plat::kDialogBaseY / 8);
        EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 80) << "the limit set in WM_INITDIALOG";
        EndDialog(dlg, 7);
        EXPECT_TRUE(IsWindowEnabled(owner_)) << "EndDialog enables the owner at once";
    });
    EXPECT_EQ(Run(kNewCatalog), 7);
    EXPECT_FALSE(IsWindow(seenDialog));
    EXPECT_FALSE(state_.ownerEnabledInInit);
    EXPECT_EQ(state_.initCount, 1);
    ASSERT_EQ(script_.Dialogs().size(), 1u);
    const auto& seen = script_.Dialogs()[0];
    EXPECT_EQ(seen.caption, "New Catalog Dialog");
    ASSERT_EQ(seen.controls.size(), 4u);
    EXPECT_EQ(seen.controls[0], (std::pair<int, std::string>{-1, "New catalog:"}));
    EXPECT_EQ(seen.controls[3], (std::pair<int, std::string>{IDCANCEL, "Cancel"}));
}

TEST_F(DialogTest, FilledInTextAndTheButtonPressedComeBack) {
    script_.FillDialog({{kEdit, std::string(100, 'n')}}, IDOK);
    EXPECT_EQ(Run(kNewCatalog), IDOK);
    EXPECT_EQ(state_.name, std::string(80, 'n')) << "typing stops at the edit's limit";
    script_.FillDialog({{kEdit, "  Poems  "}}, IDOK, /*typed=*/false);
    EXPECT_EQ(Run(kNewCatalog), IDOK);
    EXPECT_EQ(state_.name, "  Poems  ");
    state_.name.clear();
    script_.FillDialog({{kEdit, "Poems"}}, IDCANCEL);
    EXPECT_EQ(Run(kNewCatalog), IDCANCEL);
    EXPECT_EQ(state_.name, "");
    EXPECT_TRUE(script_.Finished());
    EXPECT_EQ(ButtonCommands(state_),
              (std::vector<WPARAM>{MAKEWPARAM(IDOK, BN_CLICKED), MAKEWPARAM(IDOK, BN_CLICKED),
                                   MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
}

TEST_F(DialogTest, EscCloseAndEnterGoThroughTheDialogManager) {
    script_.CancelDialog();
    EXPECT_EQ(Run(kNewCatalog), IDCANCEL);
    script_.ActOnDialog([](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); });
    EXPECT_EQ(Run(kPlain), IDCANCEL) << "closing counts as Cancel";
    EXPECT_EQ(ButtonCommands(state_),
              (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED), MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
    script_.ActOnDialog([](HWND dlg) {
        SetDlgItemTextA(dlg, kEdit, "Poems");
        plat::PressKey(GetDlgItem(dlg, kEdit), VK_RETURN);
    });
    EXPECT_EQ(Run(kNewCatalog), IDOK) << "Enter in the edit presses the default button";
    EXPECT_EQ(state_.name, "Poems");
}

TEST_F(DialogTest, EnterPressesTheFocusedButtonAndNotADisabledDefault) {
    state_.limit = 0;
    script_.ActOnDialog([](HWND dlg) {
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        plat::PressKey(GetDlgItem(dlg, IDCANCEL), VK_RETURN);
    });
    EXPECT_EQ(Run(kPlain), IDCANCEL);
    EXPECT_EQ(ButtonCommands(state_), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
    state_.commands.clear();
    script_.ActOnDialog([](HWND dlg) {
        EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        plat::PressKey(dlg, VK_RETURN);
    });
    EXPECT_EQ(Run(kPlain), IDCANCEL) << "still up when nothing is left to do: cancelled";
    EXPECT_EQ(ButtonCommands(state_), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
}

TEST_F(DialogTest, TheHeadlessDefaultCancelsDialogsEvenOnesThatIgnoreCancel) {
    plat::ScopedInteraction headless(nullptr);
    EXPECT_EQ(Run(kNewCatalog), IDCANCEL);
    EXPECT_EQ(ButtonCommands(state_), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
    state_.ignoreCancel = true;
    EXPECT_EQ(Run(kNewCatalog), IDCANCEL) << "ended when nothing is left to do";
}

TEST_F(DialogTest, AMissingTemplateOrControlClassGivesMinusOne) {
    EXPECT_EQ(Run(999), -1);
    EXPECT_EQ(DialogBoxParamA(kModule, "NAMED", owner_, TestDlgProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(0x7A12, MAKEINTRESOURCE(kNewCatalog), owner_, TestDlgProc, 0), -1);
    plat::DialogTemplate t = PlainTemplate();
    t.items.push_back({"NoSuchClass", 5, "", WS_VISIBLE, RECT{0, 0, 10, 10}});
    EXPECT_EQ(plat::RunModalDialogIndirect(t, owner_, TestDlgProc, reinterpret_cast<LPARAM>(&state_)), -1);
    EXPECT_EQ(state_.initCount, 0);
}

TEST_F(DialogTest, TheCurrentResourceModuleIsUsedForModuleZero) {
    HMODULE saved = plat::CurrentResourceModule();
    plat::SetCurrentResourceModule(kModule);
    script_.CancelDialog();
    EXPECT_EQ(
        DialogBoxParamA(0, MAKEINTRESOURCE(kPlain), owner_, TestDlgProc, reinterpret_cast<LPARAM>(&state_)),
        IDCANCEL);
    plat::SetCurrentResourceModule(saved);
}

TEST_F(DialogTest, EndDialogDuringInitDialogEndsItWithoutAskingTheInteraction) {
    state_.endInInit = true;
    EXPECT_EQ(Run(kNewCatalog), 42);
    EXPECT_TRUE(script_.Dialogs().empty());
}

TEST_F(DialogTest, TheFirstTabStopGetsTheFocusAndTabMovesAlongTheTabStops) {
    HWND focus = nullptr, afterTab = nullptr, afterShiftTab = nullptr, ok = nullptr, edit = nullptr;
    script_.ActOnDialog([&](HWND dlg) {
        focus = GetFocus();
        ok = GetDlgItem(dlg, IDOK);
        edit = GetDlgItem(dlg, kEdit);
        MSG msg{edit, WM_KEYDOWN, VK_TAB, 1, 0, POINT{0, 0}};
        EXPECT_TRUE(IsDialogMessageA(dlg, &msg));
        afterTab = GetFocus();
        plat::SetKeyDown(VK_SHIFT, true);
        msg.hwnd = afterTab;
        IsDialogMessageA(dlg, &msg);
        plat::SetKeyDown(VK_SHIFT, false);
        afterShiftTab = GetFocus();
        EndDialog(dlg, IDOK);
    });
    EXPECT_EQ(Run(kNewCatalog), IDOK);
    EXPECT_EQ(reinterpret_cast<HWND>(state_.initFocus), edit) << "WM_INITDIALOG's wParam";
    EXPECT_EQ(focus, edit);
    EXPECT_EQ(afterTab, ok) << "the static is no tab stop";
    EXPECT_EQ(afterShiftTab, edit);
}

TEST_F(DialogTest, AQuitMessageEndsTheDialogAndStaysForTheHostsLoop) {
    script_.ActOnDialog([](HWND) { PostQuitMessage(3); });
    EXPECT_EQ(Run(kPlain), IDCANCEL);
    EXPECT_TRUE(plat::QuitPosted());
}

TEST_F(DialogTest, AnswersGoThroughDwlpMsgResult) {
    LRESULT answer = 0, defId = 0, afterSet = 0;
    DWORD cancelStyle = 0;
    script_.ActOnDialog([&](HWND dlg) {
        answer = SendMessageA(dlg, WM_APP, 0, 0);
        defId = SendMessageA(dlg, DM_GETDEFID, 0, 0);
        SendMessageA(dlg, DM_SETDEFID, IDCANCEL, 0);
        afterSet = SendMessageA(dlg, DM_GETDEFID, 0, 0);
        cancelStyle = static_cast<DWORD>(GetWindowLongA(GetDlgItem(dlg, IDCANCEL), GWL_STYLE));
        EndDialog(dlg, IDOK);
    });
    Run(kPlain);
    EXPECT_EQ(answer, 1234);
    EXPECT_EQ(defId, MAKELRESULT(IDOK, DC_HASDEFID));
    EXPECT_EQ(afterSet, MAKELRESULT(IDCANCEL, DC_HASDEFID));
    EXPECT_EQ(cancelStyle & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

HWND g_hookedDialog = nullptr;
int g_initCountAtHook = -1;

TEST_F(DialogTest, TheCreationHookRunsBeforeInitDialog) {
    plat::DialogCreatedHook old = plat::SetDialogCreatedHook([](HWND dlg, LPARAM param) {
        g_hookedDialog = dlg;
        g_initCountAtHook = reinterpret_cast<DlgState*>(param)->initCount;
    });
    script_.CancelDialog();
    Run(kPlain);
    plat::SetDialogCreatedHook(old);
    EXPECT_NE(g_hookedDialog, nullptr);
    EXPECT_EQ(g_initCountAtHook, 0);
}

} // namespace

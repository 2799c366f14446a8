// CDialog and data exchange: a modal dialog from a template of the current resource module, loading
// members into controls at init, OK validating before it ends the dialog (a failed check keeps it
// open), Cancel ending without exchange, and the object bound to the dialog only while it runs.
#include "afxwin.h"
#include "plat/dialogs.h"
#include "plat/resources.h"
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

constexpr HMODULE kModule = 0x5A5A;
constexpr UINT kDialogId = 132;
constexpr int kEditId = 1016;
constexpr int kNumberId = 1017;

plat::ResourceTable& Resources() {
    static plat::ResourceTable table = [] {
        plat::ResourceTable t;
        plat::DialogTemplate dlg;
        dlg.caption = "New Catalog Dialog";
        dlg.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        dlg.rect = RECT{0, 0, 165, 46};
        dlg.items = {
            {"Static", -1, "New catalog:", WS_CHILD | WS_VISIBLE, RECT{7, 9, 48, 18}},
            {"Edit", kEditId, "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
             RECT{51, 7, 158, 19}},
            {"Edit", kNumberId, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, RECT{51, 20, 100, 24}},
            {"Button", IDOK, "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
             RECT{30, 25, 80, 39}},
            {"Button", IDCANCEL, "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{85, 25, 135, 39}},
        };
        t.dialogs[MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)][kDialogId] = dlg;
        return t;
    }();
    return table;
}

class CNameDlg : public CDialog {
  public:
    explicit CNameDlg(CWnd* parent = nullptr) : CDialog(kDialogId, parent) {}

    CString m_name;
    CEdit m_edit;
    int m_number = 0;
    int m_maxChars = 8;
    bool m_exchangeNumber = false;
    bool m_exchangeMissingControl = false;
    int initCalls = 0;
    bool boundDuringInit = false;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, kEditId, m_edit);
        DDX_Text(pDX, kEditId, m_name);
        DDV_MaxChars(pDX, m_name, m_maxChars);
        if (m_exchangeNumber) DDX_Text(pDX, kNumberId, m_number);
        if (m_exchangeMissingControl) DDX_Text(pDX, 999, m_name);
    }
    BOOL OnInitDialog() override {
        ++initCalls;
        boundDuringInit = CWnd::FromHandlePermanent(m_hWnd) == this && m_hWnd != nullptr;
        return CDialog::OnInitDialog();
    }
    void OnOK() override {
        CDialog::OnOK();
        m_name.Trim();
    }
};

class DialogTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        plat::RegisterResources(kModule, &Resources());
        previousModule = AfxGetResourceHandle();
        AfxSetResourceHandle(kModule);
        script.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << line; });
        plat::SetInteraction(&script);
    }
    void TearDown() override {
        plat::SetInteraction(nullptr);
        AfxSetResourceHandle(previousModule);
        plat::RegisterResources(kModule, nullptr);
        WindowTest::TearDown();
    }

    void Press(HWND dialog, int id) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    plat::ScriptedInteraction script;
    HINSTANCE previousModule = 0;
};

TEST_F(DialogTest, OkExchangesTheTypedTextAndEnds) {
    CNameDlg dlg;
    script.FillDialog({{kEditId, "  Poems  "}}, IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_STREQ(dlg.m_name, "Poems"); // trimmed by the derived OnOK after the exchange
    EXPECT_EQ(dlg.initCalls, 1);
    EXPECT_TRUE(dlg.boundDuringInit);
    EXPECT_TRUE(script.Finished());
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].caption, "New Catalog Dialog");
}

TEST_F(DialogTest, ObjectsAreBoundOnlyWhileTheDialogRunsAndTheOwnerIsDisabled) {
    CWnd owner;
    ASSERT_TRUE(
        owner.CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    CNameDlg dlg(&owner);
    HWND seen = nullptr;
    BOOL enabledDuring = TRUE;
    script.ActOnDialog([&](HWND dialog) {
        seen = dialog;
        enabledDuring = owner.IsWindowEnabled();
        EXPECT_EQ(dlg.m_hWnd, dialog);
        EXPECT_EQ(CWnd::FromHandlePermanent(dialog), &dlg);
        EXPECT_EQ(dlg.m_edit.m_hWnd, GetDlgItem(dialog, kEditId));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_edit.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(CWnd::FromHandlePermanent(seen), nullptr);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST_F(DialogTest, InitLoadsMembersAndLimitsTheEdit) {
    CNameDlg dlg;
    dlg.m_name = "Old name";
    std::string shown;
    UINT limit = 0;
    script.ActOnDialog([&](HWND dialog) {
        shown = testwin::TextOf(GetDlgItem(dialog, kEditId));
        limit = static_cast<UINT>(SendDlgItemMessageA(dialog, kEditId, EM_GETLIMITTEXT, 0, 0));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(shown, "Old name");
    EXPECT_EQ(limit, 8u);
    EXPECT_STREQ(dlg.m_name, "Old name"); // Cancel exchanges nothing
}

TEST_F(DialogTest, TooLongTextFailsValidationSkipsTheRestOfTheExchangeAndTheDialogStaysOpen) {
    CNameDlg dlg;
    dlg.m_exchangeNumber = true;
    dlg.m_number = 5;
    bool stillRunning = false;
    bool focusOnEdit = false;
    int numberAfterFailure = 0;
    script.ActOnDialog([&](HWND dialog) {
        // Set directly, the text is not held to the edit's limit.
        SetDlgItemTextA(dialog, kEditId, "far too long");
        SetDlgItemTextA(dialog, kNumberId, "42");
        Press(dialog, IDOK);
        stillRunning = plat::IsModalDialogRunning(dialog);
        focusOnEdit = GetFocus() == GetDlgItem(dialog, kEditId);
        numberAfterFailure = dlg.m_number;
        SetDlgItemTextA(dialog, kEditId, "Poems");
        Press(dialog, IDOK);
    });
    script.AnswerMessageBox(IDOK, "Please enter no more than 8 characters.");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(stillRunning);
    EXPECT_TRUE(focusOnEdit);
    EXPECT_EQ(numberAfterFailure, 5) << "the exchange stopped at the failed check";
    EXPECT_STREQ(dlg.m_name, "Poems");
    EXPECT_EQ(dlg.m_number, 42);
    ASSERT_EQ(script.MessageBoxes().size(), 1u);
    EXPECT_EQ(script.MessageBoxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_TRUE(script.Finished());
}

TEST_F(DialogTest, NumbersAreParsedAndBadOnesRefused) {
    CNameDlg dlg;
    dlg.m_exchangeNumber = true;
    std::string loaded;
    script.ActOnDialog([&](HWND dialog) {
        loaded = testwin::TextOf(GetDlgItem(dialog, kNumberId));
        SetDlgItemTextA(dialog, kNumberId, "12x");
        Press(dialog, IDOK); // refused
        SetDlgItemTextA(dialog, kNumberId, " -17 ");
        Press(dialog, IDOK);
    });
    script.AnswerMessageBox(IDOK, "Please enter a whole number.");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(loaded, "0");
    EXPECT_EQ(dlg.m_number, -17);
}

TEST_F(DialogTest, AMissingTemplateOrAFailedLoadAtInitGivesMinusOne) {
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(missing.m_hWnd, nullptr);
    CNameDlg dlg;
    dlg.m_exchangeMissingControl = true;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.initCalls, 1);
    EXPECT_TRUE(script.Dialogs().empty()); // never shown to the user
    AfxSetResourceHandle(0x1111);          // the current resource module has no such dialog
    dlg.m_exchangeMissingControl = false;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.initCalls, 1);
}

// ---- the buffer form of DDX_Text ----

class CBufferDlg : public CDialog {
  public:
    CBufferDlg() : CDialog(kDialogId) {}
    char m_text[6] = "abc";

  protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kEditId, m_text, sizeof m_text); }
};

TEST_F(DialogTest, BufferFormRefusesTextThatDoesNotFit) {
    CBufferDlg dlg;
    UINT limit = 0;
    script.ActOnDialog([&](HWND dialog) {
        limit = static_cast<UINT>(SendDlgItemMessageA(dialog, kEditId, EM_GETLIMITTEXT, 0, 0));
        SetDlgItemTextA(dialog, kEditId, "123456"); // one byte too many for the buffer
        Press(dialog, IDOK);
        SetDlgItemTextA(dialog, kEditId, "12345");
        Press(dialog, IDOK);
    });
    script.AnswerMessageBox(IDOK, "Please enter no more than 5 characters.");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(limit, 5u);
    EXPECT_STREQ(dlg.m_text, "12345");
}

} // namespace

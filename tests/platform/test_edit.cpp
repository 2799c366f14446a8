// The "Edit" control: text and limit, selection, typing with its notifications to the parent, and
// the keys a single-line edit handles.
#include "plat/draw.h"
#include "plat/resources.h"
#include "plat/treeview.h"
#include "support/test_window.h"
#include "win/treeview.h"

#include <algorithm>

namespace {

class EditControl : public testwin::WindowTest {
  protected:
    HWND parent = nullptr;
    HWND edit = nullptr;

    void SetUp() override {
        testwin::WindowTest::SetUp();
        plat::RegisterControlClasses();
        parent = testwin::MakeTop();
        edit = Make(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, "start");
        testwin::Log().clear();
    }
    HWND Make(DWORD style, const char* text) {
        return CreateWindowExA(0, WC_EDITA, text, style, 5, 5, 120, 20, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(7)), 0, nullptr);
    }
    std::string Text() { return testwin::TextOf(edit); }
    void Type(const std::string& s) {
        for (char c : s)
            SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    std::pair<DWORD, DWORD> Sel() {
        DWORD s = 0, e = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        return {s, e};
    }
    // EN_* codes the parent received, in order.
    std::vector<WORD> Codes() {
        std::vector<WORD> out;
        for (const testwin::Received& r : testwin::Log()) {
            if (r.hwnd != parent || r.msg != WM_COMMAND) continue;
            EXPECT_EQ(LOWORD(r.wParam), 7);
            EXPECT_EQ(reinterpret_cast<HWND>(r.lParam), edit);
            out.push_back(HIWORD(r.wParam));
        }
        return out;
    }
};

TEST_F(EditControl, TextLimitAndPainting) {
    EXPECT_EQ(Text(), "start");
    EXPECT_EQ(GetWindowTextLengthA(edit), 5);
    char small[4];
    EXPECT_EQ(GetWindowTextA(edit, small, sizeof small), 3);
    EXPECT_STREQ(small, "sta");
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 32767);
    SendMessageA(edit, EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 4);
    SetWindowTextA(edit, "longer than four"); // setting the text ignores the limit
    EXPECT_EQ(Text(), "longer than four");
    SendMessageA(edit, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);

    UpdateWindow(parent);
    plat::Drawing drawing = plat::LastDrawing(edit);
    const plat::DrawOp* text = drawing.FindText("longer than four");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->textColor, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(EditControl, SelectionMessages) {
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 0}));
    SendMessageA(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 5}));
    EXPECT_EQ(SendMessageA(edit, EM_GETSEL, 0, 0), MAKELRESULT(0, 5));
    SendMessageA(edit, EM_SETSEL, 4, 1); // reversed: caret at 1
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{1, 4}));
    SendMessageA(edit, EM_SETSEL, 2, 99); // clamped to the text
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{2, 5}));
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0); // deselect, caret stays
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{5, 5}));
}

TEST_F(EditControl, TypingInsertsReplacesAndNotifiesAsDoFocusChanges) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    Type("ab");
    EXPECT_EQ(Text(), "ab");
    EXPECT_EQ(Codes(), (std::vector<WORD>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
    EXPECT_TRUE(SendMessageA(edit, EM_GETMODIFY, 0, 0));
    SendMessageA(edit, EM_SETSEL, 1, 1);
    Type("X");
    EXPECT_EQ(Text(), "aXb");
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{2, 2}));
    Type("\b\b");
    EXPECT_EQ(Text(), "b");
    SendMessageA(edit, WM_CHAR, '\r', 0); // control characters do nothing
    EXPECT_EQ(Text(), "b");
    SetWindowTextA(edit, "fresh");
    EXPECT_FALSE(SendMessageA(edit, EM_GETMODIFY, 0, 0));

    testwin::Log().clear();
    SetFocus(edit);
    SetFocus(parent);
    EXPECT_EQ(Codes(), (std::vector<WORD>{EN_SETFOCUS, EN_KILLFOCUS}));
}

TEST_F(EditControl, LimitStopsTypingAndReplacing) {
    SendMessageA(edit, EM_LIMITTEXT, 7, 0);
    SendMessageA(edit, EM_SETSEL, 5, 5);
    Type("1234");
    EXPECT_EQ(Text(), "start12");
    std::vector<WORD> codes = Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_MAXTEXT), 2);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), 2);
    testwin::Log().clear();
    SendMessageA(edit, EM_SETSEL, 0, 2);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("ABCD"));
    EXPECT_EQ(Text(), "ABart12"); // cut to what fits
    EXPECT_EQ(Codes(), (std::vector<WORD>{EN_MAXTEXT, EN_UPDATE, EN_CHANGE}));
}

TEST_F(EditControl, NavigationAndDeleteKeys) {
    auto key = [&](int vk) { SendMessageA(edit, WM_KEYDOWN, static_cast<WPARAM>(vk), 0); };
    key(VK_END);
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{5, 5}));
    key(VK_LEFT);
    plat::SetKeyDown(VK_SHIFT, true);
    key(VK_LEFT);
    key(VK_LEFT);
    plat::SetKeyDown(VK_SHIFT, false);
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{2, 4}));
    key(VK_DELETE);
    EXPECT_EQ(Text(), "stt");
    key(VK_HOME);
    key(VK_DELETE);
    EXPECT_EQ(Text(), "tt");
    key(VK_RIGHT);
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{1, 1}));
}

TEST_F(EditControl, ReadOnlyIgnoresTyping) {
    HWND ro = Make(WS_CHILD | ES_READONLY, "fixed");
    SendMessageA(ro, WM_CHAR, 'x', 0);
    SendMessageA(ro, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(testwin::TextOf(ro), "fixed");
    SendMessageA(ro, EM_SETSEL, 0, -1);
    SendMessageA(ro, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("set by program"));
    EXPECT_EQ(testwin::TextOf(ro), "set by program");
}

TEST_F(EditControl, BackspaceKeepsTwoByteCharactersWhole) {
    UINT saved = plat::CodePage();
    plat::SetCodePage(950);
    SetWindowTextA(edit, "a\xA4\xA4"); // 'a' and one Big5 character
    SendMessageA(edit, EM_SETSEL, 3, 3);
    SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(Text(), "a");
    SendMessageA(edit, EM_LIMITTEXT, 2, 0);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("\xA4\xA4"));
    EXPECT_EQ(Text(), "a"); // half a character never goes in
    plat::SetCodePage(saved);
}

} // namespace

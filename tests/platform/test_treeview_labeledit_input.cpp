// The label editor driven as a user drives it: keystrokes and clicks go through the message queue,
// and each test checks the messages the tree sends, the label afterwards and what the editor paints.
#include "plat/draw.h"
#include "plat/interaction.h"
#include "test_treeview_support.h"

using treetest::TreeTest;

namespace {

// Types nothing when an edit opens: the tests post the user's input themselves.
class QuietUser : public plat::HeadlessInteraction {
  public:
    void LabelEditStarted(HWND, const std::string&) override {}
};

class TreeLabelInput : public TreeTest {
  protected:
    QuietUser user;
    HTREEITEM item = nullptr;
    HTREEITEM other = nullptr;
    HWND elsewhere = nullptr;          // another control of the parent, to click away to
    bool editAliveAtEnd = false;       // the edit was still a window during TVN_ENDLABELEDIT
    LRESULT endAnswer = TRUE;          // the answer to TVN_ENDLABELEDIT
    std::function<void(HWND)> atBegin; // runs with the edit during TVN_BEGINLABELEDIT

    void SetUp() override {
        TreeTest::SetUp();
        plat::SetInteraction(&user);
        MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS, 300, 160);
        item = Insert(TVI_ROOT, "Label");
        other = Insert(TVI_ROOT, "Other");
        elsewhere = CreateWindowExA(0, WC_EDITA, "", WS_CHILD | WS_VISIBLE, 0, 200, 100, 20, parent, nullptr,
                                    0, nullptr);
        answer = [this](NMHDR* hdr) -> LRESULT {
            if (hdr->code == TVN_BEGINLABELEDITA && atBegin) atBegin(TreeView_GetEditControl(tree));
            if (hdr->code != TVN_ENDLABELEDITA) return 0;
            HWND edit = TreeView_GetEditControl(tree);
            editAliveAtEnd = edit && IsWindow(edit) && IsWindowVisible(edit);
            return endAnswer;
        };
        SetFocus(tree);
        plat::PumpMessages();
        notes.clear();
    }
    void TearDown() override {
        plat::SetInteraction(nullptr);
        TreeTest::TearDown();
    }

    HWND Open(HTREEITEM which) {
        HWND edit = TreeView_EditLabel(tree, which);
        EXPECT_NE(edit, nullptr);
        plat::PumpMessages();
        return edit;
    }
    void Type(HWND edit, const std::string& text) {
        plat::TypeText(edit, text);
        plat::PumpMessages();
    }
    void Press(HWND edit, int vk) {
        plat::PressKey(edit, vk);
        plat::PumpMessages();
    }
    void Click(HWND hwnd, POINT pt, UINT down = WM_LBUTTONDOWN) {
        plat::PostMouse(hwnd, down + 1, pt, 0);
        plat::SendMouse(hwnd, down, pt, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON);
        plat::PumpMessages();
    }
    const treetest::Note& End() {
        std::vector<const treetest::Note*> ends = Of("ENDEDIT");
        EXPECT_EQ(ends.size(), 1u);
        static treetest::Note none;
        return ends.empty() ? none : *ends[0];
    }
};

TEST_F(TreeLabelInput, TypingReplacesTheLabelAndEnterCommitsThenTheEditGoes) {
    HWND edit = Open(item);
    Type(edit, "Poems");
    EXPECT_EQ(testwin::TextOf(edit), "Poems"); // the whole label was selected, so typing replaced it
    Type(edit, "\b\bry");
    EXPECT_EQ(testwin::TextOf(edit), "Poery");
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINEDIT"})); // typing alone ends nothing
    Press(edit, VK_RETURN);
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINEDIT", "ENDEDIT"}));
    EXPECT_TRUE(End().hasText);
    EXPECT_EQ(End().text, "Poery");
    EXPECT_EQ(End().newItem, item);
    EXPECT_EQ(End().newMask, static_cast<UINT>(TVIF_TEXT));
    EXPECT_EQ(End().cchTextMax, 260) << "the text travels in a MAX_PATH buffer";
    EXPECT_TRUE(editAliveAtEnd) << "the edit is destroyed after the notification, not before";
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(TreeView_GetEditControl(tree), nullptr);
    EXPECT_EQ(Text(item), "Poery");
    EXPECT_EQ(GetFocus(), tree);

    endAnswer = FALSE; // refused: the old label stays
    notes.clear();
    edit = Open(item);
    Type(edit, "Refused");
    Press(edit, VK_RETURN);
    EXPECT_EQ(End().text, "Refused");
    EXPECT_EQ(Text(item), "Poery");
    EXPECT_FALSE(IsWindow(edit));
}

TEST_F(TreeLabelInput, ClickingAnotherControlCommits) {
    HWND edit = Open(item);
    Type(edit, "Moved away");
    Click(elsewhere, POINT{5, 5});
    EXPECT_EQ(GetFocus(), elsewhere);
    EXPECT_EQ(End().text, "Moved away");
    EXPECT_EQ(Text(item), "Moved away");
    EXPECT_FALSE(IsWindow(edit));
}

// A left or right click in the tree while an edit is open commits it and does nothing else: no click
// notification, no selection, no context menu.
TEST_F(TreeLabelInput, ClickInTheTreeOnlyEndsTheEdit) {
    TreeView_SelectItem(tree, item);
    notes.clear();
    HWND edit = Open(item);
    Type(edit, "First");
    Click(tree, LabelPoint(other));
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINEDIT", "ENDEDIT"}));
    EXPECT_EQ(Text(item), "First");
    EXPECT_EQ(TreeView_GetSelection(tree), item);
    EXPECT_FALSE(IsWindow(edit));

    notes.clear();
    edit = Open(other);
    Type(edit, "Second");
    Click(tree, LabelPoint(item), WM_RBUTTONDOWN);
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINEDIT", "ENDEDIT"}));
    EXPECT_EQ(Text(other), "Second");
    EXPECT_EQ(TreeView_GetSelection(tree), item);
}

TEST_F(TreeLabelInput, LimitSetByTheCallerLimitsTypingAndTheTextIsCutTo259) {
    atBegin = [](HWND opened) { SendMessageA(opened, EM_LIMITTEXT, 4, 0); };
    HWND edit = Open(item);
    Type(edit, "abcdefg");
    EXPECT_EQ(testwin::TextOf(edit), "abcd");
    Press(edit, VK_RETURN);
    EXPECT_EQ(Text(item), "abcd");

    // A raised limit lets the user type on, but what ends the edit is cut to 259 characters.
    atBegin = [](HWND opened) { SendMessageA(opened, EM_LIMITTEXT, 400, 0); };
    notes.clear();
    edit = Open(item);
    Type(edit, std::string(300, 'q'));
    EXPECT_EQ(testwin::TextOf(edit).size(), 300u);
    Press(edit, VK_RETURN);
    EXPECT_EQ(End().text, std::string(259, 'q'));
    EXPECT_EQ(Text(item), std::string(259, 'q'));
}

// The editor draws its border, its text and the selected text in its own window; the tree leaves the
// label out under it, and the edit grows with its text.
TEST_F(TreeLabelInput, EditorPaintsItselfOverTheLabel) {
    HWND edit = Open(item);
    RECT client{};
    GetClientRect(edit, &client);
    plat::Drawing drawing = plat::LastDrawing(edit);
    bool border = false;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::Frame))
        if (EqualRect(&op->rect, &client) && op->color == GetSysColor(COLOR_WINDOWFRAME)) border = true;
    EXPECT_TRUE(border) << "a border around the edit";
    const plat::DrawOp* selected = nullptr;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::Text))
        if (op->text == "Label" && op->bkColor == GetSysColor(COLOR_HIGHLIGHT)) selected = op;
    ASSERT_NE(selected, nullptr) << "the label's text, all selected";
    EXPECT_EQ(selected->textColor, GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_GT(selected->pos.x, client.left);
    EXPECT_GT(selected->pos.y, client.top);
    InvalidateRect(tree, nullptr, TRUE);
    plat::PumpMessages();
    EXPECT_EQ(plat::LastDrawing(tree).FindText("Label"), nullptr);
    EXPECT_NE(plat::LastDrawing(tree).FindText("Other"), nullptr);

    Type(edit, "Wider " + std::string(20, 'w'));
    drawing = plat::LastDrawing(edit);
    const plat::DrawOp* typed = drawing.FindText("Wider " + std::string(20, 'w'));
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->textColor, GetSysColor(COLOR_WINDOWTEXT));
    RECT grown{};
    GetClientRect(edit, &grown);
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(tree, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_GT(grown.right, plat::MeasureText(lf, "Wider " + std::string(20, 'w')))
        << "the edit holds its text";
    Type(edit, std::string(60, 'w'));
    RECT capped{};
    GetWindowRect(edit, &capped);
    MapWindowPoints(nullptr, tree, reinterpret_cast<POINT*>(&capped), 2);
    RECT treeClient{};
    GetClientRect(tree, &treeClient);
    EXPECT_LE(capped.right, treeClient.right) << "never wider than the tree";
    Press(edit, VK_ESCAPE);
}

// The edit box does not move with the rows, so scrolling by the user first commits the edit.
TEST_F(TreeLabelInput, ScrollingCommitsTheEditFirst) {
    for (int i = 0; i < 30; ++i)
        Insert(TVI_ROOT, ("Row " + std::to_string(i)).c_str());
    HWND edit = Open(item);
    Type(edit, "Scrolled");
    SendMessageA(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(End().text, "Scrolled");
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(TreeView_GetFirstVisible(tree), other);

    notes.clear();
    edit = Open(other);
    Type(edit, "Wheeled");
    SendMessageA(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(End().text, "Wheeled");
    EXPECT_FALSE(IsWindow(edit));
}

} // namespace

// In-place label editing: the edit child before TVN_BEGINLABELEDIT, refusal, the 259-character
// limit, the ways an edit ends, what TVN_ENDLABELEDIT carries and how its answer is used, and the
// click on the selected item's label that starts an edit after a pause.
#include "plat/draw.h"
#include "plat/interaction.h"
#include "test_treeview_support.h"

#include <cstdio>

using treetest::TreeTest;

namespace {

// Records each label edit the tree shows.
class EditRecorder : public plat::HeadlessInteraction {
  public:
    struct Seen {
        HWND edit;
        std::string text;
    };
    std::vector<Seen> seen;
    void LabelEditStarted(HWND edit, const std::string& text) override { seen.push_back(Seen{edit, text}); }
};

class TreeLabelEdit : public TreeTest {
  protected:
    EditRecorder recorder;
    HTREEITEM item = nullptr;
    HTREEITEM other = nullptr;

    void SetUp() override {
        TreeTest::SetUp();
        plat::SetInteraction(&recorder);
        MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS);
        item = Insert(TVI_ROOT, "Label", TVI_LAST, -2, 42);
        other = Insert(TVI_ROOT, "Other");
        SetFocus(tree);
        notes.clear();
    }
    void TearDown() override {
        plat::SetInteraction(nullptr);
        TreeTest::TearDown();
    }
    int EditChildren() {
        int n = 0;
        for (HWND c = GetWindow(tree, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ++n;
        return n;
    }
};

TEST_F(TreeLabelEdit, EditIsFilledBeforeBeginLabelEditTheHandlerMayChangeItAndTheLabelIsNotPainted) {
    HWND seenEdit = nullptr;
    LRESULT seenLimit = 0;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_BEGINLABELEDITA) {
            seenEdit = TreeView_GetEditControl(tree);
            seenLimit = SendMessageA(seenEdit, EM_GETLIMITTEXT, 0, 0);
            EXPECT_EQ(testwin::TextOf(seenEdit), "Label");
            SetWindowTextA(seenEdit, "Changed");
        }
        return 0;
    };
    HWND edit = TreeView_EditLabel(tree, item);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit, seenEdit);
    EXPECT_EQ(seenLimit, 259);
    EXPECT_EQ(testwin::TextOf(edit), "Changed");
    const treetest::Note* begin = Of("BEGINEDIT")[0];
    EXPECT_EQ(begin->newItem, item);
    EXPECT_EQ(begin->text, "Label");
    EXPECT_EQ(begin->newMask, static_cast<UINT>(TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_TEXT));
    // Shown, focused, all selected, and the item is not selected by the edit.
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_EQ(GetFocus(), edit);
    DWORD start = 99, end = 99;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 7u);
    EXPECT_EQ(State(item) & TVIS_SELECTED, 0u);
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].edit, edit);
    EXPECT_EQ(recorder.seen[0].text, "Changed");
    EXPECT_EQ(TreeView_EditLabel(tree, other), edit); // an open edit is returned again
    UpdateWindow(tree);
    plat::Drawing drawing = plat::LastDrawing(tree);
    EXPECT_EQ(drawing.FindText("Label"), nullptr) << "not painted under the edit";
    EXPECT_NE(drawing.FindText("Other"), nullptr);
}

TEST_F(TreeLabelEdit, RefusedEditIsDestroyedAndNoneStartsWithoutTheEditLabelsStyle) {
    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_BEGINLABELEDITA; };
    EXPECT_EQ(TreeView_EditLabel(tree, item), nullptr);
    EXPECT_EQ(TreeView_GetEditControl(tree), nullptr);
    EXPECT_EQ(EditChildren(), 0);
    EXPECT_TRUE(recorder.seen.empty());
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINEDIT"}));
    MakeTree(TVS_HASBUTTONS);
    HTREEITEM x = Insert(TVI_ROOT, "x");
    EXPECT_EQ(TreeView_EditLabel(tree, x), nullptr);
    EXPECT_TRUE(Names().empty());
}

// Esc cancels with null text whatever the handler answers; losing the focus saves; ending now can
// cancel. (Enter, a click in the tree and a refused text are in the tests that drive the editor as a
// user.)
TEST_F(TreeLabelEdit, WaysAnEditEnds) {
    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_ENDLABELEDITA; }; // ignored
    HWND edit = TreeView_EditLabel(tree, item);
    plat::TypeText(edit, "zzz");
    plat::PressKey(edit, VK_ESCAPE);
    plat::PumpMessages();
    const treetest::Note* end = Of("ENDEDIT")[0];
    EXPECT_FALSE(end->hasText);
    EXPECT_EQ(end->newMask, 0u);
    EXPECT_EQ(Text(item), "Label");
    EXPECT_FALSE(IsWindow(edit));

    notes.clear();
    edit = TreeView_EditLabel(tree, item);
    SetWindowTextA(edit, "Focus");
    SetFocus(parent);
    EXPECT_EQ(Of("ENDEDIT").size(), 1u);
    EXPECT_EQ(Text(item), "Focus");
    EXPECT_FALSE(IsWindow(edit));

    edit = TreeView_EditLabel(tree, item);
    SetWindowTextA(edit, "Never");
    EXPECT_TRUE(TreeView_EndEditLabelNow(tree, TRUE));
    EXPECT_FALSE(Of("ENDEDIT")[1]->hasText);
    EXPECT_EQ(Text(item), "Focus");
    EXPECT_FALSE(TreeView_EndEditLabelNow(tree, FALSE)); // nothing open
}

TEST_F(TreeLabelEdit, HandlerMayRewriteTheBufferOrPointElsewhere) {
    answer = [](NMHDR* hdr) -> LRESULT {
        if (hdr->code != TVN_ENDLABELEDITA) return 0;
        auto* di = reinterpret_cast<NMTVDISPINFOA*>(hdr);
        snprintf(di->item.pszText, static_cast<size_t>(di->item.cchTextMax), "[%s]", "trimmed");
        return TRUE;
    };
    TreeView_EditLabel(tree, item);
    EXPECT_TRUE(TreeView_EndEditLabelNow(tree, FALSE));
    EXPECT_EQ(Text(item), "[trimmed]");

    static char elsewhere[] = "Elsewhere";
    answer = [](NMHDR* hdr) -> LRESULT {
        if (hdr->code != TVN_ENDLABELEDITA) return 0;
        reinterpret_cast<NMTVDISPINFOA*>(hdr)->item.pszText = elsewhere;
        return TRUE;
    };
    TreeView_EditLabel(tree, other);
    TreeView_EndEditLabelNow(tree, FALSE);
    EXPECT_EQ(Text(other), "Elsewhere");
}

TEST_F(TreeLabelEdit, TextIsLimitedTo259Characters) {
    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_ENDLABELEDITA; };
    HWND edit = TreeView_EditLabel(tree, item);
    plat::TypeText(edit, std::string(300, 'k')); // typing stops at the limit
    plat::PumpMessages();
    EXPECT_EQ(testwin::TextOf(edit).size(), 259u);
    // Even a raised limit is cut at the end: the text travels in a MAX_PATH buffer.
    SendMessageA(edit, EM_LIMITTEXT, 1000, 0);
    SetWindowTextA(edit, std::string(400, 'w').c_str());
    TreeView_EndEditLabelNow(tree, FALSE);
    EXPECT_EQ(Text(item), std::string(259, 'w'));
}

TEST_F(TreeLabelEdit, DeletingTheEditedItemCancelsTheEditFirst) {
    TreeView_EditLabel(tree, item);
    notes.clear();
    TreeView_DeleteItem(tree, item);
    EXPECT_EQ(Names(), (std::vector<std::string>{"ENDEDIT", "DELETE"}));
    EXPECT_FALSE(Of("ENDEDIT")[0]->hasText);
    EXPECT_EQ(TreeView_GetEditControl(tree), nullptr);
    ExpectLinksOk();
}

TEST_F(TreeLabelEdit, ClickOnTheSelectedLabelStartsAnEditAfterThePause) {
    plat::UseManualClock(true);
    TreeView_SelectItem(tree, item);
    notes.clear();
    plat::SendMouse(tree, WM_LBUTTONDOWN, LabelPoint(item), MK_LBUTTON);
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK"}));
    plat::AdvanceClock(GetDoubleClickTime() - 10);
    plat::PumpMessages();
    EXPECT_EQ(TreeView_GetEditControl(tree), nullptr);
    plat::AdvanceClock(20);
    plat::PumpMessages();
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "BEGINEDIT"}));
    EXPECT_NE(TreeView_GetEditControl(tree), nullptr);
    TreeView_EndEditLabelNow(tree, TRUE);

    // A double click cancels the pending edit.
    notes.clear();
    plat::SendMouse(tree, WM_LBUTTONDOWN, LabelPoint(item), MK_LBUTTON);
    plat::SendMouse(tree, WM_LBUTTONDBLCLK, LabelPoint(item), MK_LBUTTON);
    plat::AdvanceClock(GetDoubleClickTime() * 2);
    plat::PumpMessages();
    EXPECT_EQ(TreeView_GetEditControl(tree), nullptr);
    EXPECT_TRUE(Of("BEGINEDIT").empty());

    // A click on another item's label selects it and arms nothing.
    notes.clear();
    plat::SendMouse(tree, WM_LBUTTONDOWN, LabelPoint(other), MK_LBUTTON);
    plat::AdvanceClock(GetDoubleClickTime() * 2);
    plat::PumpMessages();
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "SELCHANGING", "SELCHANGED"}));
}

} // namespace

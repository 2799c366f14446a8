// Mouse and keyboard: the click told before the selection moves, the drag threshold, button and
// indent clicks, the right click with its context menu, and keyboard navigation.
#include "test_treeview_support.h"

using treetest::TreeTest;

namespace {

class TreeMouse : public TreeTest {
  protected:
    HTREEITEM a = nullptr, b = nullptr, a1 = nullptr;

    void SetUp() override {
        TreeTest::SetUp();
        MakeTree();
        a = Insert(TVI_ROOT, "Alpha");
        a1 = Insert(a, "Alpha one");
        b = Insert(TVI_ROOT, "Bravo");
        TreeView_SelectItem(tree, a);
        notes.clear();
    }

    void Click(POINT pt) { plat::SendMouse(tree, WM_LBUTTONDOWN, pt, MK_LBUTTON); }
};

TEST_F(TreeMouse, ClickIsToldBeforeTheSelectionMovesAndANonzeroAnswerSkipsTheSelection) {
    HTREEITEM caretAtClick = nullptr, hitAtClick = nullptr;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == NM_CLICK) {
            caretAtClick = TreeView_GetSelection(tree);
            // The documented way to find the clicked item: the message position, hit-tested.
            DWORD pos = GetMessagePos();
            TVHITTESTINFO ht{};
            ht.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
            ScreenToClient(tree, &ht.pt);
            hitAtClick = TreeView_HitTest(tree, &ht);
        }
        return 0;
    };
    Click(LabelPoint(b));
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "SELCHANGING", "SELCHANGED"}));
    EXPECT_EQ(caretAtClick, a);
    EXPECT_EQ(hitAtClick, b);
    EXPECT_EQ(Of("SELCHANGED")[0]->action, static_cast<UINT>(TVC_BYMOUSE));
    EXPECT_EQ(TreeView_GetSelection(tree), b);
    EXPECT_EQ(GetFocus(), tree);
    EXPECT_EQ(GetCapture(), nullptr);

    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == NM_CLICK; };
    notes.clear();
    Click(LabelPoint(a));
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK"}));
    EXPECT_EQ(TreeView_GetSelection(tree), b);
}

TEST_F(TreeMouse, SmallMovementIsStillAClickAndWithDragDropDisabledAClickComesAtOnce) {
    POINT from = LabelPoint(b);
    plat::PostDragPath(tree, from, POINT{from.x + 3, from.y - 3}, 3);
    Click(from);
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "SELCHANGING", "SELCHANGED"}));
    MSG msg{}; // the tracking consumed the moves and the release
    EXPECT_FALSE(PeekMessageA(&msg, tree, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE));
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT | TVS_DISABLEDRAGDROP);
    HTREEITEM x = Insert(TVI_ROOT, "x");
    notes.clear();
    from = LabelPoint(x);
    plat::PostDragPath(tree, from, POINT{from.x + 40, from.y}, 4);
    Click(from);
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "SELCHANGING", "SELCHANGED"}));
    EXPECT_TRUE(PeekMessageA(&msg, tree, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) << "nothing was tracked";
}

TEST_F(TreeMouse, MovementBeyondTheDragDistanceBeginsADragAndTheRestGoesToTheWindow) {
    POINT from = LabelPoint(b);
    POINT to{from.x + 30, from.y + 2};
    plat::PostDragPath(tree, from, to, 5);
    Click(from);
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINDRAG"}));
    const treetest::Note* drag = Of("BEGINDRAG")[0];
    EXPECT_EQ(drag->newItem, b);
    EXPECT_EQ(drag->pt.x, from.x);
    EXPECT_EQ(drag->pt.y, from.y);
    EXPECT_EQ(drag->action, 0u);
    EXPECT_EQ(drag->newMask, static_cast<UINT>(TVIF_STATE | TVIF_PARAM | TVIF_HANDLE));
    EXPECT_EQ(TreeView_GetSelection(tree), a); // no selection change
    EXPECT_EQ(GetCapture(), nullptr);
    // What the tracking did not need stays queued for the application's drag handling.
    int moves = 0, ups = 0;
    MSG msg{};
    while (PeekMessageA(&msg, tree, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        if (msg.message == WM_MOUSEMOVE) ++moves;
        if (msg.message == WM_LBUTTONUP) ++ups;
    }
    EXPECT_EQ(ups, 1);
    EXPECT_GE(moves, 3);

    notes.clear();
    ups = 0;
    int spy = plat::AddMessageSpy([&](HWND h, UINT m, WPARAM, LPARAM) {
        if (h == tree && m == WM_LBUTTONUP) ++ups;
    });
    plat::DragMouse(tree, from, POINT{from.x + 50, from.y}, 5);
    plat::RemoveMessageSpy(spy);
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINDRAG"}));
    EXPECT_EQ(ups, 1);
}

TEST_F(TreeMouse, ButtonClickTogglesWithoutSelecting) {
    RECT row = ItemRect(a, false);
    int indent = static_cast<int>(TreeView_GetIndent(tree));
    Click(POINT{indent / 2, (row.top + row.bottom) / 2});
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "EXPANDING", "EXPANDED"}));
    EXPECT_TRUE(State(a) & TVIS_EXPANDED);
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    TreeView_SelectItem(tree, b);
    notes.clear();
    Click(POINT{indent / 2, (row.top + row.bottom) / 2}); // collapse: the selection stays on b
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "EXPANDING", "EXPANDED"}));
    EXPECT_EQ(TreeView_GetSelection(tree), b);
}

TEST_F(TreeMouse, IndentRightAndEmptySpaceOnlyClick) {
    RECT row = ItemRect(b, false);
    RECT label = ItemRect(b, true);
    int y = (row.top + row.bottom) / 2;
    Click(POINT{2, y}); // b has no children: its button column is indent
    Click(POINT{label.right + 10, y});
    RECT client{};
    GetClientRect(tree, &client);
    Click(POINT{10, client.bottom - 2}); // below the last item
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "CLICK", "CLICK"}));
    EXPECT_EQ(TreeView_GetSelection(tree), a);
}

TEST_F(TreeMouse, RightClickTellsParentAndLeavesTheSelectionAndARightDragBeginsARightDrag) {
    HTREEITEM caretAtRClick = nullptr;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == NM_RCLICK) caretAtRClick = TreeView_GetSelection(tree);
        return 0;
    };
    POINT pt = LabelPoint(b);
    plat::SendMouse(tree, WM_RBUTTONDOWN, pt, MK_RBUTTON);
    EXPECT_EQ(Names(), (std::vector<std::string>{"RCLICK", "CONTEXTMENU"}));
    EXPECT_EQ(caretAtRClick, a);
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    POINT screen = pt;
    ClientToScreen(tree, &screen);
    const treetest::Note* menu = Of("CONTEXTMENU")[0];
    EXPECT_EQ(GET_X_LPARAM(menu->contextPos), screen.x);
    EXPECT_EQ(GET_Y_LPARAM(menu->contextPos), screen.y);

    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == NM_RCLICK; };
    notes.clear();
    plat::SendMouse(tree, WM_RBUTTONDOWN, pt, MK_RBUTTON);
    EXPECT_EQ(Names(), (std::vector<std::string>{"RCLICK"}));

    notes.clear();
    plat::PostDragPath(tree, pt, POINT{pt.x, pt.y + 20}, 4, MK_RBUTTON);
    plat::SendMouse(tree, WM_RBUTTONDOWN, pt, MK_RBUTTON);
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINRDRAG"}));
    EXPECT_EQ(Of("BEGINRDRAG")[0]->newItem, b);
}

TEST_F(TreeMouse, KeyboardNavigationAndTypingSearchesVisibleLabels) {
    SetFocus(tree);
    auto key = [&](int vk) { SendMessageA(tree, WM_KEYDOWN, static_cast<WPARAM>(vk), 0); };
    key(VK_DOWN);
    EXPECT_EQ(TreeView_GetSelection(tree), b); // a is collapsed
    EXPECT_EQ(Of("KEYDOWN")[0]->vkey, VK_DOWN);
    EXPECT_EQ(Of("SELCHANGED")[0]->action, static_cast<UINT>(TVC_BYKEYBOARD));
    key(VK_DOWN);
    EXPECT_EQ(TreeView_GetSelection(tree), b); // stays on the last item
    key(VK_HOME);
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    notes.clear();
    key(VK_RIGHT); // expands
    EXPECT_EQ(Names(), (std::vector<std::string>{"KEYDOWN", "EXPANDING", "EXPANDED"}));
    key(VK_RIGHT); // goes to the first child
    EXPECT_EQ(TreeView_GetSelection(tree), a1);
    key(VK_BACK);
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    key(VK_END);
    EXPECT_EQ(TreeView_GetSelection(tree), b);
    key(VK_UP);
    EXPECT_EQ(TreeView_GetSelection(tree), a1);
    key(VK_LEFT); // a leaf: to the parent
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    key(VK_LEFT); // expanded: collapses
    EXPECT_EQ(State(a) & TVIS_EXPANDED, 0u);
    notes.clear();
    key(VK_RETURN);
    EXPECT_EQ(Names(), (std::vector<std::string>{"KEYDOWN", "RETURN"}));
    EXPECT_EQ(SendMessageA(tree, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);

    SendMessageA(tree, WM_CHAR, 'b', 0);
    EXPECT_EQ(TreeView_GetSelection(tree), b);
    SendMessageA(tree, WM_CHAR, 'r', 0); // "br" still matches Bravo
    EXPECT_EQ(TreeView_GetSelection(tree), b);
    char buf[MAX_PATH] = {0};
    EXPECT_EQ(SendMessageA(tree, TVM_GETISEARCHSTRINGA, 0, reinterpret_cast<LPARAM>(buf)), 2);
    EXPECT_STREQ(buf, "br");
}

TEST_F(TreeMouse, CtrlArrowsScrollWithoutSelecting) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 60);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < 10; ++i)
        items.push_back(Insert(TVI_ROOT, "row"));
    TreeView_SelectItem(tree, items[0]);
    plat::SetKeyDown(VK_CONTROL, true);
    SendMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);
    plat::SetKeyDown(VK_CONTROL, false);
    EXPECT_EQ(TreeView_GetFirstVisible(tree), items[1]);
    EXPECT_EQ(TreeView_GetSelection(tree), items[0]);
}

} // namespace

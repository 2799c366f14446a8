// TVM_EXPAND and user expansion: when the expand notifications are and are not sent, the
// EXPANDEDONCE rules, vetoes, the children flag without children, lazy filling and collapse-reset.
#include "test_treeview_support.h"

using treetest::TreeTest;

namespace {

class TreeExpand : public TreeTest {
  protected:
    HTREEITEM root = nullptr;
    HTREEITEM child = nullptr;

    void SetUp() override {
        TreeTest::SetUp();
        MakeTree();
        root = Insert(TVI_ROOT, "root");
        child = Insert(root, "child");
        notes.clear();
    }

    // A user's expand or collapse: a double click on the label (NM_DBLCLK answered 0 toggles).
    void DoubleClick(HTREEITEM item) {
        POINT pt = LabelPoint(item);
        plat::SendMouse(tree, WM_LBUTTONDBLCLK, pt, MK_LBUTTON);
    }

    // A user's toggle through the expand button.
    void ClickButton(HTREEITEM item) {
        RECT rc = ItemRect(item, false);
        int level = 0;
        for (HTREEITEM p = TreeView_GetParent(tree, item); p; p = TreeView_GetParent(tree, p))
            ++level;
        int indent = static_cast<int>(TreeView_GetIndent(tree));
        POINT pt{indent * level + indent / 2, (rc.top + rc.bottom) / 2};
        TVHITTESTINFO ht{};
        ht.pt = pt;
        TreeView_HitTest(tree, &ht);
        ASSERT_EQ(ht.flags, static_cast<UINT>(TVHT_ONITEMBUTTON));
        plat::SendMouse(tree, WM_LBUTTONDOWN, pt, MK_LBUTTON);
    }
};

TEST_F(TreeExpand, ItemWithoutChildrenFlagNeverNotifies) {
    HTREEITEM leaf = Insert(TVI_ROOT, "leaf");
    notes.clear();
    EXPECT_FALSE(TreeView_Expand(tree, leaf, TVE_EXPAND));
    EXPECT_FALSE(TreeView_Expand(tree, leaf, TVE_COLLAPSE));
    EXPECT_FALSE(TreeView_Expand(tree, leaf, TVE_TOGGLE));
    DoubleClick(leaf);
    EXPECT_TRUE(Of("EXPANDING").empty());
    EXPECT_TRUE(Of("EXPANDED").empty());
    EXPECT_EQ(State(leaf) & TVIS_EXPANDED, 0u);
}

TEST_F(TreeExpand, FirstProgrammaticExpandNotifiesLaterOnesAndCollapsesNeverDo) {
    std::vector<UINT> seenStates;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_ITEMEXPANDINGA || hdr->code == TVN_ITEMEXPANDEDA) {
            auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
            seenStates.push_back(nm->itemNew.state & (TVIS_EXPANDED | TVIS_EXPANDEDONCE));
            EXPECT_EQ(nm->itemNew.mask, static_cast<UINT>(TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE |
                                                          TVIF_SELECTEDIMAGE));
            EXPECT_EQ(nm->itemOld.mask, 0u);
            EXPECT_EQ(nm->action, static_cast<UINT>(TVE_EXPAND));
            if (hdr->code == TVN_ITEMEXPANDEDA) {
                RECT rc{}; // the layout is already updated
                EXPECT_TRUE(TreeView_GetItemRect(tree, child, &rc, FALSE));
            }
        }
        return 0;
    };
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_EXPAND));
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING", "EXPANDED"}));
    // EXPANDING sees neither bit, EXPANDED sees EXPANDED; EXPANDEDONCE comes after.
    EXPECT_EQ(seenStates, (std::vector<UINT>{0u, static_cast<UINT>(TVIS_EXPANDED)}));
    EXPECT_EQ(State(root) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE),
              static_cast<UINT>(TVIS_EXPANDED | TVIS_EXPANDEDONCE));

    notes.clear();
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_EXPAND)); // already expanded: success, silent
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_COLLAPSE));
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_EXPAND)); // expanded once: silent
    EXPECT_TRUE(Names().empty());

    TreeView_Expand(tree, root, TVE_EXPAND);
    notes.clear();
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_COLLAPSE));
    EXPECT_FALSE(TreeView_Expand(tree, root, TVE_COLLAPSE)); // already collapsed: 0
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_TOGGLE));
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_TOGGLE));
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(State(root) & TVIS_EXPANDED, 0u);
}

TEST_F(TreeExpand, VetoedExpandStaysCollapsedAndNotifiesAgain) {
    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_ITEMEXPANDINGA ? TRUE : 0; };
    EXPECT_FALSE(TreeView_Expand(tree, root, TVE_EXPAND));
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING"}));
    EXPECT_EQ(State(root) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE), 0u);
    answer = nullptr;
    EXPECT_TRUE(TreeView_Expand(tree, root, TVE_EXPAND));
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING", "EXPANDING", "EXPANDED"}));
}

TEST_F(TreeExpand, ChildrenFlagWithoutChildrenSendsOnlyExpandingAndKeepsTheButton) {
    HTREEITEM lazy = Insert(TVI_ROOT, "lazy", TVI_LAST, 1);
    notes.clear();
    EXPECT_FALSE(TreeView_Expand(tree, lazy, TVE_EXPAND));
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING"}));
    EXPECT_EQ(State(lazy) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE), 0u);
    EXPECT_FALSE(TreeView_Expand(tree, lazy, TVE_EXPAND)); // EXPANDEDONCE still clear: asks again
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING", "EXPANDING"}));
    EXPECT_EQ(Children(lazy), 1);
}

TEST_F(TreeExpand, HandlerFillsChildrenLazilyDuringExpanding) {
    HTREEITEM lazy = Insert(TVI_ROOT, "lazy", TVI_LAST, 1);
    answer = [&](NMHDR* hdr) -> LRESULT {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
        if (hdr->code == TVN_ITEMEXPANDINGA && nm->action == TVE_EXPAND && nm->itemNew.hItem == lazy) {
            Insert(lazy, "one");
            Insert(lazy, "two");
        }
        return 0;
    };
    notes.clear();
    EXPECT_TRUE(TreeView_Expand(tree, lazy, TVE_EXPAND));
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING", "EXPANDED"}));
    EXPECT_NE(TreeView_GetNextVisible(tree, lazy), nullptr);
    ExpectLinksOk();
}

TEST_F(TreeExpand, CollapseResetDeletesChildrenSilentlyAndRearmsTheFirstExpand) {
    HTREEITEM lazy = Insert(TVI_ROOT, "lazy", TVI_LAST, 1);
    int fills = 0;
    answer = [&](NMHDR* hdr) -> LRESULT {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
        if (hdr->code == TVN_ITEMEXPANDINGA && nm->itemNew.hItem == lazy) {
            ++fills;
            Insert(lazy, "a");
            Insert(TreeView_GetChild(tree, lazy), "a1");
        }
        return 0;
    };
    ASSERT_TRUE(TreeView_Expand(tree, lazy, TVE_EXPAND));
    notes.clear();
    EXPECT_TRUE(TreeView_Expand(tree, lazy, TVE_COLLAPSE | TVE_COLLAPSERESET));
    EXPECT_EQ(Names(), (std::vector<std::string>{"DELETE", "DELETE"})); // a1 before a, no expand notes
    EXPECT_EQ(TreeView_GetChild(tree, lazy), nullptr);
    EXPECT_EQ(State(lazy) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE), 0u);
    EXPECT_EQ(Children(lazy), 1); // the button stays for a refill
    EXPECT_TRUE(TreeView_Expand(tree, lazy, TVE_EXPAND));
    EXPECT_EQ(fills, 2);
    ExpectLinksOk();
}

TEST_F(TreeExpand, UserActionsAlwaysNotify) {
    TreeView_Expand(tree, root, TVE_EXPAND); // EXPANDEDONCE now set
    notes.clear();
    DoubleClick(root); // collapse
    EXPECT_EQ(Names(), (std::vector<std::string>{"DBLCLK", "EXPANDING", "EXPANDED"}));
    EXPECT_EQ(Of("EXPANDED")[0]->action, static_cast<UINT>(TVE_COLLAPSE));
    EXPECT_EQ(State(root) & TVIS_EXPANDED, 0u);
    notes.clear();
    ClickButton(root); // expand again, although expanded once
    EXPECT_EQ(Names(), (std::vector<std::string>{"CLICK", "EXPANDING", "EXPANDED"}));
    EXPECT_EQ(Of("EXPANDING")[0]->action, static_cast<UINT>(TVE_EXPAND));

    // Keypad '+' on an expanded item notifies again; '-' on a collapsed one sends EXPANDING only.
    TreeView_SelectItem(tree, root);
    notes.clear();
    SendMessageA(tree, WM_KEYDOWN, VK_ADD, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"KEYDOWN", "EXPANDING", "EXPANDED"}));
    TreeView_Expand(tree, root, TVE_COLLAPSE);
    notes.clear();
    SendMessageA(tree, WM_KEYDOWN, VK_SUBTRACT, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"KEYDOWN", "EXPANDING"}));
}

TEST_F(TreeExpand, UserCollapseCanBeRefusedAndADoubleClickAnsweredNonzeroDoesNotToggle) {
    TreeView_Expand(tree, root, TVE_EXPAND);
    answer = [](NMHDR* hdr) -> LRESULT {
        return hdr->code == TVN_ITEMEXPANDINGA && reinterpret_cast<NMTREEVIEWA*>(hdr)->action == TVE_COLLAPSE;
    };
    notes.clear();
    DoubleClick(root);
    EXPECT_EQ(Names(), (std::vector<std::string>{"DBLCLK", "EXPANDING"}));
    EXPECT_TRUE(State(root) & TVIS_EXPANDED);

    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == NM_DBLCLK; };
    notes.clear();
    DoubleClick(root);
    EXPECT_EQ(Names(), (std::vector<std::string>{"DBLCLK"}));
    EXPECT_TRUE(State(root) & TVIS_EXPANDED);
}

TEST_F(TreeExpand, CollapseHidingTheSelectionMovesItSilently) {
    TreeView_Expand(tree, root, TVE_EXPAND);
    TreeView_SelectItem(tree, child);
    HTREEITEM caretInExpanded = nullptr;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_ITEMEXPANDEDA) caretInExpanded = TreeView_GetSelection(tree);
        return 0;
    };
    notes.clear();
    DoubleClick(root);
    EXPECT_EQ(Names(), (std::vector<std::string>{"DBLCLK", "EXPANDING", "EXPANDED"}));
    EXPECT_EQ(TreeView_GetSelection(tree), root);
    EXPECT_EQ(caretInExpanded, root); // moved before the handler runs
    EXPECT_TRUE(State(root) & TVIS_SELECTED);
    EXPECT_EQ(State(child) & TVIS_SELECTED, 0u);

    // A programmatic collapse does the same without any notification.
    TreeView_SelectItem(tree, child);
    notes.clear();
    TreeView_Expand(tree, root, TVE_COLLAPSE);
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(TreeView_GetSelection(tree), root);
    ExpectLinksOk();
}

TEST_F(TreeExpand, ExpandingUnderACollapsedParentSucceedsButStaysHidden) {
    HTREEITEM grandchild = Insert(child, "grandchild");
    EXPECT_TRUE(TreeView_Expand(tree, child, TVE_EXPAND));
    RECT rc{};
    EXPECT_FALSE(TreeView_GetItemRect(tree, grandchild, &rc, FALSE));
    EXPECT_FALSE(TreeView_GetItemRect(tree, child, &rc, TRUE));
    TreeView_Expand(tree, root, TVE_EXPAND);
    EXPECT_TRUE(TreeView_GetItemRect(tree, grandchild, &rc, FALSE));
    ExpectLinksOk();
}

TEST_F(TreeExpand, CollapsingTheBranchHoldingTheTopItemMovesTheTopToTheCollapsedItem) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 64);
    HTREEITEM p = Insert(TVI_ROOT, "p");
    for (int i = 0; i < 10; ++i)
        Insert(p, "k");
    TreeView_Expand(tree, p, TVE_EXPAND);
    SendMessageA(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageA(tree, WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_NE(TreeView_GetFirstVisible(tree), p);
    TreeView_Expand(tree, p, TVE_COLLAPSE);
    EXPECT_EQ(TreeView_GetFirstVisible(tree), p);
    ExpectLinksOk();
}

} // namespace

// TVM_SELECTITEM: the caret with its notifications (and the expansion of collapsed ancestors), the
// drop highlight without any, the first visible item, and TVM_ENSUREVISIBLE.
#include "test_treeview_support.h"

using treetest::TreeTest;

namespace {

class TreeSelect : public TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        MakeTree();
    }

    // Remakes the tree a few rows tall (`visible` rows shown) with `screens` times that many
    // top-level rows and `extra` more.
    std::vector<HTREEITEM> ShortTree(int screens, int extra = 0) {
        MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 80);
        visible = static_cast<int>(TreeView_GetVisibleCount(tree));
        std::vector<HTREEITEM> items;
        for (int i = 0; i < visible * screens + extra; ++i)
            items.push_back(Insert(TVI_ROOT, "row"));
        return items;
    }
    int visible = 0;
};

TEST_F(TreeSelect, CaretSequenceWithParentAndChild) {
    HTREEITEM r = Insert(TVI_ROOT, "R");
    HTREEITEM c = Insert(r, "C");
    TreeView_Expand(tree, r, TVE_EXPAND);
    notes.clear();

    EXPECT_TRUE(TreeView_SelectItem(tree, r));
    EXPECT_TRUE(TreeView_SelectItem(tree, r)); // again: nothing
    EXPECT_TRUE(TreeView_SelectItem(tree, c));
    EXPECT_TRUE(TreeView_SelectItem(tree, r));
    std::vector<std::pair<HTREEITEM, HTREEITEM>> changes;
    for (const treetest::Note* n : Of("SELCHANGED"))
        changes.emplace_back(n->oldItem, n->newItem);
    EXPECT_EQ(Names(), (std::vector<std::string>{"SELCHANGING", "SELCHANGED", "SELCHANGING", "SELCHANGED",
                                                 "SELCHANGING", "SELCHANGED"}));
    EXPECT_EQ(changes, (std::vector<std::pair<HTREEITEM, HTREEITEM>>{{nullptr, r}, {r, c}, {c, r}}));
    const treetest::Note* changing = Of("SELCHANGING")[1];
    EXPECT_EQ(changing->action, static_cast<UINT>(TVC_UNKNOWN));
    EXPECT_EQ(changing->newMask, static_cast<UINT>(TVIF_TEXT | TVIF_HANDLE | TVIF_STATE | TVIF_PARAM));
    EXPECT_EQ(changing->caret, r); // not moved yet
    EXPECT_EQ(Of("SELCHANGED")[1]->caret, c);
    EXPECT_TRUE(State(r) & TVIS_SELECTED);
    EXPECT_EQ(State(c) & TVIS_SELECTED, 0u);
}

TEST_F(TreeSelect, SelectingUnderCollapsedParentsExpandsThemNearestFirst) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    HTREEITEM b = Insert(a, "b");
    HTREEITEM c = Insert(b, "c");
    TreeView_Expand(tree, a, TVE_EXPAND); // expanded once: programmatic expands would be silent
    TreeView_Expand(tree, a, TVE_COLLAPSE);
    notes.clear();
    EXPECT_TRUE(TreeView_SelectItem(tree, c));
    EXPECT_EQ(Names(), (std::vector<std::string>{"SELCHANGING", "EXPANDING", "EXPANDED", "EXPANDING",
                                                 "EXPANDED", "SELCHANGED"}));
    EXPECT_EQ(Of("EXPANDING")[0]->newItem, b); // nearest parent first
    EXPECT_EQ(Of("EXPANDING")[1]->newItem, a);
    EXPECT_TRUE(State(a) & TVIS_EXPANDED);
    EXPECT_TRUE(State(b) & TVIS_EXPANDED);
    RECT rc{};
    EXPECT_TRUE(TreeView_GetItemRect(tree, c, &rc, TRUE));
    ExpectLinksOk();
}

TEST_F(TreeSelect, VetoNullAndInvalidHandles) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    HTREEITEM b = Insert(TVI_ROOT, "b");
    TreeView_SelectItem(tree, a);
    answer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TVN_SELCHANGINGA; };
    notes.clear();
    EXPECT_FALSE(TreeView_SelectItem(tree, b));
    EXPECT_EQ(Names(), (std::vector<std::string>{"SELCHANGING"}));
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    answer = nullptr;

    notes.clear();
    EXPECT_TRUE(TreeView_SelectItem(tree, nullptr)); // clears the selection
    EXPECT_EQ(Names(), (std::vector<std::string>{"SELCHANGING", "SELCHANGED"}));
    EXPECT_EQ(Of("SELCHANGED")[0]->oldItem, a);
    EXPECT_EQ(Of("SELCHANGED")[0]->newItem, nullptr);
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
    EXPECT_EQ(State(a) & TVIS_SELECTED, 0u);

    notes.clear();
    EXPECT_TRUE(TreeView_SelectItem(tree, nullptr)); // nothing selected already: silent
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(TreeView_SelectItem(tree, reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x777))));
}

TEST_F(TreeSelect, DropHighlightIsSilentAndIndependentOfTheCaret) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    HTREEITEM b = Insert(TVI_ROOT, "b");
    TreeView_SelectItem(tree, a);
    notes.clear();
    EXPECT_TRUE(TreeView_SelectDropTarget(tree, a)); // the selected item can be the drop target
    EXPECT_EQ(TreeView_GetDropHilight(tree), a);
    EXPECT_TRUE(State(a) & TVIS_DROPHILITED);
    EXPECT_TRUE(TreeView_SelectDropTarget(tree, b));
    EXPECT_EQ(State(a) & TVIS_DROPHILITED, 0u);
    EXPECT_TRUE(State(b) & TVIS_DROPHILITED);
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    EXPECT_TRUE(TreeView_SelectDropTarget(tree, nullptr));
    EXPECT_EQ(TreeView_GetDropHilight(tree), nullptr);
    EXPECT_EQ(State(b) & TVIS_DROPHILITED, 0u);
    EXPECT_TRUE(Names().empty());
    ExpectLinksOk();
}

TEST_F(TreeSelect, FirstVisibleScrollsWithoutLeavingAGap) {
    std::vector<HTREEITEM> items = ShortTree(1, 3);
    ASSERT_GE(visible, 2);
    notes.clear();
    EXPECT_TRUE(TreeView_SelectSetFirstVisible(tree, items[2]));
    EXPECT_EQ(TreeView_GetFirstVisible(tree), items[2]);
    // Near the end the top stops where the last item fills the bottom row.
    EXPECT_TRUE(TreeView_SelectSetFirstVisible(tree, items.back()));
    EXPECT_EQ(TreeView_GetFirstVisible(tree), items[3]);
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
}

TEST_F(TreeSelect, EnsureVisibleExpandsAndScrollsMinimally) {
    std::vector<HTREEITEM> items = ShortTree(3);
    HTREEITEM hidden = Insert(items[visible * 2], "hidden");
    notes.clear();
    TreeView_EnsureVisible(tree, items[visible + 1]); // below the view: becomes the bottom row
    EXPECT_EQ(TreeView_GetFirstVisible(tree), items[2]);
    TreeView_EnsureVisible(tree, items[1]); // above the view: becomes the top row
    EXPECT_EQ(TreeView_GetFirstVisible(tree), items[1]);
    TreeView_EnsureVisible(tree, hidden);
    EXPECT_EQ(Names(), (std::vector<std::string>{"EXPANDING", "EXPANDED"}));
    RECT rc = ItemRect(hidden, false);
    RECT client{};
    GetClientRect(tree, &client);
    EXPECT_GE(rc.top, 0);
    EXPECT_LE(rc.bottom, client.bottom);
    ExpectLinksOk();
}

TEST_F(TreeSelect, SelectingScrollsTheItemIntoView) {
    std::vector<HTREEITEM> items = ShortTree(2);
    TreeView_SelectItem(tree, items.back());
    EXPECT_EQ(TreeView_GetFirstVisible(tree), items[static_cast<size_t>(visible)]);
}

} // namespace

// Tree-view items: insertion order, reading and writing fields, the children flag, navigation,
// sorting, and deletion order with the selection rule after deleting the selected item.
#include "test_treeview_support.h"

#include <cstring>

using treetest::TreeTest;

namespace {

class TreeItems : public TreeTest {
  protected:
    void SetUp() override {
        TreeTest::SetUp();
        MakeTree();
    }
    std::vector<std::string> ChildTexts(HTREEITEM under) {
        std::vector<std::string> out;
        for (HTREEITEM c = TreeView_GetChild(tree, under); c; c = TreeView_GetNextSibling(tree, c))
            out.push_back(Text(c));
        return out;
    }
};

TEST_F(TreeItems, InsertFirstLastAfterAndInvalidPositions) {
    HTREEITEM b = Insert(TVI_ROOT, "b");
    Insert(TVI_ROOT, "a", TVI_FIRST);
    Insert(TVI_ROOT, "c", TVI_LAST);
    Insert(TVI_ROOT, "b2", b);
    HTREEITEM other = Insert(TVI_ROOT, "p");
    HTREEITEM child = Insert(other, "child");
    // An insert-after item under another parent counts as TVI_LAST.
    Insert(TVI_ROOT, "z", child);
    EXPECT_EQ(ChildTexts(TVI_ROOT), (std::vector<std::string>{"a", "b", "b2", "c", "p", "z"}));
    EXPECT_EQ(TreeView_GetCount(tree), 7u);
    // A parent handle that names no item fails.
    EXPECT_EQ(Insert(reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x1234)), "x"), nullptr);
    ExpectLinksOk();
}

TEST_F(TreeItems, SortedInsertionIgnoresCaseAndKeepsEqualsInOrder) {
    Insert(TVI_ROOT, "delta", TVI_SORT);
    Insert(TVI_ROOT, "Bravo", TVI_SORT);
    Insert(TVI_ROOT, "alpha", TVI_SORT);
    HTREEITEM first = Insert(TVI_ROOT, "charlie", TVI_SORT);
    HTREEITEM second = Insert(TVI_ROOT, "Charlie", TVI_SORT);
    EXPECT_EQ(ChildTexts(TVI_ROOT),
              (std::vector<std::string>{"alpha", "Bravo", "charlie", "Charlie", "delta"}));
    EXPECT_EQ(TreeView_GetNextSibling(tree, first), second);
    ExpectLinksOk();
}

TEST_F(TreeItems, GetItemAlwaysFillsStateAndParamAndCutsText) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    ins.item.pszText = const_cast<LPSTR>("Dictionaries");
    ins.item.lParam = 0x5151;
    ins.item.state = TVIS_BOLD;
    ins.item.stateMask = TVIS_BOLD;
    HTREEITEM item = TreeView_InsertItem(tree, &ins);

    char buf[5];
    std::memset(buf, 'x', sizeof buf);
    TVITEMA it{};
    it.mask = TVIF_TEXT; // neither TVIF_STATE nor TVIF_PARAM
    it.hItem = item;
    it.stateMask = 0;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    ASSERT_TRUE(TreeView_GetItem(tree, &it));
    EXPECT_STREQ(buf, "Dict");
    EXPECT_EQ(it.lParam, 0x5151);
    EXPECT_EQ(it.state, static_cast<UINT>(TVIS_BOLD));

    // Defaults of an item inserted without images: 0 and 0, expanded image "none" (kept in 16 bits).
    TVITEMEXA ex{};
    ex.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_EXPANDEDIMAGE | TVIF_CHILDREN;
    ex.hItem = item;
    ex.iImage = ex.iSelectedImage = 77;
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&ex)));
    EXPECT_EQ(ex.iImage, 0);
    EXPECT_EQ(ex.iSelectedImage, 0);
    EXPECT_EQ(ex.iExpandedImage, 65534);
    EXPECT_EQ(ex.cChildren, 0);

    it.hItem = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x4321));
    EXPECT_FALSE(TreeView_GetItem(tree, &it));
}

TEST_F(TreeItems, SetItemAndItemStateMask) {
    HTREEITEM item = Insert(TVI_ROOT, "old");
    TVITEMA it{};
    it.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM;
    it.hItem = item;
    it.pszText = const_cast<LPSTR>("new");
    it.state = TVIS_CUT | TVIS_BOLD;
    it.stateMask = TVIS_CUT;
    it.lParam = 9;
    EXPECT_EQ(SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it)), TRUE);
    EXPECT_EQ(Text(item), "new");
    EXPECT_EQ(State(item), static_cast<UINT>(TVIS_CUT)); // only the masked bit changed
    EXPECT_EQ(TreeView_GetItemState(tree, item, TVIS_BOLD | TVIS_CUT), static_cast<UINT>(TVIS_CUT));
    EXPECT_EQ(TreeView_GetItemState(tree, item, TVIS_BOLD), 0u);
    it.hItem = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x4321));
    EXPECT_EQ(SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it)), FALSE);
}

TEST_F(TreeItems, CallbackTextIsAskedAndCanBeKept) {
    int asked = 0;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code != TVN_GETDISPINFOA) return 0;
        auto* di = reinterpret_cast<NMTVDISPINFOA*>(hdr);
        ++asked;
        EXPECT_TRUE(di->item.mask & TVIF_TEXT);
        snprintf(di->item.pszText, static_cast<size_t>(di->item.cchTextMax), "asked %d", asked);
        if (asked == 2) di->item.mask |= TVIF_DI_SETITEM;
        return 0;
    };
    HTREEITEM item = Insert(TVI_ROOT, nullptr); // NULL text counts as a callback
    EXPECT_EQ(Text(item), "asked 1");
    EXPECT_EQ(Text(item), "asked 2");
    EXPECT_EQ(Text(item), "asked 2"); // kept: no third question
    EXPECT_EQ(asked, 2);
}

TEST_F(TreeItems, ChildrenFlagComputedUnlessSetExplicitly) {
    HTREEITEM automatic = Insert(TVI_ROOT, "auto");
    EXPECT_EQ(Children(automatic), 0);
    HTREEITEM kid = Insert(automatic, "kid");
    EXPECT_EQ(Children(automatic), 1); // the first child sets the flag
    TreeView_DeleteItem(tree, kid);
    EXPECT_EQ(Children(automatic), 0);

    HTREEITEM forced = Insert(TVI_ROOT, "forced");
    TVITEMA it{};
    it.mask = TVIF_CHILDREN;
    it.hItem = forced;
    it.cChildren = 1;
    TreeView_SetItem(tree, &it);
    TreeView_DeleteItem(tree, Insert(forced, "kid"));
    EXPECT_EQ(Children(forced), 1); // an explicit flag survives losing the last child

    HTREEITEM callback = Insert(TVI_ROOT, "cb", TVI_LAST, I_CHILDRENCALLBACK);
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_GETDISPINFOA) reinterpret_cast<NMTVDISPINFOA*>(hdr)->item.cChildren = 1;
        return 0;
    };
    EXPECT_EQ(Children(callback), 1);
    EXPECT_EQ(Of("GETDISPINFO").size(), 1u);
}

TEST_F(TreeItems, NavigationCodes) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    HTREEITEM b = Insert(TVI_ROOT, "b");
    HTREEITEM a1 = Insert(a, "a1");
    HTREEITEM a2 = Insert(a, "a2");
    EXPECT_EQ(TreeView_GetNextItem(tree, b, TVGN_ROOT), a); // lParam ignored
    EXPECT_EQ(TreeView_GetChild(tree, nullptr), a);
    EXPECT_EQ(TreeView_GetChild(tree, TVI_ROOT), a);
    EXPECT_EQ(TreeView_GetChild(tree, a), a1);
    EXPECT_EQ(TreeView_GetParent(tree, a), nullptr);
    EXPECT_EQ(TreeView_GetParent(tree, a2), a);
    EXPECT_EQ(TreeView_GetNextSibling(tree, a1), a2);
    EXPECT_EQ(TreeView_GetPrevSibling(tree, a2), a1);
    EXPECT_EQ(TreeView_GetNextSibling(tree, a2), nullptr);
    // Visible order follows expanded branches only.
    EXPECT_EQ(TreeView_GetNextVisible(tree, a), b);
    EXPECT_EQ(TreeView_GetNextVisible(tree, a1), nullptr); // a1 itself is not shown
    TreeView_Expand(tree, a, TVE_EXPAND);
    EXPECT_EQ(TreeView_GetNextVisible(tree, a), a1);
    EXPECT_EQ(TreeView_GetPrevVisible(tree, b), a2);
    EXPECT_EQ(TreeView_GetLastVisible(tree), b);
    EXPECT_EQ(TreeView_GetFirstVisible(tree), a);
}

TEST_F(TreeItems, SortChildrenSortsOnlyDirectChildrenCaseInsensitively) {
    HTREEITEM p = Insert(TVI_ROOT, "p");
    Insert(p, "b");
    HTREEITEM a = Insert(p, "A");
    Insert(p, "a");
    Insert(a, "z");
    Insert(a, "y");
    EXPECT_TRUE(TreeView_SortChildren(tree, p, TRUE));
    EXPECT_EQ(ChildTexts(p), (std::vector<std::string>{"A", "a", "b"}));
    EXPECT_EQ(ChildTexts(a), (std::vector<std::string>{"z", "y"})); // grandchildren untouched

    TVSORTCB cb{};
    cb.hParent = p;
    cb.lpfnCompare = [](LPARAM x, LPARAM y, LPARAM) -> int { return static_cast<int>(y - x); };
    TVITEMA it{};
    int param = 0;
    for (HTREEITEM c = TreeView_GetChild(tree, p); c; c = TreeView_GetNextSibling(tree, c)) {
        it.mask = TVIF_PARAM;
        it.hItem = c;
        it.lParam = ++param;
        TreeView_SetItem(tree, &it);
    }
    EXPECT_TRUE(TreeView_SortChildrenCB(tree, &cb, FALSE));
    EXPECT_EQ(ChildTexts(p), (std::vector<std::string>{"b", "a", "A"}));
    ExpectLinksOk();
}

TEST_F(TreeItems, DeleteSendsPostOrderWithItemStillLinked) {
    HTREEITEM r = Insert(TVI_ROOT, "r");
    HTREEITEM a = Insert(r, "a");
    Insert(a, "a1");
    Insert(a, "a2");
    Insert(r, "b");
    std::vector<std::string> order;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code != TVN_DELETEITEMA) return 0;
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
        HTREEITEM item = nm->itemOld.hItem;
        order.push_back(Text(item));
        EXPECT_EQ(TreeView_GetChild(tree, item), nullptr); // children already gone
        if (item == a) {
            EXPECT_EQ(TreeView_GetParent(tree, item), r); // still linked
        }
        EXPECT_EQ(nm->itemNew.mask, 0u);
        EXPECT_EQ(nm->itemOld.mask, static_cast<UINT>(TVIF_HANDLE | TVIF_PARAM));
        return 0;
    };
    EXPECT_TRUE(TreeView_DeleteItem(tree, r));
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "a2", "a", "b", "r"}));
    EXPECT_EQ(TreeView_GetCount(tree), 0u);
    EXPECT_FALSE(TreeView_DeleteItem(tree, r)); // stale handle
    ExpectLinksOk();
}

TEST_F(TreeItems, DeleteAllSendsNoSelectionNotifications) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    Insert(TVI_ROOT, "b");
    Insert(a, "a1");
    TreeView_SelectItem(tree, a);
    notes.clear();
    EXPECT_TRUE(TreeView_DeleteAllItems(tree));
    EXPECT_EQ(Names(), (std::vector<std::string>{"DELETE", "DELETE", "DELETE"}));
    EXPECT_EQ(TreeView_GetCount(tree), 0u);
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
    ExpectLinksOk();
}

// Deleting the selected item selects its next sibling, else its parent, else its previous sibling,
// told after all deletions as a change from nothing.
TEST_F(TreeItems, SelectionAfterDeletingTheSelectedItem) {
    HTREEITEM p = Insert(TVI_ROOT, "p");
    HTREEITEM a = Insert(p, "a");
    HTREEITEM b = Insert(p, "b");
    HTREEITEM c = Insert(p, "c");
    HTREEITEM top2 = Insert(TVI_ROOT, "top2");
    Insert(a, "a1");
    TreeView_SelectItem(tree, a);
    notes.clear();
    TreeView_DeleteItem(tree, a);
    EXPECT_EQ(Names(), (std::vector<std::string>{"DELETE", "DELETE", "SELCHANGING", "SELCHANGED"}));
    const treetest::Note* changed = Of("SELCHANGED")[0];
    EXPECT_EQ(changed->oldItem, nullptr);
    EXPECT_EQ(changed->newItem, b);
    EXPECT_EQ(changed->action, static_cast<UINT>(TVC_UNKNOWN));
    EXPECT_EQ(TreeView_GetSelection(tree), b);

    TreeView_SelectItem(tree, c); // last child: the parent takes the selection
    TreeView_DeleteItem(tree, c);
    EXPECT_EQ(TreeView_GetSelection(tree), p);

    TreeView_SelectItem(tree, top2); // last top-level item: the previous sibling
    TreeView_DeleteItem(tree, top2);
    EXPECT_EQ(TreeView_GetSelection(tree), p);
    EXPECT_TRUE(State(p) & TVIS_SELECTED);

    // Deleting an ancestor of the selection counts as deleting the selection.
    TreeView_SelectItem(tree, b);
    notes.clear();
    TreeView_DeleteItem(tree, p);
    EXPECT_EQ(Of("SELCHANGED").size(), 0u); // nothing left to select
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
    ExpectLinksOk();
}

TEST_F(TreeItems, DeletingTheDropTargetAndInsertMarkClearsThemSilently) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    HTREEITEM b = Insert(TVI_ROOT, "b");
    TreeView_SelectDropTarget(tree, a);
    TreeView_SetInsertMark(tree, a, TRUE);
    notes.clear();
    TreeView_DeleteItem(tree, a);
    EXPECT_EQ(Names(), (std::vector<std::string>{"DELETE"}));
    EXPECT_EQ(TreeView_GetDropHilight(tree), nullptr);
    EXPECT_EQ(TreeView_GetFirstVisible(tree), b);
    ExpectLinksOk();
}

TEST_F(TreeItems, HandlerDeletingOtherItemsDuringDeletionKeepsTheTreeSound) {
    HTREEITEM a = Insert(TVI_ROOT, "a");
    HTREEITEM b = Insert(TVI_ROOT, "b");
    HTREEITEM a1 = Insert(a, "a1");
    Insert(a, "a2");
    answer = [&](NMHDR* hdr) -> LRESULT {
        auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
        if (hdr->code == TVN_DELETEITEMA && nm->itemOld.hItem == a1) {
            EXPECT_TRUE(TreeView_DeleteItem(tree, b));
            EXPECT_FALSE(TreeView_DeleteItem(tree, a)); // already being deleted
            EXPECT_EQ(Insert(a, "late"), nullptr);      // no children for a dying item
        }
        return 0;
    };
    EXPECT_TRUE(TreeView_DeleteItem(tree, a));
    EXPECT_EQ(TreeView_GetCount(tree), 0u);
    ExpectLinksOk();
}

// The change stamp moves with every change of which items there are, their order, data or children
// flag, and with nothing else; no two trees, nor two states of one, share a stamp.
TEST_F(TreeItems, ChangeStampMovesWithStructureAndDataOnly) {
    unsigned long long stamp = plat::TreeChangeStamp(tree);
    EXPECT_NE(stamp, 0u);
    EXPECT_EQ(plat::TreeChangeStamp(nullptr), 0u);
    auto changed = [&](const char* what) {
        unsigned long long now = plat::TreeChangeStamp(tree);
        EXPECT_GT(now, stamp) << what;
        stamp = now;
    };
    auto unchanged = [&](const char* what) { EXPECT_EQ(plat::TreeChangeStamp(tree), stamp) << what; };

    HTREEITEM b = Insert(TVI_ROOT, "b");
    changed("insert");
    HTREEITEM a = Insert(TVI_ROOT, "a");
    changed("insert");
    TVITEMA item{};
    item.hItem = a;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_STATE;
    item.pszText = const_cast<LPSTR>("a2");
    item.state = item.stateMask = TVIS_BOLD;
    TreeView_SetItem(tree, &item);
    TreeView_SelectItem(tree, a);
    TreeView_Expand(tree, b, TVE_EXPAND);
    TreeView_GetCount(tree);
    unchanged("label, image, state, selection, expansion, reading");
    item.mask = TVIF_PARAM;
    item.lParam = 7;
    TreeView_SetItem(tree, &item);
    changed("data");
    item.mask = TVIF_CHILDREN;
    item.cChildren = 1;
    TreeView_SetItem(tree, &item);
    changed("children flag");
    TreeView_SortChildren(tree, TVI_ROOT, FALSE);
    changed("sort");
    TreeView_DeleteItem(tree, b);
    changed("delete");

    HWND other = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD, 0, 0, 50, 50, parent, nullptr, 0, nullptr);
    EXPECT_GT(plat::TreeChangeStamp(other), stamp);
    DestroyWindow(other);
}

TEST_F(TreeItems, DestroyingTheTreeDeletesEveryItemFromItsParent) {
    Insert(Insert(TVI_ROOT, "a"), "a1");
    Insert(TVI_ROOT, "b");
    notes.clear();
    DestroyWindow(tree);
    EXPECT_EQ(Names(), (std::vector<std::string>{"DELETE", "DELETE", "DELETE"}));
}

} // namespace

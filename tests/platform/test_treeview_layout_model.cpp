// Tree-view layout against a model: random inserts, deletes, expands, collapses, sorts, state changes,
// scrolls and resizes, and after each step the answers hosts read (visible order both ways, item
// rectangles, hit tests, the scroll bar, the top item, the rows painted) are compared with the display
// order computed from the items' links and expanded states alone. Some steps read everything and some
// only the scroll bar, so changes are made on a layout both freshly read and long unread.
#include "test_treeview_support.h"

#include <algorithm>
#include <random>
#include <string>

using treetest::TreeTest;

namespace {

class TreeLayoutModel : public TreeTest {
  protected:
    std::mt19937 rng;
    int step = 0;

    int Random(int n) { return static_cast<int>(rng() % static_cast<unsigned>(std::max(1, n))); }

    void Walk(HTREEITEM item, bool shownOnly, std::vector<HTREEITEM>* out) {
        for (HTREEITEM c = item; c; c = TreeView_GetNextSibling(tree, c)) {
            out->push_back(c);
            if (!shownOnly || (State(c) & TVIS_EXPANDED)) Walk(TreeView_GetChild(tree, c), shownOnly, out);
        }
    }
    std::vector<HTREEITEM> All() {
        std::vector<HTREEITEM> out;
        Walk(TreeView_GetRoot(tree), false, &out);
        return out;
    }
    // The display order as the links and expanded states make it.
    std::vector<HTREEITEM> Order() {
        std::vector<HTREEITEM> out;
        Walk(TreeView_GetRoot(tree), true, &out);
        return out;
    }
    HTREEITEM AnyItem() {
        std::vector<HTREEITEM> all = All();
        return all.empty() ? nullptr : all[static_cast<size_t>(Random(static_cast<int>(all.size())))];
    }
    static int IndexOf(const std::vector<HTREEITEM>& order, HTREEITEM item) {
        auto it = std::find(order.begin(), order.end(), item);
        return it == order.end() ? -1 : static_cast<int>(it - order.begin());
    }
    bool Inside(HTREEITEM branch, HTREEITEM item) {
        for (HTREEITEM p = item; p; p = TreeView_GetParent(tree, p))
            if (p == branch) return true;
        return false;
    }

    // One random change; returns true when the top item must stay where it is if still shown.
    bool Change() {
        HTREEITEM caret = TreeView_GetSelection(tree);
        HTREEITEM top = TreeView_GetFirstVisible(tree);
        int what = Random(100);
        if (what < 38 || All().size() < 5) {
            HTREEITEM parent = Random(3) == 0 ? TVI_ROOT : AnyItem();
            if (!parent) parent = TVI_ROOT;
            HTREEITEM child = TreeView_GetChild(tree, parent == TVI_ROOT ? nullptr : parent);
            HTREEITEM where[] = {TVI_LAST, TVI_FIRST, TVI_SORT, child ? child : TVI_LAST};
            int burst = Random(20) == 0 ? 25 : 1;
            for (int i = 0; i < burst; ++i)
                Insert(parent, std::string(1, static_cast<char>('a' + Random(26))).c_str(), where[Random(4)]);
            return burst == 1; // within a burst, a short tree's top is pulled to its first row
        }
        if (what < 52) {
            HTREEITEM victim = AnyItem();
            bool keeps = !(caret && Inside(victim, caret)) && !(top && Inside(victim, top));
            TreeView_DeleteItem(tree, victim);
            return keeps;
        }
        if (what < 62) {
            TreeView_Expand(tree, AnyItem(), TVE_EXPAND);
            return false; // an expand scrolls its children into view
        }
        if (what < 72) {
            HTREEITEM item = AnyItem();
            bool keeps = !(top && Inside(item, top));
            TreeView_Expand(tree, item, Random(8) == 0 ? TVE_COLLAPSE | TVE_COLLAPSERESET : TVE_COLLAPSE);
            return keeps;
        }
        if (what < 77) {
            TVITEMA it{};
            it.mask = TVIF_STATE;
            it.hItem = AnyItem();
            it.stateMask = TVIS_EXPANDED;
            it.state = Random(2) ? TVIS_EXPANDED : 0;
            bool keeps = !(top && Inside(it.hItem, top) && top != it.hItem);
            TreeView_SetItem(tree, &it);
            return keeps;
        }
        if (what < 80) {
            HTREEITEM item = AnyItem();
            TreeView_SortChildren(tree, Random(3) == 0 ? TVI_ROOT : item, FALSE);
            return true;
        }
        if (what < 88) {
            const WPARAM codes[] = {SB_LINEUP,
                                    SB_LINEDOWN,
                                    SB_PAGEUP,
                                    SB_PAGEDOWN,
                                    SB_TOP,
                                    SB_BOTTOM,
                                    MAKEWPARAM(SB_THUMBPOSITION, Random(60))};
            SendMessageA(tree, WM_VSCROLL, codes[Random(7)], 0);
            return false;
        }
        if (what < 92) {
            TreeView_Select(tree, AnyItem(), TVGN_FIRSTVISIBLE);
            return false;
        }
        if (what < 96) {
            TreeView_SelectItem(tree, AnyItem());
            return false;
        }
        if (what < 98) {
            TreeView_EnsureVisible(tree, AnyItem());
            return false;
        }
        MoveWindow(tree, 0, 0, 200, 40 + Random(200), TRUE);
        return false;
    }

    void CheckScrollAndTop(const std::vector<HTREEITEM>& order, HTREEITEM oldTop, bool keepsTop) {
        int n = static_cast<int>(order.size());
        int visible = static_cast<int>(TreeView_GetVisibleCount(tree));
        HTREEITEM top = TreeView_GetFirstVisible(tree);
        int topIndex = n ? IndexOf(order, top) : 0;
        ASSERT_GE(topIndex, 0) << "the top item is not shown";
        EXPECT_EQ(top == nullptr, n == 0);
        int maxTop = std::max(0, n - std::max(1, visible));
        EXPECT_LE(topIndex, maxTop) << "a gap is left below the last row";
        int oldIndex = IndexOf(order, oldTop);
        if (keepsTop && oldIndex >= 0) {
            EXPECT_EQ(topIndex, std::min(oldIndex, maxTop)) << "the top item moved";
        }
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(tree, SB_VERT, &si);
        EXPECT_EQ(si.nMax, std::max(0, n - 1));
        EXPECT_EQ(static_cast<int>(si.nPage), visible);
        EXPECT_EQ(si.nPos, topIndex);
    }

    void CheckEverything(const std::vector<HTREEITEM>& order) {
        int h = TreeView_GetItemHeight(tree);
        int topIndex = order.empty() ? 0 : IndexOf(order, TreeView_GetFirstVisible(tree));
        std::vector<HTREEITEM> forward, backward;
        for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextVisible(tree, i))
            forward.push_back(i);
        for (HTREEITEM i = TreeView_GetLastVisible(tree); i; i = TreeView_GetPrevVisible(tree, i))
            backward.insert(backward.begin(), i);
        EXPECT_EQ(forward, order);
        EXPECT_EQ(backward, order);
        for (HTREEITEM item : All()) {
            RECT rc{};
            int index = IndexOf(order, item);
            BOOL got = TreeView_GetItemRect(tree, item, &rc, FALSE);
            EXPECT_EQ(got != FALSE, index >= 0);
            if (got && index >= 0) {
                EXPECT_EQ(rc.top, (index - topIndex) * h);
            }
        }
        RECT client{};
        GetClientRect(tree, &client);
        for (int y = h / 2; y < client.bottom; y += h) {
            TVHITTESTINFO ht{};
            ht.pt = POINT{client.right - 1, y};
            HTREEITEM hit = TreeView_HitTest(tree, &ht);
            size_t row = static_cast<size_t>(topIndex + y / h);
            EXPECT_EQ(hit, row < order.size() ? order[row] : nullptr);
        }
        // The rows painted, top to bottom.
        notes.clear();
        HDC dc = GetDC(tree);
        SendMessageA(tree, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(tree, dc);
        std::vector<HTREEITEM> painted, expected;
        for (const treetest::Note* note : Of("CUSTOMDRAW"))
            if (note->stage == CDDS_ITEMPREPAINT)
                painted.push_back(reinterpret_cast<HTREEITEM>(note->itemSpec));
        for (size_t i = static_cast<size_t>(topIndex);
             i < order.size() && (i - topIndex) * h < static_cast<size_t>(client.bottom); ++i)
            expected.push_back(order[i]);
        EXPECT_EQ(painted, expected);
    }

    void Run(unsigned seed, int height, int steps) {
        rng.seed(seed);
        MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 200, height);
        answer = [](NMHDR* hdr) -> LRESULT {
            if (hdr->code != NM_CUSTOMDRAW) return 0;
            auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
            return cd->nmcd.dwDrawStage == CDDS_PREPAINT ? CDRF_NOTIFYITEMDRAW : 0;
        };
        for (step = 0; step < steps && !HasFailure(); ++step) {
            HTREEITEM oldTop = TreeView_GetFirstVisible(tree);
            bool keepsTop = Change();
            std::vector<HTREEITEM> order = Order();
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            CheckScrollAndTop(order, oldTop, keepsTop);
            if (Random(3) == 0) CheckEverything(order);
            if (Random(10) == 0) ExpectLinksOk();
        }
        ExpectLinksOk();
    }
};

TEST_F(TreeLayoutModel, RandomChangesOnAShortTree) {
    for (unsigned seed : {1u, 2u, 3u})
        Run(seed, 100, 500);
}

TEST_F(TreeLayoutModel, RandomChangesOnATallTree) {
    for (unsigned seed : {11u, 12u})
        Run(seed, 300, 500);
}

} // namespace

// Tree-view layout work: filling, emptying and expanding large branches costs the layout work in
// proportion to the items changed, not to the items changed times the items shown. Counted in rows the
// layout visits (plat::TreeLayoutWork), never in time.
#include "test_treeview_support.h"

#include <string>

using treetest::TreeTest;

namespace {

class TreeLayoutWork : public TreeTest {
  protected:
    HTREEITEM catalog = nullptr;
    HTREEITEM middle = nullptr;

    void SetUp() override {
        TreeTest::SetUp();
        MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 200, 160);
    }

    // Above, an expanded catalog of two items, Below.
    void Shelf() {
        Insert(TVI_ROOT, "Above");
        catalog = Insert(TVI_ROOT, "Catalog");
        middle = Insert(catalog, "First");
        Insert(catalog, "Second");
        TreeView_Expand(tree, catalog, TVE_EXPAND);
        Insert(TVI_ROOT, "Below");
    }

    unsigned long long Work() { return plat::TreeLayoutWork(tree); }

    // The layout work of `n` inserts under the catalog after `after`.
    unsigned long long FillWork(int n, HTREEITEM after) {
        unsigned long long before = Work();
        for (int i = 0; i < n; ++i)
            Insert(catalog, ("Book " + std::to_string(i)).c_str(), after == nullptr ? middle : after);
        return Work() - before;
    }

    // The rows shown, counted through the public navigation.
    int Shown() {
        int count = 0;
        for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextVisible(tree, i))
            ++count;
        return count;
    }
};

// Linear: four times the inserts cost at most about four times the work, and a few rows per insert.
void ExpectLinear(unsigned long long small, unsigned long long large, int n) {
    EXPECT_LE(large, 5 * small + 100) << "work grows faster than the number of inserts";
    EXPECT_LE(large, 8ull * static_cast<unsigned long long>(n)) << "more than a few rows of work per insert";
}

TEST_F(TreeLayoutWork, InsertsUnderAnExpandedItemAtEveryPositionAreLinear) {
    for (HTREEITEM where : {TVI_LAST, TVI_FIRST, static_cast<HTREEITEM>(nullptr)}) {
        MakeTree();
        Shelf();
        unsigned long long small = FillWork(500, where);
        MakeTree();
        Shelf();
        unsigned long long large = FillWork(2000, where);
        ExpectLinear(small, large, 2000);
        EXPECT_EQ(Shown(), 2000 + 5);
        ExpectLinksOk();
    }
}

TEST_F(TreeLayoutWork, InsertsAboveAViewScrolledToTheEndAreLinearAndKeepTheTopItem) {
    Shelf();
    HTREEITEM below = TreeView_GetNextSibling(tree, catalog);
    for (int i = 0; i < 50; ++i)
        Insert(below, "Later");
    TreeView_Expand(tree, below, TVE_EXPAND);
    SendMessageA(tree, WM_VSCROLL, SB_BOTTOM, 0);
    HTREEITEM top = TreeView_GetFirstVisible(tree);
    SCROLLINFO before{sizeof before, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(tree, SB_VERT, &before);

    unsigned long long work = FillWork(2000, TVI_LAST);
    EXPECT_LE(work, 8ull * 2000);
    EXPECT_EQ(TreeView_GetFirstVisible(tree), top);
    SCROLLINFO after{sizeof after, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(tree, SB_VERT, &after);
    EXPECT_EQ(after.nPos, before.nPos + 2000);
    EXPECT_EQ(after.nMax, before.nMax + 2000);
    ExpectLinksOk();
}

TEST_F(TreeLayoutWork, DeletingShownItemsOneByOneIsLinear) {
    for (bool scrolled : {false, true}) {
        unsigned long long works[2] = {0, 0};
        int sizes[2] = {500, 2000};
        for (int k = 0; k < 2; ++k) {
            MakeTree();
            Shelf();
            FillWork(sizes[k], TVI_LAST);
            if (scrolled) SendMessageA(tree, WM_VSCROLL, SB_BOTTOM, 0);
            unsigned long long before = Work();
            while (HTREEITEM child = TreeView_GetChild(tree, catalog))
                TreeView_DeleteItem(tree, child);
            works[k] = Work() - before;
            EXPECT_EQ(Shown(), 3);
            EXPECT_EQ(TreeView_GetFirstVisible(tree), TreeView_GetRoot(tree));
            ExpectLinksOk();
        }
        ExpectLinear(works[0], works[1], 2000);
    }
}

TEST_F(TreeLayoutWork, ExpandingAnItemOfManyChildrenVisitsEachOnce) {
    Shelf();
    TreeView_Expand(tree, catalog, TVE_COLLAPSE);
    FillWork(4000, TVI_LAST);
    unsigned long long before = Work();
    TreeView_Expand(tree, catalog, TVE_EXPAND);
    EXPECT_LE(Work() - before, 4ull * 4000);
    EXPECT_EQ(Shown(), 4000 + 5);
    ExpectLinksOk();
}

// The move of a catalog: its books copied under a new expanded parent, then deleted one by one.
TEST_F(TreeLayoutWork, CopyingASubtreeThenDeletingTheOriginalIsLinear) {
    for (bool scrolled : {false, true}) {
        unsigned long long works[2] = {0, 0};
        int sizes[2] = {500, 2000};
        for (int k = 0; k < 2; ++k) {
            MakeTree();
            Shelf();
            FillWork(sizes[k], TVI_LAST);
            if (scrolled) SendMessageA(tree, WM_VSCROLL, SB_BOTTOM, 0);
            unsigned long long before = Work();
            HTREEITEM fresh = Insert(TVI_ROOT, "New catalog", TVI_FIRST);
            Insert(fresh, "copy");
            TreeView_Expand(tree, fresh, TVE_EXPAND);
            for (HTREEITEM c = TreeView_GetChild(tree, catalog); c; c = TreeView_GetNextSibling(tree, c))
                Insert(fresh, "copy");
            while (HTREEITEM child = TreeView_GetChild(tree, catalog))
                TreeView_DeleteItem(tree, child);
            TreeView_DeleteItem(tree, catalog);
            works[k] = Work() - before;
            EXPECT_EQ(Shown(), sizes[k] + 2 + 1 + 1 + 2);
            ExpectLinksOk();
        }
        ExpectLinear(works[0], works[1], 2 * 2000);
    }
}

} // namespace

// Moving whole subtrees: an expanded catalog holding books (one of them open on its contents), a
// dictionary and a catalog of its own arrives item by item as it was, with the same nodes; many moves
// leave no book open, closed twice or left behind; and TransferItem carries a subtree under a new
// parent in its order.
#include "test_move_world.h"

#include <functional>

using move_world::MoveWorld;
using Result = CShelfTreeCtrl::DropResult;

namespace {

// One item as the user sees it and as the control keeps it.
struct Seen {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    bool expanded = false;
    TreeNode* node = nullptr;
    int depth = 0;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << std::string(static_cast<size_t>(s.depth) * 2, ' ') << s.text << " img " << s.image << "/"
               << s.selectedImage << (s.expanded ? " open" : "") << " node " << s.node;
}

class MoveSubtree : public MoveWorld {
  protected:
    void SetUp() override {
        MoveWorld::SetUp();
        // "Mine" holds B (open on its contents), C, the dictionary D and the catalog "Inner" with A.
        root_ = Ctrl().Root();
        mine_ = UserCatalog(root_, "Mine");
        target_ = UserCatalog(root_, "Target");
        HTREEITEM inner = UserCatalog(mine_, "Inner");
        TreeView_Expand(Tree(), mine_, TVE_EXPAND);
        DragTo(Find("A"), LabelMiddle(inner));
        for (const char* book : {"D", "C", "B"}) // each goes first into the catalog
            DragTo(Find(book), LabelMiddle(Find("Mine")));
        Node(Find("D"))->nKind = NODE_DICT;
        UserExpand(Find("B"));
        mine_ = Find("Mine");
        ASSERT_EQ(Labels(mine_), (std::vector<std::string>{"B", "C", "D", "Inner"}));
        ASSERT_EQ(Labels(Find("B")), (std::vector<std::string>{"One", "Two"}));
        ASSERT_TRUE(Expanded(mine_));
    }

    std::vector<Seen> Picture(HTREEITEM item, int depth = 0) const {
        TVITEMA tv{};
        tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        tv.hItem = item;
        tv.stateMask = TVIS_EXPANDED;
        TreeView_GetItem(Tree(), &tv);
        std::vector<Seen> seen{
            {Text(item), tv.iImage, tv.iSelectedImage, (tv.state & TVIS_EXPANDED) != 0, Node(item), depth}};
        for (HTREEITEM c : Children(item))
            for (const Seen& s : Picture(c, depth + 1))
                seen.push_back(s);
        return seen;
    }
    // Every contents entry below `item` knows its own tree item.
    void ExpectContentsKnowTheirItems(HTREEITEM item) const {
        if (const ContentsRecord* c = ContentsOf(Node(item))) {
            EXPECT_EQ(c->hTreeItem, item) << Text(item);
        }
        for (HTREEITEM child : Children(item))
            ExpectContentsKnowTheirItems(child);
    }

    HTREEITEM root_ = nullptr;
    HTREEITEM mine_ = nullptr;
    HTREEITEM target_ = nullptr;
};

TEST_F(MoveSubtree, AnExpandedCatalogArrivesItemByItemAsItWasWithTheSameNodes) {
    std::vector<Seen> before = Picture(mine_);
    DWORD handleB = Book(Find("B")).dwBookHandle;
    DragTo(mine_, Lower(target_));
    ASSERT_EQ(TreeCtrl().LastDropResult(), Result::Moved);
    HTREEITEM moved = Find("Mine");
    EXPECT_NE(moved, mine_);
    EXPECT_EQ(TreeView_GetPrevSibling(Tree(), moved), Find("Target"));
    EXPECT_EQ(Picture(moved), before);
    ExpectContentsKnowTheirItems(moved);
    EXPECT_EQ(plat::CheckTreeLinks(Tree()), "");

    // The open book shows its contents once; closed and opened again, it builds them once.
    HTREEITEM b = Find("B");
    EXPECT_EQ(Book(b).dwBookHandle, handleB);
    UserCollapse(b);
    EXPECT_TRUE(Children(b).empty());
    UserExpand(b);
    EXPECT_EQ(Labels(b), (std::vector<std::string>{"One", "Two"}));
}

TEST_F(MoveSubtree, ManyMovesLeaveEveryBookOpenOnceAndEverythingClosedOnceAtTheEnd) {
    int opened = Books().OpenCount();
    for (int i = 0; i < 20; ++i) {
        DragTo(Find("Mine"), Lower(Find("Target")));
        DragTo(Find("Mine"), Upper(Find("Target")));
        DragTo(Find("B"), Lower(Find("Inner")));
        DragTo(Find("B"), Upper(Find("C")));
    }
    EXPECT_EQ(Labels(Find("Mine")), (std::vector<std::string>{"B", "C", "D", "Inner"}));
    EXPECT_EQ(Books().OpenCount(), opened) << "no book opened again";
    EXPECT_EQ(Books().CloseCount(), 0) << "no book closed by a move";
    EXPECT_TRUE(ClosedHandles().empty());
    EXPECT_EQ(Books().OpenBooks(), 4);
    DestroyControl();
    EXPECT_EQ(Books().OpenBooks(), 0);
    EXPECT_EQ(Books().CloseCount(), opened) << "every book closed once";
    EXPECT_EQ(Books().MisuseCount(), 0) << "no handle closed twice";
    // The world's tear-down checks that every library load was given back.
}

TEST_F(MoveSubtree, TransferItemCarriesTheSubtreeInItsOrderAndMarksItemsOfAFirstLevelCatalog) {
    // Target stands for a catalog of the first level 1.
    Node(target_)->dwClassId = 0x01000000;
    std::vector<TreeNode*> nodes;
    for (const Seen& s : Picture(mine_))
        if (!ContentsOf(s.node)) nodes.push_back(s.node);
    DWORD handleB = Book(Find("B")).dwBookHandle;

    // Into its own subtree: nothing happens.
    std::vector<Seen> unchanged = Picture(root_);
    EXPECT_EQ(Shelf().TransferItem(mine_, Find("Inner"), TVI_LAST), 1);
    EXPECT_EQ(Picture(root_), unchanged);

    EXPECT_EQ(Shelf().TransferItem(mine_, target_, TVI_FIRST), 1);
    EXPECT_EQ(Labels(mine_), std::vector<std::string>{}) << "the children left the old item";
    EXPECT_TRUE(Shelf().DeleteItemKeepNodes(mine_));
    HTREEITEM copy = Children(target_).at(0);
    EXPECT_EQ(Text(copy), "Mine");
    EXPECT_EQ(Labels(copy), (std::vector<std::string>{"B", "C", "D", "Inner"}));
    std::vector<TreeNode*> after;
    for (const Seen& s : Picture(copy))
        after.push_back(s.node);
    EXPECT_EQ(after, nodes) << "the same nodes, in the same order, without the book's contents";
    // Marked by the catalog it went into; the items below it went into catalogs of their own.
    EXPECT_EQ(Node(copy)->dwFlags, NF_CANNEWCATA | NF_NODELETE | NF_BUILTIN);
    EXPECT_EQ(Node(Find("Inner"))->dwFlags, NF_CANNEWCATA);

    // The book keeps its button and its handle; opened, its contents show once.
    HTREEITEM b = Find("B");
    EXPECT_EQ(Book(b).dwBookHandle, handleB);
    EXPECT_TRUE(HasChildrenFlag(b));
    UserExpand(copy);
    UserExpand(b);
    EXPECT_EQ(Labels(b), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(plat::CheckTreeLinks(Tree()), "");
    DestroyControl();
    EXPECT_EQ(Books().OpenBooks(), 0);
    EXPECT_EQ(Books().MisuseCount(), 0);
}

} // namespace

// The drop rules of a drag within the shelf, made with real mouse input: where an item goes by the
// kinds of the dragged item and the item under the release, by the half of the row it is released on,
// and by whether both share a parent; what refuses a drop; and that a moved book is the same open book.
#include "test_move_world.h"

using move_world::MoveWorld;
using Result = CShelfTreeCtrl::DropResult;

namespace {

using Move = MoveWorld;

TEST_F(Move, BooksOnBooksGoBeforeOrAfterByTheHalfOfTheRowInTheTargetsCatalog) {
    HTREEITEM books = Find("Books");
    HTREEITEM others = Find("Others");
    DragTo(Find("C"), Upper(Find("B"))); // same parent, upper half: before B
    EXPECT_EQ(Labels(books), (std::vector<std::string>{"A", "C", "B"}));
    DragTo(Find("A"), Lower(Find("B"))); // same parent, lower half: after B
    EXPECT_EQ(Labels(books), (std::vector<std::string>{"C", "B", "A"}));
    DragTo(Find("C"), Upper(Find("D"))); // another parent, upper half of its first book: first there
    EXPECT_EQ(Labels(others), (std::vector<std::string>{"C", "D"}));
    DragTo(Find("B"), Lower(Find("D"))); // another parent, lower half: after it
    EXPECT_EQ(Labels(others), (std::vector<std::string>{"C", "D", "B"}));
    EXPECT_EQ(Labels(books), (std::vector<std::string>{"A"}));
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::Moved);
    EXPECT_EQ(Shelf().Moved(), 1);
    EXPECT_TRUE(plat::Beeps().empty());
    EXPECT_EQ(plat::CheckTreeLinks(Tree()), "");
}

TEST_F(Move, ABookOnACatalogGoesFirstAndOpensItTheOnlyChildLeavingClosesItsOldCatalog) {
    HTREEITEM mine = UserCatalog(Ctrl().Root(), "Mine");
    UserCatalog(mine, "Inside");
    EXPECT_FALSE(Expanded(mine));
    DragTo(Find("D"), LabelMiddle(mine));
    EXPECT_EQ(Labels(mine), (std::vector<std::string>{"D", "Inside"}));
    EXPECT_TRUE(Expanded(mine));
    EXPECT_FALSE(Expanded(Find("Others"))) << "D was the only child of Others";
    EXPECT_TRUE(Children(Find("Others")).empty());
}

TEST_F(Move, ABookGoesIntoADictionaryButADictionaryNotIntoABook) {
    // A dictionary made of the book D (kind 1); books may go into it, it goes into no book.
    HTREEITEM dict = Find("D");
    Node(dict)->nKind = NODE_DICT;
    std::string before = Dump();
    DragTo(dict, LabelMiddle(Find("A")));
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::OntoBook);
    EXPECT_EQ(Shelf().Moved(), 0);
    EXPECT_TRUE(plat::Beeps().empty()) << "refused without a sound";

    DragTo(Find("A"), LabelMiddle(dict));
    ASSERT_GE(Labels(dict).size(), 1u);
    EXPECT_EQ(Labels(dict)[0], "A");
    EXPECT_TRUE(Expanded(dict));
}

TEST_F(Move, CatalogsReorderAmongTheirSiblingsOnlyAndNothingGoesOntoAnItemThatTakesNoDrops) {
    HTREEITEM root = Ctrl().Root();
    HTREEITEM first = UserCatalog(root, "First");
    HTREEITEM second = UserCatalog(root, "Second");
    HTREEITEM deep = UserCatalog(second, "Deep");
    TreeView_Expand(Tree(), second, TVE_EXPAND);
    DragTo(second, Upper(first));
    EXPECT_EQ(Labels(root), (std::vector<std::string>{"Books", "Others", "Second", "First"}));
    second = Find("Second");
    deep = Find("Deep");
    ASSERT_NE(deep, nullptr);

    std::string before = Dump();
    DragTo(Find("First"), Lower(deep)); // a catalog of another parent
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::CatalogOfAnotherParent);
    EXPECT_TRUE(plat::Beeps().empty());

    // System catalogs take no drops: a beep, nothing moved.
    DragTo(Find("A"), LabelMiddle(Find("Others")));
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::NoDrop);
    EXPECT_EQ(plat::Beeps(), std::vector<UINT>{0});
    EXPECT_EQ(Shelf().Moved(), 1) << "set by the first move only";
}

TEST_F(Move, AnItemDroppedOntoItselfOrItsOwnDescendantStaysAsItWas) {
    HTREEITEM outer = UserCatalog(Ctrl().Root(), "Outer");
    HTREEITEM dict = Find("D");
    DragTo(dict, LabelMiddle(outer));
    dict = Find("D");
    Node(dict)->nKind = NODE_DICT;
    outer = Find("Outer");
    std::string before = Dump();

    // The catalog onto the dictionary it holds: it would go into its own subtree.
    DragTo(outer, LabelMiddle(dict));
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::OntoItself);
    EXPECT_EQ(Find("Outer"), outer) << "the very same item";

    // A book onto its own row: it stays the same item.
    HTREEITEM a = Find("A");
    DragTo(a, Upper(a));
    EXPECT_EQ(Find("A"), a);
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(plat::CheckTreeLinks(Tree()), "");
}

TEST_F(Move, AMovedBookIsTheSameOpenBookAndTheHostIsToldNothing) {
    HTREEITEM a = Find("A");
    TreeNode* node = Node(a);
    DWORD handle = Book(a).dwBookHandle;
    Select(a);
    Notices().clear();
    int opened = Books().OpenCount();
    int closed = Books().CloseCount();
    DragTo(a, Lower(Find("D")));
    HTREEITEM moved = Find("A");
    ASSERT_NE(moved, a);
    EXPECT_EQ(Node(moved), node);
    EXPECT_EQ(Book(moved).dwBookHandle, handle);
    EXPECT_EQ(Ctrl().GetBookHandle("A"), handle);
    EXPECT_EQ(Books().OpenCount(), opened);
    EXPECT_EQ(Books().CloseCount(), closed);
    EXPECT_EQ(Selected(), moved) << "the selection goes with the book";
    EXPECT_EQ(Ctrl().GetSeleBookHandle(), handle);
    EXPECT_TRUE(Notices().empty()) << "no other book was chosen";
    EXPECT_TRUE(ClosedHandles().empty());
}

TEST_F(Move, ReleasingWhereThereIsNoItemMovesNothingAndAReleaseWithoutADragBeeps) {
    std::string before = Dump();
    HTREEITEM a = Find("A");
    RECT client{};
    GetClientRect(Tree(), &client);
    Gesture(a, {POINT{LabelMiddle(a).x, client.bottom - 40}}); // below the last row
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::NoTarget);
    EXPECT_TRUE(plat::Beeps().empty());
    // The button let go with no drag running (a press below the rows is no item press).
    plat::PostMouse(Tree(), WM_LBUTTONUP, POINT{5, client.bottom - 20}, 0);
    plat::SendMouse(Tree(), WM_LBUTTONDOWN, POINT{5, client.bottom - 20}, MK_LBUTTON);
    plat::PumpMessages();
    EXPECT_EQ(plat::Beeps(), std::vector<UINT>{0});
}

TEST_F(Move, ContentsEntriesAndTheRootBeginNoDrag) {
    HTREEITEM a = Find("A");
    UserExpand(a);
    ASSERT_EQ(Labels(a).size(), 2u);
    std::string before = Dump();
    DragTo(Children(a)[0], Lower(Find("D")));
    EXPECT_EQ(Dump(), before);
    EXPECT_FALSE(TreeCtrl().IsDragging());
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace

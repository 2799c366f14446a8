// A drag while it runs and how it ends: what the tree, the control and the host see; the drag image,
// the capture and the highlight; the auto-scroll timer on the platform's steppable clock at the edge
// distances that set its pace; and the ways a drag ends without a move (Escape, the capture taken by
// another window, the control destroyed), which leave the tree as it was and nothing of the drag behind.
#include "test_move_world.h"

using move_world::MoveWorld;
using Result = CShelfTreeCtrl::DropResult;

namespace {

class MoveDrag : public MoveWorld {
  protected:
    void SetUp() override {
        MoveWorld::SetUp();
        imageLists_ = plat::ImageListCount();
    }

    // Nothing of a drag is left: no flag, capture, drag image, highlight, and no image list kept.
    void ExpectNoDragLeft() {
        EXPECT_FALSE(TreeCtrl().IsDragging());
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_FALSE(plat::DragImageState().active);
        EXPECT_EQ(TreeView_GetDropHilight(Tree()), nullptr);
        EXPECT_EQ(plat::ImageListCount(), imageLists_);
    }
    // Steps the clock by one timer period `ticks` times, delivering what falls due.
    void Tick(int ticks = 1) {
        for (int i = 0; i < ticks; ++i) {
            plat::AdvanceClock(CShelfTreeCtrl::kScrollInterval);
            plat::PumpMessages();
        }
    }
    HTREEITEM FirstVisible() const { return TreeView_GetFirstVisible(Tree()); }
    // Holds the mouse still at `pt` (tree client coordinates) while the button stays down.
    void HoldAt(POINT pt) {
        plat::PostMouse(Tree(), WM_MOUSEMOVE, pt, MK_LBUTTON);
        plat::PumpMessages();
        POINT screen = pt;
        ClientToScreen(Tree(), &screen);
        plat::SetCursorScreenPos(screen);
    }
    // 60 user catalogs below the others, so that the tree has more rows than it shows.
    std::vector<HTREEITEM> ManyCatalogs() {
        std::vector<HTREEITEM> items;
        for (int i = 0; i < 60; ++i)
            items.push_back(UserCatalog(Ctrl().Root(), ("U" + std::to_string(100 + i)).c_str()));
        return items;
    }
    // The position of an item in display order, counted from the top of the tree.
    int Index(HTREEITEM item) const {
        int index = 0;
        for (HTREEITEM i = TreeView_GetRoot(Tree()); i; i = TreeView_GetNextVisible(Tree(), i), ++index)
            if (i == item) return index;
        return -1;
    }

    size_t imageLists_ = 0;
};

TEST_F(MoveDrag, WhileADragRunsTheTreeHasTheCaptureTheImageAndTheHighlightFollowsTheMouse) {
    HTREEITEM a = Find("A");
    HTREEITEM d = Find("D");
    Gesture(a, {POINT{LabelMiddle(a).x + 30, LabelMiddle(a).y}, LabelMiddle(d)}, false);
    ASSERT_TRUE(TreeCtrl().IsDragging());
    EXPECT_EQ(GetCapture(), Tree());
    plat::DragImageInfo image = plat::DragImageState();
    EXPECT_TRUE(image.active);
    EXPECT_TRUE(image.entered);
    EXPECT_EQ(image.lockWindow, Tree());
    EXPECT_EQ(TreeView_GetDropHilight(Tree()), d);
    EXPECT_EQ(plat::ImageListCount(), imageLists_ + 2) << "the item's drag image and the drag's own copy";
    EXPECT_EQ(TreeView_GetSelection(Tree()), nullptr) << "a drag selects nothing";

    // Off the rows the target goes, the highlight stays.
    RECT client{};
    GetClientRect(Tree(), &client);
    HoldAt(POINT{40, client.bottom - 30});
    EXPECT_EQ(TreeView_GetDropHilight(Tree()), d);
    plat::PostMouse(Tree(), WM_LBUTTONUP, POINT{40, client.bottom - 30}, 0);
    plat::PumpMessages();
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::NoTarget);
    ExpectNoDragLeft();
}

TEST_F(MoveDrag, TheControlSeesTheDragAndTheDeletionTheHostNothing) {
    std::vector<UINT> codes;
    std::vector<UINT> toHost;
    HWND control = Ctrl().GetSafeHwnd();
    int spy = plat::AddMessageSpy([&](HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
        if (hwnd == control && msg == WM_NOTIFY) {
            UINT code = reinterpret_cast<NMHDR*>(lParam)->code;
            if (code != static_cast<UINT>(NM_CUSTOMDRAW)) codes.push_back(code);
        }
        if (hwnd == host_ && msg >= WM_USER) toHost.push_back(msg);
    });
    HTREEITEM mine = UserCatalog(Ctrl().Root(), "Mine");
    DragTo(Find("C"), LabelMiddle(mine));
    plat::RemoveMessageSpy(spy);
    // The tree's drag begins, the old item goes (nothing freed), the closed catalog opens.
    EXPECT_EQ(codes, (std::vector<UINT>{static_cast<UINT>(TVN_BEGINDRAGA), static_cast<UINT>(TVN_DELETEITEMA),
                                        static_cast<UINT>(TVN_ITEMEXPANDINGA),
                                        static_cast<UINT>(TVN_ITEMEXPANDEDA)}));
    EXPECT_TRUE(toHost.empty());
    EXPECT_EQ(Labels(Find("Mine")), std::vector<std::string>{"C"});
    ExpectNoDragLeft();
}

TEST_F(MoveDrag, FivePixelsBelowTheTopEdgeTheTreeScrollsUpALineEverySixTicks) {
    std::vector<HTREEITEM> many = ManyCatalogs();
    TreeView_SelectSetFirstVisible(Tree(), many[30]);
    HTREEITEM dragged = many[35];
    Gesture(dragged, {POINT{LabelMiddle(dragged).x + 30, LabelMiddle(dragged).y}}, false);
    ASSERT_TRUE(TreeCtrl().IsDragging());
    HoldAt(POINT{40, 5});
    int top = Index(FirstVisible());
    std::vector<int> moved;
    for (int tick = 1; tick <= 12; ++tick) {
        HTREEITEM before = FirstVisible();
        Tick();
        if (Index(FirstVisible()) != Index(before)) {
            moved.push_back(tick);
            EXPECT_EQ(TreeView_GetDropHilight(Tree()), before) << "the first row before the scroll";
        }
    }
    EXPECT_EQ(moved, (std::vector<int>{6, 12}));
    EXPECT_EQ(Index(FirstVisible()), top - 2);
    TreeCtrl().CancelDrag();
    ExpectNoDragLeft();
}

TEST_F(MoveDrag, AHundredPixelsAboveOrBelowTheTreeItScrollsOnEveryTick) {
    std::vector<HTREEITEM> many = ManyCatalogs();
    TreeView_SelectSetFirstVisible(Tree(), many[15]);
    HTREEITEM dragged = many[20];
    Gesture(dragged, {POINT{LabelMiddle(dragged).x + 30, LabelMiddle(dragged).y}}, false);
    HoldAt(POINT{40, -100});
    int top = Index(FirstVisible());
    Tick(3);
    EXPECT_EQ(Index(FirstVisible()), top - 3);

    RECT client{};
    GetClientRect(Tree(), &client);
    HoldAt(POINT{40, client.bottom + 100});
    top = Index(FirstVisible());
    Tick(4);
    EXPECT_EQ(Index(FirstVisible()), top + 4);
    // The target is the item in the last whole row.
    int rows = static_cast<int>(TreeView_GetVisibleCount(Tree()));
    HTREEITEM last = TreeView_GetDropHilight(Tree());
    EXPECT_EQ(Index(last), top + 4 - 1 + rows - 1);

    // Between the zones nothing scrolls.
    HoldAt(POINT{40, client.bottom / 2});
    top = Index(FirstVisible());
    Tick(12);
    EXPECT_EQ(Index(FirstVisible()), top);

    // Released after the scroll: the item goes after the target the scroll chose.
    HTREEITEM target = TreeView_GetDropHilight(Tree());
    ASSERT_NE(target, nullptr);
    plat::PostMouse(Tree(), WM_LBUTTONUP, Lower(target), 0);
    plat::PumpMessages();
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::Moved);
    EXPECT_EQ(TreeView_GetNextSibling(Tree(), target), Find("U120"));
    ExpectNoDragLeft();
}

// ---- a drag that ends without a release ----

class MoveCancel : public MoveDrag {
  protected:
    // Starts a drag of A over D and returns the tree's picture before it.
    std::string StartDrag() {
        std::string before = Dump();
        HTREEITEM a = Find("A");
        Gesture(a, {POINT{LabelMiddle(a).x + 30, LabelMiddle(a).y}, LabelMiddle(Find("D"))}, false);
        EXPECT_TRUE(TreeCtrl().IsDragging());
        return before;
    }
    // After the drag ended: the tree as it was, and a late release moves nothing (it only beeps).
    void ExpectTreeAsItWas(const std::string& before) {
        EXPECT_EQ(Dump(), before);
        EXPECT_EQ(TreeCtrl().LastDropResult(), Result::Cancelled);
        ExpectNoDragLeft();
        HoldAt(POINT{40, 5});
        Tick(12); // no timer left to scroll
        plat::PostMouse(Tree(), WM_LBUTTONUP, LabelMiddle(Find("D")), 0);
        plat::PumpMessages();
        EXPECT_EQ(Dump(), before);
        EXPECT_EQ(plat::Beeps(), std::vector<UINT>{0});
    }
};

TEST_F(MoveCancel, EscapeEndsTheDrag) {
    std::string before = StartDrag();
    SendMessageA(Tree(), WM_KEYDOWN, VK_ESCAPE, 0);
    ExpectTreeAsItWas(before);
}

TEST_F(MoveCancel, TheCaptureTakenByAnotherWindowEndsTheDrag) {
    std::string before = StartDrag();
    SetCapture(host_);
    EXPECT_EQ(GetCapture(), host_) << "the other window keeps what it took";
    ReleaseCapture();
    ExpectTreeAsItWas(before);
}

TEST_F(MoveCancel, TheControlDestroyedDuringADragLeavesNothingAndTheNextShelfDragsAgain) {
    StartDrag();
    DestroyControl();
    plat::PumpMessages();
    EXPECT_FALSE(g_shelfTree.IsDragging());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(plat::DragImageState().active);
    EXPECT_EQ(Books().OpenBooks(), 0);

    ASSERT_TRUE(CreateControl(std::make_unique<move_world::MoveCtrl>()));
    TreeView_Expand(Tree(), Find("Books"), TVE_EXPAND);
    TreeView_Expand(Tree(), Find("Others"), TVE_EXPAND);
    DragTo(Find("A"), Lower(Find("D")));
    EXPECT_EQ(TreeCtrl().LastDropResult(), Result::Moved);
    EXPECT_EQ(Labels(Find("Others")), (std::vector<std::string>{"D", "A"}));
}

} // namespace

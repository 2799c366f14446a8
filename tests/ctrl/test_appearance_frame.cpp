// The control around the tree: its place (3, 2) inside the control, the control's background and the
// switch between a plain list and a tree with lines and buttons.
#include "test_appearance_world.h"

using namespace appearance_world;

namespace {

class ShelfFrame : public LooksWorld {
  protected:
    HWND Control() { return Looks().GetSafeHwnd(); }
    // The tree's rectangle in the control's client coordinates.
    RECT TreeRect() {
        RECT rc{};
        GetWindowRect(Tree(), &rc);
        MapWindowPoints(nullptr, Control(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    // Connecting lines and expand buttons (the buttons' one-pixel frames) the tree drew.
    static size_t LinesAndButtons(const plat::Drawing& d) {
        return d.OfKind(plat::DrawKind::Line).size() + d.OfKind(plat::DrawKind::Frame).size();
    }
};

TEST_F(ShelfFrame, ResizingPlacesTheTreeThreeInAndTwoDown) {
    ::MoveWindow(Control(), 0, 0, 100, 50, TRUE);
    RECT rc = TreeRect();
    EXPECT_EQ(rc.left, 3);
    EXPECT_EQ(rc.top, 2);
    EXPECT_EQ(rc.right - rc.left, 97);
    EXPECT_EQ(rc.bottom - rc.top, 48);
    ::MoveWindow(Control(), 0, 0, 2, 1, TRUE);
    rc = TreeRect();
    EXPECT_EQ(rc.right - rc.left, 0) << "smaller than the margins: no tree, not a negative size";
    EXPECT_EQ(rc.bottom - rc.top, 0);
}

TEST_F(ShelfFrame, TheMarginsAndTheTreeShowTheBackgroundColour) {
    ::MoveWindow(Control(), 0, 0, 200, 300, TRUE);
    constexpr COLORREF kCream = RGB(250, 240, 200);
    EXPECT_EQ(Looks().GetBkColor(), kWhite);
    EXPECT_EQ(Looks().SetBkColor(kCream), kWhite) << "the previous colour";
    EXPECT_EQ(Looks().GetBkColor(), kCream);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(Tree(), TVM_GETBKCOLOR, 0, 0)), kCream);
    EXPECT_EQ(Looks().SetBkColor(CLR_NONE), kCream) << "not a colour: refused";
    EXPECT_EQ(Looks().GetBkColor(), kCream);

    plat::Image img = plat::RenderWindow(Control());
    ASSERT_EQ(img.width, 200);
    EXPECT_EQ(img.ColorAt(0, 0), kCream) << "the control erases its margins";
    EXPECT_EQ(img.ColorAt(2, 299), kCream);
    EXPECT_EQ(img.ColorAt(199, 1), kCream);
    EXPECT_EQ(img.ColorAt(150, 290), kCream) << "the tree's empty part";
    // A label keeps white behind its text: only the background changes.
    RECT label = Label(Find("Shelf"));
    EXPECT_EQ(img.ColorAt(3 + label.right - 1, 2 + label.top + 1), kWhite);
}

TEST_F(ShelfFrame, PlainListWithoutLinesOrButtonsAndBack) {
    ASSERT_GT(LinesAndButtons(TreeDrawing()), 0u);
    EXPECT_EQ(Looks().ChgStyle(0), 1);
    EXPECT_EQ(GetWindowLongA(Tree(), GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS), 0);
    EXPECT_EQ(LinesAndButtons(TreeDrawing()), 0u);
    EXPECT_EQ(Looks().ChgStyle(0), 0) << "already so: nothing changed";
    EXPECT_EQ(Looks().ChgStyle(1), 1);
    EXPECT_EQ(GetWindowLongA(Tree(), GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS),
              TVS_HASLINES | TVS_HASBUTTONS);
    plat::Drawing d = TreeDrawing();
    EXPECT_GT(d.OfKind(plat::DrawKind::Line).size(), 0u) << "lines";
    EXPECT_GT(d.OfKind(plat::DrawKind::Frame).size(), 0u) << "buttons";
}

TEST_F(ShelfFrame, ChangingTheStyleRepaintsTheTree) {
    UpdateWindow(host_);
    ASSERT_FALSE(GetUpdateRect(Tree(), nullptr, FALSE));
    Looks().ChgStyle(0);
    EXPECT_TRUE(GetUpdateRect(Tree(), nullptr, FALSE)) << "the tree is due to paint in its new look";
}

} // namespace

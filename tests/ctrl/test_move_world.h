// What the tests of moving items share: a shelf with registered books (with contents) in two system
// catalogs, user catalogs made beside them, and the user's drag made with real input: the press on an
// item's label, moves past the drag distance, and the release at a chosen point. The clock is the
// platform's manual one, so the auto-scroll timer ticks only when a test says so.
#pragma once

#include "test_contents_world.h"

#include "plat/draw.h"
#include "plat/treeview.h"
#include "ui/shelf_tree_ctrl.h"

#include <string>
#include <vector>

namespace move_world {

class MoveCtrl : public regbooks::RegCtrl {
  public:
    using CTavrinCtrl::TransferItem;
    int& Moved() { return m_nMoved; }
};

class MoveWorld : public contents::ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        plat::UseManualClock(true);
        StartShelf();
    }
    void TearDown() override {
        DestroyControl();
        plat::UseManualClock(false);
        ContentsWorld::TearDown();
    }

    // Every test's shelf: "Books" (key 2) holds the books A, B and C, "Others" (key 3) the book D; each
    // book has the contents entries "One" and "Two". User catalogs are added by the tests.
    void StartShelf() {
        AddCatalog(Sys().Root(), "Books", "2", {"a.ebd=0", "b.ebd=0", "c.ebd=0"});
        AddCatalog(Sys().Root(), "Others", "3", {"d.ebd=0"});
        for (const char* name : {"A", "B", "C", "D"}) {
            std::string file = std::string(1, static_cast<char>(name[0] + 32)) + ".ebd";
            std::string path = ContentsBook(file.c_str(), name, name);
            Entry(path, 0, "One", 1);
            Entry(path, 0, "Two", 2);
        }
        ASSERT_TRUE(CreateControl(std::make_unique<MoveCtrl>()));
        ASSERT_NE(Find("A"), nullptr);
        ASSERT_NE(Find("D"), nullptr);
        ASSERT_EQ(ChildTexts(Find("Books")), (std::vector<std::string>{"A", "B", "C"}));
        TreeView_Expand(Tree(), Find("Books"), TVE_EXPAND);
        TreeView_Expand(Tree(), Find("Others"), TVE_EXPAND);
        plat::PumpMessages();
        Received().clear();
        Notices().clear();
        plat::ClearBeeps();
    }
    MoveCtrl& Shelf() { return static_cast<MoveCtrl&>(*ctrl_); }
    CShelfTreeCtrl& TreeCtrl() { return *static_cast<CShelfTreeCtrl*>(CWnd::FromHandlePermanent(Tree())); }

    // ---- points of an item's row ----
    RECT Row(HTREEITEM item) const {
        RECT rc{};
        EXPECT_TRUE(TreeView_GetItemRect(Tree(), item, &rc, FALSE));
        return rc;
    }
    // A point in the upper or the lower half of the item's row, over its label.
    POINT Upper(HTREEITEM item) const { return POINT{LabelMiddle(item).x, Row(item).top + 1}; }
    POINT Lower(HTREEITEM item) const {
        RECT rc = Row(item);
        return POINT{LabelMiddle(item).x, rc.top + (rc.bottom - rc.top) * 3 / 4};
    }

    // ---- the user's drag ----
    // Presses the left button on the label of `from`, moves the mouse along `path` (each point in
    // tree client coordinates) and, unless `release` is false, lets the button go at the last point.
    void Gesture(HTREEITEM from, const std::vector<POINT>& path, bool release = true) {
        POINT start = LabelMiddle(from);
        for (POINT p : path)
            plat::PostMouse(Tree(), WM_MOUSEMOVE, p, MK_LBUTTON);
        if (release) plat::PostMouse(Tree(), WM_LBUTTONUP, path.back(), 0);
        plat::SendMouse(Tree(), WM_LBUTTONDOWN, start, MK_LBUTTON);
        plat::PumpMessages();
    }
    // Drags `from` and drops it at `to`, going there by way of a point well away from the press.
    void DragTo(HTREEITEM from, POINT to) {
        POINT start = LabelMiddle(from);
        Gesture(from, {POINT{start.x + 30, start.y}, to});
    }

    // Labels of the children of an item.
    std::vector<std::string> Labels(HTREEITEM parent) const { return ChildTexts(parent); }
    std::string Dump() const { return plat::DumpTree(Tree()); }
};

} // namespace move_world

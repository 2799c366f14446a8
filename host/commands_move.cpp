// Moving an item within the shelf as a user does: the left button pressed on the item's label, the
// mouse moved past the drag distance and over the place, the button let go there. When the place is
// out of view, the mouse is held beyond the tree's edge and the shelf's auto-scroll brings it in, on
// the platform's clock stepped a timer period at a time.
#include "command_line.h"
#include "item_input.h"
#include "print.h"
#include "session.h"
#include "shelf_items.h"

#include "commctrl.h"
#include "plat/core.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

enum class Aim { Middle, Upper, Lower };

// Where in the target's row the button is let go: the middle of its label (which the shelf counts as
// the upper half), a quarter down the row, or three quarters down.
POINT AimAt(HWND tree, HTREEITEM item, Aim aim) {
    RECT row{};
    RECT label{};
    TreeView_GetItemRect(tree, item, &row, FALSE);
    TreeView_GetItemRect(tree, item, &label, TRUE);
    POINT point{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    int height = row.bottom - row.top;
    if (aim == Aim::Upper) point.y = row.top + height / 4;
    if (aim == Aim::Lower) point.y = row.top + height * 3 / 4;
    return point;
}

// Where the item's row is against the tree's client area: -1 above, 1 below, 0 wholly in view.
int RowPlace(HWND tree, HTREEITEM item) {
    RECT row{};
    RECT client{};
    if (!TreeView_GetItemRect(tree, item, &row, FALSE)) return 1;
    ::GetClientRect(tree, &client);
    if (row.top < client.top) return -1;
    if (row.bottom > client.bottom) return 1;
    return 0;
}

void MoveMouse(HWND tree, POINT point) {
    plat::PostMouse(tree, WM_MOUSEMOVE, point, MK_LBUTTON);
    plat::PumpMessages();
    POINT screen = point;
    ::ClientToScreen(tree, &screen);
    plat::SetCursorScreenPos(screen); // held there
}

// Holds the mouse 100 pixels beyond the edge on the item's side until the shelf has scrolled its row
// into view; false when it never comes.
bool ScrollIntoView(Session& session, HTREEITEM item, int* ticks) {
    HWND tree = session.Tree();
    RECT client{};
    ::GetClientRect(tree, &client);
    int side = RowPlace(tree, item);
    if (side == 0) return true;
    MoveMouse(tree, POINT{client.right / 2, side < 0 ? client.top - 100 : client.bottom + 100});
    plat::UseManualClock(true);
    UINT limit = TreeView_GetCount(tree) + 2;
    for (*ticks = 0; RowPlace(tree, item) != 0 && static_cast<UINT>(*ticks) < limit; ++*ticks) {
        plat::AdvanceClock(SHELF_SCROLL_INTERVAL);
        plat::PumpMessages();
    }
    plat::UseManualClock(false);
    return RowPlace(tree, item) == 0;
}

// The item that is `id` now (a moved item has a new handle); null when none is.
HTREEITEM ItemOfId(CTavrinCtrl& shelf, HWND tree, const void* id) {
    HTREEITEM found = nullptr;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        if (!found && InfoOf(shelf, item).pItemId == id) found = item;
    });
    return found;
}

int RunMove(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    Aim aim = Aim::Middle;
    if (args.size() == 3 && args[2] == "upper") aim = Aim::Upper;
    if (args.size() == 3 && args[2] == "lower") aim = Aim::Lower;
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && aim == Aim::Middle)) {
        std::fprintf(stderr, "move: give the item to move, the item to drop it on, and optionally "
                             "upper or lower (the half of its row)\n");
        return 2;
    }
    HTREEITEM from = ItemArgument(session, "move", args[0]);
    if (!from) return 1;
    HTREEITEM to = ItemArgument(session, "move", args[1]);
    if (!to) return 1;
    HWND tree = session.Tree();
    const void* moving = InfoOf(session.shelf, from).pItemId;
    // The place is opened down to it, as a user opens it before dragging there.
    for (HTREEITEM up = TreeView_GetParent(tree, to); up; up = TreeView_GetParent(tree, up))
        TreeView_Expand(tree, up, TVE_EXPAND);
    POINT start{};
    if (!PointAtItem(session, from, &start)) {
        std::fprintf(stderr, "move: %s cannot be brought into view\n", args[0].c_str());
        return 1;
    }
    plat::PumpMessages();
    session.host.ClearReceived();
    plat::ClearBeeps();

    // The press: the tree follows the mouse until it leaves the drag distance, then the drag begins.
    plat::PostMouse(tree, WM_MOUSEMOVE, POINT{start.x + 12, start.y}, MK_LBUTTON);
    plat::SendMouse(tree, WM_LBUTTONDOWN, start, MK_LBUTTON);
    plat::PumpMessages();
    if (!session.shelf.IsDragging()) {
        plat::PostMouse(tree, WM_LBUTTONUP, POINT{start.x + 12, start.y}, 0);
        plat::PumpMessages();
        std::fprintf(stderr, "move: %s cannot be dragged: only books, dictionaries and catalogs move\n",
                     args[0].c_str());
        return 1;
    }
    int ticks = 0;
    if (!ScrollIntoView(session, to, &ticks)) {
        session.shelf.CancelDrag();
        std::fprintf(stderr, "move: the shelf did not scroll %s into view\n", args[1].c_str());
        return 1;
    }
    POINT drop = AimAt(tree, to, aim);
    MoveMouse(tree, drop);
    plat::PostMouse(tree, WM_LBUTTONUP, drop, 0);
    plat::PumpMessages();

    const char* half = aim == Aim::Middle  ? "middle of its label"
                       : aim == Aim::Upper ? "upper half"
                                           : "lower half";
    std::printf("Move %s onto %s (%s)", args[0].c_str(), args[1].c_str(), half);
    if (ticks) std::printf(", %d auto-scroll tick(s) to bring it into view", ticks);
    std::printf(":\n");
    PrintReceived(session);

    LPCSTR reason = "";
    if (session.shelf.GetLastDrop(&reason) != SHELF_DROP_MOVED) {
        std::fprintf(stderr, "move: nothing moved: %s%s\n", reason,
                     plat::Beeps().empty() ? "" : " (the shelf beeped)");
        return 1;
    }
    HTREEITEM moved = ItemOfId(session.shelf, tree, moving);
    std::printf("Moved: %s\n\nShelf:\n", moved ? ItemPath(session.shelf, tree, moved).c_str() : "?");
    PrintShelf(session.shelf, tree);
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("move", "FROM TO [upper|lower]",
                    "drag the item FROM onto the item TO (paths as show prints them) as a user does and\n"
                    "let go on the middle of TO's label, or on the upper or lower half of its row; the\n"
                    "shelf scrolls TO into view when it is not; prints what the shelf sent and the shelf;\n"
                    "exits 1 with the reason when nothing moved",
                    RunMove);

} // namespace tavrin::host

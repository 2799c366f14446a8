// Pointing at shelf items as a user does: finding an item by the path `show` prints, bringing it into
// view and pressing a mouse button on it. The input goes through the platform's message queue, so the
// tree and the shelf handle it as they handle a real click.
#pragma once

#include "session.h"

#include <string>

namespace tavrin::host {

// The item whose path is `path`: labels from the top of the tree down, joined with " / ", as `show`
// and the other commands print them (letter case ignored, blanks around the separators optional).
// Items on the way that have not been opened yet are expanded, so contents entries can be named.
// Null when no item has that path.
HTREEITEM FindItemByPath(Session& session, const std::string& path);

// Brings the item into view (its ancestors expanded, the tree scrolled) and returns the middle of its
// label in the tree's client coordinates; false when the item has no place on the screen.
bool PointAtItem(Session& session, HTREEITEM item, POINT* point);

// Presses and releases a mouse button (WM_LBUTTONDOWN or WM_RBUTTONDOWN) at `point` in the tree,
// then handles everything the click brought about.
void ClickTree(Session& session, POINT point, UINT buttonDown);

// The same for a double click of the left button.
void DoubleClickTree(Session& session, POINT point);

// Makes an item the target of a shelf command for as long as the object lives, as a menu opened on
// the item makes it: the item is clicked (unless it is selected already: a click on the selected item
// would open its label editor) and drop-highlighted; the highlight goes with the object.
class CommandTarget {
  public:
    CommandTarget(Session& session, HTREEITEM item);
    ~CommandTarget();
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

  private:
    HWND tree_;
};

// Finds `path` and says so on stderr when there is no such item ("COMMAND: no item PATH").
HTREEITEM ItemArgument(Session& session, const std::string& command, const std::string& path);

} // namespace tavrin::host

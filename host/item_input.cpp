#include "item_input.h"

#include "shelf_items.h"

#include "plat/core.h"

#include <cstdio>

namespace tavrin::host {

namespace {

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (true) {
        size_t slash = path.find('/', at);
        parts.push_back(Trim(path.substr(at, slash == std::string::npos ? std::string::npos : slash - at)));
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    return parts;
}

HTREEITEM FindChild(Session& session, HWND tree, HTREEITEM first, const std::string& label) {
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item))
        if (EqualNoCase(ShownItemText(session.shelf, tree, item), label)) return item;
    return nullptr;
}

} // namespace

HTREEITEM FindItemByPath(Session& session, const std::string& path) {
    HWND tree = session.Tree();
    std::vector<std::string> parts = SplitPath(path);
    HTREEITEM item = FindChild(session, tree, TreeView_GetRoot(tree), parts[0]);
    for (size_t i = 1; item && i < parts.size(); ++i) {
        HTREEITEM child = TreeView_GetChild(tree, item);
        if (!child) {
            // Contents entries are made when their parent is first opened.
            TreeView_Expand(tree, item, TVE_EXPAND);
            plat::PumpMessages();
            child = TreeView_GetChild(tree, item);
        }
        item = FindChild(session, tree, child, parts[i]);
    }
    return item;
}

bool PointAtItem(Session& session, HTREEITEM item, POINT* point) {
    HWND tree = session.Tree();
    TreeView_EnsureVisible(tree, item);
    plat::PumpMessages();
    RECT label{};
    if (!TreeView_GetItemRect(tree, item, &label, TRUE)) return false;
    RECT client{};
    ::GetClientRect(tree, &client);
    point->x = (label.left + label.right) / 2;
    point->y = (label.top + label.bottom) / 2;
    return point->y >= client.top && point->y < client.bottom;
}

void ClickTree(Session& session, POINT point, UINT buttonDown) {
    HWND tree = session.Tree();
    WPARAM button = buttonDown == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON;
    // The tree follows a pressed button in a loop of its own until it is released: the release
    // waits in the queue before the press is handled.
    plat::PostMouse(tree, buttonDown + 1, point, 0);
    plat::SendMouse(tree, buttonDown, point, button);
    plat::PumpMessages();
}

void DoubleClickTree(Session& session, POINT point) {
    HWND tree = session.Tree();
    ClickTree(session, point, WM_LBUTTONDOWN);
    plat::PostMouse(tree, WM_LBUTTONUP, point, 0);
    plat::SendMouse(tree, WM_LBUTTONDBLCLK, point, MK_LBUTTON);
    plat::PumpMessages();
}

CommandTarget::CommandTarget(Session& session, HTREEITEM item) : tree_(session.Tree()) {
    if (TreeView_GetSelection(tree_) != item) {
        POINT point{};
        if (PointAtItem(session, item, &point)) ClickTree(session, point, WM_LBUTTONDOWN);
    }
    TreeView_SelectDropTarget(tree_, item);
}

CommandTarget::~CommandTarget() {
    TreeView_SelectDropTarget(tree_, nullptr);
    plat::PumpMessages();
}

HTREEITEM ItemArgument(Session& session, const std::string& command, const std::string& path) {
    HTREEITEM item = path.empty() ? nullptr : FindItemByPath(session, path);
    if (!item) std::fprintf(stderr, "%s: no item %s\n", command.c_str(), path.c_str());
    return item;
}

} // namespace tavrin::host

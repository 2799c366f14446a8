// Test and debugging aids: the link check, the readable dump and the drag gesture helpers.
#include "plat/core.h"
#include "plat/treeview.h"
#include "treeview/tree.h"

#include <set>
#include <sstream>

namespace plat {

namespace {

using detail::tv::Item;
using detail::tv::Tree;

std::string Describe(const Item* item) {
    std::ostringstream out;
    out << "item '" << (item->textCallback ? std::string("<callback>") : item->text) << "'";
    return out.str();
}

// Walks one parent's children, checking their links, and recurses.
std::string CheckChildren(Tree& t, Item* parent, std::set<const Item*>& seen) {
    Item* previous = nullptr;
    for (Item* c = parent->firstChild; c; c = c->next) {
        if (!seen.insert(c).second) return Describe(c) + " is reached twice (a cycle)";
        if (c->dead) return Describe(c) + " is deleted but still linked";
        if (c->parent != parent) return Describe(c) + " has a wrong parent link";
        if (c->prev != previous) return Describe(c) + " has a wrong previous-sibling link";
        auto it = t.items.find(c->handle);
        if (it == t.items.end() || it->second.get() != c) return Describe(c) + " has no live handle";
        std::string problem = CheckChildren(t, c, seen);
        if (!problem.empty()) return problem;
        previous = c;
    }
    if (parent->lastChild != previous) return "the last-child link of " + Describe(parent) + " is wrong";
    return "";
}

std::string CheckPointer(Tree& t, const Item* item, const char* what) {
    if (!item) return "";
    if (item->dead) return std::string(what) + " points at a deleted item";
    auto it = t.items.find(item->handle);
    if (it == t.items.end() || it->second.get() != item) return std::string(what) + " has no live handle";
    return "";
}

std::string CheckRows(Tree& t) {
    detail::tv::EnsureLayout(t);
    // The anchor's index is checked against the laid-out order, laid out in full here.
    const Item* anchor = t.anchor;
    int anchorRow = t.anchorRow;
    if (anchor && !detail::tv::Shown(t, anchor)) return Describe(anchor) + " is the anchor but not shown";
    detail::tv::LayOutAllRows(t);
    std::vector<Item*> expected;
    std::vector<Item*> stack;
    for (Item* c = t.root.lastChild; c; c = c->prev)
        stack.push_back(c);
    while (!stack.empty()) {
        Item* item = stack.back();
        stack.pop_back();
        expected.push_back(item);
        if (item->state & TVIS_EXPANDED)
            for (Item* c = item->lastChild; c; c = c->prev)
                stack.push_back(c);
    }
    if (expected != t.rows) return "the display order does not match the expanded branches";
    if (t.rowCount != static_cast<int>(t.rows.size())) return "the count of rows is wrong";
    if (anchor && anchor->row != anchorRow) return Describe(anchor) + " is the anchor with a wrong index";
    for (size_t i = 0; i < t.rows.size(); ++i)
        if (t.rows[i]->row != static_cast<int>(i)) return Describe(t.rows[i]) + " has a wrong row index";
    for (auto& [handle, item] : t.items) {
        bool shown = detail::tv::InDisplay(t, item.get());
        if (shown != (item->row >= 0))
            return Describe(item.get()) + " has a row index that disagrees with its branch";
        int level = 0;
        for (Item* p = item->parent; p && p != &t.root; p = p->parent)
            ++level;
        if (shown && item->level != level) return Describe(item.get()) + " has a wrong level";
    }
    if (t.firstVisible && t.firstVisible->row < 0) return "the top item is not shown";
    if (!t.rows.empty() && !t.firstVisible) return "there are rows but no top item";
    return "";
}

} // namespace

std::string CheckTreeLinks(HWND hwnd) {
    Tree* t = detail::tv::TreeOf(hwnd);
    if (!t) return "not a tree-view window";
    detail::tv::BusyGuard guard(*t);
    if (t->root.parent || t->root.prev || t->root.next) return "the hidden root has outside links";
    std::set<const Item*> seen;
    std::string problem = CheckChildren(*t, &t->root, seen);
    if (!problem.empty()) return problem;
    if (seen.size() != t->items.size())
        return "the handle table holds items that are not linked into the tree";
    for (auto [item, what] : {std::pair<const Item*, const char*>{t->caret, "the selection"},
                              {t->drop, "the drop target"},
                              {t->insertMark, "the insert mark"},
                              {t->editItem, "the edited item"},
                              {t->firstVisible, "the top item"}}) {
        problem = CheckPointer(*t, item, what);
        if (!problem.empty()) return problem;
    }
    if (t->caret && !(t->caret->state & TVIS_SELECTED)) return "the selected item lacks TVIS_SELECTED";
    if (t->drop && !(t->drop->state & TVIS_DROPHILITED)) return "the drop target lacks TVIS_DROPHILITED";
    return CheckRows(*t);
}

std::string DumpTree(HWND hwnd) {
    Tree* t = detail::tv::TreeOf(hwnd);
    if (!t) return "";
    detail::tv::BusyGuard guard(*t);
    std::ostringstream out;
    std::vector<std::pair<Item*, int>> stack;
    for (Item* c = t->root.lastChild; c; c = c->prev)
        stack.emplace_back(c, 0);
    while (!stack.empty()) {
        auto [item, depth] = stack.back();
        stack.pop_back();
        out << std::string(static_cast<size_t>(depth) * 2, ' ')
            << (item->textCallback ? std::string("<callback>") : item->text);
        std::string flags;
        auto add = [&flags](const char* f) { flags += flags.empty() ? f : std::string(" ") + f; };
        if (detail::tv::ChildrenValue(item) != 0) add("+");
        if (item->state & TVIS_EXPANDED) add("E");
        if (item->state & TVIS_SELECTED) add("S");
        if (item->state & TVIS_DROPHILITED) add("D");
        if (item == t->caret) add("C");
        if (!flags.empty()) out << " [" << flags << "]";
        out << "\n";
        for (Item* c = item->lastChild; c; c = c->prev)
            stack.emplace_back(c, depth + 1);
    }
    return out.str();
}

void PostDragPath(HWND hwnd, POINT from, POINT to, int steps, WPARAM button) {
    if (steps < 1) steps = 1;
    for (int i = 1; i <= steps; ++i) {
        POINT p{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        PostMouse(hwnd, WM_MOUSEMOVE, p, button);
    }
    PostMouse(hwnd, button == MK_RBUTTON ? WM_RBUTTONUP : WM_LBUTTONUP, to, 0);
}

void DragMouse(HWND hwnd, POINT from, POINT to, int steps, WPARAM button) {
    PostDragPath(hwnd, from, to, steps, button);
    SendMouse(hwnd, button == MK_RBUTTON ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, from, button);
    PumpMessages();
}

} // namespace plat

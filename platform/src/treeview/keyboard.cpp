// Keyboard input: TVN_KEYDOWN first, then navigation (selection changes by keyboard), user expand
// and collapse, NM_RETURN, scrolling with Ctrl, and incremental search on typed characters.
#include "treeview/tree.h"

#include <algorithm>
#include <cctype>

namespace plat::detail::tv {

namespace {

constexpr DWORD kSearchPause = 1000; // ms without typing that starts a new search string

Item* RowItem(Tree& t, int row) {
    EnsureLayout(t);
    if (t.rowCount == 0) return nullptr;
    return RowAt(t, std::clamp(row, 0, t.rowCount - 1));
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

void MoveTo(Tree& t, Item* target, Item* previous) {
    if (!target || target == previous || target->dead) return;
    if (SelectCaret(t, target, TVC_BYKEYBOARD) && !t.destroyed && !target->dead) EnsureVisible(t, target);
}

} // namespace

LRESULT OnKeyDown(Tree& t, WPARAM vk) {
    NMTVKEYDOWN kd{};
    kd.wVKey = static_cast<WORD>(vk);
    kd.flags = 0;
    Notify(t, TVN_KEYDOWN, &kd.hdr);
    if (t.destroyed) return 0;

    if (GetKeyState(VK_CONTROL) < 0) { // Ctrl scrolls without selecting
        switch (vk) {
        case VK_UP:
            OnVScroll(t, SB_LINEUP);
            return 0;
        case VK_DOWN:
            OnVScroll(t, SB_LINEDOWN);
            return 0;
        case VK_PRIOR:
            OnVScroll(t, SB_PAGEUP);
            return 0;
        case VK_NEXT:
            OnVScroll(t, SB_PAGEDOWN);
            return 0;
        case VK_HOME:
            OnVScroll(t, SB_TOP);
            return 0;
        case VK_END:
            OnVScroll(t, SB_BOTTOM);
            return 0;
        default:
            break;
        }
    }

    EnsureLayout(t);
    Item* current = t.caret;
    int row = current ? RowIndex(t, current) : -1;
    int page = std::max(1, VisibleCount(t));
    Item* target = nullptr;
    switch (vk) {
    case VK_RETURN:
        NotifySimple(t, NM_RETURN);
        return 0;
    case VK_HOME:
        target = RowItem(t, 0);
        break;
    case VK_END:
        target = RowItem(t, t.rowCount - 1);
        break;
    case VK_UP:
        target = row < 0 ? RowItem(t, 0) : RowItem(t, row - 1);
        break;
    case VK_DOWN:
        target = row < 0 ? RowItem(t, 0) : RowItem(t, row + 1);
        break;
    case VK_PRIOR:
        target = RowItem(t, row < 0 ? 0 : row - page);
        break;
    case VK_NEXT:
        target = RowItem(t, row < 0 ? 0 : row + page);
        break;
    case VK_LEFT:
        if (!current) break;
        if ((current->state & TVIS_EXPANDED) && HasChildren(t, current))
            Collapse(t, current, false, true);
        else if (current->parent != &t.root)
            target = current->parent;
        break;
    case VK_RIGHT:
        if (!current || !HasChildren(t, current)) break;
        if (!(current->state & TVIS_EXPANDED))
            Expand(t, current, true);
        else
            target = current->firstChild;
        break;
    case VK_BACK:
        if (current && current->parent != &t.root) target = current->parent;
        break;
    case VK_ADD:
        if (current) Expand(t, current, true);
        break;
    case VK_SUBTRACT:
        if (current) Collapse(t, current, false, true);
        break;
    case VK_MULTIPLY:
        if (current) ExpandAll(t, current);
        break;
    default:
        break;
    }
    if (!t.destroyed) MoveTo(t, target, current);
    return 0;
}

void OnChar(Tree& t, char ch) {
    if (static_cast<unsigned char>(ch) < 0x20) return;
    DWORD now = GetTickCount();
    if (t.search.empty() || now - t.searchTime > kSearchPause) t.search.clear();
    t.searchTime = now;
    if (t.search.size() < MAX_PATH - 1) t.search.push_back(ch);
    EnsureLayout(t);
    int count = t.rowCount;
    if (count == 0) return;
    int caretRow = t.caret ? RowIndex(t, t.caret) : -1;
    int start = caretRow >= 0 ? caretRow : 0;
    if (t.search.size() == 1 && caretRow >= 0) ++start; // a new search begins below
    std::string wanted = t.search;
    for (int i = 0; i < count; ++i) {
        EnsureLayout(t);
        if (t.rowCount != count) return; // a callback changed the tree
        Item* item = RowAt(t, (start + i) % count);
        if (!item) return;
        std::string text = ItemText(t, item);
        if (t.destroyed || item->dead) return;
        if (StartsWithNoCase(text, wanted)) {
            MoveTo(t, item, t.caret);
            return;
        }
    }
}

} // namespace plat::detail::tv

// Layout, highlighting and painting of a popup menu.
#include "interaction/menu_view.h"

#include <algorithm>
#include <cctype>

namespace plat::detail {

namespace {

constexpr int kPadX = 22;     // left of the text: room for a check mark
constexpr int kPadRight = 18; // right of the text or the accelerator
constexpr int kAcceleratorGap = 24;
constexpr int kSeparatorHeight = 7;
constexpr int kRowPad = 6; // added to the line height

} // namespace

MenuView::MenuView(const std::vector<MenuItemView>& items, POINT at, SIZE screen) : items_(items) {
    int width = 80;
    int height = 2;
    for (size_t i = 0; i < items_.size(); ++i) {
        rowTops_.push_back(height);
        height += RowHeight(static_cast<int>(i));
        if (items_[i].separator) continue;
        MenuText text = SplitMenuText(items_[i].text);
        int w = kPadX + SketchTextWidth(text.label) + kPadRight;
        if (!text.accelerator.empty()) w += kAcceleratorGap + SketchTextWidth(text.accelerator);
        width = std::max(width, w);
    }
    height += 2;
    // Shown below and right of the point, moved left or up where the screen ends.
    LONG left = at.x, top = at.y;
    if (left + width > screen.cx) left = std::max<LONG>(0, screen.cx - width);
    if (top + height > screen.cy) top = std::max<LONG>(0, std::min<LONG>(at.y - height, screen.cy - height));
    bounds_ = RECT{left, top, left + width, top + height};
}

int MenuView::RowHeight(int index) const {
    return items_[static_cast<size_t>(index)].separator ? kSeparatorHeight : SketchLineHeight() + kRowPad;
}

int MenuView::ItemAt(POINT screen) const {
    if (screen.x < bounds_.left || screen.x >= bounds_.right) return -1;
    const int y = screen.y - bounds_.top;
    for (size_t i = 0; i < items_.size(); ++i)
        if (y >= rowTops_[i] && y < rowTops_[i] + RowHeight(static_cast<int>(i))) return static_cast<int>(i);
    return -1;
}

bool MenuView::Choosable(int index) const {
    if (index < 0 || index >= static_cast<int>(items_.size())) return false;
    const MenuItemView& item = items_[static_cast<size_t>(index)];
    return !item.separator && !item.grayed && !item.submenu;
}

void MenuView::MoveHot(int step) {
    const int n = static_cast<int>(items_.size());
    if (n == 0) return;
    int at = hot_ < 0 ? (step > 0 ? -1 : n) : hot_;
    for (int tries = 0; tries < n; ++tries) {
        at = ((at + step) % n + n) % n;
        if (!items_[static_cast<size_t>(at)].separator) {
            hot_ = at;
            return;
        }
    }
}

int MenuView::ItemForMnemonic(char c) const {
    const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < items_.size(); ++i)
        if (Choosable(static_cast<int>(i)) && SplitMenuText(items_[i].text).mnemonic == wanted)
            return static_cast<int>(i);
    return -1;
}

Overlay MenuView::Picture() const {
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    Sketch sketch(width, height);
    sketch.Frame(RECT{0, 0, width, height}, kEdge);
    for (size_t i = 0; i < items_.size(); ++i) {
        const MenuItemView& item = items_[i];
        const int top = rowTops_[i];
        const int rowHeight = RowHeight(static_cast<int>(i));
        if (item.separator) {
            sketch.Fill(RECT{4, top + rowHeight / 2, width - 4, top + rowHeight / 2 + 1}, kEdge);
            continue;
        }
        const bool hot = static_cast<int>(i) == hot_;
        if (hot) sketch.Fill(RECT{2, top, width - 2, top + rowHeight}, kHot);
        const COLORREF ink = item.grayed ? kGrayInk : hot ? kHotInk : kInk;
        const MenuText text = SplitMenuText(item.text);
        const int textTop = top + kRowPad / 2;
        if (item.checked) sketch.Text(POINT{7, textTop}, "*", ink);
        sketch.Text(POINT{kPadX, textTop}, text.label, ink, 0, text.underline);
        if (!text.accelerator.empty())
            sketch.Text(POINT{width - kPadRight - SketchTextWidth(text.accelerator), textTop},
                        text.accelerator, ink);
        if (item.submenu) sketch.Text(POINT{width - 12, textTop}, ">", ink);
    }
    return sketch.Picture(POINT{bounds_.left, bounds_.top}, kFace);
}

} // namespace plat::detail

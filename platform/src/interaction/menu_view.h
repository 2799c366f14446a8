// A popup menu as the interactive interaction shows it: laid out at the point the menu was asked
// for (moved to stay on the screen), with a highlighted row that follows the mouse and the arrow
// keys.
#pragma once

#include "interaction/sketch.h"

#include <vector>

namespace plat::detail {

class MenuView {
  public:
    MenuView(const std::vector<MenuItemView>& items, POINT at, SIZE screen);

    RECT Bounds() const { return bounds_; }
    // The item whose row holds `screen`, or -1.
    int ItemAt(POINT screen) const;
    // An item that can be chosen: not a separator, not grayed, no submenu.
    bool Choosable(int index) const;
    // The highlighted item (-1 for none); moving skips separators and wraps around.
    int Hot() const { return hot_; }
    void SetHot(int index) { hot_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1; }
    void MoveHot(int step);
    // The first choosable item whose mnemonic is `c` (letter case ignored), or -1.
    int ItemForMnemonic(char c) const;
    UINT IdOf(int index) const { return items_[static_cast<size_t>(index)].id; }
    Overlay Picture() const;

  private:
    int RowHeight(int index) const;
    std::vector<MenuItemView> items_;
    std::vector<int> rowTops_; // within the menu
    RECT bounds_{};
    int hot_ = -1;
};

} // namespace plat::detail

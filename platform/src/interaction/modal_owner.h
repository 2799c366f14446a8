// What every modal window of the layer does to its owner: the owner's top-level window is disabled
// while the modal window is up and enabled again afterwards, and the keyboard focus goes back to
// where it was.
#pragma once

#include "win/winuser.h"

namespace plat::detail {

// The top-level window of `hwnd` (itself when it is not a child); null for null or a bad handle.
HWND TopLevelOf(HWND hwnd);

class ModalOwnerScope {
  public:
    explicit ModalOwnerScope(HWND owner);
    ~ModalOwnerScope() { Release(); }
    ModalOwnerScope(const ModalOwnerScope&) = delete;
    ModalOwnerScope& operator=(const ModalOwnerScope&) = delete;

    // The disabled top-level owner (null when there is none).
    HWND Owner() const { return owner_; }
    // Enables the owner again and restores the focus now (EndDialog does it before the dialog goes).
    void Release();

  private:
    HWND owner_ = nullptr;
    HWND focus_ = nullptr;
    bool disabled_ = false;
    bool released_ = false;
};

} // namespace plat::detail

// A person's input from a real window system, and its delivery to the layer's windows as the
// platform's input messages: the same messages tests inject (plat::SendMouse, PostMouse, TypeText),
// so that a host with a real window gets the behaviour the tests check.
//
// The host's top-level window stands at (0, 0) of the layer's screen and fills the real window, so
// the real window's coordinates are the layer's screen coordinates.
#pragma once

#include "win/winuser.h"

#include <optional>
#include <string>

namespace plat {

struct UserInput {
    enum class Kind {
        MouseMove,
        ButtonDown,
        ButtonUp,
        Wheel,
        KeyDown,
        KeyUp,
        Text,
        FocusLost,
        FocusGained,
        Resized, // the real window has its new size already
        Exposed, // the real window must be painted again
        Quit,
    };
    Kind kind = Kind::MouseMove;
    POINT screen{};                      // mouse input: where, in screen coordinates
    int button = 0;                      // 1 left, 2 middle, 3 right
    int clicks = 1;                      // 2 for the second press of a double click
    int wheel = 0;                       // notches, positive away from the user
    int vk = 0;                          // keys: the virtual-key code
    bool shift = false, control = false; // modifier keys held with the input
    std::string text;                    // typed text, already in the active code page
    std::string utf8;                    // the same text as typed (UTF-8), for a host's own fields
    SIZE size{};                         // Resized: the new client size
};

// Turns UserInput into the platform's messages for the windows of one top-level window.
//
// A press is held back until the mouse leaves the drag distance or the button is let go: a window
// that follows a pressed button in a loop of its own (the tree's drag tracking) looks only at the
// mouse messages already queued, so the press is sent with the move (a drag) or the release (a
// click) queued behind it, as a real user's input stands in the queue. The second press of a double
// click becomes the button's double-click message.
class InputRouter {
  public:
    // Delivers `input` to the windows of `top` (a host's main window or a modal dialog): mouse input to
    // the window holding the capture, else to the deepest shown window of `top` under the mouse (none
    // outside it), keys and text to the focus. Resized, Exposed and Quit are the caller's. Returns
    // false when the input reached no window.
    bool Deliver(const UserInput& input, HWND top);

    // A press waits for the mouse to move or the button to be let go.
    bool PressHeld() const { return held_.has_value(); }
    // Forgets a press held back (the real window lost the mouse).
    void Forget() { held_.reset(); }

  private:
    struct Held {
        HWND window;
        POINT screen;
        int button;
        int clicks;
    };
    bool DeliverMouse(const UserInput& input, HWND top);
    void SendHeldPress(UINT queuedBehind, POINT screen);

    std::optional<Held> held_;
    int buttonsDown_ = 0; // MK_LBUTTON | MK_RBUTTON | MK_MBUTTON as held now
    HWND focusBeforeLoss_ = nullptr;
};

// The deepest shown window of `top` (top itself included) whose rectangle holds `screen`; null when
// the point is outside `top`.
HWND WindowAt(HWND top, POINT screen);

// The platform message of a button press (1 left, 2 middle, 3 right; a double click when `clicks` is
// 2 or more), of its release, and its MK_ flag; 0 for another button.
UINT ButtonDownMessage(int button, int clicks);
UINT ButtonUpMessage(int button);
WPARAM ButtonFlag(int button);

} // namespace plat

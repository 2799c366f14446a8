// The interaction for a host with a real window: message boxes, popup menus, the open-file dialog
// and the layer's modal dialogs are drawn over the host's window and answered by the person in front
// of it. Each modal request runs its own loop that waits for the person's input (never spinning) until
// it is answered; the window system is reached through an InteractiveScreen that the host provides.
#pragma once

#include "plat/draw.h"
#include "plat/interaction.h"
#include "plat/user_input.h"

#include <string>
#include <vector>

namespace plat {

// A picture drawn over the host's window at a place of its screen.
struct Overlay {
    Image image;
    POINT at{};
};

// What a modal loop needs of the real window.
class InteractiveScreen {
  public:
    virtual ~InteractiveScreen() = default;
    // Waits for the person's next input, at most `timeoutMs` milliseconds (negative: as long as it
    // takes); false when none came in time. A Resized input has already resized the host's window.
    virtual bool WaitInput(UserInput* input, int timeoutMs) = 0;
    // Shows the host's window painted afresh, with `overlays` over it in order.
    virtual void Show(const std::vector<Overlay>& overlays) = 0;
    // The size of the host's window (its client area) in pixels.
    virtual SIZE Size() const = 0;
    // A Quit came while a modal loop ran: the loop backed out, and the host ends when it is back.
    virtual void QuitRequested() = 0;
};

class InteractiveInteraction : public Interaction {
  public:
    // `screen` outlives the interaction.
    explicit InteractiveInteraction(InteractiveScreen& screen) : screen_(screen) {}

    int MessageBox(const MessageBoxRequest& request) override;
    UINT ChoosePopupMenuItem(const PopupMenuRequest& request) override;
    void RunDialog(HWND dialog) override;
    bool ChooseOpenFiles(const OpenFileRequest& request, OpenFileAnswer* answer) override;
    void LabelEditStarted(HWND edit, const std::string& text) override;

    // The modal pictures shown now (a menu, a box, a dialog), bottom to top: the host's own loop
    // shows them too when it paints while a modal request is up (it does not, normally).
    const std::vector<Overlay>& Shown() const { return shown_; }

  private:
    // Shows the host's window with `top` over the pictures of the requests already up.
    void ShowWith(const Overlay& top);
    bool Wait(UserInput* input, int timeoutMs = -1);

    InteractiveScreen& screen_;
    std::vector<Overlay> shown_;
};

} // namespace plat

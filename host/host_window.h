// The host's main window: a plain top-level window that records, as readable lines, the messages the
// shelf control sends it.
#pragma once

#include "windows.h"

#include <string>
#include <vector>

namespace tavrin::host {

class HostWindow {
  public:
    // Made hidden: a command that shows nothing leaves it so (see ShowsTheShelf), and nothing is drawn.
    bool Create(const char* title, RECT rect);
    // Shows the window and draws it, as a reader's window appears; once.
    void Show();
    HWND Handle() const { return hwnd_; }
    const std::vector<std::string>& Received() const { return received_; }
    void ClearReceived() { received_.clear(); }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnShelfMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::vector<std::string> received_;
};

// Whether a command is run with the window on the screen: all but those that only print what the shelf
// holds or register and remove books. Drawing the shelf loads the drawing library and measures every
// row on the screen, up to a fifth of the run of a command that shows nothing.
bool ShowsTheShelf(const std::string& command);

} // namespace tavrin::host

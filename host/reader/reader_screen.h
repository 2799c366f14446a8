// The real window as the reader sees it: where its input comes from and where its frames go. The
// SDL window is one; tests put a screen of their own in its place.
#pragma once

#include "plat/interactive_interaction.h"

#include <functional>
#include <string>
#include <vector>

namespace tavrin::reader {

struct Drop {
    bool file = false; // a file (its path) or a text
    std::string utf8;  // the path or the text, UTF-8
    POINT at{};        // where it was dropped, in window coordinates
};

class ReaderScreen : public plat::InteractiveScreen {
  public:
    // Paints the host's window afresh (the frame the overlays go on); set by the reader.
    void SetComposer(std::function<plat::Image()> compose) { compose_ = std::move(compose); }
    // Called when the real window has a new size, before the Resized input is handed out.
    void SetResizeHandler(std::function<void(int, int)> resized) { resized_ = std::move(resized); }

    void Show(const std::vector<plat::Overlay>& overlays) override;
    // Puts a whole frame on the real window.
    virtual void Present(const plat::Image& frame) = 0;
    // Files and texts dropped on the window since last asked.
    virtual std::vector<Drop> TakeDrops() = 0;
    // A quit was asked for (the window closed, or a modal loop saw it).
    virtual bool QuitPending() const = 0;

  protected:
    std::function<plat::Image()> compose_;
    std::function<void(int, int)> resized_;
};

// Copies `overlay` onto `frame` at its place, clipped to the frame.
void DrawOverlay(plat::Image& frame, const plat::Overlay& overlay);

} // namespace tavrin::reader

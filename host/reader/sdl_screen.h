// The reader's real window on SDL2: frames are copied onto the window's surface, SDL's events are
// waited for (SDL_WaitEventTimeout: the thread sleeps) and handed on as the platform's user input.
#pragma once

#include "reader_screen.h"

#include <SDL.h>

#include <string>
#include <vector>

namespace tavrin::reader {

class SdlScreen : public ReaderScreen {
  public:
    SdlScreen() = default;
    ~SdlScreen() override;
    SdlScreen(const SdlScreen&) = delete;
    SdlScreen& operator=(const SdlScreen&) = delete;

    // Opens the window; false with SDL's reason.
    bool Open(const char* title, int width, int height, std::string* error);

    bool WaitInput(plat::UserInput* input, int timeoutMs) override;
    void Present(const plat::Image& frame) override;
    SIZE Size() const override;
    void QuitRequested() override { quit_ = true; }
    std::vector<Drop> TakeDrops() override;
    bool QuitPending() const override { return quit_; }

  private:
    SDL_Window* window_ = nullptr;
    std::vector<Drop> drops_;
    bool quit_ = false;
};

} // namespace tavrin::reader

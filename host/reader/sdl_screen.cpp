// The reader's SDL window.
#include "sdl_screen.h"

#include "sdl_input.h"

#include <algorithm>
#include <cstring>

namespace tavrin::reader {

SdlScreen::~SdlScreen() {
    if (window_) SDL_DestroyWindow(window_);
}

bool SdlScreen::Open(const char* title, int width, int height, std::string* error) {
    window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (!window_) {
        *error = SDL_GetError();
        return false;
    }
    SDL_SetWindowMinimumSize(window_, 320, 240);
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    SDL_EventState(SDL_DROPTEXT, SDL_ENABLE);
    SDL_StartTextInput();
    return true;
}

SIZE SdlScreen::Size() const {
    int w = 0, h = 0;
    if (window_) SDL_GetWindowSize(window_, &w, &h);
    return SIZE{w, h};
}

bool SdlScreen::WaitInput(plat::UserInput* input, int timeoutMs) {
    while (true) {
        SDL_Event event;
        const int got = timeoutMs < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeoutMs);
        if (!got) return false;
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) {
            // Kept until the reader's own loop takes them: a drop does not reach a menu or a dialog.
            if (event.drop.file) {
                // The pointer belongs to the drag's source while it lasts: where it is now is the drop.
                int gx = 0, gy = 0, wx = 0, wy = 0;
                SDL_GetGlobalMouseState(&gx, &gy);
                SDL_GetWindowPosition(window_, &wx, &wy);
                drops_.push_back(Drop{event.type == SDL_DROPFILE, event.drop.file, POINT{gx - wx, gy - wy}});
                SDL_free(event.drop.file);
            }
            continue;
        }
        if (!TranslateEvent(event, input)) {
            if (timeoutMs >= 0) return false; // nothing for the caller; it looks again when it wants
            continue;
        }
        if (input->kind == plat::UserInput::Kind::Quit) quit_ = true;
        if (input->kind == plat::UserInput::Kind::Resized && resized_)
            resized_(input->size.cx, input->size.cy);
        return true;
    }
}

void SdlScreen::Present(const plat::Image& frame) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || frame.width == 0) return;
    SDL_LockSurface(surface);
    const int w = std::min(frame.width, surface->w);
    const int h = std::min(frame.height, surface->h);
    // The frame's pixels are 0x00RRGGBB words.
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, frame.xrgb.data(), frame.width * 4,
                      surface->format->format, surface->pixels, surface->pitch);
    SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window_);
}

std::vector<Drop> SdlScreen::TakeDrops() {
    std::vector<Drop> taken;
    taken.swap(drops_);
    return taken;
}

} // namespace tavrin::reader

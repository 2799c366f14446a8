// SDL's events as the platform's user input: window coordinates as screen coordinates, SDL's keys as
// virtual-key codes, typed text converted from UTF-8 to the active code page at the boundary.
#pragma once

#include "plat/user_input.h"

#include <SDL.h>

namespace tavrin::reader {

// The context-menu key.
inline constexpr int kVkApps = 0x5D;

// The virtual-key code of an SDL key, 0 for a key the platform has no code for.
int VirtualKeyOf(SDL_Keycode key);

// The input an SDL event stands for; false for an event that is none (drops are taken apart by the
// screen, as are events of other windows).
bool TranslateEvent(const SDL_Event& event, plat::UserInput* input);

} // namespace tavrin::reader

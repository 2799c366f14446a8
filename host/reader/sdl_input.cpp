// SDL's events as the platform's user input.
#include "sdl_input.h"

#include "terminal_text.h"
#include "plat/resources.h"

namespace tavrin::reader {

using Kind = plat::UserInput::Kind;

int VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_APPLICATION:
        return kVkApps;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_KP_MULTIPLY:
        return VK_MULTIPLY;
    default:
        return 0;
    }
}

bool TranslateEvent(const SDL_Event& event, plat::UserInput* input) {
    plat::UserInput in;
    switch (event.type) {
    case SDL_QUIT:
        in.kind = Kind::Quit;
        break;
    case SDL_MOUSEMOTION:
        in.kind = Kind::MouseMove;
        in.screen = POINT{event.motion.x, event.motion.y};
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        in.kind = event.type == SDL_MOUSEBUTTONDOWN ? Kind::ButtonDown : Kind::ButtonUp;
        in.screen = POINT{event.button.x, event.button.y};
        in.button = event.button.button == SDL_BUTTON_LEFT     ? 1
                    : event.button.button == SDL_BUTTON_MIDDLE ? 2
                    : event.button.button == SDL_BUTTON_RIGHT  ? 3
                                                               : 0;
        if (in.button == 0) return false;
        in.clicks = event.button.clicks;
        break;
    case SDL_MOUSEWHEEL:
        in.kind = Kind::Wheel;
        in.wheel = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        in.screen = POINT{event.wheel.mouseX, event.wheel.mouseY};
        if (in.wheel == 0) return false;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        in.kind = event.type == SDL_KEYDOWN ? Kind::KeyDown : Kind::KeyUp;
        in.vk = VirtualKeyOf(event.key.keysym.sym);
        in.shift = (event.key.keysym.mod & KMOD_SHIFT) != 0;
        in.control = (event.key.keysym.mod & KMOD_CTRL) != 0;
        if (in.vk == 0) return false;
        break;
    case SDL_TEXTINPUT: {
        in.kind = Kind::Text;
        in.utf8 = event.text.text;
        // The platform's windows take characters in the active code page; one it cannot hold is
        // typed into the reader's own fields only.
        if (auto text = host::FromUtf8Exactly(in.utf8, plat::CodePage())) in.text = std::move(*text);
        break;
    }
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
            in.kind = Kind::FocusLost;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            in.kind = Kind::FocusGained;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            in.kind = Kind::Resized;
            in.size = SIZE{event.window.data1, event.window.data2};
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            in.kind = Kind::Exposed;
            break;
        case SDL_WINDOWEVENT_CLOSE:
            in.kind = Kind::Quit;
            break;
        default:
            return false;
        }
        break;
    default:
        return false;
    }
    *input = std::move(in);
    return true;
}

} // namespace tavrin::reader

// SDL's events as the platform's input: buttons and double clicks, the wheel (also when SDL reports it
// flipped), keys as virtual-key codes, typed text converted to the active code page (a character it
// cannot hold is kept only as UTF-8), window events. No display is needed.
#include "sdl_input.h"

#include "plat/resources.h"

#include <gtest/gtest.h>

namespace {

using Kind = plat::UserInput::Kind;
using tavrin::reader::TranslateEvent;

TEST(SdlInput, ButtonsDoubleClicksAndTheWheel) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 12;
    e.button.y = 34;
    e.button.clicks = 2;
    plat::UserInput in;
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.kind, Kind::ButtonDown);
    EXPECT_EQ(in.button, 3);
    EXPECT_EQ(in.clicks, 2);
    EXPECT_EQ(in.screen.x, 12);
    EXPECT_EQ(in.screen.y, 34);
    e.button.button = SDL_BUTTON_X1;
    EXPECT_FALSE(TranslateEvent(e, &in)) << "a side button is no input of the platform";

    SDL_Event w{};
    w.type = SDL_MOUSEWHEEL;
    w.wheel.y = 2;
    w.wheel.mouseX = 5;
    w.wheel.mouseY = 6;
    ASSERT_TRUE(TranslateEvent(w, &in));
    EXPECT_EQ(in.wheel, 2);
    EXPECT_EQ(in.screen.y, 6);
    w.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    ASSERT_TRUE(TranslateEvent(w, &in));
    EXPECT_EQ(in.wheel, -2);
}

TEST(SdlInput, KeysBecomeVirtualKeyCodesWithTheirModifiers) {
    EXPECT_EQ(tavrin::reader::VirtualKeyOf(SDLK_a), 'A');
    EXPECT_EQ(tavrin::reader::VirtualKeyOf(SDLK_7), '7');
    EXPECT_EQ(tavrin::reader::VirtualKeyOf(SDLK_F2), VK_F2);
    EXPECT_EQ(tavrin::reader::VirtualKeyOf(SDLK_KP_ENTER), VK_RETURN);
    EXPECT_EQ(tavrin::reader::VirtualKeyOf(SDLK_PAGEDOWN), VK_NEXT);
    EXPECT_EQ(tavrin::reader::VirtualKeyOf(SDLK_CAPSLOCK), 0);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_DELETE;
    e.key.keysym.mod = KMOD_LSHIFT;
    plat::UserInput in;
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.vk, VK_DELETE);
    EXPECT_TRUE(in.shift);
    EXPECT_FALSE(in.control);
}

TEST(SdlInput, TypedTextCrossesIntoTheActiveCodePage) {
    plat::SetCodePage(1252);
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof e.text.text, "%s", "\xC3\xA9t\xC3\xA9"); // été
    plat::UserInput in;
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.text, "\xE9t\xE9");
    EXPECT_EQ(in.utf8, "\xC3\xA9t\xC3\xA9");
    std::snprintf(e.text.text, sizeof e.text.text, "%s", "\xE6\x98\x8E"); // 明: not in 1252
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.text, "") << "nothing half-converted reaches the shelf";
    EXPECT_EQ(in.utf8, "\xE6\x98\x8E");
    plat::SetCodePage(950);
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.text, "\xA9\xFA"); // Big5
    plat::SetCodePage(1252);
}

TEST(SdlInput, WindowEvents) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    e.window.data1 = 1000;
    e.window.data2 = 700;
    plat::UserInput in;
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.kind, Kind::Resized);
    EXPECT_EQ(in.size.cx, 1000);
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.kind, Kind::Quit);
    e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    ASSERT_TRUE(TranslateEvent(e, &in));
    EXPECT_EQ(in.kind, Kind::FocusLost);
    e.window.event = SDL_WINDOWEVENT_MOVED;
    EXPECT_FALSE(TranslateEvent(e, &in));
}

} // namespace

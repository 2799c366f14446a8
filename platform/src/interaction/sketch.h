// Pictures the interactive interaction draws over the host's window (menus, message boxes, the file
// chooser): recorded as the layer's drawing operations and painted by its renderer, so that they use
// the same font engine as the windows under them.
#pragma once

#include "plat/draw.h"
#include "plat/interactive_interaction.h"

#include <string>

namespace plat::detail {

// The layer's dialog font (the default GUI font), its line height and the width of a text in it.
LOGFONTA SketchFont();
int SketchLineHeight();
int SketchTextWidth(const std::string& text, UINT codePage = 0);

class Sketch {
  public:
    Sketch(int width, int height) : width_(width), height_(height) {}
    void Fill(const RECT& r, COLORREF color);
    void Frame(const RECT& r, COLORREF color);
    // `text` in `codePage` (0: the active code page) with its top-left at `at`, clipped to `clip`
    // (the whole picture when empty); `underline` is the byte offset of a character to underline.
    void Text(POINT at, const std::string& text, COLORREF color, UINT codePage = 0, int underline = -1,
              RECT clip = {});
    Overlay Picture(POINT at, COLORREF background) const;

  private:
    int width_;
    int height_;
    Drawing drawing_;
};

// A menu item's text taken apart: the label without its '&' markers, the byte offset of the
// underlined (mnemonic) character or -1, that character in lower case (0 when none), and the part
// after a tab (the accelerator's name).
struct MenuText {
    std::string label;
    int underline = -1;
    char mnemonic = 0;
    std::string accelerator;
};
MenuText SplitMenuText(const std::string& text);

// Colours of the pictures.
inline constexpr COLORREF kFace = 0xF0F0F0;
inline constexpr COLORREF kEdge = 0x808080;
inline constexpr COLORREF kInk = 0x000000;
inline constexpr COLORREF kGrayInk = 0x8C8C8C;
inline constexpr COLORREF kHot = 0xD77800; // the highlighted row (blue)
inline constexpr COLORREF kHotInk = 0xFFFFFF;
inline constexpr COLORREF kCaption = 0x8B4A1F; // a box's title bar
inline constexpr COLORREF kWindow = 0xFFFFFF;

} // namespace plat::detail

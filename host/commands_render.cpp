// Pictures of the shelf: `render` paints the control at a chosen size, after opening and selecting
// items with the mouse as a user would, and writes it as a PNG file; `style` switches between the
// tree look (lines and expand buttons) and a plain list.
#include "command_line.h"
#include "host_interaction.h"
#include "item_input.h"
#include "session.h"
#include "terminal_text.h"

#include "plat/core.h"
#include "plat/interaction.h"
#include "plat/render.h"
#include "plat/resources.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

constexpr int kDefaultWidth = 320;
constexpr int kDefaultHeight = 480;
constexpr long kMaxSide = 4096;
constexpr UINT kRenameCommand = 40017;

struct RenderOptions {
    std::string file;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    std::vector<std::string> expand; // in the order given
    std::optional<std::string> select;
    std::optional<std::string> edit; // the item whose label editor is open in the picture
    std::string editText;            // what has been typed into it
};

// "WIDTHxHEIGHT", each side a whole number of pixels from 1 to kMaxSide.
bool ParseSize(const std::string& text, int* width, int* height) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    auto w = ParseNumber(text.substr(0, x), 1, kMaxSide);
    auto h = ParseNumber(text.substr(x + 1), 1, kMaxSide);
    if (!w || !h) return false;
    *width = static_cast<int>(*w);
    *height = static_cast<int>(*h);
    return true;
}

std::optional<RenderOptions> ParseRenderOptions(const std::vector<std::string>& words) {
    RenderOptions options;
    std::vector<std::string> operands;
    bool ended = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (ended || word.size() < 2 || word[0] != '-') {
            operands.push_back(word);
        } else if (word == kEndOfOptions) {
            ended = true;
        } else if (word == "--edit") {
            if (i + 2 >= words.size() || words[i + 1].empty() || options.edit) {
                std::fprintf(stderr, "render: --edit needs the path of one item and the text typed into its "
                                     "label editor\n");
                return std::nullopt;
            }
            options.edit = words[++i];
            options.editText = words[++i];
        } else if (word == "--expand" || word == "--select") {
            if (i + 1 >= words.size() || words[i + 1].empty()) {
                std::fprintf(stderr, "render: %s needs the path of an item, as show prints it\n",
                             word.c_str());
                return std::nullopt;
            }
            if (word == "--expand") {
                options.expand.push_back(words[++i]);
            } else if (options.select) {
                std::fprintf(stderr, "render: --select selects one item; it was given twice\n");
                return std::nullopt;
            } else {
                options.select = words[++i];
            }
        } else {
            std::fprintf(stderr, "render: unknown option '%s'\n", word.c_str());
            return std::nullopt;
        }
    }
    if (operands.empty() || operands.size() > 2 || operands[0].empty()) {
        std::fprintf(stderr, "render: give the PNG file to write (and a size WIDTHxHEIGHT as wanted)\n");
        return std::nullopt;
    }
    options.file = operands[0];
    if (operands.size() == 2 && !ParseSize(operands[1], &options.width, &options.height)) {
        std::fprintf(stderr,
                     "render: the size '%s' is not WIDTHxHEIGHT with each side from 1 to %ld pixels\n",
                     operands[1].c_str(), kMaxSide);
        return std::nullopt;
    }
    return options;
}

// Gives the shelf the size: the host window grows to hold it and moves the control to its corner.
void SizeShelf(Session& session, int width, int height) {
    HWND host = session.host.Handle();
    RECT window{}, client{};
    ::GetWindowRect(host, &window);
    ::GetClientRect(host, &client);
    int needWidth = std::max<int>(width, client.right);
    int needHeight = std::max<int>(height, client.bottom);
    if (needWidth != client.right || needHeight != client.bottom)
        ::SetWindowPos(host, nullptr, 0, 0, (window.right - window.left) - client.right + needWidth,
                       (window.bottom - window.top) - client.bottom + needHeight,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::MoveWindow(session.shelf.GetSafeHwnd(), 0, 0, width, height, TRUE);
    plat::PumpMessages();
}

// The point of an item's expand button, in the tree's client coordinates; nothing when it shows none.
std::optional<POINT> ButtonOf(HWND tree, HTREEITEM item, POINT label) {
    for (int x = label.x; x >= 0; --x) {
        TVHITTESTINFO hit{};
        hit.pt = POINT{x, label.y};
        if (TreeView_HitTest(tree, &hit) == item && (hit.flags & TVHT_ONITEMBUTTON)) return hit.pt;
    }
    return std::nullopt;
}

// Opens an item as a user does: a click on its button, or a double click on its label when the tree
// shows no buttons. An item that is open already stays open.
bool ExpandByMouse(Session& session, const std::string& path) {
    HTREEITEM item = ItemArgument(session, "render", path);
    if (!item) return false;
    HWND tree = session.Tree();
    POINT point{};
    if (!PointAtItem(session, item, &point)) {
        std::fprintf(stderr, "render: %s cannot be brought into view\n", path.c_str());
        return false;
    }
    if (TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) return true;
    if (auto button = ButtonOf(tree, item, point))
        ClickTree(session, *button, WM_LBUTTONDOWN);
    else
        DoubleClickTree(session, point);
    if (!(TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) &&
        TreeView_GetChild(tree, item)) {
        std::fprintf(stderr, "render: %s did not open\n", path.c_str());
        return false;
    }
    return true;
}

bool SelectByMouse(Session& session, const std::string& path) {
    HTREEITEM item = ItemArgument(session, "render", path);
    if (!item) return false;
    POINT point{};
    if (!PointAtItem(session, item, &point)) {
        std::fprintf(stderr, "render: %s cannot be brought into view\n", path.c_str());
        return false;
    }
    ClickTree(session, point, WM_LBUTTONDOWN);
    if (TreeView_GetSelection(session.Tree()) != item) {
        std::fprintf(stderr, "render: a click on %s did not select it\n", path.c_str());
        return false;
    }
    return true;
}

// Types into the label editor the shelf opens, leaving it open (no Enter).
class TypingWithoutEnter : public HostInteraction {
  public:
    explicit TypingWithoutEnter(std::string text) : text_(std::move(text)) {}
    HWND edit = nullptr;
    void LabelEditStarted(HWND editWindow, const std::string&) override {
        edit = editWindow;
        plat::TypeText(editWindow, text_);
    }

  private:
    std::string text_;
};

// Opens the item's label editor with the Rename command, as a menu opened on the item sends it, and
// types `text` into it; the editor stays open until EndEdit.
HWND OpenEditor(Session& session, const std::string& path, TypingWithoutEnter& typing) {
    HTREEITEM item = ItemArgument(session, "render", path);
    if (!item) return nullptr;
    {
        CommandTarget target(session, item);
        plat::ScopedInteraction scope(&typing);
        ::SendMessageA(session.shelf.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(kRenameCommand, 0), 0);
        plat::PumpMessages();
    }
    if (!typing.edit || !::IsWindow(typing.edit))
        std::fprintf(stderr, "render: the label of %s cannot be edited\n", path.c_str());
    return typing.edit && ::IsWindow(typing.edit) ? typing.edit : nullptr;
}

int RunRender(Session& session, const std::vector<std::string>& words) {
    auto options = ParseRenderOptions(words);
    if (!options) return 1;
    SizeShelf(session, options->width, options->height);
    for (const std::string& path : options->expand)
        if (!ExpandByMouse(session, path)) return 1;
    if (options->select && !SelectByMouse(session, *options->select)) return 1;
    std::optional<std::string> editText;
    if (options->edit) {
        editText = Typed(options->editText);
        if (!editText) {
            std::fprintf(stderr, "render: \"%s\" cannot be written in the active code page %u\n",
                         options->editText.c_str(), plat::CodePage());
            return 1;
        }
    }
    TypingWithoutEnter typing(editText.value_or(""));
    HWND editor = nullptr;
    if (options->edit && !(editor = OpenEditor(session, *options->edit, typing))) return 1;
    plat::PumpMessages();

    plat::Image picture = plat::RenderWindow(session.shelf.GetSafeHwnd());
    if (editor) {
        // The picture is taken: the edit is cancelled, the label stays as it was.
        plat::PressKey(editor, VK_ESCAPE);
        plat::PumpMessages();
    }
    if (picture.width == 0) {
        std::fprintf(stderr, "render: the shelf is not on the screen; nothing to paint\n");
        return 1;
    }
    std::string error;
    if (!plat::WriteImagePng(picture, options->file.c_str(), &error)) {
        std::fprintf(stderr, "render: cannot write %s: %s\n", options->file.c_str(), error.c_str());
        return 1;
    }
    std::printf("Wrote %s (%dx%d)\n", options->file.c_str(), picture.width, picture.height);
    return 0;
}

int RunStyle(Session& session, const std::vector<std::string>& words) {
    std::vector<std::string> operands = Operands(words);
    if (operands.size() != 1 || (operands[0] != "on" && operands[0] != "off")) {
        std::fprintf(stderr, "style: give on (lines and expand buttons) or off (a plain list)\n");
        return 1;
    }
    const bool on = operands[0] == "on";
    const int changed = session.shelf.ChgStyle(on ? 1 : 0);
    std::printf("Lines and buttons: %s%s\n", on ? "on" : "off", changed ? "" : " (already so)");
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND(
    "render", "FILE.png [WIDTHxHEIGHT] [--expand PATH]... [--select PATH] [--edit PATH TEXT]",
    "paint the shelf at the size (default 320x480) into a PNG file\n"
    "--expand PATH: open the item first with a click on its button (repeatable, in order)\n"
    "--select PATH: then select the item with a click on its label\n"
    "--edit PATH TEXT: then open the item's label editor (the Rename command) and type TEXT;\n"
    "  the picture shows the editor open, and the edit is cancelled afterwards\n"
    "PATH as show prints it: \"Bookshelf / Literature\"",
    RunRender);
TAVRIN_HOST_COMMAND("style", "on|off", "the tree look with lines and expand buttons, or a plain list",
                    RunStyle);

} // namespace tavrin::host

// Commands that work the shelf with the mouse as a user does: a left click on an item, the context
// menu of a right click (shown, or one of its entries chosen), and a command sent to the control as a
// host's own menu or accelerator sends it.
#include "command_line.h"
#include "host_interaction.h"
#include "item_input.h"
#include "print.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "plat/core.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

// Answers the context menu the right click opens: remembers it and picks what `choose` says (0:
// dismissed). Message boxes the chosen command shows are printed and take their default button.
class MenuAnswer : public HostInteraction {
  public:
    using Choice = UINT (*)(const plat::PopupMenuRequest& menu, const std::string& wanted,
                            std::string* refusal);

    MenuAnswer(Choice choose, std::string wanted) : choose_(choose), wanted_(std::move(wanted)) {}

    UINT ChoosePopupMenuItem(const plat::PopupMenuRequest& request) override {
        menus_.push_back(request);
        return choose_ ? choose_(request, wanted_, &refusal_) : 0;
    }
    const std::vector<plat::PopupMenuRequest>& Menus() const { return menus_; }
    const std::string& Refusal() const { return refusal_; }

  private:
    Choice choose_;
    std::string wanted_;
    std::string refusal_;
    std::vector<plat::PopupMenuRequest> menus_;
};

// A menu entry's text without the '&' marks; and without a trailing "(&X)" mnemonic as well.
std::string WithoutMarks(const std::string& text) {
    std::string plain;
    for (char c : text)
        if (c != '&') plain += c;
    return plain;
}
std::string WithoutMnemonic(const std::string& text) {
    size_t open = text.rfind("(&");
    if (open != std::string::npos && open + 4 == text.size() && text.back() == ')')
        return text.substr(0, open);
    return WithoutMarks(text);
}

void PrintMenu(const plat::PopupMenuRequest& menu) {
    for (const plat::MenuItemView& entry : menu.items) {
        if (entry.separator) {
            std::printf("  ----\n");
            continue;
        }
        std::printf("  %5u  %-8s  %s\n", entry.id, entry.grayed ? "disabled" : "enabled",
                    Shown(entry.text).c_str());
    }
}

// The entry of `menu` that `wanted` names: its id, or its text (as the terminal shows it) without the
// '&' marks or without its "(&X)" mnemonic, letter case ignored. Disabled entries are not chosen.
UINT ChooseEntry(const plat::PopupMenuRequest& menu, const std::string& wanted, std::string* refusal) {
    std::optional<long> id = ParseNumber(wanted, 1, 0xFFFFFFFFL);
    for (const plat::MenuItemView& entry : menu.items) {
        if (entry.separator) continue;
        const std::string shown = Shown(entry.text);
        bool named =
            id ? entry.id == static_cast<UINT>(*id)
               : EqualNoCase(WithoutMarks(shown), wanted) || EqualNoCase(WithoutMnemonic(shown), wanted);
        if (!named) continue;
        if (entry.grayed) {
            *refusal = "\"" + WithoutMnemonic(shown) + "\" (" + std::to_string(entry.id) + ") is disabled";
            return 0;
        }
        return entry.id;
    }
    *refusal = "the menu has no entry \"" + wanted + "\"";
    return 0;
}

// Right-clicks the item at `path` with `answer` answering the menu; false (with the reason on stderr)
// when there is no such item or it cannot be pointed at.
bool RightClick(Session& session, const char* command, const std::string& path, MenuAnswer& answer) {
    HTREEITEM item = ItemArgument(session, command, path);
    if (!item) return false;
    POINT point{};
    if (!PointAtItem(session, item, &point)) {
        std::fprintf(stderr, "%s: %s cannot be brought into view\n", command, path.c_str());
        return false;
    }
    plat::ScopedInteraction answering(&answer);
    ClickTree(session, point, WM_RBUTTONDOWN);
    return true;
}

int RunClick(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 1) {
        std::fprintf(stderr, "click: give the path of an item, as `show` prints it\n");
        return 2;
    }
    HTREEITEM item = ItemArgument(session, "click", args[0]);
    if (!item) return 1;
    POINT point{};
    if (!PointAtItem(session, item, &point)) {
        std::fprintf(stderr, "click: %s cannot be brought into view\n", args[0].c_str());
        return 1;
    }
    plat::PumpMessages();
    session.host.ClearReceived();
    ClickTree(session, point, WM_LBUTTONDOWN);
    std::printf("Click on %s:\n", args[0].c_str());
    PrintReceived(session);
    PrintSelection(session);
    return 0;
}

int RunRightClick(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 1) {
        std::fprintf(stderr, "rightclick: give the path of an item, as `show` prints it\n");
        return 2;
    }
    MenuAnswer answer(nullptr, std::string());
    if (!RightClick(session, "rightclick", args[0], answer)) return 1;
    if (answer.Menus().empty()) {
        std::fprintf(stderr, "rightclick: the shelf showed no menu for %s\n", args[0].c_str());
        return 1;
    }
    std::printf("Menu of %s:\n", args[0].c_str());
    PrintMenu(answer.Menus().front());
    return 0;
}

int RunMenu(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 2) {
        std::fprintf(stderr, "menu: give the path of an item and a menu entry (its text or id)\n");
        return 2;
    }
    plat::PumpMessages();
    session.host.ClearReceived();
    MenuAnswer answer(&ChooseEntry, args[1]);
    if (!RightClick(session, "menu", args[0], answer)) return 1;
    if (answer.Menus().empty()) {
        std::fprintf(stderr, "menu: the shelf showed no menu for %s\n", args[0].c_str());
        return 1;
    }
    if (!answer.Refusal().empty()) {
        std::fprintf(stderr, "menu: %s for %s\n", answer.Refusal().c_str(), args[0].c_str());
        return 1;
    }
    std::printf("Menu of %s, chose %s:\n", args[0].c_str(), args[1].c_str());
    PrintReceived(session);
    HTREEITEM still = FindItemByPath(session, args[0]);
    std::printf("%s: %s\n", args[0].c_str(), still ? "on the shelf" : "no longer on the shelf");
    PrintSelection(session);
    return 0;
}

int RunCommand(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    std::optional<long> id = args.size() == 1 ? ParseNumber(args[0], 0, 0xFFFFFFFFL) : std::nullopt;
    if (!id) {
        std::fprintf(stderr, "command: give a command id (40015 to 40021 are the shelf's)\n");
        return 2;
    }
    plat::PumpMessages();
    session.host.ClearReceived();
    LRESULT result = ::SendMessageA(session.shelf.GetSafeHwnd(), WM_COMMAND, static_cast<WPARAM>(*id), 0);
    std::printf("WM_COMMAND %ld = %ld\n", *id, static_cast<long>(result));
    PrintReceived(session);
    PrintSelection(session);
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("click", "PATH",
                    "left-click an item (its path as `show` prints it); print the messages and the selection",
                    RunClick);
TAVRIN_HOST_COMMAND("rightclick", "PATH",
                    "right-click an item and print the context menu the shelf shows (then dismissed)",
                    RunRightClick);
TAVRIN_HOST_COMMAND(
    "menu", "PATH ENTRY",
    "right-click an item and choose a menu entry by its text (\"Delete\") or id; print what the shelf sent",
    RunMenu);
TAVRIN_HOST_COMMAND("command", "ID", "send the control WM_COMMAND ID, as a host's menu or accelerator does",
                    RunCommand);

} // namespace tavrin::host

// The droptext command: text dragged from another program and dropped on a shelf item. The drag goes
// through the platform's drag-and-drop as another program's would: it enters the tree at its left
// edge, moves over the item's label and is released there. The shelf hands a text dropped on a book
// or dictionary to the host with WM_SHELF_DROPTEXT.
#include "command_line.h"
#include "item_input.h"
#include "print.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "plat/core.h"
#include "plat/drop.h"
#include "plat/resources.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

constexpr int kDragSteps = 4; // moves from the tree's edge to the label

bool IsDropText(const std::string& line) {
    return line.rfind("WM_SHELF_DROPTEXT ", 0) == 0;
}

// Why the shelf handed the host nothing for a drop on an item (`isBook`: a book or dictionary).
std::string NothingDelivered(HWND tree, bool isBook, const std::string& path) {
    if (!plat::DropTargetOf(tree)) return "the shelf takes no drops (its drop target is not registered)";
    if (!isBook) return path + " is not a book or dictionary";
    return "the shelf delivered no text for " + path;
}

// Drags `text` from the tree's left edge to `label` (tree client coordinates) and drops it there.
void DragAndDrop(HWND tree, POINT label, const std::string& text) {
    POINT from{0, label.y};
    for (int step = 0; step <= kDragSteps; ++step) {
        POINT at{from.x + (label.x - from.x) * step / kDragSteps, label.y};
        ::ClientToScreen(tree, &at);
        plat::DragTextOver(tree, at, text);
        plat::PumpMessages();
    }
    POINT drop = label;
    ::ClientToScreen(tree, &drop);
    plat::DropText(tree, drop, text);
    plat::PumpMessages();
}

int RunDropText(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 2) {
        std::fprintf(stderr, "droptext: give the path of an item, as `show` prints it, and a text\n");
        return 2;
    }
    const std::string& path = args[0];
    auto text = Typed(args[1]);
    if (!text) {
        std::fprintf(stderr, "droptext: \"%s\" cannot be written in the active code page %u\n",
                     args[1].c_str(), plat::CodePage());
        return 1;
    }
    HTREEITEM item = ItemArgument(session, "droptext", path);
    if (!item) return 1;
    POINT label{};
    if (!PointAtItem(session, item, &label)) {
        std::fprintf(stderr, "droptext: %s cannot be brought into view\n", path.c_str());
        return 1;
    }
    HWND tree = session.Tree();
    const ShelfItemInfo info = InfoOf(session.shelf, item);
    const bool isBook = info.hItem && IsBookKind(info.dwKind);
    plat::PumpMessages();
    session.host.ClearReceived();

    DragAndDrop(tree, label, *text);

    std::printf("Drop \"%s\" on %s:\n", args[1].c_str(), path.c_str());
    bool delivered = false;
    for (const std::string& line : PrintReceived(session))
        delivered = delivered || IsDropText(line);
    PrintSelection(session);
    if (!delivered) {
        std::fprintf(stderr, "droptext: %s\n", NothingDelivered(tree, isBook, path).c_str());
        return 1;
    }
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("droptext", "PATH TEXT",
                    "drag TEXT from another program onto an item and drop it; print what the shelf sent\n"
                    "and the selection (the shelf passes text on only for books and dictionaries)",
                    RunDropText);

} // namespace tavrin::host

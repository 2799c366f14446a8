// The window's map for scripts that drive it (TAVRIN_READER_LAYOUT=FILE): after every frame, where
// the pane's buttons and fields are, the label editor when one is open, each shelf item with its label's
// place (or "-" when it is out of view) and state, the pane's title and progress, and the modal pictures up.
// Coordinates are the window's. The file is replaced whole, so that a reader of it never sees half of one.
#include "reader_app.h"

#include "shelf_items.h"

#include "commctrl.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tavrin::reader {

namespace {

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

} // namespace

void ReaderApp::WriteLayout() {
    if (options_.layoutPath.empty()) return;
    const HWND tree = Tree();
    std::string text;
    const SIZE size = screen_.Size();
    text += "window " + std::to_string(size.cx) + " " + std::to_string(size.cy) + "\n";
    for (size_t i = 0; i < ReadingPane::Tools().size(); ++i)
        text += "tool " + std::to_string(i) + " " + Rect(pane_.ToolRect(i)) + " " + ReadingPane::Tools()[i] +
                "\n";
    text += "field " + Rect(pane_.FieldRect()) + "\n";
    text += "button " + Rect(pane_.ButtonRect()) + "\n";
    text += "hits " + Rect(pane_.HitsRect()) + " " + std::to_string(pane_.Hits().size()) + "\n";
    text += "text " + Rect(pane_.TextRect()) + "\n";
    text += "title " + pane_.Title() + "\n";
    text += "progress " + pane_.Progress() + "\n";
    for (const plat::Overlay& o : interaction_.Shown())
        text += "modal " + Rect(RECT{o.at.x, o.at.y, o.at.x + o.image.width, o.at.y + o.image.height}) + "\n";
    if (HWND edit = TreeView_GetEditControl(tree)) {
        RECT r{};
        ::GetWindowRect(edit, &r);
        text += "editing " + Rect(r) + "\n";
    }
    RECT client{};
    ::GetClientRect(tree, &client);
    const HTREEITEM selected = TreeView_GetSelection(tree);
    host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        RECT label{};
        std::string place = "- - - -";
        if (TreeView_GetItemRect(tree, item, &label, TRUE) && label.top >= 0 &&
            label.bottom <= client.bottom) {
            POINT tl{label.left, label.top}, br{label.right, label.bottom};
            ::ClientToScreen(tree, &tl);
            ::ClientToScreen(tree, &br);
            place = Rect(RECT{tl.x, tl.y, br.x, br.y});
        }
        const UINT state = TreeView_GetItemState(tree, item, TVIS_EXPANDED);
        text += "item " + place + " " + (item == selected ? "selected" : "-") + " " +
                ((state & TVIS_EXPANDED) ? "open" : "-") + " " + PathUtf8(*shelf_, tree, item) + "\n";
    });
    const std::filesystem::path temporary = options_.layoutPath.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) {
            std::fprintf(stderr, "tavrin-reader: cannot write the layout to %s\n", temporary.c_str());
            return;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, options_.layoutPath, ec);
    if (ec)
        std::fprintf(stderr, "tavrin-reader: cannot write the layout to %s: %s\n",
                     options_.layoutPath.c_str(), ec.message().c_str());
}

} // namespace tavrin::reader

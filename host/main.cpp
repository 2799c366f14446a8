// Reference host: a reader's main window with a shelf tree in it, driven from the command line.
// This first version makes the window tree, shows a tree-view with a few items, expands and selects
// one as a user would, prints the windows, the tree and every notification the host window received.
#include "host_window.h"
#include "print.h"

#include "commctrl.h"
#include "plat/core.h"
#include "plat/treeview.h"
#include "windows.h"

#include <cstdio>
#include <cstring>

namespace {

HTREEITEM Insert(HWND tree, HTREEITEM parent, const char* text, bool children) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | (children ? TVIF_CHILDREN : 0);
    ins.item.pszText = const_cast<char*>(text);
    ins.item.cChildren = children ? 1 : 0;
    return TreeView_InsertItem(tree, &ins);
}

void Usage() {
    std::puts("usage: tavrin-host [--help]\n"
              "Shows the host window with its shelf tree and the notifications it received.");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage();
            return 0;
        }
        std::fprintf(stderr, "tavrin-host: unknown argument '%s'\n", argv[i]);
        Usage();
        return 2;
    }

    tavrin::host::HostWindow host;
    if (!host.Create("Tavrin reader", RECT{0, 0, 640, 480})) {
        std::fprintf(stderr, "tavrin-host: cannot create the host window\n");
        return 1;
    }
    InitCommonControls();
    HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                WS_CHILD | WS_VISIBLE | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 0, 240,
                                440, host.Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1000)), 0,
                                nullptr);
    HTREEITEM root = Insert(tree, TVI_ROOT, "Bookshelf", true);
    HTREEITEM dicts = Insert(tree, root, "Dictionaries", true);
    Insert(tree, dicts, "Sample dictionary", false);
    Insert(tree, root, "Unclassified", false);
    TreeView_Expand(tree, root, TVE_EXPAND);
    TreeView_SelectItem(tree, dicts);
    plat::PumpMessages();

    tavrin::host::PrintWindows(host.Handle());
    std::printf("\nShelf tree:\n%s", plat::DumpTree(tree).c_str());
    std::printf("\nMessages received by the host window:\n");
    for (const std::string& line : host.Received()) std::printf("  %s\n", line.c_str());
    DestroyWindow(host.Handle());
    return 0;
}

#include "print.h"

#include "shelf_items.h"
#include "terminal_text.h"

#include "commctrl.h"
#include "plat/core.h"

#include <cstdio>
#include <string>

namespace tavrin::host {

namespace {

const char* KindName(DWORD kind) {
    switch (kind) {
    case SHELF_ITEM_ROOT:
        return "root";
    case SHELF_ITEM_DICTIONARY:
        return "dictionary";
    case SHELF_ITEM_BOOK:
        return "book";
    case SHELF_ITEM_CHAPTER:
        return "chapter";
    case SHELF_ITEM_PAGE:
        return "page";
    case SHELF_ITEM_CATALOG:
        return "catalog";
    default:
        return "?";
    }
}

// A colour as #RRGGBB.
std::string Colour(COLORREF c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

void PrintItems(CTavrinCtrl& shelf, HWND tree, HTREEITEM item, int depth) {
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        TVITEMA tv{};
        tv.mask = TVIF_IMAGE;
        tv.hItem = item;
        TreeView_GetItem(tree, &tv);
        const ShelfItemInfo info = InfoOf(shelf, item);
        const bool known = info.hItem != nullptr;
        const UINT codePage = ItemCodePage(shelf, tree, item);
        std::string key = FieldText(info.szCataKey);
        if (info.szKey[0]) key = FieldText(info.szKey);
        std::string colours;
        if (known && info.crText != SHELF_DEFAULT_COLOR) colours += " text " + Colour(info.crText);
        if (known && info.crBack != SHELF_DEFAULT_COLOR) colours += " back " + Colour(info.crBack);
        std::printf("%*s%s  [%s flags %#x%s%s image %d%s]\n", depth * 2, "",
                    Shown(ItemText(tree, item), codePage).c_str(), known ? KindName(info.dwKind) : "no node",
                    known ? static_cast<unsigned>(info.dwFlags) : 0u, key.empty() ? "" : " key ",
                    Shown(key, codePage).c_str(), tv.iImage, colours.c_str());
        PrintItems(shelf, tree, TreeView_GetChild(tree, item), depth + 1);
    }
}

} // namespace

void PrintWindows(HWND hwnd, int depth) {
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    RECT rc{}, client{};
    GetWindowRect(hwnd, &rc);
    GetClientRect(hwnd, &client);
    std::printf("%*s%s id=%d at (%d,%d)-(%d,%d) client %dx%d%s\n", depth * 2, "", cls, GetDlgCtrlID(hwnd),
                static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right),
                static_cast<int>(rc.bottom), static_cast<int>(client.right), static_cast<int>(client.bottom),
                IsWindowVisible(hwnd) ? "" : " hidden");
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PrintWindows(child, depth + 1);
}

void PrintShelf(CTavrinCtrl& shelf, HWND tree) {
    if (!tree) {
        std::printf("  (no shelf tree)\n");
        return;
    }
    HTREEITEM root = TreeView_GetRoot(tree);
    if (!root) std::printf("  (empty)\n");
    PrintItems(shelf, tree, root, 1);
}

std::vector<std::string> PrintReceived(Session& session) {
    plat::PumpMessages();
    std::vector<std::string> received = session.host.Received();
    if (received.empty()) std::printf("  (no message from the shelf)\n");
    for (const std::string& line : received)
        std::printf("  %s\n", line.c_str());
    session.host.ClearReceived();
    return received;
}

void PrintSelection(Session& session) {
    HWND tree = session.Tree();
    HTREEITEM selected = TreeView_GetSelection(tree);
    std::printf("Selected: %s\n", selected ? ItemPath(session.shelf, tree, selected).c_str() : "(nothing)");
}

} // namespace tavrin::host

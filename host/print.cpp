#include "print.h"

#include "shelf_items.h"
#include "terminal_text.h"

#include "commctrl.h"
#include "plat/core.h"
#include "shelf/records.h"

#include <cstdio>
#include <string>

namespace tavrin::host {

namespace {

const char* KindName(DWORD kind) {
    switch (kind) {
    case NODE_ROOT:
        return "root";
    case NODE_DICT:
        return "dictionary";
    case NODE_BOOK:
        return "book";
    case NODE_CHAPTER:
        return "chapter";
    case NODE_PAGE:
        return "page";
    case NODE_CATALOG:
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
        const TreeNode* node = NodeOf(tree, item);
        const UINT codePage = ItemCodePage(shelf, tree, item);
        std::string key;
        if (const CatalogRecord* cata = CatalogOf(node)) key = FieldText(cata->szCataKey);
        if (node && node->szKey[0]) key = FieldText(node->szKey);
        std::string colours;
        if (node && node->crText != 0xFFFFFFFF) colours += " text " + Colour(node->crText);
        if (node && node->crBack != 0xFFFFFFFF) colours += " back " + Colour(node->crBack);
        std::printf("%*s%s  [%s flags %#x%s%s image %d%s]\n", depth * 2, "",
                    Shown(ItemText(tree, item), codePage).c_str(), node ? KindName(node->nKind) : "no node",
                    node ? static_cast<unsigned>(node->dwFlags) : 0u, key.empty() ? "" : " key ",
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

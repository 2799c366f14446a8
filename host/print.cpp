#include "print.h"

#include "commctrl.h"
#include "plat/resources.h"
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

void PrintItems(HWND tree, HTREEITEM item, int depth) {
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        char text[260] = "";
        TVITEMA tv{};
        tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        TreeView_GetItem(tree, &tv);
        const auto* node = reinterpret_cast<const TreeNode*>(tv.lParam);
        std::string key;
        if (const CatalogRecord* cata = CatalogOf(node)) key = cata->szCataKey;
        if (node && node->szKey[0]) key = node->szKey;
        std::string colours;
        if (node && node->crText != 0xFFFFFFFF) colours += " text " + Colour(node->crText);
        if (node && node->crBack != 0xFFFFFFFF) colours += " back " + Colour(node->crBack);
        std::printf("%*s%s  [%s flags %#x%s%s image %d%s]\n", depth * 2, "", plat::ToUtf8(text).c_str(),
                    node ? KindName(node->nKind) : "no node",
                    node ? static_cast<unsigned>(node->dwFlags) : 0u, key.empty() ? "" : " key ",
                    plat::ToUtf8(key).c_str(), tv.iImage, colours.c_str());
        PrintItems(tree, TreeView_GetChild(tree, item), depth + 1);
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

void PrintShelf(HWND tree) {
    if (!tree) {
        std::printf("  (no shelf tree)\n");
        return;
    }
    HTREEITEM root = TreeView_GetRoot(tree);
    if (!root) std::printf("  (empty)\n");
    PrintItems(tree, root, 1);
}

} // namespace tavrin::host

// Shared fixture of the tree-view tests: a parent window that records every notification the tree
// sends (copied at the time, with the caret as it stood then) and answers through a per-test hook.
#pragma once

#include "plat/core.h"
#include "plat/treeview.h"
#include "support/test_window.h"
#include "win/treeview.h"
#include "win/wingdi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace treetest {

struct Note {
    UINT code = 0;
    std::string name;
    UINT action = 0;
    HTREEITEM oldItem = nullptr;
    HTREEITEM newItem = nullptr;
    UINT newMask = 0;
    POINT pt{};
    HTREEITEM caret = nullptr; // TVGN_CARET while the notification was handled
    bool hasText = false;      // label-edit notifications: pszText was not NULL
    std::string text;
    int cchTextMax = 0;
    // custom draw
    DWORD stage = 0;
    DWORD_PTR itemSpec = 0;
    UINT itemState = 0;
    LPARAM itemParam = 0;
    COLORREF clrText = 0;
    COLORREF clrTextBk = 0;
    int level = 0;
    RECT rc{};
    WORD vkey = 0;
    LPARAM contextPos = 0; // WM_CONTEXTMENU lParam (screen coordinates)
};

inline std::string CodeName(UINT code) {
    switch (code) {
    case TVN_SELCHANGINGA:
        return "SELCHANGING";
    case TVN_SELCHANGEDA:
        return "SELCHANGED";
    case TVN_GETDISPINFOA:
        return "GETDISPINFO";
    case TVN_ITEMEXPANDINGA:
        return "EXPANDING";
    case TVN_ITEMEXPANDEDA:
        return "EXPANDED";
    case TVN_BEGINDRAGA:
        return "BEGINDRAG";
    case TVN_BEGINRDRAGA:
        return "BEGINRDRAG";
    case TVN_DELETEITEMA:
        return "DELETE";
    case TVN_BEGINLABELEDITA:
        return "BEGINEDIT";
    case TVN_ENDLABELEDITA:
        return "ENDEDIT";
    case TVN_KEYDOWN:
        return "KEYDOWN";
    case NM_CLICK:
        return "CLICK";
    case NM_DBLCLK:
        return "DBLCLK";
    case NM_RCLICK:
        return "RCLICK";
    case NM_RETURN:
        return "RETURN";
    case NM_CUSTOMDRAW:
        return "CUSTOMDRAW";
    case NM_SETFOCUS:
        return "SETFOCUS";
    case NM_KILLFOCUS:
        return "KILLFOCUS";
    default:
        return "code" + std::to_string(static_cast<int>(code));
    }
}

class TreeTest : public testwin::WindowTest {
  protected:
    HWND parent = nullptr;
    HWND tree = nullptr;
    std::vector<Note> notes;
    // Answers a notification (the default answers 0). Called after the note is recorded.
    std::function<LRESULT(NMHDR*)> answer;
    bool recordContextMenu = true;

    void SetUp() override {
        testwin::WindowTest::SetUp();
        plat::RegisterControlClasses();
        parent = testwin::MakeTop(100, 50, 400, 300);
        testwin::CurrentHook() = [this](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT* r) {
            if (h != parent) return false;
            if (m == WM_NOTIFY) {
                auto* hdr = reinterpret_cast<NMHDR*>(l);
                if (hdr->hwndFrom != tree) return false;
                Record(hdr);
                *r = answer ? answer(hdr) : 0;
                return true;
            }
            if (m == WM_CONTEXTMENU && recordContextMenu) {
                Note n;
                n.name = "CONTEXTMENU";
                n.contextPos = l;
                n.caret = tree ? TreeView_GetSelection(tree) : nullptr;
                notes.push_back(n);
                *r = 0;
                return true;
            }
            return false;
        };
    }

    void TearDown() override {
        answer = nullptr;
        testwin::WindowTest::TearDown();
    }

    // A new tree in place of the test's tree (which is destroyed, if it is still there).
    HWND MakeTree(DWORD style = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, int w = 200, int h = 160) {
        if (tree) DestroyWindow(tree);
        tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | style, 0, 0, w, h, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1000)), 0, nullptr);
        notes.clear();
        return tree;
    }

    // Inserts an item; `children` < -1 means "no TVIF_CHILDREN".
    HTREEITEM Insert(HTREEITEM under, const char* text, HTREEITEM after = TVI_LAST, int children = -2,
                     LPARAM param = 0) {
        TVINSERTSTRUCTA ins{};
        ins.hParent = under;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM;
        ins.item.pszText = const_cast<LPSTR>(text);
        ins.item.lParam = param;
        if (children >= -1) {
            ins.item.mask |= TVIF_CHILDREN;
            ins.item.cChildren = children;
        }
        return TreeView_InsertItem(tree, &ins);
    }

    std::string Text(HTREEITEM item) {
        char buf[300] = {0};
        TVITEMA it{};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buf;
        it.cchTextMax = sizeof buf;
        TreeView_GetItem(tree, &it);
        return buf;
    }

    UINT State(HTREEITEM item) { return TreeView_GetItemState(tree, item, 0xFFFFFFFF); }

    // The item's children flag as TVM_GETITEM reads it.
    int Children(HTREEITEM item) {
        TVITEMA it{};
        it.mask = TVIF_CHILDREN;
        it.hItem = item;
        TreeView_GetItem(tree, &it);
        return it.cChildren;
    }

    // Names of the notifications since the last Clear, without drawing, focus and display queries.
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const Note& n : notes)
            if (n.name != "CUSTOMDRAW" && n.name != "SETFOCUS" && n.name != "KILLFOCUS" &&
                n.name != "GETDISPINFO")
                out.push_back(n.name);
        return out;
    }

    std::vector<const Note*> Of(const std::string& name) const {
        std::vector<const Note*> out;
        for (const Note& n : notes)
            if (n.name == name) out.push_back(&n);
        return out;
    }

    RECT ItemRect(HTREEITEM item, bool textOnly) {
        RECT rc{};
        EXPECT_TRUE(TreeView_GetItemRect(tree, item, &rc, textOnly ? TRUE : FALSE));
        return rc;
    }

    // The centre of the item's label.
    POINT LabelPoint(HTREEITEM item) {
        RECT rc = ItemRect(item, true);
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    void ExpectLinksOk() { EXPECT_EQ(plat::CheckTreeLinks(tree), ""); }

  private:
    void Record(NMHDR* hdr) {
        Note n;
        n.code = hdr->code;
        n.name = CodeName(hdr->code);
        n.caret = TreeView_GetSelection(tree);
        switch (hdr->code) {
        case TVN_SELCHANGINGA:
        case TVN_SELCHANGEDA:
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDEDA:
        case TVN_BEGINDRAGA:
        case TVN_BEGINRDRAGA:
        case TVN_DELETEITEMA: {
            auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
            n.action = nm->action;
            n.oldItem = nm->itemOld.hItem;
            n.newItem = nm->itemNew.hItem;
            n.newMask = nm->itemNew.mask;
            n.pt = nm->ptDrag;
            break;
        }
        case TVN_BEGINLABELEDITA:
        case TVN_ENDLABELEDITA:
        case TVN_GETDISPINFOA: {
            auto* di = reinterpret_cast<NMTVDISPINFOA*>(hdr);
            n.newItem = di->item.hItem;
            n.newMask = di->item.mask;
            n.hasText = di->item.pszText != nullptr && di->item.pszText != LPSTR_TEXTCALLBACKA;
            if (n.hasText && hdr->code != TVN_GETDISPINFOA) n.text = di->item.pszText;
            n.cchTextMax = di->item.cchTextMax;
            break;
        }
        case NM_CUSTOMDRAW: {
            auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
            n.stage = cd->nmcd.dwDrawStage;
            n.itemSpec = cd->nmcd.dwItemSpec;
            n.itemState = cd->nmcd.uItemState;
            n.itemParam = cd->nmcd.lItemlParam;
            n.clrText = cd->clrText;
            n.clrTextBk = cd->clrTextBk;
            n.level = cd->iLevel;
            n.rc = cd->nmcd.rc;
            break;
        }
        case TVN_KEYDOWN:
            n.vkey = reinterpret_cast<NMTVKEYDOWN*>(hdr)->wVKey;
            break;
        default:
            break;
        }
        notes.push_back(n);
    }
};

} // namespace treetest

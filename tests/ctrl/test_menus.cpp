// The shelf's context menus and commands: which entries are enabled for which item, the control's own
// popup rebuilt for the selection, the tree's menu on a right-button press for the item pressed (and
// the command chosen from it acting on that item), and the commands the control hands on.
#include "test_contents_world.h"

#include "resources/resource_ids.h"
#include "ui/shelf_menu.h"

using namespace regbooks;
using namespace tavrin;

namespace {

// The control with its own popup menu open to tests.
class MenuCtrl : public RegCtrl {
  public:
    HMENU OwnPopup() const { return m_popupMenu.m_hMenu; }
};

// One entry as a menu holds it.
struct MenuEntry {
    UINT id;
    std::string text;
    bool separator;
    bool grayed;
    bool operator==(const MenuEntry&) const = default;
};
std::ostream& operator<<(std::ostream& out, const MenuEntry& e) {
    return out << (e.separator ? "----" : e.text + " " + std::to_string(e.id) + (e.grayed ? " grayed" : ""));
}

std::vector<MenuEntry> EntriesOf(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        char text[256] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        bool separator = (state & MF_SEPARATOR) != 0;
        entries.push_back(MenuEntry{separator ? 0u : GetMenuItemID(menu, i), text, separator,
                                    (state & (MF_GRAYED | MF_DISABLED)) != 0});
    }
    return entries;
}
std::vector<MenuEntry> EntriesOf(const plat::PopupMenuRequest& request) {
    std::vector<MenuEntry> entries;
    for (const plat::MenuItemView& item : request.items)
        entries.push_back(MenuEntry{item.id, item.text, item.separator, item.grayed});
    return entries;
}

// The shelf's menu with "Register Book" and "Delete" enabled or not.
std::vector<MenuEntry> ShelfMenu(bool registerOn, bool deleteOn) {
    return {MenuEntry{ID_REGISTER_BOOK, "Register Book(&R)", false, !registerOn},
            MenuEntry{0, "", true, false}, MenuEntry{ID_DELETE, "Delete(&D)", false, !deleteOn}};
}

class Menus : public contents::ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        // Books placed in the catalog of unclassified books may be deleted; books may be added there.
        Sys().Add(Sys().Root(), "Poetry", {"[CONFIG]", "ID=65535", "CANADDBOOK=1"});
        Register("P-1", AddBook("p.ebd", "P-1", "Poems"), books_);
        Register("Q-1", AddBook("q.ebd", "Q-1", "Quatrains"), books_);
        ASSERT_TRUE(CreateControl(std::make_unique<MenuCtrl>()));
        poetry_ = Find("Poetry");
        ASSERT_NE(poetry_, nullptr);
        TreeView_Expand(Tree(), poetry_, TVE_EXPAND);
    }
    MenuCtrl& Ctrl() { return static_cast<MenuCtrl&>(*ctrl_); }

    // An item with a node of `kind` and `flags` under `parent` (no record: the menu reads none).
    HTREEITEM Item(HTREEITEM parent, DWORD kind, DWORD flags, const char* text) {
        auto* node = new TreeNode;
        node->nKind = kind;
        node->dwFlags = flags;
        return Ctrl().AddOneItem(parent, text, TVI_LAST, &g_imageIndex[0], node, 0);
    }
    // The menu built for `item` into a new popup.
    std::vector<MenuEntry> BuiltFor(HTREEITEM item) {
        HMENU menu = CreatePopupMenu();
        EXPECT_TRUE(BuildShelfMenu(menu, item, false));
        std::vector<MenuEntry> entries = EntriesOf(menu);
        DestroyMenu(menu);
        return entries;
    }
    // A press and release of the right button on the middle of the item's label.
    void RightClick(HTREEITEM item) {
        pressed_ = LabelMiddle(item);
        plat::PostMouse(Tree(), WM_RBUTTONUP, pressed_);
        plat::SendMouse(Tree(), WM_RBUTTONDOWN, pressed_, MK_RBUTTON);
        plat::PumpMessages();
    }
    // Tracks the control's own popup as a host's window would (the interaction dismisses it) and
    // returns the entries shown.
    std::vector<MenuEntry> OwnPopupShown() {
        ui_.DismissMenu();
        size_t before = ui_.Menus().size();
        TrackPopupMenu(Ctrl().OwnPopup(), TPM_LEFTALIGN, 0, 0, 0, Ctrl().GetSafeHwnd(), nullptr);
        EXPECT_EQ(ui_.Menus().size(), before + 1);
        return ui_.Menus().empty() ? std::vector<MenuEntry>{} : EntriesOf(ui_.Menus().back());
    }
    HTREEITEM DropTarget() const { return TreeView_GetDropHilight(Tree()); }

    HTREEITEM poetry_ = nullptr;
    POINT pressed_{};
};

TEST_F(Menus, EntriesAreEnabledByTheItemsFlagsChildrenAndKind) {
    struct Case {
        DWORD kind;
        DWORD flags;
        bool child;
        bool registerOn;
        bool deleteOn;
    };
    const Case cases[] = {
        {NODE_BOOK, 0, true, false, true}, // a book goes with its contents
        {NODE_BOOK, NF_NODELETE, false, false, false},
        {NODE_DICT, 0, true, false, false}, // a dictionary with contents does not
        {NODE_DICT, 0, false, false, true},
        {NODE_CATALOG, NF_CANADDBOOK, true, true, false},
        {NODE_CATALOG, NF_CANADDBOOK, false, true, true},
        {NODE_CATALOG, NF_CANADDBOOK | NF_NODELETE, false, true, false},
        {NODE_CATALOG, NF_CANNEWCATA | NF_NORENAME, false, false, true},
        {NODE_CHAPTER, 0, true, false, false},
        {NODE_PAGE, NF_NODELETE | NF_NORENAME, false, false, false},
        {NODE_PAGE, 0, false, false, true},
    };
    for (const Case& c : cases) {
        HTREEITEM item = Item(Ctrl().Root(), c.kind, c.flags, "case");
        if (c.child) Item(item, NODE_PAGE, 0, "child");
        EXPECT_EQ(BuiltFor(item), ShelfMenu(c.registerOn, c.deleteOn))
            << "kind " << c.kind << " flags " << c.flags << (c.child ? " with a child" : "");
    }
    EXPECT_EQ(BuiltFor(nullptr), ShelfMenu(false, false)) << "no item";
}

TEST_F(Menus, OwnPopupIsRebuiltForTheSelectionEachTimeItOpens) {
    // Whatever the popup held before goes.
    AppendMenuA(Ctrl().OwnPopup(), MF_STRING, 1234, "Left over");
    AppendMenuA(Ctrl().OwnPopup(), MF_SEPARATOR, 0, nullptr);
    TreeView_SelectItem(Tree(), nullptr);
    EXPECT_EQ(OwnPopupShown(), ShelfMenu(false, false)) << "nothing selected";
    EXPECT_EQ(EntriesOf(Ctrl().OwnPopup()), ShelfMenu(false, false)) << "rebuilt in place, not added to";

    HTREEITEM mine = Item(Ctrl().Root(), NODE_CATALOG, NF_CANADDBOOK, "Mine");
    TreeView_SelectItem(Tree(), mine);
    EXPECT_EQ(OwnPopupShown(), ShelfMenu(true, true));
    Item(mine, NODE_BOOK, 0, "Inside");
    EXPECT_EQ(OwnPopupShown(), ShelfMenu(true, false));
    EXPECT_EQ(GetMenuItemCount(Ctrl().OwnPopup()), 3);
}

TEST_F(Menus, OtherPopupsOwnedByTheControlAreLeftAlone) {
    HMENU other = CreatePopupMenu();
    AppendMenuA(other, MF_STRING, 1234, "Host's own");
    ui_.DismissMenu();
    TrackPopupMenu(other, TPM_LEFTALIGN, 0, 0, 0, Ctrl().GetSafeHwnd(), nullptr);
    ASSERT_EQ(ui_.Menus().size(), 1u);
    EXPECT_EQ(EntriesOf(ui_.Menus()[0]), (std::vector<MenuEntry>{{1234, "Host's own", false, false}}));
    DestroyMenu(other);
}

TEST_F(Menus, RightPressShowsTheMenuOfThePressedItemNotOfTheSelection) {
    HTREEITEM poems = Find("Poems");
    TreeView_SelectItem(Tree(), poetry_); // a catalog books may be added into
    size_t menusBefore = plat::MenuCount();
    ui_.DismissMenu();
    RightClick(poems);
    ASSERT_EQ(ui_.Menus().size(), 1u);
    const plat::PopupMenuRequest& shown = ui_.Menus()[0];
    EXPECT_EQ(EntriesOf(shown), ShelfMenu(false, true)) << "the book's rules";
    EXPECT_EQ(shown.owner, Ctrl().GetSafeHwnd());
    POINT screen = pressed_;
    ClientToScreen(Tree(), &screen);
    EXPECT_EQ(shown.screen.x, screen.x);
    EXPECT_EQ(shown.screen.y, screen.y);
    EXPECT_EQ(shown.flags & (TPM_CENTERALIGN | TPM_RIGHTALIGN), 0u) << "left-aligned";
    EXPECT_EQ(plat::MenuCount(), menusBefore) << "the menu is destroyed";
    EXPECT_EQ(Selected(), poetry_) << "a right press does not select";
    EXPECT_EQ(DropTarget(), nullptr) << "the drop highlight is put back";

    // Below the last row there is no item and no menu.
    RECT client{};
    GetClientRect(Tree(), &client);
    plat::PostMouse(Tree(), WM_RBUTTONUP, POINT{10, client.bottom - 2});
    plat::SendMouse(Tree(), WM_RBUTTONDOWN, POINT{10, client.bottom - 2}, MK_RBUTTON);
    plat::PumpMessages();
    EXPECT_EQ(ui_.Menus().size(), 1u);
}

TEST_F(Menus, DeleteChosenFromTheMenuRemovesThePressedBookNotTheSelectedOne) {
    HTREEITEM poems = Find("Poems");
    HTREEITEM quatrains = Find("Quatrains");
    TreeView_SelectItem(Tree(), poems);
    ui_.ChooseMenuText("Delete(&D)");
    ui_.AnswerMessageBox(IDYES);
    RightClick(quatrains);
    EXPECT_TRUE(ui_.Finished());
    EXPECT_EQ(Find("Quatrains"), nullptr);
    EXPECT_FALSE(KeyExists(kRoot + "\\Q-1"));
    EXPECT_EQ(Find("Poems"), poems);
    EXPECT_TRUE(KeyExists(kRoot + "\\P-1\\Book"));
    EXPECT_EQ(Selected(), poems);
    EXPECT_EQ(DropTarget(), nullptr);
}

TEST_F(Menus, TheDropHighlightTheMenuFoundIsPutBack) {
    HTREEITEM poems = Find("Poems");
    TreeView_SelectDropTarget(Tree(), poetry_);
    ui_.DismissMenu();
    RightClick(poems);
    EXPECT_EQ(DropTarget(), poetry_);
    // Even after a command: Register Book on the catalog is cancelled in the file dialog.
    ui_.ChooseMenuCommand(ID_REGISTER_BOOK);
    ui_.CancelFiles();
    RightClick(poetry_);
    EXPECT_TRUE(ui_.Finished());
    EXPECT_EQ(ui_.FileDialogs().size(), 1u);
    EXPECT_EQ(DropTarget(), poetry_);
}

TEST_F(Menus, CommandsReachTheirOperationsAndOpenAndCloseNothing) {
    HTREEITEM poems = Find("Poems");
    TreeView_SelectItem(Tree(), poems);
    HWND ctrl = Ctrl().GetSafeHwnd();
    // Open, Close and Property do nothing: no question, no dialog, the book stays.
    SendMessageA(ctrl, WM_COMMAND, ID_OPEN, 0);
    SendMessageA(ctrl, WM_COMMAND, ID_CLOSE, 0);
    SendMessageA(ctrl, WM_COMMAND, ID_PROPERTY, 0);
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    EXPECT_TRUE(ui_.FileDialogs().empty());
    EXPECT_EQ(Find("Poems"), poems);
    EXPECT_EQ(Ctrl().BookMngDlg(), 0);

    // The whole wParam names the command: Delete with a notification code in the high word is not it.
    SendMessageA(ctrl, WM_COMMAND, MAKEWPARAM(ID_DELETE, 1), 0);
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    ui_.AnswerMessageBox(IDNO);
    SendMessageA(ctrl, WM_COMMAND, ID_DELETE, 0);
    TreeView_SelectItem(Tree(), poetry_);
    ui_.CancelFiles();
    SendMessageA(ctrl, WM_COMMAND, ID_REGISTER_BOOK, 0);
    EXPECT_TRUE(ui_.Finished());
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u) << "Delete asked";
    EXPECT_EQ(ui_.FileDialogs().size(), 1u) << "Register Book asked for files";
    EXPECT_EQ(Find("Poems"), poems);
}

} // namespace

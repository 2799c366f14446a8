// Making and renaming catalogs as a user does: the item is clicked and made the target of the command
// (the tree's drop highlight, as a menu opened on an item makes it), the command reaches the shelf as
// a menu's WM_COMMAND, and the name is typed into what the shelf opens (the new-catalog dialog, or the
// label editor) through the platform's input queue, ended with Enter.
#include "command_line.h"
#include "host_interaction.h"
#include "item_input.h"
#include "print.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "commctrl.h"
#include "plat/core.h"
#include "plat/resources.h"

#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

constexpr UINT kNewCatalogCommand = 40015;
constexpr UINT kRenameCommand = 40017;
constexpr int kCatalogNameEdit = 1016;

// Types the name where the shelf asks for it, once: into the new-catalog dialog, or into the label
// editor. Anything else the shelf opens is backed out of, and its message boxes are kept.
class CatalogNameTyping : public HostInteraction {
  public:
    enum class Where { Dialog, LabelEditor };

    CatalogNameTyping(Where where, std::string name) : where_(where), name_(std::move(name)) {}

    bool asked = false;                // the dialog or the editor was opened
    std::vector<std::string> messages; // the texts of the message boxes shown

    void RunDialog(HWND dialog) override {
        HWND edit = ::GetDlgItem(dialog, kCatalogNameEdit);
        if (where_ != Where::Dialog || asked || !edit) {
            HostInteraction::RunDialog(dialog);
            return;
        }
        asked = true;
        char caption[256] = "";
        ::GetWindowTextA(dialog, caption, sizeof caption);
        std::printf("[dialog] %s: typing \"%s\", Enter\n", Shown(caption).c_str(), Shown(name_).c_str());
        ::SetFocus(edit);
        ::PostMessageA(edit, EM_SETSEL, 0, -1);
        plat::TypeText(edit, name_);
        plat::PressKey(edit, VK_RETURN); // the default button: OK
    }

    void LabelEditStarted(HWND edit, const std::string& text) override {
        if (where_ != Where::LabelEditor || asked) {
            HostInteraction::LabelEditStarted(edit, text);
            return;
        }
        asked = true;
        std::printf("[label editor] \"%s\": typing \"%s\", Enter\n", Shown(text).c_str(),
                    Shown(name_).c_str());
        // The editor opens with all of its text selected: what is typed replaces it.
        plat::TypeText(edit, name_);
        plat::PressKey(edit, VK_RETURN);
    }

    int MessageBox(const plat::MessageBoxRequest& request) override {
        messages.push_back(request.text);
        return HostInteraction::MessageBox(request);
    }

  private:
    Where where_;
    std::string name_;
};

// What the user typed, in the shelf's code page; nothing (with the reason printed) when it cannot be.
std::optional<std::string> NameArgument(const char* command, const std::string& typed) {
    auto name = Typed(typed);
    if (!name)
        std::fprintf(stderr, "%s: \"%s\" cannot be written in the active code page %u\n", command,
                     typed.c_str(), plat::CodePage());
    return name;
}

// The name as the shelf keeps it: white space off both ends.
std::string Trimmed(const std::string& name) {
    CString text(name);
    text.Trim();
    return text.str();
}

// Sends the command as a host's menu does, answering what the shelf asks with `answers`.
void RunShelfCommand(Session& session, UINT command, CatalogNameTyping& answers) {
    plat::ScopedInteraction scope(&answers);
    ::SendMessageA(session.shelf.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    plat::PumpMessages();
}

// Says that the shelf refused the name and why (its message box was printed as it was shown).
int Refused(const char* command, const std::string& typed, const CatalogNameTyping& answers) {
    std::fprintf(stderr, "%s: the shelf refused \"%s\": %s\n", command, typed.c_str(),
                 ShownLines(answers.messages.front())[0].c_str());
    return 1;
}

void NoteIfCut(const char* command, const std::string& typed, const std::string& label) {
    if (label != Trimmed(typed))
        std::fprintf(stderr, "%s: the shelf took \"%s\" of the name typed\n", command, Shown(label).c_str());
}

int RunNewCatalog(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 2) {
        std::fprintf(stderr, "newcatalog: give the item to make the catalog in and the catalog's name\n");
        return 2;
    }
    const auto name = NameArgument("newcatalog", args[1]);
    if (!name) return 1;
    HTREEITEM parent = ItemArgument(session, "newcatalog", args[0]);
    if (!parent) return 1;
    HWND tree = session.Tree();
    std::set<HTREEITEM> before;
    for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
        before.insert(c);

    CatalogNameTyping answers(CatalogNameTyping::Where::Dialog, *name);
    {
        CommandTarget target(session, parent);
        RunShelfCommand(session, kNewCatalogCommand, answers);
    }
    if (!answers.asked) {
        std::fprintf(stderr, "newcatalog: the shelf did not ask for a name: no catalog can be made in %s\n",
                     args[0].c_str());
        return 1;
    }
    if (!answers.messages.empty()) return Refused("newcatalog", args[1], answers);
    HTREEITEM made = nullptr;
    for (HTREEITEM c = TreeView_GetChild(tree, parent); c && !made; c = TreeView_GetNextSibling(tree, c))
        if (!before.count(c)) made = c;
    if (!made) {
        std::fprintf(stderr, "newcatalog: the shelf made no catalog of the name \"%s\"\n", args[1].c_str());
        return 1;
    }
    NoteIfCut("newcatalog", *name, ItemText(tree, made));
    std::printf("New catalog: %s\n\nShelf:\n", ItemPath(session.shelf, tree, made).c_str());
    PrintShelf(session.shelf, tree);
    return 0;
}

int RunRename(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 2) {
        std::fprintf(stderr, "rename: give the item to rename and its new name\n");
        return 2;
    }
    const auto name = NameArgument("rename", args[1]);
    if (!name) return 1;
    HTREEITEM item = ItemArgument(session, "rename", args[0]);
    if (!item) return 1;
    HWND tree = session.Tree();
    const std::string oldPath = ItemPath(session.shelf, tree, item);
    const std::string oldLabel = ItemText(tree, item);

    CatalogNameTyping answers(CatalogNameTyping::Where::LabelEditor, *name);
    {
        CommandTarget target(session, item);
        RunShelfCommand(session, kRenameCommand, answers);
    }
    if (!answers.asked) {
        std::fprintf(stderr,
                     "rename: the shelf did not open the label of %s for editing: only catalogs of "
                     "your own can be renamed\n",
                     args[0].c_str());
        return 1;
    }
    if (!answers.messages.empty()) return Refused("rename", args[1], answers);
    const std::string label = ItemText(tree, item);
    if (label == oldLabel && label != Trimmed(*name)) {
        std::fprintf(stderr, "rename: the shelf kept the name \"%s\"\n", Shown(label).c_str());
        return 1;
    }
    NoteIfCut("rename", *name, label);
    std::printf("Renamed: %s -> %s\n\nShelf:\n", oldPath.c_str(),
                ItemPath(session.shelf, tree, item).c_str());
    PrintShelf(session.shelf, tree);
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("newcatalog", "PARENT NAME",
                    "make a catalog NAME in the item PARENT (its path, as show prints it) as a user does:\n"
                    "the New Catalog command, its dialog, the name typed and Enter; prints the shelf;\n"
                    "exits 1 when the shelf makes no catalog (a name taken there, a blank name, no place)",
                    RunNewCatalog);
TAVRIN_HOST_COMMAND("rename", "ITEM NAME",
                    "rename the catalog ITEM (its path) as a user does: the Rename command, the name typed\n"
                    "into the label editor and Enter; prints the shelf; exits 1 when the old name stays",
                    RunRename);

} // namespace tavrin::host

// Texts and files dropped on the reader's window. A text goes to the shelf as a drag from another
// program arrives (entering the tree at its edge, over the item, dropped there): the shelf hands a
// text dropped on a book or dictionary to the reader, which looks it up in that book. A file is put
// on the shelf as the shelf's register command puts it, into the catalog it was dropped on.
#include "reader_app.h"

#include "shelf_items.h"

#include "terminal_text.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/drop.h"
#include "plat/resources.h"

#include <set>

namespace tavrin::reader {

namespace {

constexpr int kDragSteps = 4;

// The interaction in force while a dropped file is added: the file dialog the register command opens
// is answered with the file; everything else the person answers.
class AnswerWithFile : public plat::Interaction {
  public:
    AnswerWithFile(plat::Interaction& person, std::string path) : person_(person), path_(std::move(path)) {}
    bool asked = false;
    int MessageBox(const plat::MessageBoxRequest& r) override { return person_.MessageBox(r); }
    UINT ChoosePopupMenuItem(const plat::PopupMenuRequest& r) override {
        return person_.ChoosePopupMenuItem(r);
    }
    void RunDialog(HWND dialog) override { person_.RunDialog(dialog); }
    void LabelEditStarted(HWND edit, const std::string& t) override { person_.LabelEditStarted(edit, t); }
    bool ChooseOpenFiles(const plat::OpenFileRequest& request, plat::OpenFileAnswer* answer) override {
        if (asked || !answer || path_.size() + 2 > request.bufferSize) return false;
        asked = true;
        answer->folder.clear();
        answer->files = {path_};
        return true;
    }

  private:
    plat::Interaction& person_;
    std::string path_;
};

bool IsCatalog(const ShelfItemInfo& info) {
    return info.hItem && (info.dwKind == SHELF_ITEM_CATALOG || info.dwKind == SHELF_ITEM_ROOT);
}

} // namespace

void ReaderApp::DropText(POINT at, const std::string& utf8) {
    dirty_ = true;
    const HWND tree = Tree();
    const HWND under = plat::WindowAt(window_.Handle(), at);
    if (under != tree) {
        Note("Drop the text on a book or dictionary of the shelf to look it up");
        return;
    }
    const std::string text = host::FromUtf8Exactly(utf8, plat::CodePage()).value_or(std::string());
    if (text.empty()) {
        Note("The dropped text cannot be written in the shelf's code page " +
             std::to_string(plat::CodePage()));
        return;
    }
    POINT label = at;
    ::ScreenToClient(tree, &label);
    pendingDrop_.reset();
    for (int step = 0; step <= kDragSteps; ++step) {
        POINT p{label.x * step / kDragSteps, label.y};
        ::ClientToScreen(tree, &p);
        plat::DragTextOver(tree, p, text);
        plat::PumpMessages();
    }
    plat::DropText(tree, at, text);
    plat::PumpMessages();
    if (!pendingDrop_) Note("A dropped text is looked up only in a book or dictionary");
}

void ReaderApp::DropFile(POINT at, const std::string& path) {
    dirty_ = true;
    const HWND tree = Tree();
    // The catalog under the drop, else the one selected, else the top of the shelf.
    HTREEITEM target = nullptr;
    if (plat::WindowAt(window_.Handle(), at) == tree) {
        TVHITTESTINFO hit{};
        hit.pt = at;
        ::ScreenToClient(tree, &hit.pt);
        target = TreeView_HitTest(tree, &hit);
    }
    if (!target) target = TreeView_GetSelection(tree);
    while (target && !IsCatalog(host::InfoOf(*shelf_, target)))
        target = TreeView_GetParent(tree, target);
    if (!target) target = TreeView_GetRoot(tree);
    if (!target) {
        Note("The shelf has no catalog to put " + path + " into");
        return;
    }
    std::set<DWORD> before;
    host::ForEachItem(tree, TreeView_GetRoot(tree),
                      [&](HTREEITEM item, int) { before.insert(host::InfoOf(*shelf_, item).dwBookHandle); });
    TreeView_SelectItem(tree, target);
    AnswerWithFile answering(interaction_, path);
    {
        plat::ScopedInteraction scope(&answering);
        shelf_->AddBook();
        plat::PumpMessages();
    }
    catalogsChanged_ = true;
    std::string added;
    host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const ShelfItemInfo info = host::InfoOf(*shelf_, item);
        if (added.empty() && (info.dwKind == SHELF_ITEM_BOOK || info.dwKind == SHELF_ITEM_DICTIONARY) &&
            !before.count(info.dwBookHandle))
            added = PathUtf8(*shelf_, tree, item);
    });
    if (!answering.asked)
        Note("The shelf did not take " + path + ": drop it on a catalog");
    else if (added.empty())
        Note("No book was added from " + path + " (the shelf said why, or it is on the shelf already)");
    else
        Note("Added " + added);
}

} // namespace tavrin::reader

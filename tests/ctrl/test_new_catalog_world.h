// What the tests of new catalogs and renaming share: a shelf with two system catalogs ("Books", key 2,
// and "Unclassified", key 65535) below the root "Shelf", a control whose label handlers and catalog
// members tests may call, the command's target set as a host's menu sets it (the drop highlight), and
// a readable picture of the whole tree to tell "unchanged" from "changed".
#pragma once

#include "test_catalog_world.h"

#include "commctrl.h"

#include <functional>
#include <memory>
#include <string>

namespace new_catalog_world {

class NewCatalogCtrl : public catalog_world::CatalogCtrl {
  public:
    using CTavrinCtrl::IsCataExist;
    using CTavrinCtrl::OnBeginLabelEdit;
    using CTavrinCtrl::OnEndlabeledit;
};

class NewCatalogWorld : public catalog_world::CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        Sys().Add(Sys().Root(), "Books", {"[CONFIG]", "ID=2"});
        Sys().Add(Sys().Root(), "Unclassified", {"[CONFIG]", "ID=65535"});
        ASSERT_TRUE(CreateControl(std::make_unique<NewCatalogCtrl>()));
        ASSERT_NE(Find("Books"), nullptr);
    }

    NewCatalogCtrl& Shelf() { return static_cast<NewCatalogCtrl&>(*ctrl_); }

    // Runs the new-catalog command on `target` as a host's menu does (the item drop-highlighted while
    // the command runs); the dialog is answered by what the test queued on ui_.
    void NewCatalogOn(HTREEITEM target) {
        TreeView_SelectDropTarget(Tree(), target);
        Shelf().NewCatalogs();
        TreeView_SelectDropTarget(Tree(), nullptr);
        plat::PumpMessages();
    }
    // The same, typing `name` into the dialog and pressing OK.
    void MakeCatalog(HTREEITEM parent, const std::string& name) {
        ui_.FillDialog({{1016, name}}, IDOK);
        NewCatalogOn(parent);
    }
    void RenameOn(HTREEITEM target) {
        TreeView_SelectDropTarget(Tree(), target);
        Shelf().Rename();
        plat::PumpMessages();
        TreeView_SelectDropTarget(Tree(), nullptr);
    }

    // Every item of the tree, one line each, indented by depth: label, kind, flags, key, class id.
    std::string Picture(HTREEITEM first = nullptr, int depth = 0) const {
        std::string out;
        HTREEITEM item = first ? first : TreeView_GetRoot(Tree());
        for (; item; item = TreeView_GetNextSibling(Tree(), item)) {
            const TreeNode* node = Node(item);
            out += std::string(static_cast<size_t>(depth) * 2, ' ') + Text(item);
            if (node)
                out += " [" + std::to_string(node->nKind) + " " + std::to_string(node->dwFlags) + " " +
                       node->szKey + " " + std::to_string(node->dwClassId) + "]";
            out += "\n";
            if (HTREEITEM child = TreeView_GetChild(Tree(), item)) out += Picture(child, depth + 1);
        }
        return out;
    }

    HTREEITEM Child(HTREEITEM parent, const std::string& text) const {
        for (HTREEITEM c : Children(parent))
            if (Text(c) == text) return c;
        return nullptr;
    }
};

} // namespace new_catalog_world

// Renaming catalogs: which labels may be edited (by kind and flag, however the editor was opened), the
// editor the Rename command opens on the drop target, and what a new name does: trimmed, refused when
// blank or taken by a sibling catalog, and followed by the catalog's records.
#include "test_new_catalog_world.h"

#include <cstring>

using namespace new_catalog_world;

namespace {

class Rename : public NewCatalogWorld {
  protected:
    void SetUp() override {
        NewCatalogWorld::SetUp();
        HTREEITEM books = Find("Books");
        mine_ = UserCatalog(books, "Mine");
        theirs_ = UserCatalog(books, "Theirs");
        inner_ = UserCatalog(mine_, "Inner", CATA_ONLINE);
        locked_ = UserCatalog(books, "Locked");
        Node(locked_)->dwFlags = NF_CANNEWCATA | NF_NORENAME;
        auto* book = new TreeNode;
        book->nKind = NODE_BOOK; // no flags: only its kind keeps its label
        book->pRecord = new BookRecord;
        book_ = Shelf().AddOneItem(books, "A book", TVI_LAST, &g_imageIndex[4], book, 0);
    }

    // What OnEndlabeledit answers for `text` (null: the edit was cancelled) on `item`; *buffer is the
    // text buffer the tree passes, which the handler may rewrite.
    LRESULT EndEdit(HTREEITEM item, const char* text, std::string* buffer = nullptr) {
        char edited[MAX_PATH] = "";
        NMTVDISPINFOA info{};
        info.hdr.hwndFrom = Tree();
        info.hdr.idFrom = 1000;
        info.hdr.code = TVN_ENDLABELEDITA;
        info.item.hItem = item;
        if (text) {
            EXPECT_TRUE(tavrin::CopyFits(edited, text));
            info.item.mask = TVIF_TEXT;
            info.item.pszText = edited;
            info.item.cchTextMax = MAX_PATH;
        }
        LRESULT result = -1;
        Shelf().OnEndlabeledit(&info.hdr, &result);
        if (buffer) *buffer = edited;
        return result;
    }

    HTREEITEM mine_ = nullptr, theirs_ = nullptr, inner_ = nullptr, locked_ = nullptr, book_ = nullptr;
};

TEST_F(Rename, OnlyCatalogsWithoutTheNoRenameFlagMayBeEdited) {
    // The tree's own gesture (and anything else that opens the editor) meets the same rules.
    struct Case {
        HTREEITEM item;
        bool editable;
    } cases[] = {{mine_, true},          {inner_, true},         {locked_, false},
                 {book_, false},         {Find("Books"), false}, // a system catalog: 0x0F
                 {Shelf().Root(), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.item));
        if (c.editable) ui_.CancelLabel();
        HWND edit = TreeView_EditLabel(Tree(), c.item);
        EXPECT_EQ(edit != nullptr, c.editable);
        plat::PumpMessages();
        EXPECT_EQ(EndEdit(c.item, "New name") != 0, c.editable);
    }
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(Rename, ACancelledEditChangesNothing) {
    const std::string picture = Picture();
    EXPECT_EQ(EndEdit(mine_, nullptr), 0);
    ui_.CancelLabel();
    RenameOn(mine_);
    EXPECT_EQ(Picture(), picture);
    EXPECT_STREQ(Record(mine_).szCataName, "Mine");
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(Rename, TheCommandEditsTheDropTargetAndTheNewNameIsTheCatalogsName) {
    TreeView_SelectItem(Tree(), theirs_);
    ui_.TypeLabel("  Travel notes ");
    RenameOn(inner_);
    ASSERT_EQ(ui_.LabelEdits(), (std::vector<std::string>{"Inner"}));
    EXPECT_EQ(Text(inner_), "Travel notes") << "trimmed";
    EXPECT_STREQ(Node(inner_)->szKey, "Travel notes") << "a catalog inside another is stored by its key";
    EXPECT_STREQ(Record(inner_).szCataName, "Travel notes");
    EXPECT_EQ(Text(theirs_), "Theirs");
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(Rename, EveryEditorTakesEightyCharactersAtMost) {
    ui_.TypeLabel(std::string(100, 'r'));
    RenameOn(mine_);
    EXPECT_EQ(Text(mine_), std::string(80, 'r'));
    // Opened by the tree itself, not by the command.
    ui_.TypeLabel(std::string(100, 's'));
    TreeView_EditLabel(Tree(), theirs_);
    plat::PumpMessages();
    EXPECT_EQ(Text(theirs_), std::string(80, 's'));
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(Rename, BlankAndTakenNamesAreRefusedAndTheOldNameStays) {
    EXPECT_EQ(EndEdit(mine_, " \t "), 0);
    EXPECT_TRUE(ui_.MessageBoxes().empty()) << "a blank name is just not taken";
    ui_.AnswerMessageBox(IDOK, "This catalog  has already existed.");
    EXPECT_EQ(EndEdit(mine_, " THEIRS"), 0);
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_STREQ(Node(mine_)->szKey, "Mine");
    EXPECT_STREQ(Record(mine_).szCataName, "Mine");

    // Names that no sibling catalog has: a book's label, a catalog's of another level, its own in other
    // letters.
    EXPECT_EQ(EndEdit(mine_, "a book"), 1);
    EXPECT_EQ(EndEdit(mine_, "Books"), 1);
    EXPECT_EQ(EndEdit(mine_, "inner"), 1);
    std::string buffer;
    ASSERT_EQ(EndEdit(mine_, " MINE ", &buffer), 1);
    EXPECT_EQ(buffer, "MINE") << "the tree takes the trimmed name";
    EXPECT_STREQ(Node(mine_)->szKey, "MINE");

    // Through the editor: a taken name keeps the label.
    ui_.TypeLabel("Locked").AnswerMessageBox(IDOK, "This catalog  has already existed.");
    RenameOn(theirs_);
    EXPECT_EQ(Text(theirs_), "Theirs");
    ui_.TypeLabel("   ");
    RenameOn(theirs_);
    EXPECT_EQ(Text(theirs_), "Theirs");
    EXPECT_EQ(ui_.MessageBoxes().size(), 2u);
    EXPECT_TRUE(ui_.Finished());
}

TEST_F(Rename, NothingWithoutADropTarget) {
    const std::string picture = Picture();
    TreeView_SelectItem(Tree(), mine_);
    Shelf().Rename();
    plat::PumpMessages();
    EXPECT_TRUE(ui_.LabelEdits().empty());
    EXPECT_EQ(Picture(), picture);
}

} // namespace

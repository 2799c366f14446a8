// The shelf's book index (registry/shelf_books.h) answers what the searches from the root answer, while
// the tree changes under it: book items by number (IsBookExist, GetBookHandle, IsBookExistOnTree) and
// by handle (FindBook), on random shelves changed at random, with items recorded by their inserter and
// books re-pointed in place; and in the register command, where a book added is found by number by the
// next file, a book put on the shelf while a message box is up is seen, and many files build the index
// once.
#include "test_regbooks_world.h"

#include "catalog/tree_walk.h"
#include "plat/scripted_interaction.h"
#include "plat/treeview.h"
#include "registry/shelf_books.h"

#include <functional>
#include <random>

using namespace regbooks;

namespace {

// The searches the index stands in for, as plain walks of the tree.
HTREEITEM WalkByNumber(HTREEITEM root, const std::string& number) {
    return tavrin::FindBelow(g_shelfTree, root, [&](HTREEITEM, const TreeNode* node) {
        return node && (node->nKind == NODE_BOOK || node->nKind == NODE_DICT) &&
               tavrin::EqualNoCase(node->szKey, number);
    });
}
HTREEITEM WalkByHandle(HTREEITEM root, DWORD handle) {
    return tavrin::FindBelow(g_shelfTree, root, [&](HTREEITEM, const TreeNode* node) {
        const BookRecord* book = BookOf(node);
        return book && book->dwBookHandle == handle;
    });
}

class ShelfIndex : public RegWorld {
  protected:
    void TearDown() override {
        // The nodes here are the test's own (no driver opened a book for them): their items go without
        // freeing them.
        for (HTREEITEM item : Children(Ctrl().Root()))
            if (IsMine(item)) Ctrl().DeleteItemKeepNodes(item);
        nodes_.clear();
        records_.clear();
        RegWorld::TearDown();
    }
    bool IsMine(HTREEITEM item) const {
        for (const auto& node : nodes_)
            if (node.get() == Node(item)) return true;
        return false;
    }
    // An item of the test's own: a node of `kind` with `number`, and for books and dictionaries a
    // record with `handle` (none when it is kNoRecord).
    static constexpr DWORD kNoRecord = 0xFFFFFFFE;
    HTREEITEM AddNode(HTREEITEM parent, DWORD kind, const std::string& number, DWORD handle) {
        auto node = std::make_unique<TreeNode>();
        node->nKind = kind;
        EXPECT_TRUE(tavrin::CopyFits(node->szKey, number));
        if ((kind == NODE_BOOK || kind == NODE_DICT) && handle != kNoRecord) {
            records_.push_back(std::make_unique<BookRecord>());
            records_.back()->dwBookHandle = handle;
            node->pRecord = records_.back().get();
        }
        const auto before = tavrin::ShelfBookIndex::BeforeInsert(g_shelfTree, parent);
        HTREEITEM item = Ctrl().AddOneItem(parent, number.c_str(), TVI_LAST, &g_imageIndex[0], node.get(), 0);
        // Half the items are recorded by their inserter, as the register command and the walk of the
        // registry do; the others the index learns of from the tree's stamp.
        if (record_ && (++inserts_ % 2 == 0))
            tavrin::ShelfBooks().Inserted(g_shelfTree, Ctrl().Root(), before, item);
        nodes_.push_back(std::move(node));
        return item;
    }
    void ExpectSameAnswers(const std::vector<std::string>& numbers, const std::vector<DWORD>& handles) {
        HTREEITEM root = Ctrl().Root();
        for (const std::string& number : numbers) {
            DWORD handle = 0x5555;
            HTREEITEM byIndex = Ctrl().IsBookExist(root, number.c_str(), &handle);
            HTREEITEM byWalk = WalkByNumber(root, number);
            ASSERT_EQ(byIndex, byWalk) << "number " << number;
            const BookRecord* book = BookOf(Node(byWalk));
            EXPECT_EQ(handle, book ? book->dwBookHandle : 0x5555u) << "number " << number;
            EXPECT_EQ(Ctrl().IsBookExistOnTree(root, number.c_str()), byWalk ? 1 : 0);
        }
        for (DWORD handle : handles) {
            // 0xFFFFFFFF is "no book": never found.
            HTREEITEM byWalk = handle == kNoBookHandle ? nullptr : WalkByHandle(root, handle);
            ASSERT_EQ(Ctrl().FindBook(root, handle), byWalk) << "handle " << handle;
        }
    }

    std::vector<std::unique_ptr<TreeNode>> nodes_;
    std::vector<std::unique_ptr<BookRecord>> records_;
    bool record_ = false;
    int inserts_ = 0;
};

TEST_F(ShelfIndex, AgreesWithTheTreeSearchesWhileTheShelfChanges) {
    AddCatalog(Sys().Root(), "Unclassified", "65535");
    ASSERT_TRUE(Start());
    std::mt19937 random(1313);
    record_ = true;
    const std::vector<std::string> numbers = {"n1", "N1", "n2", "x", "X", "2f", "0", "absent"};
    const std::vector<DWORD> handles = {1, 2, 3, 7, 0xFFFFFFFF, 0};
    std::vector<HTREEITEM> items = {Ctrl().Root()};
    for (int step = 0; step < 300; ++step) {
        const int what = static_cast<int>(random() % 10);
        if (what < 6 || items.size() < 3) {
            // A new item anywhere, of any kind: books, dictionaries, catalogs, contents entries.
            HTREEITEM parent = items[random() % items.size()];
            DWORD kind = static_cast<DWORD>(random() % 6);
            DWORD handle = random() % 5 == 0 ? kNoRecord : handles[random() % handles.size()];
            HTREEITEM item = AddNode(parent, kind, numbers[random() % numbers.size()], handle);
            if (item) items.push_back(item);
        } else if (what < 8) {
            // An item of the test's own goes, with its subtree.
            size_t at = 1 + random() % (items.size() - 1);
            if (IsMine(items[at])) Ctrl().DeleteItemKeepNodes(items[at]);
            std::erase_if(items, [&](HTREEITEM item) { return item != Ctrl().Root() && !Node(item); });
        } else if (what < 9) {
            // An item that says it has no children keeps the searches out of its subtree.
            TVITEMA tv{};
            tv.mask = TVIF_CHILDREN;
            tv.hItem = items[random() % items.size()];
            tv.cChildren = static_cast<int>(random() % 2);
            TreeView_SetItem(Tree(), &tv);
        } else {
            // A book re-pointed in place to another handle, as a walk of the registry does, which says so.
            HTREEITEM item = items[random() % items.size()];
            if (BookRecord* book = BookOf(Node(item))) {
                const DWORD old = book->dwBookHandle;
                book->dwBookHandle = handles[random() % handles.size()];
                tavrin::ShelfBooks().HandleChanged(item, Node(item)->szKey, old, book->dwBookHandle);
            }
        }
        ExpectSameAnswers(numbers, handles);
        if (HasFatalFailure()) return;
    }
}

// Catalogs: Mine (id 7) and Unclassified (65535); the book driver sits in the host program's folder.
class RegisteringMany : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Mine", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
    }
};

TEST_F(RegisteringMany, ABookAddedIsFoundByTheNextFileAndTheIndexIsBuiltOnce) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        names.push_back("b" + std::to_string(i) + ".ebd");
        BookFile(names.back(), ("B-" + std::to_string(i)).c_str(), ("Book " + std::to_string(i)).c_str());
    }
    // The last file is another book file with the number of the first, in other letters.
    names.push_back("again.ebd");
    BookFile("again.ebd", "b-0", "Book 0 again");
    ASSERT_TRUE(Start());
    ASSERT_TRUE(TreeView_SelectItem(Tree(), Find("Mine")));
    ui_.ChooseFiles(dir_.string(), names);
    ui_.AnswerMessageBox(IDOK, "This book has been added into bookshelf\n" + (dir_ / "again.ebd").string());
    const size_t builds = tavrin::ShelfBooks().Builds();
    Ctrl().AddBook();
    EXPECT_EQ(ChildTexts(Find("Mine")).size(), 12u);
    EXPECT_LE(tavrin::ShelfBooks().Builds(), builds + 1) << "each book added is recorded, not walked for";
    EXPECT_EQ(StoredValue(kRoot + "\\B-0\\Book", "Database"), (dir_ / "b0.ebd").string());
    EXPECT_EQ(Ctrl().GetBookHandle("B-11"), Book(Find("Book 11")).dwBookHandle);
}

// Answers the file dialog with the files given, and runs `onMessageBox` at each message box.
class HookedInteraction : public plat::ScriptedInteraction {
  public:
    std::function<void()> onMessageBox;
    int MessageBox(const plat::MessageBoxRequest& request) override {
        if (onMessageBox) onMessageBox();
        return plat::ScriptedInteraction::MessageBox(request);
    }
};

TEST_F(RegisteringMany, ABookPutOnTheShelfWhileAMessageBoxIsUpIsSeen) {
    std::string dup = BookFile("dup.ebd", "D-1", "Duplicate");
    Register("D-1", dup, books_);
    BookFile("y.ebd", "Y-1", "Why");
    ASSERT_TRUE(Start());
    // While the box for the first file is up, another program registers Y-1 and the host refreshes.
    Register("Y-1", (dir_ / "y.ebd").string(), books_);
    HookedInteraction ui;
    ui.onMessageBox = [&] {
        ui.onMessageBox = nullptr;
        Ctrl().Refresh();
    };
    ui.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << "interaction: " << line; });
    ui.ChooseFiles(dir_.string(), {"dup.ebd", "y.ebd"});
    ui.AnswerMessageBox(IDOK, "This book has been added into bookshelf\n" + dup);
    ui.AnswerMessageBox(IDOK, "This book has been added into bookshelf\n" + (dir_ / "y.ebd").string());
    ASSERT_TRUE(TreeView_SelectItem(Tree(), Find("Mine")));
    {
        plat::ScopedInteraction scope(&ui);
        Ctrl().AddBook();
    }
    EXPECT_TRUE(ui.Finished());
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty()) << "Y-1 came with the refresh and is not added twice";
    EXPECT_EQ(ChildTexts(Find("Unclassified")), (std::vector<std::string>{"Duplicate", "Why"}));
}

} // namespace

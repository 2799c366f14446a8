// Items and their nodes: the image rule, inserting with AddOneItem, freeing nodes as the tree deletes
// items (books closed, drivers released unless shared), deleting without freeing, and the messages
// shown from the string table.
#include "support/shelf_world.h"

#include "commctrl.h"
#include "plat/resources.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>

using namespace world;

namespace {

class Items : public ShelfWorld {
  protected:
    void SetUp() override {
        ShelfWorld::SetUp();
        AddDriver("Books.Dll");
        ASSERT_TRUE(CreateControl());
    }

    static TreeNode* CatalogNode(const char* key, DWORD type = CATA_SYSTEM) {
        auto* node = new TreeNode;
        node->nKind = NODE_CATALOG;
        auto* record = new CatalogRecord;
        record->dwCataType = type;
        EXPECT_TRUE(tavrin::CopyFits(record->szCataKey, key));
        node->pRecord = record;
        return node;
    }

    static TreeNode* PlainNode(DWORD kind) {
        auto* node = new TreeNode;
        node->nKind = kind;
        if (kind == NODE_CHAPTER || kind == NODE_PAGE) node->pRecord = new ContentsRecord;
        if (kind == NODE_ROOT) node->pRecord = new CatalogRecord;
        return node;
    }

    HTREEITEM Add(TreeNode* node, HTREEITEM parent = nullptr, int children = 0) {
        HTREEITEM item = ctrl_->AddOneItem(parent, "item", TVI_LAST, &g_imageIndex[0], node, children);
        EXPECT_NE(item, nullptr);
        ctrl_->SetItemImages(item, 0);
        return item;
    }

    int Image(HTREEITEM item) {
        TVITEMA tv{};
        tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tv.hItem = item;
        TreeView_GetItem(Tree(), &tv);
        EXPECT_EQ(tv.iImage, tv.iSelectedImage);
        return tv.iImage;
    }

    static int Expected(int group, int column) { return g_imageIndex[group * 4 + column]; }
};

TEST_F(Items, CatalogKeysChooseTheirImageGroups) {
    struct Case {
        const char* key;
        DWORD type;
        int group;
    } cases[] = {{"3", CATA_SYSTEM, 10},     {"14", CATA_SYSTEM, 8},  {"25", CATA_SYSTEM, 10},
                 {"65535", CATA_SYSTEM, 12}, {"abc", CATA_SYSTEM, 0}, {"1", CATA_SYSTEM, 9},
                 {"5", CATA_SYSTEM, 6},      {"18", CATA_SYSTEM, 6},  {"6", CATA_SYSTEM, 7},
                 {"", CATA_ONLINE, 8},       {"", CATA_USER, 16},     {"-1", CATA_SYSTEM, 10}};
    for (const Case& c : cases) {
        HTREEITEM item = Add(CatalogNode(c.key, c.type));
        EXPECT_EQ(Image(item), Expected(c.group, 0)) << "key '" << c.key << "'";
        ctrl_->SetItemImages(item, 1);
        EXPECT_EQ(Image(item), Expected(c.group, 1)) << "key '" << c.key << "' opened";
    }
}

TEST_F(Items, TrunkStatusPicksTheOfflineColumnsExceptForRootAndDictionaries) {
    ctrl_->SetTrunkStatus(0);
    HTREEITEM root = Add(PlainNode(NODE_ROOT));
    HTREEITEM dict = Add(PlainNode(NODE_DICT)); // no record: freeing it frees just the node
    HTREEITEM chapter = Add(PlainNode(NODE_CHAPTER));
    HTREEITEM cat1 = Add(CatalogNode("1"));
    EXPECT_EQ(Image(root), Expected(0, 0));
    EXPECT_EQ(Image(dict), Expected(4, 0));
    EXPECT_EQ(Image(chapter), Expected(2, 2));
    EXPECT_EQ(Image(cat1), Expected(9, 2));
    ctrl_->SetItemImages(chapter, 1);
    ctrl_->SetItemImages(root, 1);
    EXPECT_EQ(Image(chapter), Expected(2, 3));
    EXPECT_EQ(Image(root), Expected(0, 1));
}

TEST_F(Items, BooksInCatalogSixShowGroupFiveAndKindsAboveFiveKeepTheirImages) {
    HTREEITEM six = Add(CatalogNode("6"), nullptr, 1);
    HTREEITEM other = Add(CatalogNode("7"), nullptr, 1);
    HTREEITEM inSix = Add(PlainNode(NODE_BOOK), six);
    HTREEITEM inOther = Add(PlainNode(NODE_BOOK), other);
    EXPECT_EQ(Image(inSix), Expected(5, 0));
    EXPECT_EQ(Image(inOther), Expected(1, 0));
    ctrl_->SetTrunkStatus(0);
    ctrl_->SetItemImages(inSix, 0);
    ctrl_->SetItemImages(inOther, 0);
    EXPECT_EQ(Image(inSix), Expected(5, 2)); // group 5 has one picture in every column
    EXPECT_EQ(Image(inOther), Expected(1, 2));
    HTREEITEM item = ctrl_->AddOneItem(nullptr, "odd", TVI_LAST, &g_imageIndex[7], PlainNode(9), 0);
    ctrl_->SetItemImages(item, 1);
    EXPECT_EQ(Image(item), g_imageIndex[7]);
}

// A book opened through a driver library the way registration does it: one library load per book.
class BookFreeing : public Items {
  protected:
    HTREEITEM AddBook(const std::string& driverPath, const char* bookPath, unsigned caps) {
        testdrv::Driver drv(driverPath);
        drv.AddBook(bookPath);
        drv.SetCaps(bookPath, caps, 0xFF);
        HMODULE module = LoadLibraryA(driverPath.c_str());
        EXPECT_NE(module, 0u);
        BindDriver(module);
        CBI_HBOOK handle = 0;
        EXPECT_EQ(g_cbi.CBIOpenBook(bookPath, 0, &handle), 0);
        auto* node = new TreeNode;
        node->nKind = NODE_BOOK;
        auto* record = new BookRecord;
        record->dwBookHandle = handle;
        record->hDriver = module;
        record->pHostData = std::malloc(16);
        record->dwHostDataLen = 16;
        node->pRecord = record;
        HTREEITEM item = ctrl_->AddOneItem(nullptr, bookPath, TVI_LAST, &g_imageIndex[4], node, 0);
        ctrl_->SetItemImages(item, 0);
        return item;
    }
};

TEST_F(BookFreeing, DeletingABookClosesItAndReleasesItsDriverUnlessShared) {
    std::string plain = AddDriver("plain.dll");
    std::string shared = AddDriver("shared.dll");
    testdrv::Driver plainDrv(plain), sharedDrv(shared);
    HTREEITEM a = AddBook(plain, "/b/a.ebd", 0);
    HTREEITEM b = AddBook(shared, "/b/b.epub", CBI_CAP_SHARED_HTML);
    HTREEITEM c = AddBook(shared, "/b/c.ebd", CBI_CAP_SHARED_HTML);
    sharedDrv.SetCapsFails("/b/c.ebd", 1);
    HMODULE sharedModule = GetModuleHandleA(shared.c_str());
    ASSERT_EQ(plat::ModuleLoadCount(sharedModule), 2u);
    TreeView_DeleteItem(Tree(), a);
    EXPECT_EQ(plainDrv.CloseCount(), 1);
    EXPECT_EQ(GetModuleHandleA(plain.c_str()), 0u) << "the plain driver is released";
    TreeView_DeleteItem(Tree(), c);
    EXPECT_EQ(plat::ModuleLoadCount(sharedModule), 1u) << "caps that cannot be read: released";
    TreeView_DeleteItem(Tree(), b);
    EXPECT_EQ(sharedDrv.CloseCount(), 2);
    EXPECT_EQ(plat::ModuleLoadCount(sharedModule), 1u) << "the shared driver stays loaded";
    FreeLibrary(sharedModule); // the control's own reference to the shared driver stands for it here
}

TEST_F(BookFreeing, DriverWithoutCloseIsReleasedAllTheSame) {
    std::string drvPath = AddDriver("noclose.dll", TAVRIN_TESTDRV_NOCLOSE_PATH);
    testdrv::Driver drv(drvPath);
    HTREEITEM first = AddBook(drvPath, "/b/d.ebd", 0);
    HTREEITEM second = AddBook(drvPath, "/b/e.ebd", 0);
    HMODULE module = GetModuleHandleA(drvPath.c_str());
    ASSERT_EQ(plat::ModuleLoadCount(module), 2u);
    TreeView_DeleteItem(Tree(), first);
    EXPECT_EQ(plat::ModuleLoadCount(module), 1u) << "the load the book held is given back";
    TreeView_DeleteItem(Tree(), second);
    EXPECT_EQ(GetModuleHandleA(drvPath.c_str()), 0u);
    EXPECT_EQ(drv.MisuseCount(), 0);
}

TEST_F(BookFreeing, DeleteKeepingNodesFreesNothingAndTheControlsEndClosesEveryBookOnce) {
    std::string drvPath = AddDriver("keep.dll");
    testdrv::Driver drv(drvPath);
    HTREEITEM book = AddBook(drvPath, "/b/e.ebd", 0);
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = book;
    TreeView_GetItem(Tree(), &tv);
    auto* node = reinterpret_cast<TreeNode*>(tv.lParam);
    ASSERT_TRUE(ctrl_->DeleteItemKeepNodes(book));
    EXPECT_EQ(drv.CloseCount(), 0);
    // The node now belongs to a copy: re-insert it below a catalog and let the control's end free it.
    HTREEITEM parent = ctrl_->AddOneItem(nullptr, "cat", TVI_LAST, &g_imageIndex[0], new TreeNode{}, 1);
    ctrl_->AddOneItem(parent, "copy", TVI_LAST, &g_imageIndex[4], node, 0);
    for (int i = 0; i < 3; ++i)
        AddBook(drvPath, ("/b/many" + std::to_string(i)).c_str(), 0);
    DestroyControl();
    EXPECT_EQ(drv.OpenCount(), 4);
    EXPECT_EQ(drv.CloseCount(), 4);
    EXPECT_EQ(drv.MisuseCount(), 0);
}

TEST_F(Items, ShowMessageTakesItsTextAndCaptionFromTheStringTable) {
    ui_.AnswerMessageBox(IDOK, "This catalog  has already existed.");
    ctrl_->ShowMessage(13);
    plat::SetUserLanguage(0x0804);
    ui_.AnswerMessageBox(IDOK, "");
    ctrl_->ShowMessage(40022); // not in the Simplified Chinese table: an empty text
    plat::SetUserLanguage(0x0409);
    ASSERT_EQ(ui_.MessageBoxes().size(), 2u);
    EXPECT_EQ(ui_.MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(ui_.MessageBoxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(ui_.MessageBoxes()[0].owner, ctrl_->GetSafeHwnd());
    EXPECT_FALSE(ui_.MessageBoxes()[1].caption.empty());
    EXPECT_TRUE(ui_.Finished());
}

} // namespace

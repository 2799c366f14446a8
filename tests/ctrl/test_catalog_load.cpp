// Loading the system catalog at start-up: the root and the catalogs in the driver's order with their
// flags, colours and keys; settings read from a first child's page; entries named as a contents page;
// short and garbled pages; a catalog file that cannot be opened; the pruning of the catalogs "5" and
// "18"; reading one setting on demand and a catalog's own images.
#include "test_catalog_world.h"

#include "plat/modules.h"
#include "plat/resources.h"
#include "shelf/cbi_table.h"

#include <cstring>

using namespace catalog_world;

namespace {

constexpr const char* kContentsPage = "\xA5\xD8\xBF\xFD\xAD\xB6";

// ---- order, kinds, flags, colours, keys ----

class CatalogLoading : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        sys_ = std::make_unique<SysCatalog>(Drv(), SysPath(), "My Shelf",
                                            std::initializer_list<std::string_view>{
                                                "[CONFIG]", "TEXTCOLOR=0 128 0", "ID=root", "CANNEWCATA=1"});
        uint32_t a =
            Sys().Add(Sys().Root(), "Dictionaries",
                      {"[CONFIG]", "ID=1", "TEXTCOLOR=255 0 0", "BACKCOLOR=0 0 255", "CANNEWCATA=1"});
        Sys().Add(a, "Bilingual", {"[config]", "id=2", "CanAddBook=2"});
        Sys().Add(Sys().Root(), "Literature", {"[CONFIG]", "ID=65535", "CANADDBOOK=0", "CANNEWCATA=0"});
        Sys().Add(Sys().Root(), "Plain");
        ASSERT_TRUE(Start());
        ASSERT_TRUE(ui_.MessageBoxes().empty());
    }
};

TEST_F(CatalogLoading, RootComesFirstAsASystemCatalogThatIgnoresPermissions) {
    HTREEITEM root = Ctrl().Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(TreeView_GetRoot(Tree()), root);
    EXPECT_EQ(Text(root), "My Shelf");
    EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"Dictionaries", "Literature", "Plain"}));
    EXPECT_EQ(ChildTexts(Find("Dictionaries")), std::vector<std::string>{"Bilingual"});
    TreeNode* node = Node(root);
    EXPECT_EQ(node->nKind, NODE_ROOT);
    EXPECT_EQ(node->dwFlags, 0x0Fu) << "CANNEWCATA is not read for the root";
    EXPECT_EQ(node->crText, 0x008000u);
    EXPECT_EQ(node->crBack, 0xFFFFFFFFu);
    EXPECT_EQ(Record(root).dwCataType, CATA_SYSTEM);
    EXPECT_STREQ(Record(root).szCataKey, "root");
    EXPECT_EQ(Record(root).hVpItem, Sys().Root());
    EXPECT_TRUE(TreeView_GetItemState(Tree(), root, TVIS_EXPANDED) & TVIS_EXPANDED) << "start-up expands it";
    // The system catalog is opened once and closed when the control goes.
    EXPECT_TRUE(Ctrl().ShelfOpen());
    EXPECT_EQ(Ctrl().ShelfHandle(), Drv().LastHandle(SysPath().c_str()));
    EXPECT_EQ(Drv().BookOpenCount(SysPath().c_str()), 1);
    DestroyControl();
    EXPECT_EQ(Drv().BookCloseCount(SysPath().c_str()), 1);
    EXPECT_EQ(Drv().MisuseCount(), 0);
}

TEST_F(CatalogLoading, CatalogsTakeTheirFlagsColoursKeysAndImagesFromTheirSettings) {
    EXPECT_EQ(Node(Find("Dictionaries"))->dwFlags, 0x0Fu | NF_CANNEWCATA);
    EXPECT_EQ(Node(Find("Bilingual"))->dwFlags, 0x0Fu | NF_CANADDBOOK) << "keys in any case, a value of 2";
    EXPECT_EQ(Node(Find("Literature"))->dwFlags, 0x0Fu) << "only nonzero values add permissions";
    EXPECT_EQ(Node(Find("Dictionaries"))->crText, 0x0000FFu) << "red, green, blue";
    EXPECT_EQ(Node(Find("Dictionaries"))->crBack, 0xFF0000u);
    EXPECT_EQ(Node(Find("Plain"))->crText, 0xFFFFFFFFu) << "no colour: the default";
    EXPECT_EQ(Node(Find("Literature"))->nKind, NODE_CATALOG);
    EXPECT_STREQ(Record(Find("Literature")).szCataKey, "65535");
    EXPECT_EQ(Text(TreeView_GetParent(Tree(), Find("Literature"))), "My Shelf");
    EXPECT_STREQ(Record(Find("Plain")).szCataKey, "") << "no settings: an empty key";
    EXPECT_EQ(Image(Find("Literature")), GroupImage(12, 0)) << "images by key (the item tests' table)";
}

// ---- where settings come from, and pages that hold none ----

class CatalogStartUp : public CatalogWorld {};

TEST_F(CatalogStartUp, KeysComeFromAFirstChildsPageAnIdbPrefixOrALaterSectionAndAreNeverCut) {
    uint32_t parent = Sys().Add(Sys().Root(), "Parent");
    Sys().Add(parent, "Child", {"[CONFIG]", "ID=14", "TEXTCOLOR=1 2 3"});
    Sys().Add(Sys().Root(), "Pictures", {"[CONFIG]", "IDB=131 155 131 155", "ID=7"});
    Sys().Add(Sys().Root(), "Late", {"[CONFIG]", "TEXTCOLOR=0 0 0", "[BOOKS]", "ID=9"});
    Sys().Add(Sys().Root(), "Long", {"[CONFIG]", "ID=" + std::string(36, '7')});
    Sys().Add(Sys().Root(), "Fits", {"[CONFIG]", "ID=" + std::string(35, '8')});
    ASSERT_TRUE(Start());
    EXPECT_STREQ(Record(Find("Parent")).szCataKey, "14") << "an entry without a page reads its first child's";
    EXPECT_EQ(Node(Find("Parent"))->crText, 0x030201u);
    EXPECT_STREQ(Record(Find("Child")).szCataKey, "14");
    EXPECT_STREQ(Record(Find("Pictures")).szCataKey, "131 155 131 155") << "ID matches IDB by prefix";
    EXPECT_STREQ(Record(Find("Late")).szCataKey, "9");
    EXPECT_STREQ(Record(Find("Long")).szCataKey, "") << "a key longer than the record holds is refused";
    EXPECT_EQ(std::string(Record(Find("Fits")).szCataKey), std::string(35, '8'));
}

TEST_F(CatalogStartUp, ShortBracketlessAndUnendedPagesLoadWithDefaults) {
    Sys().AddWithPage(Sys().Root(), "Short",
                      "[CONFIG]\xFF\x0AID=1\xFF\x0A"
                      "CANNEWCATA=1");
    Sys().AddWithPage(Sys().Root(), "NoBracket", std::string(80, 'x') + "ID=2\xFF\x06");
    Sys().AddWithPage(Sys().Root(), "Empty", "");
    Sys().AddWithPage(Sys().Root(), "Unended", SettingsPage({"[CONFIG]", "ID=3", "TEXTCOLOR=9 9 9"}, false));
    Sys().AddWithPage(Sys().Root(), "Binary", std::string(56, '\0') + "[\xFF\xFF\xFF\x0A\x00=\r");
    ASSERT_TRUE(Start());
    for (const char* name : {"Short", "NoBracket", "Empty", "Binary"}) {
        HTREEITEM item = Find(name);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_STREQ(Record(item).szCataKey, "") << name;
        EXPECT_EQ(Node(item)->dwFlags, 0x0Fu) << name;
        EXPECT_EQ(Node(item)->crText, 0xFFFFFFFFu) << name;
    }
    EXPECT_STREQ(Record(Find("Unended")).szCataKey, "3") << "the text runs to the page's end";
    EXPECT_EQ(Node(Find("Unended"))->crText, 0x090909u);
    EXPECT_EQ(Drv().MisuseCount(), 0);
}

// Entries named as a contents page make no catalog: their children go under the catalog before them,
// or under their parent when they come first at their level.
TEST_F(CatalogStartUp, ContentsPageEntriesGiveTheirChildrenToTheCatalogBeforeOrTheParent) {
    Sys().Add(Sys().Root(), "Before", {"[CONFIG]", "ID=3"});
    uint32_t page = Sys().Add(Sys().Root(), kContentsPage);
    Sys().Add(page, "Orphan", {"[CONFIG]", "ID=4"});
    Sys().Add(Sys().Root(), "After");
    uint32_t top = Sys().Add(Sys().Root(), "Top");
    Sys().Add(Sys().Add(top, kContentsPage), "Lifted");
    Sys().Add(top, "Sibling");
    ASSERT_TRUE(Start());
    EXPECT_EQ(ChildTexts(Ctrl().Root()), (std::vector<std::string>{"Before", "After", "Top"}));
    EXPECT_EQ(ChildTexts(Find("Before")), std::vector<std::string>{"Orphan"});
    EXPECT_EQ(ChildTexts(Find("Top")), (std::vector<std::string>{"Lifted", "Sibling"}));
    EXPECT_EQ(Find(kContentsPage), nullptr);
}

// ---- a catalog that cannot be opened ----

TEST_F(CatalogStartUp, FailedOpenShowsThePathAndLeavesTheTreeEmpty) {
    Drv().SetOpenResult(SysPath().c_str(), 2);
    ui_.AnswerMessageBox(IDOK, SysPath());
    ASSERT_TRUE(Start());
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u);
    EXPECT_FALSE(Ctrl().ShelfOpen());
    EXPECT_NE(Ctrl().ShelfDriver(), 0u) << "the shelf driver stays loaded";
    DestroyControl();
    EXPECT_EQ(Drv().CallCount("CBICloseBook"), 0) << "nothing opened, nothing closed";
}

class ShelfDriverWithoutOpen : public CatalogWorld {
  protected:
    ShelfDriverWithoutOpen() : CatalogWorld(TAVRIN_TESTDRV_NOOPEN_PATH) {}
};

TEST_F(ShelfDriverWithoutOpen, ShowsThePathAndLeavesTheTreeEmpty) {
    ui_.AnswerMessageBox(IDOK, SysPath());
    ASSERT_TRUE(Start());
    EXPECT_EQ(TreeView_GetCount(Tree()), 0u);
    EXPECT_FALSE(Ctrl().ShelfOpen());
}

class ShelfDriverWithoutContents : public CatalogWorld {
  protected:
    ShelfDriverWithoutContents() : CatalogWorld(TAVRIN_TESTDRV_NOCONTENTS_PATH) {}
};

TEST_F(ShelfDriverWithoutContents, GivesANamelessRootOnly) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(ui_.MessageBoxes().empty());
    ASSERT_NE(Ctrl().Root(), nullptr);
    EXPECT_EQ(Text(Ctrl().Root()), "");
    EXPECT_EQ(TreeView_GetCount(Tree()), 1u);
    EXPECT_EQ(Drv().MisuseCount(), 0);
}

// ---- pruning at start-up: the empty children of "5", and the first "18" when it is empty ----

TEST_F(CatalogStartUp, EmptySubCatalogsOfFiveAndAnEmptyFirstEighteenGo) {
    uint32_t five = Sys().Add(Sys().Root(), "Five", {"[CONFIG]", "ID=5"});
    uint32_t filled = Sys().Add(five, "Filled");
    Sys().Add(filled, "Inner"); // empty itself, but only the children of "5" are pruned
    Sys().Add(five, "Empty1");
    Sys().Add(five, "Empty2");
    Sys().Add(Sys().Root(), "First18", {"[CONFIG]", "ID=18"});
    Sys().Add(Sys().Root(), "Second18", {"[CONFIG]", "ID=18"});
    ASSERT_TRUE(Start());
    EXPECT_EQ(ChildTexts(Ctrl().Root()), (std::vector<std::string>{"Five", "Second18"}))
        << "only the first catalog of a key is pruned";
    EXPECT_EQ(ChildTexts(Find("Five")), std::vector<std::string>{"Filled"});
    EXPECT_EQ(ChildTexts(Find("Filled")), std::vector<std::string>{"Inner"});
}

TEST_F(CatalogStartUp, FilledEighteenStays) {
    uint32_t e = Sys().Add(Sys().Root(), "Eighteen", {"[CONFIG]", "ID=18"});
    Sys().Add(e, "Inside");
    ASSERT_TRUE(Start());
    EXPECT_NE(Find("Eighteen"), nullptr);
}

// ---- one setting on demand ----

class SettingOnDemand : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        entry_ = Sys().Add(Sys().Root(), "Linked", {"[CONFIG]", "ID=3", "RID=news", "[BOOKS]", "abc.ebd=1"});
        ASSERT_TRUE(Start());
    }
    int Get(uint32_t entry, const char* section, const char* key, char* value, int size) {
        return Ctrl().GetCataInfoFromFile(Ctrl().ShelfHandle(), entry, section, key, value, size);
    }
    uint32_t entry_ = 0;
};

TEST_F(SettingOnDemand, ValueFillsAClearedBufferOnlyWhenItFits) {
    char value[16];
    std::memset(value, 'x', sizeof value);
    ASSERT_EQ(Get(entry_, "CONFIG", "RID", value, sizeof value), 1);
    EXPECT_EQ(std::string(value, sizeof value), std::string("news") + std::string(12, '\0'));
    char tight[4] = {'q', 'q', 'q', 'q'};
    EXPECT_EQ(Get(entry_, "CONFIG", "RID", tight, 4), 0);
    EXPECT_EQ(std::string(tight, 4), "qqqq") << "a value that does not fit is not found";
    char fits[5];
    EXPECT_EQ(Get(entry_, "CONFIG", "RID", fits, 5), 1);
    EXPECT_STREQ(fits, "news");
    char kept[256] = "kept";
    EXPECT_EQ(Get(entry_, "CONFIG", "NOPE", kept, 256), 0);
    EXPECT_EQ(Get(entry_, "OTHER", "ID", kept, 256), 0);
    EXPECT_EQ(Get(0, "CONFIG", "ID", kept, 256), 0);
    EXPECT_EQ(Get(entry_, "CONFIG", "ID", kept, 0), 0);
    EXPECT_STREQ(kept, "kept");
    EXPECT_EQ(Drv().MisuseCount(), 0);
}

TEST_F(SettingOnDemand, BindsTheShelfDriverWhateverWasBoundBefore) {
    std::string other = AddDriver("other.dll");
    HMODULE module = LoadLibraryA(other.c_str());
    BindDriver(module);
    char value[256];
    EXPECT_EQ(Get(entry_, "BOOKS", "abc.ebd", value, sizeof value), 1);
    EXPECT_STREQ(value, "1");
    EXPECT_EQ(BoundDriver(), Ctrl().ShelfDriver());
    FreeLibrary(module);
}

// ---- a catalog's own images ----

TEST_F(CatalogStartUp, IdbBitmapsComeFromTheHostsResourceModule) {
    uint32_t entry = Sys().Add(Sys().Root(), "Pictured", {"[CONFIG]", "IDB=900 901 902 903"});
    uint32_t bare = Sys().Add(Sys().Root(), "Bare", {"[CONFIG]", "ID=2"});
    ASSERT_TRUE(Start());

    static plat::ResourceTable table;
    plat::BitmapResource bitmap;
    bitmap.width = bitmap.height = 16;
    bitmap.pixels.assign(256, RGB(10, 20, 30));
    for (UINT id : {900u, 901u, 903u}) // 902 is missing
        table.bitmaps[id] = bitmap;
    HMODULE res = plat::RegisterBuiltinModule("Tavrin.res", (dir_ / "Tavrin.res").string().c_str());
    plat::RegisterResources(res, &table);
    HINSTANCE before = AfxGetResourceHandle();
    int count = g_imageList.GetImageCount();

    ui_.AnswerMessageBox(IDOK, "Load bitmap failed");
    TreeNode node;
    Ctrl().GetImgIdx(Ctrl().ShelfHandle(), entry, &node);
    EXPECT_EQ(node.nImage[0], count);
    EXPECT_EQ(node.nImage[1], count + 1);
    EXPECT_EQ(node.nImage[2], -1);
    EXPECT_EQ(node.nImage[3], count + 2);
    EXPECT_EQ(g_imageList.GetImageCount(), count + 3);
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(AfxGetResourceHandle(), before) << "the resource module is restored";

    TreeNode untouched;
    untouched.nImage[0] = 42;
    Ctrl().GetImgIdx(Ctrl().ShelfHandle(), bare, &untouched);
    EXPECT_EQ(untouched.nImage[0], 42) << "no IDB: nothing added";
    EXPECT_EQ(g_imageList.GetImageCount(), count + 3);
    plat::RegisterResources(res, nullptr);
}

} // namespace

// Trunks: the host's look-up of a trunk by name (system catalogs by their link, user and online
// catalogs by their key, case ignored) and the trunk status that switches every item below the root
// between the on-line and off-line image columns.
#include "test_catalog_world.h"

#include "shelf/cbi_table.h"

#include <cstring>

using namespace catalog_world;

namespace {

// ---- looking a trunk up ----

class TrunkLookup : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        uint32_t news = Sys().Add(Sys().Root(), "Newspapers", {"[CONFIG]", "ID=11", "RID=news"});
        Sys().Add(news, "Daily", {"[CONFIG]", "ID=12", "RID=daily"});
        Sys().Add(Sys().Root(), "Keyed", {"[CONFIG]", "ID=abc"});
        Sys().Add(Sys().Root(), "Unlinked", {"[CONFIG]", "ID=13", "RID=0"});
        Sys().Add(Sys().Root(), "Again", {"[CONFIG]", "ID=14", "RID=NEWS"});
        ASSERT_TRUE(Start());
        user_ = AddUserCatalog(Ctrl().Root(), "My notes", CATA_USER, "ABC");
        online_ = AddUserCatalog(Ctrl().Root(), "Store", CATA_ONLINE, "Store7");
    }

    static TrunkInfo Blank() {
        TrunkInfo info;
        std::memset(&info, 0xAB, sizeof info);
        return info;
    }

    HTREEITEM user_ = nullptr;
    HTREEITEM online_ = nullptr;
};

TEST_F(TrunkLookup, SystemCatalogsByTheirLinkUserAndOnlineCatalogsByTheirKeyIgnoringCase) {
    TrunkInfo info = Blank();
    ASSERT_EQ(Ctrl().GetTrunkInfo("NeWs", &info), 1);
    EXPECT_EQ(info.dwType, 2u);
    EXPECT_EQ(info.dwShelfHandle, Ctrl().ShelfHandle());
    EXPECT_STREQ(info.szTrunk, "NeWs") << "the name as the host gave it";
    EXPECT_STREQ(info.szCataName, "Newspapers") << "the first of two catalogs with that link";
    ASSERT_EQ(Ctrl().GetTrunkInfo("daily", &info), 1);
    EXPECT_STREQ(info.szCataName, "Daily") << "nested";
    EXPECT_EQ(Ctrl().GetTrunkClassID(Ctrl().Root(), "daily", nullptr), Find("Daily"));
    ASSERT_EQ(Ctrl().GetTrunkInfo("abc", &info), 1);
    EXPECT_STREQ(info.szCataName, "My notes") << "not the system catalog whose ID is abc";
    EXPECT_EQ(Ctrl().GetTrunkClassID(Ctrl().Root(), "STORE7", &info), online_);
    EXPECT_STREQ(info.szCataName, "Store");
}

TEST_F(TrunkLookup, NoTrunkLeavesTheRecordUntouched) {
    TrunkInfo info = Blank();
    TrunkInfo before = info;
    EXPECT_EQ(Ctrl().GetTrunkInfo("nowhere", &info), 0);
    EXPECT_EQ(Ctrl().GetTrunkInfo("", &info), 0) << "user catalogs with empty keys do not answer ''";
    EXPECT_EQ(Ctrl().GetTrunkInfo(std::string(400, 'n').c_str(), &info), 0);
    EXPECT_EQ(Ctrl().GetTrunkInfo("0", &info), 0) << "RID=0 is no link";
    TreeView_DeleteItem(Tree(), user_);
    EXPECT_EQ(Ctrl().GetTrunkInfo("abc", &info), 0) << "a system catalog without a link is never a trunk";
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    EXPECT_EQ(Ctrl().GetTrunkInfo("news", nullptr), 0);
}

TEST_F(TrunkLookup, ReadsOneLinkPerSystemCatalogAndLeavesTheShelfDriverBound) {
    TrunkInfo info = Blank();
    Drv().ClearLog();
    ASSERT_EQ(Ctrl().GetTrunkInfo("daily", &info), 1);
    EXPECT_EQ(Drv().CallCount("CBIGetPage"), 2) << "Newspapers, then Daily";
    std::string other = AddDriver("other.dll");
    HMODULE module = LoadLibraryA(other.c_str());
    BindDriver(module);
    EXPECT_EQ(Ctrl().GetTrunkInfo("abc", &info), 1) << "found without reading any page";
    EXPECT_EQ(BoundDriver(), Ctrl().ShelfDriver());
    FreeLibrary(module);
}

// ---- the trunk status ----

// Catalogs with distinct on-line and off-line images: key 1 (group 9) holding key 12 (group 14).
class TrunkStatus : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        uint32_t one = Sys().Add(Sys().Root(), "One", {"[CONFIG]", "ID=1"});
        Sys().Add(one, "Twelve", {"[CONFIG]", "ID=12"});
        Sys().Add(Sys().Root(), "Thirteen", {"[CONFIG]", "ID=13"});
        ASSERT_TRUE(Start());
        one_ = Find("One");
        twelve_ = Find("Twelve");
        thirteen_ = Find("Thirteen");
    }
    HTREEITEM one_ = nullptr;
    HTREEITEM twelve_ = nullptr;
    HTREEITEM thirteen_ = nullptr;
};

TEST_F(TrunkStatus, ChangeSwitchesTheColumnsBelowTheRootAndTheSameStatusNothing) {
    ASSERT_EQ(Ctrl().TrunkStatus(), 1);
    Ctrl().SetItemImages(one_, 1); // an image the status switch would redo
    EXPECT_EQ(Ctrl().SetTrunkStatus(nullptr, 1), 0);
    EXPECT_EQ(Image(one_), GroupImage(9, 1));
    const int rootImage = Image(Ctrl().Root()); // the expanded root's open image since start-up
    EXPECT_EQ(rootImage, GroupImage(0, 1));
    TreeView_Expand(Tree(), one_, TVE_EXPAND);
    EXPECT_EQ(Ctrl().SetTrunkStatus(nullptr, 0), 1);
    EXPECT_EQ(Ctrl().TrunkStatus(), 0);
    EXPECT_EQ(Image(one_), GroupImage(9, 3)) << "expanded: the open column";
    EXPECT_EQ(Image(twelve_), GroupImage(14, 2));
    EXPECT_EQ(Image(thirteen_), GroupImage(15, 2));
    EXPECT_EQ(Image(Ctrl().Root()), rootImage) << "the root keeps its image";
    EXPECT_EQ(Ctrl().SetTrunkStatus(nullptr, 5), 1) << "any other value is a change";
    EXPECT_EQ(Image(one_), GroupImage(9, 1));
    EXPECT_EQ(Image(twelve_), GroupImage(14, 0));
}

TEST_F(TrunkStatus, StatusReachesItemsBelowBooksAndOtherKinds) {
    auto* book = new TreeNode;
    book->nKind = NODE_BOOK;
    HTREEITEM bookItem = Ctrl().AddOneItem(thirteen_, "Book", TVI_LAST, &g_imageIndex[4], book, 0);
    Ctrl().SetItemImages(bookItem, 0);
    auto* chapter = new TreeNode;
    chapter->nKind = NODE_CHAPTER;
    chapter->pRecord = new ContentsRecord;
    HTREEITEM chapterItem = Ctrl().AddOneItem(bookItem, "Chapter", TVI_LAST, &g_imageIndex[8], chapter, 0);
    Ctrl().SetItemImages(chapterItem, 0);
    EXPECT_EQ(Ctrl().SetTrunkStatus(nullptr, 0), 1);
    EXPECT_EQ(Image(bookItem), GroupImage(1, 2));
    EXPECT_EQ(Image(chapterItem), GroupImage(2, 2));
}

} // namespace

// User catalogs inside an HTML e-book catalog, which start-up makes again (with its books) before the
// stream is loaded: the catalog and its books are shown once, the user's catalogs and books where
// they were.
#include "test_html_ebooks_world.h"

namespace {

class EbookCtrl : public regbooks::RegCtrl {
  public:
    using CTavrinCtrl::TransferItem;
};

class EbookUserCatalogs : public html_world::HtmlWorld {
  protected:
    void TearDown() override {
        DestroyControl();
        HtmlWorld::TearDown();
    }
    bool StartShelf() { return CreateControl(std::make_unique<EbookCtrl>()); }
    EbookCtrl& Shelf() { return static_cast<EbookCtrl&>(*ctrl_); }
    // Saves into (or loads from) the stream file through the control's handle.
    BOOL Stream(bool save) {
        std::string path = (dir_ / "User.cat").string();
        HANDLE h = CreateFileA(path.c_str(), save ? GENERIC_WRITE : GENERIC_READ, 0, nullptr,
                               save ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        Shelf().m_hUserDefine = h;
        BOOL ok = save ? Shelf().SaveUserDefineHead() : Shelf().LoadUserDefine();
        Shelf().m_hUserDefine = INVALID_HANDLE_VALUE;
        CloseHandle(h);
        return ok;
    }
};

TEST_F(EbookUserCatalogs, ACatalogInsideTheEbookCatalogComesBackThereWithTheCatalogAndItsBooksOnce) {
    AddCatalog(Sys().Root(), "Unclassified", "65535");
    StoreClass("Novels", "NOV", {7, 8});
    ASSERT_TRUE(StartShelf());
    ASSERT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Book 8"}));
    HTREEITEM mine = AddUserCatalog(Find("Novels"), "Mine", CATA_ONLINE, "", 50);
    ASSERT_TRUE(tavrin::CopyFits(Node(mine)->szKey, "Mine"));
    Shelf().TransferItem(Find("Book 8"), mine, TVI_LAST);
    Shelf().DeleteItemKeepNodes(Find("Book 8"));
    ASSERT_EQ(Under("Mine"), (std::vector<std::string>{"Book 8"}));
    ASSERT_TRUE(Stream(true));

    DestroyControl();
    ASSERT_TRUE(StartShelf());
    ASSERT_TRUE(Stream(false));
    EXPECT_EQ(Under("Unclassified"), (std::vector<std::string>{"Novels"}));
    EXPECT_EQ(Under("Novels"), (std::vector<std::string>{"Book 7", "Mine"}));
    EXPECT_EQ(Under("Mine"), (std::vector<std::string>{"Book 8"}));
    EXPECT_EQ(Html().OpenBooks(), 2);
    EXPECT_EQ(Record(Find("Novels")).hDriver, Ctrl().HtmlDriver());
}

} // namespace

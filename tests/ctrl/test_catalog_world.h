// What the catalog tests share: settings pages in the catalog file's format, a system catalog
// "Tavrin.Sys" built in the test driver that serves as "Books.Dll", a control whose catalog members
// tests may call, and helpers to read the tree back.
#pragma once

#include "support/shelf_world.h"

#include "commctrl.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace catalog_world {

// A settings page: a 56-byte head (no "["), the lines joined with 0xFF 0x0A, then 0xFF 0x06 unless
// `endMark` is false.
template <class Lines> std::string SettingsPageOf(const Lines& lines, bool endMark = true) {
    std::string page(56, '.');
    bool first = true;
    for (std::string_view line : lines) {
        if (!first) page += "\xFF\x0A";
        page += line;
        first = false;
    }
    if (endMark) page += "\xFF\x06";
    return page;
}
inline std::string SettingsPage(std::initializer_list<std::string_view> lines, bool endMark = true) {
    return SettingsPageOf(lines, endMark);
}

// The control with its catalog members open to tests.
class CatalogCtrl : public world::TestCtrl {
  public:
    using CTavrinCtrl::FindCatalog;
    using CTavrinCtrl::GetCataInfoFromFile;
    using CTavrinCtrl::GetCatalogId;
    using CTavrinCtrl::GetClassID;
    using CTavrinCtrl::GetClassItem;
    using CTavrinCtrl::GetImgIdx;
    using CTavrinCtrl::GetTrunkClassID;
    using CTavrinCtrl::IsFstLevelClass;
    // The public member, next to the test world's own SetTrunkStatus(int) that only sets the value.
    using CTavrinCtrl::SetTrunkStatus;
    using TestCtrl::SetTrunkStatus;
    HTREEITEM Root() const { return m_hRoot; }
    DWORD ShelfHandle() const { return m_dwShelfHandle; }
    BOOL ShelfOpen() const { return m_bShelfOpen; }
    int TrunkStatus() const { return m_nTrunkStatus; }
};

// The system catalog book of the shelf driver: a root entry and catalog entries with their pages.
class SysCatalog {
  public:
    // A catalog book with only its root entry (with a settings page when `rootLines` are given).
    SysCatalog(testdrv::Driver& drv, std::string path, const char* rootText = "Shelf",
               std::initializer_list<std::string_view> rootLines = {})
        : drv_(drv), path_(std::move(path)) {
        drv_.AddBook(path_.c_str());
        root_ = Add(0, rootText, rootLines);
    }

    const std::string& Path() const { return path_; }
    uint32_t Root() const { return root_; }

    // An entry with the settings page made of `lines` (no page when there are none).
    uint32_t Add(uint32_t parent, const char* text, std::initializer_list<std::string_view> lines = {}) {
        if (lines.size() == 0) return drv_.AddItem(path_.c_str(), parent, text, -1);
        return AddWithPage(parent, text, SettingsPage(lines));
    }
    // An entry whose page holds exactly `page`.
    uint32_t AddWithPage(uint32_t parent, const char* text, const std::string& page) {
        int32_t number = nextPage_++;
        drv_.SetPage(path_.c_str(), number, page.data(), static_cast<int32_t>(page.size()));
        return drv_.AddItem(path_.c_str(), parent, text, number);
    }

  private:
    testdrv::Driver& drv_;
    std::string path_;
    uint32_t root_ = 0;
    int32_t nextPage_ = 0;
};

// A world whose "Books.Dll" serves a system catalog that each test fills before starting the shelf.
class CatalogWorld : public world::ShelfWorld {
  protected:
    // `shelfVariant`: the test driver variant copied in as "Books.Dll".
    explicit CatalogWorld(const char* shelfVariant = TAVRIN_TESTDRV_PATH) : shelfVariant_(shelfVariant) {}

    void SetUp() override {
        ShelfWorld::SetUp();
        books_ = AddDriver("Books.Dll", shelfVariant_);
        drv_ = std::make_unique<testdrv::Driver>(books_);
        sys_ = std::make_unique<SysCatalog>(*drv_, SysPath());
    }
    void TearDown() override {
        ShelfWorld::TearDown();
        sys_.reset();
        drv_.reset();
    }

    // Creates the control, whose start-up loads the catalog.
    bool Start() { return CreateControl(std::make_unique<CatalogCtrl>()); }
    CatalogCtrl& Ctrl() { return static_cast<CatalogCtrl&>(*ctrl_); }
    SysCatalog& Sys() { return *sys_; }
    testdrv::Driver& Drv() { return *drv_; }

    // ---- reading the tree ----
    CatalogRecord& Record(HTREEITEM item) const { return *static_cast<CatalogRecord*>(Node(item)->pRecord); }
    static int GroupImage(int group, int column) { return g_imageIndex[group * 4 + column]; }

    // A catalog node made the way user and online catalogs are, inserted under `parent`.
    HTREEITEM AddUserCatalog(HTREEITEM parent, const char* text, DWORD type, const char* key, DWORD stamp = 0,
                             DWORD classId = 0, HTREEITEM after = TVI_LAST) {
        auto* node = new TreeNode;
        node->nKind = NODE_CATALOG;
        node->dwFlags = NF_CANNEWCATA;
        node->dwClassId = classId;
        auto* record = new CatalogRecord;
        record->dwCataType = type;
        record->tStamp = stamp;
        EXPECT_TRUE(tavrin::CopyFits(record->szCataKey, key));
        EXPECT_TRUE(tavrin::CopyFits(record->szCataName, text));
        node->pRecord = record;
        HTREEITEM item = Ctrl().AddOneItem(parent, text, after, &g_imageIndex[0], node, 0);
        Ctrl().SetItemImages(item, 0);
        return item;
    }
    // A user catalog as the new-catalog command makes one: its name is its key as well.
    HTREEITEM UserCatalog(HTREEITEM parent, const char* name, DWORD type = CATA_USER, DWORD stamp = 0,
                          DWORD classId = 0, HTREEITEM after = TVI_LAST) {
        HTREEITEM item = AddUserCatalog(parent, name, type, "", stamp, classId, after);
        EXPECT_TRUE(tavrin::CopyFits(Node(item)->szKey, name));
        return item;
    }

    const char* shelfVariant_;
    std::string books_;
    std::unique_ptr<testdrv::Driver> drv_;
    std::unique_ptr<SysCatalog> sys_;
};

} // namespace catalog_world

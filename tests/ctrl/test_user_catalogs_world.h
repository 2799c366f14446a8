// What the user catalog stream tests share: a shelf with registered books (with contents) in system
// catalogs, user catalogs made as the new-catalog command makes them, a stream file in the test's
// folder written and read through the control's handle, and a dump of the whole tree to compare a
// shelf before a save with the shelf rebuilt from the stream.
#pragma once

#include "test_contents_world.h"

#include "catalog/user_catalog_stream.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace user_world {

class UserCtrl : public regbooks::RegCtrl {
  public:
    using CTavrinCtrl::SaveCatalogs2;
    using CTavrinCtrl::SaveUserDefine;
    using CTavrinCtrl::TransferItem;
};

class UserWorld : public contents::ContentsWorld {
  protected:
    void TearDown() override {
        DestroyControl();
        ContentsWorld::TearDown();
    }

    bool StartUser() { return CreateControl(std::make_unique<UserCtrl>()); }
    UserCtrl& Shelf() { return static_cast<UserCtrl&>(*ctrl_); }

    // A user catalog under `parent` as the new-catalog command makes one (key = name, a stamp).
    HTREEITEM UserCatalog(HTREEITEM parent, const char* name, DWORD stamp, DWORD type = CATA_USER,
                          DWORD classId = 0) {
        HTREEITEM item = CatalogWorld::UserCatalog(parent, name, type, stamp, classId);
        Node(item)->dwFlags = type == CATA_ONLINE ? (NF_CANADDBOOK | NF_CANNEWCATA) : NF_CANNEWCATA;
        return item;
    }
    void MoveInto(HTREEITEM item, HTREEITEM parent) {
        Shelf().TransferItem(item, parent, TVI_LAST);
        Shelf().DeleteItemKeepNodes(item);
    }

    // Takes a registration out of the registry.
    static void DeleteKeyTree(const std::string& key) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (key + "\\Book").c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }

    // ---- the stream file ----
    std::string StreamPath() const { return (dir_ / "User.cat").string(); }
    BOOL Save(DWORD access = GENERIC_WRITE) {
        HANDLE h = CreateFileA(StreamPath().c_str(), access, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        Shelf().m_hUserDefine = h;
        BOOL ok = Shelf().SaveUserDefineHead();
        Shelf().m_hUserDefine = INVALID_HANDLE_VALUE;
        CloseHandle(h);
        // Real streams for the fuzz target's seeds, kept when asked for.
        if (const char* seeds = std::getenv("TAVRIN_USER_STREAM_SEEDS"); seeds && ok) {
            const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
            WriteFile(std::string(seeds) + "/" + test->name() + "-" + std::to_string(saves_++) + ".cat",
                      StreamBytes());
        }
        return ok;
    }
    int saves_ = 0;
    BOOL Load() {
        HANDLE h = CreateFileA(StreamPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        Shelf().m_hUserDefine = h;
        BOOL ok = Shelf().LoadUserDefine();
        Shelf().m_hUserDefine = INVALID_HANDLE_VALUE;
        CloseHandle(h);
        return ok;
    }
    std::string StreamBytes() const {
        std::ifstream in(StreamPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void SetStreamBytes(const std::string& bytes) { WriteFile(StreamPath(), bytes); }
    // Restarts the shelf (destroying the control closes every book) and loads the stream.
    BOOL Restart() {
        DestroyControl();
        EXPECT_TRUE(StartUser());
        return Load();
    }

    // ---- the whole tree, contents entries left out ----
    std::string Dump(HTREEITEM under = nullptr, int depth = 0) const {
        std::string out;
        for (HTREEITEM c : Children(under)) {
            const TreeNode* node = Node(c);
            if (node->nKind == NODE_CHAPTER || node->nKind == NODE_PAGE) continue;
            out += std::string(static_cast<size_t>(depth) * 2, ' ') + Text(c) +
                   " kind=" + std::to_string(node->nKind) + " flags=" + std::to_string(node->dwFlags) +
                   " class=" + std::to_string(node->dwClassId) + " key=" + node->szKey;
            if (const CatalogRecord* r = CatalogOf(node))
                out += " type=" + std::to_string(r->dwCataType) + " stamp=" + std::to_string(r->tStamp) +
                       " name=" + r->szCataName + " ckey=" + r->szCataKey;
            if (const BookRecord* b = BookOf(node)) out += std::string(" file=") + b->szFilePath;
            out += "\n" + Dump(c, depth + 1);
        }
        return out;
    }
};

// ---- streams made by hand ----

inline std::string Bytes(const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
}
inline std::string Header(const char* signature = "KS2") {
    tavrin::UserStreamHeader h{};
    std::memcpy(h.szMagic, "CATA", 4);
    std::strncpy(h.szSignature, signature, sizeof h.szSignature - 1);
    return Bytes(&h, sizeof h);
}
inline tavrin::UserCatalogItem Item(DWORD type, const char* label, DWORD hasChildren = 0, DWORD hasNext = 0,
                                    DWORD stamp = 0) {
    tavrin::UserCatalogItem item{};
    item.dwType = type;
    item.bHasChildren = hasChildren;
    item.bHasNext = hasNext;
    item.tStamp = stamp;
    std::strncpy(item.szLabel, label, sizeof item.szLabel - 1);
    return item;
}
inline CatalogRecord RootRecord() {
    CatalogRecord r{};
    r.dwCataType = CATA_SYSTEM;
    return r;
}
// A block: its ancestors and entries, with the length and count as given (or as they are).
inline std::string Block(const std::vector<CatalogRecord>& ancestors,
                         const std::vector<tavrin::UserCatalogItem>& entries, long length = -1,
                         long count = -1) {
    std::string body;
    for (const CatalogRecord& r : ancestors)
        body += Bytes(&r, sizeof r);
    for (const tavrin::UserCatalogItem& e : entries)
        body += Bytes(&e, sizeof e);
    tavrin::UserBlockHeader h{static_cast<DWORD>(length < 0 ? body.size() + 8 : static_cast<size_t>(length)),
                              static_cast<DWORD>(count < 0 ? ancestors.size() : static_cast<size_t>(count))};
    return Bytes(&h, sizeof h) + body;
}

} // namespace user_world

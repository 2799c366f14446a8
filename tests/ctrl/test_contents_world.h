// What the contents and location tests share: registered e-books whose contents trees the book driver
// (a copy of the test driver) serves, the user's actions on the tree (keys on the selected item), and
// a host window that keeps copies of the records WM_SHELF_NOTIFY points to (they live on the control's
// stack only while the message is sent).
#pragma once

#include "test_regbooks_world.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace contents {

// One WM_SHELF_NOTIFY as the host saw it, with a copy of its record.
struct Notice {
    WPARAM kind = 0;
    DWORD bookHandle = 0; // kind 1
    PageInfo page{};      // kind 2
    TrunkInfo trunk{};    // kind 3
    CatalogDescInfo desc{};
};

class ContentsWorld : public regbooks::RegWorld {
  public:
    static std::vector<Notice>& Notices() {
        static std::vector<Notice> notices;
        return notices;
    }

  protected:
    void SetUp() override {
        RegWorld::SetUp();
        Notices().clear();
        hostProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContentsWorld::HostProc)));
        Previous() = hostProc_;
    }
    void TearDown() override {
        DestroyControl(); // before the online catalogs' drivers are let go
        for (HMODULE m : online_)
            FreeLibrary(m);
        RegWorld::TearDown();
    }

    // A registered e-book (class 0xFF) with caps `caps` and a contents root; its path.
    std::string ContentsBook(const char* file, const char* number, const char* name,
                             unsigned caps = CBI_CAP_CONTENTS) {
        std::string path = AddBook(file, number, name, 0xFF, caps);
        regbooks::Register(number, path, books_);
        roots_[path] = Books().AddItem(path.c_str(), 0, "(root)", -1);
        return path;
    }
    uint32_t RootEntry(const std::string& path) { return roots_[path]; }
    // An online catalog under the root whose record names a copy of the test driver (`variant`),
    // online-KEY.dll in the host folder.
    HTREEITEM OnlineCatalog(const char* name, const char* key, const char* variant = TAVRIN_TESTDRV_PATH) {
        HMODULE module = LoadLibraryA(AddDriver(std::string("online-") + key + ".dll", variant).c_str());
        EXPECT_NE(module, 0u);
        online_.push_back(module);
        HTREEITEM item = AddUserCatalog(Ctrl().Root(), name, CATA_ONLINE, key);
        Record(item).hDriver = module;
        return item;
    }
    // An entry under `parent` (0: the book's root) after its other entries.
    uint32_t Entry(const std::string& path, uint32_t parent, const char* text, int32_t page = -1) {
        return Books().AddItem(path.c_str(), parent ? parent : roots_[path], text, page);
    }

    // ---- the user's actions ----
    void Select(HTREEITEM item) { TreeView_SelectItem(Tree(), item); }
    // A key on the item (selected first): VK_ADD expands, VK_SUBTRACT collapses, as the user does.
    void Key(HTREEITEM item, WPARAM vk) {
        Select(item);
        SendMessageA(Tree(), WM_KEYDOWN, vk, 0);
    }
    void UserExpand(HTREEITEM item) { Key(item, VK_ADD); }
    void UserCollapse(HTREEITEM item) { Key(item, VK_SUBTRACT); }

    // ---- reading the tree ----
    bool Expanded(HTREEITEM item) const {
        return TreeView_GetItemState(Tree(), item, TVIS_EXPANDED) & TVIS_EXPANDED;
    }
    ContentsRecord& Contents(HTREEITEM item) const {
        return *static_cast<ContentsRecord*>(Node(item)->pRecord);
    }
    HTREEITEM Selected() const { return TreeView_GetSelection(Tree()); }
    // The kinds of the notices the host was sent, in order.
    static std::vector<WPARAM> NoticeKinds() {
        std::vector<WPARAM> kinds;
        for (const Notice& n : Notices())
            kinds.push_back(n.kind);
        return kinds;
    }
    // Image of a book item (group 1) or a contents item (groups 2 and 16), closed or open, as the
    // trunk status chooses the column.
    int GroupImageNow(int group, bool open) {
        return GroupImage(group, (open ? 1 : 0) + (Ctrl().TrunkStatus() ? 0 : 2));
    }
    // How many times the driver was asked for the first sub-entry of `entry`.
    int ChildCalls(DWORD entry) const {
        std::string log = bookDrv_->Log();
        std::string needle = "CBIVPGetChildItem ";
        int count = 0;
        for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) {
            size_t end = log.find(' ', at + needle.size()); // after the book handle
            size_t stop = log.find(' ', end + 1);
            if (std::stoul(log.substr(end + 1, stop - end - 1)) == entry) ++count;
        }
        return count;
    }

  private:
    static WNDPROC& Previous() {
        static WNDPROC previous = nullptr;
        return previous;
    }
    static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_SHELF_NOTIFY) {
            Notice n;
            n.kind = wParam;
            if (wParam == SHELF_NOTIFY_BOOK) n.bookHandle = static_cast<DWORD>(lParam);
            if (wParam == SHELF_NOTIFY_PAGE)
                std::memcpy(&n.page, reinterpret_cast<void*>(lParam), sizeof n.page);
            if (wParam == SHELF_NOTIFY_TRUNK)
                std::memcpy(&n.trunk, reinterpret_cast<void*>(lParam), sizeof n.trunk);
            if (wParam == SHELF_NOTIFY_CATALOG_DESC)
                std::memcpy(&n.desc, reinterpret_cast<void*>(lParam), sizeof n.desc);
            Notices().push_back(n);
        }
        return CallWindowProcA(Previous(), hwnd, msg, wParam, lParam);
    }

    WNDPROC hostProc_ = nullptr;
    std::vector<HMODULE> online_;
    std::map<std::string, uint32_t> roots_;
};

} // namespace contents

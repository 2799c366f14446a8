// What the registered-book tests share: a shelf whose system catalog (served by the test driver as
// "Books.Dll") each test fills, a book driver (another copy of the test driver) whose books each test
// sets up, registrations written straight into the test's own registry store, and a control whose
// registered-book members tests may call.
#pragma once

#include "test_catalog_world.h"

#include "registry/book_registry.h"
#include "shelf/cbi_table.h"

#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace regbooks {

using catalog_world::CatalogWorld;

inline const std::string kRoot = "SOFTWARE\\Velmoran\\ZavikDic";

// The control with its registered-book members open to tests.
class RegCtrl : public catalog_world::CatalogCtrl {
  public:
    using CTavrinCtrl::DoRegister;
    using CTavrinCtrl::EnumRegValue;
    using CTavrinCtrl::FindBook;
    using CTavrinCtrl::FindDriver;
    using CTavrinCtrl::FindDriverOnDisk;
    using CTavrinCtrl::GetBookDriverPath;
    using CTavrinCtrl::IsBookExist;
    using CTavrinCtrl::IsBookExistOnTree;
    using CTavrinCtrl::LoadAndOpen;
    using CTavrinCtrl::SearchDicts;
    using CTavrinCtrl::UnRegister;
    BOOL BooksChanged() const { return m_bBooksChanged; }
    void SetBooksChanged(BOOL value) { m_bBooksChanged = value; }
    DWORD NewBookHandle() const { return m_dwNewBookHandle; }
    const std::vector<TreeNode*>& DictNodes() const { return m_dictNodes; }
};

// ---- the registry store ----

// Writes a string value (without a terminator unless asked), making the key.
inline void SetValue(const std::string& key, const std::string& name, const std::string& data,
                     bool terminator = false, DWORD type = REG_SZ) {
    HKEY k = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
        ERROR_SUCCESS)
        << key;
    ASSERT_EQ(RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + (terminator ? 1 : 0))),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

// A registration as the shelf writes it: root\<name>\Book with "Database" and "Driver".
inline void Register(const std::string& name, const std::string& file, const std::string& driver) {
    SetValue(kRoot + "\\" + name + "\\Book", "Database", file);
    SetValue(kRoot + "\\" + name + "\\Book", "Driver", driver);
}

inline bool KeyExists(const std::string& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// A value's bytes exactly as stored; "<missing>" when there is none.
inline std::string StoredValue(const std::string& key, const std::string& name, DWORD* type = nullptr) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<missing>";
    char data[1024];
    DWORD size = sizeof data;
    LONG result = RegQueryValueExA(k, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    return result == ERROR_SUCCESS ? std::string(data, size) : "<missing>";
}

// ---- the world ----

class RegWorld : public CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        books_ = AddDriver("bookdrv.dll");
        bookDrv_ = std::make_unique<testdrv::Driver>(books_);
    }
    void TearDown() override {
        CatalogWorld::TearDown();
        bookDrv_.reset();
        dictLibrary_.reset();
        otherDrivers_.clear();
    }

    // Creates the control: start-up reads the catalog and walks the registry.
    bool Start() { return CreateControl(std::make_unique<RegCtrl>()); }
    RegCtrl& Ctrl() { return static_cast<RegCtrl&>(*ctrl_); }
    testdrv::Driver& Books() { return *bookDrv_; }
    // The dictionary library ZavikApi.dll (a copy of the test driver) accepting every dictionary.
    testdrv::Driver& DictLibrary() {
        dictLibrary_ = std::make_unique<testdrv::Driver>(AddDriver("ZavikApi.dll"));
        dictLibrary_->DicAcceptAll(1);
        return *dictLibrary_;
    }
    // Another book driver in the host folder, a copy of `variant` named `name` (its path in `*path`).
    testdrv::Driver& OtherDriver(const std::string& name, std::string* path,
                                 const char* variant = TAVRIN_TESTDRV_PATH) {
        *path = AddDriver(name, variant);
        otherDrivers_.push_back(std::make_unique<testdrv::Driver>(*path));
        return *otherDrivers_.back();
    }

    // A catalog of the system catalog with key `id` listing `books` ("file=order" lines).
    uint32_t AddCatalog(uint32_t parent, const char* name, const std::string& id,
                        std::initializer_list<std::string> books = {}) {
        std::vector<std::string> lines = {"[CONFIG]", "ID=" + id};
        if (books.size()) lines.push_back("[BOOKS]");
        lines.insert(lines.end(), books.begin(), books.end());
        return Sys().AddWithPage(parent, name, catalog_world::SettingsPageOf(lines));
    }

    // A book of the book driver (or of `drv`): its path in the host folder, class, number and name.
    std::string AddBook(const std::string& file, const char* number, const char* name,
                        unsigned bookClass = 0xFF, unsigned caps = 0) {
        return AddBookOf(Books(), file, number, name, bookClass, caps);
    }
    std::string AddBookOf(testdrv::Driver& drv, const std::string& file, const char* number, const char* name,
                          unsigned bookClass = 0xFF, unsigned caps = 0) {
        std::string path = (dir_ / file).string();
        drv.AddBook(path.c_str());
        drv.SetCaps(path.c_str(), caps, bookClass);
        if (number) drv.SetExBookNo(path.c_str(), number);
        drv.SetName(path.c_str(), TD_ANY_LOCALE, name);
        return path;
    }

    // A file on disk with these bytes (its folder made).
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // A book of the book driver that is a native book file on disk, as the register command finds it.
    std::string BookFile(const std::string& file, const char* number, const char* name,
                         unsigned bookClass = 0xFF, unsigned caps = 0) {
        std::string path = AddBook(file, number, name, bookClass, caps);
        WriteFile(path, "EBDF" + std::string(60, '\0'));
        return path;
    }
    // A file that is no native book, which the register command offers the e-book store.
    std::string OtherFile(const std::string& file) {
        std::string path = (dir_ / file).string();
        WriteFile(path, "PK\x03\x04 not a native book");
        return path;
    }
    // Selects `catalog` and runs the register command choosing `path`; the message boxes expected then
    // are answered OK (an empty text: any text).
    void AddInto(const char* catalog, const std::string& path,
                 std::initializer_list<std::string> messages = {}) {
        ASSERT_TRUE(TreeView_SelectItem(Tree(), Find(catalog)));
        ui_.ChooseFile(path);
        for (const std::string& text : messages) {
            if (text.empty())
                ui_.AnswerMessageBox(IDOK);
            else
                ui_.AnswerMessageBox(IDOK, text);
        }
        Ctrl().AddBook();
    }

    // Every book and dictionary item below the root, in pre-order.
    std::vector<HTREEITEM> BookItems(HTREEITEM under = nullptr) const {
        std::vector<HTREEITEM> items;
        for (HTREEITEM c = TreeView_GetChild(Tree(), under); c; c = TreeView_GetNextSibling(Tree(), c)) {
            const TreeNode* node = Node(c);
            if (node && (node->nKind == NODE_BOOK || node->nKind == NODE_DICT)) items.push_back(c);
            for (HTREEITEM inner : BookItems(c))
                items.push_back(inner);
        }
        return items;
    }
    BookRecord& Book(HTREEITEM item) const { return *static_cast<BookRecord*>(Node(item)->pRecord); }
    bool HasChildrenFlag(HTREEITEM item) const {
        TVITEMA tv{};
        tv.mask = TVIF_CHILDREN;
        tv.hItem = item;
        TreeView_GetItem(Tree(), &tv);
        return tv.cChildren != 0;
    }
    // The WM_SHELF_BOOKCLOSED handles the host has received.
    std::vector<DWORD> ClosedHandles() const {
        std::vector<DWORD> handles;
        for (const auto& m : Received())
            if (m.msg == WM_SHELF_BOOKCLOSED) handles.push_back(static_cast<DWORD>(m.lParam));
        return handles;
    }

    std::string books_;
    std::unique_ptr<testdrv::Driver> bookDrv_;
    std::unique_ptr<testdrv::Driver> dictLibrary_;
    std::vector<std::unique_ptr<testdrv::Driver>> otherDrivers_;
};

} // namespace regbooks

// The register command (AddBook): the user picks book files; each native book gets a driver, a
// registration and an item at the end of the target catalog, and files that are no native book are
// offered to the drivers that read files by their content, then to the HTML e-book driver. IsValidBook
// tells native books by the file's first four bytes.
//
// Every file that is refused says so, with the file and the reason (registry/add_refusal.h). A book is
// opened with its driver, and checked to be servable, before its registration is written: a book the
// shelf could not show (a dictionary the dictionary library does not list, say) leaves the registry as
// it was.
#include "tavrin/tavrin_ctrl.h"

#include "afxdlgs.h"
#include "catalog/tree_walk.h"
#include "registry/add_refusal.h"
#include "registry/claiming_driver.h"
#include "registry/book_registry.h"
#include "registry/shelf_books.h"
#include "resources/resource_ids.h"
#include "shelf/book_kind.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string>
#include <vector>

using namespace tavrin;

namespace {

constexpr const char* kBookFilter = "Zavik Book Files(*.ebd;*.ebp)|*.ebd;*.ebp||";
constexpr DWORD kDialogFlags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST; // 0x81200
constexpr size_t kNameBufferSize = 1024;

// Whether IsValidBook could read the first bytes of the file it last examined: a file it could not
// read is offered to the e-book store alone, as it always was; one it read but that is no native book
// goes to the drivers that read files by their content first.
bool g_lastFileRead = false;

// True when a driver of the program's folder or of the driver folder reads files like `filePath` but
// cannot open this one; its reason is then the refusal's.
bool ClaimedFile(const char* filePath) {
    std::vector<std::string> folders;
    char program[kPathSize + 1] = "";
    const DWORD length = ::GetModuleFileNameA(0, program, sizeof program);
    if (length > 0 && length < kPathSize) {
        const std::string path(program, length);
        const size_t cut = path.find_last_of("/\\");
        if (cut != std::string::npos) folders.push_back(path.substr(0, cut));
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSysInfoKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char folder[kPathSize] = "";
        DWORD size = sizeof folder - 1, type = 0;
        if (::RegQueryValueExA(key, kDriverPathValue, nullptr, &type, reinterpret_cast<BYTE*>(folder),
                               &size) == ERROR_SUCCESS &&
            type == REG_SZ)
            folders.emplace_back(folder, strnlen(folder, size));
        ::RegCloseKey(key);
    }
    const std::string reason = ClaimingDriverReason(filePath, folders);
    if (reason.empty()) return false;
    LastRefusal().driverReason = reason;
    return true;
}

// The item the command acts on: the drop-highlighted item, else the selected one.
HTREEITEM CommandTarget() {
    HTREEITEM target = g_shelfTree.GetDropHilightItem();
    return target ? target : g_shelfTree.GetSelectedItem();
}

} // namespace

void CTavrinCtrl::ShowErrorText(LPCSTR lpszText) {
    char caption[kPathSize] = "";
    ::LoadStringA(::GetModuleHandleA("Tavrin.dll"), IDS_ERROR, caption, sizeof caption);
    ::MessageBoxA(m_hWnd, lpszText ? lpszText : "", caption, MB_OK);
}

DWORD CTavrinCtrl::IsValidBook(LPCSTR lpszFilePath) {
    g_lastFileRead = false;
    HANDLE file = ::CreateFileA(lpszFilePath ? lpszFilePath : "", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ShowRefusal(IDS_FILE_CANT_OPEN, lpszFilePath, nullptr);
        return 0;
    }
    unsigned char head[4] = {0, 0, 0, 0};
    DWORD read = 0;
    if (!::ReadFile(file, head, sizeof head, &read, nullptr)) {
        ShowRefusal(IDS_FILE_CANT_READ, lpszFilePath, nullptr);
        ::CloseHandle(file);
        return 0;
    }
    ::CloseHandle(file);
    g_lastFileRead = true;
    if (read < sizeof head) return 0;
    DWORD signature = static_cast<DWORD>(head[0]) | static_cast<DWORD>(head[1]) << 8 |
                      static_cast<DWORD>(head[2]) << 16 | static_cast<DWORD>(head[3]) << 24;
    return signature == kBookSignature ? kBookSignature : 0;
}

bool CTavrinCtrl::OfferToStore(LPCSTR lpszFilePath) {
    BindDriver(m_hHtmlDriver);
    if (!m_hHtmlDriver || !g_cbi.CBIShelfAddBook) {
        // Nothing else could take the file: it is no book the shelf can show.
        ShowRefusal(IDS_NOT_A_BOOK, lpszFilePath, nullptr);
        return false;
    }
    int result = g_cbi.CBIShelfAddBook(lpszFilePath);
    if (result == CBI_ADD_ALREADY) {
        ShowRefusal(IDS_BOOK_ALREADY_ADDED, lpszFilePath, nullptr);
        return false;
    }
    if (result == CBI_ADD_NOT_A_BOOK || result == CBI_ADD_FAILED) {
        NoteDriverRefusal({}); // the store is the only one asked: its reason needs no name
        ShowRefusal(result == CBI_ADD_FAILED ? IDS_STORE_ADD_FAILED : IDS_NOT_A_BOOK, lpszFilePath,
                    LastRefusal().driverReason.c_str());
        return false;
    }
    return true; // added: the store's books are collected again after the command
}

void CTavrinCtrl::AddBook() {
    HTREEITEM target = CommandTarget();
    const TreeNode* targetNode = NodeOfItem(g_shelfTree, target);
    if (!targetNode || targetNode->nKind != NODE_CATALOG) return;

    CFileDialog dialog(TRUE, nullptr, nullptr, kDialogFlags, kBookFilter, this);
    std::vector<char> names(kNameBufferSize, '\0');
    dialog.m_ofn.lpstrFile = names.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(names.size());
    if (dialog.DoModal() != IDOK) {
        if (::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) ShowMessage(IDS_SELECTION_TOO_MANY);
        return;
    }
    std::vector<std::string> chosen;
    for (POSITION pos = dialog.GetStartPosition(); pos;) {
        CString path = dialog.GetNextPathName(pos);
        chosen.emplace_back(static_cast<LPCSTR>(path), static_cast<size_t>(path.GetLength()));
    }

    bool refresh = false;
    for (const std::string& chosenPath : chosen) {
        ForgetRefusal();
        char filePath[kPathSize];
        char driverPath[kPathSize];
        if (!CopyFits(filePath, chosenPath) || !CopyFits(driverPath, chosenPath)) {
            ShowErrorText(("The path of this file is too long: " + chosenPath).c_str());
            continue;
        }

        DWORD signature = IsValidBook(filePath);
        if (signature == 0) {
            // Not a native book: a driver that reads the file by its content (a dictionary of another
            // format) registers it as it does a native book; else the HTML e-book driver may take it.
            if (!g_lastFileRead || !FindDriver(signature, driverPath)) {
                // A driver read the file but the dictionary library does not serve it, or a driver that
                // reads files of its kind cannot open this one (a damaged dictionary): that is why.
                if (g_lastFileRead &&
                    (LastRefusal().dictVerdict != DictVerdict::Served || ClaimedFile(filePath))) {
                    ShowAddRefusal(IDS_FILE_CANT_OPEN, filePath);
                    continue;
                }
                ForgetRefusal(); // the drivers that do not read it have nothing to tell about the store
                if (OfferToStore(filePath)) refresh = true;
                continue;
            }
        } else if (!FindDriver(signature, driverPath)) {
            ShowAddRefusal(IDS_NO_DRIVER, filePath);
            continue;
        }
        // The book must open and be servable before anything is written for it. What the drivers that
        // did not read it said no longer matters: a driver that does was found.
        ForgetRefusal();
        auto* record = new BookRecord;
        record->hDriver = LoadAndOpen(&record->dwBookHandle, filePath, driverPath);
        if (!record->hDriver) {
            delete record;
            ShowAddRefusal(IDS_FILE_CANT_OPEN, filePath);
            continue;
        }
        char bookKey[kPathSize] = "";
        if (!RegisterBooks(filePath, driverPath, bookKey)) { // it has said why
            BindDriver(record->hDriver);
            if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(record->dwBookHandle);
            ::FreeLibrary(record->hDriver);
            delete record;
            continue;
        }
        (void)CopyFits(record->szFilePath, filePath);
        (void)CopyFits(record->szDriverPath, driverPath);
        (void)CopyFits(record->szRegKey, bookKey);

        char number[kBookNoSize];
        GetBookNo(record->hDriver, record->dwBookHandle, number);
        BindDriver(record->hDriver);
        CBICaps caps{};
        if (g_cbi.CBIGetCaps) g_cbi.CBIGetCaps(record->dwBookHandle, &caps);

        auto* node = new TreeNode;
        node->nKind = NodeKindOfClass(caps.wBookClass);
        node->dwFlags = RegisteredFlagsOfClass(caps.wBookClass);
        node->dwClassId = 0;
        (void)CopyFits(node->szKey, number);
        node->pRecord = record;

        char name[kPathSize];
        ReadBookName(record->dwBookHandle, name, sizeof name, static_cast<int>(sizeof name));
        const ShelfBookIndex::Insertion before = ShelfBookIndex::BeforeInsert(g_shelfTree, target);
        HTREEITEM item = AddOneItem(target, name, TVI_LAST, &g_imageIndex[0], node,
                                    (caps.wCaps & CBI_CAP_CONTENTS) ? 1 : 0);
        // The next file's number is looked up in the book index: it learns of this book at once
        // instead of walking the whole shelf again.
        ShelfBooks().Inserted(g_shelfTree, m_hRoot, before, item);
        if (!item) {
            FreeNode(node);
            continue;
        }
        SetItemImages(target, 1);
        SetItemImages(item, 0);
        if (caps.wCaps & CBI_CAP_HIDE_CONTENTS_PAGE) m_dwNewBookHandle = record->dwBookHandle;
    }
    if (refresh) Refresh();
}

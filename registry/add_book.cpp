// The register command (AddBook): the user picks book files; each native book gets a driver, a
// registration and an item at the end of the target catalog, and files that are no native book are
// offered to the HTML e-book driver. IsValidBook tells the two apart by the file's first four bytes.
#include "tavrin/tavrin_ctrl.h"

#include "afxdlgs.h"
#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
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
    HANDLE file = ::CreateFileA(lpszFilePath ? lpszFilePath : "", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ShowMessage(IDS_FILE_CANT_OPEN);
        return 0;
    }
    unsigned char head[4] = {0, 0, 0, 0};
    DWORD read = 0;
    if (!::ReadFile(file, head, sizeof head, &read, nullptr)) {
        ShowMessage(IDS_FILE_CANT_READ);
        ::CloseHandle(file);
        return 0;
    }
    ::CloseHandle(file);
    if (read < sizeof head) return 0;
    DWORD signature = static_cast<DWORD>(head[0]) | static_cast<DWORD>(head[1]) << 8 |
                      static_cast<DWORD>(head[2]) << 16 | static_cast<DWORD>(head[3]) << 24;
    return signature == kBookSignature ? kBookSignature : 0;
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
        char filePath[kPathSize];
        char driverPath[kPathSize];
        if (!CopyFits(filePath, chosenPath) || !CopyFits(driverPath, chosenPath)) {
            ShowErrorText(("The path of this file is too long: " + chosenPath).c_str());
            continue;
        }

        DWORD signature = IsValidBook(filePath);
        if (signature == 0) {
            // Not a native book: the HTML e-book driver may take it.
            BindDriver(m_hHtmlDriver);
            if (m_hHtmlDriver && g_cbi.CBIShelfAddBook) {
                int result = g_cbi.CBIShelfAddBook(filePath);
                if (result == 4)
                    ShowMessage(IDS_BOOK_ALREADY_ADDED);
                else if (result == 0)
                    ShowMessage(IDS_NOT_A_BOOK);
                else
                    refresh = true;
            }
            continue;
        }

        if (!FindDriver(signature, driverPath)) {
            ShowMessage(IDS_NO_DRIVER);
            continue;
        }
        char bookKey[kPathSize] = "";
        if (!RegisterBooks(filePath, driverPath, bookKey)) continue; // it has said why

        auto* record = new BookRecord;
        record->hDriver = LoadAndOpen(&record->dwBookHandle, filePath, driverPath);
        if (!record->hDriver) {
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
        bool ebook = caps.wBookClass == CBI_CLASS_EBOOK;
        node->nKind = ebook ? NODE_BOOK : NODE_DICT;
        node->dwFlags = ebook ? NF_NORENAME : (NF_NODELETE | NF_BUILTIN | NF_NORENAME);
        node->dwClassId = 0;
        (void)CopyFits(node->szKey, number);
        node->pRecord = record;

        char name[kPathSize] = {};
        if (g_cbi.CBIGetBkName) g_cbi.CBIGetBkName(record->dwBookHandle, g_nLocale, name, sizeof name);
        name[sizeof name - 1] = '\0';
        HTREEITEM item = AddOneItem(target, name, TVI_LAST, &g_imageIndex[0], node,
                                    (caps.wCaps & CBI_CAP_CONTENTS) ? 1 : 0);
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

// Finding a driver for a book file the user registers: first the drivers of the books already on the
// shelf, then every "*.dll" of the host program's folder, then every "*.dll" of the driver folder
// named by "DriverPath", then those of the installed driver folder. The first driver whose
// CBICheckVersion accepts the file wins. A driver that refuses the file is asked why right away, so
// that the register command can tell the user.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "registry/add_refusal.h"
#include "registry/book_registry.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_folder.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string>

using namespace tavrin;

int CTavrinCtrl::FindDriver(DWORD dwSignature, LPSTR lpszPath) {
    if (!lpszPath) return 0;
    char filePath[kPathSize];
    if (!CopyFits(filePath, lpszPath)) return 0;

    if (FindDriverOnTree(g_shelfTree.GetRootItem(), dwSignature, lpszPath)) return 1;

    // The host program's folder: its full name cut at the last separator.
    char folder[kPathSize] = "";
    char program[kPathSize + 1] = "";
    DWORD length = ::GetModuleFileNameA(0, program, sizeof program);
    if (length > 0 && length < kPathSize) {
        std::string_view path(program, length);
        size_t cut = path.find_last_of("/\\");
        if (cut != std::string_view::npos && CopyFits(folder, path.substr(0, cut)) &&
            FindDriverOnDisk(folder, filePath, lpszPath))
            return 1;
    }

    if (GetBookDriverPath(folder) && FindDriverOnDisk(folder, filePath, lpszPath)) return 1;
    // Last, the drivers installed with the shelf.
    const std::string installed = InstalledDriverFolder();
    if (!installed.empty() && CopyFits(folder, installed) && FindDriverOnDisk(folder, filePath, lpszPath))
        return 1;
    return 0;
}

int CTavrinCtrl::FindDriverOnTree(HTREEITEM hFrom, DWORD, LPSTR lpszPath) {
    if (!lpszPath) return 0;
    // The book file the drivers are asked about (the output overwrites it only on success).
    std::string filePath(lpszPath);
    HTREEITEM found = FindBelow(g_shelfTree, hFrom, [&](HTREEITEM, const TreeNode* node) {
        const BookRecord* book = BookOf(node);
        if (!book) return false;
        BindDriver(book->hDriver);
        if (!g_cbi.CBICheckVersion) return false;
        if (g_cbi.CBICheckVersion(filePath.c_str()) != 0) return true;
        NoteDriverRefusal(FileNameOf(std::string_view(book->szDriverPath, FixedLength(book->szDriverPath))));
        return false;
    });
    if (!found) return 0;
    const BookRecord* book = BookOf(NodeOfItem(g_shelfTree, found));
    return CopyFits(lpszPath, kPathSize,
                    std::string_view(book->szDriverPath, FixedLength(book->szDriverPath)))
               ? 1
               : 0;
}

int CTavrinCtrl::FindDriverOnDisk(LPSTR lpszFolder, LPCSTR lpszFilePath, LPSTR lpszDriverPath) {
    if (!lpszFolder || !lpszFilePath || !lpszDriverPath) return 0;
    std::string folder(lpszFolder);
    if (!folder.empty() && !IsSeparator(folder.back())) {
        folder += '/';
        if (!CopyFits(lpszFolder, kPathSize, folder)) return 0;
    }
    char pattern[kPathSize];
    if (!CopyFits(pattern, folder + "*.dll")) return 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;

    lpszDriverPath[0] = '\0';
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        char candidate[kPathSize];
        if (!CopyFits(candidate, folder + found.cFileName)) continue; // a cut path would be another file
        HMODULE probe = ::LoadLibraryA(candidate);
        if (!probe) continue;
        BindDriver(probe);
        if (!g_cbi.CBICheckVersion) {
            ::FreeLibrary(probe);
            continue;
        }
        // The driver must also open the book and be able to serve it.
        DWORD handle = 0;
        HMODULE opened = LoadAndOpen(&handle, lpszFilePath, candidate);
        if (!opened) {
            ::FreeLibrary(probe);
            continue;
        }
        BindDriver(opened);
        bool accepted = g_cbi.CBICheckVersion && g_cbi.CBICheckVersion(lpszFilePath) != 0;
        if (!accepted) NoteDriverRefusal(found.cFileName);
        if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
        ::FreeLibrary(opened);
        ::FreeLibrary(probe);
        if (accepted) {
            (void)CopyFits(lpszDriverPath, kPathSize, candidate);
            break;
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return lpszDriverPath[0] ? 1 : 0;
}

int CTavrinCtrl::GetBookDriverPath(LPSTR lpszFolder) {
    if (!lpszFolder) return 0;
    lpszFolder[0] = '\0';
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSysInfoKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    for (DWORD index = 0;; ++index) {
        char name[kPathSize];
        DWORD nameLength = sizeof name;
        BYTE data[kPathSize];
        DWORD dataLength = sizeof data;
        LONG result = ::RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &dataLength);
        if (result == ERROR_MORE_DATA) continue; // too long for the model: refused, never cut
        if (result != ERROR_SUCCESS) break;
        if (!EqualNoCase(std::string_view(name, nameLength), kDriverPathValue)) continue;
        std::string_view text(reinterpret_cast<const char*>(data), dataLength);
        (void)CopyFits(lpszFolder, kPathSize, text.substr(0, text.find('\0')));
        break;
    }
    ::RegCloseKey(key);
    return lpszFolder[0] ? 1 : 0;
}

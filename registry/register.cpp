// Writing and deleting registrations: RegisterBooks checks a book and registers it under its book
// number, DoRegister writes the values, UnRegister deletes a book key.
//
// A registration is written whole or counts as failed: a key that cannot be created or a value that
// cannot be stored fails the registration (and a book key made for it is taken away again), so the
// shelf never shows a book that the next start would not find.
#include "tavrin/tavrin_ctrl.h"

#include "registry/book_registry.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string>

using namespace tavrin;

namespace {

// The path of a book's key: root + "\" + book number.
std::string BookKeyPath(std::string_view number) {
    return std::string(kRegistrationRoot) + "\\" + std::string(number);
}

} // namespace

int CTavrinCtrl::RegisterBooks(LPCSTR lpszFilePath, LPCSTR lpszDriverPath, LPSTR lpszBookKey) {
    if (!lpszFilePath || !lpszDriverPath || !lpszBookKey) return 0;
    HMODULE module = ::LoadLibraryA(lpszDriverPath);
    if (!module) return 0;
    BindDriver(module);
    CBI_HBOOK handle = 0;
    if (!g_cbi.CBIOpenBook || g_cbi.CBIOpenBook(lpszFilePath, 0, &handle) != 0) {
        ::FreeLibrary(module);
        return 0;
    }
    auto close = [&] {
        BindDriver(module);
        if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
        ::FreeLibrary(module);
    };

    char number[kBookNoSize];
    GetBookNo(module, handle, number);
    if (!number[0]) {
        close();
        ShowErrorText("The number of this book is too long to register it.");
        return 0;
    }
    if (IsBookExistOnTree(m_hRoot, number)) {
        close();
        ShowMessage(IDS_BOOK_ALREADY_ADDED);
        return 0;
    }
    close();

    // The book key must fit the caller's buffer whole, or the key removed later would be another.
    std::string bookKey = BookKeyPath(number);
    if (bookKey.size() >= kRegisterKeySize || !DoRegister(number, lpszFilePath, lpszDriverPath)) {
        ShowErrorText("This book could not be registered.");
        return 0;
    }
    (void)CopyFits(lpszBookKey, kPathSize, bookKey);
    return 1;
}

int CTavrinCtrl::DoRegister(LPCSTR lpszBookNo, LPCSTR lpszFilePath, LPCSTR lpszDriverPath) {
    if (!lpszBookNo || !*lpszBookNo || !lpszFilePath || !lpszDriverPath) return 0;
    char keyPath[kRegisterKeySize];
    if (!CopyFits(keyPath, BookKeyPath(lpszBookNo) + "\\" + kBookSubkey)) return 0;

    HKEY machine = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ | KEY_WRITE, &machine) != ERROR_SUCCESS) return 0;
    HKEY key = nullptr;
    DWORD disposition = 0;
    char noClass[1] = "";
    int written = 0;
    if (::RegCreateKeyExA(machine, keyPath, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                          nullptr, &key, &disposition) == ERROR_SUCCESS) {
        // Stored as the shelf has always stored them: without a terminating zero.
        auto set = [&](const char* name, LPCSTR text) {
            return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                    static_cast<DWORD>(std::strlen(text))) == ERROR_SUCCESS;
        };
        bool stored = set(kDatabaseValue, lpszFilePath);
        stored = set(kDriverValue, lpszDriverPath) && stored;
        ::RegCloseKey(key);
        if (stored)
            written = 1;
        else if (disposition == REG_CREATED_NEW_KEY)
            ::RegDeleteKeyA(machine, keyPath); // half a registration is none
    }
    ::RegCloseKey(machine);
    return written;
}

int CTavrinCtrl::UnRegister(LPCSTR lpszBookKey, LPCSTR, LPCSTR) {
    if (!lpszBookKey) return 0;
    char bookKey[kPathSize];
    if (!CopyFits(bookKey, lpszBookKey)) return 0;
    // Only a key strictly below the registration root is a book key: the root itself (a book whose
    // values sat one level below it) and keys elsewhere are never deleted.
    std::string_view key(bookKey);
    std::string_view root(kRegistrationRoot);
    if (key.size() <= root.size() + 1 || !EqualNoCase(key.substr(0, root.size()), root) ||
        key[root.size()] != '\\')
        return 0;
    std::string_view rest = key.substr(root.size() + 1);
    if (rest.find_first_not_of('\\') == std::string_view::npos) return 0;

    HKEY machine = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_ALL_ACCESS, &machine) != ERROR_SUCCESS) return 0;
    std::string valuesKey = std::string(key) + "\\book";
    ::RegDeleteKeyA(machine, valuesKey.c_str());
    LONG result = ::RegDeleteKeyA(machine, bookKey);
    ::RegCloseKey(machine);
    return result == ERROR_SUCCESS ? 1 : 0;
}

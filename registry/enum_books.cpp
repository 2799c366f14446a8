// Walking the registry for registered books (EnumRegBooks, EnumRegValue) and Refresh, which walks it
// again on a running shelf.
//
// Every key at any depth below the key walked is visited; a key holding non-empty "Database" and
// "driver" values is a registration of the book whose book key is the key one level up. Names and
// data are read into 260-byte buffers and paths are composed in 260-byte buffers: a name, value or
// path that does not fit is refused (that entry is skipped) rather than cut, since a cut path names
// another key or file. Keys of pending registrations (registry/pending_key.h) are skipped with
// everything below them.
#include "tavrin/tavrin_ctrl.h"

#include "plat/registry.h"
#include "registry/book_registry.h"
#include "registry/pending_key.h"
#include "registry/reg_walk.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string>

using namespace tavrin;

namespace {

// Reads "Database" and "driver" from the open key into the 260-byte outputs. False (outputs empty)
// unless both are there and non-empty; a value of either name that does not fit refuses both.
bool ReadRegistration(HKEY key, char* filePath, char* driverPath) {
    filePath[0] = '\0';
    driverPath[0] = '\0';
    bool refused = false;
    for (DWORD index = 0;; ++index) {
        char name[kPathSize];
        DWORD nameLength = sizeof name;
        BYTE data[kPathSize];
        DWORD dataLength = sizeof data;
        LONG result = RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, data, &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA) {
            // The name or the data is too long. A value we read with data that long refuses the
            // registration; a name that long is none of ours.
            nameLength = sizeof name;
            DWORD needed = 0;
            if (RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, &needed) ==
                    ERROR_SUCCESS &&
                (EqualNoCase(std::string_view(name, nameLength), kDatabaseValue) ||
                 EqualNoCase(std::string_view(name, nameLength), kDriverValue)))
                refused = true;
            continue;
        }
        if (result != ERROR_SUCCESS) break; // the store failed: what was read so far counts
        std::string_view valueName(name, nameLength);
        char* target = EqualNoCase(valueName, kDatabaseValue) ? filePath
                       : EqualNoCase(valueName, kDriverValue) ? driverPath
                                                              : nullptr;
        if (!target) continue;
        // The data as stored, terminator or not: up to its first zero byte within the stored length.
        std::string_view text(reinterpret_cast<const char*>(data), dataLength);
        text = text.substr(0, text.find('\0'));
        if (!CopyFits(target, kPathSize, text)) refused = true;
    }
    if (refused || !filePath[0] || !driverPath[0]) {
        filePath[0] = '\0';
        driverPath[0] = '\0';
        return false;
    }
    return true;
}

} // namespace

void CTavrinCtrl::EnumRegBooks(LPCSTR lpszKey) {
    // Without a root the books have nowhere to go, and a later walk would not find them again.
    if (!lpszKey || !m_hRoot) return;
    char keyPath[kPathSize];
    if (!CopyFits(keyPath, lpszKey)) return;
    // The walk makes about ten small reads per book: they share one read of the store, which sees
    // the registry as it was when the walk began (the next walk sees what changed since).
    plat::RegistrySnapshot snapshot;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    if (m_pRegWalk) {
        EnumRegKey(key, keyPath);
    } else {
        CRegWalk walk;
        m_pRegWalk = &walk;
        EnumRegKey(key, keyPath);
        m_pRegWalk = nullptr;
        if (walk.dictionaryLibrary) FreeLibrary(walk.dictionaryLibrary);
    }
    RegCloseKey(key);
}

void CTavrinCtrl::EnumRegKey(HKEY hKey, LPCSTR lpszKeyPath) {
    for (DWORD index = 0;; ++index) {
        char name[kPathSize];
        DWORD nameLength = sizeof name;
        LONG result = RegEnumKeyExA(hKey, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA) continue; // a name too long for the model: its subtree is refused
        if (result != ERROR_SUCCESS) break;      // the store failed: the walk of this key ends
        // A registration still being written (or left half-written by a program that was killed)
        // is no book, and nor is anything below it.
        if (IsPendingKeyName(std::string_view(name, nameLength))) {
            PendingKeysMet() = true; // the next registration removes it once its program is gone
            continue;
        }

        // The child's path must fit a path buffer whole; otherwise the child and its subtree are
        // refused (a cut path would be another key).
        std::string childPath = std::string(lpszKeyPath) + "\\" + std::string(name, nameLength);
        char child[kPathSize];
        if (!CopyFits(child, childPath)) continue;

        HKEY childKey = nullptr;
        if (RegOpenKeyExA(hKey, std::string(name, nameLength).c_str(), 0, KEY_READ, &childKey) !=
            ERROR_SUCCESS)
            continue;
        char filePath[kPathSize];
        char driverPath[kPathSize];
        // The book key is the key being walked, one level above the values.
        if (ReadRegistration(childKey, filePath, driverPath)) AddToShelf(lpszKeyPath, filePath, driverPath);
        // Every subkey is walked, whether or not it held a registration.
        EnumRegKey(childKey, child);
        RegCloseKey(childKey);
    }
}

int CTavrinCtrl::EnumRegValue(LPCSTR lpszKey, LPSTR lpszFilePath, LPSTR lpszDriverPath) {
    if (!lpszFilePath || !lpszDriverPath) return 0;
    lpszFilePath[0] = '\0';
    lpszDriverPath[0] = '\0';
    if (!lpszKey) return 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, lpszKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    bool found = ReadRegistration(key, lpszFilePath, lpszDriverPath);
    RegCloseKey(key);
    return found ? 1 : 0;
}

void CTavrinCtrl::Refresh() {
    m_bBooksChanged = 0;
    EnumRegBooks(kRegistrationRoot);
    AddHtmlEBook(m_hHtmlDriver);
    m_bBooksChanged = 0;
    if (m_hRoot) {
        g_shelfTree.Expand(m_hRoot, TVE_COLLAPSE);
        g_shelfTree.Expand(m_hRoot, TVE_EXPAND);
    }
}

// Writing and deleting registrations: RegisterBooks checks a book and registers it under its book
// number, DoRegister writes the values, UnRegister deletes a book key.
//
// A registration is written whole or not at all: its key is made under a pending name with both
// values and then renamed to the book number in one step (registry/pending_key.h), so that a program
// killed at any point leaves either no book key or the whole one, and the shelf never shows a book
// that the next start would not find. A registration that fails tells the user why: the registry
// call that failed, its error and the store's reason.
#include "tavrin/tavrin_ctrl.h"

#include "plat/registry.h"
#include "registry/book_registry.h"
#include "registry/pending_key.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tavrin;

namespace {

// Why the last DoRegister of this thread failed, for the message RegisterBooks shows ("" when no
// registry call failed).
thread_local std::string t_registerFailure;

// True when a registry call failed; then remembers why.
bool Failed(LONG result) {
    if (result == ERROR_SUCCESS) return false;
    t_registerFailure = plat::RegistryErrorText(result);
    return true;
}

// The path of a book's key: root + "\" + book number.
std::string BookKeyPath(std::string_view number) {
    return std::string(kRegistrationRoot) + "\\" + std::string(number);
}

// An open key, closed when it goes.
class OpenKey {
  public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) ::RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// Deletes the subkey `name` of `parent` with every key below it.
LONG DeleteTree(HKEY parent, const std::string& name) {
    {
        OpenKey key;
        LONG result = ::RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Out());
        if (result != ERROR_SUCCESS) return result;
        for (;;) {
            char child[kPathSize];
            DWORD length = sizeof child;
            result = ::RegEnumKeyExA(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result == ERROR_SUCCESS) result = DeleteTree(key.Get(), std::string(child, length));
            if (result != ERROR_SUCCESS) return result;
        }
    }
    return ::RegDeleteKeyA(parent, name.c_str());
}

// Deletes the pending keys below `parent` that no running registration writes: this process's own
// and those of processes that are gone. Returns whether one stays (its program still runs, or it could
// not be deleted): the next registration tries again.
bool RemoveLeftovers(HKEY parent) {
    const long self = static_cast<long>(getpid());
    std::vector<std::string> leftovers;
    bool stays = false;
    for (DWORD index = 0;; ++index) {
        char name[kPathSize];
        DWORD length = sizeof name;
        LONG result = ::RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        std::string_view key(name, length);
        if (!IsPendingKeyName(key)) continue;
        long owner = PendingKeyOwner(key);
        if (owner == 0 || owner == self || (kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH))
            leftovers.emplace_back(key);
        else
            stays = true;
    }
    for (const std::string& name : leftovers)
        if (DeleteTree(parent, name) != ERROR_SUCCESS) stays = true;
    return stays;
}

// Deletes this registration's own pending key; one that cannot be deleted is left to the next one.
void Drop(HKEY parent, const std::string& name) {
    if (DeleteTree(parent, name) != ERROR_SUCCESS) PendingKeysMet() = true;
}

// True when every name of the "\"-separated path is non-empty: a path the registry takes as written.
bool IsKeyPath(std::string_view path) {
    for (size_t start = 0;;) {
        size_t end = path.find('\\', start);
        if ((end == std::string_view::npos ? path.size() : end) == start) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
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
        ShowErrorText(
            (std::string("The number of this book is too long to register it.\n") + lpszFilePath).c_str());
        return 0;
    }
    if (IsBookExistOnTree(m_hRoot, number)) {
        close();
        ShowRefusal(IDS_BOOK_ALREADY_ADDED, lpszFilePath, nullptr);
        return 0;
    }
    close();

    // The book key must fit the caller's buffer whole, or the key removed later would be another.
    std::string bookKey = BookKeyPath(number);
    t_registerFailure.clear();
    if (bookKey.size() >= kRegisterKeySize || !DoRegister(number, lpszFilePath, lpszDriverPath)) {
        std::string text = std::string("This book could not be registered.\n") + lpszFilePath;
        if (!t_registerFailure.empty()) text += "\n" + t_registerFailure;
        ShowErrorText(text.c_str());
        return 0;
    }
    (void)CopyFits(lpszBookKey, kPathSize, bookKey);
    return 1;
}

int CTavrinCtrl::DoRegister(LPCSTR lpszBookNo, LPCSTR lpszFilePath, LPCSTR lpszDriverPath) {
    t_registerFailure.clear();
    if (!lpszBookNo || !*lpszBookNo || !lpszFilePath || !lpszDriverPath) return 0;
    char keyPath[kRegisterKeySize];
    if (!CopyFits(keyPath, BookKeyPath(lpszBookNo) + "\\" + kBookSubkey) || !IsKeyPath(lpszBookNo)) return 0;
    // The book key is written below its parent: the registration root, or deeper for a number
    // that holds a "\".
    const std::string bookKey = BookKeyPath(lpszBookNo);
    const size_t cut = bookKey.rfind('\\');
    const std::string parentPath = bookKey.substr(0, cut);
    const std::string number = bookKey.substr(cut + 1);

    OpenKey parent;
    char noClass[1] = "";
    if (Failed(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, parentPath.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE, nullptr, parent.Out(), nullptr)))
        return 0;
    if (PendingKeysMet()) PendingKeysMet() = RemoveLeftovers(parent.Get());

    const long self = static_cast<long>(getpid());
    const std::string pending = PendingKeyName(self);
    {
        OpenKey values;
        std::string valuesPath = pending + "\\" + kBookSubkey;
        if (Failed(::RegCreateKeyExA(parent.Get(), valuesPath.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, values.Out(), nullptr)))
            return 0;
        // Stored as the shelf has always stored them: without a terminating zero.
        for (auto [name, text] :
             {std::pair{kDatabaseValue, lpszFilePath}, std::pair{kDriverValue, lpszDriverPath}}) {
            if (Failed(::RegSetValueExA(values.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                        static_cast<DWORD>(std::strlen(text))))) {
                Drop(parent.Get(), pending);
                return 0;
            }
        }
    }

    // A book key that is there already (a registration whose book is not on the shelf) moves aside
    // and goes once the new one is in place: at every moment the book key is the old one, none, or
    // the new one.
    bool replacing = false;
    {
        OpenKey existing;
        replacing =
            ::RegOpenKeyExA(parent.Get(), number.c_str(), 0, KEY_READ, existing.Out()) == ERROR_SUCCESS;
    }
    const std::string replaced = ReplacedKeyName(self);
    if (replacing && Failed(::RegRenameKey(parent.Get(), number.c_str(), replaced.c_str()))) {
        Drop(parent.Get(), pending);
        return 0;
    }
    if (Failed(::RegRenameKey(parent.Get(), pending.c_str(), number.c_str()))) {
        if (replacing) ::RegRenameKey(parent.Get(), replaced.c_str(), number.c_str());
        Drop(parent.Get(), pending);
        return 0;
    }
    if (replacing) Drop(parent.Get(), replaced); // a leftover goes with the next registration
    return 1;
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

bool& tavrin::PendingKeysMet() {
    static bool met = false;
    return met;
}

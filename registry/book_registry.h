// What the registered-book code shares: the registry layout of registered books, the driver folder
// key, text comparison without regard to letter case, and the dictionary check.
//
// Layout (all under HKEY_LOCAL_MACHINE, all values REG_SZ):
//   SOFTWARE\Velmoran\ZavikDic                 the registration root: one book key per book
//   <root>\<book number>\Book  "Database"      the book file's full path
//   <root>\<book number>\Book  "Driver"        the book driver library's full path
//   SOFTWARE\Velmoran\ZavikIB\SysInfo "DriverPath"  the folder searched for drivers on registration
// The walk accepts a registration at any depth below the root: a key holding non-empty "Database"
// and "driver" values (names in any case); the book key is the key one level above it.
#pragma once

#include "registry/add_refusal.h"
#include "windows.h"

#include <cstddef>
#include <string_view>

namespace tavrin {

inline constexpr const char* kRegistrationRoot = "SOFTWARE\\Velmoran\\ZavikDic";
inline constexpr const char* kSysInfoKey = "SOFTWARE\\Velmoran\\ZavikIB\\SysInfo";
inline constexpr const char* kDriverPathValue = "DriverPath";
inline constexpr const char* kDatabaseValue = "Database";
inline constexpr const char* kDriverValue = "Driver";
inline constexpr const char* kBookSubkey = "Book";
// The catalog of unclassified books.
inline constexpr const char* kUnclassifiedKey = "65535";
// The four bytes a native book file begins with ("EBDF"), read as a little-endian value.
inline constexpr DWORD kBookSignature = 0x46444245;
// Buffer of a book number (with its terminator).
inline constexpr size_t kBookNoSize = 256;
// Buffer of DoRegister's key path (with its terminator).
inline constexpr size_t kRegisterKeySize = 256;

// ASCII letters folded to lower case; every other byte (two-byte characters included) as it is.
inline char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Book numbers, value names and paths compare without regard to letter case.
inline bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// The file name of a path: what follows its last separator ("\" or "/"), or the whole path.
inline std::string_view FileNameOf(std::string_view path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// True for a path separator of this platform ("\" and "/").
inline bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Forms the book number of an open book with the driver table as it is bound now (to the book's
// driver) into the 256-byte `number`, as GetBookNo does after binding.
void FormBookNo(DWORD bookHandle, char* number);

// Binds the driver table to `module` unless it is bound to it already. Only for a module that the
// caller has held loaded since the table was last bound to it, so that the table still points into
// that very library: binding looks up 28 entry points, which costs more than the rest of putting a
// book on the shelf.
void BindHeldDriver(HMODULE module);

// Asks the dictionary library "ZavikApi.dll" about the dictionary open in `module` as `bookHandle`:
// the driver's CBIDictAttr (bytes 4 and 5) and CBIDictClassNo (low byte, else 1) make the dictionary
// id that dicCreateHDICT must accept. Leaves the driver table bound to `module`.
DictCheck CheckDictionary(HINSTANCE module, DWORD bookHandle);

} // namespace tavrin

// Nonzero when the dictionary library "ZavikApi.dll" serves the dictionary open in `module` as
// `dwBookHandle` (tavrin::CheckDictionary says Served). Leaves the driver table bound to `module`.
int IsDictAvailable(HINSTANCE module, DWORD dwBookHandle);

// What the registry tool does, on the platform registry: list a key's subtree, set a string value,
// delete a value or a whole key. Key paths are written as in the registry ("SOFTWARE\Velmoran\...");
// "/" may stand for "\" (easier in a shell), and a leading "HKLM\" or "HKEY_LOCAL_MACHINE\" (also
// "HKCU\", "HKEY_CURRENT_USER\", "HKCR\", "HKEY_CLASSES_ROOT\") names the root; without one the path
// is below HKEY_LOCAL_MACHINE.
#pragma once

#include "windows.h"

#include <string>
#include <vector>

namespace tavrin::regtool {

struct KeyPath {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::string rootName = "HKEY_LOCAL_MACHINE";
    std::string path; // below the root; empty for the root itself
};

// Splits a path as written on the command line into its root and the rest ("\" separators).
KeyPath ParseKeyPath(const std::string& text);

// The result of an operation: ok, or an error text for the user: what failed, the registry error by
// name and number, and the reason in words (with the store's path when the store itself failed).
struct Result {
    bool ok = true;
    std::string error;
    static Result Fail(std::string text) { return Result{false, std::move(text)}; }
};

// Appends one line per key and value of the subtree at `key` (the key itself first), indented by
// depth: keys as "name\", values as "name = data" (REG_SZ as text, REG_DWORD as a number, other
// types in hexadecimal, with their type).
Result List(const KeyPath& key, std::vector<std::string>* lines);

// Sets the REG_SZ value `name` of `key` (made with any missing keys above it) to `data`, stored with
// its terminating zero unless `withTerminator` is false (the shelf stores its values without one).
Result SetString(const KeyPath& key, const std::string& name, const std::string& data, bool withTerminator);

// Deletes the value `name` of `key`.
Result DeleteValue(const KeyPath& key, const std::string& name);

// Deletes `key` with every key below it. The root itself is never deleted.
Result DeleteTree(const KeyPath& key);

} // namespace tavrin::regtool

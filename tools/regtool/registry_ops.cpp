// The registry tool's operations over the platform registry's ANSI calls.
#include "registry_ops.h"

#include "plat/registry.h"

#include <cstdio>
#include <cstring>

namespace tavrin::regtool {

namespace {

struct RootName {
    const char* shortName;
    const char* longName;
    HKEY key;
};
const RootName kRoots[] = {{"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                           {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                           {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}};

bool EqualsNoCase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Shown(const KeyPath& key) {
    return key.path.empty() ? key.rootName : key.rootName + "\\" + key.path;
}

// An open key, closed when it goes.
class OpenKey {
  public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string DataText(DWORD type, const std::vector<BYTE>& data) {
    char buffer[32];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::string text(reinterpret_cast<const char*>(data.data()), data.size());
        bool terminated = !text.empty() && text.back() == '\0';
        text = text.substr(0, text.find('\0'));
        return "\"" + text + "\"" + (terminated ? "" : " (stored without terminator)");
    }
    case REG_DWORD:
        if (data.size() == 4) {
            DWORD value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                          static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
            std::snprintf(buffer, sizeof buffer, "%lu (REG_DWORD)", static_cast<unsigned long>(value));
            return buffer;
        }
        break;
    default:
        break;
    }
    std::string hex;
    for (BYTE b : data) {
        std::snprintf(buffer, sizeof buffer, "%s%02x", hex.empty() ? "" : " ", static_cast<unsigned>(b));
        hex += buffer;
    }
    std::snprintf(buffer, sizeof buffer, " (type %lu)", static_cast<unsigned long>(type));
    return hex + buffer;
}

Result ListKey(HKEY key, const std::string& name, int depth, std::vector<std::string>* lines) {
    lines->push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + name + "\\");
    DWORD maxName = 0, maxData = 0;
    LONG info = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                 &maxData, nullptr, nullptr);
    if (info != ERROR_SUCCESS)
        return Result::Fail("cannot read " + name + ": " + plat::RegistryErrorText(info));
    std::string indent(static_cast<size_t>(depth) * 2 + 2, ' ');
    for (DWORD index = 0;; ++index) {
        std::vector<char> valueName(maxName + 1);
        std::vector<BYTE> data(maxData + 1);
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result = RegEnumValueA(key, index, valueName.data(), &nameLength, nullptr, &type, data.data(),
                                    &dataLength);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS)
            return Result::Fail("cannot read a value of " + name + ": " + plat::RegistryErrorText(result));
        data.resize(dataLength);
        std::string shownName = nameLength ? std::string(valueName.data(), nameLength) : "(default)";
        lines->push_back(indent + shownName + " = " + DataText(type, data));
    }
    for (DWORD index = 0;; ++index) {
        char child[256];
        DWORD childLength = sizeof child;
        LONG result = RegEnumKeyExA(key, index, child, &childLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS)
            return Result::Fail("cannot list the keys of " + name + ": " + plat::RegistryErrorText(result));
        OpenKey sub;
        LONG opened = RegOpenKeyExA(key, child, 0, KEY_READ, sub.Out());
        if (opened != ERROR_SUCCESS)
            return Result::Fail("cannot open " + std::string(child) + ": " + plat::RegistryErrorText(opened));
        Result listed = ListKey(sub.Get(), std::string(child, childLength), depth + 1, lines);
        if (!listed.ok) return listed;
    }
    return Result{};
}

// Deletes every key below `key` (depth first), then nothing else.
LONG DeleteChildren(HKEY key) {
    for (;;) {
        char child[256];
        DWORD childLength = sizeof child;
        LONG result = RegEnumKeyExA(key, 0, child, &childLength, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        OpenKey sub;
        result = RegOpenKeyExA(key, child, 0, KEY_ALL_ACCESS, sub.Out());
        if (result != ERROR_SUCCESS) return result;
        result = DeleteChildren(sub.Get());
        if (result != ERROR_SUCCESS) return result;
        result = RegDeleteKeyA(key, child);
        if (result != ERROR_SUCCESS) return result;
    }
}

} // namespace

KeyPath ParseKeyPath(const std::string& text) {
    std::string path = text;
    for (char& c : path)
        if (c == '/') c = '\\';
    KeyPath key;
    size_t cut = path.find('\\');
    std::string first = path.substr(0, cut);
    for (const RootName& root : kRoots) {
        if (EqualsNoCase(first, root.shortName) || EqualsNoCase(first, root.longName)) {
            key.root = root.key;
            key.rootName = root.longName;
            path = cut == std::string::npos ? std::string() : path.substr(cut + 1);
            break;
        }
    }
    while (!path.empty() && path.front() == '\\')
        path.erase(path.begin());
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    key.path = path;
    return key;
}

Result List(const KeyPath& key, std::vector<std::string>* lines) {
    OpenKey open;
    LONG result = RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_READ, open.Out());
    if (result != ERROR_SUCCESS)
        return Result::Fail("cannot open " + Shown(key) + ": " + plat::RegistryErrorText(result));
    std::string name = key.path.empty() ? key.rootName : key.path.substr(key.path.find_last_of('\\') + 1);
    return ListKey(open.Get(), name, 0, lines);
}

Result SetString(const KeyPath& key, const std::string& name, const std::string& data, bool withTerminator) {
    if (key.path.empty()) return Result::Fail("give a key below " + key.rootName);
    OpenKey open;
    char noClass[1] = "";
    LONG result = RegCreateKeyExA(key.root, key.path.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, open.Out(), nullptr);
    if (result != ERROR_SUCCESS)
        return Result::Fail("cannot create " + Shown(key) + ": " + plat::RegistryErrorText(result));
    DWORD size = static_cast<DWORD>(data.size() + (withTerminator ? 1 : 0));
    result = RegSetValueExA(open.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            size);
    if (result != ERROR_SUCCESS)
        return Result::Fail("cannot set " + name + ": " + plat::RegistryErrorText(result));
    return Result{};
}

Result DeleteValue(const KeyPath& key, const std::string& name) {
    OpenKey open;
    LONG result = RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_ALL_ACCESS, open.Out());
    if (result != ERROR_SUCCESS)
        return Result::Fail("cannot open " + Shown(key) + ": " + plat::RegistryErrorText(result));
    result = RegDeleteValueA(open.Get(), name.c_str());
    if (result != ERROR_SUCCESS)
        return Result::Fail("cannot delete " + name + ": " + plat::RegistryErrorText(result));
    return Result{};
}

Result DeleteTree(const KeyPath& key) {
    if (key.path.empty()) return Result::Fail("the root " + key.rootName + " is never deleted");
    {
        OpenKey open;
        LONG result = RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_ALL_ACCESS, open.Out());
        if (result != ERROR_SUCCESS)
            return Result::Fail("cannot open " + Shown(key) + ": " + plat::RegistryErrorText(result));
        result = DeleteChildren(open.Get());
        if (result != ERROR_SUCCESS)
            return Result::Fail("cannot delete below " + Shown(key) + ": " + plat::RegistryErrorText(result));
    }
    LONG result = RegDeleteKeyA(key.root, key.path.c_str());
    if (result != ERROR_SUCCESS)
        return Result::Fail("cannot delete " + Shown(key) + ": " + plat::RegistryErrorText(result));
    return Result{};
}

} // namespace tavrin::regtool

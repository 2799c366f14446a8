// Fuzz target for the shelf control's readers of registry values: a registration's "Database" and
// "driver" values as EnumRegValue reads them (below a book key named by any book number), and the
// driver folder "DriverPath" as GetBookDriverPath reads it. The values are written into the platform's
// registry (a store of its own for the run) with any type, any name and data of any length, with or
// without terminators. What the control keeps must end within its 260-byte buffers, be the stored text
// (the data up to its first zero), and a registration whose two values fit must be read.
//
// Input: byte 0 = length n of the book number, then its n bytes (a key name: zero bytes and "\" end
// it); then values until the input ends, each: one byte (bit 0: in the driver folder's key instead of
// the book's; bits 1-3: the name, one of Database, DATABASE, driver, Driver, DriverPath, driverpath,
// else read from the input), one byte of type, [a name: one byte of length and its bytes], a 2-byte
// little-endian data length and the data.
#include "plat/registry.h"
#include "tavrin/tavrin_ctrl.h"
#include "windows.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

class Ctrl : public CTavrinCtrl {
  public:
    using CTavrinCtrl::EnumRegValue;
    using CTavrinCtrl::GetBookDriverPath;
};

constexpr const char* kFuzzRoot = "SOFTWARE\\TavrinFuzz";
constexpr const char* kSysInfo = "SOFTWARE\\Velmoran\\ZavikIB\\SysInfo";
constexpr size_t kPath = 260;

std::filesystem::path g_dir;

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// The values of one key as stored: folded name -> data.
using Values = std::map<std::string, std::string>;

void DeleteKey(const std::string& path) {
    HKEY machine = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_ALL_ACCESS, &machine) != ERROR_SUCCESS) return;
    RegDeleteKeyA(machine, path.c_str());
    RegCloseKey(machine);
}

HKEY CreateKey(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// The text a reader keeps of stored data: up to its first zero.
std::string TextOf(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

// The text in a fixed buffer: it must end within it.
std::string Kept(const char* buffer) {
    const void* zero = std::memchr(buffer, 0, kPath);
    Check(zero != nullptr);
    return std::string(buffer, static_cast<const char*>(zero) - buffer);
}

const Values::value_type* Find(const Values& values, const char* name) {
    auto it = values.find(Folded(name));
    return it == values.end() ? nullptr : &*it;
}

// A value fits the control's reading: its data fits the 260-byte buffer and its text has a terminator's room.
bool Fits(const std::string& data) {
    return data.size() <= kPath && TextOf(data).size() < kPath;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    g_dir = base / ("tavrin-fuzz-registry-" + std::to_string(getpid()));
    std::filesystem::create_directories(g_dir);
    plat::SetRegistryPath((g_dir / "registry.db").string());
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(g_dir, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Ctrl* ctrl = new Ctrl; // one control for the run, as a host has one
    if (size < 1) return 0;
    size_t n = std::min<size_t>(data[0], size - 1);
    std::string number(reinterpret_cast<const char*>(data + 1), n);
    number = number.substr(0, number.find_first_of(std::string("\\\0", 2)));
    data += 1 + n;
    size -= 1 + n;
    if (number.empty()) number = "0";
    const std::string bookKey = std::string(kFuzzRoot) + "\\" + number;
    const std::string valuesKey = bookKey + "\\Book";

    DeleteKey(valuesKey);
    DeleteKey(bookKey);
    DeleteKey(kSysInfo);
    HKEY book = CreateKey(valuesKey);
    HKEY sysInfo = CreateKey(kSysInfo);
    Values bookValues, sysValues;
    static const char* const kNames[] = {"Database", "DATABASE",   "driver",
                                         "Driver",   "DriverPath", "driverpath"};
    while (size >= 2 && book && sysInfo) {
        const uint8_t how = data[0];
        const DWORD type = data[1];
        data += 2;
        size -= 2;
        std::string name;
        unsigned choice = (how >> 1) & 7;
        if (choice < 6) {
            name = kNames[choice];
        } else {
            if (size < 1) break;
            size_t length = std::min<size_t>(data[0], size - 1);
            name.assign(reinterpret_cast<const char*>(data + 1), length);
            name = name.substr(0, name.find('\0'));
            data += 1 + length;
            size -= 1 + length;
        }
        if (size < 2) break;
        size_t length = std::min<size_t>(data[0] | static_cast<size_t>(data[1]) << 8, size - 2);
        std::string bytes(reinterpret_cast<const char*>(data + 2), length);
        data += 2 + length;
        size -= 2 + length;
        HKEY key = (how & 1) ? sysInfo : book;
        if (RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS)
            ((how & 1) ? sysValues : bookValues)[Folded(name)] = bytes;
    }
    if (book) RegCloseKey(book);
    if (sysInfo) RegCloseKey(sysInfo);
    if (!book || !sysInfo) return 0;

    // The registration.
    char file[kPath];
    char driver[kPath];
    std::memset(file, 0x5A, sizeof file);
    std::memset(driver, 0x5A, sizeof driver);
    int found = ctrl->EnumRegValue(valuesKey.c_str(), file, driver);
    const std::string fileText = Kept(file);
    const std::string driverText = Kept(driver);
    Check(found == (!fileText.empty() && !driverText.empty() ? 1 : 0));
    const auto* database = Find(bookValues, "database");
    const auto* driverValue = Find(bookValues, "driver");
    if (found) {
        Check(database && driverValue);
        Check(Fits(database->second) && fileText == TextOf(database->second));
        Check(Fits(driverValue->second) && driverText == TextOf(driverValue->second));
    } else {
        Check(fileText.empty() && driverText.empty());
    }
    // A registration whose two values are there, fit and are not empty is read.
    if (database && driverValue && Fits(database->second) && Fits(driverValue->second) &&
        !TextOf(database->second).empty() && !TextOf(driverValue->second).empty())
        Check(found == 1);

    // The driver folder.
    char folder[kPath];
    std::memset(folder, 0x5A, sizeof folder);
    int named = ctrl->GetBookDriverPath(folder);
    const std::string folderText = Kept(folder);
    Check(named == (folderText.empty() ? 0 : 1));
    if (named) {
        const auto* driverPath = Find(sysValues, "driverpath");
        Check(driverPath && Fits(driverPath->second) && folderText == TextOf(driverPath->second));
    }
    return 0;
}

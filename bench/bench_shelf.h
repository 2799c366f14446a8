// What the benchmarks' shelves have in common: the catalog "65535" in a system catalog served by the
// test driver, books registered in the registry store, and a host window for the control.
#pragma once

#include "plat/core.h"
#include "plat/registry.h"
#include "testdrv.h"

#include <cstdint>
#include <string>

namespace benchshelf {

inline const std::string kBooksKey = "SOFTWARE\\Velmoran\\ZavikDic";

// Adds the catalog "65535" (where books of no catalog go) below `parent` of the system catalog `sys`,
// its settings on page `page`.
inline void AddUnclassified(testdrv::Driver& driver, const std::string& sys, uint32_t parent, int32_t page) {
    std::string settings = std::string(56, '.') + "[CONFIG]\xFF\x0AID=65535\xFF\x06";
    driver.SetPage(sys.c_str(), page, settings.data(), static_cast<int32_t>(settings.size()));
    driver.AddItem(sys.c_str(), parent, "Unclassified", page);
}

// Registers the book `number`: its file and the driver that serves it.
inline void RegisterBook(const std::string& number, const std::string& file, const std::string& driver) {
    HKEY k = nullptr;
    std::string key = kBooksKey + "\\" + number + "\\Book";
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExA(k, "Database", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.data()),
                   static_cast<DWORD>(file.size()));
    RegSetValueExA(k, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver.data()),
                   static_cast<DWORD>(driver.size()));
    RegCloseKey(k);
}

// A top-level window of a class of its own, to be the control's parent.
inline HWND MakeHostWindow(const char* className) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "host", WS_OVERLAPPED, 0, 0, 400, 600, nullptr, nullptr, 0, nullptr);
}

} // namespace benchshelf

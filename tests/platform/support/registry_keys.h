// Helpers of the registry tests: a key made, a value written or read back, a subkey's name by index,
// each in one call, a change made by another process, and a fixture with a store of its own that no test may
// leave a key handle open in.
#pragma once

#include "fixtures/temp_folder.h"
#include "plat/registry.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace regtest {

// The key, made with every missing key on the way; the test fails where that fails.
inline HKEY Create(const char* path, HKEY parent = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
}

// Makes the key and writes the value into it: the first failure's code, else ERROR_SUCCESS.
inline LONG Set(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return result;
}

// A string value, stored without a terminator.
inline LONG SetString(const char* path, const char* name, const std::string& data) {
    return Set(path, name, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
}

// The value's data, or the error code in words.
inline std::string Query(const char* path, const char* name, HKEY parent = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(parent, path, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) return plat::ErrorCodeText(result);
    char data[300];
    DWORD size = sizeof data;
    result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data, size) : plat::ErrorCodeText(result);
}

// The name of the subkey at the index: "<end>" past the last, "<error>" on any other failure.
inline std::string NameAt(HKEY key, DWORD index) {
    char name[300];
    DWORD size = sizeof name;
    LONG result = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) return "<end>";
    return result == ERROR_SUCCESS ? std::string(name, size) : "<error>";
}

// Runs `body` in a child process, which reaches the store through a connection of its own as another
// program would; the test fails unless the child ran to the end and `body` answered true.
inline void InOtherProcess(const std::function<bool()>& body) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(body() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A store of its own for each test, left with no key handle open.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::SetRegistryPath(folder_ / "registry.db");
        baseline_ = plat::OpenKeyCount();
    }
    void TearDown() override {
        EXPECT_EQ(plat::OpenKeyCount(), baseline_) << "a key handle was left open";
        plat::SetRegistryPath("");
    }

    testfs::TempFolder folder_;
    size_t baseline_ = 0;
};

} // namespace regtest

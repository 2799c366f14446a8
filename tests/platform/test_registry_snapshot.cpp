// Registry snapshots: the reads made while one lives share one view of the store. Another program's
// change is seen once the last snapshot ends or this process writes; this process's own writes are seen
// at once; a store file made while a snapshot lives, and a failed read, leave the following reads right.
#include "fixtures/temp_folder.h"
#include "plat/registry.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class RegistrySnapshot : public ::testing::Test {
  protected:
    void SetUp() override { plat::SetRegistryPath(folder_ / "snap.db"); }
    void TearDown() override { plat::SetRegistryPath(""); }

    static LONG Set(const char* path, const char* name, const std::string& data) {
        HKEY key = nullptr;
        LONG result =
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (result != ERROR_SUCCESS) return result;
        result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
        RegCloseKey(key);
        return result;
    }
    // The value's data, or "<none>".
    static std::string Get(const char* path, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
        char data[64];
        DWORD size = sizeof data;
        LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? std::string(data, size) : "<none>";
    }
    // Writes the value in another process (with its own connection to the store).
    static void SetElsewhere(const char* path, const char* name, const std::string& data) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(Set(path, name, data) == ERROR_SUCCESS ? 0 : 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    testfs::TempFolder folder_;
};

TEST_F(RegistrySnapshot, AnotherProgramsChangeIsSeenWhenTheLastSnapshotEnds) {
    ASSERT_EQ(Set("Software\\Snap\\A", "v", "old"), ERROR_SUCCESS);
    {
        plat::RegistrySnapshot outer;
        EXPECT_EQ(Get("Software\\Snap\\A", "v"), "old");
        SetElsewhere("Software\\Snap\\A", "v", "new");
        SetElsewhere("Software\\Snap\\B", "v", "b");
        {
            plat::RegistrySnapshot inner;
            EXPECT_EQ(Get("Software\\Snap\\A", "v"), "old");
        }
        EXPECT_EQ(Get("Software\\Snap\\A", "v"), "old") << "an inner snapshot's end keeps the view";
        EXPECT_EQ(Get("Software\\Snap\\B", "v"), "<none>");
    }
    EXPECT_EQ(Get("Software\\Snap\\A", "v"), "new");
    EXPECT_EQ(Get("Software\\Snap\\B", "v"), "b");
}

TEST_F(RegistrySnapshot, AWriteEndsTheSharedReadAndIsSeenAtOnce) {
    ASSERT_EQ(Set("Software\\Snap\\A", "v", "old"), ERROR_SUCCESS);
    plat::RegistrySnapshot snapshot;
    EXPECT_EQ(Get("Software\\Snap\\A", "v"), "old");
    SetElsewhere("Software\\Snap\\B", "v", "theirs");
    EXPECT_EQ(Get("Software\\Snap\\B", "v"), "<none>");
    ASSERT_EQ(Set("Software\\Snap\\A", "v", "mine"), ERROR_SUCCESS);
    EXPECT_EQ(Get("Software\\Snap\\A", "v"), "mine");
    EXPECT_EQ(Get("Software\\Snap\\B", "v"), "theirs") << "the write began a new view";
    // A walk by index goes on rightly across the write that added a key in the middle.
    ASSERT_EQ(Set("Software\\Snap\\C", "v", "c"), ERROR_SUCCESS);
    HKEY snap = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Snap", 0, KEY_READ, &snap), ERROR_SUCCESS);
    char name[16];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(snap, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "A");
    ASSERT_EQ(Set("Software\\Snap\\AA", "v", "aa"), ERROR_SUCCESS);
    size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(snap, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, size), "AA");
    RegCloseKey(snap);
}

TEST_F(RegistrySnapshot, AStoreMadeOrRefusedWhileASnapshotLivesReadsRightly) {
    {
        plat::RegistrySnapshot snapshot;
        EXPECT_EQ(Get("Software\\Snap\\A", "v"), "<none>") << "no store file yet";
        ASSERT_EQ(Set("Software\\Snap\\A", "v", "first"), ERROR_SUCCESS);
        EXPECT_EQ(Get("Software\\Snap\\A", "v"), "first");
    }
    // A store that is no registry fails every read of the snapshot with its reason; once it is back,
    // reads in the same snapshot succeed again.
    const std::string notes = folder_ / "notes.db";
    std::ofstream(notes, std::ios::binary) << "my notes, not a registry\n" << std::string(600, 'n');
    plat::RegistrySnapshot snapshot;
    EXPECT_EQ(Get("Software\\Snap\\A", "v"), "first");
    plat::SetRegistryPath(notes);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    plat::SetRegistryPath(folder_ / "snap.db");
    EXPECT_EQ(Get("Software\\Snap\\A", "v"), "first");
}

} // namespace

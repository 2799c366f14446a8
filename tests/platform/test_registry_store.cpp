// The registry's database file: where it is, two processes writing at once, damaged pages, a newer
// layout, flushing.
#include "support/registry_keys.h"

#include <cstdio>
#include <sqlite3.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testfs::ScopedEnv;

class RegistryStore : public ::testing::Test {
  protected:
    void TearDown() override { plat::SetRegistryPath(""); }

    static LONG CreateAndSet(const char* path, const char* name, DWORD value) {
        return regtest::Set(path, name, REG_DWORD, &value, sizeof value);
    }

    testfs::TempFolder folder_;
};

TEST_F(RegistryStore, LocationComesFromTheEnvironmentThenTheUsersDataFolder) {
    plat::SetRegistryPath("");
    {
        ScopedEnv registry("TAVRIN_REGISTRY", (folder_ / "env.db").c_str());
        EXPECT_EQ(plat::RegistryPath(), folder_ / "env.db");
        ASSERT_EQ(CreateAndSet("Software\\Env", "v", 1), ERROR_SUCCESS);
        EXPECT_TRUE(testfs::Exists(folder_ / "env.db"));
        plat::SetRegistryPath("");
    }
    {
        ScopedEnv registry("TAVRIN_REGISTRY", nullptr);
        ScopedEnv data("XDG_DATA_HOME", (folder_ / "xdg").c_str());
        EXPECT_EQ(plat::RegistryPath(), folder_ / "xdg/tavrin/registry.db");
        ASSERT_EQ(CreateAndSet("Software\\Xdg", "v", 1), ERROR_SUCCESS);
        EXPECT_TRUE(testfs::Exists(folder_ / "xdg/tavrin/registry.db"));
        plat::SetRegistryPath("");
    }
    {
        ScopedEnv registry("TAVRIN_REGISTRY", nullptr);
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", folder_.Path().c_str());
        EXPECT_EQ(plat::RegistryPath(), folder_ / ".local/share/tavrin/registry.db");
    }
    plat::SetRegistryPath(folder_ / "explicit.db");
    EXPECT_EQ(plat::RegistryPath(), folder_ / "explicit.db");
}

TEST_F(RegistryStore, SwitchingTheFileInvalidatesOpenHandles) {
    plat::SetRegistryPath(folder_ / "first.db");
    HKEY key = regtest::Create("Software\\X");
    EXPECT_EQ(plat::OpenKeyCount(), 1u);
    plat::SetRegistryPath(folder_ / "second.db");
    EXPECT_EQ(plat::OpenKeyCount(), 0u);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryStore, TwoProcessesWritingAtOnceLoseNothing) {
    plat::SetRegistryPath(folder_ / "shared.db");
    // The parent has the database open before it forks: the children must not share its connection.
    ASSERT_EQ(CreateAndSet("Software\\Race", "parent", 1), ERROR_SUCCESS);

    constexpr int kChildren = 3;
    constexpr int kValuesEach = 120;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[kChildren];
    for (int child = 0; child < kChildren; ++child) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(go[1]);
            char start;
            if (read(go[0], &start, 1) < 0) _exit(100);
            int failures = 0;
            for (int i = 0; i < kValuesEach; ++i) {
                char name[32];
                std::snprintf(name, sizeof name, "c%d-%d", child, i);
                // Every child also creates the same keys, so creations race as well as writes.
                char path[64];
                std::snprintf(path, sizeof path, "Software\\Race\\Bucket%d", i % 7);
                failures += CreateAndSet("Software\\Race", name, static_cast<DWORD>(child * 1000 + i)) !=
                            ERROR_SUCCESS;
                failures += CreateAndSet(path, name, static_cast<DWORD>(i)) != ERROR_SUCCESS;
            }
            _exit(failures > 99 ? 99 : failures);
        }
        children[child] = pid;
    }
    close(go[0]);
    ASSERT_EQ(write(go[1], "gogo", kChildren), kChildren); // start them together
    close(go[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "failed registry calls in a writer";
    }

    HKEY race = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Race", 0, KEY_READ, &race), ERROR_SUCCESS);
    DWORD values = 0, subkeys = 0;
    ASSERT_EQ(RegQueryInfoKeyA(race, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(1 + kChildren * kValuesEach));
    EXPECT_EQ(subkeys, 7u);
    for (int child = 0; child < kChildren; ++child) {
        for (int i = 0; i < kValuesEach; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "c%d-%d", child, i);
            DWORD value = 0, size = sizeof value;
            ASSERT_EQ(RegQueryValueExA(race, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
                      ERROR_SUCCESS)
                << name;
            EXPECT_EQ(value, static_cast<DWORD>(child * 1000 + i));
        }
    }
    RegCloseKey(race);
}

TEST_F(RegistryStore, DamagedPagesGiveRegistryCorrupt) {
    const std::string path = folder_ / "damaged.db";
    plat::SetRegistryPath(path);
    for (int i = 0; i < 200; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "v%d", i);
        ASSERT_EQ(CreateAndSet("Software\\Many", name, static_cast<DWORD>(i)), ERROR_SUCCESS);
    }
    plat::SetRegistryPath(""); // closes the database and folds the log into the file
    std::string bytes = testfs::ReadText(path);
    ASSERT_GT(bytes.size(), 8192u);
    for (size_t i = 4096; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0xAB);
    testfs::WriteText(path, bytes);

    plat::SetRegistryPath(path);
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Many", 0, KEY_READ, &key);
    if (opened == ERROR_SUCCESS) {
        DWORD value = 0, size = sizeof value;
        EXPECT_EQ(RegQueryValueExA(key, "v100", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_REGISTRY_CORRUPT);
        RegCloseKey(key);
    } else {
        EXPECT_EQ(opened, ERROR_REGISTRY_CORRUPT);
    }
}

TEST_F(RegistryStore, AStoreFromANewerLayerIsNotTouched) {
    const std::string path = folder_ / "newer.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version=7; CREATE TABLE future(x);", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    plat::SetRegistryPath(path);
    EXPECT_EQ(CreateAndSet("Software", "v", 1), ERROR_BADDB);
}

TEST_F(RegistryStore, FlushKeyWritesThroughAndKnowsDeletedKeys) {
    plat::SetRegistryPath(folder_ / "flush.db");
    ASSERT_EQ(CreateAndSet("Software\\Flush", "v", 5), ERROR_SUCCESS);
    HKEY key = regtest::Create("Software\\Flush");
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

    // After a flush the database file alone, without its write-ahead log, holds the value.
    testfs::WriteText(folder_ / "copy.db", testfs::ReadText(folder_ / "flush.db"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((folder_ / "copy.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* query = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM vals", -1, &query, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(query, 0), 1);
    sqlite3_finalize(query);
    sqlite3_close(db);

    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Flush"), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(key), ERROR_KEY_DELETED);
    RegCloseKey(key);
    EXPECT_EQ(RegFlushKey(key), ERROR_INVALID_HANDLE);
}

} // namespace

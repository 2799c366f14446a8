// Registry snapshots: the reads made while one lives share one view of the store. Another program's
// change is seen once the last snapshot ends or this process writes; this process's own writes are seen
// at once; a store file made while a snapshot lives, and a failed read, leave the following reads right.
#include "support/registry_keys.h"

#include <fstream>
#include <string>

namespace {

using regtest::NameAt;
using regtest::Query;
using regtest::SetString;
const std::string kMissing = "ERROR_FILE_NOT_FOUND (2)";

class RegistrySnapshot : public regtest::RegistryTest {
  protected:
    static void SetElsewhere(const char* path, const char* name, const std::string& data) {
        regtest::InOtherProcess([&] { return SetString(path, name, data) == ERROR_SUCCESS; });
    }
};

TEST_F(RegistrySnapshot, AnotherProgramsChangeIsSeenWhenTheLastSnapshotEnds) {
    ASSERT_EQ(SetString("Software\\Snap\\A", "v", "old"), ERROR_SUCCESS);
    {
        plat::RegistrySnapshot outer;
        EXPECT_EQ(Query("Software\\Snap\\A", "v"), "old");
        SetElsewhere("Software\\Snap\\A", "v", "new");
        SetElsewhere("Software\\Snap\\B", "v", "b");
        {
            plat::RegistrySnapshot inner;
            EXPECT_EQ(Query("Software\\Snap\\A", "v"), "old");
        }
        EXPECT_EQ(Query("Software\\Snap\\A", "v"), "old") << "an inner snapshot's end keeps the view";
        EXPECT_EQ(Query("Software\\Snap\\B", "v"), kMissing);
    }
    EXPECT_EQ(Query("Software\\Snap\\A", "v"), "new");
    EXPECT_EQ(Query("Software\\Snap\\B", "v"), "b");
}

TEST_F(RegistrySnapshot, AWriteEndsTheSharedReadAndIsSeenAtOnce) {
    ASSERT_EQ(SetString("Software\\Snap\\A", "v", "old"), ERROR_SUCCESS);
    plat::RegistrySnapshot snapshot;
    EXPECT_EQ(Query("Software\\Snap\\A", "v"), "old");
    SetElsewhere("Software\\Snap\\B", "v", "theirs");
    EXPECT_EQ(Query("Software\\Snap\\B", "v"), kMissing);
    ASSERT_EQ(SetString("Software\\Snap\\A", "v", "mine"), ERROR_SUCCESS);
    EXPECT_EQ(Query("Software\\Snap\\A", "v"), "mine");
    EXPECT_EQ(Query("Software\\Snap\\B", "v"), "theirs") << "the write began a new view";
    // A walk by index goes on rightly across the write that added a key in the middle.
    ASSERT_EQ(SetString("Software\\Snap\\C", "v", "c"), ERROR_SUCCESS);
    HKEY snap = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Snap", 0, KEY_READ, &snap), ERROR_SUCCESS);
    EXPECT_EQ(NameAt(snap, 0), "A");
    ASSERT_EQ(SetString("Software\\Snap\\AA", "v", "aa"), ERROR_SUCCESS);
    EXPECT_EQ(NameAt(snap, 1), "AA");
    RegCloseKey(snap);
}

TEST_F(RegistrySnapshot, AStoreMadeOrRefusedWhileASnapshotLivesReadsRightly) {
    {
        plat::RegistrySnapshot snapshot;
        EXPECT_EQ(Query("Software\\Snap\\A", "v"), kMissing) << "no store file yet";
        ASSERT_EQ(SetString("Software\\Snap\\A", "v", "first"), ERROR_SUCCESS);
        EXPECT_EQ(Query("Software\\Snap\\A", "v"), "first");
    }
    // A store that is no registry fails every read of the snapshot with its reason; once it is back,
    // reads in the same snapshot succeed again.
    const std::string notes = folder_ / "notes.db";
    std::ofstream(notes, std::ios::binary) << "my notes, not a registry\n" << std::string(600, 'n');
    plat::RegistrySnapshot snapshot;
    EXPECT_EQ(Query("Software\\Snap\\A", "v"), "first");
    plat::SetRegistryPath(notes);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    plat::SetRegistryPath(folder_ / "registry.db");
    EXPECT_EQ(Query("Software\\Snap\\A", "v"), "first");
}

} // namespace

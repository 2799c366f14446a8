// RegRenameKey: a subkey renamed within its parent with everything below it, refused when the new
// name is taken (its own included), for a root key, without KEY_WRITE and for a name that is no name.
#include "support/registry_keys.h"

#include <string>

namespace {

using regtest::Create;
using regtest::NameAt;
using regtest::Query;

class RegistryRename : public regtest::RegistryTest {
  protected:
    static void SetString(const char* path, const char* name, const std::string& data) {
        ASSERT_EQ(regtest::SetString(path, name, data), ERROR_SUCCESS);
    }
};

TEST_F(RegistryRename, RenamesASubkeyWithEverythingBelowIt) {
    SetString("Software\\Old", "v", "top");
    SetString("Software\\Old\\Sub", "w", "below");
    HKEY before = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Old", 0, KEY_READ, &before), ERROR_SUCCESS);

    ASSERT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\Old", "NewName"), ERROR_SUCCESS);
    EXPECT_EQ(Query("Software\\Old", "v"), "ERROR_FILE_NOT_FOUND (2)");
    EXPECT_EQ(Query("software\\NEWNAME", "v"), "top");
    EXPECT_EQ(Query("Software\\NewName\\Sub", "w"), "below");
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(NameAt(software, 0), "NewName") << "the name as given";
    EXPECT_EQ(NameAt(software, 1), "<end>");
    RegCloseKey(software);
    EXPECT_EQ(Query("", "v", before), "top") << "a handle opened before still names the key";
    RegCloseKey(before);
}

TEST_F(RegistryRename, ANameThatIsTakenIsRefused) {
    SetString("Software\\A", "v", "a");
    SetString("Software\\b", "v", "b");
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\A", "B"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\A", "a"), ERROR_ACCESS_DENIED) << "its own name";
    EXPECT_EQ(Query("Software\\A", "v"), "a");
    EXPECT_EQ(Query("Software\\b", "v"), "b");
    EXPECT_EQ(plat::LastRegistryStoreError().code, ERROR_SUCCESS) << "no failure of the store";
}

TEST_F(RegistryRename, ArgumentsThatNameNoKeyOrNoNameAreRefused) {
    SetString("Software\\K", "v", "k");
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\K", "x\\y"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\K", ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\K", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\K", std::string(256, 'n').c_str()),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, "Software\\Missing", "M"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, nullptr, "Machine"), ERROR_ACCESS_DENIED) << "a root key";

    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(RegRenameKey(readOnly, "K", "L"), ERROR_ACCESS_DENIED) << "without KEY_WRITE";
    RegCloseKey(readOnly);

    // Without a subkey the key of the handle itself is renamed; 255 characters is a name.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\K", 0, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    const std::string longest(255, 'n');
    EXPECT_EQ(RegRenameKey(key, nullptr, longest.c_str()), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Query(("Software\\" + longest).c_str(), "v"), "k");
}

TEST_F(RegistryRename, AWalkByIndexSeesTheNewOrder) {
    HKEY parent = Create("Software\\Walk");
    for (const char* name : {"a", "c", "e"})
        RegCloseKey(Create(name, parent));
    EXPECT_EQ(NameAt(parent, 0), "a");
    EXPECT_EQ(NameAt(parent, 1), "c");
    ASSERT_EQ(RegRenameKey(parent, "a", "z"), ERROR_SUCCESS); // now c, e, z
    EXPECT_EQ(NameAt(parent, 2), "z");
    EXPECT_EQ(NameAt(parent, 0), "c");
    RegCloseKey(parent);
}

} // namespace

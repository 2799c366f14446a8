// The registry calls: names without regard to case, enumeration order and end, data kept exactly as
// written, buffer sizes, key deletion rules and handles to deleted keys.
#include "support/registry_keys.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using regtest::Create;
using regtest::NameAt;

class Registry : public regtest::RegistryTest {
  protected:
    void SetString(HKEY key, const char* name, const std::string& data, bool withTerminator) {
        DWORD size = static_cast<DWORD>(data.size() + (withTerminator ? 1 : 0));
        ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), size),
                  ERROR_SUCCESS);
    }
    // The names of the key's subkeys or values in the order of enumeration, which must end with
    // ERROR_NO_MORE_ITEMS.
    static std::vector<std::string> Names(HKEY key, bool values) {
        std::vector<std::string> names;
        char name[260];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            LONG result = values ? RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                                 : RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
            if (result != ERROR_SUCCESS) {
                EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
                return names;
            }
            names.emplace_back(name, size);
        }
    }
    static std::vector<std::string> SubkeyNames(HKEY key) { return Names(key, false); }
    static std::vector<std::string> ValueNames(HKEY key) { return Names(key, true); }
};

TEST_F(Registry, KeyAndValueNamesIgnoreCaseAndKeepTheirFirstSpellingInSeparateRoots) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velmoran\\ZavikDic", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);

    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\velmoran\\ZAVIKDIC", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);

    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), std::vector<std::string>{"Velmoran"});
    RegCloseKey(software);
    // The roots are separate trees.
    RegCloseKey(Create("Software\\OnlyInClassesRoot", HKEY_CLASSES_ROOT));
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\OnlyInClassesRoot", 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);

    key = Create("Software\\Values");
    SetString(key, "Database", "first", true);
    SetString(key, "DATABASE", "second", true);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"Database"});

    char data[32] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "database", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, "second");
    RegCloseKey(key);
}

TEST_F(Registry, CreateKeyMakesTheMissingKeysOnTheWayAndSubkeysEnumerateSortedByUpperCasedName) {
    HKEY parent = Create("Software\\Sorted");
    // Upper-cased, "_" (0x5F) sorts after the letters; lower-cased it would sort before them.
    for (const char* name : {"gamma", "_under", "Alpha", "Zed", "beta"})
        RegCloseKey(Create(name, parent));
    EXPECT_EQ(SubkeyNames(parent), (std::vector<std::string>{"Alpha", "beta", "gamma", "Zed", "_under"}));
    RegCloseKey(parent);
    RegCloseKey(Create("A\\B\\C"));
    HKEY middle = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B", 0, KEY_READ, &middle), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(middle), std::vector<std::string>{"C"});
    RegCloseKey(middle);
}

TEST_F(Registry, ValuesEnumerateInCreationOrderAndKeepTheirPlaceWhenRewritten) {
    HKEY key = Create("Software\\Order");
    SetString(key, "zulu", "1", true);
    SetString(key, "Alpha", "2", true);
    SetString(key, "mike", "3", true);
    SetString(key, "ZULU", "4", true);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"zulu", "Alpha", "mike"}));
    ASSERT_EQ(RegDeleteValueA(key, "alpha"), ERROR_SUCCESS);
    SetString(key, "Alpha", "5", true);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"zulu", "mike", "Alpha"}));
    RegCloseKey(key);
}

TEST_F(Registry, DataComesBackAsWrittenStringsWithATerminatorOnlyIfWrittenWithOne) {
    HKEY key = Create("Software\\Strings");
    const std::string path = "C:\\Books\\dict.ebd";
    SetString(key, "Database", path, false);

    char data[64];
    std::memset(data, 'X', sizeof data);
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Database", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, path.size());
    EXPECT_EQ(std::string(data, size), path);
    EXPECT_EQ(data[size], 'X') << "no terminator may be added to stored data";

    // Enumeration hands out the same bytes.
    char name[32];
    DWORD nameSize = sizeof name;
    std::memset(data, 'X', sizeof data);
    size = sizeof data;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Database");
    EXPECT_EQ(nameSize, 8u);
    EXPECT_EQ(size, path.size());
    EXPECT_EQ(data[size], 'X');

    SetString(key, "Driver", "books.dll", true);
    size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Driver", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 10u);
    RegCloseKey(key);

    key = Create("Software\\Types");
    DWORD number = 0x12345678;
    ASSERT_EQ(
        RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
        ERROR_SUCCESS);
    const BYTE blob[] = {0, 1, 0, 0xFF, 0};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("default"), 8),
              ERROR_SUCCESS);

    DWORD read = 0;
    size = sizeof read;
    ASSERT_EQ(RegQueryValueExA(key, "number", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(read, number);

    BYTE back[8] = {};
    size = sizeof back;
    ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, sizeof blob);
    EXPECT_EQ(std::memcmp(back, blob, sizeof blob), 0);

    char text[16] = {};
    size = sizeof text;
    ASSERT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "default");

    EXPECT_EQ(RegSetValueExA(key, "Null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    size = 7;
    ASSERT_EQ(RegQueryValueExA(key, "Empty", nullptr, nullptr, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    RegCloseKey(key);
}

TEST_F(Registry, TooSmallBuffersGiveMoreDataAndTheSizeNeededAndNameBuffersMustHoldTheTerminator) {
    HKEY key = Create("Software\\Sizes");
    SetString(key, "Text", "0123456789", true);

    char data[16];
    std::memset(data, 'X', sizeof data);
    DWORD size = 5;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(data[0], 'X') << "nothing is copied into a buffer that is too small";

    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 11u);

    size = 11;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(data, "0123456789");

    // Enumeration: data too small, and a name buffer without room for the terminator.
    char name[8];
    DWORD nameSize = sizeof name;
    size = 3;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    nameSize = 4; // "Text" needs 5 with its terminator
    size = sizeof data;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
              ERROR_MORE_DATA);
    RegCloseKey(key);

    HKEY parent = Create("Software\\Names");
    RegCloseKey(Create("Books", parent));
    size = 5;
    EXPECT_EQ(RegEnumKeyExA(parent, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    size = 6;
    ASSERT_EQ(RegEnumKeyExA(parent, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(name, "Books");
    EXPECT_EQ(RegEnumKeyA(parent, 0, name, 5), ERROR_MORE_DATA);
    ASSERT_EQ(RegEnumKeyA(parent, 0, name, 6), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Books");
    RegCloseKey(parent);
}

TEST_F(Registry, EnumerationEndsWithNoMoreItemsAndMissingKeysAndValuesAreFileNotFound) {
    HKEY empty = Create("Software\\Empty");
    char name[32];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(empty, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(empty, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyA(empty, 1000, name, sizeof name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(empty);

    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Nowhere", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Nowhere"), ERROR_FILE_NOT_FOUND);

    key = Create("Software\\Here");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Absent", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "Absent"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, DeleteKeyIsRefusedWhileItHasSubkeys) {
    HKEY book = Create("Software\\Velmoran\\ZavikDic\\1a2b");
    SetString(book, "Note", "kept until the key goes", true);
    RegCloseKey(Create("Book", book));
    RegCloseKey(book);

    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velmoran\\ZavikDic\\1a2b"), ERROR_ACCESS_DENIED);
    HKEY still = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velmoran\\ZavikDic\\1a2b\\Book", 0, KEY_READ, &still),
        ERROR_SUCCESS);
    RegCloseKey(still);

    // Values do not block deletion, and go with the key.
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Velmoran\\ZavikDic\\1a2b\\Book"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmoran\\ZavikDic\\1A2B"), ERROR_SUCCESS);
    book = Create("Software\\Velmoran\\ZavikDic\\1a2b");
    DWORD values_ = 99;
    ASSERT_EQ(RegQueryInfoKeyA(book, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values_, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values_, 0u);
    RegCloseKey(book);
}

TEST_F(Registry, AnEmptySubkeyDeletesTheKeyOfTheHandleButNotARootAndHandlesToDeletedKeysSaySo) {
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
    HKEY key = Create("Software\\SelfDelete");
    EXPECT_EQ(RegDeleteKeyA(key, ""), ERROR_SUCCESS);
    RegCloseKey(key);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\SelfDelete", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);

    key = Create("Software\\Doomed");
    SetString(key, "Value", "x", true);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Doomed"), ERROR_SUCCESS);

    DWORD size = 0;
    char name[16];
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumKeyA(key, 0, name, sizeof name), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_KEY_DELETED);

    // A new key of the same name is another key: the old handle stays deleted.
    HKEY again = Create("Software\\Doomed");
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    RegCloseKey(again);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, HandlesStayValidWhileOpenCloseOnceAndHaveTheAccessTheyWereOpenedWith) {
    HKEY first = Create("Software\\Shared");
    HKEY second = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Shared", 0, KEY_READ, &second), ERROR_SUCCESS);
    EXPECT_NE(first, second);
    EXPECT_EQ(plat::OpenKeyCount(), baseline_ + 2);
    SetString(first, "Seen", "through the other handle", true);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(second, "Seen", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(second, "Seen", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(first, "Seen", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);

    RegCloseKey(Create("Software\\ReadOnly\\Existing"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ReadOnly", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2),
              ERROR_ACCESS_DENIED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "New", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegCreateKeyExA(key, "Existing", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(child);
    RegCloseKey(key);
}

TEST_F(Registry, OpeningAnEmptySubkeyGivesANewHandleToTheSameKey) {
    // How a book registration opens the root before creating its key below it.
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ | KEY_WRITE, &machine), ERROR_SUCCESS);
    EXPECT_NE(machine, HKEY_LOCAL_MACHINE);
    HKEY book = nullptr;
    ASSERT_EQ(RegCreateKeyExA(machine, "Software\\Velmoran\\ZavikDic\\77\\Book", 0, const_cast<char*>(""),
                              REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &book, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(book);
    EXPECT_EQ(RegCloseKey(machine), ERROR_SUCCESS);

    // The old forms hand back the handle they were given.
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, HKEY_LOCAL_MACHINE);
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\velmoran", &opened), ERROR_SUCCESS);
    RegCloseKey(opened);
}

TEST_F(Registry, QueryInfoKeyCountsAndLongestNames) {
    HKEY key = Create("Software\\Info");
    for (const char* name : {"a", "Longest12"})
        RegCloseKey(Create(name, key));
    SetString(key, "x", "123456789", true);   // 10 bytes
    SetString(key, "name_long", "abc", true); // 4 bytes
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxData = 0;
    FILETIME written{};
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values,
                               &maxName, &maxData, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(maxSubkey, 9u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 9u);
    EXPECT_EQ(maxData, 10u);
    EXPECT_NE(written.dwHighDateTime, 0u);
    RegCloseKey(key);
}

TEST_F(Registry, KeyPathsRejectALeadingBackslashAndAcceptATrailingOne) {
    const std::pair<std::string, LONG> refused[] = {{"\\Software\\Bad", ERROR_BAD_PATHNAME},
                                                    {"Software\\\\Bad", ERROR_BAD_PATHNAME},
                                                    {std::string(256, 'k'), ERROR_INVALID_PARAMETER}};
    HKEY key = nullptr;
    for (const auto& [path, code] : refused)
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  code)
            << path;
    RegCloseKey(Create("Software\\Trailing\\"));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Trailing", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(Registry, KeysOutliveTheConnection) {
    HKEY key = Create("Software\\Durable");
    SetString(key, "Kept", "yes", false);
    RegCloseKey(key);
    plat::SetRegistryPath(folder_ / "other.db");
    EXPECT_EQ(regtest::Query("Software\\Durable", "Kept"), "ERROR_FILE_NOT_FOUND (2)");
    plat::SetRegistryPath(folder_ / "registry.db");
    EXPECT_EQ(regtest::Query("Software\\Durable", "Kept"), "yes");
}

// Walks by index go on from where the last call stopped; whatever changed in between, each index
// still answers the subkey that now sorts at that place.
TEST_F(Registry, AWalkSeesSubkeysAddedAndDeletedWhileItRunsAlsoByAnotherProcess) {
    HKEY parent = Create("Software\\Walk");
    for (const char* name : {"b", "d", "f", "h"})
        RegCloseKey(Create(name, parent));
    EXPECT_EQ(NameAt(parent, 0), "b");
    RegCloseKey(Create("A", parent)); // now sorts first: b moves to index 1
    EXPECT_EQ(NameAt(parent, 1), "b");
    EXPECT_EQ(NameAt(parent, 2), "d");
    ASSERT_EQ(RegDeleteKeyA(parent, "A"), ERROR_SUCCESS); // everything moves back by one
    EXPECT_EQ(NameAt(parent, 3), "h");
    EXPECT_EQ(NameAt(parent, 4), "<end>");
    RegCloseKey(parent);

    parent = Create("Software\\Shared");
    RegCloseKey(Create("k2", parent));
    RegCloseKey(Create("k3", parent));
    EXPECT_EQ(NameAt(parent, 0), "k2");
    regtest::InOtherProcess([] {
        HKEY key = nullptr;
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Shared\\k1", 0, nullptr, 0, KEY_ALL_ACCESS,
                               nullptr, &key, nullptr) == ERROR_SUCCESS;
    });
    EXPECT_EQ(NameAt(parent, 1), "k2");
    EXPECT_EQ(NameAt(parent, 2), "k3");
    RegCloseKey(parent);
}

TEST_F(Registry, NestedAndRepeatedWalksEachGetTheirOwnPlaces) {
    HKEY outer = Create("Software\\Outer");
    for (const char* name : {"x", "y", "z"}) {
        HKEY key = Create(name, outer);
        RegCloseKey(Create("one", key));
        RegCloseKey(Create("two", key));
        RegCloseKey(key);
    }
    std::vector<std::string> seen;
    for (DWORD i = 0;; ++i) {
        std::string name = NameAt(outer, i);
        if (name == "<end>" || name == "<error>") break;
        HKEY inner = nullptr;
        ASSERT_EQ(RegOpenKeyExA(outer, name.c_str(), 0, KEY_READ, &inner), ERROR_SUCCESS);
        for (DWORD j = 0;; ++j) {
            std::string leaf = NameAt(inner, j);
            if (leaf == "<end>" || leaf == "<error>") break;
            seen.push_back(name + "\\" + leaf);
        }
        RegCloseKey(inner);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"x\\one", "x\\two", "y\\one", "y\\two", "z\\one", "z\\two"}));
    // Asking again, going back and skipping ahead count from the start.
    EXPECT_EQ(NameAt(outer, 1), "y");
    EXPECT_EQ(NameAt(outer, 1), "y");
    EXPECT_EQ(NameAt(outer, 0), "x");
    EXPECT_EQ(NameAt(outer, 2), "z");
    EXPECT_EQ(NameAt(outer, 3), "<end>");
    RegCloseKey(outer);
}

} // namespace

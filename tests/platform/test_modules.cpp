// Dynamic libraries: the search order for names, names found without regard to case, load counts
// and reuse of a loaded module by base name, module file names and entry points.
#include "fixtures/temp_folder.h"
#include "plat/modules.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#ifndef TAVRIN_FIXTURE_DIR
#error "the build passes the folder of the fixture libraries"
#endif

namespace {

const std::string kFixtures = TAVRIN_FIXTURE_DIR;

using NameProc = const char* (*)();

// The folder and file a loaded fixture library was built as ("host/Books.Dll").
std::string FixtureOf(HMODULE module) {
    auto proc = reinterpret_cast<NameProc>(GetProcAddress(module, "FixtureName"));
    return proc ? proc() : "<no FixtureName>";
}

// What loading `name` finds: the fixture it was built as, or "error N" with the last error; a library
// found is freed again.
std::string Found(const std::string& name) {
    SetLastError(0);
    HMODULE module = LoadLibraryA(name.c_str());
    if (!module) return "error " + std::to_string(GetLastError());
    std::string fixture = FixtureOf(module);
    EXPECT_TRUE(FreeLibrary(module)) << name;
    return fixture;
}
const std::string kNotFound = "error " + std::to_string(ERROR_MOD_NOT_FOUND);

using testfs::ScopedEnv;

class Modules : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::ResetModulesForTest();
        // The host program lives in the "host" fixture folder.
        plat::SetProgramPath(kFixtures + "/host/readerhost");
    }
    void TearDown() override {
        EXPECT_EQ(plat::LoadedModuleCount(), 0u) << "a test left a library loaded";
        plat::ResetModulesForTest();
    }

    ScopedEnv noLibraryPath_{"TAVRIN_LIBRARY_PATH", nullptr};
};

TEST_F(Modules, BareNameGetsDllAndIsFoundInTheHostFolderWhateverTheCurrentDirectory) {
    for (const std::string& folder : {kFixtures + "/cwd", kFixtures + "/extra", std::string("/")}) {
        testfs::CurrentDirectory cwd(folder);
        EXPECT_EQ(Found("Books"), "host/Books.Dll") << "from " << folder;
    }
}

TEST_F(Modules, CurrentDirectoryComesBeforeTheLibraryPath) {
    testfs::CurrentDirectory cwd(kFixtures + "/cwd");
    EXPECT_EQ(Found("other.dll"), kNotFound);
    EXPECT_EQ(Found("cwdonly.dll"), "cwd/cwdonly.dll");
    ScopedEnv path("TAVRIN_LIBRARY_PATH", ("/nonexistent::" + kFixtures + "/extra").c_str());
    EXPECT_EQ(Found("other"), "extra/OTHER.dll");
}

TEST_F(Modules, FileNamesMatchWithoutRegardToCaseAndATrailingDotMeansNoExtension) {
    plat::SetProgramPath(kFixtures + "/extra/readerhost");
    EXPECT_EQ(Found("Books.Dll"), "extra/BOOKS.DLL"); // on disk: BOOKS.DLL
    // A full path with other cases and with "\" separators names the file too.
    EXPECT_EQ(Found(kFixtures + "\\HOST\\books.DLL"), "host/Books.Dll");

    plat::SetProgramPath(kFixtures + "/host/readerhost");
    EXPECT_EQ(Found("plain"), kNotFound) << "\"plain\" means plain.dll";
    EXPECT_EQ(Found("plain."), "host/plain");
}

TEST_F(Modules, LoadCountsAndReuseByBaseName) {
    testfs::CurrentDirectory cwd(kFixtures + "/cwd");
    const std::string hostBooks = kFixtures + "/host/Books.Dll";
    HMODULE first = LoadLibraryA(hostBooks.c_str());
    ASSERT_NE(first, 0u);
    EXPECT_EQ(plat::ModuleLoadCount(first), 1u);

    // A bare name whose base name is loaded gets that module, whatever file the search would find.
    plat::SetProgramPath(kFixtures + "/cwd/readerhost");
    EXPECT_EQ(LoadLibraryA("BOOKS"), first);
    EXPECT_EQ(LoadLibraryExA("books.dll", nullptr, 0), first);
    EXPECT_EQ(plat::ModuleLoadCount(first), 3u);
    EXPECT_EQ(plat::LoadedModuleCount(), 1u);

    // A full path to another file of that base name is another module.
    HMODULE second = LoadLibraryA((kFixtures + "/cwd/books.dll").c_str());
    ASSERT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_EQ(FixtureOf(second), "cwd/books.dll");
    EXPECT_EQ(plat::LoadedModuleCount(), 2u);
    FreeLibrary(second);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(plat::ModuleLoadCount(first), 1u);
    EXPECT_EQ(FixtureOf(first), "host/Books.Dll") << "still loaded while its count is above 0";
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(plat::ModuleLoadCount(first), 0u);
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(first, "FixtureName"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(first));
}

TEST_F(Modules, HandlesAreDistinctNonZero32BitValues) {
    static_assert(sizeof(HMODULE) == 4);
    testfs::CurrentDirectory cwd(kFixtures + "/cwd");
    HMODULE a = LoadLibraryA("books"); // the host folder's
    HMODULE b = LoadLibraryA("cwdonly");
    HMODULE c = LoadLibraryA((kFixtures + "/cwd/books.dll").c_str());
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(c, 0u);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_NE(a, c);
    HMODULE program = GetModuleHandleA(nullptr);
    EXPECT_NE(program, 0u);
    for (HMODULE module : {a, b, c})
        EXPECT_NE(module, program);
    // Freeing one and loading another does not hand out a handle still in use.
    FreeLibrary(b);
    HMODULE d = LoadLibraryA((kFixtures + "/extra/OTHER.dll").c_str());
    EXPECT_NE(d, a);
    EXPECT_NE(d, c);
    for (HMODULE module : {a, c, d})
        FreeLibrary(module);
}

TEST_F(Modules, ModuleFileNameIsTheFullPathAndTruncatesAsThePlatformDoes) {
    HMODULE books = LoadLibraryA("Books");
    ASSERT_NE(books, 0u);
    const std::string path = kFixtures + "/host/Books.Dll";

    char buffer[1024];
    EXPECT_EQ(GetModuleFileNameA(books, buffer, sizeof buffer), path.size());
    EXPECT_EQ(buffer, path);

    // Exactly the length: no room for the terminator.
    const DWORD size = static_cast<DWORD>(path.size());
    std::memset(buffer, 'X', sizeof buffer);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(books, buffer, size), size);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(buffer), path.substr(0, size - 1));
    EXPECT_EQ(buffer[size], 'X');

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(books, buffer, 1), 1u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetModuleFileNameA(books, buffer, 0), 0u);

    // NULL is the program.
    EXPECT_EQ(GetModuleFileNameA(0, buffer, sizeof buffer), (kFixtures + "/host/readerhost").size());
    EXPECT_EQ(std::string(buffer), kFixtures + "/host/readerhost");
    FreeLibrary(books);
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(books, buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(Modules, GetProcAddressFindsOnlyTheLibrarysOwnNamesExactly) {
    HMODULE books = LoadLibraryA("Books");
    ASSERT_NE(books, 0u);
    EXPECT_NE(GetProcAddress(books, "FixtureName"), nullptr);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(books, "fixturename"), nullptr) << "names are case-sensitive";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(books, "CBIGetCaps"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // The library's own dependencies do not lend it their names.
    EXPECT_EQ(GetProcAddress(books, "malloc"), nullptr);
    // Entry points by ordinal are not offered.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(books, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    FreeLibrary(books);
}

TEST_F(Modules, GetProcAddressAnswersForTheLibraryLoadedNowNotOneLoadedFromTheSameFileBefore) {
    testfs::TempFolder folder;
    const std::string path = folder / "driver.dll";
    std::filesystem::copy_file(kFixtures + "/entry/accept.dll", path);
    HMODULE first = LoadLibraryA(path.c_str());
    ASSERT_NE(first, 0u);
    EXPECT_NE(GetProcAddress(first, "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(first, "malloc"), nullptr);
    EXPECT_EQ(GetProcAddress(first, "malloc"), nullptr) << "asked again";
    ASSERT_TRUE(FreeLibrary(first));

    // Another library in the same file: it has no entry point, and its name is its own.
    std::filesystem::remove(path);
    std::filesystem::copy_file(kFixtures + "/host/plain", path);
    HMODULE second = LoadLibraryA(path.c_str());
    ASSERT_NE(second, 0u);
    EXPECT_EQ(GetProcAddress(second, "DllMain"), nullptr);
    EXPECT_EQ(FixtureOf(second), "host/plain");
    EXPECT_EQ(FixtureOf(second), "host/plain") << "asked again";
    FreeLibrary(second);
}

TEST_F(Modules, GetModuleHandleFindsLoadedModulesByBaseNameWithoutCountingThem) {
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA("readerhost"));
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("Books.Dll"), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    HMODULE books = LoadLibraryA("Books");
    ASSERT_NE(books, 0u);
    EXPECT_EQ(GetModuleHandleA("books.dll"), books);
    EXPECT_EQ(GetModuleHandleA("BOOKS"), books);
    EXPECT_EQ(GetModuleHandleA((kFixtures + "\\host\\BOOKS.DLL").c_str()), books);
    EXPECT_EQ(plat::ModuleLoadCount(books), 1u);
    FreeLibrary(books);
    EXPECT_EQ(GetModuleHandleA("Books.Dll"), 0u);
}

TEST_F(Modules, BuiltinModulesAreFoundByNameAndNeverUnloaded) {
    HMODULE control = plat::RegisterBuiltinModule("Tavrin.DLL", "/opt/reader/Tavrin.DLL");
    ASSERT_NE(control, 0u);
    EXPECT_EQ(plat::RegisterBuiltinModule("tavrin.dll", "/elsewhere"), control);
    EXPECT_EQ(GetModuleHandleA("Tavrin.dll"), control);
    EXPECT_EQ(GetModuleHandleA("TAVRIN"), control);
    char path[64];
    EXPECT_EQ(GetModuleFileNameA(control, path, sizeof path), 22u);
    EXPECT_STREQ(path, "/opt/reader/Tavrin.DLL");

    EXPECT_EQ(LoadLibraryA("tavrin"), control);
    EXPECT_EQ(plat::ModuleLoadCount(control), 2u);
    EXPECT_TRUE(FreeLibrary(control));
    EXPECT_TRUE(FreeLibrary(control));
    EXPECT_TRUE(FreeLibrary(control));
    EXPECT_EQ(plat::ModuleLoadCount(control), 1u);
    EXPECT_EQ(GetModuleHandleA("Tavrin.dll"), control);
    EXPECT_EQ(plat::LoadedModuleCount(), 0u) << "built-in modules are not loaded libraries";
}

TEST_F(Modules, EntryPointRunsOnFirstLoadAndFinalReleaseAndCanRefuse) {
    testfs::TempFolder folder;
    const std::string log = folder / "entry.log";
    ScopedEnv logEnv("FIXTURE_LOG", log.c_str());
    const std::string accept = kFixtures + "/entry/accept.dll";

    HMODULE module = LoadLibraryA(accept.c_str());
    ASSERT_NE(module, 0u);
    EXPECT_EQ(LoadLibraryA("ACCEPT"), module);
    EXPECT_EQ(testfs::ReadText(log), "attach entry/accept.dll\n");
    FreeLibrary(module);
    EXPECT_EQ(testfs::ReadText(log), "attach entry/accept.dll\n");
    FreeLibrary(module);
    EXPECT_EQ(testfs::ReadText(log), "attach entry/accept.dll\ndetach entry/accept.dll\n");

    std::remove(log.c_str());
    EXPECT_EQ(Found(kFixtures + "/entry/refuse.dll"), "error " + std::to_string(ERROR_DLL_INIT_FAILED));
    EXPECT_EQ(testfs::ReadText(log), "attach entry/refuse.dll\ndetach entry/refuse.dll\n");
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);
}

TEST_F(Modules, FilesThatAreNotLibrariesAndMissingFilesFail) {
    testfs::TempFolder folder;
    testfs::WriteText(folder / "junk.dll", "MZ this is no library");
    EXPECT_EQ(Found(folder / "junk.dll"), "error " + std::to_string(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(Found(folder / "absent.dll"), kNotFound);
    // A folder is not a library, even when its name fits.
    testfs::CurrentDirectory cwd(folder.Path());
    std::filesystem::create_directory(folder / "dir.dll");
    EXPECT_EQ(LoadLibraryA("dir.dll"), 0u);
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);
}

TEST_F(Modules, LoadedModulePathsListWhatIsStillLoaded) {
    HMODULE books = LoadLibraryA("Books");
    HMODULE plain = LoadLibraryA("plain.");
    ASSERT_NE(books, 0u);
    ASSERT_NE(plain, 0u);
    EXPECT_EQ(plat::LoadedModulePaths(),
              (std::vector<std::string>{kFixtures + "/host/Books.Dll", kFixtures + "/host/plain"}));
    plat::ResetModulesForTest();
    EXPECT_EQ(plat::LoadedModuleCount(), 0u);
    EXPECT_EQ(plat::ModuleLoadCount(books), 0u);
}

} // namespace

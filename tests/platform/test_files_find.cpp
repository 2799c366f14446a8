// Directory searches: wildcards without regard to case and with the platform's rules for dots,
// "." and "..", the end of a search, and the one known departure (no 8.3 names).
#include "fixtures/temp_folder.h"
#include "plat/files.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FindFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        testfs::WriteText(folder_ / "Books.DLL", "12345");
        testfs::WriteText(folder_ / "other.dll", "");
        testfs::WriteText(folder_ / "readme.txt", "");
        testfs::WriteText(folder_ / "noext", "");
        testfs::WriteText(folder_ / "page.html", "");
        std::filesystem::create_directory(folder_ / "Sub");
    }
    void TearDown() override { EXPECT_EQ(plat::OpenFindHandleCount(), 0u); }

    // Every name the search lists, in its order; fails the test when the search cannot start.
    std::vector<std::string> List(const std::string& pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(pattern.c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << pattern;
            return names;
        }
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(search, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(search));
        return names;
    }

    testfs::TempFolder folder_;
};

TEST_F(FindFiles, DirectoryListingsReportDotAndDotDotFirst) {
    std::vector<std::string> all = List(folder_ / "*");
    EXPECT_EQ(all, (std::vector<std::string>{".", "..", "Books.DLL", "noext", "other.dll", "page.html",
                                             "readme.txt", "Sub"}));
    // "*.*" lists names without a dot as well.
    EXPECT_EQ(List(folder_ / "*.*"), all);
}

TEST_F(FindFiles, PatternsIgnoreCaseFollowThePlatformsDotRulesAndMatchLongNamesOnly) {
    EXPECT_EQ(List(folder_ / "*."), (std::vector<std::string>{".", "..", "noext", "Sub"}));
    EXPECT_EQ(List(folder_ / "noext.*"), std::vector<std::string>{"noext"});
    EXPECT_EQ(List(folder_ / "read??.txt"), std::vector<std::string>{"readme.txt"});
    EXPECT_EQ(List(folder_ / "readme??.txt"), std::vector<std::string>{"readme.txt"})
        << "? also matches nothing before a dot";

    EXPECT_TRUE(plat::MatchesFilePattern("*.dll", "a.b.dll"));
    EXPECT_FALSE(plat::MatchesFilePattern("*.dll", "a.dll.bak"));
    EXPECT_FALSE(plat::MatchesFilePattern("a?c", "a.c")) << "? never matches a dot";
    EXPECT_TRUE(plat::MatchesFilePattern("*", ".hidden"));
    EXPECT_TRUE(plat::MatchesFilePattern("*abc*", "xxABCyy"));
    EXPECT_FALSE(plat::MatchesFilePattern("*abc", "xxABCyy"));

    EXPECT_EQ(List(folder_ / "*.dll"), (std::vector<std::string>{"Books.DLL", "other.dll"}))
        << "no dot entries where the pattern does not match them";
    EXPECT_EQ(List(folder_ / "*.DLL"), (std::vector<std::string>{"Books.DLL", "other.dll"}));
    EXPECT_EQ(List(folder_.Path() + "\\BOOKS.dll"), std::vector<std::string>{"Books.DLL"});
    EXPECT_EQ(List(folder_ / "?THER.Dll"), std::vector<std::string>{"other.dll"});

    // Departure from the platform: a volume with 8.3 names would also find "page.html" through its
    // short name PAGE~1.HTM. The layer makes no short names, so only long names match.
    EXPECT_EQ(List(folder_ / "*.htm"), std::vector<std::string>{});
    EXPECT_EQ(List(folder_ / "*.html"), std::vector<std::string>{"page.html"});
}

TEST_F(FindFiles, EntriesCarrySizesAndAttributes) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder_ / "books.dll").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Books.DLL");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_STREQ(data.cAlternateFileName, "");
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_FALSE(FindNextFileA(search, &data)) << "and stays at the end";
    FindClose(search);

    search = FindFirstFileA((folder_ / "sub").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Sub");
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
}

TEST_F(FindFiles, FailuresAndHandles) {
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((folder_ / "*.ebd").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((folder_ / "absent/*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    HANDLE search = FindFirstFileA((folder_ / "*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(plat::OpenFindHandleCount(), 1u);
    EXPECT_FALSE(CloseHandle(search)) << "a search is closed with FindClose";
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

} // namespace

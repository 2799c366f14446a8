// Files: creation dispositions and their last-error rules, reading and writing, the file pointer,
// sharing, delete-on-close, whole-file operations, folders and temporary files.
#include "fixtures/temp_folder.h"
#include "plat/files.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

class Files : public ::testing::Test {
  protected:
    void SetUp() override { baseline_ = plat::OpenFileHandleCount(); }
    void TearDown() override {
        EXPECT_EQ(plat::OpenFileHandleCount(), baseline_) << "a file handle was left open";
    }

    HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
        return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    }
    // The last error of an open that should fail; 0 (and the handle closed) where it succeeds.
    long OpenError(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
        HANDLE file = Open(path, access, share, disposition);
        if (file == INVALID_HANDLE_VALUE) return static_cast<long>(GetLastError());
        CloseHandle(file);
        return 0;
    }
    // The last error a call left if it failed, 0 if it did not.
    static long FailedWith(bool failed) { return failed ? static_cast<long>(GetLastError()) : 0; }
    static std::string Read(HANDLE file, DWORD count) {
        std::string data(count, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(file, data.data(), count, &got, nullptr));
        data.resize(got);
        return data;
    }
    static void Write(HANDLE file, const std::string& data) {
        DWORD put = 0;
        EXPECT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
        EXPECT_EQ(put, data.size());
    }

    testfs::TempFolder folder_;
    size_t baseline_ = 0;
    static constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
    static constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
};

TEST_F(Files, DispositionsTellWhetherTheFileExistedAndFailWithTheirErrors) {
    const std::string path = folder_ / "book.ebd";
    SetLastError(1234);
    HANDLE file = Open(path, kReadWrite, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    Write(file, "EBDF and more");
    CloseHandle(file);

    file = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Read(file, 64), "EBDF and more") << "OPEN_ALWAYS keeps the contents";
    CloseHandle(file);

    file = Open(path, kReadWrite, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "CREATE_ALWAYS succeeds on an existing file";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u) << "and truncates it";
    CloseHandle(file);

    const std::string data = folder_ / "data.bin";
    file = Open(data, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "12345");
    CloseHandle(file);

    EXPECT_EQ(OpenError(data, GENERIC_WRITE, 0, CREATE_NEW), ERROR_FILE_EXISTS);
    EXPECT_EQ(OpenError(folder_ / "absent.bin", GENERIC_READ, 0, OPEN_EXISTING), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(folder_ / "no/such/folder.bin", GENERIC_READ, 0, OPEN_EXISTING),
              ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(data, GENERIC_READ, 0, TRUNCATE_EXISTING), ERROR_INVALID_PARAMETER)
        << "truncating needs write access";
    EXPECT_EQ(OpenError(folder_ / "absent.bin", GENERIC_WRITE, 0, TRUNCATE_EXISTING), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(folder_.Path(), GENERIC_READ, 0, OPEN_EXISTING), ERROR_ACCESS_DENIED)
        << "a folder is not a file";

    file = Open(data, GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    CloseHandle(file);
}

TEST_F(Files, ReadingWritingAndTheFilePointer) {
    HANDLE file = Open(folder_ / "pointer.bin", kReadWrite, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "0123456789");
    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
    EXPECT_EQ(Read(file, 3), "234");
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 4u);
    EXPECT_EQ(Read(file, 1), "4");
    EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 8u);
    EXPECT_EQ(Read(file, 100), "89") << "a read past the end returns what there is";
    EXPECT_EQ(Read(file, 10), "") << "at the end a read succeeds with 0 bytes";

    SetLastError(0);
    EXPECT_EQ(SetFilePointer(file, -20, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 10u) << "a failed move leaves the pointer";

    // A 64-bit position through the high part; success clears the last error.
    LONG high = 1;
    SetLastError(77);
    EXPECT_EQ(SetFilePointer(file, 5, &high, FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));

    EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
    EXPECT_TRUE(SetEndOfFile(file));
    DWORD sizeHigh = 99;
    EXPECT_EQ(GetFileSize(file, &sizeHigh), 6u);
    EXPECT_EQ(sizeHigh, 0u);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
    EXPECT_EQ(testfs::ReadText(folder_ / "pointer.bin"), "012345");
}

TEST_F(Files, AccessIsCheckedPerHandleAndDeletingWhatCannotBeDeletedFails) {
    testfs::WriteText(folder_ / "ro.txt", "text");
    HANDLE file = Open(folder_ / "ro.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD put = 5;
    EXPECT_EQ(FailedWith(!WriteFile(file, "x", 1, &put, nullptr)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(put, 0u);
    EXPECT_FALSE(SetEndOfFile(file));
    CloseHandle(file);
    EXPECT_EQ(FailedWith(!CloseHandle(file)), ERROR_INVALID_HANDLE);
    DWORD got = 0;
    char byte;
    EXPECT_EQ(FailedWith(!ReadFile(file, &byte, 1, &got, nullptr)), ERROR_INVALID_HANDLE);

    EXPECT_EQ(FailedWith(!DeleteFileA((folder_ / "absent").c_str())), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailedWith(!DeleteFileA(folder_.Path().c_str())), ERROR_ACCESS_DENIED);
    testfs::WriteText(folder_ / "locked", "x");
    chmod((folder_ / "locked").c_str(), 0444);
    EXPECT_EQ(GetFileAttributesA((folder_ / "locked").c_str()) & FILE_ATTRIBUTE_READONLY,
              FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(FailedWith(!DeleteFileA((folder_ / "locked").c_str())), ERROR_ACCESS_DENIED)
        << "read-only files are not deleted";
}

TEST_F(Files, SharingModesAreHonouredBetweenHandles) {
    const std::string path = folder_ / "shared.txt";
    testfs::WriteText(path, "keep me");
    HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);

    HANDLE second = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    CloseHandle(second);
    EXPECT_EQ(OpenError(path, GENERIC_WRITE, kShareAll, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(OpenError(path, GENERIC_READ, 0, OPEN_EXISTING), ERROR_SHARING_VIOLATION)
        << "must share what the other reads";
    EXPECT_EQ(OpenError(path, kReadWrite, kShareAll, CREATE_ALWAYS), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(testfs::ReadText(path), "keep me") << "a refused CREATE_ALWAYS truncates nothing";
    EXPECT_EQ(FailedWith(!DeleteFileA(path.c_str())), ERROR_SHARING_VIOLATION);
    CloseHandle(reader);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(Files, DeleteOnCloseWaitsForTheLastHandle) {
    const std::string path = folder_ / "scratch.tmp";
    HANDLE owner = Open(path, kReadWrite, kShareAll, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(owner, INVALID_HANDLE_VALUE);
    Write(owner, "scratch");

    EXPECT_EQ(OpenError(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              ERROR_SHARING_VIOLATION)
        << "others must share delete access";
    HANDLE other = Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);

    CloseHandle(owner);
    EXPECT_TRUE(testfs::Exists(path)) << "another handle is still open";
    EXPECT_EQ(Read(other, 16), "scratch");
    EXPECT_EQ(OpenError(path, GENERIC_READ, kShareAll, OPEN_EXISTING), ERROR_ACCESS_DENIED)
        << "the file waits for deletion";
    CloseHandle(other);
    EXPECT_FALSE(testfs::Exists(path));
}

TEST_F(Files, BackslashSeparatorsAndNamesInAnyCase) {
    const std::string windowsStyle = folder_.Path() + "\\Library\\Tavrin.Sys";
    ASSERT_TRUE(CreateDirectoryA((folder_.Path() + "\\Library").c_str(), nullptr));
    HANDLE file = Open(windowsStyle, GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "EBDF");
    CloseHandle(file);
    EXPECT_EQ(testfs::ReadText(folder_ / "Library/Tavrin.Sys"), "EBDF");

    file = Open(folder_.Path() + "\\LIBRARY\\tavrin.sys", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Read(file, 4), "EBDF");
    CloseHandle(file);

    // Creating under another spelling opens the file that is there.
    file = Open(folder_ / "library/TAVRIN.SYS", GENERIC_READ, FILE_SHARE_READ, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(file);
    EXPECT_FALSE(testfs::Exists(folder_ / "Library/TAVRIN.SYS"));
}

TEST_F(Files, CopyFileKeepsOrRefusesAnExistingTargetAndMoveFileRefusesItButCanChangeCase) {
    testfs::WriteText(folder_ / "a.txt", "alpha");
    testfs::WriteText(folder_ / "b.txt", "beta");
    EXPECT_EQ(FailedWith(!CopyFileA((folder_ / "a.txt").c_str(), (folder_ / "b.txt").c_str(), TRUE)),
              ERROR_FILE_EXISTS);
    EXPECT_EQ(testfs::ReadText(folder_ / "b.txt"), "beta");
    EXPECT_TRUE(CopyFileA((folder_ / "a.txt").c_str(), (folder_ / "b.txt").c_str(), FALSE));
    EXPECT_EQ(testfs::ReadText(folder_ / "b.txt"), "alpha");
    EXPECT_TRUE(CopyFileA((folder_ / "A.TXT").c_str(), (folder_ / "c.txt").c_str(), TRUE));
    EXPECT_EQ(testfs::ReadText(folder_ / "c.txt"), "alpha");
    EXPECT_EQ(FailedWith(!CopyFileA((folder_ / "absent").c_str(), (folder_ / "d.txt").c_str(), FALSE)),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFileA((folder_ / "a.txt").c_str(), (folder_ / "a.txt").c_str(), FALSE));
    EXPECT_EQ(testfs::ReadText(folder_ / "a.txt"), "alpha") << "copying onto itself destroys nothing";

    testfs::WriteText(folder_ / "old.txt", "moved");
    testfs::WriteText(folder_ / "taken.txt", "stays");
    EXPECT_EQ(FailedWith(!MoveFileA((folder_ / "old.txt").c_str(), (folder_ / "taken.txt").c_str())),
              ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileA((folder_ / "old.txt").c_str(), (folder_ / "new.txt").c_str()));
    EXPECT_FALSE(testfs::Exists(folder_ / "old.txt"));
    EXPECT_EQ(testfs::ReadText(folder_ / "new.txt"), "moved");
    EXPECT_TRUE(MoveFileA((folder_ / "new.txt").c_str(), (folder_ / "NEW.txt").c_str()));
    EXPECT_EQ(testfs::ReadText(folder_ / "NEW.txt"), "moved");
    EXPECT_FALSE(testfs::Exists(folder_ / "new.txt"));
    EXPECT_EQ(FailedWith(!MoveFileA((folder_ / "absent").c_str(), (folder_ / "x").c_str())),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, AttributesAndFolders) {
    SetLastError(0);
    EXPECT_EQ(FailedWith(GetFileAttributesA((folder_ / "absent").c_str()) == INVALID_FILE_ATTRIBUTES),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailedWith(GetFileAttributesA((folder_ / "absent/deeper").c_str()) == INVALID_FILE_ATTRIBUTES),
              ERROR_PATH_NOT_FOUND);

    ASSERT_TRUE(CreateDirectoryA((folder_ / "Drivers").c_str(), nullptr));
    EXPECT_EQ(FailedWith(!CreateDirectoryA((folder_ / "drivers").c_str(), nullptr)), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(FailedWith(!CreateDirectoryA((folder_ / "a/b").c_str(), nullptr)), ERROR_PATH_NOT_FOUND);
    DWORD attributes = GetFileAttributesA((folder_ / "DRIVERS").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    testfs::WriteText(folder_ / "Drivers/x.dll", "");
    attributes = GetFileAttributesA((folder_.Path() + "\\drivers\\X.DLL").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(FailedWith(!RemoveDirectoryA((folder_ / "Drivers").c_str())), ERROR_DIR_NOT_EMPTY);
    ASSERT_TRUE(DeleteFileA((folder_ / "Drivers/x.dll").c_str()));
    EXPECT_TRUE(RemoveDirectoryA((folder_ / "Drivers").c_str()));
}

TEST_F(Files, CurrentDirectory) {
    testfs::CurrentDirectory restore(folder_.Path());
    ASSERT_TRUE(CreateDirectoryA("Sub", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(".\\SUB"));
    const std::string expected = folder_ / "Sub";
    char buffer[4096];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), expected.size());
    EXPECT_EQ(std::string(buffer), expected);
    // Too small: the size needed, terminator included, and nothing copied.
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(expected.size()), buffer), expected.size() + 1);
    EXPECT_EQ(buffer[0], 'X');
    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), expected.size() + 1);
    EXPECT_EQ(FailedWith(!SetCurrentDirectoryA("absent")), ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, TemporaryFolderAndNames) {
    char temp[MAX_PATH];
    {
        testfs::ScopedEnv tmp("TMP", folder_.Path().c_str());
        DWORD length = GetTempPathA(sizeof temp, temp);
        EXPECT_EQ(std::string(temp), folder_.Path() + "/");
        EXPECT_EQ(length, folder_.Path().size() + 1);
        EXPECT_EQ(GetTempPathA(3, temp), folder_.Path().size() + 2);
    }

    char first[MAX_PATH], second[MAX_PATH];
    UINT a = GetTempFileNameA(folder_.Path().c_str(), "ebookxyz", 0, first);
    UINT b = GetTempFileNameA(folder_.Path().c_str(), "ebookxyz", 0, second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(std::string(first), std::string(second));
    EXPECT_TRUE(testfs::Exists(first)) << "a name made with uUnique 0 is created";
    char expected[MAX_PATH];
    std::snprintf(expected, sizeof expected, "%s/ebo%X.tmp", folder_.Path().c_str(), a);
    EXPECT_STREQ(first, expected);

    EXPECT_EQ(GetTempFileNameA(folder_.Path().c_str(), "t", 0x1AB, first), 0x1ABu);
    EXPECT_EQ(std::string(first), folder_ / "t1AB.tmp");
    EXPECT_FALSE(testfs::Exists(first)) << "a name made from a given number is only formed";
    EXPECT_EQ(GetTempFileNameA((folder_ / "absent").c_str(), "t", 0, first), 0u);
    EXPECT_EQ(GetTempFileNameA(std::string(300, 'p').c_str(), "t", 0, first), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
}

} // namespace

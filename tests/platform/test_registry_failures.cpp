// A registry store that cannot be used as it is: held locked by another program, held by another
// writer, read-only (immutable file, read-only file system), a folder, not a database, another
// program's database, damaged, on a full disk, or not there yet. Each gives the platform's error code
// and the reason in words, waits no longer than it should, and leaves the file as it was.
#include "support/registry_keys.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/fs.h>
#include <sched.h>
#include <sqlite3.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using regtest::Query;
using regtest::SetString;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Another program with its own connection to the store: a child process that runs `sql`, then keeps
// the store as that left it (locks included) until Release.
class OtherProgram {
  public:
    OtherProgram(const std::string& path, const char* sql) {
        if (pipe(ready_) != 0 || pipe(release_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready_[0]);
            close(release_[1]);
            sqlite3* db = nullptr;
            char ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                              sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK
                          ? 'y'
                          : 'n';
            if (write(ready_[1], &ok, 1) != 1) _exit(1);
            char byte;
            while (read(release_[0], &byte, 1) > 0) {
            }
            _exit(0); // ends without committing; the system drops the locks
        }
        close(ready_[1]);
        close(release_[0]);
        char ok = 'n';
        if (pid_ > 0 && read(ready_[0], &ok, 1) != 1) ok = 'n';
        held_ = ok == 'y';
    }
    ~OtherProgram() { Release(); }
    bool Held() const { return held_; }
    void Release() {
        if (pid_ <= 0) return;
        close(release_[1]);
        close(ready_[0]);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

  private:
    int ready_[2] = {-1, -1};
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

// Runs `body` in a child process: "" when it went well, else what went wrong ("skip: ..." when the
// machine does not allow what the test needs).
std::string InChild(const std::function<std::string()>& body) {
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        std::string result = body();
        ssize_t ignored = write(out[1], result.data(), result.size());
        (void)ignored;
        _exit(0);
    }
    close(out[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child died: " + result;
    return result;
}

// In a child: a mount namespace of its own, so that mounts end with the child.
std::string PrivateMounts() {
    if (unshare(CLONE_NEWNS) != 0) return std::string("skip: no mount namespace: ") + std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("skip: mounts cannot be made private: ") + std::strerror(errno);
    return "";
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryFailures : public ::testing::Test {
  protected:
    void TearDown() override { plat::SetRegistryPath(""); }

    // A store with one value, closed (its log folded into the file), and its bytes.
    std::string MakeStore() {
        plat::SetRegistryPath(path_);
        EXPECT_EQ(SetString("Software\\Kept", "v", "kept"), ERROR_SUCCESS);
        plat::SetRegistryPath("");
        return testfs::ReadText(path_);
    }
    void ExpectStoreFailure(LONG code, const char* words) {
        plat::RegistryStoreError failure = plat::LastRegistryStoreError();
        EXPECT_EQ(failure.code, code);
        EXPECT_EQ(failure.path, path_);
        EXPECT_NE(failure.reason.find(words), std::string::npos) << failure.reason;
        std::string text = plat::RegistryErrorText(code);
        EXPECT_EQ(text.rfind(plat::ErrorCodeText(code) + ": the registry " + path_ + ": ", 0), 0u) << text;
    }

    testfs::TempFolder folder_;
    const std::string path_ = folder_ / "registry.db";
};

TEST_F(RegistryFailures, AStoreLockedByAnotherProgramIsReportedAfterAShortWait) {
    const std::string bytes = MakeStore();
    OtherProgram other(path_, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; SELECT COUNT(*) FROM keys;");
    ASSERT_TRUE(other.Held());

    plat::SetRegistryPath(path_);
    HKEY key = nullptr;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kept", 0, KEY_READ, &key),
              ERROR_SHARING_VIOLATION);
    double waited = SecondsSince(start);
    EXPECT_GT(waited, 0.9);
    EXPECT_LT(waited, 4.0) << "a read waits only briefly";
    ExpectStoreFailure(ERROR_SHARING_VIOLATION, "locked by another program (waited 1 s)");
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(SetString("Software\\New", "v", "x"), ERROR_SHARING_VIOLATION);

    other.Release();
    EXPECT_EQ(testfs::ReadText(path_), bytes);
    EXPECT_EQ(Query("Software\\Kept", "v"), "kept") << "the store is read again once it is free";
    EXPECT_EQ(plat::LastRegistryStoreError().code, ERROR_SUCCESS);
}

TEST_F(RegistryFailures, AnotherWriterDoesNotStopReadsAndMakesWritesWaitThenFail) {
    MakeStore();
    OtherProgram other(path_, "BEGIN IMMEDIATE; INSERT INTO vals(key, name, fold, type, data) "
                              "VALUES(1, 'x', 'X', 1, x'00');");
    ASSERT_TRUE(other.Held());

    plat::SetRegistryPath(path_); // opened afresh while the other program writes
    Clock::time_point start = Clock::now();
    EXPECT_EQ(Query("Software\\Kept", "v"), "kept");
    EXPECT_LT(SecondsSince(start), 0.5) << "reads do not wait for a writer";
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_SUCCESS);

    start = Clock::now();
    EXPECT_EQ(SetString("Software\\Kept", "w", "new"), ERROR_SHARING_VIOLATION);
    double waited = SecondsSince(start);
    EXPECT_GT(waited, 4.5);
    EXPECT_LT(waited, 10.0);
    ExpectStoreFailure(ERROR_SHARING_VIOLATION, "waited 5 s");
    other.Release();
    EXPECT_EQ(SetString("Software\\Kept", "w", "new"), ERROR_SUCCESS);
}

// Sets or clears the file's immutable flag; false (with the reason) where the file system has none.
bool SetImmutable(const std::string& path, bool on, std::string* why) {
    int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (!done && why) *why = std::strerror(errno);
    if (fd >= 0) close(fd);
    return done;
}

TEST_F(RegistryFailures, AnImmutableStoreIsReadButNotWritten) {
    const std::string bytes = MakeStore();
    std::string why;
    if (!SetImmutable(path_, true, &why))
        GTEST_SKIP() << "the file system cannot make a file immutable: " << why;
    struct Clear {
        std::string path;
        ~Clear() { SetImmutable(path, false, nullptr); }
    } clear{path_};

    plat::SetRegistryPath(path_);
    EXPECT_EQ(Query("Software\\Kept", "v"), "kept");
    EXPECT_EQ(SetString("Software\\Kept", "w", "new"), ERROR_ACCESS_DENIED);
    ExpectStoreFailure(ERROR_ACCESS_DENIED, "read-only");
    EXPECT_EQ(Query("Software\\Kept", "v"), "kept");
    plat::SetRegistryPath("");
    EXPECT_EQ(testfs::ReadText(path_), bytes);
}

TEST_F(RegistryFailures, AStoreOnAReadOnlyFileSystemIsReadButNotWritten) {
    const std::string bytes = MakeStore();
    const std::string view = folder_ / "view";
    std::filesystem::create_directory(view);
    std::string result = InChild([&]() -> std::string {
        if (std::string made = PrivateMounts(); !made.empty()) return made;
        if (mount(folder_.Path().c_str(), view.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(nullptr, view.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return std::string("skip: no read-only bind mount: ") + std::strerror(errno);
        plat::SetRegistryPath(view + "/registry.db");
        std::string read = Query("Software\\Kept", "v");
        if (read != "kept") return "read " + read + ": " + plat::LastRegistryStoreError().reason;
        LONG written = SetString("Software\\Kept", "w", "new");
        if (written != ERROR_ACCESS_DENIED) return "a write gave " + plat::ErrorCodeText(written);
        if (plat::LastRegistryStoreError().reason.find("read-only") == std::string::npos)
            return "reason: " + plat::LastRegistryStoreError().reason;
        return "";
    });
    if (result.rfind("skip: ", 0) == 0) GTEST_SKIP() << result;
    EXPECT_EQ(result, "");
    EXPECT_EQ(testfs::ReadText(path_), bytes);
    EXPECT_EQ(FolderEntries(folder_.Path()), (std::vector<std::string>{"registry.db", "view"}));
}

TEST_F(RegistryFailures, AFolderWhereTheStoreShouldBeIsReported) {
    std::filesystem::create_directory(path_);
    plat::SetRegistryPath(path_);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    ExpectStoreFailure(ERROR_ACCESS_DENIED, "a folder, not a file");
    EXPECT_EQ(SetString("Software\\X", "v", "x"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(FolderEntries(path_).empty());
    EXPECT_EQ(FolderEntries(folder_.Path()), std::vector<std::string>{"registry.db"});
}

TEST_F(RegistryFailures, AFileThatIsNoDatabaseIsReportedAndLeftAlone) {
    const std::string garbage = "These are my notes, not a database.\n" + std::string(5000, 'Z');
    testfs::WriteText(path_, garbage);
    plat::SetRegistryPath(path_);
    EXPECT_EQ(SetString("Software\\X", "v", "x"), ERROR_BADDB);
    ExpectStoreFailure(ERROR_BADDB, "not a registry database");
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_BADDB);
    EXPECT_EQ(testfs::ReadText(path_), garbage);
    EXPECT_EQ(FolderEntries(folder_.Path()), std::vector<std::string>{"registry.db"});
}

TEST_F(RegistryFailures, AnotherProgramsDatabaseIsNotMadeARegistry) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string bytes = testfs::ReadText(path_);

    plat::SetRegistryPath(path_);
    EXPECT_EQ(SetString("Software\\X", "v", "x"), ERROR_BADDB);
    ExpectStoreFailure(ERROR_BADDB, "another program's tables");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), ERROR_BADDB);
    plat::SetRegistryPath("");
    EXPECT_EQ(testfs::ReadText(path_), bytes) << "no registry tables were made in it";
}

TEST_F(RegistryFailures, ATruncatedStoreIsFoundDamagedAndNotWritten) {
    plat::SetRegistryPath(path_);
    for (int i = 0; i < 300; ++i) {
        std::string name = "Software\\Many\\K" + std::to_string(i);
        ASSERT_EQ(SetString(name.c_str(), "v", std::string(100, 'x')), ERROR_SUCCESS);
    }
    plat::SetRegistryPath("");
    std::string bytes = testfs::ReadText(path_);
    ASSERT_GT(bytes.size(), 16384u);
    bytes.resize(bytes.size() / 2);
    testfs::WriteText(path_, bytes);

    plat::SetRegistryPath(path_);
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_REGISTRY_CORRUPT);
    ExpectStoreFailure(ERROR_REGISTRY_CORRUPT, "damaged");
    EXPECT_EQ(SetString("Software\\New", "v", "x"), ERROR_REGISTRY_CORRUPT) << "nothing is built on damage";
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Many\\K1"), ERROR_REGISTRY_CORRUPT);
    plat::SetRegistryPath("");
    EXPECT_EQ(testfs::ReadText(path_), bytes);
}

TEST_F(RegistryFailures, AMissingStoreReadsEmptyAndIsMadeOnlyByAWrite) {
    const std::string path = folder_ / "not/yet/registry.db";
    plat::SetRegistryPath(path);
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ | KEY_WRITE, &machine), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(machine, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    char name[64];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(machine, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegDeleteKeyA(machine, "Software"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_SUCCESS);
    EXPECT_EQ(plat::LastRegistryStoreError().code, ERROR_SUCCESS);
    EXPECT_FALSE(testfs::Exists(folder_ / "not")) << "a read makes no file or folder";

    // The handle opened on the empty store goes on working once a write has made the file.
    ASSERT_EQ(
        RegCreateKeyExA(machine, "Software\\Made", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(machine);
    EXPECT_TRUE(testfs::Exists(path));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Made", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryFailures, AnEmptyFileReadsEmptyUntilTheFirstWrite) {
    testfs::WriteText(path_, "");
    plat::SetRegistryPath(path_);
    EXPECT_EQ(Query("Software\\X", "v"), "ERROR_FILE_NOT_FOUND (2)");
    EXPECT_EQ(plat::CheckRegistryStore(), ERROR_SUCCESS);
    EXPECT_EQ(testfs::ReadText(path_), "");
    EXPECT_EQ(SetString("Software\\X", "v", "x"), ERROR_SUCCESS);
    EXPECT_EQ(Query("Software\\X", "v"), "x");
}

TEST_F(RegistryFailures, AFullDiskFailsTheWriteAndKeepsTheStore) {
    const std::string disk = folder_ / "disk";
    std::filesystem::create_directory(disk);
    std::string result = InChild([&]() -> std::string {
        if (std::string made = PrivateMounts(); !made.empty()) return made;
        if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
            return std::string("skip: no small file system can be mounted: ") + std::strerror(errno);
        plat::SetRegistryPath(disk + "/registry.db");
        if (SetString("Software\\Kept", "v", "kept") != ERROR_SUCCESS) return "no store on the small disk";
        // Fill what is left of the disk.
        int fd = open((disk + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
        const std::string block(4096, 'f');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        close(fd);
        LONG written = SetString("Software\\Kept", "big", std::string(64 * 1024, 'b'));
        if (written != ERROR_DISK_FULL) return "a write on a full disk gave " + plat::ErrorCodeText(written);
        if (plat::LastRegistryStoreError().reason.find("the disk is full") == std::string::npos)
            return "reason: " + plat::LastRegistryStoreError().reason;
        if (Query("Software\\Kept", "v") != "kept") return "the kept value went";
        if (Query("Software\\Kept", "big") != "ERROR_FILE_NOT_FOUND (2)") return "half a write was kept";
        unlink((disk + "/filler").c_str());
        if (SetString("Software\\Kept", "big", "fits now") != ERROR_SUCCESS)
            return "no write after space came";
        return "";
    });
    if (result.rfind("skip: ", 0) == 0) GTEST_SKIP() << result;
    EXPECT_EQ(result, "");
}

TEST_F(RegistryFailures, AFileSizeLimitFailsTheWriteAsAFullDisk) {
    MakeStore();
    std::string result = InChild([&]() -> std::string {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
        rlimit limit{256 * 1024, 256 * 1024};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return "no file size limit";
        plat::SetRegistryPath(path_);
        LONG written = SetString("Software\\Kept", "big", std::string(512 * 1024, 'b'));
        if (written != ERROR_DISK_FULL)
            return "a write past the limit gave " + plat::RegistryErrorText(written);
        return "";
    });
    EXPECT_EQ(result, "");
    plat::SetRegistryPath(path_);
    EXPECT_EQ(Query("Software\\Kept", "v"), "kept");
    EXPECT_EQ(Query("Software\\Kept", "big"), "ERROR_FILE_NOT_FOUND (2)");
}

TEST_F(RegistryFailures, ErrorCodesHaveTheirNamesAndOtherFailuresNoStoreReason) {
    EXPECT_EQ(plat::ErrorName(12345), nullptr);
    EXPECT_EQ(plat::ErrorCodeText(ERROR_BADDB), "ERROR_BADDB (1009)");
    EXPECT_EQ(plat::ErrorCodeText(12345), "error 12345");

    // A missing key is no failure of the store: the code's own sentence, and no store reason.
    plat::SetRegistryPath(folder_ / "registry.db");
    ASSERT_EQ(SetString("Software\\X", "v", "x"), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(plat::LastRegistryStoreError().code, ERROR_SUCCESS);
    EXPECT_EQ(plat::RegistryErrorText(ERROR_FILE_NOT_FOUND),
              "ERROR_FILE_NOT_FOUND (2): The system cannot find the file specified.");
}

} // namespace

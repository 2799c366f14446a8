// A registration against a store that fails under it: the program killed at every one of the
// registration's writes (a new book key, and one that replaces an old one), leftovers of killed and of
// running registrations, and a store that refuses the write, which the user is told about.
#include "kill_at_write.h"
#include "test_regbooks_world.h"

#include "plat/registry.h"
#include "registry/pending_key.h"

#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace regbooks;

namespace {

const std::string kNumber = "N-1";

class RegisterStore : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Mine", "7");
        AddCatalog(Sys().Root(), "Unclassified", "65535");
    }

    // The subkeys of the registration root, pending ones apart.
    void RootKeys(std::vector<std::string>* books, std::vector<std::string>* pending) {
        HKEY root = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRoot.c_str(), 0, KEY_READ, &root) != ERROR_SUCCESS) return;
        char name[260];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            (tavrin::IsPendingKeyName(std::string_view(name, size)) ? pending : books)
                ->emplace_back(name, size);
        }
        RegCloseKey(root);
    }
    // "none", or the registered file when the book key holds both values, else what is wrong with it.
    std::string Registration() {
        std::string key = kRoot + "\\" + kNumber;
        if (!KeyExists(key)) return "none";
        std::string file = StoredValue(key + "\\Book", "Database");
        std::string driver = StoredValue(key + "\\Book", "Driver");
        if (file == "<missing>" || driver != books_) return "half: Database " + file + ", Driver " + driver;
        return file;
    }
    // The files of the books numbered kNumber that a new control's walk of the registry puts on the shelf.
    std::vector<std::string> ShelfFiles() {
        DestroyControl();
        EXPECT_TRUE(Start());
        std::vector<std::string> files;
        for (HTREEITEM item : BookItems())
            if (Node(item)->szKey == kNumber) files.push_back(Book(item).szFilePath);
        return files;
    }
    // Registers `file` in a child process that is killed before its write number `killAt`: false when
    // the registration was done before that write.
    bool RegisterKilledAt(long killAt, const std::string& file) {
        pid_t child = fork();
        if (child == 0) {
            killvfs::Install(killAt);
            _exit(Ctrl().DoRegister(kNumber.c_str(), file.c_str(), books_.c_str()) == 1 ? 0 : 3);
        }
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << "the registration failed";
            return false;
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        return true;
    }
    // After a kill: the book key is one of `allowed`, nothing else below the root is a book key, the
    // walk shows exactly what the key says, and the next registration clears the leftovers.
    void CheckAfterKill(long killAt, const std::vector<std::string>& allowed, const std::string& file) {
        SCOPED_TRACE("killed before write " + std::to_string(killAt));
        std::string state = Registration();
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), state), allowed.end()) << state;
        std::vector<std::string> books, pending;
        RootKeys(&books, &pending);
        EXPECT_TRUE(books.empty() || books == std::vector<std::string>{kNumber}) << books.size();
        EXPECT_EQ(ShelfFiles(),
                  state == "none" ? std::vector<std::string>{} : std::vector<std::string>{state});

        ASSERT_EQ(Ctrl().DoRegister(kNumber.c_str(), file.c_str(), books_.c_str()), 1);
        books.clear();
        pending.clear();
        RootKeys(&books, &pending);
        EXPECT_TRUE(pending.empty()) << "left by the killed registration: " << pending[0];
        EXPECT_EQ(Registration(), file);
    }
};

// A new book key, and one that replaces an old registration of the same number.
TEST_F(RegisterStore, AKillAtAnyWriteLeavesTheOldKeyNoneOrTheWholeNewOne) {
    std::string old = AddBook("old.ebd", kNumber.c_str(), "Numbered");
    std::string file = AddBook("new.ebd", kNumber.c_str(), "Numbered");
    ASSERT_TRUE(Start());
    for (bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing a key" : "a new key");
        long kills = 0;
        for (long killAt = 1; killAt < 1000; ++killAt) {
            // A store of its own for every try, made before the child starts.
            const std::string store = (replacing ? "replace" : "new") + std::to_string(killAt) + ".db";
            plat::SetRegistryPath((dir_ / store).string());
            if (replacing)
                Register(kNumber, old, books_);
            else
                SetValue(tavrin::kSysInfoKey, "DriverPath", "/drivers");
            if (!RegisterKilledAt(killAt, file)) break;
            ++kills;
            CheckAfterKill(killAt,
                           replacing ? std::vector<std::string>{old, "none", file}
                                     : std::vector<std::string>{"none", file},
                           file);
            if (HasFatalFailure() || HasFailure()) break;
        }
        EXPECT_GT(kills, 10) << "the registration makes more writes than that";
    }
}

TEST_F(RegisterStore, ALeftoverOfARegistrationStillRunningIsKept) {
    std::string file = AddBook("new.ebd", kNumber.c_str(), "Numbered");
    ASSERT_TRUE(Start());
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    pid_t running = fork();
    if (running == 0) {
        close(release[1]);
        char byte;
        while (read(release[0], &byte, 1) > 0) {
        }
        _exit(0);
    }
    close(release[0]);
    const std::string pending = kRoot + "\\" + tavrin::PendingKeyName(running);
    Register(tavrin::PendingKeyName(running), file,
             books_); // half-way through another program's registration

    EXPECT_TRUE(ShelfFiles().empty()) << "a pending registration is no book";
    ASSERT_EQ(Ctrl().DoRegister("OTHER", file.c_str(), books_.c_str()), 1);
    EXPECT_TRUE(KeyExists(pending)) << "its program still runs";

    close(release[1]);
    int status = 0;
    ASSERT_EQ(waitpid(running, &status, 0), running);
    ASSERT_EQ(Ctrl().DoRegister("OTHER", file.c_str(), books_.c_str()), 1);
    EXPECT_FALSE(KeyExists(pending)) << "its program is gone";
}

TEST_F(RegisterStore, LeftoversAreLookedForAfterAWalkMetOneNotByEveryRegistration) {
    std::string file = AddBook("new.ebd", kNumber.c_str(), "Numbered");
    ASSERT_TRUE(Start());
    tavrin::PendingKeysMet() = false;
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(gone, &status, 0), gone);
    const std::string pending = kRoot + "\\" + tavrin::PendingKeyName(gone);
    Register(tavrin::PendingKeyName(gone), file, books_); // left by a program killed since the walk

    ASSERT_EQ(Ctrl().DoRegister("OTHER", file.c_str(), books_.c_str()), 1);
    EXPECT_TRUE(KeyExists(pending)) << "a registration does not list the root unless a walk met a leftover";
    EXPECT_EQ(ShelfFiles(), std::vector<std::string>{file}) << "the next walk meets it: one book, no other";
    EXPECT_TRUE(tavrin::PendingKeysMet());
    ASSERT_EQ(Ctrl().DoRegister("OTHER", file.c_str(), books_.c_str()), 1);
    EXPECT_FALSE(KeyExists(pending)) << "its program is gone";
    EXPECT_FALSE(tavrin::PendingKeysMet()) << "every leftover went";
}

TEST_F(RegisterStore, ANumberWithABackslashIsRegisteredBelowItsFirstPart) {
    // As before: the number is a key path below the root, and the walk finds the book key there.
    std::string file = AddBook("nested.ebd", "Series\\B-2", "Nested");
    ASSERT_TRUE(Start());
    ASSERT_EQ(Ctrl().DoRegister("Series\\B-2", file.c_str(), books_.c_str()), 1);
    EXPECT_EQ(StoredValue(kRoot + "\\Series\\B-2\\Book", "Database"), file);
    EXPECT_EQ(Ctrl().DoRegister("Series\\\\B-2", file.c_str(), books_.c_str()), 0) << "an empty name";
    DestroyControl();
    ASSERT_TRUE(Start());
    HTREEITEM item = Find("Nested");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(Book(item).szRegKey, (kRoot + "\\Series\\B-2").c_str());
}

TEST_F(RegisterStore, ARegistrationTheStoreRefusesSaysWhy) {
    std::string file = AddBook("p.ebd", "P-1", "Poems");
    std::ofstream(file, std::ios::binary) << std::string("EBDF") + std::string(60, '\0');
    ASSERT_TRUE(Start());
    const std::string store = (dir_ / "notes.db").string();
    const std::string notes = "my notes, not a registry\n" + std::string(600, 'n');
    std::ofstream(store, std::ios::binary) << notes;
    plat::SetRegistryPath(store);

    ASSERT_TRUE(TreeView_SelectItem(Tree(), Find("Mine")));
    ui_.ChooseFile(file);
    ui_.AnswerMessageBox(IDOK, "This book could not be registered.\n" + file +
                                   "\nERROR_BADDB (1009): the registry " + store +
                                   ": not a registry database (file is not a database); left as it is");
    Ctrl().AddBook();
    EXPECT_TRUE(ChildTexts(Find("Mine")).empty());
    std::ifstream in(store, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), notes);
}

} // namespace

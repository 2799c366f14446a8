// The host's atomic replacement of a file: the new content whole on success; on any failure the old
// file as it was, no temporary file left, and the reason naming the step.
#include "atomic_file.h"
#include "plat/files.h"

#include "../platform/fixtures/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tavrin::host::WriteFileAtomically;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

tavrin::host::WriteInto Writing(const std::string& text) {
    return [text](HANDLE file, std::string* error) {
        DWORD written = 0;
        if (WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size())
            return true;
        *error = tavrin::host::LastErrorText();
        return false;
    };
}

size_t FilesIn(const std::string& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

TEST(AtomicFile, ReplacesTheFileWholeAndLeavesNothingElse) {
    testfs::TempFolder folder;
    const std::string path = folder / "catalogs.dat";
    WriteText(path, "the old content, longer than the new one");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, Writing("new"), &error)) << error;
    EXPECT_EQ(Read(path), "new");
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
    // A file that did not exist is made.
    ASSERT_TRUE(WriteFileAtomically(folder / "fresh.dat", Writing("first"), &error)) << error;
    EXPECT_EQ(Read(folder / "fresh.dat"), "first");
}

// A program killed while it saved leaves its temporary file; the next save removes it, but never the
// temporary file of a program still running (it may be saving now) nor any other file.
TEST(AtomicFile, ASaveRemovesWhatKilledSavesLeftAndNothingElse) {
    testfs::TempFolder folder;
    const std::string path = folder / "catalogs.dat";
    WriteText(path, "old");
    // A process that has ended: its number names nobody now (or, rarely, a new process, whose file
    // then stays: never wrongly removed).
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(gone, &status, 0), gone);
    const std::string left = folder / (".catalogs.dat." + std::to_string(gone) + ".new");
    const std::string running = folder / (".catalogs.dat." + std::to_string(getppid()) + ".new");
    const std::vector<std::string> others = {folder / ".catalogs.dat.12x.new", folder / ".other.dat.1.new",
                                             folder / "catalogs.dat.1.new", folder / ".catalogs.dat..new"};
    WriteText(left, "half a save");
    WriteText(running, "a save going on");
    for (const std::string& other : others)
        WriteText(other, "user's");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, Writing("new"), &error)) << error;
    EXPECT_EQ(Read(path), "new");
    if (kill(gone, 0) != 0) {
        EXPECT_FALSE(fs::exists(left)) << "the killed save's leftover";
    }
    EXPECT_TRUE(fs::exists(running)) << "a running program's temporary file";
    for (const std::string& other : others)
        EXPECT_EQ(Read(other), "user's") << other;
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne) {
    testfs::TempFolder folder;
    const std::string path = folder / "catalogs.dat";
    WriteText(path, "old");
    auto failing = [](HANDLE file, std::string* error) {
        DWORD written = 0;
        WriteFile(file, "part", 4, &written, nullptr); // some bytes went out before the failure
        *error = "the stream broke off";
        return false;
    };
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, failing, &error));
    EXPECT_NE(error.find("cannot write "), std::string::npos) << error;
    EXPECT_NE(error.find("the stream broke off"), std::string::npos) << error;
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
    EXPECT_EQ(plat::OpenFileHandleCount(), 0u);
}

TEST(AtomicFile, AFolderThatCannotHoldTheFileIsNamedInTheReason) {
    testfs::TempFolder folder;
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(folder / "missing/catalogs.dat", Writing("x"), &error));
    EXPECT_EQ(error.rfind("cannot create " + folder.Path() + "/missing/", 0), 0u) << error;
    // A folder in the file's place cannot be replaced by a file; the temporary file goes.
    fs::create_directory(folder / "taken.dat");
    EXPECT_FALSE(WriteFileAtomically(folder / "taken.dat", Writing("x"), &error));
    EXPECT_NE(error.find("cannot rename "), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(folder / "taken.dat"));
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

} // namespace

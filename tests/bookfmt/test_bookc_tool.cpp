// The tavrin-bookc command: building, showing and checking book files, and its exit codes.
#include "support/book_test_support.h"

#include "bookfmt/reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace {

using namespace booktest;

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun Bookc(const TempFolder& dir, const std::string& arguments) {
    std::string command = std::string(TAVRIN_BOOKC_PATH) + " " + arguments + " >" + dir.File("out.txt") +
                          " 2>" + dir.File("err.txt");
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ToString(ReadFile(dir.File("out.txt"))),
            ToString(ReadFile(dir.File("err.txt")))};
}

const char* kSource =
    "tavrin-book 1\n"
    "codepage 950\n"
    "name 3 \"Tool test\"\n"
    "contents {\n  \"目錄頁\" -> one\n}\n"
    "page one\n春曉 {ctl 0xF7 1 2 3 4}text\nline two{object image=\"p.png\" text=\"圖\"}\nendpage\n";

TEST(BookcTool, BuildsABookShowsItAndWritesItsPagesOut) {
    TempFolder dir;
    dir.Write("t.book", kSource);
    ToolRun build = Bookc(dir, "build " + dir.File("t.book") + " -o " + dir.File("t.ebd"));
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_TRUE(tavrin::book::Reader::Open(dir.File("t.ebd")));

    ToolRun dump = Bookc(dir, "dump " + dir.File("t.ebd"));
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_NE(dump.out.find("name 3 \"Tool test\""), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("\"目錄頁\" -> page 0"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find(
                  "春曉 {ctl 0xf7 0x01 0x02 0x03 0x04}text\nline two{object image=\"p.png\" text=\"圖\"}"),
              std::string::npos)
        << dump.out;

    ToolRun check = Bookc(dir, "check " + dir.File("t.ebd"));
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("ok, 2 contents entries, 1 pages"), std::string::npos) << check.out;

    ASSERT_EQ(Bookc(dir, "pages " + dir.File("t.ebd") + " " + dir.File("pages")).status, 0);
    Bytes page = ReadFile(dir.File("pages/page-000000.bin"));
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(ToString(page).substr(0, 4), "\xAC\x4B\xBE\xE5");
    EXPECT_EQ(page.back(), 0);
}

// Exit codes: 1 for a source error (with its line) or a file that cannot be read, 2 for wrong
// arguments (with the usage).
TEST(BookcTool, SourceErrorsAndWrongArguments) {
    TempFolder dir;
    dir.Write("bad.book", "tavrin-book 1\nname 3 \"x\"\npage p\n{ctl 3 1}\nendpage\n");
    ToolRun build = Bookc(dir, "build " + dir.File("bad.book") + " -o " + dir.File("bad.ebd"));
    EXPECT_EQ(build.status, 1);
    EXPECT_NE(
        build.err.find("bad.book:4:1: the control sequence 0xFF 0x03 takes 20 operand bytes here, not 1"),
        std::string::npos)
        << build.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.ebd")));

    ToolRun none = Bookc(dir, "");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("usage: tavrin-bookc"), std::string::npos);
    EXPECT_EQ(Bookc(dir, "build only-a-source").status, 2);
    EXPECT_EQ(Bookc(dir, "--help").status, 0);
    ToolRun missing = Bookc(dir, "build " + dir.File("nothing.book") + " -o " + dir.File("x.ebd"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
    // A source that opens but cannot be read is not taken for an empty one.
    std::filesystem::create_directory(dir.File("folder.book"));
    ToolRun folder = Bookc(dir, "build " + dir.File("folder.book") + " -o " + dir.File("x.ebd"));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "cannot read " + dir.File("folder.book") + "\n");
}

TEST(BookcTool, CheckAndDumpRefuseADamagedBook) {
    TempFolder dir;
    dir.Write("t.book", kSource);
    ASSERT_EQ(Bookc(dir, "build " + dir.File("t.book") + " -o " + dir.File("t.ebd")).status, 0);
    Bytes file = ReadFile(dir.File("t.ebd"));
    file[SectionOffset(file, "PDAT") + 3] ^= 1;
    dir.Write("t.ebd", file);
    ToolRun check = Bookc(dir, "check " + dir.File("t.ebd"));
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.err.find("checksum of page 0"), std::string::npos) << check.err;
    file.resize(100);
    dir.Write("cut.ebd", file);
    ToolRun dump = Bookc(dir, "dump " + dir.File("cut.ebd"));
    EXPECT_EQ(dump.status, 1);
    EXPECT_NE(dump.err.find("truncated book"), std::string::npos) << dump.err;
}

} // namespace

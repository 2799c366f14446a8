// The builder reads a book source line by line and writes each page as it is compiled: the file is
// the one the whole book in memory gives, whatever the sizes of the blocks it reads and writes, and a
// source with a problem, however late, is reported at its place and leaves no file behind.
#include "support/book_test_support.h"
#include "support/large_source.h"

#include "bookc/build.h"
#include "bookc/line_reader.h"

#include "bookfmt/reader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <random>

namespace {

using namespace booktest;
using tavrin::bookc::BuildFile;
using tavrin::bookc::BuildOptions;
using tavrin::bookc::LineReader;

// The file the whole book in memory gives.
Bytes BuiltWhole(const std::string& source) {
    auto parsed = tavrin::bookc::ParseBookSource(source, "whole.book");
    EXPECT_TRUE(parsed.book) << parsed.error;
    return parsed.book ? Serialized(*parsed.book) : Bytes{};
}

std::vector<std::string> LinesOf(LineReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.Next(line))
        lines.push_back(line);
    return lines;
}

TEST(LineReader, ReadsTheSameLinesFromAFileInBlocksOfAnySizeAsFromMemory) {
    std::mt19937 rng(7);
    std::string text;
    const std::string pieces[] = {"a", "bc", "\n", "\r\n", "\r", "\n\n", std::string(300, 'x')};
    for (int i = 0; i < 400; ++i)
        text += pieces[rng() % 7];
    text += std::string(3000, 'y'); // a last line longer than every block, without a line end
    TempFolder dir;
    const std::string path = dir.Write("lines.txt", text);

    LineReader memory(text);
    const std::vector<std::string> want = LinesOf(memory);
    ASSERT_GT(want.size(), 100u);
    EXPECT_EQ(want.back(), std::string(3000, 'y'));
    for (size_t block : {1, 2, 3, 7, 64, 4096}) {
        int fd = open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        LineReader file(fd, block);
        std::string_view head = file.Head(5); // the start, without taking any of it
        EXPECT_GE(head.size(), 5u);
        EXPECT_EQ(head, std::string_view(text).substr(0, head.size()));
        EXPECT_EQ(LinesOf(file), want) << "block " << block;
        EXPECT_FALSE(file.Failed());
        close(fd);
    }

    // Lines end at "\n" (a "\r" before it dropped); what follows the last "\n" is a line too.
    LineReader ends("one\r\ntwo\n\nthree\r\r\n");
    EXPECT_EQ(LinesOf(ends), (std::vector<std::string>{"one", "two", "", "three\r", ""}));
    LineReader empty("");
    EXPECT_EQ(LinesOf(empty), std::vector<std::string>{""});
}

TEST(StreamedBuild, ALargeBookBuiltInPiecesIsTheBookBuiltWhole) {
    TempFolder dir;
    LargeSourceShape shape;
    shape.pages = 3000;
    shape.bigPages = 2; // pages larger than the blocks the builder reads and writes
    shape.bigPageBytes = 1200 * 1000;
    const std::string source = LargeSource(shape);
    ASSERT_GT(source.size(), 4u << 20);
    const std::string path = dir.Write("large.book", source);
    const Bytes whole = BuiltWhole(source);
    ASSERT_FALSE(whole.empty());

    for (BuildOptions options : {BuildOptions{}, BuildOptions{65521, 4099}}) {
        ASSERT_EQ(BuildFile(path, dir.File("large.ebd"), options), "");
        EXPECT_TRUE(ReadFile(dir.File("large.ebd")) == whole) << "blocks of " << options.readBlock;
    }
    auto opened = tavrin::book::Reader::Open(dir.File("large.ebd"));
    ASSERT_TRUE(opened) << opened.error;
    EXPECT_EQ(opened.reader->PageCount(), 3000u);
    EXPECT_EQ(FilesIn(dir), 2u); // the source and the book: nothing else left behind
}

// The sample books: real text in three code pages, written by hand.
TEST(StreamedBuild, TheSampleBooksAreTheBooksBuiltWhole) {
    TempFolder dir;
    for (const char* name : {"english-dict", "river-journey", "tang-poems"}) {
        const std::string path = std::string(TAVRIN_SAMPLE_SOURCE_DIR) + "/" + name + ".book";
        const Bytes whole = BuiltWhole(ToString(ReadFile(path)));
        ASSERT_FALSE(whole.empty()) << name;
        for (BuildOptions options : {BuildOptions{}, BuildOptions{1, 1}, BuildOptions{7, 64}}) {
            ASSERT_EQ(BuildFile(path, dir.File("sample.ebd"), options), "");
            EXPECT_TRUE(ReadFile(dir.File("sample.ebd")) == whole)
                << name << ", blocks of " << options.readBlock;
        }
    }
}

// Pages, lines and the index cross the reader's blocks and the writer's buffer everywhere.
TEST(StreamedBuild, BlocksAndBuffersOfAnySizeGiveTheSameFile) {
    TempFolder dir;
    for (bool contentsFirst : {true, false}) {
        LargeSourceShape shape;
        shape.pages = 12;
        shape.seed = contentsFirst ? 3 : 4;
        shape.contentsFirst = contentsFirst;
        const std::string source = LargeSource(shape);
        const std::string path = dir.Write("small.book", source);
        const Bytes whole = BuiltWhole(source);
        ASSERT_FALSE(whole.empty());
        for (size_t readBlock : {1, 2, 5, 13})
            for (size_t writeBuffer : {1, 3, 16, 100, 5000}) {
                ASSERT_EQ(BuildFile(path, dir.File("small.ebd"), {readBlock, writeBuffer}), "");
                EXPECT_TRUE(ReadFile(dir.File("small.ebd")) == whole)
                    << "read " << readBlock << ", write " << writeBuffer << ", contents first "
                    << contentsFirst;
            }
    }
}

TEST(StreamedBuild, AnErrorLateInALargeSourceNamesItsPlaceAndLeavesNoFile) {
    TempFolder dir;
    LargeSourceShape shape;
    shape.pages = 2000;
    std::string source = LargeSource(shape);
    source += "page last\nfine\nthen {ctl 3 1 2}\nendpage\n";
    const int line = LineOf(source, "then {ctl 3 1 2}");
    const std::string path = dir.Write("late.book", source);
    const std::string want = path + ":" + std::to_string(line) +
                             ":6: the control sequence 0xFF 0x03 takes 20 "
                             "operand bytes here, not 2";
    for (BuildOptions options : {BuildOptions{}, BuildOptions{4096, 1000}}) {
        EXPECT_EQ(BuildFile(path, dir.File("late.ebd"), options), want);
        EXPECT_EQ(FilesIn(dir), 1u);
    }
    // A book built before keeps its place and its bytes.
    dir.Write("late.ebd", "an older book");
    EXPECT_EQ(BuildFile(path, dir.File("late.ebd")), want);
    EXPECT_EQ(ToString(ReadFile(dir.File("late.ebd"))), "an older book");
    EXPECT_EQ(FilesIn(dir), 2u);

    // A link to no page is found only at the end of the source.
    source = LargeSource(shape);
    source.insert(source.find("contents {\r\n") + 12, "  \"lost\" -> nowhere\n");
    dir.Write("late.book", source);
    EXPECT_EQ(BuildFile(path, dir.File("late.ebd")), path + ":" +
                                                         std::to_string(LineOf(source, "  \"lost\"")) +
                                                         ":13: no page is labelled \"nowhere\"");
    EXPECT_EQ(ToString(ReadFile(dir.File("late.ebd"))), "an older book");
    EXPECT_EQ(FilesIn(dir), 2u);
}

// Problems of the source come first, then problems of the file; neither leaves anything behind.
TEST(StreamedBuild, SourceProblemsComeBeforeFileProblems) {
    TempFolder dir;
    const std::string missing = dir.File("no-such-folder/book.ebd");
    const std::string good = dir.Write("good.book", LargeSource({}));
    const std::string bad = dir.Write("bad.book", LargeSource({}) + "colour red\n");
    EXPECT_EQ(BuildFile(bad, missing).rfind(bad + ":", 0), 0u);
    std::string error = BuildFile(good, missing);
    EXPECT_EQ(error.rfind(missing + ": cannot create " + missing + ".tmp", 0), 0u) << error;
    EXPECT_EQ(BuildFile(dir.File("nothing.book"), dir.File("x.ebd")),
              "cannot read " + dir.File("nothing.book"));
    EXPECT_EQ(FilesIn(dir), 2u);
}

} // namespace

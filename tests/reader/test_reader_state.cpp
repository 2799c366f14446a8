// The reader's remembered state: read back as written, lines it does not know and sizes out of range
// passed over, a missing file the empty state, the file replaced whole.
#include "reader_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using tavrin::reader::ReaderState;

TEST(ReaderState, WhatIsWrittenIsReadBack) {
    ReaderState state;
    state.width = 1024;
    state.height = 700;
    state.open = {"Bookshelf", "Bookshelf / Literature", "Bookshelf / 文学"};
    const ReaderState back = tavrin::reader::ParseReaderState(tavrin::reader::FormatReaderState(state));
    EXPECT_EQ(back.width, 1024);
    EXPECT_EQ(back.height, 700);
    EXPECT_EQ(back.open, state.open);
}

TEST(ReaderState, UnknownLinesAndSizesOutOfRangeArePassedOver) {
    const ReaderState s = tavrin::reader::ParseReaderState("colour blue\nsize 5 5\nopen \nopen A / B\r\n"
                                                           "size 900 600 7\n");
    EXPECT_EQ(s.width, 0) << "a size too small and a size with more words are not taken";
    EXPECT_EQ(s.open, std::vector<std::string>{"A / B"});
    EXPECT_EQ(tavrin::reader::ParseReaderState("size 99999 600\n").width, 0);
    EXPECT_EQ(tavrin::reader::ParseReaderState("size 640 480\n").height, 480);
}

TEST(ReaderState, TheFileIsMissingSavedAndReplaced) {
    const char* tmp = std::getenv("TAVRIN_TEST_TMP");
    const std::filesystem::path dir = std::filesystem::path(tmp ? tmp : "/tmp") / ("reader_state_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "reader-state.txt";
    std::filesystem::remove(file);
    std::string error;
    auto missing = tavrin::reader::LoadReaderState(file, &error);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->width, 0);
    ReaderState state;
    state.width = 800;
    state.height = 500;
    state.open = {"Bookshelf"};
    ASSERT_TRUE(tavrin::reader::SaveReaderState(file, state, &error)) << error;
    state.open.clear();
    ASSERT_TRUE(tavrin::reader::SaveReaderState(file, state, &error)) << error;
    auto back = tavrin::reader::LoadReaderState(file, &error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 800);
    EXPECT_TRUE(back->open.empty()) << "the file is replaced, not appended to";
    // A folder where the file should be cannot be saved over, and says so.
    EXPECT_FALSE(tavrin::reader::SaveReaderState(dir, state, &error));
    EXPECT_FALSE(error.empty());
    std::filesystem::remove_all(dir);
}

} // namespace

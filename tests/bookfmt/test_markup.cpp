// The page markup: the extent of every control sequence, and the page check the builder runs.
#include "support/book_test_support.h"

#include "bookfmt/markup.h"
#include "bookfmt/text.h"

#include <gtest/gtest.h>

namespace {

using namespace booktest;
namespace markup = tavrin::book::markup;

std::optional<size_t> Length(const std::string& page, size_t pos = 0) {
    Bytes bytes = ToBytes(page);
    return markup::SequenceLength(bytes, pos);
}

// A sequence 0xFF code followed by `operands` bytes of `fill`, then "tail".
std::string Seq(uint8_t code, size_t operands, char fill = 0, const std::string& tail = "tail") {
    return std::string{'\xFF', static_cast<char>(code)} + std::string(operands, fill) + tail;
}

TEST(Markup, FixedExtentsOfTheControlCodes) {
    EXPECT_EQ(Length(Seq(0x0A, 0)), 2u);
    EXPECT_EQ(Length(Seq(0x03, 20)), 22u);
    EXPECT_EQ(Length(Seq(0x05, 52)), 54u);
    EXPECT_EQ(Length(Seq(0x0D, 8)), 10u);
    EXPECT_EQ(Length(Seq(0xFD, 8)), 10u);
    EXPECT_EQ(Length(Seq(0xF7, 4)), 6u);
    EXPECT_EQ(Length(Seq(0xFB, 5)), 7u);
    for (uint8_t other : {0x00, 0x01, 0x06, 0x1A, 0x7F, 0xFF})
        EXPECT_EQ(Length(Seq(other, 0)), 2u) << int(other);
}

TEST(Markup, SequencesThatRunPastTheEndHaveNoExtent) {
    EXPECT_FALSE(Length(Seq(0x03, 19, 0, "")));
    EXPECT_FALSE(Length(Seq(0x05, 51, 0, "")));
    EXPECT_FALSE(Length("\xFF"));
    EXPECT_EQ(Length(Seq(0x03, 20, 0, "")), 22u); // exactly at the end is fine
}

TEST(Markup, BracketedOperandsOf0x13And0x21) {
    // 0x13: 11 bytes; with bit 0x20 of the byte at position 2, up to and including the first "]".
    EXPECT_EQ(Length(Seq(0x13, 9, 0x00, "a]b]")), 11u);
    EXPECT_EQ(Length("\xFF\x13\x20" + std::string(8, 0) + "link]after"), 16u);
    EXPECT_FALSE(Length("\xFF\x13\x20" + std::string(8, 0) + "no bracket"));
    // 0x21: 19 bytes; with bit 0x10 clear, up to and including the first "]".
    EXPECT_EQ(Length("\xFF\x21\x10" + std::string(16, 0) + "x]"), 19u);
    EXPECT_EQ(Length(std::string("\xFF\x21\x00", 3) + std::string(16, 0) + "x]y"), 21u);
    EXPECT_FALSE(Length(std::string("\xFF\x21\x00", 3) + std::string(16, 0) + "xy"));
}

TEST(Markup, Code0x23TakesBracketsTrailerAndCountedBytes) {
    const std::string ten(8, 0);
    // f = 0x30: no bracket part (0x10 set), no trailer, a count of 3 and 3 bytes.
    EXPECT_EQ(Length(std::string("\xFF\x23\x30", 3) + ten +
                     std::string("\x03\x00"
                                 "abc"
                                 "tail",
                                 9)),
              16u);
    // f = 0x60: bracket part, 8 more bytes, then the count 0.
    EXPECT_EQ(Length(std::string("\xFF\x23\x60", 3) + ten + "ab]" + std::string(8, 'x') +
                     std::string("\x00\x00", 2)),
              24u);
    // A count that runs past the end.
    EXPECT_FALSE(Length(std::string("\xFF\x23\x30", 3) + ten +
                        std::string("\x09\x00"
                                    "abc",
                                    5)));
}

TEST(Markup, Code0xF9IsLongWhenBit0x40OfItsSecondOperandIsSet) {
    EXPECT_EQ(Length(Seq(0xF9, 14, 0x00)), 8u);
    EXPECT_EQ(Length(std::string("\xFF\xF9\x00\x40", 4) + std::string(12, 0)), 16u);
    EXPECT_FALSE(Length(std::string("\xFF\xF9\x00\x40", 4) + std::string(11, 0)));
}

TEST(Markup, EmbeddedObjectRunsToItsClosingSequence) {
    std::string object = "\xFF\x19\x01image=a.png text=A caption\xFF\x1A";
    EXPECT_EQ(Length(object + "after"), object.size());
    EXPECT_FALSE(Length("\xFF\x19\x01image=a.png text=A caption"));
    EXPECT_FALSE(Length("\xFF\x19\x01text=x\xFF\x0A"));
}

TEST(Markup, CheckAcceptsWellFormedPages) {
    const std::string pages[] = {
        "",
        "plain text",
        "two lines\xFF\x0Aof text",
        "Big5 \xA5\xD8\xBF\xFD\xAD\xB6 text\xFF\x0A",
        "\xFF\x03" + std::string(20, '\x01') + "styled",
        "\xFF\x19\x01image=boat.png text=The boat\xFF\x1A",
        "\xFF\x19\x02text=\xFF\x1A",
        "\xA4\x40\xFF\x0A", // the trail byte of a character ends right before the sequence
    };
    for (const std::string& page : pages) {
        Bytes bytes = ToBytes(page);
        auto problem = markup::CheckPage(bytes);
        EXPECT_FALSE(problem) << problem->message;
    }
}

TEST(Markup, CheckFindsWhereAPageGoesWrong) {
    struct Case {
        std::string page;
        size_t offset;
        const char* says;
    } cases[] = {
        {"caf\xE9\xFF\x0A", 3, "swallow the 0xFF"},
        {"end in half \xA4", 12, "middle of a two-byte character"},
        {"lone\xFF", 4, "lone 0xFF"},
        {"ab\xFF\x03short", 2, "runs past the end"},
        {"\xFF\x19\x01text=never closed", 0, "not closed"},
        {"\xFF\x19\x01image=a.png\xFF\x1A", 0, "followed by a blank and text="},
        {"\xFF\x19\x01text=no picture\xFF\x1A", 0, "needs image="},
        {"\xFF\x19\x02image=a.png text=x\xFF\x1A", 0, "has no picture"},
        {"\xFF\x19\x01image= text=x\xFF\x1A", 0, "empty"},
        {"\xFF\x19\x05text=x\xFF\x1A", 0, "unknown object kind"},
        {"\xFF\x19\x02text=half \xA4\xFF\x1A", 0, "half a character"},
        {std::string("\xFF\x23\x10", 3) + std::string(8, 0), 0, "must carry its length"},
    };
    for (const Case& c : cases) {
        Bytes bytes = ToBytes(c.page);
        auto problem = markup::CheckPage(bytes);
        ASSERT_TRUE(problem) << c.says;
        EXPECT_EQ(problem->offset, c.offset) << c.says;
        EXPECT_NE(problem->message.find(c.says), std::string::npos) << problem->message;
    }
}

TEST(Text, CutsOnlyBetweenCharacters) {
    using tavrin::book::FitCharacters;
    EXPECT_EQ(FitCharacters("abc", 5), 3u);
    EXPECT_EQ(FitCharacters("ab\xA4\x40", 3), 2u); // would split the character
    EXPECT_EQ(FitCharacters("ab\xA4\x40", 4), 4u);
    EXPECT_EQ(FitCharacters("\xA4\x40\xA4\x40", 3), 2u);
    char buffer[4];
    EXPECT_EQ(tavrin::book::CopyOut("a\xA4\x40x", buffer, 3), 1);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(tavrin::book::CopyOut("anything", buffer, 0), 0);
    EXPECT_EQ(tavrin::book::CopyOut("anything", nullptr, 4), 0);
}

TEST(Text, CaseIsIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(tavrin::book::EqualsNoCase("Config", "CONFIG"));
    EXPECT_FALSE(tavrin::book::EqualsNoCase("CONFIGS", "CONFIG"));
    EXPECT_TRUE(tavrin::book::StartsWithNoCase("idb=1", "ID"));
    EXPECT_FALSE(tavrin::book::EqualsNoCase("\xC4", "\xE4")); // no case folding beyond ASCII
}

} // namespace

// The index reader: base-64 numbers, lines left out with their reasons, and what tells an index.
#include "dict/base64_number.h"
#include "dict/index_file.h"

#include <gtest/gtest.h>

namespace tavrin::dict {
namespace {

TEST(Base64Number, DigitsAreMostSignificantFirst) {
    EXPECT_EQ(DecodeBase64Number("A"), 0u);
    EXPECT_EQ(DecodeBase64Number("/"), 63u);
    EXPECT_EQ(DecodeBase64Number("BA"), 64u);
    EXPECT_EQ(DecodeBase64Number("5I"), 57u * 64 + 8);        // gcide's first offset
    EXPECT_EQ(DecodeBase64Number("P//////////"), UINT64_MAX); // 4 + 60 bits: all that fits
}

TEST(Base64Number, RefusesWhatIsNoNumber) {
    EXPECT_FALSE(DecodeBase64Number(""));
    EXPECT_FALSE(DecodeBase64Number("A=")); // padding is no digit
    EXPECT_FALSE(DecodeBase64Number("a b"));
    EXPECT_FALSE(DecodeBase64Number("Q//////////")); // 65 bits
    EXPECT_FALSE(DecodeBase64Number("///////////A"));
}

TEST(IndexFile, ReadsEveryGoodLineAndLeavesOutTheBadOnesWithTheirLineNumbers) {
    const std::string text = "apple\tA\tK\n"             // 0..10
                             "bad number\tA*\tB\n"       // line 2
                             "no tabs\n"                 // line 3
                             "\tA\tB\n"                  // line 4: no headword
                             "past end\tZ\tB\n"          // line 5: offset 25 > 20
                             "long\tK\tL\n"              // line 6: 10 + 11 > 20
                             "huge\tB\t///////////\n"    // line 7: 66-bit length
                             "New York\tK\tK\textra\r\n" // a fourth column and a CR are allowed
                             "\n";
    const IndexFile index = ParseIndex(text, 20);
    ASSERT_EQ(index.entries.size(), 2u);
    EXPECT_EQ(index.Word(index.entries[0]), "apple");
    EXPECT_EQ(index.entries[0].length, 10u);
    EXPECT_EQ(index.Word(index.entries[1]), "New York");
    EXPECT_EQ(index.entries[1].offset, 10u);
    EXPECT_EQ(index.entries[1].length, 10u);
    EXPECT_EQ(index.leftOut, 6u);
    ASSERT_EQ(index.notes.size(), 6u);
    EXPECT_EQ(index.notes[0].rfind("line 2: ", 0), 0u) << index.notes[0];
    EXPECT_EQ(index.notes[3].rfind("line 5: ", 0), 0u) << index.notes[3];
    EXPECT_NE(index.notes[3].find("past the end"), std::string::npos);
    EXPECT_EQ(index.notes[5].rfind("line 7: ", 0), 0u) << index.notes[5];
}

TEST(IndexFile, AnOffsetAndLengthThatOverflowTogetherAreLeftOut) {
    // offset + length wraps around 2^64 to a small number: it must still count as past the end.
    const IndexFile index = ParseIndex("w\tB\tP//////////\n", 100);
    EXPECT_TRUE(index.entries.empty());
    EXPECT_EQ(index.leftOut, 1u);
}

TEST(IndexFile, NotesStopAtAFewButEveryLineLeftOutIsCounted) {
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "x\t!\tA\n";
    const IndexFile index = ParseIndex(text, 10);
    EXPECT_EQ(index.leftOut, 50u);
    EXPECT_EQ(index.notes.size(), kNotesKept);
}

TEST(LooksLikeIndex, TellsIndexLinesFromOtherFiles) {
    EXPECT_TRUE(LooksLikeIndex("00-database-info\tKj\tuk\n1\t+8\tCt\n10\tBNy\tD"));
    EXPECT_FALSE(LooksLikeIndex("EBDF\x01\x02\x03"));
    EXPECT_FALSE(LooksLikeIndex("PK\x03\x04 mimetype\n"));
    EXPECT_FALSE(LooksLikeIndex("word\tnot base64!\tA\n"));
    EXPECT_FALSE(LooksLikeIndex("")); // nothing to judge
}

} // namespace
} // namespace tavrin::dict

// The e-book driver's texts in the shelf's code page: UTF-8 converted to single-byte and double-byte
// code pages by the one conversion rule, '?' for what a code page lacks and for each byte that is not
// part of a well-formed UTF-8 character, cuts that never split a character; in a program that offers
// no GetACP the texts stay UTF-8, well-formed.
#include "ebook/shelf_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tavrin::ebook::CutText;
using tavrin::ebook::FromUtf8;

TEST(ShelfText, Utf8IntoSingleAndDoubleByteCodePages) {
    EXPECT_EQ(FromUtf8("Caf\xC3\xA9 \xE2\x80\x93 \xE2\x80\x9Cq\xE2\x80\x9D", 1252), "Caf\xE9 \x96 \x93q\x94");
    EXPECT_EQ(FromUtf8("plain ASCII", 1252), "plain ASCII");
    EXPECT_EQ(FromUtf8("\xE6\x97\xA5!", 1252), "?!") << "a character the code page lacks";
    EXPECT_EQ(FromUtf8("\xE6\x97\xA5\xE6\x9C\xAC", 936), "\xC8\xD5\xB1\xBE"); // GBK
    EXPECT_EQ(FromUtf8("\xE6\x97\xA5\xE6\x9C\xAC", 950), "\xA4\xE9\xA5\xBB"); // Big5
    EXPECT_EQ(FromUtf8("a\xE6\x97\xA5z", 936), "a\xC8\xD5z");
}

TEST(ShelfText, BytesThatStartNoCharacterBecomeQuestionMarks) {
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b",
                       1252),
              "a?b");
    EXPECT_EQ(FromUtf8("a\xC3", 1252), "a?") << "cut short at the end";
    EXPECT_EQ(FromUtf8("\xE6\x97"
                       "b",
                       936),
              "??b")
        << "a continuation byte missing";
    EXPECT_EQ(FromUtf8("\x80", 1252), "?");
}

TEST(ShelfText, IllFormedUtf8IsRejectedByteByByteByTheOneRule) {
    // Overlong forms, surrogates and values above U+10FFFF: each byte becomes '?', in every code page.
    for (unsigned codePage : {1252u, 936u, 950u}) {
        EXPECT_EQ(FromUtf8("\xC0\xAF", codePage), "??") << codePage;
        EXPECT_EQ(FromUtf8("a\xED\xA0\x80z", codePage), "a???z") << codePage;
        EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80", codePage), "????") << codePage;
    }
}

TEST(ShelfText, WithoutGetAcpTextsStayWellFormedUtf8CutOnABoundary) {
    EXPECT_EQ(FromUtf8("Caf\xC3\xA9 \xE6\x97\xA5", 0), "Caf\xC3\xA9 \xE6\x97\xA5");
    EXPECT_EQ(FromUtf8("Caf\xC3\xA9\xFF", 0), "Caf\xC3\xA9?");
    EXPECT_EQ(FromUtf8("\xED\xA0\x80", 0), "???") << "a surrogate";
    EXPECT_EQ(tavrin::ebook::ShelfCodePage(), 0u) << "this program offers no GetACP";
    char buffer[5] = "xxxx";
    EXPECT_EQ(tavrin::ebook::CopyOutText("Caf\xC3\xA9", buffer, 5), 3);
    EXPECT_STREQ(buffer, "Caf");
    EXPECT_EQ(tavrin::ebook::CopyOutText("abc", nullptr, 5), 0);
}

TEST(ShelfText, CutsEndOnCharacterBoundaries) {
    const std::string gbk = "a\xC8\xD5\xB1\xBE"; // a + two characters
    EXPECT_EQ(CutText(gbk, 2, 936), "a");
    EXPECT_EQ(CutText(gbk, 3, 936), "a\xC8\xD5");
    EXPECT_EQ(CutText(gbk, 4, 936), "a\xC8\xD5");
    EXPECT_EQ(CutText(gbk, 9, 936), gbk);
    EXPECT_EQ(CutText("Caf\xE9", 3, 1252), "Caf");
    EXPECT_EQ(CutText("Caf\xC3\xA9", 4, 0), "Caf") << "UTF-8";
    EXPECT_EQ(CutText("ab\x81", 2, 936), "ab") << "a lead byte without its trail at the end";
}

} // namespace

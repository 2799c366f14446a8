// The one conversion rule (codepage/code_page.h): every kind of well-formed and ill-formed UTF-8, what
// a rejected byte becomes in each direction, and the code pages of the shelf (1252, 950, 936, 65001).
#include "codepage/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace cp = tavrin::codepage;

struct Valid {
    const char* bytes;
    char32_t codePoint;
};

// The edges of each length and of the ranges the rule leaves out.
const Valid kValid[] = {
    {"\x00", 0x00},
    {"\x7F", 0x7F},
    {"\xC2\x80", 0x80},
    {"\xDF\xBF", 0x7FF},
    {"\xE0\xA0\x80", 0x800},
    {"\xED\x9F\xBF", 0xD7FF},
    {"\xEE\x80\x80", 0xE000},
    {"\xEF\xBF\xBF", 0xFFFF},
    {"\xF0\x90\x80\x80", 0x10000},
    {"\xF4\x8F\xBF\xBF", 0x10FFFF},
};

struct Invalid {
    const char* bytes;
    const char* kind;
};

const Invalid kInvalid[] = {
    {"\x80", "a continuation byte alone"},
    {"\xBF", "a continuation byte alone"},
    {"\xC0\x80", "overlong (0xC0)"},
    {"\xC1\xBF", "overlong (0xC1)"},
    {"\xE0\x80\x80", "overlong three-byte form"},
    {"\xE0\x9F\xBF", "overlong three-byte form"},
    {"\xF0\x80\x80\x80", "overlong four-byte form"},
    {"\xF0\x8F\xBF\xBF", "overlong four-byte form"},
    {"\xED\xA0\x80", "surrogate U+D800"},
    {"\xED\xBF\xBF", "surrogate U+DFFF"},
    {"\xF4\x90\x80\x80", "above U+10FFFF"},
    {"\xF7\xBF\xBF\xBF", "above U+10FFFF (0xF7)"},
    {"\xF5\x80\x80\x80", "lead byte 0xF5"},
    {"\xF8\x88\x80\x80\x80", "five-byte form"},
    {"\xFE", "byte 0xFE"},
    {"\xFF", "byte 0xFF"},
    {"\xC3", "cut short"},
    {"\xE4\xB8", "cut short"},
    {"\xF0\x9F\x98", "cut short"},
    {"\xC3"
     "A",
     "continuation missing"},
    {"\xE4\xB8"
     "A",
     "continuation missing"},
    {"\xF0\x9F"
     "A\x98",
     "continuation missing"},
};

// Each byte of an ill-formed sequence is rejected on its own; ASCII bytes stay.
std::string EachByte(const std::string& bytes, std::string_view replacement) {
    std::string out;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) < 0x80)
            out += c;
        else
            out += replacement;
    return out;
}

TEST(CodePageRule, WellFormedCharactersDecodeAndConvert) {
    for (const Valid& v : kValid) {
        const std::string bytes(v.bytes, v.codePoint == 0 ? 1 : std::char_traits<char>::length(v.bytes));
        SCOPED_TRACE(static_cast<unsigned>(v.codePoint));
        char32_t c = 0xFFFFFFFF;
        EXPECT_EQ(cp::DecodeUtf8(bytes, &c), bytes.size());
        EXPECT_EQ(c, v.codePoint);
        std::string encoded;
        cp::AppendUtf8(v.codePoint, encoded);
        EXPECT_EQ(encoded, bytes);
        EXPECT_TRUE(cp::IsValidUtf8(bytes + "z"));
        cp::Report report;
        EXPECT_EQ(cp::FromUtf8(bytes, cp::kUtf8, &report), bytes);
        EXPECT_EQ(cp::ToUtf8(bytes, cp::kUtf8, &report), bytes);
        EXPECT_EQ(report.rejected, 0u);
    }
}

TEST(CodePageRule, EveryKindOfIllFormedSequenceIsRejectedByteByByte) {
    for (const Invalid& bad : kInvalid) {
        const std::string bytes = bad.bytes;
        SCOPED_TRACE(bad.kind);
        EXPECT_EQ(cp::DecodeUtf8(bytes), 0u);
        size_t firstBad = 99;
        EXPECT_FALSE(cp::IsValidUtf8("ok" + bytes, &firstBad));
        EXPECT_EQ(firstBad, 2u);
        size_t nonAscii = EachByte(bytes, "").size();
        nonAscii = bytes.size() - nonAscii;
        // Into a code page (UTF-8 itself included): '?' for each rejected byte.
        for (unsigned codePage : {1252u, 950u, 936u, cp::kUtf8}) {
            cp::Report report;
            EXPECT_EQ(cp::FromUtf8("a" + bytes + "z", codePage, &report), "a" + EachByte(bytes, "?") + "z")
                << codePage;
            EXPECT_EQ(report.rejected, nonAscii);
            EXPECT_EQ(report.firstRejected, 1u);
            EXPECT_EQ(report.missing, 0u);
        }
        // Into UTF-8 from code page 65001: U+FFFD for each rejected byte.
        cp::Report report;
        EXPECT_EQ(cp::ToUtf8("a" + bytes + "z", cp::kUtf8, &report),
                  "a" + EachByte(bytes, cp::kReplacement) + "z");
        EXPECT_EQ(report.rejected, nonAscii);
    }
}

TEST(CodePageRule, ValuesWithoutAUtf8FormBecomeTheReplacement) {
    for (char32_t none : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
        std::string out;
        cp::AppendUtf8(none, out);
        EXPECT_EQ(out, cp::kReplacement);
    }
}

struct Conversion {
    unsigned codePage;
    const char* utf8;
    const char* bytes;
};

// Characters each code page has, both ways.
const Conversion kBothWays[] = {
    {1252, "Caf\xC3\xA9 \xE2\x80\x93 \xE2\x82\xAC", "Caf\xE9 \x96 \x80"},
    {950, "\xE4\xB8\xAD\xE6\x96\x87 ok", "\xA4\xA4\xA4\xE5 ok"},
    {950, "\xEF\xBC\x9F", "\xA1\x48"}, // a trail byte in the ASCII range
    {936, "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
    {936, "\xE2\x82\xAC", "\x80"},
    {65001, "\xE4\xB8\xAD", "\xE4\xB8\xAD"},
};

TEST(CodePageRule, TheShelfsCodePagesConvertBothWays) {
    for (const Conversion& c : kBothWays) {
        SCOPED_TRACE(c.codePage);
        cp::Report report;
        EXPECT_EQ(cp::FromUtf8(c.utf8, c.codePage, &report), c.bytes);
        EXPECT_EQ(report.rejected + report.missing, 0u);
        EXPECT_EQ(cp::ToUtf8(c.bytes, c.codePage, &report), c.utf8);
        EXPECT_EQ(report.rejected, 0u);
        EXPECT_TRUE(cp::IsKnown(c.codePage));
    }
}

TEST(CodePageRule, WhatACodePageLacksOrCannotReadIsReplaced) {
    cp::Report report;
    EXPECT_EQ(cp::FromUtf8("a\xE4\xB8\xAD\xC3\xA9z", 1252, &report), "a?\xE9z");
    EXPECT_EQ(report.missing, 1u);
    EXPECT_EQ(report.firstMissing, 1u);
    EXPECT_EQ(cp::FromUtf8("\xC3\xA9", 950, &report), "?") << "Big5 has no e-acute";
    // Into UTF-8: one U+FFFD per character: a byte, or a lead byte with the byte after it.
    const std::string fffd(cp::kReplacement);
    EXPECT_EQ(cp::ToUtf8("x\x81y", 1252, &report), "x" + fffd + "y") << "0x81 is not a character of 1252";
    EXPECT_EQ(report.rejected, 1u);
    EXPECT_EQ(report.firstRejected, 1u);
    EXPECT_EQ(cp::ToUtf8("ok\xA4", 950), "ok" + fffd) << "a lead byte at the end stands alone";
    EXPECT_EQ(cp::ToUtf8(std::string("\xA4\0z", 3), 950), fffd + std::string("\0z", 2))
        << "a lead byte before a zero stands alone";
    EXPECT_EQ(cp::ToUtf8("\xFF"
                         "a",
                         950),
              fffd + "a")
        << "0xFF leads nothing";
    EXPECT_EQ(cp::CharLength("\xA4\x40", 0, 950), 2u);
    EXPECT_EQ(cp::CharLength("\xA4\x40", 0, 1252), 1u);
    // An unknown code page has nothing beyond ASCII.
    EXPECT_FALSE(cp::IsKnown(12345));
    EXPECT_EQ(cp::FromUtf8("a\xC3\xA9", 12345, &report), "a?");
    EXPECT_EQ(cp::ToUtf8("a\xE9", 12345), "a" + fffd);
}

TEST(CodePageRule, ARejectedCharacterCanBeShownOtherwise) {
    auto hex = [](std::string_view bytes, std::string& out) {
        for (unsigned char c : bytes)
            out += "<" + std::to_string(c) + ">";
    };
    EXPECT_EQ(cp::ToUtf8("a\x81z", 1252, nullptr, hex), "a<129>z");
    EXPECT_EQ(cp::ToUtf8("\x80\x80", 65001, nullptr, hex), "<128><128>");
}

TEST(CodePageRule, LeadBytesOfTheDoubleByteCodePages) {
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(cp::IsLeadByte(byte, 950), b >= 0x81 && b <= 0xFE) << b;
        EXPECT_EQ(cp::IsLeadByte(byte, 936), b >= 0x81 && b <= 0xFE) << b;
        EXPECT_FALSE(cp::IsLeadByte(byte, 1252));
        EXPECT_FALSE(cp::IsLeadByte(byte, cp::kUtf8));
    }
    EXPECT_TRUE(cp::IsDoubleByte(950) && cp::IsDoubleByte(936) && !cp::IsDoubleByte(1252));
}

} // namespace

// Shelf records: the fixed layout of CatalogRecord (stored whole in the user catalog stream), the
// typed record accessors, and the bounded copies that refuse or cut texts for the fixed buffers.
#include "shelf/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>

namespace {

using tavrin::CopyCut;
using tavrin::CopyFits;

TEST(CatalogRecordLayout, IsThreeHundredTwelveBytesWithTheStreamOffsets) {
    EXPECT_EQ(sizeof(CatalogRecord), 312u);
    EXPECT_EQ(offsetof(CatalogRecord, tStamp), 4u);
    EXPECT_EQ(offsetof(CatalogRecord, szCataKey), 8u);
    EXPECT_EQ(sizeof(CatalogRecord::szCataKey), 36u);
    EXPECT_EQ(offsetof(CatalogRecord, hDriver), 44u);
    EXPECT_EQ(offsetof(CatalogRecord, dwReserved), 48u);
    EXPECT_EQ(offsetof(CatalogRecord, hVpItem), 52u);
    EXPECT_EQ(offsetof(CatalogRecord, szCataName), 56u);
    EXPECT_TRUE(std::is_trivially_copyable_v<CatalogRecord>);
}

TEST(CatalogRecordLayout, FieldsLandAtTheirStreamBytes) {
    // A record written to the stream is its bytes: check where each field's value ends up.
    CatalogRecord rec;
    rec.dwCataType = CATA_USER;
    rec.tStamp = 0x01020304;
    ASSERT_TRUE(CopyFits(rec.szCataKey, "65535"));
    rec.hDriver = 0xA1B2C3D4;
    rec.hVpItem = 0x77;
    ASSERT_TRUE(CopyFits(rec.szCataName, "Poems"));
    unsigned char bytes[sizeof rec];
    std::memcpy(bytes, &rec, sizeof rec);
    EXPECT_EQ(bytes[0], 0x03); // 0x10000003, little-endian
    EXPECT_EQ(bytes[3], 0x10);
    EXPECT_EQ(bytes[4], 0x04);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 8)), "65535");
    EXPECT_EQ(bytes[44], 0xD4);
    EXPECT_EQ(bytes[48], 0x00); // reserved, written 0
    EXPECT_EQ(bytes[52], 0x77);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 56)), "Poems");
    EXPECT_EQ(bytes[311], 0x00);
}

TEST(Records, StartWithTheValuesOfANewNode) {
    TreeNode node;
    EXPECT_EQ(node.crText, 0xFFFFFFFFu);
    EXPECT_EQ(node.crBack, 0xFFFFFFFFu);
    EXPECT_EQ(node.pRecord, nullptr);
    EXPECT_EQ(node.szKey[0], '\0');
    BookRecord book;
    EXPECT_EQ(book.pHostData, nullptr);
    EXPECT_EQ(book.dwHostDataLen, 0u);
    EXPECT_EQ(sizeof(book.szFilePath), 260u);
    EXPECT_EQ(sizeof(book.szRegKey), 260u);
    EXPECT_EQ(sizeof(node.szKey), 256u);
    EXPECT_EQ(sizeof(ContentsRecord::hVpItem), 4u);
    EXPECT_EQ(sizeof(BookRecord::hDriver), 4u);
}

TEST(Records, TypedAccessorsFollowTheNodeKind) {
    BookRecord book;
    CatalogRecord cata;
    ContentsRecord entry;
    TreeNode node;
    node.pRecord = &book;
    for (DWORD kind : {NODE_DICT, NODE_BOOK}) {
        node.nKind = kind;
        EXPECT_EQ(BookOf(&node), &book);
        EXPECT_EQ(CatalogOf(&node), nullptr);
        EXPECT_EQ(ContentsOf(&node), nullptr);
    }
    node.pRecord = &cata;
    for (DWORD kind : {NODE_ROOT, NODE_CATALOG}) {
        node.nKind = kind;
        EXPECT_EQ(CatalogOf(&node), &cata);
        EXPECT_EQ(BookOf(&node), nullptr);
    }
    node.pRecord = &entry;
    for (DWORD kind : {NODE_CHAPTER, NODE_PAGE}) {
        node.nKind = kind;
        EXPECT_EQ(ContentsOf(&node), &entry);
        EXPECT_EQ(CatalogOf(&node), nullptr);
    }
    node.nKind = 6; // kinds above 5 have no known record
    EXPECT_EQ(BookOf(&node), nullptr);
    EXPECT_EQ(CatalogOf(&node), nullptr);
    EXPECT_EQ(ContentsOf(&node), nullptr);
    EXPECT_EQ(BookOf(nullptr), nullptr);
}

// ---- CopyFits ----

TEST(CopyFits, CopiesATextThatFitsWithItsTerminator) {
    char buf[6];
    std::memset(buf, '#', sizeof buf);
    ASSERT_TRUE(CopyFits(buf, "abcde")); // 5 characters + zero = 6
    EXPECT_STREQ(buf, "abcde");
}

TEST(CopyFits, RefusesATextOneByteTooLongAndLeavesTheBufferAlone) {
    char buf[6] = "old";
    EXPECT_FALSE(CopyFits(buf, "abcdef"));
    EXPECT_STREQ(buf, "old");
    char path[tavrin::kPathSize] = "keep";
    EXPECT_FALSE(CopyFits(path, std::string(260, 'p')));
    EXPECT_STREQ(path, "keep");
    EXPECT_TRUE(CopyFits(path, std::string(259, 'p')));
    EXPECT_EQ(std::strlen(path), 259u);
}

TEST(CopyFits, NullAndEmptySourcesAndPointerBuffers) {
    char buf[4] = "xyz";
    EXPECT_TRUE(CopyFits(buf, static_cast<const char*>(nullptr)));
    EXPECT_STREQ(buf, "");
    char raw[8];
    EXPECT_FALSE(CopyFits(raw, 0, "")); // no room even for the terminator
    EXPECT_FALSE(CopyFits(nullptr, 8, "a"));
    EXPECT_TRUE(CopyFits(raw, sizeof raw, std::string_view("ab\0cd", 5))); // inner zeros are bytes
    EXPECT_EQ(std::memcmp(raw, "ab\0cd", 6), 0);
}

// ---- CopyCut ----

TEST(CopyCut, KeepsWhatFitsAndSaysItCut) {
    char buf[5];
    EXPECT_FALSE(CopyCut(buf, "abcdefgh"));
    EXPECT_STREQ(buf, "abcd");
    EXPECT_TRUE(CopyCut(buf, "abcd"));
    EXPECT_STREQ(buf, "abcd");
    EXPECT_TRUE(CopyCut(buf, static_cast<const char*>(nullptr)));
    EXPECT_STREQ(buf, "");
}

TEST(CopyCut, NeverSplitsATwoByteCharacterWhenAskedNotTo) {
    // "ab" then two Big5 characters A4 A4 and A4 E5: four bytes fit, the second character does not.
    const char text[] = "ab\xA4\xA4\xA4\xE5";
    char buf[6];
    EXPECT_FALSE(CopyCut(buf, text, true));
    EXPECT_STREQ(buf, "ab\xA4\xA4");
    // Byte-wise it keeps the lone lead byte.
    EXPECT_FALSE(CopyCut(buf, text, false));
    EXPECT_STREQ(buf, "ab\xA4\xA4\xA4");
}

TEST(CopyCut, ATrailByteInTheLeadRangeIsNotTakenForALeadByte) {
    // Two characters A4 A4 A4 A4: every byte is in the lead range. With room for two bytes the first
    // character fits whole; judging by the last kept byte alone would drop its trail byte.
    const char text[] = "\xA4\xA4\xA4\xA4";
    char buf[3];
    EXPECT_FALSE(CopyCut(buf, text, true));
    EXPECT_STREQ(buf, "\xA4\xA4");
    char two[3];
    EXPECT_FALSE(CopyCut(two, "x\xA4\xA4", true));
    EXPECT_STREQ(two, "x");
}

TEST(CopyCut, ZeroCapacityWritesNothing) {
    char buf[2] = "q";
    EXPECT_FALSE(CopyCut(buf, 0, "a"));
    EXPECT_TRUE(CopyCut(buf, 0, ""));
    EXPECT_STREQ(buf, "q");
}

TEST(FixedLength, StopsAtTheEndOfAnUnterminatedBuffer) {
    char buf[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(tavrin::FixedLength(buf), 4u);
    buf[2] = '\0';
    EXPECT_EQ(tavrin::FixedLength(buf), 2u);
}

} // namespace

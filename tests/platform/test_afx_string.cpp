// CString and the rectangle classes: the edges a hand-written emulation gets wrong (buffer access,
// long formats, clamped parts, byte-wise case folding, empty rectangles).
#include "afxwin.h"
#include "plat/resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CStringTest, FormatHasNoLengthLimit) {
    CString s;
    std::string big(5000, 'q');
    s.Format("<%s|%d>", big.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 5000 + 5);
    EXPECT_EQ(s.Right(4), CString("|42>"));
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringTest, GetBufferKeepsTextAndReleaseBufferFindsTheEnd) {
    CString s("abc");
    char* p = s.GetBuffer(10);
    EXPECT_STREQ(p, "abc");
    std::snprintf(p, 11, "%s", "0123456789");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 10);
    p = s.GetBuffer(0);
    p[3] = '\0';
    s.ReleaseBuffer(); // up to the first zero
    EXPECT_STREQ(s, "012");
    s.GetBuffer(20);
    s.ReleaseBuffer(2);
    EXPECT_STREQ(s, "01");
    s.ReleaseBuffer(50); // never past the text held
    EXPECT_EQ(s.GetLength(), 2);
    char* q = s.GetBufferSetLength(4);
    std::memcpy(q, "wxyz", 4);
    s.ReleaseBuffer(4);
    EXPECT_STREQ(s, "wxyz");
}

TEST(CStringTest, PartsAreClampedToTheString) {
    CString s("Shelf");
    EXPECT_STREQ(s.Left(99), "Shelf");
    EXPECT_STREQ(s.Left(-1), "");
    EXPECT_STREQ(s.Mid(3), "lf");
    EXPECT_STREQ(s.Mid(9), "");
    EXPECT_STREQ(s.Mid(-2, 2), "Sh");
    EXPECT_STREQ(s.Right(2), "lf");
    EXPECT_STREQ(s.Right(10), "Shelf");
    EXPECT_EQ(s.GetAt(5), '\0');
    EXPECT_EQ(s[0], 'S');
}

TEST(CStringTest, SearchAndReplace) {
    CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("zz"), -1);
    EXPECT_EQ(s.Find("a", 99), -1);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.Replace(".", "::"), 2);
    EXPECT_STREQ(s, "a::b::c");
    EXPECT_EQ(s.Remove(':'), 4);
    EXPECT_STREQ(s, "abc");
}

TEST(CStringTest, TrimAndCaseFolding) {
    CString s(" \t Poems \r\n");
    s.Trim();
    EXPECT_STREQ(s, "Poems");
    CString blanks("   ");
    blanks.Trim();
    EXPECT_TRUE(blanks.IsEmpty());
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_NE(CString("\xE4").CompareNoCase("\xC4"), 0); // only ASCII letters fold
    EXPECT_LT(CString("a").Compare("b"), 0);
    EXPECT_TRUE(CString("x") == "x");
    EXPECT_TRUE("y" != CString("x"));
}

TEST(CStringTest, DoubleByteCharactersAreSteppedOverWhole) {
    UINT previous = plat::CodePage();
    // In Big5, 0xA4 0x61 is one character and 0xA5 0x5C another whose second byte looks like '\\'.
    plat::SetCodePage(950);
    CString big5("\xA4\x61x");
    big5.MakeUpper();
    EXPECT_STREQ(big5, "\xA4\x61X");
    EXPECT_NE(CString("\xA4\x61").CompareNoCase("\xA4\x41"), 0);
    CString path("dir\\\xA5\x5C");
    EXPECT_EQ(path.ReverseFind('\\'), 3);
    EXPECT_EQ(CString("\xA5\x5C\\").Find('\\'), 2);
    EXPECT_EQ(CString("\xA5\x5Cz").FindOneOf("\\z"), 2);
    // The same bytes in a single-byte code page are two characters each.
    plat::SetCodePage(1252);
    EXPECT_EQ(path.ReverseFind('\\'), 5);
    CString latin("\xA4\x61");
    latin.MakeUpper();
    EXPECT_STREQ(latin, "\xA4\x41");
    plat::SetCodePage(previous);
}

TEST(CStringTest, LoadStringUsesTheCurrentResourceModule) {
    static plat::ResourceTable table;
    table.strings[MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)][4] =
        "You must initial OLE, if you may not use the dragdrop function.";
    table.strings[MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)][5] = std::string(600, 'L');
    table.strings[MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)][6] = "%d books in %s";
    constexpr HMODULE module = 0x4B4B;
    plat::RegisterResources(module, &table);
    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(module);
    plat::SetUserLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));

    CString s;
    EXPECT_TRUE(s.LoadString(4));
    EXPECT_STREQ(s, "You must initial OLE, if you may not use the dragdrop function.");
    EXPECT_TRUE(s.LoadString(5));
    EXPECT_EQ(s.GetLength(), 600); // longer than a first guess at the buffer
    EXPECT_FALSE(s.LoadString(77));
    EXPECT_TRUE(s.IsEmpty());
    s.Format(6u, 3, "Poetry");
    EXPECT_STREQ(s, "3 books in Poetry");

    AfxSetResourceHandle(previous);
    plat::RegisterResources(module, nullptr);
}

// Empty is not null, points on the right and bottom edges are outside, touching is not overlapping.
TEST(CRectTest, EmptinessPointsIntersectAndUnion) {
    EXPECT_TRUE(CRect().IsRectNull());
    EXPECT_TRUE(CRect().IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());
    EXPECT_FALSE(CRect(5, 5, 5, 9).IsRectNull());
    EXPECT_TRUE(CRect(4, 4, 2, 9).IsRectEmpty()); // inverted
    CRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.PtInRect(CPoint(0, 0)));
    EXPECT_TRUE(r.PtInRect(CPoint(9, 9)));
    EXPECT_FALSE(r.PtInRect(CPoint(10, 5)));
    EXPECT_FALSE(r.PtInRect(CPoint(5, 10)));
    EXPECT_TRUE(r.IntersectRect(CRect(0, 0, 10, 10), CRect(5, 5, 20, 20)));
    EXPECT_EQ(r, CRect(5, 5, 10, 10));
    EXPECT_FALSE(r.IntersectRect(CRect(0, 0, 10, 10), CRect(10, 0, 20, 10)));
    EXPECT_TRUE(r.IsRectNull());
    EXPECT_TRUE(r.UnionRect(CRect(0, 0, 1, 1), CRect(5, 5, 6, 6)));
    EXPECT_EQ(r, CRect(0, 0, 6, 6));
    EXPECT_TRUE(r.UnionRect(CRect(), CRect(2, 2, 3, 3))); // an empty side is ignored
    EXPECT_EQ(r, CRect(2, 2, 3, 3));
    EXPECT_EQ(CRect(0, 0, 4, 4) & CRect(2, 2, 8, 8), CRect(2, 2, 4, 4));
}

TEST(CRectTest, ArithmeticAndHelpers) {
    CRect r(10, 20, 30, 60);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.Height(), 40);
    EXPECT_EQ(r.CenterPoint(), CPoint(20, 40));
    r.left += 3; // the shelf moves the tree's left edge 3 pixels right
    EXPECT_EQ(r.TopLeft(), CPoint(13, 20));
    r.OffsetRect(-13, -20);
    EXPECT_EQ(r, CRect(0, 0, 17, 40));
    r.InflateRect(1, 2);
    EXPECT_EQ(r, CRect(-1, -2, 18, 42));
    CRect inverted(5, 6, 1, 2);
    inverted.NormalizeRect();
    EXPECT_EQ(inverted, CRect(1, 2, 5, 6));
    EXPECT_EQ(CPoint(MAKELPARAM(-3, 4)), CPoint(-3, 4));
    EXPECT_EQ(CPoint(7, 8) - CPoint(2, 2), CSize(5, 6));
}

} // namespace

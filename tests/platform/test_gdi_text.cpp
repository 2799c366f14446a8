// Text: the font engine's metrics, extents that grow with the text and match the renderer, two-byte
// characters of the East Asian code pages, DrawTextA layout and ExtTextOutA options.
#include "plat/draw.h"
#include "plat/render.h"
#include "plat/resources.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

namespace {

using plat::DrawKind;

class GdiText : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::SetCodePage(1252);
        dc = CreateCompatibleDC(nullptr);
        oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    }
    void TearDown() override {
        SelectObject(dc, oldFont);
        DeleteDC(dc);
        plat::SetCodePage(1252);
    }
    int Width(const std::string& s) {
        SIZE sz{};
        EXPECT_TRUE(GetTextExtentPoint32A(dc, s.data(), static_cast<int>(s.size()), &sz));
        return sz.cx;
    }
    HDC dc = nullptr;
    HGDIOBJ oldFont = nullptr;
};

TEST_F(GdiText, TheGuiFontOfARealFontFileIsAbout13PixelsTallAndCellHeightsAreExact) {
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmInternalLeading, 2); // lfHeight -11: the character height excludes internal leading
    EXPECT_GT(tm.tmAveCharWidth, 3);
    EXPECT_LT(tm.tmAveCharWidth, tm.tmMaxCharWidth);
    // The pitch bit is set for a variable-pitch font (its meaning is inverted on the platform).
    EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);

    HFONT cell = CreateFontA(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    SelectObject(dc, cell);
    GetTextMetricsA(dc, &tm);
    EXPECT_EQ(tm.tmHeight, 20); // a positive lfHeight is the cell height
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(dc, &tm);
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    GetTextMetricsA(dc, &tm);
    EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);
    EXPECT_EQ(Width("iiii"), Width("WWWW")); // monospaced
    DeleteObject(cell);

    EXPECT_EQ(plat::FontFamilyInUse(), "DejaVu Sans");

    HFONT huge = CreateFontA(-2000000000, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    SelectObject(dc, huge); // an absurd size is clamped instead of breaking the engine
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    EXPECT_GT(tm.tmHeight, 1000);
    EXPECT_LT(tm.tmHeight, 1300);
    EXPECT_GT(Width("x"), 100);
    SelectObject(dc, oldFont);
    DeleteObject(huge);
}

TEST_F(GdiText, ExtentsGrowWithTheTextAddWholePixelAdvancesAndFollowTheSelectedFont) {
    EXPECT_EQ(Width(""), 0);
    EXPECT_LT(Width("B"), Width("Bo"));
    EXPECT_LT(Width("Bo"), Width("Books"));
    EXPECT_GT(Width("WWW"), Width("iii"));
    EXPECT_EQ(Width("Books"), Width("B") + Width("o") + Width("o") + Width("k") + Width("s"));
    SIZE sz{};
    GetTextExtentPoint32A(dc, "Books", 5, &sz);
    EXPECT_EQ(sz.cy, 13);
    EXPECT_FALSE(GetTextExtentPoint32A(dc, "x", -1, &sz));

    HFONT bold = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    int normal = Width("Dictionary shelf");
    SelectObject(dc, bold);
    EXPECT_GT(Width("Dictionary shelf"), normal);
    LOGFONTA lf{};
    GetObjectA(bold, sizeof lf, &lf);
    EXPECT_EQ(plat::MeasureText(lf, "Dictionary shelf"), Width("Dictionary shelf"));
    SelectObject(dc, oldFont);
    DeleteObject(bold);
}

TEST_F(GdiText, RenderedGlyphsLandWhereTheMeasuredWidthsSay) {
    // Draw "iW" and "W" alone; the W of "iW" must start exactly width("i") further right.
    TextOutA(dc, 0, 0, "iW", 2);
    TextOutA(dc, 0, 20, "W", 1);
    plat::Image img = plat::RenderToImage(plat::DcDrawing(dc), 40, 40);
    auto leftmostInk = [&](int top, int fromX) {
        for (int x = fromX; x < img.width; ++x)
            for (int y = top; y < top + 13; ++y)
                if (img.ColorAt(x, y) != RGB(255, 255, 255)) return x;
        return -1;
    };
    auto rightmostInk = [&](int top) {
        int last = -1;
        for (int x = 0; x < img.width; ++x)
            for (int y = top; y < top + 13; ++y)
                if (img.ColorAt(x, y) != RGB(255, 255, 255)) last = x;
        return last;
    };
    int wAlone = leftmostInk(20, 0);
    ASSERT_GE(wAlone, 0);
    int wAfterI = leftmostInk(0, Width("i"));
    EXPECT_EQ(wAfterI - Width("i"), wAlone);
    EXPECT_LT(rightmostInk(0), Width("iW") + 1); // the ink stays inside the measured box
    EXPECT_GE(rightmostInk(0), Width("iW") - 3);
}

TEST_F(GdiText, TwoByteCharactersAreOneFullWidthCharacterEvenWithoutAGlyph) {
    const std::string zhong950 = "\xA4\xA4"; // one Big5 character
    const std::string zhong936 = "\xD6\xD0"; // the same character in GBK
    int in1252 = Width(zhong950);
    plat::SetCodePage(950);
    int full = Width(zhong950);
    EXPECT_EQ(full, 11); // one em of the GUI font
    EXPECT_EQ(Width(zhong950 + zhong950), 2 * full);
    EXPECT_EQ(Width("a" + zhong950), Width("a") + full);
    EXPECT_NE(in1252, full); // in 1252 the same bytes are two narrow characters
    // An invalid two-byte code still takes a cell; a lone lead byte at the end still has a width.
    EXPECT_EQ(Width("\x81\x30"), full);
    EXPECT_GT(Width("a\xA4"), Width("a"));
    plat::SetCodePage(936);
    EXPECT_EQ(Width(zhong936), full);

    // Partial extents never split a two-byte character.
    plat::SetCodePage(950);
    int fit = -1;
    int dx[8] = {};
    SIZE sz{};
    std::string s = zhong950 + zhong950 + zhong950;
    ASSERT_TRUE(GetTextExtentExPointA(dc, s.data(), 6, full * 2 + 1, &fit, dx, &sz));
    EXPECT_EQ(fit, 4);
    EXPECT_EQ(dx[1], full);
    EXPECT_EQ(sz.cx, 3 * full);
}

TEST(CodePage, ConvertsTheEightBitCodePagesToUtf8AtTheEdge) {
    EXPECT_EQ(plat::ToUtf8("\xA4\xA4", 950), "\xE4\xB8\xAD");
    EXPECT_EQ(plat::ToUtf8("\xD6\xD0", 936), "\xE4\xB8\xAD");
    EXPECT_EQ(plat::ToUtf8("\x80", 1252), "\xE2\x82\xAC");
    EXPECT_EQ(plat::ToUtf8("ok\xA4", 950), "ok\xEF\xBF\xBD"); // lone lead byte
    EXPECT_EQ(plat::FromUtf8("\xE4\xB8\xAD", 950), "\xA4\xA4");
    EXPECT_EQ(plat::FromUtf8("a\xE4\xB8\xAD", 1252), "a?");
    EXPECT_TRUE(plat::IsLeadByte(0xA4, 950));
    EXPECT_FALSE(plat::IsLeadByte(0xA4, 1252));
    EXPECT_FALSE(plat::IsLeadByte(0x41, 936));
}

TEST(CodePage, ProgramExportsGetAcpForDriversToFind) {
    using GetAcp = UINT (*)();
    auto found = reinterpret_cast<GetAcp>(dlsym(RTLD_DEFAULT, "GetACP"));
    ASSERT_NE(found, nullptr) << "a driver library looks the function up at run time";
    plat::SetCodePage(936);
    EXPECT_EQ(found(), 936u);
    plat::SetCodePage(1252);
    EXPECT_EQ(found(), 1252u);
}

TEST_F(GdiText, DrawTextCalcRectMeasuresWithoutDrawing) {
    RECT r{10, 20, 10, 20};
    int h = DrawTextA(dc, "Books", -1, &r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(h, 13);
    EXPECT_EQ(r.right, 10 + Width("Books"));
    EXPECT_EQ(r.bottom, 33);
    EXPECT_TRUE(plat::DcDrawing(dc).Empty());

    RECT two{0, 0, 0, 0};
    EXPECT_EQ(DrawTextA(dc, "a\nlonger", -1, &two, DT_CALCRECT), 26);
    EXPECT_EQ(two.right, Width("longer"));
}

TEST_F(GdiText, DrawTextPlacesLinesInTheRectangle) {
    RECT r{0, 0, 100, 33};
    int ret = DrawTextA(dc, "Mid", -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    plat::Drawing drawn = plat::DcDrawing(dc);
    const plat::DrawOp* op = drawn.FindText("Mid");
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->pos.y, 10); // (33 - 13) / 2
    EXPECT_EQ(op->pos.x, (100 - Width("Mid")) / 2);
    EXPECT_EQ(op->clip.bottom, 33);
    EXPECT_EQ(ret, 23); // offset from the top to the bottom of the text

    plat::ClearDcDrawing(dc);
    RECT right{0, 0, 100, 40};
    DrawTextA(dc, "one\r\ntwo", -1, &right, DT_RIGHT);
    plat::Drawing d = plat::DcDrawing(dc);
    ASSERT_EQ(d.OfKind(DrawKind::Text).size(), 2u);
    EXPECT_EQ(d.FindText("two")->pos.y, 13);
    EXPECT_EQ(d.FindText("two")->pos.x, 100 - Width("two"));

    plat::ClearDcDrawing(dc);
    RECT narrow{0, 0, Width("alpha beta") - 1, 60};
    DrawTextA(dc, "alpha beta", -1, &narrow, DT_WORDBREAK);
    d = plat::DcDrawing(dc);
    EXPECT_NE(d.FindText("alpha"), nullptr);
    EXPECT_NE(d.FindText("beta"), nullptr);
}

TEST_F(GdiText, DrawTextPrefixesAndEndEllipsis) {
    RECT r{0, 0, 200, 20};
    DrawTextA(dc, "&File && more", -1, &r, DT_SINGLELINE);
    plat::Drawing drawn = plat::DcDrawing(dc);
    const plat::DrawOp* op = drawn.FindText("File & more");
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->underline, 0);
    DrawTextA(dc, "&Raw", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_NE(plat::DcDrawing(dc).FindText("&Raw"), nullptr);

    plat::ClearDcDrawing(dc);
    const std::string title = "A rather long catalog name";
    RECT cut{0, 0, Width(title) / 2, 20};
    DrawTextA(dc, title.c_str(), -1, &cut, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    plat::Drawing d = plat::DcDrawing(dc);
    ASSERT_EQ(d.ops.size(), 1u);
    const std::string shown = d.ops[0].text;
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    EXPECT_EQ(title.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0);
    EXPECT_LE(Width(shown), cut.right);

    plat::ClearDcDrawing(dc);
    RECT wide{0, 0, 500, 20};
    DrawTextA(dc, title.c_str(), -1, &wide, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_NE(plat::DcDrawing(dc).FindText(title), nullptr); // fits: untouched
}

TEST_F(GdiText, ExtTextOutOpaqueFillsWithTheBackgroundColourWhateverTheMode) {
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, RGB(10, 20, 30));
    RECT r{5, 5, 50, 25};
    ASSERT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
    ASSERT_TRUE(ExtTextOutA(dc, 6, 6, ETO_CLIPPED, &r, "clipped", 7, nullptr));
    plat::Drawing d = plat::DcDrawing(dc);
    ASSERT_EQ(d.ops.size(), 2u);
    EXPECT_EQ(d.ops[0].kind, DrawKind::Fill);
    EXPECT_EQ(d.ops[0].color, RGB(10, 20, 30));
    EXPECT_EQ(d.ops[1].clip.right, 50);
    EXPECT_EQ(d.ops[1].clip.left, 5);
}

TEST_F(GdiText, TextAlignmentMovesTheReferencePoint) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
    TextOutA(dc, 100, 50, "R", 1);
    plat::Drawing drawn = plat::DcDrawing(dc);
    const plat::DrawOp* op = drawn.FindText("R");
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->pos.x, 100 - Width("R"));
    EXPECT_EQ(op->pos.y, 50 - tm.tmAscent);

    SetTextAlign(dc, TA_UPDATECP);
    MoveToEx(dc, 7, 3, nullptr);
    TextOutA(dc, 0, 0, "ab", 2);
    POINT cur{};
    MoveToEx(dc, 0, 0, &cur);
    EXPECT_EQ(cur.x, 7 + Width("ab"));
    EXPECT_EQ(plat::DcDrawing(dc).FindText("ab")->pos.x, 7);
}

} // namespace

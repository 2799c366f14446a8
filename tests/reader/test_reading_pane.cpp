// The reading pane: a page's lines kept and wrapped to the text area's width at blanks (whole UTF-8
// characters, never wider than the area), clicks mapped to the field, the button and hit rows (with
// the hits list scrolled by the wheel), the query edited a whole character at a time.
#include "reading_pane.h"

#include "plat/draw.h"

#include <gtest/gtest.h>

namespace {

using tavrin::reader::Hit;
using tavrin::reader::ReadingPane;

std::vector<std::string> TextsIn(const plat::Drawing& drawing, const RECT& area) {
    std::vector<std::string> texts;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::Text))
        if (op->pos.y >= area.top && op->pos.y < area.bottom) texts.push_back(op->text);
    return texts;
}

class PaneTest : public ::testing::Test {
  protected:
    ReadingPane pane;
    void SetUp() override { pane.SetArea(RECT{300, 0, 700, 500}); }
};

TEST_F(PaneTest, APagesLineBreaksAreKeptAndLongLinesWrapAtBlanksWithinTheWidth) {
    const std::string longLine = "The river runs down to the sea past the old abbey and the mill, "
                                 "where the boats wait for the tide to turn before they go out again.";
    pane.ShowText("A Journey", "First line\n\nThird line\n" + longLine + "\n");
    const RECT text = pane.TextRect();
    const std::vector<std::string> shown = TextsIn(pane.Paint(), text);
    ASSERT_GE(shown.size(), 5u);
    EXPECT_EQ(shown[0], "First line");
    EXPECT_EQ(shown[1], "");
    EXPECT_EQ(shown[2], "Third line");
    std::string joined;
    for (size_t i = 3; i < shown.size(); ++i) {
        EXPECT_LE(plat::MeasureText(tavrin::reader::PaneFont(), shown[i], 65001), text.right - text.left - 8)
            << shown[i];
        EXPECT_TRUE(i + 1 == shown.size() || shown[i].back() == ' ') << "broken at a blank: " << shown[i];
        joined += shown[i];
    }
    EXPECT_EQ(joined, longLine) << "wrapping loses nothing";
}

TEST_F(PaneTest, ALineOfWideCharactersWithoutBlanksBreaksBetweenWholeCharacters) {
    std::string line;
    for (int i = 0; i < 80; ++i)
        line += "\xE6\x98\x8E"; // 明
    pane.ShowText("", line);
    const std::vector<std::string> shown = TextsIn(pane.Paint(), pane.TextRect());
    ASSERT_GT(shown.size(), 1u);
    for (const std::string& piece : shown)
        EXPECT_EQ(piece.size() % 3, 0u) << "no character is cut";
}

TEST_F(PaneTest, ClicksFindTheFieldTheButtonAndTheHitRows) {
    const RECT field = pane.FieldRect(), button = pane.ButtonRect();
    EXPECT_EQ(pane.At(POINT{field.left + 5, field.top + 5}).kind, ReadingPane::Click::Kind::Field);
    EXPECT_EQ(pane.At(POINT{button.left + 5, button.top + 5}).kind, ReadingPane::Click::Kind::Button);
    pane.StartSearch();
    for (int i = 0; i < 30; ++i)
        pane.AddHit(Hit{7, i, "Book  page " + std::to_string(i)});
    const RECT hits = pane.HitsRect();
    ASSERT_GT(hits.bottom, hits.top);
    EXPECT_LT(pane.VisibleHitRows(), 30);
    auto hitAtRow = [&](int row) {
        return pane.At(POINT{hits.left + 10, hits.top + 2 + row * pane.LineHeight() + pane.LineHeight() / 2})
            .hit;
    };
    EXPECT_EQ(hitAtRow(0), 0);
    EXPECT_EQ(hitAtRow(2), 2);
    pane.Wheel(POINT{hits.left + 10, hits.top + 5}, -1); // three rows down
    EXPECT_EQ(hitAtRow(0), 3);
    pane.Wheel(POINT{hits.left + 10, hits.top + 5}, -100);
    EXPECT_EQ(hitAtRow(pane.VisibleHitRows() - 1), 29) << "scrolled no further than the last hit";
    EXPECT_GT(pane.TextRect().top, hits.bottom) << "the page stays below the hits";
}

TEST_F(PaneTest, TheQueryLosesAWholeCharacterAtATimeAndTheButtonSaysStopWhileSearching) {
    pane.TypeIntoQuery("ab\xE6\x98\x8E");
    pane.BackspaceQuery();
    EXPECT_EQ(pane.Query(), "ab");
    pane.StartSearch();
    EXPECT_EQ(TextsIn(pane.Paint(), pane.ButtonRect()).back(), "Stop");
    pane.EndSearch("3 hit(s)");
    EXPECT_FALSE(pane.Searching());
    auto texts = TextsIn(pane.Paint(), pane.ButtonRect());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Search"), texts.end());
}

TEST(PaneText, UTF8IsLaidOutACharacterAtATimeAsTheSameTextInAnEightBitCodePage) {
    const LOGFONTA font = tavrin::reader::PaneFont();
    // "café — tea" in UTF-8 and in 1252 (é 0xE9, the em dash 0x97): the same glyphs, the same width.
    EXPECT_EQ(plat::MeasureText(font, "caf\xC3\xA9 \xE2\x80\x94 tea", 65001),
              plat::MeasureText(font, "caf\xE9 \x97 tea", 1252));
    // A character the face lacks comes from the fallback font as one glyph, not as boxes for its bytes.
    const int one = plat::MeasureText(font, "\xE6\x98\x8E", 65001);
    const int two = plat::MeasureText(font, "\xE6\x98\x8E\xE6\x98\x8E", 65001);
    EXPECT_GT(one, 0);
    EXPECT_EQ(two, 2 * one);
    EXPECT_LT(one, plat::MeasureText(font, "\xE6\x98", 65001) + plat::MeasureText(font, "\x8E", 65001));
}

} // namespace

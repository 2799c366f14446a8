// The page text of the search without a control: which bytes make a line, how each control sequence
// is skipped, case and character boundaries, the texts between HTML tags, pages cut short anywhere,
// and the fast search held to the line-by-line reading on many random pages.
#include "navigation/page_prefilter.h"
#include "navigation/search_text.h"
#include "search_reference.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using search_ref::RandomPages;

// The page in a block of exactly its size, so that a read beyond it is caught by the sanitizers.
int Search(const std::string& text, const std::string& page, int matchCase = 1) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[page.size() ? page.size() : 1]);
    std::memcpy(block.get(), page.data(), page.size());
    return SearchPageText(text.c_str(), block.get(), static_cast<unsigned>(page.size()), matchCase);
}

// The line-by-line reading's answer, as the search gives it.
int Reference(const std::string& text, const std::string& page, int matchCase) {
    return search_ref::SearchPage(text, reinterpret_cast<const unsigned char*>(page.data()), page.size(),
                                  matchCase != 0)
               ? 1
               : 0;
}

std::string Seq(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

const std::string kBreak = Seq({0xFF, 0x0A});

// A few pages read by hand; the random pages below hold the search to the line-by-line reading at large.
TEST(SearchLines, LinesEndAtLineBreaksWhileSkippedSequencesJoinTheirText) {
    EXPECT_EQ(Search("abcdef", "abc" + kBreak + "def"), 0);
    EXPECT_EQ(Search("def", "abc" + kBreak + "def"), 1) << "the last line is tested too";
    EXPECT_EQ(Search("c\r\nd", "abc" + kBreak + "def"), 0) << "the inserted line end is not text";
    EXPECT_EQ(Search("c\r\nd", "abc\r\ndef"), 1) << "raw CR LF bytes are text";
    std::string seq3 = Seq({0xFF, 0x03}) + std::string(20, 'Q');
    EXPECT_EQ(Search("abcdef", "abc" + seq3 + "def"), 1);
    EXPECT_EQ(Search("Q", "abc" + seq3 + "def"), 0) << "operands are not text";
    std::string seq13 = Seq({0xFF, 0x13, 0x20}) + std::string(8, 'x') + "zz]";
    EXPECT_EQ(Search("abcdef", "abc" + seq13 + "def"), 1);
    EXPECT_EQ(Search("zz", "abc" + seq13 + "def"), 0) << "bracketed operand skipped";
    std::string seq13plain = Seq({0xFF, 0x13, 0x00}) + std::string(8, 'x') + "zz]";
    EXPECT_EQ(Search("zz]def", "abc" + seq13plain + "def"), 1) << "no bracket without bit 0x20";
    std::string seq23 =
        Seq({0xFF, 0x23, 0x60}) + std::string(8, 'x') + "hidden]" + std::string(8, 'y') + Seq({3, 0}) + "ops";
    EXPECT_EQ(Search("abdef", "ab" + seq23 + "def"), 1);
    EXPECT_EQ(Search("ops", "ab" + seq23 + "def"), 0);
    std::string object = Seq({0xFF, 0x19, 1}) + "image=tiger.png text=A striped cat" + Seq({0xFF, 0x1A});
    EXPECT_EQ(Search("striped", "x" + object + "y"), 1) << "an object's caption is text";
    EXPECT_EQ(Search("tiger", "x" + object + "y"), 0) << "its image name is not";
}

TEST(SearchCharacters, CaseFoldsAToZOnlyAndMatchesStartOnACharacterBoundary) {
    EXPECT_EQ(Search("abc", "xABCx", 0), 1);
    EXPECT_EQ(Search("abc", "xABCx", 1), 0);
    EXPECT_EQ(Search("\xC0", "\xE0", 0), 0) << "only A-Z fold";
    EXPECT_EQ(Search("abc", "xABCx", 2), 1) << "only bit 0 of matchCase counts";
    EXPECT_EQ(MatchText("abc", "xABCx", 2), 1);
    EXPECT_EQ(MatchText("abc", "xABCx", 3), 0);
    // 0x82 0x41 is one character: the "A" inside it does not start a match (octal escapes: 0x82 is \202).
    EXPECT_EQ(MatchText("AB", "\202AB", 1), 0);
    EXPECT_EQ(MatchText("AB", "\202AAB", 1), 1);
    EXPECT_EQ(Search("AB", "\202\202AB"), 1);
    // The trail byte may be 0xFF: it does not start a control sequence.
    EXPECT_EQ(Search("\012cd", "x\202\377\012cd"), 1);
    EXPECT_EQ(Search("x\012cd", "x\202\377\012cd"), 0);
    // A line is read up to its first zero.
    EXPECT_EQ(Search("def", std::string("abc\0def", 7)), 0);
    EXPECT_EQ(Search("def", std::string("abc\0x", 5) + kBreak + "def"), 1);
}

TEST(SearchEmpty, EmptyTextOrPageFindsNothing) {
    EXPECT_EQ(Search("", "abc"), 0);
    EXPECT_EQ(Search("a", ""), 0);
    EXPECT_EQ(Search("a", Seq({0xFF})), 0);
    EXPECT_EQ(SearchPageText(nullptr, reinterpret_cast<const unsigned char*>("a"), 1, 1), 0);
}

TEST(SearchScratch, LongPageGrowsTheAreaWhileASearchRuns) {
    ASSERT_TRUE(tavrin::search::ReserveScratch(kSearchBufferSize));
    std::string page(200000, 'a');
    page += "needle";
    EXPECT_EQ(Search("needle", page), 1);
    EXPECT_GE(g_searchBufferSize, page.size() + 2);
    // A page of 65535 bytes needs more than the usual area too.
    tavrin::search::ReleaseScratch();
    ASSERT_TRUE(tavrin::search::ReserveScratch(kSearchBufferSize));
    EXPECT_EQ(Search("zz", std::string(65533, 'a') + "zz"), 1);
    EXPECT_GE(g_searchBufferSize, 65537u);
    tavrin::search::ReleaseScratch();
    EXPECT_EQ(g_searchBuffer, nullptr);
    EXPECT_EQ(Search("zz", "azz"), 1) << "a search outside Search brings its own area";
    EXPECT_EQ(g_searchBuffer, nullptr);
}

TEST(ExtractTags, TextsBetweenTags) {
    std::vector<std::string> out;
    EXPECT_EQ(ExtractTagText("<p>One</p><p>Two</p>", out), 1);
    std::string joined;
    for (const auto& s : out)
        joined += s;
    EXPECT_EQ(joined, "OneTwo");
    EXPECT_EQ(out.front(), "") << "the first > gives an empty text";
    out.clear();
    EXPECT_EQ(ExtractTagText("before <b>in</b> after", out), 1);
    EXPECT_EQ(out, (std::vector<std::string>{"", "in"})) << "text outside the first and last > is left out";
    out.clear();
    EXPECT_EQ(ExtractTagText("no tags", out), 0);
    EXPECT_EQ(ExtractTagText("", out), 0);
    EXPECT_EQ(ExtractTagText("<a>xy<b>", 5, out), 1) << "bounded: reads <a>xy";
    EXPECT_EQ(out, (std::vector<std::string>{""}));
}

// ---- the fast search against the line-by-line reading ----

// The quick look at the raw page runs 64 or 32 bytes at a time where the processor can, else 16;
// each width is held to the reference (a width the processor lacks runs the next narrower one).
class EveryScanWidth : public testing::TestWithParam<size_t> {
  protected:
    void SetUp() override { previous_ = tavrin::search::UseScanWidth(GetParam()); }
    void TearDown() override { tavrin::search::UseScanWidth(previous_); }

  private:
    size_t previous_ = 64;
};

INSTANTIATE_TEST_SUITE_P(SearchAgreesWithLineReading, EveryScanWidth, testing::Values(64, 32, 16),
                         [](const testing::TestParamInfo<size_t>& width) {
                             return "Width" + std::to_string(width.param);
                         });

TEST_P(EveryScanWidth, TextAtEveryPlaceOfALongPage) {
    // Texts whose second rarest byte stands before, after and on both sides of the rarest, whole and
    // split by a sequence, put at every position of a page longer than several blocks; the filler
    // holds the texts' bytes and 0xFF sequences whose byte before is and is not one of them.
    const std::string filler = "xqq" + Seq({0xFF, 0x13, 1}) + "xzx" + Seq({0xFF, 0x0A}) + "q{" +
                               Seq({0xFF, 0xF7, 1, 2, 3, 4}) + "Qx\x91\x92x";
    std::string base;
    while (base.size() < 150)
        base += filler;
    for (const std::string needle : {"zq", "qz", "qzq", "w", "Zq", "q\x91z"}) {
        for (size_t at = 0; at <= base.size(); ++at) {
            for (int split = 0; split < 2; ++split) {
                std::string page = base;
                page.insert(at, split && needle.size() > 1
                                    ? needle.substr(0, 1) + Seq({0xFF, 0x05, 9}) + needle.substr(1)
                                    : needle);
                for (int matchCase = 0; matchCase < 2; ++matchCase)
                    ASSERT_EQ(Search(needle, page, matchCase), Reference(needle, page, matchCase))
                        << testing::PrintToString(needle) << " at " << at << " split " << split;
            }
        }
    }
}

TEST_P(EveryScanWidth, OnRandomPages) {
    RandomPages random(20261206);
    ASSERT_TRUE(tavrin::search::ReserveScratch(kSearchBufferSize));
    int found = 0;
    for (int round = 0; round < 25000; ++round) {
        std::string page = random.Page();
        std::string needle = random.Needle(page);
        if (round % 3 == 0 && needle.size() >= 2) {
            // The text split by a sequence somewhere in the page: found only through the plain text.
            size_t cut = 1 + random.Below(static_cast<int>(needle.size()) - 1);
            size_t at = random.Below(static_cast<int>(page.size()) + 1);
            page.insert(at, needle.substr(0, cut) + random.Sequence() + needle.substr(cut));
        }
        for (int matchCase = 0; matchCase < 2; ++matchCase) {
            const int expected = Reference(needle, page, matchCase);
            found += expected;
            ASSERT_EQ(Search(needle, page, matchCase), expected)
                << "round " << round << " matchCase " << matchCase << " needle "
                << testing::PrintToString(needle) << " page " << testing::PrintToString(page);
        }
    }
    tavrin::search::ReleaseScratch();
    // Both answers must be common, or the comparison says little.
    EXPECT_GT(found, 12000);
    EXPECT_LT(found, 45000);
}

// Every page cut after every byte: no skip reads beyond the cut, and the answer is still the reading's.
TEST(SearchAgreesWithLineReading, PagesCutAtEveryByte) {
    RandomPages random(99);
    std::vector<std::string> pages = {
        "ab" + Seq({0xFF, 0x13, 0x20}) + "12345678zz]cd" + kBreak + "ef",
        Seq({0xFF, 0x19, 1}) + "image=tiger.png text=A cat" + Seq({0xFF, 0x1A}) + "end",
        Seq({0xFF, 0x19, 1}) + "image=lion",
        Seq({0xFF, 0x23, 0x60}) + "12345678]abcdefgh" + Seq({4, 0}) + "wxyzAB",
        Seq({0xFF, 0x21, 0x00}) + "1234567890123456]" + "AB" + Seq({0xFF, 0xF9, 0, 0x40}),
        "a\x82"};
    for (int k = 0; k < 200; ++k)
        pages.push_back(random.Page());
    for (const std::string& page : pages) {
        for (size_t cut = 0; cut <= page.size(); ++cut) {
            std::string part = page.substr(0, cut);
            for (const char* needle : {"A", "ab", "cat", "B"})
                for (int matchCase = 0; matchCase < 2; ++matchCase)
                    ASSERT_EQ(Search(needle, part, matchCase), Reference(needle, part, matchCase))
                        << testing::PrintToString(part) << " / " << needle;
        }
    }
}

} // namespace

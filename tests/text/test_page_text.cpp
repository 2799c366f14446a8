// The host's page text: a markup page read to its length (zero bytes are operands and line ends, not
// the page's end), checked on the sample books' real pages and on crafted ones; an HTML page's text
// with the markup characters' references and numeric references read once, in the book's code page.
#include "bookfmt/reader.h"
#include "codepage/code_page.h"
#include "navigation/search_text.h"
#include "navigation/page_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tavrin::HtmlPageText;
using tavrin::MarkupPageText;

std::string Markup(const std::string& page) {
    return MarkupPageText(reinterpret_cast<const unsigned char*>(page.data()), page.size());
}

std::string Html(const std::string& page, unsigned codePage = 1252) {
    return HtmlPageText(reinterpret_cast<const unsigned char*>(page.data()), page.size(), codePage);
}

std::string Big5(const std::string& utf8) {
    return tavrin::codepage::FromUtf8(utf8, 950);
}

std::vector<uint8_t> SamplePage(const std::string& book, uint32_t page) {
    auto opened = tavrin::book::Reader::Open(std::string(TAVRIN_SAMPLE_SHELF_DIR) + "/" + book);
    EXPECT_TRUE(opened.reader) << opened.error;
    if (!opened.reader) return {};
    std::string error;
    auto bytes = opened.reader->ReadPage(page, &error);
    EXPECT_TRUE(bytes) << error;
    return bytes ? *bytes : std::vector<uint8_t>{};
}

TEST(MarkupPageText, APoemPageThatStartsWithAFontSequenceIsReadWhole) {
    // The page starts with 0xFF 0x0D 1 0 0 0 0 0 0 0: its zero operands do not end the page.
    std::vector<uint8_t> page = SamplePage("tang-poems.ebd", 1);
    ASSERT_GT(page.size(), 10u);
    ASSERT_EQ(page[1], 0x0D);
    std::string text = MarkupPageText(page.data(), page.size());
    EXPECT_EQ(text.rfind(Big5("靜夜思\n李白\n\n床前明月光，\n"), 0), 0u) << text;
    EXPECT_NE(text.find(Big5("低頭思故鄉。\n月下思鄉圖")), std::string::npos) << "the picture's caption";
    EXPECT_EQ(text.find('\0'), std::string::npos) << "the page's closing zero is not text";
}

TEST(MarkupPageText, EveryLineOfEverySamplePageIsWhatTheSearchFinds) {
    for (const char* book : {"english-dict.ebd", "river-journey.ebd", "tang-poems.ebd"}) {
        auto opened = tavrin::book::Reader::Open(std::string(TAVRIN_SAMPLE_SHELF_DIR) + "/" + book);
        ASSERT_TRUE(opened.reader) << opened.error;
        for (uint32_t p = 0; p < opened.reader->PageCount(); ++p) {
            SCOPED_TRACE(std::string(book) + " page " + std::to_string(p));
            std::vector<uint8_t> page = SamplePage(book, p);
            std::string text = MarkupPageText(page.data(), page.size());
            EXPECT_FALSE(text.empty());
            EXPECT_LE(text.size(), page.size());
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);) {
                if (line.empty()) continue;
                EXPECT_EQ(SearchPageText(line.c_str(), page.data(), static_cast<unsigned>(page.size()), 1), 1)
                    << line;
            }
        }
    }
}

TEST(MarkupPageText, ZeroBytesEndALineNotThePage) {
    const std::string font = std::string("\xFF\x0D\x01\0\0\0\0\0\0\0", 10);
    EXPECT_EQ(Markup(font + "Title\xFF\x0A" + "body"), "Title\nbody");
    EXPECT_EQ(Markup(std::string("ab\0cd\xFF\x0A"
                                 "ef",
                                 9)),
              "ab\nef")
        << "the rest of a line after a zero";
    EXPECT_EQ(Markup(std::string("page\0", 5)), "page") << "the closing zero";
    EXPECT_EQ(
        Markup(std::string("\xFF\x23\x30", 3) + std::string(8, '\0') + std::string("\x02\0xy", 4) + "text"),
        "text");
    EXPECT_EQ(Markup("cut\xFF\x03short"), "cut") << "a sequence past the page's end ends it";
    EXPECT_EQ(Markup("\xA4\xFF\x0A"), "\xA4\xFF\x0A") << "a trail byte 0xFF is no sequence";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(HtmlPageText, SampleEbookPageAsTheDriverHandsItOver) {
    std::string page = ReadFile(TAVRIN_SOURCE_DIR "/samples/epub/garden-almanac/OPS/spring.xhtml");
    ASSERT_FALSE(page.empty());
    page += '\0'; // the driver's closing zero, counted in the page's size
    page += "<p>beyond the zero</p>";
    EXPECT_EQ(Html(page, 65001),
              "Spring\n"
              "Turn the beds once the soil crumbles in the hand instead of smearing. A cold "
              "frame gives lettuce a three-week start.\n"
              "Sowing peas\n"
              "Sow peas two fingers deep along a row of twiggy sticks; they climb whatever they "
              "touch first.");
}

TEST(HtmlPageText, MarkupCharacterReferencesAreReadOnce) {
    struct Case {
        const char* html;
        const char* text;
    } cases[] = {
        {"<p>&lt;b&gt; &amp; &quot;x&quot; &apos;y&apos;</p>", "<b> & \"x\" 'y'"},
        {"<p>&amp;lt; &amp;amp; &#38;gt;</p>", "&lt; &amp; &gt;"},
        {"<p>&#60;&#x3C;&#X3c;&#0062;</p>", "<<<>"},
        {"<p>&nbsp;&copy;&LT;</p>", "&nbsp;&copy;&LT;"},
        {"<p>&#;&#x;&#60 &#x3G; &</p>", "&#;&#x;&#60 &#x3G; &"},
        {"<p>a&#32;&#x9;&#10;b</p>", "a b"},
        {"<head><title>&lt;</title></head><p>x</p>", "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Html(c.html), c.text) << c.html;
}

TEST(HtmlPageText, NumericReferencesBecomeCharactersOfTheCodePage) {
    EXPECT_EQ(Html("<p>caf&#233;</p>", 1252), "caf\xE9");
    EXPECT_EQ(Html("<p>caf&#xE9;</p>", 65001), "caf\xC3\xA9");
    EXPECT_EQ(Html("<p>&#x4E2D;</p>", 950), "\xA4\xA4");
    EXPECT_EQ(Html("<p>&#20013;</p>", 936), "\xD6\xD0");
    EXPECT_EQ(Html("<p>&#x4E2D;</p>", 1252), "?") << "a character the code page lacks";
    // References to no character: U+FFFD, which an 8-bit code page lacks.
    for (const char* none : {"&#0;", "&#xD800;", "&#x110000;", "&#99999999999999;"}) {
        EXPECT_EQ(Html(std::string("<p>") + none + "</p>", 65001), "\xEF\xBF\xBD") << none;
        EXPECT_EQ(Html(std::string("<p>") + none + "</p>", 1252), "?") << none;
    }
}

} // namespace

// Settings pages of the system catalog: their exact bytes, reading them back, and the lookup rules of
// the shelf control that the builder checks its output against.
#include "support/book_test_support.h"

#include "bookfmt/settings.h"

#include <gtest/gtest.h>

namespace {

using namespace booktest;
namespace settings = tavrin::book::settings;

// A page whose settings text (from byte 56) is `text`, with lines separated by "|".
Bytes PageOf(const std::string& text, const std::string& prefix = std::string(56, '\0')) {
    std::string page = prefix;
    for (char c : text)
        page += c == '|' ? std::string("\xFF\x0A") : std::string(1, c);
    page += "\xFF\x06";
    page += '\0';
    return ToBytes(page);
}

TEST(SettingsPage, IsWrittenAfterByte56WithLineEndsAndATextEndAndParsesBack) {
    settings::Text text{{"CONFIG", {{"ID", "5"}, {"TEXTCOLOR", "255 0 0"}}}, {"BOOKS", {{"abc.ebd", "1"}}}};
    Bytes page = settings::FormatPage(text);
    const std::string body = "[CONFIG]\xFF\x0AID=5\xFF\x0ATEXTCOLOR=255 0 0\xFF\x0A[BOOKS]\xFF\x0A"
                             "abc.ebd=1\xFF\x0A\xFF\x06";
    ASSERT_EQ(page.size(), 56 + body.size() + 1);
    EXPECT_EQ(ToString(page).substr(0, 4), "TVSC");
    EXPECT_EQ(tavrin::book::LoadU32(page, 8), body.size());
    EXPECT_EQ(ToString(page).substr(56, body.size()), body);
    EXPECT_EQ(page.back(), 0);
    EXPECT_EQ(ToString(page).find('[', 0), 56u); // nothing before byte 56 looks like a section

    text = {{"CONFIG", {{"ID", "65535"}, {"RID", "0"}}}, {"BOOKS", {{"a.ebd", "0"}, {"b.ebd", "1"}}}};
    settings::Text back = settings::ParsePage(settings::FormatPage(text));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].name, "BOOKS");
    ASSERT_EQ(back[1].lines.size(), 2u);
    EXPECT_EQ(back[1].lines[1].key, "b.ebd");
    EXPECT_EQ(back[1].lines[1].value, "1");
    EXPECT_EQ(settings::Find(back, "config", "rid"), "0");
    EXPECT_FALSE(settings::Find(back, "CONFIG", "R"));

    // Values may hold brackets without opening a section.
    text = {{"DESCURL", {{"LOCAL", "http://[::1]/desc.html"}, {"NEXT", "x"}}}};
    ASSERT_EQ(settings::Check(text), "");
    back = settings::ParsePage(settings::FormatPage(text));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(settings::Find(back, "DESCURL", "LOCAL"), "http://[::1]/desc.html");
    EXPECT_EQ(settings::Find(back, "DESCURL", "NEXT"), "x");
}

// The text runs from byte 56 to the end sequence: nothing before or after it is read.
TEST(SettingsPage, OnlyTheTextFromByte56ToTheEndSequenceIsRead) {
    Bytes page = PageOf("[CONFIG]|ID=7", "[BOOKS]|ID=1" + std::string(44, ' '));
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "ID"), "7");
    EXPECT_EQ(settings::Find(settings::ParsePage(page), "BOOKS", "ID"), std::nullopt);
    Bytes shortPage = ToBytes("[CONFIG]\xFF\x0AID=1\xFF\x06");
    EXPECT_EQ(settings::ShelfLookup(shortPage, "CONFIG", "ID"), std::nullopt);
    EXPECT_TRUE(settings::ParsePage(shortPage).empty());

    Bytes more = PageOf("[CONFIG]|ID=1");
    more.pop_back();
    for (char c : std::string("|RID=x"))
        more.push_back(static_cast<uint8_t>(c == '|' ? 0xFF : c));
    EXPECT_EQ(settings::ShelfLookup(more, "CONFIG", "RID"), std::nullopt);
}

// Keys match by prefix without case; the value is everything after the first "=".
TEST(ShelfLookup, KeysAndValues) {
    Bytes page = PageOf("[CONFIG]|IDB=1 2 3 4|ID=5");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "ID"), "1 2 3 4"); // the control's prefix match
    EXPECT_EQ(settings::ShelfLookup(page, "config", "idb"), "1 2 3 4");
    EXPECT_EQ(settings::ShelfLookup(PageOf("[CONFIG]|ID=5|IDB=1 2 3 4"), "CONFIG", "ID"), "5");
    page = PageOf("[CONFIG]|RID=a=b c|NOEQUALS|X=");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "RID"), "a=b c");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "NOEQUALS"), std::nullopt);
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "X"), "");
}

// A section opens by a prefix of the text after a line's first "[", in any case, and later
// sections do not end it.
TEST(ShelfLookup, Sections) {
    Bytes page = PageOf("[config]|ID=3|[BOOKS]|RID=later");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "ID"), "3");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "RID"), "later");
    EXPECT_EQ(settings::ShelfLookup(page, "BOOKS", "ID"), std::nullopt);
    page = PageOf("[CONFIGURATION]|ID=9");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "ID"), "9");
    EXPECT_EQ(settings::ShelfLookup(PageOf("[BOOKS]|ID=9"), "CONFIG", "ID"), std::nullopt);
    // Only the text after the first "[" of a line counts.
    EXPECT_EQ(settings::ShelfLookup(PageOf("[BOOKS] [CONFIG]|ID=2"), "CONFIG", "ID"), std::nullopt);
    EXPECT_EQ(settings::ShelfLookup(PageOf("x [CONFIG]|ID=2"), "CONFIG", "ID"), "2");
}

TEST(SettingsCheck, RefusesWhatWouldBreakLinesOrSectionsAndSaysWhich) {
    EXPECT_EQ(settings::Check({{"CONFIG", {{"ID", "1"}}}}), "");
    const struct {
        settings::Text text;
        const char* says;
    } cases[] = {
        {{{"CONFIG",
           {{"ID", "a\xFF"
                   "b"}}}},
         "the value of ID may not hold a line end"},
        {{{"CONFIG", {{"ID", "a\rb"}}}}, "the value of ID may not hold a line end"},
        {{{"CONFIG", {{"I=D", "1"}}}}, "the key \"I=D\" may not be empty or hold [, ], ="},
        {{{"CON]FIG", {}}}, "the section name \"CON]FIG\" may not be empty"},
        {{{"CONFIG", {{"", "1"}}}}, "the key \"\" may not be empty"},
    };
    for (const auto& c : cases) {
        const std::string said = settings::Check(c.text);
        EXPECT_NE(said.find(c.says), std::string::npos) << c.says << ": " << said;
    }
}

} // namespace

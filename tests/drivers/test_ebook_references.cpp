// HTML's character references in the pages the driver hands over: named (the whole HTML5 table, with
// the legacy names that stand without ";"), decimal and hexadecimal, by HTML's rules for numbers that
// are not characters; what is no reference stays as written; the page stays well-formed (markup
// characters, tags, comments, CDATA, script and style are left as they are); and the text of the page
// the driver hands over (what the search matches) is the decoded one.
#include "ebook/html_references.h"
#include "epub_fixtures/ebook_driver.h"

namespace {

using tavrin::ebook::DecodeCharacterReferences;

TEST(EbookReferences, NamedAndNumericReferencesAreDecoded) {
    const std::pair<const char*, const char*> cases[] = {
        {"caf&eacute;", "caf\xC3\xA9"},
        {"caf&eacute", "caf\xC3\xA9"}, // a legacy name needs no ";"
        {"&#233;&#xE9;&#XE9;&#233", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"},
        {"&#187; &#xBB; &raquo;", "\xC2\xBB \xC2\xBB \xC2\xBB"},
        {"&#x1F4DA;", "\xF0\x9F\x93\x9A"},
        {"&notin; &notit;", "\xE2\x88\x89 \xC2\xACit;"}, // the longest name the text begins with
        {"&CounterClockwiseContourIntegral;", "\xE2\x88\xB3"},
        {"&acE;", "\xE2\x88\xBE\xCC\xB3"}, // two characters
        {"&nbsp;&NotNestedGreaterGreater;", "\xC2\xA0\xE2\xAA\xA2\xCC\xB8"},
        // Numbers that are no characters, by HTML's rules.
        {"&#0;", "\xEF\xBF\xBD"},
        {"&#xD800;", "\xEF\xBF\xBD"},
        {"&#x110000;&#99999999999999999999;", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"&#128;&#x9F;", "\xE2\x82\xAC\xC5\xB8"}, // 0x80-0x9F read as Windows-1252
        {"&#x81;", "\xC2\x81"},                   // ... where it has no character, the number itself
    };
    for (const auto& [page, text] : cases)
        EXPECT_EQ(DecodeCharacterReferences(page), text) << page;
}

TEST(EbookReferences, WhatIsNoReferenceOrWouldBreakThePageStaysAsWritten) {
    const char* unchanged[] = {
        "fish & chips",
        "&;",
        "&#;",
        "&#x;",
        "&#xZ1;",
        "&unknown;",
        "&zzzz",
        "AT&T",
        "&",
        "a < b",
        "&amp &lt",
        // Markup characters keep their references, in every form.
        "&lt;&gt;&amp;&quot;&apos;",
        "&#60;&#x3C;&#38;&#x22;&#39;",
        "&AMP;&LT;",
        // ... and so do texts that hold one.
        "&nvlt;&nvgt;",
        // Characters an XML page may not hold.
        "&#1;&#x1F;&#xFFFE;&#xFFFF;",
        "a > b",
    };
    for (const char* page : unchanged)
        EXPECT_EQ(DecodeCharacterReferences(page), page) << page;
    EXPECT_EQ(DecodeCharacterReferences("&#1;&eacute;"), "&#1;\xC3\xA9");
}

TEST(EbookReferences, DecodedCharactersNeverMakeANewReferenceOrTag) {
    // Each page means, and shows, the same after decoding; decoding again changes nothing.
    const std::pair<const char*, const char*> cases[] = {
        {"&&#x6C;t;", "&amp;lt;"},       // "&" then "lt;", not "<"
        {"&eacut&#101;", "&amp;eacute"}, // not "é"
        {"&#1&#51;", "&#1;3"},           // not "&#13"
        {"<&#89;>", "&lt;Y>"},           // not a tag
        {"&amp&#x3B;", "&amp;;"},        // "&" then ";"
        {"</&#x61;>", "&lt;/a>"},        // not an end tag
        {"<<<&#x61;", "<<&lt;a"},
        {"<&#47;m>", "&lt;/m>"},
        {"<&#33;-- x -->", "&lt;!-- x -->"},
        {"&e&#x61;cute;", "&amp;eacute;"},
        {"AT&T &eacute;", "AT&T \xC3\xA9"}, // a plain "&" elsewhere stays as written
        {"<<<&", "<<<&"},
    };
    for (const auto& [page, text] : cases) {
        std::string once = DecodeCharacterReferences(page);
        EXPECT_EQ(once, text) << page;
        EXPECT_EQ(DecodeCharacterReferences(once), once) << page;
    }
}

TEST(EbookReferences, OnlyTextIsDecodedNotMarkupCodeOrData) {
    const char* unchanged[] = {
        "<a title=\"&eacute;\" href='x?a=1&amp;b=&eacute;'>",
        "<a title='x>&eacute;'>",
        "<!-- &eacute; -->",
        "<![CDATA[&eacute; <b>]]>",
        "<?pi &eacute;?>",
        "<!DOCTYPE x [<!ENTITY e \"&#233;\">]>",
        "<script>if (a &lt; b &amp;&amp; c) x = '&eacute;';</script>",
        "<style>p::after { content: \"&raquo;\" }</style>",
        "<SCRIPT type=\"x\">&eacute;</SCRIPT>",
        "<script>&eacute;", // never closed: code to the end
    };
    for (const char* page : unchanged)
        EXPECT_EQ(DecodeCharacterReferences(page), page) << page;
    EXPECT_EQ(DecodeCharacterReferences("<p class=\"&eacute;\">&eacute;</p><!--&eacute;-->&eacute;"),
              "<p class=\"&eacute;\">\xC3\xA9</p><!--&eacute;-->\xC3\xA9");
    // A script without content, and elements whose names only begin like script or style.
    EXPECT_EQ(DecodeCharacterReferences(
                  "<script src=\"a.js\"/>&eacute;<scripts>&eacute;</scripts><styled>&eacute;"),
              "<script src=\"a.js\"/>\xC3\xA9<scripts>\xC3\xA9</scripts><styled>\xC3\xA9");
    EXPECT_EQ(DecodeCharacterReferences("<script>x</script>&eacute;<style>&amp;</style>&raquo;"),
              "<script>x</script>\xC3\xA9<style>&amp;</style>\xC2\xBB");
    EXPECT_EQ(DecodeCharacterReferences("a < b &eacute; <3 &eacute;"), "a < b \xC3\xA9 <3 \xC3\xA9");
}

// The texts between the tags of a page, joined: what the full-text search matches.
std::string TagTexts(const std::string& page) {
    std::string text;
    bool inTag = false;
    for (char c : page) {
        if (c == '<') inTag = true;
        if (!inTag && c != '\0') text.push_back(c);
        if (c == '>') inTag = false;
    }
    return text;
}

class EbookReferencePages : public epubtest::EbookDriverTest {};

TEST_F(EbookReferencePages, ThePageTheDriverHandsOverHoldsTheDecodedText) {
    epubtest::BookSpec spec;
    spec.title = "References";
    spec.uid = "urn:test:references";
    spec.filler = "<p title=\"&raquo;\">Caf&eacute; &#187; cr&#xE8;me &amp; more&hellip;</p>"
                  "<p>&#60;tag&#62; &unknown; &#1;</p>";
    ASSERT_EQ(Add(Book("r.epub", epubtest::Epub3(spec))), 1);
    CBI_HBOOK book = Open(1);
    int32_t size = cbi_->CBIGetPageSize(book, 0);
    std::string page(static_cast<size_t>(size), '\0');
    ASSERT_EQ(cbi_->CBIGetPage(book, 0, reinterpret_cast<unsigned char*>(page.data()), size), size);
    EXPECT_EQ(page.back(), '\0');
    EXPECT_NE(page.find("<p title=\"&raquo;\">"), std::string::npos) << page;
    const std::string text = TagTexts(page);
    EXPECT_NE(text.find("Caf\xC3\xA9 \xC2\xBB cr\xC3\xA8me &amp; more\xE2\x80\xA6"), std::string::npos)
        << text;
    EXPECT_NE(text.find("&#60;tag&#62; &unknown; &#1;"), std::string::npos) << text;
    EXPECT_EQ(text.find("&eacute;"), std::string::npos) << text;
    cbi_->CBICloseBook(book);
}

} // namespace

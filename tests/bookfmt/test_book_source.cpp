// Book sources: what the builder makes of them, and the errors it reports with their places.
#include "support/book_test_support.h"

#include "bookc/book_source.h"
#include "bookc/build.h"

#include <gtest/gtest.h>

namespace {

using tavrin::bookc::ParseBookSource;

tavrin::book::BookModel Build(const std::string& source) {
    auto result = ParseBookSource(source, "test.book");
    EXPECT_TRUE(result.book) << result.error;
    return result.book ? *result.book : tavrin::book::BookModel{};
}

// The error of a source in memory; the builder that reads the source from a file line by line (in
// blocks of one byte and of many) must report the same error at the same place, and leave no file.
std::string ErrorOf(const std::string& source) {
    auto result = ParseBookSource(source, "test.book");
    EXPECT_FALSE(result.book) << "built although it should fail:\n" << source;
    booktest::TempFolder dir;
    const std::string path = dir.Write("test.book", source);
    for (size_t block : {1, 4096}) {
        EXPECT_EQ(tavrin::bookc::BuildFile(path, dir.File("test.ebd"), {block, 7}),
                  dir.Path() + "/" + result.error)
            << "blocks of " << block;
        EXPECT_EQ(booktest::FilesIn(dir), 1u); // the source
    }
    return result.error;
}

const std::string kHead = "tavrin-book 1\nname 3 \"Test\"\n";

TEST(BookSource, IdentityStatements) {
    auto book = Build("tavrin-book 1\n"
                      "# a comment\n"
                      "codepage 950\n"
                      "serial 0x00A1B2C3\n"
                      "number \"NO-1\"   # trailing comment\n"
                      "name 3 \"Poems\"\n"
                      "name 1028 \"唐詩\"\n"
                      "class 0x0010\n"
                      "dict low=0x01 high=2 class=3\n");
    EXPECT_EQ(book.codePage, 950);
    EXPECT_EQ(book.serial, 0x00A1B2C3u);
    EXPECT_EQ(book.number, "NO-1");
    ASSERT_EQ(book.names.size(), 2u);
    EXPECT_EQ(book.names[1].locale, 1028);
    EXPECT_EQ(book.names[1].text, "\xAD\xF0\xB8\xD6"); // Big5
    EXPECT_EQ(book.bookClass, 0x0010);
    ASSERT_TRUE(book.dict);
    EXPECT_EQ(book.dict->idLow, 1);
    EXPECT_EQ(book.dict->idHigh, 2);
    EXPECT_EQ(book.dict->classNo, 3);
    EXPECT_FALSE(book.hasContents);
}

TEST(BookSource, ContentsTreeLinksPagesByLabel) {
    auto book = Build(kHead + "contents {\n"
                              "    \"One\" -> first {\n"
                              "        \"One.A\" -> second\n"
                              "        \"One.B\"\n"
                              "    }\n"
                              "    \"Two\" -> first\n"
                              "}\n"
                              "page first\nhello\nendpage\n"
                              "page second\nworld\nendpage\n");
    ASSERT_EQ(book.root.children.size(), 2u);
    EXPECT_EQ(book.root.children[0].text, "One");
    EXPECT_EQ(book.root.children[0].page, 0);
    ASSERT_EQ(book.root.children[0].children.size(), 2u);
    EXPECT_EQ(book.root.children[0].children[0].page, 1);
    EXPECT_EQ(book.root.children[0].children[1].page, -1);
    EXPECT_EQ(book.root.children[1].page, 0);
    EXPECT_EQ(book.caps, tavrin::book::kCapContents); // contents given, caps not: the contents bit
    EXPECT_TRUE(book.hasContents);
}

// Page lines become line breaks and the markup is compiled; control-sequence operands may be strings
// and sixteen-bit counts.
TEST(BookSource, PageLinesBecomeLineBreaksAndTheMarkupIsCompiled) {
    auto book = Build(kHead + "page p\n"
                              "first line\n"
                              "joined \\\n"
                              "here{br}next\n"
                              "\n"
                              "{ctl 0xF7 1 2 3 4}x\\{y\\}\\\\z\\x41\n"
                              "{object image=\"a.png\" text=\"Cap\"}{object text=\"Only\"}\n"
                              "{}endpage\n"
                              "endpage\n");
    ASSERT_EQ(book.pages.size(), 1u);
    const std::string want = std::string("first line\xFF\x0A") + "joined here\xFF\x0Anext\xFF\x0A" +
                             "\xFF\x0A" + "\xFF\xF7\x01\x02\x03\x04x{y}\\zA\xFF\x0A" +
                             "\xFF\x19\x01image=a.png text=Cap\xFF\x1A\xFF\x19\x02text=Only\xFF\x1A\xFF\x0A" +
                             "endpage" + std::string(1, '\0');
    EXPECT_EQ(book.pages[0], want);

    book = Build(kHead + "page p\n"
                         "{ctl 0x13 0x20 0 0 0 0 0 0 0 0 \"see]\"}after\n"
                         "{ctl 0x23 0x30 0 0 0 0 0 0 0 0 u16:2 9 9}\n"
                         "endpage\n");
    EXPECT_EQ(book.pages[0], std::string("\xFF\x13\x20", 3) + std::string(8, '\0') + "see]after\xFF\x0A" +
                                 std::string("\xFF\x23\x30", 3) + std::string(8, '\0') +
                                 std::string("\x02\x00\x09\x09", 4) + std::string(1, '\0'));
}

TEST(BookSource, TwoByteTextIsConvertedToTheCodePage) {
    auto big5 = Build("tavrin-book 1\ncodepage 950\nname 3 \"x\"\ncontents {\n \"目錄頁\" -> p\n}\npage "
                      "p\n春曉\nendpage\n");
    EXPECT_EQ(big5.root.children[0].text, "\xA5\xD8\xBF\xFD\xAD\xB6"); // the contents-page name
    EXPECT_EQ(big5.pages[0], std::string("\xAC\x4B\xBE\xE5") + '\0');
    auto gbk = Build("tavrin-book 1\ncodepage 936\nname 3 \"x\"\npage p\n春晓\nendpage\n");
    EXPECT_EQ(gbk.pages[0], std::string("\xB4\xBA\xCF\xFE") + '\0');
    auto western = Build("tavrin-book 1\ncodepage 1252\nname 3 \"Café\"\n");
    EXPECT_EQ(western.names[0].text, "Caf\xE9");
    auto raw = Build("tavrin-book 1\nname 3 \"\\xA4\\x40 raw\"\n"); // no code page: escapes for bytes
    EXPECT_EQ(raw.names[0].text, "\xA4\x40 raw");
}

struct ErrorCase {
    std::string source;
    const char* place;
    const char* says;
};

TEST(BookSource, ErrorsNameTheirLineAndColumn) {
    const ErrorCase cases[] = {
        {"tavrin-bok 1\n", "test.book:1:1:", "begins with the line \"tavrin-book 1\""},
        {kHead + "colour red\n", "test.book:3:1:", "unknown statement \"colour\""},
        {kHead + "serial 0x1FFFFFFFF\n", "test.book:3:8:", "the serial must be a number"},
        {kHead + "serial twelve\n", "test.book:3:8:", "not \"twelve\""},
        {kHead + "number \"unterminated\n", "test.book:3:8:", "not closed"},
        {kHead + "number \"bad \\q escape\"\n", "test.book:3:13:", "unknown escape \\q"},
        {kHead + "name 3 \"again\"\n", "test.book:3:6:", "a second name for locale 3"},
        {"tavrin-book 1\nname 3 \"x\"\ncodepage 950\n", "test.book:3:1:", "before the first text"},
        {"tavrin-book 1\ncodepage 437\n", "test.book:2:10:", "unknown code page 437"},
        {"tavrin-book 1\ncodepage 950\nname 3 \"Ελληνικά\"\n",
         "test.book:3:8:", "cannot be written in code page 950"},
        {"tavrin-book 1\nname 3 \"é\"\n", "test.book:2:8:", "a book without a code page"},
        {kHead + "class ebook extra\n", "test.book:3:13:", "unexpected \"extra\""},
        {kHead + "class 0x0010\n", "test.book:3:7:", "needs a dict line"},
        {kHead + "dict low=1 high=2\n", "test.book:3:1:", "only for dictionaries"},
        {kHead + "dict low=1\n", "test.book:3:1:", "needs low= and high="},
        {kHead + "caps contents sparkly\n", "test.book:3:15:", "unknown capability \"sparkly\""},
        {kHead + "caps shared-html\n", "test.book:3:6:", "not for books of this format"},
        {kHead + "contents {\n  \"a\" -> nowhere\n}\n", "test.book:4:10:", "no page is labelled \"nowhere\""},
        {kHead + "contents {\n  \"a\"\n", "test.book:5:", "not closed by }"},
        {kHead + "contents {\n  chapter\n}\n", "test.book:4:3:", "expected a contents entry in quotes"},
        {kHead + "contents {\n  \"" + std::string(228, 'x') + "\"\n}\n", "test.book:4:3:", "at most 227"},
        {kHead + "page p\ntext\n", "test.book:3:1:", "not closed by a line \"endpage\""},
        // A page that is not closed is reported as such, whatever its lines hold.
        {kHead + "page p\n{ctl 3 1}\n", "test.book:3:1:", "not closed by a line \"endpage\""},
        {kHead + "page p\nendpage\npage p\nendpage\n", "test.book:5:6:", "a second page labelled \"p\""},
        {kHead + "page p\nfine\nthen {ctl 3 1 2}\nendpage\n",
         "test.book:5:6:", "takes 20 operand bytes here, not 2"},
        {kHead + "page p\n{ctl 0x13 0x20 0 0 0 0 0 0 0 0 \"no bracket\"}\nendpage\n",
         "test.book:4:1:", "needs more operands"},
        {kHead + "page p\n{ctl 0x23 0x10 0 0 0 0 0 0 0 0}\nendpage\n",
         "test.book:4:1:", "must carry its length"},
        {kHead + "page p\n{ctl 0x19}\nendpage\n", "test.book:4:6:", "with {object"},
        {kHead + "page p\n{ctl 3 256}\nendpage\n",
         "test.book:4:8:", "an operand byte must be a number from 0 to 255"},
        {kHead + "page p\n{shout}\nendpage\n", "test.book:4:2:", "unknown construct {shout}"},
        {kHead + "page p\nan {unclosed construct\nendpage\n", "test.book:4:4:", "not closed by }"},
        {kHead + "page p\nstray } brace\nendpage\n", "test.book:4:7:", "without its {"},
        {kHead + "page p\nbad \\q\nendpage\n", "test.book:4:5:", "unknown escape \\q"},
        {kHead + "page p\n{object image=\"two words.png\" text=\"x\"}\nendpage\n",
         "test.book:4:1:", "may not be empty or hold blanks"},
        {kHead + "page p\n{object colour=\"red\"}\nendpage\n", "test.book:4:9:", "no attribute \"colour\""},
        {"tavrin-book 1\ncodepage 1252\nname 3 \"x\"\npage p\nfirst\ncafé\nlast\nendpage\n",
         "test.book:6:", "would swallow the 0xFF"},
        {"tavrin-book 1\ncodepage 1252\nname 3 \"x\"\npage p\nfirst\ncafé\nendpage\n",
         "test.book:6:", "ends in the middle of a two-byte character"},
        {"tavrin-book 1\n", "test.book:2:", "the book has no name"},
    };
    for (const ErrorCase& c : cases) {
        std::string error = ErrorOf(c.source);
        EXPECT_EQ(error.rfind(c.place, 0), 0u) << "wanted " << c.place << " got: " << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << "wanted \"" << c.says << "\" got: " << error;
    }
}

TEST(BookSource, DeepContentsAreRefusedNotOverflowed) {
    std::string source = kHead + "contents {\n";
    for (int i = 0; i < 300; ++i)
        source += "\"e\" {\n";
    std::string error = ErrorOf(source);
    EXPECT_NE(error.find("nested deeper than 256"), std::string::npos) << error;
}

TEST(BookSource, WindowsLineEndsAndAByteOrderMarkAreAccepted) {
    auto book = Build("\xEF\xBB\xBFtavrin-book 1\r\nname 3 \"x\"\r\npage p\r\na\r\nb\r\nendpage\r\n");
    EXPECT_EQ(book.pages[0], std::string("a\xFF\x0A"
                                         "b") +
                                 '\0');
}

} // namespace

// Writer to reader: everything a book model holds comes back, contents navigate as a tree, pages are
// read on demand, and the writer refuses models the format cannot hold.
#include "support/book_test_support.h"

#include "bookfmt/reader.h"
#include "bookfmt/writer.h"

#include <gtest/gtest.h>

namespace {

using namespace booktest;
using tavrin::book::BookKind;
using tavrin::book::ContentsNode;
using tavrin::book::Reader;

std::unique_ptr<Reader> Open(const BookModel& book) {
    auto opened = Reader::OpenBytes(Serialized(book));
    EXPECT_TRUE(opened) << opened.error;
    return std::move(opened.reader);
}

std::string PageText(const Reader& r, uint32_t page) {
    std::string error;
    auto bytes = r.ReadPage(page, &error);
    EXPECT_TRUE(bytes) << error;
    return bytes ? ToString(*bytes) : std::string();
}

TEST(RoundTrip, IdentityKindNamesAndDictionaryComeBackAndTheirAbsence) {
    BookModel book = SmallBook();
    book.bookClass = 0x0010;
    book.caps = tavrin::book::kCapContents | tavrin::book::kCapHideContentsPage;
    book.dict = tavrin::book::DictAttributes{0x01, 0x02, 3};
    auto r = Open(book);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Kind(), BookKind::Book);
    EXPECT_EQ(r->Serial(), 0x2Fu);
    ASSERT_TRUE(r->Number());
    EXPECT_EQ(*r->Number(), "TEST-0001");
    EXPECT_EQ(r->BookClass(), 0x0010);
    EXPECT_EQ(r->Caps(), 0x0180);
    EXPECT_EQ(r->CodePage(), 950);
    ASSERT_TRUE(r->Dict());
    EXPECT_EQ(r->Dict()->idLow, 0x01);
    EXPECT_EQ(r->Dict()->idHigh, 0x02);
    EXPECT_EQ(r->Dict()->classNo, 3);
    ASSERT_EQ(r->NameCount(), 3u);
    EXPECT_EQ(r->NameAt(1).locale, 1028);
    EXPECT_EQ(r->NameAt(1).text, "\xA4\x70\xAE\xD1");

    book = SmallBook();
    book.number.reset();
    book.kind = BookKind::ShelfCatalog;
    r = Open(book);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->Number());
    EXPECT_FALSE(r->Dict());
    EXPECT_EQ(r->Kind(), BookKind::ShelfCatalog);
}

TEST(RoundTrip, NameForALocaleFallsBackToTheSameLanguageThenToTheFirstName) {
    BookModel book = SmallBook();
    book.names = {{3, "Default"}, {0x0404, "Traditional"}, {0x0409, "English"}};
    auto r = Open(book);
    ASSERT_TRUE(r);
    EXPECT_EQ(*r->NameFor(0x0409), "English");
    EXPECT_EQ(*r->NameFor(3), "Default");
    EXPECT_EQ(*r->NameFor(0x0C04), "Traditional"); // another Chinese locale: same primary language
    EXPECT_EQ(*r->NameFor(0x0809), "English");     // English (UK)
    EXPECT_EQ(*r->NameFor(7), "Default");
    EXPECT_EQ(*r->NameFor(0x0407), "Default"); // German: no name of that language

    book.names.clear();
    auto unnamed = Open(book);
    ASSERT_TRUE(unnamed);
    EXPECT_FALSE(unnamed->NameFor(3));
}

TEST(RoundTrip, ContentsAreATreeInPreOrderWithParentsAndPagesOrNone) {
    auto r = Open(SmallBook());
    ASSERT_TRUE(r);
    ASSERT_EQ(r->EntryCount(), 7u);
    // root(0): Preface(1), Volume 1(2) [Chapter 1(3) [Section 1.1(4), Section 1.2(5)]], Appendix(6)
    EXPECT_EQ(r->Parent(0), Reader::kNone);
    EXPECT_EQ(r->FirstChild(0), 1u);
    EXPECT_EQ(r->NextSibling(1), 2u);
    EXPECT_EQ(r->NextSibling(2), 6u);
    EXPECT_EQ(r->NextSibling(6), Reader::kNone);
    EXPECT_EQ(r->FirstChild(2), 3u);
    EXPECT_EQ(r->FirstChild(3), 4u);
    EXPECT_EQ(r->NextSibling(4), 5u);
    EXPECT_EQ(r->NextSibling(5), Reader::kNone);
    EXPECT_EQ(r->FirstChild(5), Reader::kNone);
    EXPECT_EQ(r->Parent(5), 3u);
    EXPECT_EQ(r->Parent(3), 2u);
    EXPECT_EQ(r->Parent(1), 0u);
    EXPECT_EQ(r->EntryText(3), "Chapter 1");
    EXPECT_EQ(r->EntryPage(2), -1);
    EXPECT_EQ(r->EntryPage(5), 2);
    // Out of range asks are answered, not trusted.
    EXPECT_EQ(r->FirstChild(7), Reader::kNone);
    EXPECT_EQ(r->EntryText(1000), "");
    EXPECT_EQ(r->EntryPage(0xFFFFFFFF), -1);

    BookModel book;
    book.names = {{3, "Empty"}};
    book.hasContents = false;
    auto empty = Open(book);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->EntryCount(), 0u);
    EXPECT_EQ(empty->PageCount(), 0u);
    EXPECT_EQ(empty->FirstChild(0), Reader::kNone);
}

TEST(RoundTrip, PageHolderIsTheDeepestEntryAtOrBeforeThePage) {
    BookModel book = SmallBook();
    book.pages.push_back("unlisted page after the appendix");
    book.root.children.front().page = 1; // Preface now starts at page 1: page 0 has no holder
    auto r = Open(book);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->PageEntry(0), Reader::kNone);
    EXPECT_EQ(r->PageEntry(1), 4u); // Preface, Chapter 1 and Section 1.1 share page 1: the deepest wins
    EXPECT_EQ(r->PageEntry(2), 5u);
    EXPECT_EQ(r->PageEntry(3), 6u);
    EXPECT_EQ(r->PageEntry(4), 6u); // a page no entry names belongs to the entry before it
    EXPECT_EQ(r->PageEntry(5), Reader::kNone);
}

TEST(RoundTrip, PagesComeBackByteForByte) {
    BookModel book = SmallBook();
    auto r = Open(book);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->PageCount(), 4u);
    for (uint32_t p = 0; p < 4; ++p) {
        EXPECT_EQ(r->PageLength(p), book.pages[p].size());
        EXPECT_EQ(PageText(*r, p), book.pages[p]) << "page " << p;
    }
    std::string error;
    EXPECT_FALSE(r->ReadPage(4, &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    Bytes wrongSize(3);
    EXPECT_FALSE(r->ReadPage(0, wrongSize, &error));
    EXPECT_EQ(r->PageLength(4), 0u);
}

TEST(RoundTrip, WrittenFileOpensFromDiskAndLeavesNoTemporaryFile) {
    TempFolder dir;
    std::string path = dir.File("small.ebd");
    std::string error;
    ASSERT_TRUE(tavrin::book::WriteBookFile(SmallBook(), path, &error)) << error;
    auto opened = Reader::Open(path);
    ASSERT_TRUE(opened) << opened.error;
    EXPECT_EQ(PageText(*opened.reader, 1), SmallBook().pages[1]);
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_EQ(ReadFile(path), Serialized(SmallBook()));
}

TEST(RoundTrip, DeepAndWideContentsSurvive) {
    BookModel book;
    book.names = {{3, "Deep"}};
    book.pages = {"p"};
    ContentsNode* node = &book.root;
    for (int depth = 0; depth < 5000; ++depth) { // deeper than any recursion could go
        node->children.push_back(ContentsNode{"level " + std::to_string(depth), 0, {}});
        node = &node->children.back();
    }
    auto r = Open(book);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->EntryCount(), 5001u);
    EXPECT_EQ(r->EntryText(5000), "level 4999");
    EXPECT_EQ(r->Parent(5000), 4999u);
}

TEST(RoundTrip, LargeBookOpensWithAHundredThousandEntries) {
    BookModel book;
    book.names = {{3, "Large"}};
    const int chapters = 1000, sections = 100;
    for (int c = 0; c < chapters; ++c) {
        ContentsNode chapter{"Chapter " + std::to_string(c), static_cast<int32_t>(book.pages.size()), {}};
        for (int s = 0; s < sections; ++s) {
            chapter.children.push_back(
                ContentsNode{"Section " + std::to_string(s), static_cast<int32_t>(book.pages.size()), {}});
            book.pages.push_back("page " + std::to_string(book.pages.size()));
        }
        book.root.children.push_back(std::move(chapter));
    }
    TempFolder dir;
    std::string error;
    ASSERT_TRUE(tavrin::book::WriteBookFile(book, dir.File("large.ebd"), &error)) << error;
    auto opened = Reader::Open(dir.File("large.ebd"));
    ASSERT_TRUE(opened) << opened.error;
    const Reader& r = *opened.reader;
    EXPECT_EQ(r.EntryCount(), 1u + chapters + chapters * sections);
    EXPECT_EQ(r.PageCount(), static_cast<uint32_t>(chapters * sections));
    uint32_t last = r.FirstChild(0);
    while (r.NextSibling(last) != Reader::kNone)
        last = r.NextSibling(last);
    EXPECT_EQ(r.EntryText(last), "Chapter 999");
    EXPECT_EQ(r.EntryText(r.PageEntry(99999)), "Section 99");
    EXPECT_EQ(PageText(r, 54321), "page 54321");
}

struct Refusal {
    const char* name;
    void (*spoil)(BookModel&);
    const char* says;
};

TEST(RoundTrip, WriterRefusesWhatTheFormatCannotHold) {
    const Refusal cases[] = {
        {"entry text of 228 bytes", [](BookModel& b) { b.root.children[0].text.assign(228, 'x'); },
         "longer than 227"},
        {"entry leads to a missing page", [](BookModel& b) { b.root.children[2].page = 4; }, "does not have"},
        {"entry page below -1", [](BookModel& b) { b.root.children[2].page = -2; }, "does not have"},
        {"two names for one locale",
         [](BookModel& b) {
             b.names.push_back({3, "again"});
         },
         "two names"},
        {"name of 255 bytes", [](BookModel& b) { b.names[0].text.assign(255, 'n'); }, "254"},
        {"empty book number", [](BookModel& b) { b.number = ""; }, "empty"},
        {"book number of 256 bytes", [](BookModel& b) { b.number = std::string(256, '1'); }, "255"},
        {"zero byte in a name", [](BookModel& b) { b.names[0].text = std::string("a\0b", 3); }, "zero byte"},
        {"reserved caps bit", [](BookModel& b) { b.caps |= 0x0001; }, "reserved"},
    };
    for (const Refusal& c : cases) {
        BookModel book = SmallBook();
        c.spoil(book);
        std::string error;
        EXPECT_FALSE(tavrin::book::SerializeBook(book, &error)) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
    }
    // The limits themselves are fine.
    BookModel book = SmallBook();
    book.root.children[0].text.assign(227, 'x');
    book.names[0].text.assign(254, 'n');
    book.number = std::string(255, '1');
    std::string error;
    EXPECT_TRUE(tavrin::book::SerializeBook(book, &error)) << error;
}

} // namespace

// The EPUB reading of eBookDrv.dll: names inside the container, what is forgiven (a reader opens
// such books) and what is refused (a book must not reach outside its container or inflate without
// bound), the package and contents of EPUB 2 and 3 books, and class names.
#include "common/temp_folder.h"
#include "ebook/book_class.h"
#include "ebook/epub_book.h"
#include "ebook/href.h"
#include "ebook/text_util.h"
#include "epub_fixtures/epub_maker.h"

#include <gtest/gtest.h>

#include <span>

namespace {

using namespace tavrin::ebook;

TEST(EbookNames, EntryNamesThatLeaveTheContainerAreUnsafe) {
    EXPECT_TRUE(IsSafeEntryName("OEBPS/text/ch1.xhtml"));
    EXPECT_TRUE(IsSafeEntryName("OEBPS/../META-INF/container.xml")); // stays inside
    EXPECT_TRUE(IsSafeEntryName("OEBPS/"));
    EXPECT_FALSE(IsSafeEntryName("../evil.xhtml"));
    EXPECT_FALSE(IsSafeEntryName("OEBPS/../../evil.xhtml"));
    EXPECT_FALSE(IsSafeEntryName("/etc/passwd"));
    EXPECT_FALSE(IsSafeEntryName("\\evil"));
    EXPECT_FALSE(IsSafeEntryName("C:evil"));
    EXPECT_FALSE(IsSafeEntryName("OEBPS\\..\\..\\evil"));
    EXPECT_FALSE(IsSafeEntryName(""));
}

TEST(EbookNames, HrefsResolveAgainstTheirDocumentsFolder) {
    std::string fragment;
    EXPECT_EQ(ResolveHref("OEBPS/nav/", "../text/./ch2.xhtml#s1", &fragment), "OEBPS/text/ch2.xhtml");
    EXPECT_EQ(fragment, "s1");
    EXPECT_EQ(ResolveHref("OEBPS/", "text/chapter%20three.xhtml"), "OEBPS/text/chapter three.xhtml");
    EXPECT_EQ(ResolveHref("", " ch1.xhtml?x=1 "), "ch1.xhtml");
    EXPECT_EQ(ResolveHref("OEBPS/", "%zz.xhtml"), "OEBPS/%zz.xhtml"); // a bad escape stays as written
    EXPECT_FALSE(ResolveHref("OEBPS/", "../../x.xhtml"));
    EXPECT_FALSE(ResolveHref("OEBPS/", "/x.xhtml"));
    EXPECT_FALSE(ResolveHref("OEBPS/", "http://example.org/x.xhtml"));
    EXPECT_FALSE(ResolveHref("OEBPS/", "#only-a-fragment"));
    EXPECT_FALSE(ResolveHref("OEBPS/", "a%00b.xhtml"));
}

TEST(EbookText, CutsEndOnUtf8CharacterBoundaries) {
    const std::string text = "ab\xC3\xA9\xE6\x97\xA5"; // a b e-acute, one three-byte character
    EXPECT_EQ(CutUtf8(text, 3), "ab");
    EXPECT_EQ(CutUtf8(text, 4), "ab\xC3\xA9");
    EXPECT_EQ(CutUtf8(text, 6), "ab\xC3\xA9");
    EXPECT_EQ(CutUtf8(text, 7), text);
    EXPECT_EQ(CollapseSpace("  a\t\n b \r"), "a b");
}

TEST(EbookClasses, SubjectsMakeNamesOf16BytesAndStableKeysOfAtMost32) {
    BookClass a = ClassForSubject("Natural History of the Northern Coasts");
    EXPECT_EQ(a.name, "Natural History ");
    EXPECT_LE(a.key.size(), 32u);
    BookClass b = ClassForSubject("Natural History of the Southern Isles");
    EXPECT_EQ(b.name.substr(0, 15), a.name.substr(0, 15));
    EXPECT_NE(a.key, b.key); // same first 16 bytes, different subjects
    EXPECT_EQ(ClassForSubject("natural  history OF the northern coasts").key, a.key);

    BookClass wide =
        ClassForSubject("\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5");
    EXPECT_EQ(wide.name.size(), 15u); // five whole three-byte characters
    EXPECT_LE(wide.key.size(), 32u);
    EXPECT_EQ(wide.key.rfind("subject-", 0), 0u);

    BookClass none = ClassForSubject("   ");
    EXPECT_EQ(none.name, kDefaultClassName);
    EXPECT_EQ(none.key, kDefaultClassKey);
}

class EbookInspect : public testing::Test {
  protected:
    std::optional<BookFacts> Inspect(const epubtest::Files& files) {
        std::string path = tmp_.File("book.epub");
        EXPECT_TRUE(epubtest::WriteZip(path, files));
        bytes_ = epubtest::ReadFile(path);
        return InspectBytes(bytes_);
    }
    std::optional<BookFacts> InspectBytes(const std::string& bytes) {
        std::span<const unsigned char> view(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            bytes.size());
        error_.clear();
        return InspectBook(view, &error_);
    }
    std::optional<BookStructure> Structure(const epubtest::Files& files) {
        std::string path = tmp_.File("book.epub");
        EXPECT_TRUE(epubtest::WriteZip(path, files));
        std::string error;
        auto archive = ZipArchive::OpenFile(path, &error);
        if (!archive) return std::nullopt;
        return ReadStructure(std::move(archive), &error);
    }
    std::vector<std::pair<std::string, int>> Flatten(const Contents& contents) {
        std::vector<std::pair<std::string, int>> out;
        for (size_t i = 1; i < contents.Entries().size(); ++i)
            out.emplace_back(contents.Entries()[i].text, contents.Entries()[i].page);
        return out;
    }

    testfs::TempFolder tmp_;
    std::string bytes_;
    std::string error_;
};

TEST_F(EbookInspect, ReadsTheMetadataOfEpub3AndEpub2) {
    epubtest::BookSpec spec;
    spec.title = "  The  Tide\tTables ";
    spec.subject = "Sea";
    auto facts = Inspect(epubtest::Epub3(spec));
    ASSERT_TRUE(facts) << error_;
    EXPECT_EQ(facts->title, "The Tide Tables");
    EXPECT_EQ(facts->subject, "Sea"); // the first of two subjects
    EXPECT_EQ(facts->uniqueId, spec.uid);
    EXPECT_EQ(facts->pageCount, 3u);
    auto two = Inspect(epubtest::Epub2());
    ASSERT_TRUE(two) << error_;
    EXPECT_EQ(two->pageCount, 2u);
    EXPECT_EQ(two->subject, "");
}

TEST_F(EbookInspect, ForgivesWhatReadersForgive) {
    epubtest::Files noMimetype = epubtest::Epub3();
    epubtest::RemoveEntry(noMimetype, "mimetype");
    EXPECT_TRUE(Inspect(noMimetype)) << error_;

    epubtest::Files mimetypeLast = epubtest::Epub3();
    std::rotate(mimetypeLast.begin(), mimetypeLast.begin() + 1, mimetypeLast.end());
    EXPECT_TRUE(Inspect(mimetypeLast)) << error_;

    epubtest::Files noContainer = epubtest::Epub2(); // the package is found by its extension
    epubtest::RemoveEntry(noContainer, "META-INF/container.xml");
    EXPECT_TRUE(Inspect(noContainer)) << error_;

    epubtest::Files missingPage = epubtest::Epub3(); // a spine item the container lacks is skipped
    epubtest::RemoveEntry(missingPage, "OEBPS/text/ch2.xhtml");
    auto facts = Inspect(missingPage);
    ASSERT_TRUE(facts) << error_;
    EXPECT_EQ(facts->pageCount, 2u);
}

// Each damaged or hostile book is refused with what is wrong with it.
TEST_F(EbookInspect, RefusesDamagedAndHostileBooksSayingWhy) {
    auto zipped = [this](const epubtest::Files& files) {
        EXPECT_TRUE(epubtest::WriteZip(tmp_.File("book.epub"), files));
        return epubtest::ReadFile(tmp_.File("book.epub"));
    };
    auto adding = [&](epubtest::Files files, epubtest::Entry entry) {
        files.push_back(std::move(entry));
        return zipped(files);
    };
    auto withPackage = [&](const char* text) {
        epubtest::Files files = epubtest::Epub3();
        epubtest::FindEntry(files, "OEBPS/content.opf")->data = text;
        return zipped(files);
    };
    epubtest::BookSpec longSpec;
    longSpec.filler = std::string(200000, 'z');
    std::string small = zipped(epubtest::Epub3(longSpec)), huge = small;
    ASSERT_TRUE(epubtest::PatchDeclaredSize(small, "OEBPS/text/ch1.xhtml", 1000));
    ASSERT_TRUE(epubtest::PatchDeclaredSize(huge, "OEBPS/text/ch1.xhtml", 0x7FFFFFFF));
    const std::string good = zipped(epubtest::Epub3());
    std::string corrupt = good; // a flipped byte inside the first chapter's compressed data
    const size_t at = corrupt.find("OEBPS/text/ch1.xhtml") + 20 + 10;
    corrupt[at] = static_cast<char>(corrupt[at] ^ 0x55);
    epubtest::Files many = epubtest::Epub2();
    for (int i = 0; i < 10000; ++i)
        many.push_back({"book/x/" + std::to_string(i), ""});
    epubtest::Files noPackage = epubtest::Epub3();
    epubtest::RemoveEntry(noPackage, "OEBPS/content.opf");
    epubtest::Files emptySpine = epubtest::Epub2();
    std::string& opf = epubtest::FindEntry(emptySpine, "book/package.opf")->data;
    opf.erase(opf.find("<itemref"), opf.find("</spine>") - opf.find("<itemref"));
    const struct {
        const char* what;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"not a zip", "PK\x03\x04 this is not a zip file", "it is not a zip container"},
        {"truncated central directory", good.substr(0, good.size() - 30), "it is not a zip container"},
        {"damaged chapter", corrupt, "the zip entry OEBPS/text/ch1.xhtml is damaged"},
        {"climbing entry", adding(epubtest::Epub3(), {"OEBPS/../../escape.txt", "x"}),
         "the zip entry OEBPS/../../escape.txt leaves the container"},
        {"absolute entry", adding(epubtest::Epub3(), {"/tmp/absolute.txt", "x"}),
         "the zip entry /tmp/absolute.txt leaves the container"},
        {"size declared too small", small, "does not inflate to the size it declares"},
        {"size declared huge", huge, "ch1.xhtml is larger than 64 MB once inflated"},
        {"65 MB of zeros", adding(epubtest::Epub3(), {"OEBPS/bomb.bin", std::string(65u << 20, '\0')}),
         "the zip entry OEBPS/bomb.bin is larger than 64 MB once inflated"},
        {"too many entries", zipped(many), "has more than 10000 entries"},
        {"no package", zipped(noPackage), "the book has no package document"},
        {"garbage package", withPackage("<<<< not a package at all"),
         "the package document is not a package: OEBPS/content.opf"},
        {"html package", withPackage("<html><body>hello</body></html>"),
         "the package document is not a package: OEBPS/content.opf"},
        {"empty spine", zipped(emptySpine), "book/package.opf names no page that the book holds"},
        {"empty file", "", "it holds nothing (an empty file or an empty zip container)"},
        {"empty zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'),
         "it holds nothing (an empty file or an empty zip container)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(InspectBytes(c.bytes));
        EXPECT_NE(error_.find(c.says), std::string::npos) << error_;
    }
    EXPECT_LT(cases[7].bytes.size(), 1u << 20) << "the zeros are a few kilobytes compressed";
}

// EPUB 3 contents come from the toc nav, with fragments mapped to their document's page; EPUB 2
// contents from the NCX.
TEST_F(EbookInspect, ContentsComeFromTheTocNavOrTheNcx) {
    auto book = Structure(epubtest::Epub3());
    ASSERT_TRUE(book);
    using Row = std::pair<std::string, int>;
    EXPECT_EQ(Flatten(book->contents),
              (std::vector<Row>{
                  {"One", 0}, {"Two", 1}, {"Two, first half", 1}, {"Two, second half", 1}, {"Three", 2}}));
    const auto& e = book->contents.Entries();
    EXPECT_EQ(e[3].parent, 2u);
    EXPECT_EQ(e[2].firstChild, 3u);
    EXPECT_EQ(e[4].nextSibling, kNoEntry);
    EXPECT_EQ(e[2].nextSibling, 5u);
    EXPECT_EQ(book->contents.EntryForPage(1), 2u); // the first entry that leads to the page
    EXPECT_EQ(book->contents.EntryForPage(7), 5u); // past the last entry's page: the last entry

    auto two = Structure(epubtest::Epub2());
    ASSERT_TRUE(two);
    EXPECT_EQ(Flatten(two->contents), (std::vector<Row>{{"Part A", 0}, {"Part B", 1}, {"B.1", 1}}));
    EXPECT_EQ(two->contents.Entries()[3].parent, 2u);
}

// A nav that is not well-formed is still read; without nav or NCX each page is an entry.
TEST_F(EbookInspect, IrregularOrMissingContents) {
    epubtest::Files files = epubtest::Epub3();
    epubtest::FindEntry(files, "OEBPS/nav/nav.xhtml")->data =
        "<html><body><nav epub:type=toc><ol><li><a href='../text/ch2.xhtml'>Only&nbsp;two<br></a>"
        "<li><a href=../text/ch1.xhtml>One</a></ol></nav></body></html>";
    auto book = Structure(files);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->contents.Entries().size(), 3u);
    EXPECT_EQ(book->contents.Entries()[1].page, 1);
    EXPECT_EQ(book->contents.Entries()[2].text, "One");
    EXPECT_EQ(book->contents.Entries()[2].page, 0);

    epubtest::Files noNcx = epubtest::Epub2();
    epubtest::RemoveEntry(noNcx, "book/toc/toc.ncx");
    auto pages = Structure(noNcx);
    ASSERT_TRUE(pages);
    using Row = std::pair<std::string, int>;
    EXPECT_EQ(Flatten(pages->contents), (std::vector<Row>{{"a", 0}, {"b", 1}}));
}

} // namespace

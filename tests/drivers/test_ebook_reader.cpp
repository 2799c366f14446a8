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

#include <cstring>
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

TEST_F(EbookInspect, RefusesDamagedAndHostileContainers) {
    EXPECT_FALSE(InspectBytes("PK\x03\x04 this is not a zip file"));
    EXPECT_FALSE(InspectBytes(""));

    Inspect(epubtest::Epub3());
    EXPECT_FALSE(InspectBytes(bytes_.substr(0, bytes_.size() - 30))) << "truncated central directory";

    std::string corrupt = bytes_; // a flipped byte inside the first chapter's compressed data
    size_t at = corrupt.find("OEBPS/text/ch1.xhtml");
    ASSERT_NE(at, std::string::npos);
    corrupt[at + 20 + 10] = static_cast<char>(corrupt[at + 20 + 10] ^ 0x55);
    EXPECT_FALSE(InspectBytes(corrupt));

    epubtest::Files climbing = epubtest::Epub3();
    climbing.push_back({"OEBPS/../../escape.txt", "x"});
    EXPECT_FALSE(Inspect(climbing));
    EXPECT_NE(error_.find("leaves the container"), std::string::npos) << error_;

    epubtest::Files absolute = epubtest::Epub3();
    absolute.push_back({"/tmp/absolute.txt", "x"});
    EXPECT_FALSE(Inspect(absolute));
}

TEST_F(EbookInspect, RefusesEntriesThatInflateBeyondTheirDeclaredSizeOrTheLimitAndTooManyEntries) {
    epubtest::BookSpec spec;
    spec.filler = std::string(200000, 'z');
    Inspect(epubtest::Epub3(spec));
    std::string lying = bytes_;
    ASSERT_TRUE(epubtest::PatchDeclaredSize(lying, "OEBPS/text/ch1.xhtml", 1000));
    EXPECT_FALSE(InspectBytes(lying));

    std::string huge = bytes_;
    ASSERT_TRUE(epubtest::PatchDeclaredSize(huge, "OEBPS/text/ch1.xhtml", 0x7FFFFFFF));
    EXPECT_FALSE(InspectBytes(huge));

    epubtest::Files bomb = epubtest::Epub3(); // 65 MB of zeros, a few kilobytes compressed
    bomb.push_back({"OEBPS/bomb.bin", std::string(65u << 20, '\0')});
    EXPECT_FALSE(Inspect(bomb));
    EXPECT_LT(bytes_.size(), 1u << 20);
    EXPECT_NE(error_.find("larger than"), std::string::npos) << error_;

    epubtest::Files many = epubtest::Epub2();
    for (int i = 0; i < 10000; ++i)
        many.push_back({"book/x/" + std::to_string(i), ""});
    EXPECT_FALSE(Inspect(many));
    EXPECT_NE(error_.find("too many"), std::string::npos) << error_;
}

TEST_F(EbookInspect, RefusesMissingOrBrokenPackages) {
    epubtest::Files missing = epubtest::Epub3();
    epubtest::RemoveEntry(missing, "OEBPS/content.opf");
    EXPECT_FALSE(Inspect(missing));

    epubtest::Files garbage = epubtest::Epub3();
    epubtest::FindEntry(garbage, "OEBPS/content.opf")->data = "<<<< not a package at all";
    EXPECT_FALSE(Inspect(garbage));

    epubtest::Files notPackage = epubtest::Epub3();
    epubtest::FindEntry(notPackage, "OEBPS/content.opf")->data = "<html><body>hello</body></html>";
    EXPECT_FALSE(Inspect(notPackage));

    epubtest::Files emptySpine = epubtest::Epub2();
    std::string& opf = epubtest::FindEntry(emptySpine, "book/package.opf")->data;
    opf.replace(opf.find("<itemref"), opf.find("</spine>") - opf.find("<itemref"), "");
    EXPECT_FALSE(Inspect(emptySpine));
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

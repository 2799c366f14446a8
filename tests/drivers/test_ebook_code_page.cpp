// eBookDrv.dll in a program that offers GetACP (this test program exports one, as every program built
// on the platform does): names, contents entries, class names and pages come out in that code page,
// and a page read again after the code page changed is converted anew.
#include "epub_fixtures/ebook_driver.h"

namespace {

unsigned g_codePage = 1252;

} // namespace

extern "C" unsigned GetACP(void) {
    return g_codePage;
}

namespace {

using epubtest::EbookDriverTest;

epubtest::BookSpec Spec() {
    epubtest::BookSpec spec;
    spec.title = "Caf\xC3\xA9 \xE6\x97\xA5"; // "Café 日"
    spec.subject = "R\xC3\xA9"
                   "cits"; // "Récits"
    spec.filler = "<p>cr\xC3\xA8me br\xC3\xBBl\xC3\xA9"
                  "e</p>"; // "crème brûlée"
    spec.uid = "urn:test:code-page";
    return spec;
}

std::string PageText(CbiTable& cbi, CBI_HBOOK book, int32_t page) {
    int32_t size = cbi.CBIGetPageSize(book, page);
    std::string bytes(static_cast<size_t>(size), '\0');
    EXPECT_EQ(cbi.CBIGetPage(book, page, reinterpret_cast<unsigned char*>(bytes.data()), size), size);
    return bytes;
}

class EbookCodePage : public EbookDriverTest {
  protected:
    void TearDown() override {
        g_codePage = 1252;
        EbookDriverTest::TearDown();
    }
};

TEST_F(EbookCodePage, TextsComeOutInTheProgramsCodePage) {
    ASSERT_EQ(Add(Book("c.epub", epubtest::Epub3(Spec()))), 1);
    std::vector<epubtest::ShelfClass> classes = Collect();
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(classes[0].name, "R\xE9"
                               "cits");
    CBI_HBOOK book = Open(1);
    EXPECT_EQ(Name(book), "Caf\xE9 ?");
    char root[CBI_ITEM_TEXT_CAPACITY] = {};
    cbi_->CBIVPGetItemText(book, cbi_->CBIVPGetRootItem(book), root, CBI_ITEM_TEXT_CAPACITY);
    EXPECT_STREQ(root, "Caf\xE9 ?");

    std::string page = PageText(*cbi_, book, 0);
    EXPECT_NE(page.find("cr\xE8me br\xFBl\xE9"
                        "e"),
              std::string::npos);
    EXPECT_EQ(page.back(), '\0') << "the page still ends with its zero, counted by the size";

    g_codePage = 936; // the program switched code pages: the cached page is converted anew
    EXPECT_EQ(Name(book), "Caf\xA8\xA6 \xC8\xD5"); // GBK has the pinyin letters
    page = PageText(*cbi_, book, 0);
    EXPECT_NE(page.find("cr\xA8\xA8me br?l\xA8\xA6"
                        "e"),
              std::string::npos);
    cbi_->CBICloseBook(book);
}

TEST_F(EbookCodePage, CharacterReferencesAreDecodedBeforeTheConversion) {
    epubtest::BookSpec spec = Spec();
    spec.filler = "<p>R&eacute;cit &#x65E5; &#8364;</p>"; // "Récit 日 €"
    ASSERT_EQ(Add(Book("c.epub", epubtest::Epub3(spec))), 1);
    CBI_HBOOK book = Open(1);
    // Code page 1252 has é and €, not 日, which becomes "?" as any other character it lacks.
    EXPECT_NE(PageText(*cbi_, book, 0)
                  .find("<p>R\xE9"
                        "cit ? \x80</p>"),
              std::string::npos);
    cbi_->CBICloseBook(book);
}

TEST_F(EbookCodePage, Utf8CodePageLeavesTheTextsAsTheBookHasThem) {
    g_codePage = 65001;
    ASSERT_EQ(Add(Book("c.epub", epubtest::Epub3(Spec()))), 1);
    CBI_HBOOK book = Open(1);
    EXPECT_EQ(Name(book), "Caf\xC3\xA9 \xE6\x97\xA5");
    EXPECT_NE(PageText(*cbi_, book, 0).find("cr\xC3\xA8me"), std::string::npos);
    cbi_->CBICloseBook(book);
}

} // namespace

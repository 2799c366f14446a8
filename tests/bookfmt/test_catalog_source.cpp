// Catalog sources: the system catalog book the builder makes, settings the shelf reads back as
// written, and the errors for settings the shelf would misread.
#include "support/book_test_support.h"

#include "bookc/catalog_source.h"
#include "bookfmt/settings.h"

#include <gtest/gtest.h>

namespace {

using namespace booktest;
using tavrin::bookc::ParseCatalogSource;
namespace settings = tavrin::book::settings;

tavrin::book::BookModel Build(const std::string& source) {
    auto result = ParseCatalogSource(source, "shelf.catalog");
    EXPECT_TRUE(result.book) << result.error;
    return result.book ? *result.book : tavrin::book::BookModel{};
}

std::string ErrorOf(const std::string& source) {
    auto result = ParseCatalogSource(source, "shelf.catalog");
    EXPECT_FALSE(result.book) << "built although it should fail:\n" << source;
    return result.error;
}

Bytes PageOf(const tavrin::book::BookModel& book, int32_t page) {
    return ToBytes(book.pages.at(static_cast<size_t>(page)));
}

// The settings text of a page, lines joined by "|" (0xFF 0x0A) and ended by "$" (0xFF 0x06).
std::string Shown(const Bytes& page) {
    std::string out;
    for (size_t i = settings::kTextStart; i + 1 < page.size(); ++i) {
        if (page[i] == 0xFF && page[i + 1] == 0x0A) {
            out += '|';
            ++i;
        } else if (page[i] == 0xFF && page[i + 1] == 0x06) {
            return out + '$';
        } else {
            out += static_cast<char>(page[i]);
        }
    }
    return out;
}

TEST(CatalogSource, EveryCatalogIsAnEntryWithItsSettingsPage) {
    auto book = Build("tavrin-catalog 1\n"
                      "catalog \"Shelf\" {\n"
                      "    id = 0\n"
                      "    catalog \"Red\" {\n"
                      "        id = 3\n"
                      "        textcolor = 255 0 0\n"
                      "        backcolor = 0 0 255\n"
                      "        canaddbook = 2\n"
                      "        books {\n"
                      "            \"abc.ebd\" = 1\n"
                      "            \"xyz.ebd\" = 0\n"
                      "        }\n"
                      "    }\n"
                      "    catalog \"Linked\" {\n"
                      "        id = \"LINK\"\n"
                      "        rid = \"trunk-a\"\n"
                      "        idb = 1 2 3 4\n"
                      "        set EXTRA = \"value\"\n"
                      "    }\n"
                      "}\n");
    EXPECT_EQ(book.kind, tavrin::book::BookKind::ShelfCatalog);
    EXPECT_EQ(book.caps, CBI_CAP_CONTENTS);
    EXPECT_EQ(book.names.at(0).text, "Shelf"); // the root's name when the source gives none
    EXPECT_EQ(book.root.text, "Shelf");
    ASSERT_EQ(book.root.children.size(), 2u);
    const auto& red = book.root.children[0];
    EXPECT_EQ(red.text, "Red");
    EXPECT_EQ(Shown(PageOf(book, red.page)),
              "[CONFIG]|ID=3|NAME=Red|TEXTCOLOR=255 0 0|BACKCOLOR=0 0 255|CANNEWCATA=0|CANADDBOOK=2|RID=0|"
              "[BOOKS]|abc.ebd=1|xyz.ebd=0|$");
    EXPECT_EQ(Shown(PageOf(book, book.root.children[1].page)),
              "[CONFIG]|ID=LINK|NAME=Linked|CANNEWCATA=0|CANADDBOOK=0|RID=trunk-a|IDB=1 2 3 4|EXTRA=value|$");
    EXPECT_EQ(Shown(PageOf(book, book.root.page)),
              "[CONFIG]|ID=0|NAME=Shelf|CANNEWCATA=0|CANADDBOOK=0|RID=0|$");
}

TEST(CatalogSource, NameLineFollowsTheCatalogUnlessSetOrBracketed) {
    auto book = Build("tavrin-catalog 1\ncatalog \"R\" {\n"
                      "  catalog \"Plain\" {\n    set NAME = \"Shown name\"\n  }\n"
                      "  catalog \"Old [1990]\" {\n  }\n}\n");
    EXPECT_EQ(Shown(PageOf(book, 1)), "[CONFIG]|ID=|CANNEWCATA=0|CANADDBOOK=0|RID=0|NAME=Shown name|$");
    EXPECT_EQ(Shown(PageOf(book, 2)), "[CONFIG]|ID=|CANNEWCATA=0|CANADDBOOK=0|RID=0|$");
}

TEST(CatalogSource, ShorterKeysGoFirstSoThatPrefixMatchesFindTheirOwnLine) {
    auto book = Build("tavrin-catalog 1\ncatalog \"R\" {\n  catalog \"C\" {\n"
                      "    set IDX = \"x\"\n"
                      "    set I = \"i\"\n"
                      "    books {\n        \"abc.ebd.old\" = 0\n        \"abc.ebd\" = 1\n    }\n"
                      "  }\n}\n");
    Bytes page = PageOf(book, 1);
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "I"), "i");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "ID"), "");
    EXPECT_EQ(settings::ShelfLookup(page, "CONFIG", "IDX"), "x");
    EXPECT_EQ(settings::ShelfLookup(page, "BOOKS", "abc.ebd"), "1");
    EXPECT_EQ(settings::ShelfLookup(page, "BOOKS", "abc.ebd.old"), "0");
}

TEST(CatalogSource, DescriptionAddressesGoToTheRootsSettings) {
    auto book =
        Build("tavrin-catalog 1\n"
              "descurl \"EBOOK-A\" = \"https://a.example/a.html\"\n"
              "catalog \"R\" {\n"
              "    catalog \"News\" {\n        id = 1401\n        desc = \"https://a.example/news\"\n    }\n"
              "}\n");
    settings::Text root = settings::ParsePage(PageOf(book, book.root.page));
    EXPECT_EQ(settings::Find(root, "DESCURL", "ebook-a"), "https://a.example/a.html");
    EXPECT_EQ(settings::Find(root, "DESCURL", "1401"), "https://a.example/news");
}

struct ErrorCase {
    std::string source;
    const char* place;
    const char* says;
};

TEST(CatalogSource, ErrorsNameTheirPlace) {
    const std::string head = "tavrin-catalog 1\n";
    const ErrorCase cases[] = {
        {"tavrin-book 1\n", "shelf.catalog:1:1:", "begins with the line \"tavrin-catalog 1\""},
        {head, "shelf.catalog:2:", "has no catalog"},
        {head + "catalog \"A\" {\n}\ncatalog \"B\" {\n}\n",
         "shelf.catalog:4:1:", "a second top-level catalog"},
        {head + "catalog \"A\" {\n  colour = 1\n}\n",
         "shelf.catalog:3:3:", "unknown catalog setting \"colour\""},
        {head + "catalog \"A\" {\n  id = 1\n  id = 2\n}\n", "shelf.catalog:4:3:", "a second id"},
        {head + "catalog \"A\" {\n  id = \"" + std::string(36, '9') + "\"\n}\n",
         "shelf.catalog:3:3:", "at most 35"},
        {head + "catalog \"A\" {\n  textcolor = 255 0\n}\n", "shelf.catalog:4:1:", "colour component"},
        {head + "catalog \"A\" {\n  textcolor = 256 0 0\n}\n", "shelf.catalog:3:15:", "from 0 to 255"},
        {head + "catalog \"A\" {\n  set ID = 3\n}\n", "shelf.catalog:3:7:", "with its own statement"},
        {head + "catalog \"A\" {\n  desc = \"https://x\"\n}\n", "shelf.catalog:2:9:", "needs an id"},
        {head + "descurl \"K\" = \"a\"\ndescurl \"k\" = \"b\"\ncatalog \"A\" {\n}\n",
         "shelf.catalog:3:9:", "a second description address for \"k\""},
        {head + "descurl \"K\" = \"" + std::string(260, 'u') + "\"\n",
         "shelf.catalog:2:15:", "1 to 259 bytes"},
        {head + "catalog \"A\" {\n  books {\n    \"dir/a.ebd\" = 1\n  }\n}\n",
         "shelf.catalog:4:5:", "without its folder"},
        {head + "catalog \"A\" {\n  books {\n    \"a.ebd\" = 1\n    \"A.EBD\" = 0\n  }\n}\n",
         "shelf.catalog:5:5:", "listed twice"},
        {head + "catalog \"A\" {\n  rid = \"two\\x0Alines\"\n}\n", "shelf.catalog:3:3:", "line end"},
        {head + "catalog \"A\" {\n  books {\n    \"a.ebd\" = 1\n  }\n}\n",
         "shelf.catalog:4:5:", "never places books in its root"},
        {head + "catalog \"A\" {\n  catalog \"B\" {\n", "shelf.catalog:3:11:", "not closed by }"},
        {head + "catalog \"A\" {\n  catalog \"First\" {\n    books {\n      \"a.ebd.old\" = 1\n    }\n  }\n"
                "  catalog \"Second\" {\n    books {\n      \"a.ebd\" = 1\n    }\n  }\n}\n",
         "shelf.catalog:10:7:", "would place \"a.ebd\" in the catalog \"First\""},
        {head + "catalog \"A\" {\n  nosettings\n}\ndescurl \"K\" = \"u\"\n",
         "shelf.catalog:2:9:", "needs its settings"},
    };
    for (const ErrorCase& c : cases) {
        std::string error = ErrorOf(c.source);
        EXPECT_EQ(error.rfind(c.place, 0), 0u) << "wanted " << c.place << " got: " << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << "wanted \"" << c.says << "\" got: " << error;
    }
}

TEST(CatalogSource, SettingsTheShelfWouldMisreadAreRefused) {
    // Without TEXTCOLOR, the shelf's search for it runs on into BOOKS and would take this file's order.
    std::string error = ErrorOf("tavrin-catalog 1\ncatalog \"R\" {\n  catalog \"A\" {\n    books {\n"
                                "      \"textcolor.ebd\" = 1\n    }\n  }\n}\n");
    EXPECT_NE(error.find("would read TEXTCOLOR of this catalog as \"1\" instead of missing"),
              std::string::npos)
        << error;
    // With the colour set, the same file is fine.
    auto book =
        Build("tavrin-catalog 1\ncatalog \"R\" {\n  catalog \"A\" {\n    textcolor = 1 2 3\n    books {\n"
              "      \"textcolor.ebd\" = 1\n    }\n  }\n}\n");
    EXPECT_EQ(settings::ShelfLookup(PageOf(book, 1), "CONFIG", "TEXTCOLOR"), "1 2 3");
}

} // namespace

// The sample shelf that the build puts together: its books are sound, its catalog holds what the
// shelf expects (the catalogs "65535", "5", "18", "6", dictionaries, online links), and every book it
// lists lands in the catalog that lists it.
#include "support/book_test_support.h"

#include "bookfmt/markup.h"
#include "bookfmt/reader.h"
#include "bookfmt/settings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace booktest;
using tavrin::book::Reader;
namespace settings = tavrin::book::settings;

const std::string kShelf = TAVRIN_SAMPLE_SHELF_DIR;

std::unique_ptr<Reader> OpenSample(const std::string& name) {
    auto opened = Reader::Open(kShelf + "/" + name);
    EXPECT_TRUE(opened) << opened.error;
    return std::move(opened.reader);
}

TEST(SampleShelf, HoldsTheDriversAndBooksWithEveryPageWellFormed) {
    for (const char* file : {"Books.Dll", "EbdBook.dll"})
        EXPECT_TRUE(std::filesystem::exists(kShelf + "/" + file)) << file;
    for (const char* name : {"english-dict.ebd", "river-journey.ebd", "tang-poems.ebd"}) {
        auto r = OpenSample(name);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->Kind(), tavrin::book::BookKind::Book);
        EXPECT_GT(r->PageCount(), 3u) << name;
        for (uint32_t p = 0; p < r->PageCount(); ++p) {
            std::string error;
            auto page = r->ReadPage(p, &error);
            ASSERT_TRUE(page) << name << ": " << error;
            ASSERT_FALSE(page->empty());
            EXPECT_EQ(page->back(), 0) << name << " page " << p << " ends with a zero byte";
            auto problem =
                tavrin::book::markup::CheckPage(tavrin::book::ByteView(*page).first(page->size() - 1));
            EXPECT_FALSE(problem) << name << " page " << p << ": " << problem->message;
        }
    }
}

TEST(SampleShelf, SampleBooksShowEachKindOfBook) {
    auto dict = OpenSample("english-dict.ebd");
    ASSERT_TRUE(dict && dict->Dict());
    EXPECT_NE(dict->BookClass(), tavrin::book::kClassEbook);
    EXPECT_NE(dict->BookClass(), tavrin::book::kClassBook);
    auto poems = OpenSample("tang-poems.ebd");
    ASSERT_TRUE(poems);
    EXPECT_EQ(poems->CodePage(), 950);
    EXPECT_TRUE(poems->Caps() & tavrin::book::kCapHideContentsPage);
    EXPECT_EQ(poems->EntryText(poems->FirstChild(0)), CBI_CONTENTS_PAGE_NAME);
    auto novel = OpenSample("river-journey.ebd");
    ASSERT_TRUE(novel);
    uint32_t deepest = 0, depth = 0;
    for (uint32_t e = 1; e < novel->EntryCount(); ++e) {
        uint32_t d = 0;
        for (uint32_t p = e; p != 0; p = novel->Parent(p))
            ++d;
        if (d > depth) depth = d, deepest = e;
    }
    EXPECT_GE(depth, 3u) << novel->EntryText(deepest);
}

TEST(SampleShelf, CatalogHoldsTheCatalogsTheShelfLooksFor) {
    auto sys = OpenSample("Tavrin.Sys");
    ASSERT_TRUE(sys);
    EXPECT_EQ(sys->Kind(), tavrin::book::BookKind::ShelfCatalog);
    std::map<std::string, uint32_t> byId;
    std::map<std::string, settings::Text> text;
    for (uint32_t e = 0; e < sys->EntryCount(); ++e) {
        ASSERT_GE(sys->EntryPage(e), 0);
        auto page = sys->ReadPage(static_cast<uint32_t>(sys->EntryPage(e)), nullptr);
        ASSERT_TRUE(page);
        std::string id = settings::ShelfLookup(*page, "CONFIG", "ID").value_or("");
        byId[id] = e;
        text[id] = settings::ParsePage(*page);
    }
    for (const char* id : {"0", "1", "5", "18", "6", "14", "65535"})
        EXPECT_TRUE(byId.count(id)) << "catalog " << id;
    EXPECT_EQ(byId["0"], 0u); // the root
    auto children = [&](uint32_t e) {
        int n = 0;
        for (uint32_t c = sys->FirstChild(e); c != Reader::kNone; c = sys->NextSibling(c))
            ++n;
        return n;
    };
    EXPECT_GE(children(byId["5"]), 2);
    EXPECT_GE(children(byId["18"]), 2);
    EXPECT_EQ(settings::Find(text["65535"], "CONFIG", "CANADDBOOK"), "1");
    EXPECT_EQ(settings::Find(text["65535"], "CONFIG", "CANNEWCATA"), "1");
    EXPECT_NE(settings::Find(text["14"], "CONFIG", "RID").value_or("0"), "0");
    EXPECT_TRUE(settings::Find(text["0"], "DESCURL", "EBOOK-CLASSICS"));
    // Some sub-catalogs of "5" and "18" list no book, so the shelf prunes them.
    int empty = 0;
    for (uint32_t c = sys->FirstChild(byId["5"]); c != Reader::kNone; c = sys->NextSibling(c)) {
        auto page = sys->ReadPage(static_cast<uint32_t>(sys->EntryPage(c)), nullptr);
        if (settings::ParsePage(*page).size() == 1) ++empty;
    }
    EXPECT_GE(empty, 1);
}

TEST(SampleShelf, EachListedBookLandsInTheCatalogThatListsIt) {
    auto sys = OpenSample("Tavrin.Sys");
    ASSERT_TRUE(sys);
    std::vector<std::pair<uint32_t, Bytes>> pages;
    for (uint32_t e = 1; e < sys->EntryCount(); ++e) // the shelf searches below the root, in pre-order
        pages.emplace_back(e, *sys->ReadPage(static_cast<uint32_t>(sys->EntryPage(e)), nullptr));
    int listed = 0;
    for (const auto& [entry, page] : pages)
        for (const settings::Section& section : settings::ParsePage(page))
            if (section.name == "BOOKS")
                for (const settings::Line& line : section.lines) {
                    ++listed;
                    uint32_t found = 0;
                    for (const auto& [other, otherPage] : pages)
                        if (settings::ShelfLookup(otherPage, "BOOKS", line.key)) {
                            found = other;
                            break;
                        }
                    EXPECT_EQ(found, entry) << line.key;
                }
    EXPECT_GE(listed, 4);
}

} // namespace

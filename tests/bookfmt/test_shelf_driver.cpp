// Books.Dll serving the sample "Tavrin.Sys": catalogs as contents entries, each entry's settings page
// read the way the shelf control reads it, and the description addresses of online classes.
#include "support/book_test_support.h"

#include "bookc/build.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace booktest;

const std::string kSampleSys = std::string(TAVRIN_SAMPLE_SHELF_DIR) + "/Tavrin.Sys";

// Reads one setting through the driver's entry points, step by step as the shelf control does: the
// entry's page (or its first child's), the text from the first "[" at or after byte 56, cut at
// 0xFF 0x06, each 0xFF 0x0A made CR LF; the section by prefix, then the first line that begins with
// the key (any case) and holds "=".
std::optional<std::string> ControlReads(const DriverLibrary& lib, CBI_HBOOK shelf, CBI_HITEM entry,
                                        const std::string& section, const std::string& key) {
    int32_t page = lib.CBIVPItemToPage(shelf, entry);
    if (page < 0) page = lib.CBIVPItemToPage(shelf, lib.CBIVPGetChildItem(shelf, entry));
    if (page < 0) return std::nullopt;
    int32_t size = lib.CBIGetPageSize(shelf, page);
    std::vector<unsigned char> data(static_cast<size_t>(size));
    lib.CBIGetPage(shelf, page, data.data(), size);
    std::string all(data.begin(), data.end());
    size_t start = all.size() > 56 ? all.find('[', 56) : std::string::npos;
    if (start == std::string::npos) return std::nullopt;
    std::string text = all.substr(start);
    text = text.substr(0, text.find("\xFF\x06"));
    for (size_t at; (at = text.find("\xFF\x0A")) != std::string::npos;)
        text.replace(at, 2, "\r\n");
    auto upper = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    bool inSection = false;
    for (size_t from = 0; from < text.size();) {
        size_t cr = text.find('\r', from);
        std::string line = text.substr(from, cr == std::string::npos ? std::string::npos : cr - from);
        size_t open = line.find('[');
        if (!inSection) {
            inSection = open != std::string::npos && line.find(']') != std::string::npos &&
                        upper(line.substr(open + 1, section.size())) == upper(section);
        } else if (upper(line.substr(0, key.size())) == upper(key) && line.find('=') != std::string::npos) {
            return line.substr(line.find('=') + 1);
        }
        if (cr == std::string::npos) break;
        from = cr + 2;
    }
    return std::nullopt;
}

class ShelfDriver : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lib_.Loaded());
        ASSERT_EQ(lib_.CBIOpenBook(kSampleSys.c_str(), 0, &shelf_), 0) << kSampleSys;
        root_ = lib_.CBIVPGetRootItem(shelf_);
        ASSERT_NE(root_, 0u);
    }
    void TearDown() override { lib_.CBICloseBook(shelf_); }

    std::string Text(CBI_HITEM item) {
        char buffer[CBI_ITEM_TEXT_CAPACITY];
        lib_.CBIVPGetItemText(shelf_, item, buffer, sizeof buffer);
        return buffer;
    }

    std::vector<CBI_HITEM> Children(CBI_HITEM item) {
        std::vector<CBI_HITEM> children;
        if (!lib_.CBIVPItemHasChildren(shelf_, item)) return children;
        for (CBI_HITEM c = lib_.CBIVPGetChildItem(shelf_, item); c;
             c = lib_.CBIVPGetNextSiblingItem(shelf_, c))
            children.push_back(c);
        return children;
    }

    // The catalog whose ID is `id`, searched in the shelf's order.
    CBI_HITEM ById(const std::string& id, CBI_HITEM from = 0) {
        for (CBI_HITEM c : Children(from ? from : root_)) {
            if (ControlReads(lib_, shelf_, c, "CONFIG", "ID") == id) return c;
            if (CBI_HITEM found = ById(id, c)) return found;
        }
        return 0;
    }

    DriverLibrary lib_{TAVRIN_SHELF_DRIVER_PATH};
    CBI_HBOOK shelf_ = 0;
    CBI_HITEM root_ = 0;
};

TEST_F(ShelfDriver, CatalogsAreTheEntriesOfTheSystemCatalog) {
    EXPECT_EQ(Text(root_), "Bookshelf");
    std::vector<std::string> top;
    for (CBI_HITEM c : Children(root_))
        top.push_back(Text(c));
    EXPECT_EQ(top, (std::vector<std::string>{"Dictionaries", "Reference", "Literature", "E-books",
                                             "Online Library", "Unclassified"}));
    EXPECT_EQ(Text(ById("65535")), "Unclassified");
    EXPECT_EQ(Children(ById("5")).size(), 3u);
    EXPECT_EQ(Children(ById("18")).size(), 2u);
    CBICaps caps{};
    ASSERT_NE(lib_.CBIGetCaps(shelf_, &caps), 0);
    EXPECT_EQ(caps.wCaps & CBI_CAP_CONTENTS, CBI_CAP_CONTENTS);
}

TEST_F(ShelfDriver, ControlReadsEverySettingOfTheSampleCatalogs) {
    CBI_HITEM online = ById("14");
    ASSERT_NE(online, 0u);
    EXPECT_EQ(ControlReads(lib_, shelf_, online, "CONFIG", "RID"), "online-library");
    EXPECT_EQ(ControlReads(lib_, shelf_, online, "CONFIG", "BACKCOLOR"), "240 248 255");
    EXPECT_EQ(ControlReads(lib_, shelf_, online, "CONFIG", "CANNEWCATA"), "1");
    EXPECT_EQ(ControlReads(lib_, shelf_, online, "CONFIG", "CANADDBOOK"), "1");
    EXPECT_EQ(ControlReads(lib_, shelf_, online, "CONFIG", "IDB"), "301 302 303 304");
    EXPECT_EQ(ControlReads(lib_, shelf_, online, "config", "id"), "14"); // ID is read before IDB
    EXPECT_EQ(ControlReads(lib_, shelf_, ById("1401"), "CONFIG", "RID"), "online-news");

    CBI_HITEM reference = ById("5");
    EXPECT_EQ(ControlReads(lib_, shelf_, reference, "CONFIG", "TEXTCOLOR"), std::nullopt);
    EXPECT_EQ(ControlReads(lib_, shelf_, reference, "CONFIG", "RID"), "0"); // "0": no link
    CBI_HITEM language = ById("502");
    EXPECT_EQ(ControlReads(lib_, shelf_, language, "BOOKS", "idioms.ebd"), "1");
    EXPECT_EQ(ControlReads(lib_, shelf_, language, "BOOKS", "idioms-supplement.ebd"), "0");
    EXPECT_EQ(ControlReads(lib_, shelf_, language, "CONFIG", "ID"), "502"); // not the book file "idioms.ebd"
    EXPECT_EQ(ControlReads(lib_, shelf_, ById("6"), "BOOKS", "river-journey.ebd"), "1");
    EXPECT_EQ(ControlReads(lib_, shelf_, ById("1801"), "BOOKS", "tang-poems.ebd"), "1");
    EXPECT_EQ(ControlReads(lib_, shelf_, ById("65535"), "BOOKS", "river-journey.ebd"), std::nullopt);
    EXPECT_EQ(ControlReads(lib_, shelf_, root_, "CONFIG", "TEXTCOLOR"), "0 0 128");
}

TEST_F(ShelfDriver, DescriptionAddressesOfOnlineClasses) {
    ASSERT_NE(lib_.GetDescFileURLbyClassID, nullptr);
    char url[CBI_URL_SIZE];
    ASSERT_NE(lib_.GetDescFileURLbyClassID("EBOOK-CLASSICS", url), 0);
    EXPECT_STREQ(url, "https://library.example.org/ebooks/classics.html");
    ASSERT_NE(lib_.GetDescFileURLbyClassID("ebook-travel", url), 0);
    EXPECT_STREQ(url, "https://library.example.org/ebooks/travel.html");
    ASSERT_NE(lib_.GetDescFileURLbyClassID("1402", url), 0); // from the catalog's own desc
    EXPECT_STREQ(url, "https://library.example.org/online/magazines.html");
    std::memset(url, '#', sizeof url);
    EXPECT_EQ(lib_.GetDescFileURLbyClassID("EBOOK", url), 0); // whole keys only
    EXPECT_EQ(lib_.GetDescFileURLbyClassID("", url), 0);
    EXPECT_EQ(url[0], '#');
    EXPECT_EQ(lib_.GetDescFileURLbyClassID(nullptr, url), 0);
    EXPECT_EQ(lib_.GetDescFileURLbyClassID("EBOOK-CLASSICS", nullptr), 0);
}

TEST_F(ShelfDriver, OpensOnlyShelfCatalogs) {
    CBI_HBOOK book = 0;
    std::string ebook = std::string(TAVRIN_SAMPLE_SHELF_DIR) + "/river-journey.ebd";
    EXPECT_EQ(lib_.CBIOpenBook(ebook.c_str(), 0, &book), 3);
    EXPECT_EQ(lib_.CBICheckVersion(ebook.c_str()), 0);
    EXPECT_NE(lib_.CBICheckVersion(kSampleSys.c_str()), 0);
}

TEST(ShelfDriverAlone, ReadsTheCatalogBesideItselfWhenNoneIsOpen) {
    TempFolder dir;
    // A separate copy of the library, so that no catalog is open in it.
    std::string path = CopyLibrary(TAVRIN_SHELF_DRIVER_PATH, dir.Path(), "Books.Dll");
    DriverLibrary lib(path);
    ASSERT_TRUE(lib.Loaded());
    char url[CBI_URL_SIZE];
    EXPECT_EQ(lib.GetDescFileURLbyClassID("TRAVEL", url), 0); // no Tavrin.Sys here yet

    dir.Write("shelf.catalog", "tavrin-catalog 1\n"
                               "descurl \"TRAVEL\" = \"file:///srv/travel.html\"\n"
                               "catalog \"Root\" {\n"
                               "    catalog \"Unclassified\" {\n        id = 65535\n    }\n"
                               "}\n");
    ASSERT_EQ(tavrin::bookc::BuildFile(dir.File("shelf.catalog"), dir.File("Tavrin.Sys")), "");
    ASSERT_NE(lib.GetDescFileURLbyClassID("travel", url), 0);
    EXPECT_STREQ(url, "file:///srv/travel.html");
}

TEST(ShelfDriverAlone, EntryWithoutSettingsReadsItsFirstChildsPage) {
    TempFolder dir;
    dir.Write("shelf.catalog", "tavrin-catalog 1\n"
                               "catalog \"Root\" {\n"
                               "    catalog \"Group\" {\n"
                               "        nosettings\n"
                               "        catalog \"Member\" {\n            id = 42\n        }\n"
                               "    }\n"
                               "}\n");
    ASSERT_EQ(tavrin::bookc::BuildFile(dir.File("shelf.catalog"), dir.File("Tavrin.Sys")), "");
    DriverLibrary lib(TAVRIN_SHELF_DRIVER_PATH);
    CBI_HBOOK shelf = 0;
    ASSERT_EQ(lib.CBIOpenBook(dir.File("Tavrin.Sys").c_str(), 0, &shelf), 0);
    CBI_HITEM group = lib.CBIVPGetChildItem(shelf, lib.CBIVPGetRootItem(shelf));
    EXPECT_LT(lib.CBIVPItemToPage(shelf, group), 0);
    EXPECT_EQ(ControlReads(lib, shelf, group, "CONFIG", "ID"), "42");
    lib.CBICloseBook(shelf);
}

} // namespace

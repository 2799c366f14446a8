// eBookDrv.dll through its entry points: books added to the store get ids and classes, are found
// again by the shelf, open cheaply, serve their pages and contents; duplicates and damaged files
// leave the store as it was; deleted books are gone.
#include "epub_fixtures/ebook_driver.h"

#include <algorithm>

namespace {

using epubtest::BookSpec;
using epubtest::EbookDriverTest;
using epubtest::ShelfClass;
using epubtest::Spec;

TEST_F(EbookDriverTest, AnEmptyStoreOpensWithNoClassesThroughTheBookAndShelfCallsOnly) {
    EXPECT_NE(cbi_->CBIShelfAddBook, nullptr);
    EXPECT_NE(cbi_->CBIVPPageToItem, nullptr);
    EXPECT_EQ(cbi_->CBICheckVersion, nullptr); // stored books are opened by id, never by file path
    EXPECT_EQ(cbi_->CBIBookSerial, nullptr);
    EXPECT_EQ(cbi_->CBIDictAttr, nullptr);
    EXPECT_NE(cbi_->GetDescFileURLbyClassID, nullptr); // the classes' description pages
    EXPECT_NE(cbi_->CBIGetErrorText, nullptr);
    uint16_t count = 7;
    CBIShelfBlock block{};
    EXPECT_NE(cbi_->CBIShelfOpen(&count, &block), 0);
    EXPECT_EQ(count, 0);
    CBI_HBOOK book = 0;
    EXPECT_NE(cbi_->CBIOpenBook("1", 0, &book), 0);
    EXPECT_TRUE(Snapshot().empty()); // opening creates nothing
}

TEST_F(EbookDriverTest, AddedBooksGetIdsAndClassesFromTheirFirstSubject) {
    EXPECT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("Tides", "Oceanography and Coastal Studies")))), 1);
    EXPECT_EQ(Add(Book("b.epub", epubtest::Epub2(Spec("Plain")))), 1);
    EXPECT_EQ(Add(Book("c.epub", epubtest::Epub2(Spec("Waves", "oceanography and coastal studies")))), 1);
    std::vector<ShelfClass> classes = Collect();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].name, "Oceanography and");
    EXPECT_LE(classes[0].key.size(), 32u);
    EXPECT_EQ(classes[0].ids, (std::vector<uint32_t>{1, 3})); // subjects differing in case share a class
    EXPECT_EQ(classes[1].name, "E-books");
    EXPECT_EQ(classes[1].ids, (std::vector<uint32_t>{2}));

    CBI_HBOOK book = Open(3);
    EXPECT_EQ(Name(book), "Waves");
    EXPECT_EQ(Number(book), "EPUB3");
    CBICaps caps{};
    ASSERT_NE(cbi_->CBIGetCaps(book, &caps), 0);
    EXPECT_EQ(caps.wCaps, CBI_CAP_SHARED_HTML | CBI_CAP_CONTENTS);
    EXPECT_EQ(caps.wBookClass, CBI_CLASS_EBOOK);
    cbi_->CBICloseBook(book);
    EXPECT_EQ(cbi_->CBIGetCaps(book, &caps), 0); // closed handles are unknown
}

// The same package identifier and title is the same book, however packed; a book without a title is
// named after its file and known by its identifier.
TEST_F(EbookDriverTest, AddingTheSameBookAgainAnswers4) {
    std::string path = Book("a.epub", epubtest::Epub3(Spec("Tides")));
    ASSERT_EQ(Add(path), 1);
    auto before = Snapshot();
    EXPECT_EQ(Add(path), 4);
    // Same package identifier and title, packed differently: the same book.
    epubtest::Files repacked = epubtest::Epub3(Spec("Tides"));
    std::reverse(repacked.begin(), repacked.end());
    EXPECT_EQ(Add(Book("a2.epub", repacked)), 4);
    EXPECT_EQ(Snapshot(), before);
    // Same identifier but another title is another book (identifiers are not always unique).
    EXPECT_EQ(Add(Book("a3.epub", epubtest::Epub3(Spec("Tides, second edition", "", "urn:test:Tides")))), 1);

    epubtest::Files files = epubtest::Epub2(Spec("", "", "urn:test:untitled"));
    std::string& opf = epubtest::FindEntry(files, "book/package.opf")->data;
    opf.erase(opf.find("<dc:title>"), std::string("<dc:title></dc:title>").size());
    ASSERT_EQ(Add(Book("harbour notes.epub", files)), 1);
    CBI_HBOOK book = Open(3);
    EXPECT_EQ(Name(book), "harbour notes");
    cbi_->CBICloseBook(book);
    std::reverse(files.begin(), files.end()); // other bytes, same package
    EXPECT_EQ(Add(Book("harbour notes 2.epub", files)), 4);
}

TEST_F(EbookDriverTest, DamagedFilesAreRefusedAndLeaveTheStoreAsItWas) {
    ASSERT_EQ(Add(Book("good.epub", epubtest::Epub3(Spec("Good")))), 1);
    const auto before = Snapshot();

    std::vector<std::string> bad;
    bad.push_back(tmp_.Write("text.epub", "just some text"));
    std::string good = epubtest::ReadFile(tmp_.File("good.epub"));
    bad.push_back(tmp_.Write("cut.epub", good.substr(0, good.size() / 2)));
    epubtest::Files noPackage = epubtest::Epub3(Spec("NoPackage"));
    epubtest::RemoveEntry(noPackage, "OEBPS/content.opf");
    bad.push_back(Book("nopackage.epub", noPackage));
    epubtest::Files brokenPackage = epubtest::Epub3(Spec("Broken"));
    epubtest::FindEntry(brokenPackage, "OEBPS/content.opf")->data = "<package><metadata>";
    bad.push_back(Book("broken.epub", brokenPackage));
    epubtest::Files climbing = epubtest::Epub3(Spec("Climb"));
    climbing.push_back({"../../outside.xhtml", "x"});
    bad.push_back(Book("climb.epub", climbing));
    BookSpec big = Spec("Lies");
    big.filler = std::string(100000, 'q');
    std::string lying = epubtest::ReadFile(Book("lies.epub", epubtest::Epub3(big)));
    ASSERT_TRUE(epubtest::PatchDeclaredSize(lying, "OEBPS/text/ch1.xhtml", 500));
    bad.push_back(tmp_.Write("lies.epub", lying));
    bad.push_back(tmp_.File("missing.epub"));
    bad.push_back(tmp_.Path()); // a folder

    for (const std::string& path : bad) {
        EXPECT_EQ(Add(path), 0) << path;
        EXPECT_EQ(Snapshot(), before) << path;
    }
    EXPECT_EQ(cbi_->CBIShelfAddBook(""), 0);
    EXPECT_EQ(cbi_->CBIShelfAddBook(nullptr), 0);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1}));
}

TEST_F(EbookDriverTest, DeletedBooksLeaveAndTheirIdsAreNotGivenOutAgainAtOnce) {
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("A")))), 1);
    ASSERT_EQ(Add(Book("b.epub", epubtest::Epub3(Spec("B")))), 1);
    cbi_->CBIShelfDelBook("1");
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{2}));
    EXPECT_EQ(FileNames(), (std::set<std::string>{"2.epub", "index"}));
    CBI_HBOOK book = 0;
    EXPECT_NE(cbi_->CBIOpenBook("1", 0, &book), 0);
    ASSERT_EQ(Add(Book("c.epub", epubtest::Epub3(Spec("C")))), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{2, 3}));
    // The deleted book can come back, under a new id.
    EXPECT_EQ(Add(tmp_.File("a.epub")), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{2, 3, 4}));

    cbi_->CBIShelfDelBook("99"); // not in the store
    cbi_->CBIShelfDelBook("2x"); // not an id
    cbi_->CBIShelfDelBook(nullptr);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{2, 3, 4}));
}

TEST_F(EbookDriverTest, OnlyDecimalIdsOfStoredBooksOpen) {
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("A")))), 1);
    CBI_HBOOK book = 0;
    for (const char* text : {"0", "01x", "", "-1", "65536", "1 ", "2", "/tmp/a.epub"})
        EXPECT_NE(cbi_->CBIOpenBook(text, 0, &book), 0) << text;
    EXPECT_NE(cbi_->CBIOpenBook(nullptr, 0, &book), 0);
    EXPECT_NE(cbi_->CBIOpenBook("1", 0, nullptr), 0);
    CBI_HBOOK first = Open(1);
    CBI_HBOOK second = Open(1); // each open is its own handle
    EXPECT_NE(first, second);
    cbi_->CBICloseBook(first);
    EXPECT_EQ(Name(second), "A");
    cbi_->CBICloseBook(second);
}

TEST_F(EbookDriverTest, PagesAreTheSpineDocumentsRawAndZeroTerminated) {
    epubtest::Files files = epubtest::Epub3(Spec("Pages"));
    ASSERT_EQ(Add(Book("p.epub", files)), 1);
    CBI_HBOOK book = Open(1);
    ASSERT_EQ(cbi_->CBIGetPageCount(book), 3);
    const char* names[] = {"OEBPS/text/ch1.xhtml", "OEBPS/text/ch2.xhtml", "OEBPS/text/chapter three.xhtml"};
    for (int p = 0; p < 3; ++p) {
        const std::string& xhtml = epubtest::FindEntry(files, names[p])->data;
        int32_t size = cbi_->CBIGetPageSize(book, p);
        ASSERT_EQ(size, static_cast<int32_t>(xhtml.size() + 1));
        std::vector<unsigned char> page(static_cast<size_t>(size) + 1, 0xEE);
        ASSERT_EQ(cbi_->CBIGetPage(book, p, page.data(), size), size);
        EXPECT_EQ(std::string(page.begin(), page.begin() + size - 1), xhtml);
        EXPECT_EQ(page[static_cast<size_t>(size) - 1], 0);
        EXPECT_EQ(page[static_cast<size_t>(size)], 0xEE); // nothing past the size asked for
    }
    unsigned char small[10];
    EXPECT_EQ(cbi_->CBIGetPage(book, 0, small, sizeof small), 10);
    EXPECT_EQ(cbi_->CBIGetPageSize(book, 3), 0);
    EXPECT_EQ(cbi_->CBIGetPageSize(book, -1), 0);
    EXPECT_EQ(cbi_->CBIGetPage(book, 3, small, sizeof small), 0);
    cbi_->CBICloseBook(book);
}

TEST_F(EbookDriverTest, ContentsTreeWalksLikeTheShelfAndMapsPagesBothWays) {
    ASSERT_EQ(Add(Book("t.epub", epubtest::Epub3(Spec("Contents")))), 1);
    CBI_HBOOK book = Open(1);
    CBI_HITEM root = cbi_->CBIVPGetRootItem(book);
    ASSERT_NE(root, 0u);
    EXPECT_EQ(cbi_->CBIVPGetParentItem(book, root), 0u);
    ASSERT_NE(cbi_->CBIVPItemHasChildren(book, root), 0);

    auto text = [&](CBI_HITEM item) {
        char buffer[CBI_ITEM_TEXT_CAPACITY] = {};
        cbi_->CBIVPGetItemText(book, item, buffer, CBI_ITEM_TEXT_CAPACITY);
        return std::string(buffer);
    };
    std::vector<std::string> first;
    std::vector<int32_t> pages;
    CBI_HITEM two = 0;
    for (CBI_HITEM item = cbi_->CBIVPGetChildItem(book, root); item;
         item = cbi_->CBIVPGetNextSiblingItem(book, item)) {
        first.push_back(text(item));
        pages.push_back(cbi_->CBIVPItemToPage(book, item));
        EXPECT_EQ(cbi_->CBIVPGetParentItem(book, item), root);
        if (text(item) == "Two") two = item;
    }
    EXPECT_EQ(first, (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(pages, (std::vector<int32_t>{0, 1, 2}));
    ASSERT_NE(two, 0u);
    ASSERT_NE(cbi_->CBIVPItemHasChildren(book, two), 0);
    CBI_HITEM half = cbi_->CBIVPGetNextSiblingItem(book, cbi_->CBIVPGetChildItem(book, two));
    EXPECT_EQ(text(half), "Two, second half");
    EXPECT_EQ(cbi_->CBIVPItemToPage(book, half), 1); // "#s1" leads to its document's page
    EXPECT_EQ(cbi_->CBIVPGetParentItem(book, half), two);
    EXPECT_EQ(cbi_->CBIVPItemHasChildren(book, half), 0);

    EXPECT_EQ(cbi_->CBIVPPageToItem(book, 1), two); // the first entry of the page holds it
    EXPECT_EQ(text(cbi_->CBIVPPageToItem(book, 2)), "Three");
    EXPECT_EQ(cbi_->CBIVPPageToItem(book, -1), 0u);
    EXPECT_EQ(cbi_->CBIVPItemToPage(book, root), CBI_NO_PAGE);
    EXPECT_EQ(cbi_->CBIVPItemToPage(book, 0), CBI_NO_PAGE);
    EXPECT_EQ(cbi_->CBIVPGetChildItem(book, 999), 0u);
    EXPECT_EQ(text(root), "Contents"); // the root stands for the book

    char tiny[4];
    EXPECT_EQ(cbi_->CBIVPGetItemText(book, half, tiny, sizeof tiny), 3);
    EXPECT_STREQ(tiny, "Two");
    cbi_->CBICloseBook(book);
}

TEST_F(EbookDriverTest, LongTitlesAreCutOnACharacterBoundaryForTheCallersBuffer) {
    std::string title;
    for (int i = 0; i < 100; ++i)
        title += "\xE6\x97\xA5"; // 300 bytes
    ASSERT_EQ(Add(Book("t.epub", epubtest::Epub2(Spec(title)))), 1);
    CBI_HBOOK book = Open(1);
    std::vector<char> name(256, 'x');
    EXPECT_EQ(cbi_->CBIGetBkName(book, 3, name.data(), 255), 252);
    EXPECT_EQ(std::string(name.data()), title.substr(0, 252));
    cbi_->CBICloseBook(book);
}

TEST_F(EbookDriverTest, AStoreFolderOfAnotherProcessIsReadAgainOnOpen) {
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("A")))), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1}));
    // Another store for the same driver: the shelf's next collection reads the new folder.
    std::string other = tmp_.File("other");
    setenv("TAVRIN_EBOOK_STORE", other.c_str(), 1);
    EXPECT_TRUE(AllIds().empty());
    setenv("TAVRIN_EBOOK_STORE", store_.c_str(), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1}));
}

// A line of the index whose book file is gone lists no book; a file named like a book that is no
// EPUB is moved aside into a quarantine folder made for it (the other leftovers of killed changes are
// the repair tests').
TEST_F(EbookDriverTest, AnIndexLineWhoseFileIsGoneListsNoBookAndAnOrphanThatIsNoBookIsMovedAside) {
    ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(Spec("A")))), 1);
    epubtest::WriteFile(store_ + "/2.epub", "an orphan the index does not name");
    std::string index = epubtest::ReadFile(store_ + "/index");
    epubtest::WriteFile(store_ + "/index", index + "9\t1\t1\tebooks\tE-books\t\tFile gone\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1}));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(FileNames(), (std::set<std::string>{"1.epub", "index", "quarantine"}));
    EXPECT_EQ(epubtest::ReadFile(store_ + "/quarantine/2.epub"), "an orphan the index does not name");
}

// The sample e-books of the sample shelf, packed by the build.
TEST_F(EbookDriverTest, TheSampleBooksAreAddedWithTheirClassesAndContents) {
    ASSERT_EQ(Add(TAVRIN_EBOOK_SAMPLE_DIR "/lantern-keeper.epub"), 1);
    ASSERT_EQ(Add(TAVRIN_EBOOK_SAMPLE_DIR "/garden-almanac.epub"), 1);
    std::vector<ShelfClass> classes = Collect();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].name, "Short Stories");
    EXPECT_EQ(classes[1].name, "E-books");

    std::vector<std::string> titles;
    std::vector<std::string> firstEntries;
    for (uint32_t id : {1u, 2u}) {
        CBI_HBOOK book = Open(id);
        titles.push_back(Name(book));
        char text[CBI_ITEM_TEXT_CAPACITY] = {};
        CBI_HITEM first = cbi_->CBIVPGetChildItem(book, cbi_->CBIVPGetRootItem(book));
        cbi_->CBIVPGetItemText(book, cbi_->CBIVPGetChildItem(book, first), text, CBI_ITEM_TEXT_CAPACITY);
        firstEntries.push_back(text);
        EXPECT_EQ(cbi_->CBIGetPageCount(book), 3);
        cbi_->CBICloseBook(book);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"The Lantern Keeper", "A Small Garden Almanac"}));
    // The lantern keeper's first entry has no children; the almanac's "Spring" has "Sowing peas".
    EXPECT_EQ(firstEntries, (std::vector<std::string>{"", "Sowing peas"}));
}

} // namespace

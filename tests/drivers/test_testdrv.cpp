// The scriptable test driver, driven through dlopen as the shelf drives a driver: its set-up calls,
// its counts, its contents tree, its bounded writes, its store and dictionary roles, its instances
// and the variants that really lack entry points.
#include "common/temp_folder.h"
#include "support/cbi_table.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

class TestDriverTest : public testing::Test {
  protected:
    TestDriverTest()
        : path_(testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, tmp_.Path(), "Books.Dll")), drv_(path_),
          cbi_(drv_.Library()) {
        drv_.Reset();
    }

    CBI_HBOOK OpenOk(const std::string& book) {
        CBI_HBOOK h = 0;
        EXPECT_EQ(cbi_.CBIOpenBook(book.c_str(), 0, &h), 0) << book;
        return h;
    }

    // Walks the contents as the shelf does and writes them as "text(page)[children],...".
    std::string Walk(CBI_HBOOK book, CBI_HITEM item) {
        std::string out;
        for (CBI_HITEM it = cbi_.CBIVPGetChildItem(book, item); it;
             it = cbi_.CBIVPGetNextSiblingItem(book, it)) {
            char text[CBI_ITEM_TEXT_CAPACITY];
            cbi_.CBIVPGetItemText(book, it, text, sizeof text);
            if (!out.empty()) out += ",";
            out += std::string(text) + "(" + std::to_string(cbi_.CBIVPItemToPage(book, it)) + ")";
            if (cbi_.CBIVPItemHasChildren(book, it)) out += "[" + Walk(book, it) + "]";
        }
        return out;
    }

    testfs::TempFolder tmp_;
    std::string path_;
    testdrv::Driver drv_;
    CbiTable cbi_;
};

// Opens and closes are counted per book and in total, from the handle the test sets; a second close
// and an unknown handle are misuse, not closes; Reset forgets books and counts.
TEST_F(TestDriverTest, CountsOpensClosesAndMisuse) {
    drv_.AddBook("a.ebd");
    drv_.AddBook("b.ebd");
    drv_.SetNextHandle(0x4000);
    CBI_HBOOK a1 = OpenOk("a.ebd"), a2 = OpenOk("a.ebd"), b = OpenOk("b.ebd");
    EXPECT_EQ(a1, 0x4000u);
    EXPECT_EQ(a2, 0x4001u);
    EXPECT_EQ(drv_.OpenCount(), 3);
    EXPECT_EQ(drv_.OpenBooks(), 3);
    EXPECT_EQ(drv_.BookOpenCount("a.ebd"), 2);
    EXPECT_EQ(drv_.LastHandle("a.ebd"), a2);

    cbi_.CBICloseBook(a1);
    cbi_.CBICloseBook(b);
    EXPECT_EQ(drv_.CloseCount(), 2);
    EXPECT_EQ(drv_.OpenBooks(), 1);
    EXPECT_EQ(drv_.BookCloseCount("a.ebd"), 1);
    EXPECT_EQ(drv_.BookCloseCount("b.ebd"), 1);
    EXPECT_EQ(drv_.MisuseCount(), 0);

    cbi_.CBICloseBook(b);
    EXPECT_EQ(drv_.CloseCount(), 2);
    EXPECT_EQ(drv_.MisuseCount(), 1);
    CBICaps caps{};
    EXPECT_EQ(cbi_.CBIGetCaps(b, &caps), 0); // closed handle
    EXPECT_EQ(cbi_.CBIVPGetRootItem(0x7777), 0u);
    EXPECT_EQ(drv_.MisuseCount(), 3);

    drv_.Reset();
    CBI_HBOOK h = 0;
    EXPECT_NE(cbi_.CBIOpenBook("a.ebd", 0, &h), 0);
    EXPECT_EQ(drv_.OpenCount(), 0);
    EXPECT_EQ(drv_.OpenBooks(), 0);
    EXPECT_EQ(drv_.Log().find("CBIOpenBook \"a.ebd\" 0 -> 0"), std::string::npos);
}

TEST_F(TestDriverTest, OpenFailsForUnknownPathsAndConfiguredFailuresWithoutWritingTheHandle) {
    drv_.AddBook("bad.ebd");
    drv_.SetOpenResult("bad.ebd", 5);
    CBI_HBOOK h = 0xDEAD;
    EXPECT_EQ(cbi_.CBIOpenBook("bad.ebd", 0, &h), 5);
    EXPECT_NE(cbi_.CBIOpenBook("nowhere.ebd", 0, &h), 0);
    EXPECT_EQ(h, 0xDEADu);
    EXPECT_EQ(drv_.OpenCount(), 0);
    EXPECT_EQ(drv_.LastHandle("bad.ebd"), 0u);
}

TEST_F(TestDriverTest, CapsFillTheWholeRecordOrFailUntouchedAndCheckVersionAnswersForConfiguredFiles) {
    drv_.AddBook("a.ebd");
    drv_.SetCaps("a.ebd", CBI_CAP_CONTENTS | CBI_CAP_SHARED_HTML, 0xFE);
    CBI_HBOOK h = OpenOk("a.ebd");
    CBICaps caps;
    std::memset(&caps, 0xAA, sizeof caps);
    ASSERT_NE(cbi_.CBIGetCaps(h, &caps), 0);
    EXPECT_EQ(caps.wCaps, 0x280);
    EXPECT_EQ(caps.wBookClass, 0xFE);
    EXPECT_EQ(caps.reserved[CBI_CAPS_SIZE - 5], 0); // the last byte was written too

    drv_.SetCapsFails("a.ebd", 1);
    std::memset(&caps, 0xAA, sizeof caps);
    EXPECT_EQ(cbi_.CBIGetCaps(h, &caps), 0);
    EXPECT_EQ(caps.wCaps, 0xAAAA);

    drv_.AddBook("old.ebd");
    drv_.SetCheckVersion("old.ebd", 0);
    EXPECT_NE(cbi_.CBICheckVersion("a.ebd"), 0);
    EXPECT_EQ(cbi_.CBICheckVersion("old.ebd"), 0);
    EXPECT_EQ(cbi_.CBICheckVersion("other.ebd"), 0);
}

TEST_F(TestDriverTest, NamesPerLocaleWithFallbackAndCapacity) {
    drv_.AddBook("a.ebd");
    drv_.SetName("a.ebd", 3, "Three");
    drv_.SetName("a.ebd", TD_ANY_LOCALE, "Fallback name");
    CBI_HBOOK h = OpenOk("a.ebd");
    char name[CBI_NAME_CAPACITY];
    cbi_.CBIGetBkName(h, 3, name, 255);
    EXPECT_STREQ(name, "Three");
    cbi_.CBIGetBkName(h, 1, name, 255);
    EXPECT_STREQ(name, "Fallback name");

    char small[12];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(cbi_.CBIGetBkName(h, 1, small, 5), 4);
    EXPECT_STREQ(small, "Fall");
    EXPECT_EQ(small[5], '#'); // nothing beyond the capacity
    EXPECT_NE(drv_.Log().find("CBIGetBkName " + std::to_string(h) + " 1 5 -> 4"), std::string::npos);
}

TEST_F(TestDriverTest, ExtendedBookNumberWritesExactlyTheGivenLengthAndTheSerialOnlyWhenSet) {
    drv_.AddBook("a.ebd");
    drv_.SetExBookNo("a.ebd", "ZX-2F");
    CBI_HBOOK h = OpenOk("a.ebd");
    ASSERT_EQ(cbi_.CBIExBookNoLength(h), 5);
    char number[8];
    std::memset(number, '#', sizeof number);
    cbi_.CBIExBookNo(h, number, 5);
    EXPECT_EQ(std::string(number, 5), "ZX-2F");
    EXPECT_EQ(number[5], '#');

    drv_.SetExBookNoLength("a.ebd", 300); // a driver that reports more than the shelf's buffer holds
    EXPECT_EQ(cbi_.CBIExBookNoLength(h), 300);

    drv_.AddBook("b.ebd");
    drv_.SetSerial("b.ebd", 0x2F);
    uint32_t serial = 0;
    cbi_.CBIBookSerial(h, &serial);
    EXPECT_EQ(serial, 0u);
    cbi_.CBIBookSerial(OpenOk("b.ebd"), &serial);
    EXPECT_EQ(serial, 0x2Fu);
}

// The contents walk in order with parents and pages, item texts cut to the capacity, and an item
// that says it has children without having any, as a broken driver would.
TEST_F(TestDriverTest, ContentsTreeWalksInOrderWithParentsAndPages) {
    const char* book = "a.ebd";
    drv_.AddBook(book);
    uint32_t root = drv_.AddItem(book, 0, "root", -1);
    uint32_t a = drv_.AddItem(book, root, "A", 0);
    uint32_t a1 = drv_.AddItem(book, a, "A1", 1);
    drv_.AddItem(book, a, "A2", 2);
    drv_.AddItem(book, root, "B", 3);
    CBI_HBOOK h = OpenOk(book);

    ASSERT_EQ(cbi_.CBIVPGetRootItem(h), root);
    EXPECT_EQ(Walk(h, root), "A(0)[A1(1),A2(2)],B(3)");
    EXPECT_EQ(cbi_.CBIVPGetParentItem(h, a1), a);
    EXPECT_EQ(cbi_.CBIVPGetParentItem(h, a), root);
    EXPECT_EQ(cbi_.CBIVPGetParentItem(h, root), 0u);
    EXPECT_EQ(cbi_.CBIVPItemToPage(h, root), CBI_NO_PAGE);
    EXPECT_EQ(drv_.MisuseCount(), 0);

    uint32_t item = drv_.AddItem(book, root, std::string(300, 'x').c_str(), 0);
    char text[CBI_ITEM_TEXT_CAPACITY + 4];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(cbi_.CBIVPGetItemText(h, item, text, CBI_ITEM_TEXT_CAPACITY), CBI_ITEM_TEXT_CAPACITY - 1);
    EXPECT_EQ(std::strlen(text), size_t{CBI_ITEM_TEXT_CAPACITY - 1});
    EXPECT_EQ(text[CBI_ITEM_TEXT_CAPACITY], '#');

    drv_.SetItemHasChildren(book, item, 1);
    EXPECT_NE(cbi_.CBIVPItemHasChildren(h, item), 0);
    EXPECT_EQ(cbi_.CBIVPGetChildItem(h, item), 0u);
}

TEST_F(TestDriverTest, PageToItemFindsTheHoldingEntryUnlessTold) {
    const char* book = "a.ebd";
    drv_.AddBook(book);
    uint32_t root = drv_.AddItem(book, 0, "root", -1);
    uint32_t ch = drv_.AddItem(book, root, "chapter", 5);
    uint32_t first = drv_.AddItem(book, ch, "first", 5);
    uint32_t second = drv_.AddItem(book, ch, "second", 9);
    CBI_HBOOK h = OpenOk(book);
    EXPECT_EQ(cbi_.CBIVPPageToItem(h, 4), 0u);
    EXPECT_EQ(cbi_.CBIVPPageToItem(h, 5), first); // tie: the later one in pre-order
    EXPECT_EQ(cbi_.CBIVPPageToItem(h, 8), first);
    EXPECT_EQ(cbi_.CBIVPPageToItem(h, 30), second);
    drv_.SetPageToItem(book, 30, ch);
    EXPECT_EQ(cbi_.CBIVPPageToItem(h, 30), ch);
}

TEST_F(TestDriverTest, PagesKeepTheirBytesAndRespectTheBufferSize) {
    const unsigned char page[] = {'a', 0xFF, 0x0A, 0x00, 'b', 0xA4, 0x40};
    drv_.AddBook("a.ebd");
    drv_.SetPage("a.ebd", 2, page, sizeof page);
    CBI_HBOOK h = OpenOk("a.ebd");
    EXPECT_EQ(cbi_.CBIGetPageCount(h), 3);
    EXPECT_EQ(cbi_.CBIGetPageSize(h, 2), static_cast<int32_t>(sizeof page));
    EXPECT_EQ(cbi_.CBIGetPageSize(h, 1), 0);

    unsigned char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(cbi_.CBIGetPage(h, 2, buffer, sizeof page), static_cast<int32_t>(sizeof page));
    EXPECT_EQ(std::memcmp(buffer, page, sizeof page), 0);
    EXPECT_EQ(buffer[sizeof page], '#');

    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(cbi_.CBIGetPage(h, 2, buffer, 3), 3);
    EXPECT_EQ(buffer[3], '#');

    drv_.SetPageCount("a.ebd", 0);
    EXPECT_EQ(cbi_.CBIGetPageCount(h), 0);
}

TEST_F(TestDriverTest, DictionaryAttributesAndClassNumber) {
    drv_.AddBook("d.dic");
    drv_.AddBook("plain.ebd");
    drv_.SetDictAttr("d.dic", 0x34, 0x12);
    drv_.SetDictClassNo("d.dic", 0x107);
    CBIDictAttrBlock attr;
    std::memset(&attr, 0xAA, sizeof attr);
    CBI_HBOOK d = OpenOk("d.dic");
    ASSERT_NE(cbi_.CBIDictAttr(d, &attr), 0);
    EXPECT_EQ(attr.bIdLow, 0x34);
    EXPECT_EQ(attr.bIdHigh, 0x12);
    EXPECT_EQ(attr.reserved6[5], 0);
    EXPECT_EQ(cbi_.CBIDictClassNo(d) & 0xFF, 0x07);

    CBI_HBOOK p = OpenOk("plain.ebd");
    EXPECT_EQ(cbi_.CBIDictAttr(p, &attr), 0);
    EXPECT_EQ(cbi_.CBIDictClassNo(p), 1);
}

TEST_F(TestDriverTest, DictionaryLibraryGivesHandlesForAcceptedIdsOnly) {
    drv_.DicAccept(0x071234);
    EXPECT_EQ(cbi_.dicCreateHDICT(0x071235), nullptr);
    EXPECT_EQ(drv_.DicLastId(), 0x071235u);
    CBI_HDICT dict = cbi_.dicCreateHDICT(0x071234);
    ASSERT_NE(dict, nullptr);
    cbi_.dicFreeHDICT(dict);
    cbi_.dicFreeHDICT(dict);
    EXPECT_EQ(drv_.DicCreateCount(), 1);
    EXPECT_EQ(drv_.DicFreeCount(), 1);
    EXPECT_EQ(drv_.MisuseCount(), 1);

    drv_.DicAcceptAll(1);
    EXPECT_NE(cbi_.dicCreateHDICT(0x010000), nullptr);
}

TEST_F(TestDriverTest, StoreReportsClassesAndBooksWithinTheShelfsBuffers) {
    int c0 = drv_.ShelfAddClass("Novels", "novels");
    int c1 = drv_.ShelfAddClass("A class name far too long", std::string(40, 'k').c_str());
    drv_.ShelfAddBookId(c0, 7);
    drv_.ShelfAddBookId(c0, 0x10009);

    uint16_t count = 0;
    CBIShelfBlock block;
    ASSERT_NE(cbi_.CBIShelfOpen(&count, &block), 0);
    EXPECT_EQ(count, 2);

    char name[CBI_CLASS_NAME_SIZE + 4], key[CBI_CLASS_KEY_SIZE + 4];
    std::memset(name, '#', sizeof name);
    std::memset(key, '#', sizeof key);
    uint16_t books = 0;
    ASSERT_NE(cbi_.CBIShelfGetClassAttr(c1, name, key, &books), 0);
    EXPECT_EQ(std::strlen(name), size_t{16});
    EXPECT_EQ(std::strlen(key), size_t{32});
    EXPECT_EQ(name[CBI_CLASS_NAME_SIZE], '#');
    EXPECT_EQ(key[CBI_CLASS_KEY_SIZE], '#');
    EXPECT_EQ(books, 0);

    ASSERT_NE(cbi_.CBIShelfGetClassAttr(c0, name, key, &books), 0);
    EXPECT_STREQ(key, "novels");
    EXPECT_EQ(books, 2);
    char attr[CBI_BOOK_ATTR_SIZE];
    uint32_t id = 0;
    ASSERT_NE(cbi_.CBIShelfGetBookAttr(c0, 1, attr, &id), 0);
    EXPECT_EQ(id & 0xFFFF, 9u);
    EXPECT_EQ(cbi_.CBIShelfGetBookAttr(c0, 2, attr, &id), 0);

    drv_.ShelfSetClassFails(c0, 1);
    drv_.ShelfSetBookAttrFails(c0, 0, 1);
    EXPECT_EQ(cbi_.CBIShelfGetClassAttr(c0, name, key, &books), 0);
    EXPECT_EQ(cbi_.CBIShelfGetBookAttr(c0, 0, attr, &id), 0);

    cbi_.CBIShelfClose();
    EXPECT_EQ(drv_.ShelfOpenCount(), 1);
    EXPECT_EQ(drv_.ShelfCloseCount(), 1);
}

TEST_F(TestDriverTest, StoreOpenAddBookAndDescriptionsFollowTheSetUp) {
    drv_.ShelfSetOpenResult(0);
    uint16_t count = 99;
    CBIShelfBlock block;
    EXPECT_EQ(cbi_.CBIShelfOpen(&count, &block), 0);
    EXPECT_EQ(drv_.ShelfOpenCount(), 0);

    EXPECT_EQ(cbi_.CBIShelfAddBook("/x/new.epub"), 1);
    drv_.ShelfSetAddBookResult(4);
    EXPECT_EQ(cbi_.CBIShelfAddBook("/x/new.epub"), 4);
    cbi_.CBIShelfDelBook("7");
    EXPECT_EQ(drv_.CallCount("CBIShelfAddBook"), 2);
    EXPECT_NE(drv_.Log().find("CBIShelfDelBook \"7\" -> done"), std::string::npos);

    drv_.SetDescURL("novels", std::string(300, 'u').c_str());
    char url[CBI_URL_SIZE + 4];
    std::memset(url, '#', sizeof url);
    EXPECT_NE(cbi_.GetDescFileURLbyClassID("novels", url), 0);
    EXPECT_EQ(std::strlen(url), size_t{CBI_URL_SIZE - 1});
    EXPECT_EQ(url[CBI_URL_SIZE], '#');
    EXPECT_EQ(cbi_.GetDescFileURLbyClassID("poems", url), 0);
}

TEST_F(TestDriverTest, LogHasOneLinePerCallAndCanBeCleared) {
    drv_.AddBook("a.ebd");
    CBI_HBOOK h = OpenOk("a.ebd");
    cbi_.CBIGetPageCount(h);
    const std::string h_text = std::to_string(h);
    EXPECT_EQ(drv_.Log(),
              "CBIOpenBook \"a.ebd\" 0 -> 0 " + h_text + "\nCBIGetPageCount " + h_text + " -> 0\n");
    EXPECT_EQ(drv_.CallCount("CBIOpenBook"), 1);

    char cut[10];
    EXPECT_EQ(drv_.CallLog(cut, sizeof cut), drv_.Log().size());
    EXPECT_EQ(std::string(cut), drv_.Log().substr(0, 9));

    drv_.ClearLog();
    EXPECT_EQ(drv_.Log(), "");
    EXPECT_EQ(drv_.CallCount("CBIOpenBook"), 0);
    EXPECT_EQ(drv_.OpenCount(), 1); // counts of books stay
}

TEST_F(TestDriverTest, EachCopyIsItsOwnInstanceAndTheSamePathTheSameOne) {
    std::string other = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, tmp_.Path(), "mydrv.dll");
    testdrv::Driver second(other);
    second.Reset();
    drv_.AddBook("a.ebd");
    CbiTable secondCbi(second.Library());
    CBI_HBOOK h = 0;
    EXPECT_NE(secondCbi.CBIOpenBook("a.ebd", 0, &h), 0); // the other copy knows no books

    testdrv::Driver again(path_);
    EXPECT_EQ(again.Library(), drv_.Library());
    again.AddBook("b.ebd");
    OpenOk("b.ebd");
    EXPECT_EQ(drv_.OpenCount(), 1);
}

std::set<std::string> Words(const char* text) {
    std::set<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.insert(w);
    return words;
}

// The full driver has every entry point and exports only the driver's names; each variant lacks
// exactly the entry points it says it leaves out.
TEST(TestDriverVariants, HaveTheEntryPointsTheySay) {
    testdrv::Driver full(TAVRIN_TESTDRV_PATH);
    CbiTable cbi(full.Library());
    int present = 0;
#define COUNT_PRESENT(name) present += cbi.name != nullptr;
    CBI_FOR_EACH_ENTRY_POINT(COUNT_PRESENT)
#undef COUNT_PRESENT
    EXPECT_EQ(present, CBI_ENTRY_POINT_COUNT);
    EXPECT_FALSE(full.Has("_ZN12_GLOBAL__N_11SEv"));
    EXPECT_FALSE(full.Has("_ZSt19piecewise_construct"));

    std::vector<std::string> all = {
#define ENTRY_NAME(name) #name,
        CBI_FOR_EACH_ENTRY_POINT(ENTRY_NAME)
#undef ENTRY_NAME
            "dicCreateHDICT",
        "dicFreeHDICT"};
    ASSERT_GE(std::size(kTestDriverVariants), 2u);
    for (const TestDriverVariant& v : kTestDriverVariants) {
        SCOPED_TRACE(v.name);
        std::set<std::string> omitted = Words(v.omitted);
        for (const std::string& name : omitted)
            EXPECT_NE(std::find(all.begin(), all.end(), name), all.end()) << "unknown name " << name;
        testdrv::Driver drv(v.path); // every variant keeps the TD_* calls
        for (const std::string& name : all)
            EXPECT_EQ(drv.Has(name.c_str()), omitted.count(name) == 0) << name;
    }
}

} // namespace

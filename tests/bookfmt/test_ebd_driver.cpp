// EbdBook.dll through its C entry points, loaded as the shelf loads it: identity, names per locale,
// book numbers, the contents walk, pages, dictionaries, bad handles and many books at once (more than
// the soft limit of open files).
#include "support/book_test_support.h"

#include "bookfmt/writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace booktest;

class EbdDriver : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lib_.Loaded());
        ASSERT_NE(lib_.CBIOpenBook, nullptr);
    }
    void TearDown() override {
        for (CBI_HBOOK h : open_)
            lib_.CBICloseBook(h);
    }

    std::string WriteBook(const std::string& name, const BookModel& book) {
        std::string error;
        EXPECT_TRUE(tavrin::book::WriteBookFile(book, dir_.File(name), &error)) << error;
        return dir_.File(name);
    }

    CBI_HBOOK Open(const std::string& path) {
        CBI_HBOOK h = 0;
        EXPECT_EQ(lib_.CBIOpenBook(path.c_str(), 0, &h), 0) << path;
        open_.push_back(h);
        return h;
    }

    void Close(CBI_HBOOK h) {
        lib_.CBICloseBook(h);
        std::erase(open_, h);
    }

    std::string Name(CBI_HBOOK h, int locale, int capacity = 256) {
        std::vector<char> buffer(static_cast<size_t>(capacity) + 8, '#');
        lib_.CBIGetBkName(h, locale, buffer.data(), capacity);
        EXPECT_EQ(buffer[static_cast<size_t>(capacity)], '#') << "wrote past the capacity";
        return buffer.data();
    }

    // The book number as the shelf forms it when the driver has the extended number.
    std::string Number(CBI_HBOOK h) {
        char buffer[CBI_BOOKNO_BUFFER] = {};
        int length = lib_.CBIExBookNoLength(h);
        EXPECT_GT(length, 0);
        EXPECT_LT(length, 256);
        lib_.CBIExBookNo(h, buffer, length);
        return buffer;
    }

    std::string ItemText(CBI_HBOOK h, CBI_HITEM item) {
        char buffer[CBI_ITEM_TEXT_CAPACITY];
        lib_.CBIVPGetItemText(h, item, buffer, sizeof buffer);
        return buffer;
    }

    TempFolder dir_;
    DriverLibrary lib_{TAVRIN_EBD_DRIVER_PATH};
    std::vector<CBI_HBOOK> open_;
};

// The book entry points are each called below; the shelf-store calls and the internals stay out.
TEST_F(EbdDriver, ExportsNoShelfStoreCallsAndNoInternals) {
    EXPECT_EQ(lib_.CBIShelfOpen, nullptr);
    EXPECT_EQ(lib_.GetDescFileURLbyClassID, nullptr);
    EXPECT_EQ(lib_.Symbol("_ZN6tavrin4book6Reader4OpenERKNSt7__cxx1112basic_stringIcSt11char_"
                          "traitsIcESaIcEEERKNS0_11OpenOptionsE"),
              nullptr)
        << "internals must not leave the library";
}

TEST_F(EbdDriver, CapsClassAndNamesPerLocaleOrAfterTheFile) {
    BookModel book = SmallBook();
    book.names = {{3, "Default name"}, {0x0404, "\xA4\x70\xAE\xD1"}, {0x0409, "English name"}};
    CBI_HBOOK h = Open(WriteBook("names.ebd", book));
    CBICaps caps{};
    ASSERT_NE(lib_.CBIGetCaps(h, &caps), 0);
    EXPECT_EQ(caps.wCaps, CBI_CAP_CONTENTS);
    EXPECT_EQ(caps.wBookClass, CBI_CLASS_EBOOK);
    EXPECT_EQ(Name(h, 3), "Default name");
    EXPECT_EQ(Name(h, 0x0409), "English name");
    EXPECT_EQ(Name(h, 0x0404), "\xA4\x70\xAE\xD1");
    EXPECT_EQ(Name(h, 0x0C04), "\xA4\x70\xAE\xD1"); // Chinese (Hong Kong): the Chinese name
    EXPECT_EQ(Name(h, 99), "Default name");
    EXPECT_EQ(Name(h, 0x0404, 4), "\xA4\x70"); // cut to fit, never through a character
    EXPECT_EQ(Name(h, 0x0404, 3), "\xA4\x70");
    EXPECT_EQ(Name(h, 0x0404, 2), "");
    book.names.clear();
    EXPECT_EQ(Name(Open(WriteBook("Field Notes.ebp", book)), 3), "Field Notes");
}

TEST_F(EbdDriver, BookNumberIsTheExtendedNumberElseTheSerialInHex) {
    BookModel book = SmallBook();
    CBI_HBOOK numbered = Open(WriteBook("numbered.ebd", book));
    EXPECT_EQ(Number(numbered), "TEST-0001");
    book.number.reset();
    book.serial = 0x00AB12F0;
    CBI_HBOOK bySerial = Open(WriteBook("serial.ebd", book));
    EXPECT_EQ(Number(bySerial), "ab12f0"); // what the shelf would make of the serial
    uint32_t serial = 0;
    ASSERT_NE(lib_.CBIBookSerial(bySerial, &serial), 0);
    EXPECT_EQ(serial, 0x00AB12F0u);
    // Exactly `length` bytes are written.
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    lib_.CBIExBookNo(numbered, buffer, 4);
    EXPECT_EQ(std::string(buffer, 5), "TEST#");
}

TEST_F(EbdDriver, ContentsWalkMatchesTheBook) {
    CBI_HBOOK h = Open(WriteBook("walk.ebd", SmallBook()));
    CBI_HITEM root = lib_.CBIVPGetRootItem(h);
    ASSERT_NE(root, 0u);
    EXPECT_EQ(lib_.CBIVPGetParentItem(h, root), 0u);
    ASSERT_NE(lib_.CBIVPItemHasChildren(h, root), 0);
    std::vector<std::string> level;
    for (CBI_HITEM i = lib_.CBIVPGetChildItem(h, root); i; i = lib_.CBIVPGetNextSiblingItem(h, i)) {
        level.push_back(ItemText(h, i));
        EXPECT_EQ(lib_.CBIVPGetParentItem(h, i), root);
    }
    EXPECT_EQ(level, (std::vector<std::string>{"Preface", "Volume 1", "Appendix"}));

    CBI_HITEM part = lib_.CBIVPGetNextSiblingItem(h, lib_.CBIVPGetChildItem(h, root));
    EXPECT_EQ(lib_.CBIVPItemToPage(h, part), -1);
    CBI_HITEM chapter = lib_.CBIVPGetChildItem(h, part);
    CBI_HITEM section = lib_.CBIVPGetNextSiblingItem(h, lib_.CBIVPGetChildItem(h, chapter));
    EXPECT_EQ(ItemText(h, section), "Section 1.2");
    EXPECT_EQ(lib_.CBIVPItemHasChildren(h, section), 0);
    EXPECT_EQ(lib_.CBIVPGetChildItem(h, section), 0u);
    EXPECT_EQ(lib_.CBIVPItemToPage(h, section), 2);
    EXPECT_EQ(lib_.CBIVPPageToItem(h, 2), section);
    EXPECT_EQ(lib_.CBIVPGetParentItem(h, lib_.CBIVPGetParentItem(h, section)), part);
    EXPECT_EQ(lib_.CBIVPPageToItem(h, 4), 0u);
    EXPECT_EQ(lib_.CBIVPPageToItem(h, -1), 0u);
}

TEST_F(EbdDriver, PagesAreDeliveredWhole) {
    BookModel book = SmallBook();
    CBI_HBOOK h = Open(WriteBook("pages.ebd", book));
    ASSERT_EQ(lib_.CBIGetPageCount(h), 4);
    for (int32_t p = 0; p < 4; ++p) {
        int32_t size = lib_.CBIGetPageSize(h, p);
        ASSERT_EQ(size, static_cast<int32_t>(book.pages[p].size()));
        std::vector<unsigned char> buffer(static_cast<size_t>(size) + 1, '#');
        EXPECT_EQ(lib_.CBIGetPage(h, p, buffer.data(), size), size);
        EXPECT_EQ(std::string(buffer.begin(), buffer.end() - 1), book.pages[p]);
        EXPECT_EQ(buffer.back(), '#');
    }
    unsigned char small[5] = {};
    EXPECT_EQ(lib_.CBIGetPage(h, 1, small, 5), 5); // a short buffer gets the start of the page
    EXPECT_EQ(std::string(small, small + 5), "Chapt");
    EXPECT_EQ(lib_.CBIGetPageSize(h, 4), 0);
    EXPECT_EQ(lib_.CBIGetPageSize(h, -1), 0);
    EXPECT_EQ(lib_.CBIGetPage(h, 4, small, 5), 0);
    EXPECT_EQ(lib_.CBIGetPage(h, 0, nullptr, 5), 0);
}

TEST_F(EbdDriver, PagesInARunAreLaidOutAsTheSearchKeepsThem) {
    BookModel book = SmallBook();
    CBI_HBOOK h = Open(WriteBook("run.ebd", book));
    std::vector<unsigned char> buffer(256, '#');
    int32_t lengths[8] = {};
    ASSERT_EQ(lib_.CBIGetPages(h, 1, buffer.data(), 256, lengths, 8), 3) << "pages 1 to 3, the book's end";
    size_t at = 0;
    for (int32_t i = 0; i < 3; ++i) {
        const std::string& page = book.pages[static_cast<size_t>(i) + 1];
        ASSERT_EQ(lengths[i], static_cast<int32_t>(page.size()));
        EXPECT_EQ(std::string(buffer.begin() + at, buffer.begin() + at + page.size()), page);
        EXPECT_EQ(buffer[at + page.size()], 0);
        at = (at + page.size() + 1 + 15) & ~size_t{15};
    }
    // A buffer one byte short of page 0 and its zero, a count of 1, bad arguments.
    EXPECT_EQ(lib_.CBIGetPages(h, 0, buffer.data(), static_cast<int32_t>(book.pages[0].size()), lengths, 8),
              0);
    EXPECT_EQ(lib_.CBIGetPages(h, 0, buffer.data(), 256, lengths, 1), 1);
    EXPECT_EQ(lib_.CBIGetPages(h, 4, buffer.data(), 256, lengths, 8), 0);
    EXPECT_EQ(lib_.CBIGetPages(h, -1, buffer.data(), 256, lengths, 8), 0);
    EXPECT_EQ(lib_.CBIGetPages(h, 0, nullptr, 256, lengths, 8), 0);
    EXPECT_EQ(lib_.CBIGetPages(h, 0, buffer.data(), 256, nullptr, 8), 0);
    EXPECT_EQ(lib_.CBIGetPages(h, 0, buffer.data(), 256, lengths, 0), 0);
    EXPECT_EQ(lib_.CBIGetPages(CBI_HBOOK{123456}, 0, buffer.data(), 256, lengths, 8), 0);
}

TEST_F(EbdDriver, PageDamagedOnDiskIsNotDelivered) {
    std::string path = WriteBook("damaged-page.ebd", SmallBook());
    Bytes file = ReadFile(path);
    file[SectionOffset(file, "PDAT") + 1] ^= 0x01;
    dir_.Write("damaged-page.ebd", file);
    CBI_HBOOK h = Open(path);
    unsigned char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(lib_.CBIGetPage(h, 0, buffer, lib_.CBIGetPageSize(h, 0)), 0);
    EXPECT_EQ(buffer[0], 0) << "no damaged bytes are left in the buffer";
    EXPECT_GT(lib_.CBIGetPage(h, 1, buffer, sizeof buffer), 0);
    int32_t lengths[4] = {-1, -1, -1, -1};
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(lib_.CBIGetPages(h, 0, buffer, sizeof buffer, lengths, 4), 1) << "the run ends with the page";
    EXPECT_EQ(lengths[0], 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST_F(EbdDriver, DictionaryAttributesAndClass) {
    BookModel book = SmallBook();
    book.bookClass = 0x0010;
    book.dict = tavrin::book::DictAttributes{0x34, 0x12, 7};
    CBI_HBOOK dict = Open(WriteBook("dict.ebd", book));
    CBIDictAttrBlock attr;
    std::memset(&attr, 0xEE, sizeof attr);
    ASSERT_NE(lib_.CBIDictAttr(dict, &attr), 0);
    EXPECT_EQ(attr.bIdLow, 0x34);
    EXPECT_EQ(attr.bIdHigh, 0x12);
    EXPECT_EQ(attr.reserved0[0], 0xEE); // only bytes 4 and 5 are written
    EXPECT_EQ(lib_.CBIDictClassNo(dict), 7);
    CBICaps caps{};
    lib_.CBIGetCaps(dict, &caps);
    EXPECT_EQ(caps.wBookClass, 0x0010);

    CBI_HBOOK plain = Open(WriteBook("plain.ebd", SmallBook()));
    EXPECT_EQ(lib_.CBIDictAttr(plain, &attr), 0);
    EXPECT_EQ(lib_.CBIDictClassNo(plain), 1);
}

// The version check accepts the driver's own books only, and an open refuses what it cannot serve
// with the answer the shelf tells apart (2 unreadable, 3 not a book, 1 bad arguments).
TEST_F(EbdDriver, CheckVersionAndOpenRefuseWhatTheyCannotServe) {
    std::string good = WriteBook("good.ebd", SmallBook());
    EXPECT_NE(lib_.CBICheckVersion(good.c_str()), 0);
    BookModel catalog = SmallBook();
    catalog.kind = tavrin::book::BookKind::ShelfCatalog;
    std::string sys = WriteBook("Tavrin.Sys", catalog);
    EXPECT_EQ(lib_.CBICheckVersion(sys.c_str()), 0);
    Bytes cut = ReadFile(good);
    cut.resize(cut.size() / 2);
    EXPECT_EQ(lib_.CBICheckVersion(dir_.Write("cut.ebd", cut).c_str()), 0);
    EXPECT_EQ(lib_.CBICheckVersion(dir_.Write("notes.txt", "EBDF but not a book").c_str()), 0);
    EXPECT_EQ(lib_.CBICheckVersion(dir_.File("missing.ebd").c_str()), 0);
    EXPECT_EQ(lib_.CBICheckVersion(nullptr), 0);

    CBI_HBOOK h = 0xABCD;
    EXPECT_EQ(lib_.CBIOpenBook(dir_.File("missing.ebd").c_str(), 0, &h), 2);
    cut = ReadFile(good);
    cut.pop_back();
    EXPECT_EQ(lib_.CBIOpenBook(dir_.Write("cut.ebd", cut).c_str(), 0, &h), 2);
    EXPECT_EQ(lib_.CBIOpenBook(sys.c_str(), 0, &h), 3);
    EXPECT_EQ(lib_.CBIOpenBook(nullptr, 0, &h), 1);
    EXPECT_EQ(lib_.CBIOpenBook(good.c_str(), 0, nullptr), 1);
    EXPECT_EQ(h, 0xABCDu) << "a failed open leaves the handle alone";
}

TEST_F(EbdDriver, RefusalsSayWhyAndASuccessForgetsTheReason) {
    auto reason = [&] {
        char text[CBI_ERROR_TEXT_CAPACITY];
        std::memset(text, 'x', sizeof text);
        int length = lib_.CBIGetErrorText(text, sizeof text);
        EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
        return std::string(text);
    };
    Bytes cut = ReadFile(WriteBook("whole.ebd", SmallBook()));
    cut.resize(cut.size() / 2);
    std::string damaged = dir_.Write("cut.ebd", cut);
    EXPECT_EQ(lib_.CBICheckVersion(damaged.c_str()), 0);
    std::string said = reason();
    EXPECT_NE(said.find("cut.ebd"), std::string::npos) << said;
    CBI_HBOOK h = 0;
    EXPECT_NE(lib_.CBIOpenBook(dir_.File("missing.ebd").c_str(), 0, &h), 0);
    EXPECT_NE(reason().find("missing.ebd"), std::string::npos);
    EXPECT_NE(lib_.CBICheckVersion(dir_.File("whole.ebd").c_str()), 0);
    EXPECT_EQ(reason(), "");
    char tiny[4];
    EXPECT_EQ(lib_.CBIOpenBook(damaged.c_str(), 0, &h), 2);
    EXPECT_EQ(lib_.CBIGetErrorText(tiny, sizeof tiny), 3) << "cut to the buffer";
    EXPECT_EQ(tiny[3], '\0');
}

TEST_F(EbdDriver, CodePageIsTheBooksOwn) {
    BookModel book = SmallBook();
    book.codePage = 950;
    CBI_HBOOK big5 = Open(WriteBook("big5.ebd", book));
    book.codePage = 0;
    CBI_HBOOK unsaid = Open(WriteBook("unsaid.ebd", book));
    EXPECT_EQ(lib_.CBIGetCodePage(big5), 950u);
    EXPECT_EQ(lib_.CBIGetCodePage(unsaid), 0u);
    EXPECT_EQ(lib_.CBIGetCodePage(big5 + 100), 0u);
}

TEST_F(EbdDriver, BadHandlesAreAnsweredSafely) {
    CBI_HBOOK h = Open(WriteBook("closed.ebd", SmallBook()));
    Close(h);
    for (CBI_HBOOK bad : {CBI_HBOOK{0}, h, CBI_HBOOK{0xFFFFFFFF}, CBI_HBOOK{123456}}) {
        CBICaps caps{};
        EXPECT_EQ(lib_.CBIGetCaps(bad, &caps), 0);
        EXPECT_EQ(Name(bad, 3), "");
        EXPECT_EQ(lib_.CBIExBookNoLength(bad), 0);
        uint32_t serial = 7;
        EXPECT_EQ(lib_.CBIBookSerial(bad, &serial), 0);
        EXPECT_EQ(serial, 7u);
        EXPECT_EQ(lib_.CBIGetPageCount(bad), 0);
        EXPECT_EQ(lib_.CBIGetPageSize(bad, 0), 0);
        unsigned char page[8];
        EXPECT_EQ(lib_.CBIGetPage(bad, 0, page, 8), 0);
        EXPECT_EQ(lib_.CBIVPGetRootItem(bad), 0u);
        EXPECT_EQ(lib_.CBIVPGetChildItem(bad, 1), 0u);
        EXPECT_EQ(ItemText(bad, 1), "");
        EXPECT_EQ(lib_.CBIVPItemToPage(bad, 1), -1);
        EXPECT_EQ(lib_.CBIVPPageToItem(bad, 0), 0u);
        CBIDictAttrBlock attr{};
        EXPECT_EQ(lib_.CBIDictAttr(bad, &attr), 0);
        lib_.CBICloseBook(bad); // closing twice or closing nothing is harmless
    }
    // Bad items of a good book, and null buffers.
    CBI_HBOOK good = Open(WriteBook("good.ebd", SmallBook()));
    for (CBI_HITEM item : {CBI_HITEM{0}, CBI_HITEM{8}, CBI_HITEM{0xFFFFFFFF}}) {
        EXPECT_EQ(lib_.CBIVPGetChildItem(good, item), 0u);
        EXPECT_EQ(lib_.CBIVPGetNextSiblingItem(good, item), 0u);
        EXPECT_EQ(lib_.CBIVPGetParentItem(good, item), 0u);
        EXPECT_EQ(lib_.CBIVPItemHasChildren(good, item), 0);
        EXPECT_EQ(lib_.CBIVPItemToPage(good, item), -1);
        EXPECT_EQ(ItemText(good, item), "");
    }
    EXPECT_EQ(lib_.CBIGetCaps(good, nullptr), 0);
    EXPECT_EQ(lib_.CBIGetBkName(good, 3, nullptr, 256), 0);
    EXPECT_EQ(lib_.CBIVPGetItemText(good, 2, nullptr, 228), 0);
}

TEST_F(EbdDriver, ManyBooksOpenAtOnceWithHandlesNeverReusedWhileOpen) {
    std::string a = WriteBook("a.ebd", SmallBook());
    BookModel other = SmallBook();
    other.number = "OTHER";
    std::string b = WriteBook("b.ebd", other);
    std::set<CBI_HBOOK> handles;
    std::vector<CBI_HBOOK> all;
    for (int i = 0; i < 300; ++i) {
        CBI_HBOOK h = Open(i % 2 ? b : a);
        EXPECT_NE(h, 0u);
        EXPECT_TRUE(handles.insert(h).second) << "handle " << h << " given twice";
        all.push_back(h);
    }
    for (size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(Number(all[i]), i % 2 ? "OTHER" : "TEST-0001");
    // Closing some and opening more gives handles no open book has.
    for (size_t i = 0; i < all.size(); i += 3)
        Close(all[i]);
    std::set<CBI_HBOOK> stillOpen(open_.begin(), open_.end());
    for (int i = 0; i < 50; ++i) {
        CBI_HBOOK h = Open(a);
        EXPECT_FALSE(stillOpen.count(h)) << "handle " << h << " is already open";
        stillOpen.insert(h);
    }
    EXPECT_EQ(lib_.CBIGetPageCount(all[1]), 4);
}

// Every open book keeps its file open: a shelf of more books than the usual soft limit of open files
// must still open them all (the driver raises the soft limit towards the hard one). In a child, so that
// the limit it sets and the books it opens stay there.
TEST_F(EbdDriver, MoreBooksThanTheSoftLimitOfOpenFiles) {
    std::string a = WriteBook("a.ebd", SmallBook());
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    constexpr rlim_t kSoft = 300;
    constexpr int kBooks = 700;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 2 * kBooks) GTEST_SKIP() << "hard limit too low";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit lowered = limit;
        lowered.rlim_cur = kSoft;
        if (setrlimit(RLIMIT_NOFILE, &lowered) != 0) _exit(2);
        for (int i = 0; i < kBooks; ++i) {
            CBI_HBOOK h = 0;
            if (lib_.CBIOpenBook(a.c_str(), 0, &h) != 0 || lib_.CBIGetPageCount(h) != 4) _exit(10);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: a book did not open or read; 2: the limit could not be set";
}

} // namespace

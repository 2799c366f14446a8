// The store's index file: every value the store can hold comes back from the index exactly (a random
// round-trip property, with control bytes, tabs, line ends, bytes that are not UTF-8, empty and
// maximal fields); the version-1 files of earlier drivers read as they always did; and every kind of
// damage makes the index not whole, while the lines that parse are still handed back.
#include "ebook/book_class.h"
#include "ebook/store_index.h"
#include "epub_fixtures/epub_maker.h"
#include "epub_fixtures/print_index.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

using namespace tavrin::ebook;

// Bytes that make a text hard to keep on one line of a tab-separated file.
std::string RandomText(std::mt19937_64& random, size_t maxLength) {
    static const std::vector<std::string> pieces = {"\t",
                                                    "\n",
                                                    "\r",
                                                    "\\",
                                                    "\\t",
                                                    "\\x",
                                                    "\\x4",
                                                    "\x01",
                                                    "\x7F",
                                                    "\x00",
                                                    " ",
                                                    "  ",
                                                    "a",
                                                    "Z",
                                                    "9",
                                                    "\xC3\xA9",
                                                    "\xE6\x97\xA5",
                                                    "\xF0\x9F\x93\x9A", // valid UTF-8 of 2, 3 and 4 bytes
                                                    "\xC3",
                                                    "\xA9",
                                                    "\xFF",
                                                    "\xED\xA0\x80",
                                                    "\xC0\xAF",
                                                    "\xF4\x90\x80\x80", // not UTF-8
                                                    "tavrin-ebook-store 1 next=2",
                                                    "next=",
                                                    "=",
                                                    "#"};
    std::string text;
    const size_t length = std::uniform_int_distribution<size_t>(0, maxLength)(random);
    while (text.size() < length) {
        const std::string& piece = random() % 4 == 0 ? std::string(1, static_cast<char>(random() & 0xFF))
                                                     : pieces[random() % pieces.size()];
        text += piece.empty() ? std::string(1, '\0') : piece;
    }
    text.resize(length);
    return text;
}

StoredBook RandomBook(std::mt19937_64& random, uint16_t id) {
    StoredBook book;
    book.id = id;
    book.hash = random();
    book.size = random() % 3 == 0 ? random() : random() % 1000000;
    // A third of the fields at their largest, a few empty, the rest anything between.
    auto length = [&](size_t max) -> size_t {
        return random() % 3 == 0 ? max : random() % 8 == 0 ? 0 : random() % (max + 1);
    };
    book.classKey = RandomText(random, length(kClassKeyMax));
    book.className = RandomText(random, length(kClassNameMax));
    book.uniqueId = RandomText(random, length(kStoredTextMax));
    book.title = RandomText(random, length(kStoredTextMax));
    if (random() % 3 == 0) book.classKey.resize(kClassKeyMax, '\t');
    if (random() % 3 == 0) book.className.resize(kClassNameMax, '\n');
    return book;
}

TEST(EbookIndex, EveryValueTheStoreCanHoldComesBack) {
    std::mt19937_64 random(20240611);
    for (int round = 0; round < 400; ++round) {
        StoreIndex index;
        index.nextId = static_cast<uint16_t>(random() % 0xFFFF + 1);
        std::set<uint16_t> ids;
        const size_t count = random() % 12;
        while (ids.size() < count)
            ids.insert(static_cast<uint16_t>(random() % 0xFFFF + 1));
        if (round == 0) ids = {1, 0xFFFF};
        for (uint16_t id : ids)
            index.books.push_back(RandomBook(random, id));

        const std::string text = FormatIndex(index);
        ParsedIndex back = ParseIndex(text);
        ASSERT_TRUE(back.Whole()) << back.damage << "\n" << text;
        EXPECT_EQ(back.version, kIndexVersion);
        ASSERT_EQ(back.index, index) << text;
        EXPECT_EQ(FormatIndex(back.index), text);
    }
}

TEST(EbookIndex, TheWrittenIndexIsValidUtf8OnOneLinePerBook) {
    StoreIndex index;
    index.books.push_back({7, 0xabc, 9, "\x01\x02", "a\tb\nc", "\xFF\\x41", "caf\xC3\xA9\r"});
    const std::string text = FormatIndex(index);
    EXPECT_EQ(text, "tavrin-ebook-store 2 next=1\n"
                    "7\tabc\t9\t\\x01\\x02\ta\\tb\\nc\t\\xff\\\\x41\tcaf\xC3\xA9\\r\n");
}

// A version-1 file written by the earlier driver from the sample e-books (also a seed of the
// fuzz_store_index target).
const char kVersion1[] = "tavrin-ebook-store 1 next=3\n"
                         "1\te92de25b7f441103\t3037\tshort-stories-899df238\tShort Stories\t"
                         "urn:uuid:5d0c7a52-3f1e-4c8b-9a61-7e2b4f0d1a01\tThe Lantern Keeper\n"
                         "2\t10e62cdb6e800d08\t2735\tebooks\tE-books\t8e21f4b0-6a3d-4f57-b2c9-"
                         "0c4d5e6f7a02\tA Small Garden Almanac\n";

TEST(EbookIndex, Version1FilesReadAsBeforeAndComeBackInVersion2) {
    ParsedIndex v1 = ParseIndex(kVersion1);
    ASSERT_TRUE(v1.Whole()) << v1.damage;
    EXPECT_EQ(v1.version, 1);
    EXPECT_EQ(v1.index.nextId, 3);
    ASSERT_EQ(v1.index.books.size(), 2u);
    EXPECT_EQ(v1.index.books[0],
              (StoredBook{1, 0xe92de25b7f441103u, 3037, "short-stories-899df238", "Short Stories",
                          "urn:uuid:5d0c7a52-3f1e-4c8b-9a61-7e2b4f0d1a01", "The Lantern Keeper"}));
    EXPECT_EQ(v1.index.books[1].title, "A Small Garden Almanac");

    // Version 1 escaped nothing: a backslash is a backslash, a control byte itself.
    ParsedIndex raw = ParseIndex("tavrin-ebook-store 1 next=2\n5\t1\t1\t\x01\x02\tn\\t\t\\x41\tT\\\\\n");
    ASSERT_TRUE(raw.Whole()) << raw.damage;
    EXPECT_EQ(raw.index.books[0].classKey, "\x01\x02");
    EXPECT_EQ(raw.index.books[0].className, "n\\t");
    EXPECT_EQ(raw.index.books[0].uniqueId, "\\x41");
    EXPECT_EQ(raw.index.books[0].title, "T\\\\");
    ParsedIndex again = ParseIndex(FormatIndex(raw.index));
    ASSERT_TRUE(again.Whole());
    EXPECT_EQ(again.version, 2);
    EXPECT_EQ(again.index, raw.index);
}

TEST(EbookIndex, EveryKindOfDamageMakesTheIndexNotWholeAndKeepsTheLinesThatParse) {
    const std::string header = "tavrin-ebook-store 2 next=9\n";
    const std::string good = "3\tabcdef\t100\tk\tn\t\tThree\n";
    struct Case {
        const char* what;
        std::string text;
        size_t salvaged;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"no header", good, 0},
        {"unknown version", "tavrin-ebook-store 3 next=9\n" + good, 1},
        {"header without next", "tavrin-ebook-store 2\n" + good, 1},
        {"next out of range", "tavrin-ebook-store 2 next=0\n" + good, 1},
        {"cut short", header + good + "4\t1\t1\tk\tn\t\tFou", 1},
        {"id zero", header + good + "0\t1\t1\tk\tn\t\tx\n", 1},
        {"id beyond 16 bits", header + good + "70000\t1\t1\tk\tn\t\tx\n", 1},
        {"a field missing", header + good + "5\t1\t1\tk\tn\tx\n", 1},
        {"a field too many", header + good + "5\t1\t1\tk\tn\tu\tt\tx\n", 1},
        {"hash not hex", header + good + "5\tzz\t1\tk\tn\t\tx\n", 1},
        {"size not a number", header + good + "5\t1\t-1\tk\tn\t\tx\n", 1},
        {"key too long", header + good + "5\t1\t1\t" + std::string(33, 'k') + "\tn\t\tx\n", 1},
        {"name too long", header + good + "5\t1\t1\tk\t" + std::string(17, 'n') + "\t\tx\n", 1},
        {"unknown escape", header + good + "5\t1\t1\tk\tn\t\t\\q\n", 1},
        {"cut escape", header + good + "5\t1\t1\tk\tn\t\t\\x4\n", 1},
        {"raw control byte", header + good + "5\t1\t1\tk\tn\t\ta\x01z\n", 1},
        {"empty line", header + good + "\n", 1},
        {"line end of another system", header + "3\tabcdef\t100\tk\tn\t\tThree\r\n", 0},
        {"id twice", header + good + "3\t1\t1\tk\tn\t\tagain\n", 1},
        {"version 1 without a class name", "tavrin-ebook-store 1 next=2\n" + good + "5\t1\t1\tk\t\t\tx\n", 1},
    };
    for (const Case& c : cases) {
        ParsedIndex parsed = ParseIndex(c.text);
        EXPECT_FALSE(parsed.Whole()) << c.what;
        ASSERT_EQ(parsed.index.books.size(), c.salvaged) << c.what;
        if (c.salvaged) {
            EXPECT_EQ(parsed.index.books[0].title, "Three") << c.what;
        }
    }
    ParsedIndex whole = ParseIndex(header + good);
    EXPECT_TRUE(whole.Whole()) << whole.damage;
    EXPECT_EQ(whole.index.nextId, 9);
}

} // namespace

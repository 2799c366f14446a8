// The host's questions about a book by its handle: file and driver paths, driver module, and the
// block of the host's own data that the shelf keeps with the book.
#include "test_regbooks_world.h"

#include <cstring>

using namespace regbooks;

namespace {

class BookQueries : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        p_ = AddBook("p.ebd", "P-1", "Poems");
        Register("P-1", p_, books_);
        ASSERT_TRUE(Start());
        handle_ = Book(Find("Poems")).dwBookHandle;
    }
    std::string p_;
    DWORD handle_ = 0;
};

TEST_F(BookQueries, PathsDriverAndCodePageOfABookOnTheShelfAndOfNone) {
    char path[260];
    std::memset(path, 'x', sizeof path);
    EXPECT_EQ(Ctrl().GetBookPos(handle_, path), 1);
    EXPECT_STREQ(path, p_.c_str());
    EXPECT_EQ(Ctrl().GetBookDriverPos(handle_, path), 1);
    EXPECT_STREQ(path, books_.c_str());
    EXPECT_EQ(Ctrl().GetBookDrvHandle(handle_), Book(Find("Poems")).hDriver);
    EXPECT_EQ(Ctrl().FindBook(Ctrl().Root(), handle_), Find("Poems"));
    EXPECT_EQ(Ctrl().FindBook(Find("Poems"), handle_), nullptr) << "the start item is never tested";
    EXPECT_EQ(Ctrl().GetBookCodePage(handle_), ::GetACP()) << "a driver that does not say";
    Books().SetCodePage(p_.c_str(), 950);
    EXPECT_EQ(Ctrl().GetBookCodePage(handle_), 950u);
    for (DWORD handle : {DWORD{0xFFFFFFFF}, handle_ + 1000, DWORD{0}}) {
        char untouched[260] = "untouched";
        EXPECT_EQ(Ctrl().GetBookPos(handle, untouched), 0) << handle;
        EXPECT_EQ(Ctrl().GetBookDriverPos(handle, untouched), 0) << handle;
        EXPECT_STREQ(untouched, "untouched");
        EXPECT_EQ(Ctrl().GetBookDrvHandle(handle), 0u);
        EXPECT_EQ(Ctrl().FindBook(Ctrl().Root(), handle), nullptr);
        EXPECT_EQ(Ctrl().GetBookCodePage(handle), 0u) << "no such book";
    }
}

TEST_F(BookQueries, HostBlockIsReplacedReadToTheBufferAndGoesWithTheBooksItem) {
    const char block[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    DWORD length = 6;
    ASSERT_EQ(Ctrl().SetBookData(handle_, "first!", &length), 1);
    length = sizeof block;
    ASSERT_EQ(Ctrl().SetBookData(handle_, block, &length), 1) << "the second block replaces the first";
    char out[8] = "-------";
    length = 4;
    EXPECT_EQ(Ctrl().GetBookData(handle_, out, &length), 1);
    EXPECT_EQ(length, 10u) << "what fits, and the full length";
    EXPECT_EQ(std::string(out, 7), "0123---");
    length = 4;
    EXPECT_EQ(Ctrl().GetBookData(handle_, nullptr, &length), 1) << "asking the size";
    EXPECT_EQ(length, 10u);
    length = 0;
    EXPECT_EQ(Ctrl().SetBookData(handle_, nullptr, &length), 1);
    length = sizeof out;
    EXPECT_EQ(Ctrl().GetBookData(handle_, out, &length), 1);
    EXPECT_EQ(length, 0u) << "an empty block";
    length = 5;
    ASSERT_EQ(Ctrl().SetBookData(handle_, "hello", &length), 1);
    TreeView_DeleteItem(Tree(), Find("Poems"));
    EXPECT_EQ(Ctrl().GetBookData(handle_, nullptr, &length), 0);
    // The sanitized run checks that the block was freed with the record.
}

TEST_F(BookQueries, BookNotOnTheShelfStoresNothingAndKeepsTheLength) {
    DWORD length = 3;
    EXPECT_EQ(Ctrl().SetBookData(handle_ + 1000, "abc", &length), 0);
    char out[4] = "xyz";
    length = 3;
    EXPECT_EQ(Ctrl().GetBookData(handle_ + 1000, out, &length), 0);
    EXPECT_EQ(length, 3u);
    EXPECT_STREQ(out, "xyz");
    EXPECT_EQ(Ctrl().SetBookData(handle_, "abc", nullptr), 0) << "no length, nothing to store";
    length = 3;
    EXPECT_EQ(Ctrl().SetBookData(handle_, nullptr, &length), 0) << "a length without data";
}

} // namespace

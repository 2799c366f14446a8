// A process killed in the middle of adding or deleting a book leaves a store that opens: the book is
// either wholly in it or not at all, nothing half-written stays behind, and the next add works.
// The driver kills itself with SIGKILL at the point named by TAVRIN_EBOOK_TEST_KILL, in a child
// process forked for the purpose.
#include "epub_fixtures/ebook_driver.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using epubtest::EbookDriverTest;

class EbookCrashTest : public EbookDriverTest {
  protected:
    // Runs `call` in a child with the kill point set; true when the child died of SIGKILL.
    template <class Call> bool KilledAt(const char* point, Call call) {
        pid_t child = fork();
        if (child == 0) {
            setenv("TAVRIN_EBOOK_TEST_KILL", point, 1);
            call();
            _exit(0); // the kill point was not reached
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child) return false;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    void AddTwoBooks() {
        ASSERT_EQ(Add(Book("a.epub", epubtest::Epub3(epubtest::BookSpec{"A", "", "urn:a", ""}))), 1);
        ASSERT_EQ(Add(Book("b.epub", epubtest::Epub2(epubtest::BookSpec{"B", "Poems", "urn:b", ""}))), 1);
        third_ = Book("c.epub", epubtest::Epub3(epubtest::BookSpec{"C", "Poems", "urn:c", ""}));
    }
    // Every id the shelf collects opens and reads.
    void ExpectEveryBookReadable() {
        for (uint32_t id : AllIds()) {
            CBI_HBOOK book = Open(id);
            EXPECT_GT(cbi_->CBIGetPageCount(book), 0) << id;
            EXPECT_NE(cbi_->CBIVPGetRootItem(book), 0u) << id;
            cbi_->CBICloseBook(book);
        }
    }

    std::string third_;
};

TEST_F(EbookCrashTest, KilledAfterTheBookFileTheAddIsUndone) {
    AddTwoBooks();
    const auto before = Snapshot();
    ASSERT_TRUE(KilledAt("after-book-file", [&] { Add(third_); }));
    EXPECT_TRUE(FileNames().count("3.epub")); // the killed add left its book file
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(Snapshot(), before); // opening the store removed it
    EXPECT_EQ(Add(third_), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2, 3}));
    ExpectEveryBookReadable();
}

TEST_F(EbookCrashTest, KilledBeforeTheIndexRenameTheAddIsUndone) {
    AddTwoBooks();
    const auto before = Snapshot();
    ASSERT_TRUE(KilledAt("before-index-rename", [&] { Add(third_); }));
    EXPECT_TRUE(FileNames().count("index.tmp"));
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(Add(third_), 1);
    ExpectEveryBookReadable();
}

TEST_F(EbookCrashTest, KilledAfterTheIndexRenameTheBookIsStored) {
    AddTwoBooks();
    ASSERT_TRUE(KilledAt("after-index-rename", [&] { Add(third_); }));
    std::vector<epubtest::ShelfClass> classes = Collect();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[1].name, "Poems");
    EXPECT_EQ(classes[1].ids, (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(FileNames(), (std::set<std::string>{"1.epub", "2.epub", "3.epub", "index"}));
    EXPECT_EQ(Add(third_), 4); // it is there
    ExpectEveryBookReadable();
}

TEST_F(EbookCrashTest, KilledInTheMiddleOfADeleteTheBookIsGoneOrStays) {
    AddTwoBooks();
    const auto before = Snapshot();
    ASSERT_TRUE(KilledAt("before-index-rename", [&] { cbi_->CBIShelfDelBook("1"); }));
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(Snapshot(), before);

    ASSERT_TRUE(KilledAt("delete-after-index-rename", [&] { cbi_->CBIShelfDelBook("1"); }));
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{2}));
    EXPECT_EQ(FileNames(), (std::set<std::string>{"2.epub", "index"}));
    ExpectEveryBookReadable();
}

TEST_F(EbookCrashTest, AKillPointThatIsNotReachedChangesNothing) {
    AddTwoBooks();
    // A refused add never reaches the store, so the child ends normally.
    EXPECT_FALSE(KilledAt("after-book-file", [&] { Add(tmp_.File("missing.epub")); }));
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2}));
}

} // namespace

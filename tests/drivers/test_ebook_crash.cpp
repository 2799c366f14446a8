// A process killed in the middle of adding or deleting a book leaves a store that opens: the book is
// either wholly in it or not at all, nothing half-written stays behind, and the next add works.
// The test build of the driver kills itself with SIGKILL at the point named by TAVRIN_EBOOK_TEST_KILL,
// in a child process forked for the purpose; the driver that ships has no such point.
#include "epub_fixtures/ebook_driver.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using epubtest::EbookDriverTest;

class EbookCrashTest : public EbookDriverTest {
  protected:
    const char* DriverPath() const override { return TAVRIN_EBOOK_TEST_DRIVER_PATH; }

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

// Killed after the book file is whole, the book is taken in when the store opens rather than deleted;
// killed after the index's rename, it is stored. Either way it is there for the next add.
TEST_F(EbookCrashTest, KilledInTheMiddleOfAnAddTheBookIsStoredWhole) {
    for (const char* point : {"after-book-file", "before-index-rename", "after-index-rename"}) {
        SCOPED_TRACE(point);
        AddTwoBooks();
        ASSERT_TRUE(KilledAt(point, [&] { Add(third_); }));
        if (point == std::string("before-index-rename")) {
            EXPECT_TRUE(FileNames().count("index.tmp"));
        }
        EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2, 3}));
        std::vector<epubtest::ShelfClass> classes = Collect();
        ASSERT_EQ(classes.size(), 2u);
        EXPECT_EQ(classes[1].name, "Poems");
        EXPECT_EQ(classes[1].ids, (std::vector<uint32_t>{2, 3}));
        EXPECT_EQ(FileNames(), (std::set<std::string>{"1.epub", "2.epub", "3.epub", "index"}));
        EXPECT_EQ(Add(third_), 4);
        ExpectEveryBookReadable();
        std::filesystem::remove_all(store_);
    }
}

TEST_F(EbookCrashTest, KilledInTheMiddleOfADeleteTheBookIsGone) {
    // The book file goes first; an index line whose file is missing is left out.
    for (const char* point : {"delete-after-book-file", "before-index-rename", "delete-after-index-rename"}) {
        AddTwoBooks();
        ASSERT_TRUE(KilledAt(point, [&] { cbi_->CBIShelfDelBook("1"); })) << point;
        EXPECT_EQ(AllIds(), (std::vector<uint32_t>{2})) << point;
        EXPECT_EQ(FileNames(), (std::set<std::string>{"2.epub", "index"})) << point;
        ExpectEveryBookReadable();
        std::filesystem::remove_all(store_);
    }
}

TEST_F(EbookCrashTest, AKillPointThatIsNotReachedChangesNothing) {
    AddTwoBooks();
    // A refused add never reaches the store, so the child ends normally.
    EXPECT_FALSE(KilledAt("after-book-file", [&] { Add(tmp_.File("missing.epub")); }));
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2}));
}

// The driver that ships (the one in the shelf folder, which hosts load) has no kill point: neither the
// names of the points nor the variable are in it, and setting the variable changes nothing.
TEST(EbookShippedDriver, HasNoKillPoints) {
    const std::string shipped = epubtest::ReadFile(TAVRIN_EBOOK_DRIVER_PATH);
    const std::string testBuild = epubtest::ReadFile(TAVRIN_EBOOK_TEST_DRIVER_PATH);
    ASSERT_FALSE(shipped.empty());
    for (const char* text :
         {"TAVRIN_EBOOK_TEST_KILL", "after-book-file", "before-index-rename", "KillPoint"}) {
        EXPECT_EQ(shipped.find(text), std::string::npos) << text;
        EXPECT_NE(testBuild.find(text), std::string::npos) << text;
    }
}

class EbookShippedKill : public EbookDriverTest {};

TEST_F(EbookShippedKill, SettingTheKillVariableChangesNothing) {
    const std::string book = Book("a.epub", epubtest::Epub3(epubtest::BookSpec{"A", "", "urn:a", ""}));
    pid_t child = fork();
    if (child == 0) {
        setenv("TAVRIN_EBOOK_TEST_KILL", "after-book-file", 1);
        _exit(Add(book) == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the shipped driver killed itself";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(AllIds(), std::vector<uint32_t>{1});
}

} // namespace

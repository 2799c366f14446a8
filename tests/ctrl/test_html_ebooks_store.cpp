// The control's start-up with the real e-book driver after the store's index was damaged: whatever the
// damage (missing, empty, a bad header, a damaged line, cut short, too large, unreadable), every book is
// still on the shelf in its class and its file still on disk; a book file the index does not name is
// on the shelf too, and a file named like a book that is not one is moved aside, not deleted.
#include "test_html_ebooks_store_world.h"

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace ebook_store_world;

namespace {

class StoreStartUp : public EbookStoreWorld {
  protected:
    // Three books in two classes, added through the control, which is then destroyed.
    void FillStore() {
        ASSERT_TRUE(Start());
        SendAddBook(MakeBook("tides.epub", "Tides", "Oceans"));
        SendAddBook(MakeBook("plain.epub", "Plain", ""));
        SendAddBook(MakeBook("waves.epub", "Waves", "Oceans"));
        ASSERT_EQ(Shelf(), kShelf);
        DestroyControl();
        books_ = BookFiles();
        index_ = epubtest::ReadFile(store_ + "/index");
        ASSERT_EQ(books_.size(), 3u);
    }
    const std::vector<std::vector<std::string>> kShelf = {{"Oceans", "Tides", "Waves"}, {"E-books", "Plain"}};
    std::map<std::string, std::string> books_;
    std::string index_;
};

TEST_F(StoreStartUp, EveryBookIsOnTheShelfAndOnDiskWhateverHappenedToTheIndex) {
    FillStore();
    const std::string index = store_ + "/index";
    const size_t lineTwo = index_.find('\n') + 1;
    const std::pair<const char*, std::function<void()>> damages[] = {
        {"missing", [&] { std::remove(index.c_str()); }},
        {"empty", [&] { epubtest::WriteFile(index, ""); }},
        {"bad header", [&] { epubtest::WriteFile(index, "x" + index_); }},
        {"one damaged line",
         [&] {
             epubtest::WriteFile(index, index_.substr(0, lineTwo) + "1\t\n" +
                                            index_.substr(index_.find('\n', lineTwo) + 1));
         }},
        {"cut short", [&] { epubtest::WriteFile(index, index_.substr(0, index_.size() / 2)); }},
        {"over its size limit", [&] { ASSERT_EQ(truncate(index.c_str(), (64 << 20) + 1), 0); }},
        // Unreadable, even for root: a folder where the index should be (which also cannot be replaced).
        {"a folder",
         [&] {
             std::remove(index.c_str());
             ASSERT_EQ(mkdir(index.c_str(), 0755), 0);
         }},
    };
    for (const auto& [what, damage] : damages) {
        std::filesystem::remove_all(index);
        epubtest::WriteFile(index, index_);
        damage();
        testing::internal::CaptureStderr();
        ASSERT_TRUE(Start()) << what;
        std::string report = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Shelf(), kShelf) << what;
        EXPECT_EQ(BookFiles(), books_) << what;
        EXPECT_NE(report.find("cannot be read whole"), std::string::npos) << what << ": " << report;
        EXPECT_TRUE(ui_.MessageBoxes().empty()) << what;
        DestroyControl();
    }
}

TEST_F(StoreStartUp, ABookFileTheIndexDoesNotNameIsOnTheShelfAndANonBookIsMovedAside) {
    FillStore();
    // What an add killed between the book file's rename and the index's leaves, and a stray file.
    epubtest::WriteFile(store_ + "/4.epub", epubtest::ReadFile(MakeBook("swell.epub", "Swell", "Oceans")));
    epubtest::WriteFile(store_ + "/5.epub", "no book");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Start());
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Shelf(), (std::vector<std::vector<std::string>>{{"Oceans", "Tides", "Waves", "Swell"},
                                                              {"E-books", "Plain"}}));
    EXPECT_EQ(epubtest::ReadFile(store_ + "/quarantine/5.epub"), "no book");
    EXPECT_NE(report.find(store_ + "/5.epub is not a readable EPUB book"), std::string::npos) << report;
    EXPECT_NE(report.find("moved to " + store_ + "/quarantine/5.epub"), std::string::npos) << report;
    DestroyControl();

    // The next start-up finds the same shelf, and nothing more to repair.
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Start());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Under("Oceans"), (std::vector<std::string>{"Tides", "Waves", "Swell"}));
}

} // namespace

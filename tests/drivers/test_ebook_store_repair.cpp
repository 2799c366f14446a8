// The book files are the truth of the e-book store: an index that cannot be read whole, whatever the
// damage, is rebuilt from them and every book is still there, on disk and on the shelf; a book file the
// index does not name is taken in, or moved aside into the quarantine when it is not a readable EPUB;
// nothing is deleted but the driver's own leftovers. Also what made books vanish before: a class key
// of control bytes, a subject that is not UTF-8, and a lock file that is a symbolic link.
#include "ebook/store_index.h"
#include "ebook/text_util.h"
#include "epub_fixtures/child_process.h"
#include "epub_fixtures/ebook_driver.h"
#include "epub_fixtures/print_index.h"

#include <sys/stat.h>

namespace {

using epubtest::BookSpec;
using epubtest::EbookDriverTest;
using epubtest::Spec;
using tavrin::ebook::ParsedIndex;
using tavrin::ebook::ParseIndex;

class EbookRepair : public EbookDriverTest {
  protected:
    // Three books in two classes; the third has no title and is named after its file.
    void AddBooks() {
        ASSERT_EQ(Add(Book("one.epub", epubtest::Epub3(Spec("One", "Poems")))), 1);
        ASSERT_EQ(Add(Book("two.epub", epubtest::Epub2(Spec("Two", "")))), 1);
        epubtest::Files untitled = epubtest::Epub2(Spec("", "Poems"));
        std::string& opf = epubtest::FindEntry(untitled, "book/package.opf")->data;
        opf.erase(opf.find("<dc:title>"), std::string("<dc:title></dc:title>").size());
        ASSERT_EQ(Add(Book("harbour notes.epub", untitled)), 1);
        books_ = BookFiles();
        index_ = epubtest::ReadFile(store_ + "/index");
    }
    // The book files, each with its size and a hash of its bytes.
    std::map<std::string, std::string> BookFiles() {
        std::map<std::string, std::string> files;
        for (const auto& [name, bytes] : Snapshot())
            if (name.find(".epub") != std::string::npos)
                files[name] = std::to_string(bytes.size()) + " bytes, hash " +
                              std::to_string(tavrin::ebook::Fnv1a64(bytes));
        return files;
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        for (uint32_t id : AllIds()) {
            CBI_HBOOK book = Open(id);
            titles.push_back(Name(book));
            cbi_->CBICloseBook(book);
        }
        return titles;
    }
    // Every book is on the shelf, in its class, under its title, and its file is as it was.
    void ExpectEveryBook(const std::string& what, const char* untitled = "harbour notes") {
        std::vector<epubtest::ShelfClass> classes = Collect();
        ASSERT_EQ(classes.size(), 2u) << what;
        EXPECT_EQ(classes[0].name, "Poems") << what;
        EXPECT_EQ(classes[0].ids, (std::vector<uint32_t>{1, 3})) << what;
        EXPECT_EQ(classes[1].ids, (std::vector<uint32_t>{2})) << what;
        EXPECT_EQ(Titles(), (std::vector<std::string>{"One", "Two", untitled})) << what;
        EXPECT_EQ(BookFiles(), books_) << what;
    }
    // The index on disk is whole again and names what it named before the damage (the untitled book
    // under `untitled`).
    void ExpectIndexRewritten(const std::string& what, const char* untitled) {
        ParsedIndex now = ParseIndex(epubtest::ReadFile(store_ + "/index"));
        ParsedIndex before = ParseIndex(index_);
        before.index.books[2].title = untitled;
        EXPECT_TRUE(now.Whole()) << what << ": " << now.damage;
        EXPECT_EQ(now.index.books, before.index.books) << what;
    }

    std::map<std::string, std::string> books_;
    std::string index_;
};

TEST_F(EbookRepair, AnIndexThatCannotBeReadWholeIsRebuiltFromTheBookFiles) {
    AddBooks();
    const std::string index = store_ + "/index";
    const size_t lineTwo = index_.find("\n2\t") + 1;
    // The untitled book keeps the name of the file it came from when its own line still reads.
    const char* kept = "harbour notes";
    const char* lost = "Untitled";
    struct Damage {
        const char* what;
        std::function<void()> make;
        const char* untitled;
    };
    const Damage damages[] = {
        {"missing", [&] { std::remove(index.c_str()); }, lost},
        {"empty", [&] { epubtest::WriteFile(index, ""); }, lost},
        {"bad header",
         [&] { epubtest::WriteFile(index, "tavrin-ebook-store\n" + index_.substr(index_.find('\n') + 1)); },
         kept},
        {"damaged line",
         [&] {
             epubtest::WriteFile(index, index_.substr(0, lineTwo) + "2\t1f\n" +
                                            index_.substr(index_.find('\n', lineTwo) + 1));
         },
         kept},
        {"cut short", [&] { epubtest::WriteFile(index, index_.substr(0, index_.size() - 3)); }, lost},
        {"over its size limit", [&] { ASSERT_EQ(truncate(index.c_str(), (64 << 20) + 1), 0); }, lost},
        {"a FIFO",
         [&] {
             std::remove(index.c_str());
             ASSERT_EQ(mkfifo(index.c_str(), 0644), 0);
         },
         lost},
    };
    for (const Damage& damage : damages) {
        epubtest::WriteFile(index, index_);
        damage.make();
        testing::internal::CaptureStderr();
        ExpectEveryBook(damage.what, damage.untitled);
        std::string report = testing::internal::GetCapturedStderr();
        EXPECT_NE(report.find(index + " cannot be read whole"), std::string::npos) << damage.what << report;
        ExpectIndexRewritten(damage.what, damage.untitled);
    }
}

TEST_F(EbookRepair, AnIndexThatCannotBeReadOrReplacedStillServesEveryBook) {
    AddBooks();
    const std::string index = store_ + "/index";
    // An index that is a folder cannot be read (nor can root read one) and cannot be replaced.
    std::remove(index.c_str());
    ASSERT_EQ(mkdir(index.c_str(), 0755), 0);
    testing::internal::CaptureStderr();
    ExpectEveryBook("a folder", "Untitled");
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("cannot be read whole (" + index + " is not a file)"), std::string::npos) << report;
    EXPECT_NE(report.find("the repaired index cannot be written"), std::string::npos) << report;
    rmdir(index.c_str());

    // An index this user may not read (root reads any file, so the child becomes another user); the
    // store is then not the user's to change, and the books are served from the files all the same.
    epubtest::WriteFile(index, index_);
    ASSERT_EQ(chmod(index.c_str(), 0), 0);
    epubtest::ChildAnswer answer = epubtest::InChild([&] {
        epubtest::LoseWriteAccessOrLeave(store_);
        std::string text;
        for (const epubtest::ShelfClass& c : Collect())
            for (uint32_t id : c.ids)
                text += c.name + ":" + std::to_string(id) + " ";
        for (const std::string& title : Titles())
            text += title + ";";
        return text;
    });
    chmod(store_.c_str(), 0755);
    if (answer.exitCode == epubtest::kNotHere) GTEST_SKIP() << "no other user to be here";
    EXPECT_EQ(answer.text, "Poems:1 Poems:3 E-books:2 One;Two;Untitled;");
    EXPECT_EQ(BookFiles(), books_);
}

TEST_F(EbookRepair, TheTitleOfAnUntitledBookOutlivesTheDamageOfAnotherLine) {
    AddBooks();
    // The line of book 1 is damaged; book 3's title, from its file's name, is known from its own line.
    const size_t lineOne = index_.find('\n') + 1;
    epubtest::WriteFile(store_ + "/index",
                        index_.substr(0, lineOne) + "1\n" + index_.substr(index_.find('\n', lineOne) + 1));
    testing::internal::CaptureStderr();
    ExpectEveryBook("line 2 damaged");
    testing::internal::GetCapturedStderr();
}

TEST_F(EbookRepair, ABookFileTheIndexDoesNotNameIsTakenIn) {
    AddBooks();
    // As an add killed between the book file's rename and the index's leaves it.
    epubtest::WriteFile(store_ + "/4.epub",
                        epubtest::ReadFile(Book("four.epub", epubtest::Epub3(Spec("Four", "Poems")))));
    testing::internal::CaptureStderr();
    std::vector<epubtest::ShelfClass> classes = Collect();
    std::string report = testing::internal::GetCapturedStderr();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].ids, (std::vector<uint32_t>{1, 3, 4}));
    EXPECT_NE(report.find(store_ + "/4.epub was not in the index: taken in as \"Four\""), std::string::npos)
        << report;
    EXPECT_EQ(Add(tmp_.File("four.epub")), 4); // known now
    EXPECT_EQ(Add(Book("five.epub", epubtest::Epub3(Spec("Five", "")))), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
}

TEST_F(EbookRepair, AFileNamedLikeABookThatIsNoEpubIsMovedAsideWithANote) {
    AddBooks();
    std::string good = epubtest::ReadFile(store_ + "/1.epub");
    epubtest::WriteFile(store_ + "/4.epub", "not a book at all");
    epubtest::WriteFile(store_ + "/5.epub", good.substr(0, good.size() / 2));
    ASSERT_EQ(mkdir((store_ + "/quarantine").c_str(), 0755), 0);
    epubtest::WriteFile(store_ + "/quarantine/4.epub", "moved aside before");
    // Leftovers of killed changes go; files that are not the store's stay.
    epubtest::WriteFile(store_ + "/6.epub.part", "half a book");
    epubtest::WriteFile(store_ + "/index.tmp", "half an index");
    epubtest::WriteFile(store_ + "/notes.txt", "the user's");
    epubtest::WriteFile(store_ + "/07.epub", "not named like a book");

    testing::internal::CaptureStderr();
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2, 3}));
    std::string report = testing::internal::GetCapturedStderr();

    EXPECT_EQ(FileNames(), (std::set<std::string>{"1.epub", "2.epub", "3.epub", "index", "quarantine",
                                                  "notes.txt", "07.epub"}));
    const std::string quarantine = store_ + "/quarantine/";
    EXPECT_EQ(epubtest::ReadFile(quarantine + "4.epub"), "moved aside before");
    EXPECT_EQ(epubtest::ReadFile(quarantine + "4.epub.2"), "not a book at all");
    EXPECT_EQ(epubtest::ReadFile(quarantine + "5.epub"), good.substr(0, good.size() / 2));
    std::string note = epubtest::ReadFile(quarantine + "5.epub.txt");
    EXPECT_NE(note.find("from " + store_ + "/5.epub"), std::string::npos) << note;
    EXPECT_NE(note.find("not a readable EPUB book: it is not a zip container"), std::string::npos) << note;
    EXPECT_NE(note.find(" UTC"), std::string::npos) << note;
    EXPECT_TRUE(std::filesystem::exists(quarantine + "4.epub.2.txt"));
    for (const char* name : {"4.epub", "5.epub"})
        EXPECT_NE(report.find(store_ + "/" + name + " is not a readable EPUB book ("), std::string::npos)
            << report;
    EXPECT_NE(report.find("moved to " + quarantine + "4.epub.2"), std::string::npos) << report;
    EXPECT_NE(report.find("moved to " + quarantine + "5.epub"), std::string::npos) << report;
    // The ids of the files moved aside are free again.
    EXPECT_EQ(Add(Book("six.epub", epubtest::Epub3(Spec("Six", "")))), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2, 3, 4}));
}

TEST_F(EbookRepair, AClassKeyOfControlBytesSurvivesTheNextAdd) {
    AddBooks();
    // A version-1 index (as earlier drivers wrote it) whose first book has a class key of control bytes.
    std::string v1 = index_;
    v1.replace(0, v1.find('\n'), "tavrin-ebook-store 1 next=4");
    ParsedIndex parsed = ParseIndex(index_);
    const std::string key = parsed.index.books[0].classKey;
    v1.replace(v1.find(key), key.size(), "\x01\x02");
    epubtest::WriteFile(store_ + "/index", v1);
    ASSERT_EQ(Collect()[0].key, "\x01\x02");

    ASSERT_EQ(Add(Book("four.epub", epubtest::Epub3(Spec("Four", "")))), 1);
    std::vector<epubtest::ShelfClass> classes = Collect();
    ASSERT_EQ(classes.size(), 3u);
    EXPECT_EQ(classes[0], (epubtest::ShelfClass{"Poems", "\x01\x02", {1}}));
    EXPECT_TRUE(std::filesystem::exists(store_ + "/1.epub"));
    EXPECT_EQ(Titles(), (std::vector<std::string>{"One", "Two", "harbour notes", "Four"}));
}

TEST_F(EbookRepair, ASubjectThatIsNotUtf8MakesAValidClassAndTheBookStays) {
    // A subject of bytes that start no UTF-8 character, longer than a class name.
    BookSpec spec = Spec("Latin One", std::string(20, '\xA9') + " Caf\xE9");
    epubtest::Files files = epubtest::Epub3(spec);
    ASSERT_EQ(Add(Book("latin.epub", files)), 1);
    for (int reopen = 0; reopen < 2; ++reopen) {
        std::vector<epubtest::ShelfClass> classes = Collect();
        ASSERT_EQ(classes.size(), 1u);
        const std::string& name = classes[0].name;
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(tavrin::ebook::ValidUtf8(name), name);
        EXPECT_EQ(classes[0].ids, (std::vector<uint32_t>{1}));
    }
    EXPECT_TRUE(std::filesystem::exists(store_ + "/1.epub"));
    EXPECT_EQ(Add(tmp_.File("latin.epub")), 4);
    EXPECT_EQ(Add(Book("next.epub", epubtest::Epub3(Spec("Next", "")))), 1);
    EXPECT_EQ(AllIds(), (std::vector<uint32_t>{1, 2})) << "no id was used up";
}

TEST_F(EbookRepair, ALockFileThatIsASymbolicLinkIsRefused) {
    ASSERT_EQ(mkdir(store_.c_str(), 0755), 0);
    const std::string target = tmp_.Write("precious.txt", "keep me");
    struct stat before {};
    ASSERT_EQ(stat(target.c_str(), &before), 0);
    ASSERT_EQ(symlink(target.c_str(), (store_ + "/.lock").c_str()), 0);
    const std::string book = Book("one.epub", epubtest::Epub3(Spec("One", "")));
    EXPECT_EQ(Add(book), CBI_ADD_FAILED);
    EXPECT_NE(ErrorText().find(store_ + "/.lock is a symbolic link"), std::string::npos) << ErrorText();
    struct stat after {};
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_EQ(epubtest::ReadFile(target), "keep me");
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(FileNames(), std::set<std::string>{});

    // A link to nothing does not make the store create its target.
    std::remove((store_ + "/.lock").c_str());
    const std::string nowhere = tmp_.File("nowhere");
    ASSERT_EQ(symlink(nowhere.c_str(), (store_ + "/.lock").c_str()), 0);
    EXPECT_EQ(Add(book), CBI_ADD_FAILED);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

} // namespace

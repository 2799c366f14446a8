// Why an add or an open failed reaches the user: CBIShelfAddBook answers 0 for a file the driver refuses
// and CBI_ADD_FAILED for a book the store could not take, and CBIGetErrorText then says why, naming the
// file, in words a user can act on; a call that succeeds forgets the reason. Disk full, read-only and
// locked stores are made for real: a small tmpfs or a read-only mount in a mount namespace of a child
// process (skipped where the system does not allow it), a file size limit in a child, another user in
// a child (root is not stopped by file modes), a lock held by the test.
#include "epub_fixtures/child_process.h"
#include "epub_fixtures/ebook_driver.h"

#include <csignal>
#include <random>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using epubtest::EbookDriverTest;
using epubtest::Spec;

class EbookReasons : public EbookDriverTest {
  protected:
    // A book of about 200 KB that does not compress: a stored entry of random bytes.
    std::string LargeBook(const std::string& name) {
        epubtest::Files files = epubtest::Epub3(Spec(name));
        std::mt19937 random(7);
        std::string noise(200000, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        files.push_back({"OEBPS/noise.bin", noise, true});
        return Book(name + ".epub", files);
    }
    // Adds `path` in a child after `prepare`; the answer's text is "<result>|<reason>".
    epubtest::ChildAnswer AddInChild(const std::string& path, const std::function<void()>& prepare) {
        return epubtest::InChild([&] {
            prepare();
            int result = Add(path);
            return std::to_string(result) + "|" + ErrorText();
        });
    }
    void ExpectFailed(const epubtest::ChildAnswer& answer, const std::string& reason,
                      const std::string& book) {
        ASSERT_TRUE(answer.ran);
        ASSERT_EQ(answer.exitCode, 0) << answer.text;
        EXPECT_EQ(answer.text.substr(0, 3), "-1|") << answer.text;
        EXPECT_NE(answer.text.find(book + " cannot be added to the e-book store: "), std::string::npos)
            << answer.text;
        EXPECT_NE(answer.text.find(reason), std::string::npos) << answer.text;
    }
};

TEST_F(EbookReasons, ARefusedFileGives0AndSaysWhatIsWrongWithIt) {
    epubtest::Files climbing = epubtest::Epub3(Spec("Climb"));
    climbing.push_back({"../../outside.xhtml", "x"});
    epubtest::Files noPackage = epubtest::Epub3(Spec("NoPackage"));
    epubtest::RemoveEntry(noPackage, "OEBPS/content.opf");
    epubtest::RemoveEntry(noPackage, "META-INF/container.xml");
    const std::string big = tmp_.Write("big.epub", "PK");
    ASSERT_EQ(truncate(big.c_str(), (256 << 20) + 1), 0);
    epubtest::WriteFile(tmp_.File("text.epub"), "just some text");
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {Book("climb.epub", climbing), "the zip entry ../../outside.xhtml leaves the container"},
        {Book("nopackage.epub", noPackage), "the book has no package document"},
        {big, big + " is larger than 256 MB, the largest book the e-book store takes"},
        {tmp_.File("text.epub"), "it is not a zip container, as an EPUB book is"},
        {tmp_.File("missing.epub"), tmp_.File("missing.epub") + " cannot be read: No such file or directory"},
        {tmp_.Path(), tmp_.Path() + " is not a file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Add(c.path), CBI_ADD_NOT_A_BOOK) << c.path;
        std::string reason = ErrorText();
        EXPECT_NE(reason.find(c.path), std::string::npos) << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
    // A call that succeeds forgets the reason.
    EXPECT_EQ(Add(Book("good.epub", epubtest::Epub3(Spec("Good")))), CBI_ADD_ADDED);
    EXPECT_EQ(ErrorText(), "");
    EXPECT_EQ(Add(tmp_.File("text.epub")), CBI_ADD_NOT_A_BOOK);
    EXPECT_EQ(Add(tmp_.File("good.epub")), CBI_ADD_ALREADY);
    EXPECT_EQ(ErrorText(), "");
    char tiny[8];
    EXPECT_EQ(Add(tmp_.File("text.epub")), CBI_ADD_NOT_A_BOOK);
    EXPECT_EQ(cbi_->CBIGetErrorText(tiny, sizeof tiny), 7);
    EXPECT_EQ(std::string(tiny), ErrorText().substr(0, 7));
}

TEST_F(EbookReasons, AFullDiskSaysSoAndLeavesTheStoreAsItWas) {
    ASSERT_EQ(Add(Book("first.epub", epubtest::Epub3(Spec("First")))), 1);
    const auto before = Snapshot();
    const std::string book = LargeBook("large");
    // A file size limit: the write fails with EFBIG.
    epubtest::ChildAnswer limited = AddInChild(book, [] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    ExpectFailed(limited, "it would pass the file size limit", book);
    EXPECT_EQ(Snapshot(), before);

    // A disk that is full: a tmpfs of 64 KB as the store folder.
    epubtest::ChildAnswer full = AddInChild(book, [&] { epubtest::MountSmallFolderOrLeave(store_, "64k"); });
    if (full.exitCode == epubtest::kNotHere) GTEST_SKIP() << "no mount namespace here";
    ExpectFailed(full, "no space left on the disk holding the store folder " + store_, book);
}

TEST_F(EbookReasons, AReadOnlyStoreSaysSo) {
    ASSERT_EQ(Add(Book("first.epub", epubtest::Epub3(Spec("First")))), 1);
    const auto before = Snapshot();
    const std::string book = Book("second.epub", epubtest::Epub3(Spec("Second")));
    epubtest::ChildAnswer denied = AddInChild(book, [&] { epubtest::LoseWriteAccessOrLeave(store_); });
    chmod(store_.c_str(), 0755);
    if (denied.exitCode != epubtest::kNotHere)
        ExpectFailed(denied, "the store folder " + store_ + " is read-only for this user", book);
    EXPECT_EQ(Snapshot(), before);

    epubtest::ChildAnswer readOnly = AddInChild(book, [&] { epubtest::MountReadOnlyOrLeave(store_); });
    if (readOnly.exitCode == epubtest::kNotHere) GTEST_SKIP() << "no mount namespace here";
    ExpectFailed(readOnly, "the store folder " + store_ + " is read-only", book);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(EbookReasons, AStoreLockedByAnotherProgramSaysSoAndAFailedAddUsesUpNoId) {
    ASSERT_EQ(mkdir(store_.c_str(), 0755), 0);
    int held = open((store_ + "/.lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::string book = Book("one.epub", epubtest::Epub3(Spec("One")));
    EXPECT_EQ(Add(book), CBI_ADD_FAILED);
    EXPECT_EQ(ErrorText(), book + " cannot be added to the e-book store: the store " + store_ +
                               " is locked by another program");
    close(held);
    EXPECT_EQ(Add(book), CBI_ADD_ADDED);
    EXPECT_EQ(AllIds(), std::vector<uint32_t>{1});
}

TEST_F(EbookReasons, AFailedOpenSaysWhyAndASuccessfulOneForgetsIt) {
    ASSERT_EQ(Add(Book("one.epub", epubtest::Epub3(Spec("One")))), 1);
    CBI_HBOOK book = 0;
    EXPECT_NE(cbi_->CBIOpenBook("9", 0, &book), 0);
    EXPECT_EQ(ErrorText(), "book 9 is not in the e-book store " + store_);
    EXPECT_NE(cbi_->CBIOpenBook("/books/x.epub", 0, &book), 0);
    EXPECT_EQ(ErrorText(), "\"/books/x.epub\" is not the id of a book of the e-book store");
    book = Open(1);
    EXPECT_EQ(ErrorText(), "");
    cbi_->CBICloseBook(book);
}

} // namespace

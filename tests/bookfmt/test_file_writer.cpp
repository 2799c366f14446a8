// The writer that takes a book's pages one at a time: the same file as the whole model gives, with
// pages and index crossing its buffer anywhere, and nothing left behind when it cannot finish.
#include "support/book_test_support.h"

#include "bookfmt/writer.h"
#include "bookfmt/writer_file.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace booktest;
using tavrin::book::BookFileWriter;

// Writes the model's pages one at a time through a buffer of `bufferSize` bytes.
bool WriteInPieces(const BookModel& book, const std::string& path, size_t bufferSize, std::string* error) {
    BookFileWriter writer(path, bufferSize);
    for (const std::string& page : book.pages)
        writer.AddPage(page);
    bool ok = writer.Finish(book, tavrin::book::FlattenContents(book));
    *error = writer.Error();
    return ok;
}

TEST(FileWriter, PagesOfEverySizeAroundTheBufferGiveTheFileOfTheWholeModel) {
    BookModel book = SmallBook();
    book.pages.clear();
    // Far more page bytes than index bytes, so that moving the pages up past the index overlaps.
    for (size_t length : {1, 15, 16, 17, 31, 32, 33, 100, 5, 48, 0, 16, 3000, 1, 7001}) {
        std::string page(length, '\0');
        for (size_t i = 0; i < length; ++i)
            page[i] = static_cast<char>(i * 31 + book.pages.size());
        book.pages.push_back(page);
    }
    const Bytes whole = Serialized(book);
    std::string error;
    TempFolder dir;
    // What an earlier build of the same process id left is replaced.
    dir.Write("b.ebd.tmp" + std::to_string(getpid()), "left over");
    for (size_t bufferSize : {1, 2, 7, 16, 17, 1000, 100000}) {
        ASSERT_TRUE(WriteInPieces(book, dir.File("b.ebd"), bufferSize, &error)) << error;
        EXPECT_TRUE(ReadFile(dir.File("b.ebd")) == whole) << "buffer " << bufferSize;
    }
    // A book without contents or pages.
    BookModel empty;
    empty.names = {{3, "Empty"}};
    empty.hasContents = false;
    ASSERT_TRUE(WriteInPieces(empty, dir.File("e.ebd"), 3, &error)) << error;
    EXPECT_TRUE(ReadFile(dir.File("e.ebd")) == Serialized(empty));
    EXPECT_EQ(FilesIn(dir), 2u);
}

TEST(FileWriter, ABookItCannotFinishLeavesNothingAndKeepsTheOldFile) {
    TempFolder dir;
    dir.Write("b.ebd", "an older book");
    BookModel book = SmallBook();
    book.root.children[0].page = 9; // a page the book does not have
    std::string error;
    EXPECT_FALSE(WriteInPieces(book, dir.File("b.ebd"), 8, &error));
    EXPECT_NE(error.find("leads to page 9, which the book does not have"), std::string::npos) << error;
    EXPECT_EQ(ToString(ReadFile(dir.File("b.ebd"))), "an older book");
    EXPECT_EQ(FilesIn(dir), 1u);

    {
        BookFileWriter writer(dir.File("b.ebd"));
        EXPECT_TRUE(writer.AddPage("a page"));
        // Given up before it finished (the source had a problem): the temporary file goes.
    }
    EXPECT_EQ(FilesIn(dir), 1u);
    // A build killed halfway leaves nothing behind either.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        BookFileWriter writer(dir.File("b.ebd"), 16);
        bool ok = writer.AddPage(std::string(100, 'x')) && writer.AddPage("a page");
        _exit(ok ? 0 : 1); // no destructors, as after a kill
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_EQ(ToString(ReadFile(dir.File("b.ebd"))), "an older book");

    BookFileWriter nowhere(dir.File("no-such-folder/b.ebd"));
    EXPECT_FALSE(nowhere.AddPage("a page"));
    EXPECT_EQ(nowhere.Error().rfind("cannot create " + dir.File("no-such-folder/b.ebd.tmp"), 0), 0u)
        << nowhere.Error();
    EXPECT_FALSE(nowhere.AddPage("the next page")); // refused too, the first error kept
    EXPECT_FALSE(nowhere.Finish(SmallBook(), tavrin::book::FlattenContents(SmallBook())));
    EXPECT_EQ(nowhere.Error().rfind("cannot create", 0), 0u);
}

} // namespace

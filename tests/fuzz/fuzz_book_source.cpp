// Fuzzes the builder's book sources: any text gives a book or an error with its place; a book it
// gives can be written, opens again, and its pages keep to the page markup. The same source read
// from a file line by line, a few bytes at a time, and written page by page through a small buffer
// gives the same book byte for byte, or the same error and no file.
#include "book_source.h"
#include "bookfmt/markup.h"
#include "bookfmt/reader.h"
#include "bookfmt/writer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

using namespace tavrin;

namespace {

// A folder of this process for the books built line by line, removed at the end.
struct OutputFolder {
    OutputFolder() { std::filesystem::create_directories(path); }
    ~OutputFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    const std::string path =
        std::filesystem::temp_directory_path() / ("fuzz-book-source-" + std::to_string(getpid()));
};

// Builds the source from a file read 7 bytes at a time, writing through a buffer of 13 bytes. The
// book's bytes, or the error in *error.
std::string BuildLineByLine(std::string_view source, std::string* error) {
    int fd = memfd_create("fuzz.book", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < source.size();) {
        ssize_t n = write(fd, source.data() + done, source.size() - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    if (lseek(fd, 0, SEEK_SET) != 0) std::abort();
    static const OutputFolder folder;
    const std::string output = folder.path + "/book.ebd";
    bookc::LineReader reader(fd, 7);
    *error = bookc::BuildBookFile(reader, "fuzz.book", output, 13);
    close(fd);
    std::string bytes;
    if (error->empty()) {
        std::ifstream in(output, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::error_code ignored;
    if (std::filesystem::remove(output, ignored) != error->empty()) std::abort(); // a book only when built
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view source(reinterpret_cast<const char*>(data), size);
    bookc::BuildResult result = bookc::ParseBookSource(source, "fuzz.book");
    std::string lineByLineError;
    std::string lineByLine = BuildLineByLine(source, &lineByLineError);
    if (!result.book) {
        if (result.error.rfind("fuzz.book:", 0) != 0) std::abort();
        if (lineByLineError != result.error) std::abort();
        return 0;
    }
    std::string error;
    auto bytes = book::SerializeBook(*result.book, &error);
    if (!bytes) std::abort();
    std::string_view whole(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (!lineByLineError.empty() || lineByLine != whole) std::abort();
    book::OpenResult opened = book::Reader::OpenBytes(*bytes);
    if (!opened) std::abort();
    for (const std::string& page : result.book->pages) {
        if (page.empty() || page.back() != '\0') std::abort();
        book::ByteView view(reinterpret_cast<const uint8_t*>(page.data()), page.size() - 1);
        if (book::markup::CheckPage(view)) std::abort();
    }
    return 0;
}

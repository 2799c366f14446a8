#include "support/book_test_support.h"

#include "bookfmt/crc32.h"
#include "bookfmt/format.h"
#include "bookfmt/writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace booktest {

namespace fmt = tavrin::book::format;
using tavrin::book::ContentsNode;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ToString(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

BookModel SmallBook() {
    BookModel book;
    book.serial = 0x2F;
    book.number = "TEST-0001";
    book.bookClass = tavrin::book::kClassEbook;
    book.caps = tavrin::book::kCapContents;
    book.codePage = 950;
    book.names = {{3, "Small book"}, {1028, "\xA4\x70\xAE\xD1"}, {1033, "Small book (en)"}};
    ContentsNode s11{"Section 1.1", 1, {}};
    ContentsNode s12{"Section 1.2", 2, {}};
    ContentsNode ch1{"Chapter 1", 1, {s11, s12}};
    book.root.children = {ContentsNode{"Preface", 0, {}}, ContentsNode{"Volume 1", -1, {ch1}},
                          ContentsNode{"Appendix", 3, {}}};
    book.pages = {std::string("Preface text\xFF\x0Asecond line", 25),
                  std::string("Chapter one\xFF\x03"
                              "01234567890123456789"
                              "after",
                              38),
                  std::string("Section two \xA4\x40\xFF\x0A", 16), std::string("Appendix\0", 9)};
    return book;
}

size_t DirEntry(const Bytes& file, const char* tag) {
    uint32_t count = tavrin::book::LoadU32(file, fmt::kHeaderSectionCount);
    for (uint32_t i = 0; i < count; ++i)
        if (std::memcmp(file.data() + fmt::kHeaderSize + i * fmt::kDirEntrySize, tag, 4) == 0)
            return fmt::kHeaderSize + i * fmt::kDirEntrySize;
    ADD_FAILURE() << "no section " << tag;
    return 0;
}

size_t SectionOffset(const Bytes& file, const char* tag) {
    return static_cast<size_t>(tavrin::book::LoadU64(file, DirEntry(file, tag) + fmt::kDirOffset));
}

size_t SectionSize(const Bytes& file, const char* tag) {
    return static_cast<size_t>(tavrin::book::LoadU64(file, DirEntry(file, tag) + fmt::kDirSize));
}

size_t EntryField(const Bytes& file, uint32_t entry, size_t field) {
    return SectionOffset(file, "TOCE") + entry * fmt::kEntrySize + field;
}

Bytes Serialized(const BookModel& book) {
    std::string error;
    auto bytes = tavrin::book::SerializeBook(book, &error);
    EXPECT_TRUE(bytes) << error;
    return bytes ? *bytes : Bytes();
}

size_t FilesIn(const TempFolder& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder.Path()),
                                             std::filesystem::directory_iterator()));
}

void Reseal(Bytes& file) {
    using tavrin::book::Crc32;
    uint32_t count = tavrin::book::LoadU32(file, fmt::kHeaderSectionCount);
    for (uint32_t i = 0; i < count && fmt::kHeaderSize + (i + 1) * fmt::kDirEntrySize <= file.size(); ++i) {
        size_t at = fmt::kHeaderSize + i * fmt::kDirEntrySize;
        uint32_t tag = tavrin::book::LoadU32(file, at + fmt::kDirTag);
        uint64_t offset = tavrin::book::LoadU64(file, at + fmt::kDirOffset);
        uint64_t size = tavrin::book::LoadU64(file, at + fmt::kDirSize);
        if (tag != fmt::kTagPageData && tavrin::book::RangeInside(offset, size, file.size()))
            tavrin::book::StoreU32(file, at + fmt::kDirCrc, Crc32(0, file.data() + offset, size));
    }
    size_t directory = std::min<size_t>(count * fmt::kDirEntrySize, file.size() - fmt::kHeaderSize);
    uint32_t crc = Crc32(Crc32(0, file.data(), fmt::kHeaderCrc), file.data() + fmt::kHeaderSize, directory);
    tavrin::book::StoreU32(file, fmt::kHeaderCrc, crc);
}

DriverLibrary::DriverLibrary(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        ADD_FAILURE() << "dlopen " << path << ": " << dlerror();
        return;
    }
#define BOOKTEST_BIND(name) name = reinterpret_cast<PFN_##name>(dlsym(handle_, #name));
    CBI_FOR_EACH_ENTRY_POINT(BOOKTEST_BIND)
#undef BOOKTEST_BIND
}

DriverLibrary::~DriverLibrary() {
    if (handle_) dlclose(handle_);
}

std::string CopyLibrary(const std::string& from, const std::string& folder, const std::string& name) {
    std::filesystem::path to = std::filesystem::path(folder) / name;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    return to.string();
}

} // namespace booktest

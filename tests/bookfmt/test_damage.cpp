// A damaged or truncated book is refused with a text that says what is wrong, and nothing is ever
// read past the end of the file: cut at every offset, every byte changed, and one structural fault
// at a time behind valid checksums.
#include "support/book_test_support.h"

#include "bookfmt/format.h"
#include "bookfmt/reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <unistd.h>

namespace {

using namespace booktest;
using tavrin::book::Reader;
using tavrin::book::StoreU32;
using tavrin::book::StoreU64;
namespace fmt = tavrin::book::format;

// Opens, walks every entry and reads every page; true when all of it succeeded.
bool OpensAndReadsWhole(const Bytes& file, std::string* error, bool verify = true) {
    auto opened = Reader::OpenBytes(file, {verify});
    if (!opened) {
        *error = opened.error;
        return false;
    }
    const Reader& r = *opened.reader;
    for (uint32_t e = 0; e < r.EntryCount(); ++e) {
        (void)r.EntryText(e);
        (void)r.Parent(e);
    }
    for (uint32_t p = 0; p < r.PageCount(); ++p)
        if (!r.ReadPage(p, error)) return false;
    return true;
}

size_t PageField(const Bytes& file, uint32_t page, size_t field) {
    return SectionOffset(file, "PAGE") + page * fmt::kPageRecordSize + field;
}

TEST(Damage, EveryCutOfTheFileIsRefused) {
    Bytes file = Serialized(SmallBook());
    ASSERT_GT(file.size(), 300u);
    for (size_t length = 0; length < file.size(); ++length) {
        Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
        auto opened = Reader::OpenBytes(cut);
        ASSERT_FALSE(opened) << "cut at " << length;
        bool explained = opened.error.find("truncated") != std::string::npos ||
                         opened.error.find("too short") != std::string::npos;
        EXPECT_TRUE(explained) << "cut at " << length << ": " << opened.error;
    }
}

TEST(Damage, EveryChangedByteIsNoticed) {
    const Bytes file = Serialized(SmallBook());
    for (uint8_t flip : {0x01, 0x80}) {
        for (size_t at = 0; at < file.size(); ++at) {
            Bytes damaged = file;
            damaged[at] ^= flip;
            std::string error;
            EXPECT_FALSE(OpensAndReadsWhole(damaged, &error)) << "byte " << at << " xor " << int(flip);
            EXPECT_FALSE(error.empty()) << "byte " << at;
        }
    }
}

TEST(Damage, EveryByteSetWithoutChecksumsNeverReadsPastTheEnd) {
    // With checksums off, damage reaches the structural checks; whatever they let through must stay
    // inside the file (AddressSanitizer watches the reads).
    const Bytes file = Serialized(SmallBook());
    for (uint8_t value : {0x00, 0x7F, 0xFF}) {
        for (size_t at = 0; at < file.size(); ++at) {
            Bytes damaged = file;
            damaged[at] = value;
            std::string error;
            if (!OpensAndReadsWhole(damaged, &error, false)) {
                EXPECT_FALSE(error.empty()) << "byte " << at;
            }
        }
    }
}

struct Fault {
    const char* name;
    std::function<void(Bytes&)> apply;
    const char* says;
};

TEST(Damage, StructuralFaultsBehindValidChecksumsAreRefusedWithTheirReason) {
    const Fault faults[] = {
        {"bytes appended", [](Bytes& f) { f.push_back(0); }, "header says"},
        {"signature", [](Bytes& f) { f[0] = 'X'; }, "does not begin with \"EBDF\""},
        {"major version", [](Bytes& f) { f[fmt::kHeaderMajor] = 2; }, "unsupported book format version 2.0"},
        {"header size", [](Bytes& f) { StoreU32(f, fmt::kHeaderHeaderSize, 65); }, "header size 65"},
        {"no sections", [](Bytes& f) { StoreU32(f, fmt::kHeaderSectionCount, 0); }, "0 sections"},
        {"too many sections", [](Bytes& f) { StoreU32(f, fmt::kHeaderSectionCount, 65); }, "65 sections"},
        {"directory past the end", [](Bytes& f) { StoreU32(f, fmt::kHeaderSectionCount, 64); }, "directory"},
        {"section past the end",
         [](Bytes& f) { StoreU64(f, DirEntry(f, "TOCE") + fmt::kDirOffset, f.size() - 1); },
         "lies outside the file"},
        {"section size wraps around",
         [](Bytes& f) { StoreU64(f, DirEntry(f, "TOCE") + fmt::kDirSize, ~uint64_t{0}); },
         "lies outside the file"},
        {"section offset wraps around",
         [](Bytes& f) { StoreU64(f, DirEntry(f, "STRS") + fmt::kDirOffset, ~uint64_t{0} - 4); },
         "lies outside the file"},
        {"section over the header", [](Bytes& f) { StoreU64(f, DirEntry(f, "META") + fmt::kDirOffset, 8); },
         "overlaps the header"},
        {"sections overlap",
         [](Bytes& f) { StoreU64(f, DirEntry(f, "NAME") + fmt::kDirOffset, SectionOffset(f, "META") + 4); },
         "overlap"},
        {"section twice", [](Bytes& f) { std::memcpy(f.data() + DirEntry(f, "NAME"), "META", 4); },
         "appears twice"},
        {"section missing", [](Bytes& f) { std::memcpy(f.data() + DirEntry(f, "TOCE"), "XXXX", 4); },
         "TOCE is missing"},
        {"contents not whole records",
         [](Bytes& f) { StoreU64(f, DirEntry(f, "TOCE") + fmt::kDirSize, SectionSize(f, "TOCE") - 1); },
         "whole number"},
        {"pages not whole records",
         [](Bytes& f) { StoreU64(f, DirEntry(f, "PAGE") + fmt::kDirSize, SectionSize(f, "PAGE") - 4); },
         "whole number"},
        {"short META", [](Bytes& f) { StoreU64(f, DirEntry(f, "META") + fmt::kDirSize, 31); },
         "META section has 31"},
        {"unknown kind", [](Bytes& f) { f[SectionOffset(f, "META") + fmt::kMetaKind] = 2; },
         "unknown book kind 2"},
        {"book number of 256 bytes",
         [](Bytes& f) { StoreU32(f, SectionOffset(f, "META") + fmt::kMetaNumberLength, 256); }, "256 bytes"},
        {"book number outside the pool",
         [](Bytes& f) { StoreU32(f, SectionOffset(f, "META") + fmt::kMetaNumberOffset, 0xFFFFFFF0u); },
         "outside the text pool"},
        {"name of 255 bytes", [](Bytes& f) { StoreU32(f, SectionOffset(f, "NAME") + fmt::kNameLength, 255); },
         "name 0 has 255"},
        {"name outside the pool",
         [](Bytes& f) { StoreU32(f, SectionOffset(f, "NAME") + 12 + fmt::kNameOffset, 0xFFFFFFFFu); },
         "name 1 lies outside"},
        {"root with a parent", [](Bytes& f) { StoreU32(f, EntryField(f, 0, fmt::kEntryParent), 1); },
         "(the root) has a parent"},
        {"root with a sibling", [](Bytes& f) { StoreU32(f, EntryField(f, 0, fmt::kEntryNextSibling), 1); },
         "(the root) has a sibling"},
        {"child loops to an ancestor",
         [](Bytes& f) { StoreU32(f, EntryField(f, 5, fmt::kEntryFirstChild), 3); },
         "does not name its parent 5"},
        {"child skips an entry", [](Bytes& f) { StoreU32(f, EntryField(f, 3, fmt::kEntryFirstChild), 5); },
         "entry 5 is out of order"},
        {"sibling loops back", [](Bytes& f) { StoreU32(f, EntryField(f, 6, fmt::kEntryNextSibling), 1); },
         "out of order"},
        {"child past the last entry",
         [](Bytes& f) { StoreU32(f, EntryField(f, 6, fmt::kEntryFirstChild), 7); }, "past the last entry"},
        {"sibling past the last entry",
         [](Bytes& f) { StoreU32(f, EntryField(f, 5, fmt::kEntryNextSibling), 0xFFFFFFFFu); },
         "past the last entry"},
        {"child with another parent", [](Bytes& f) { StoreU32(f, EntryField(f, 4, fmt::kEntryParent), 2); },
         "does not name its parent"},
        {"sibling with another parent", [](Bytes& f) { StoreU32(f, EntryField(f, 5, fmt::kEntryParent), 2); },
         "does not share the parent"},
        {"unreachable entries", [](Bytes& f) { StoreU32(f, EntryField(f, 2, fmt::kEntryNextSibling), 0); },
         "not reachable"},
        {"entry text too long", [](Bytes& f) { f[EntryField(f, 1, fmt::kEntryTextLength)] = 228; },
         "at most 227"},
        {"entry text outside the pool",
         [](Bytes& f) { StoreU32(f, EntryField(f, 1, fmt::kEntryTextOffset), 0xFFFFFFFFu); },
         "outside the text pool"},
        {"entry leads to a missing page", [](Bytes& f) { StoreU32(f, EntryField(f, 6, fmt::kEntryPage), 4); },
         "leads to page 4 of 4"},
        {"entry page below -1", [](Bytes& f) { StoreU32(f, EntryField(f, 6, fmt::kEntryPage), 0xFFFFFFFEu); },
         "leads to page -2"},
        {"page outside the page data",
         [](Bytes& f) { StoreU64(f, PageField(f, 3, fmt::kPageOffset), SectionSize(f, "PDAT")); },
         "outside the page data"},
        {"page offset wraps around",
         [](Bytes& f) { StoreU64(f, PageField(f, 0, fmt::kPageOffset), ~uint64_t{0}); },
         "outside the page data"},
        {"page too long", [](Bytes& f) { StoreU32(f, PageField(f, 1, fmt::kPageLength), 0x80000000u); },
         "claims"},
        {"page held by a missing entry", [](Bytes& f) { StoreU32(f, PageField(f, 2, fmt::kPageEntry), 8); },
         "names contents entry 8"},
    };
    const Bytes file = Serialized(SmallBook());
    for (const Fault& fault : faults) {
        Bytes damaged = file;
        fault.apply(damaged);
        Reseal(damaged);
        auto opened = Reader::OpenBytes(damaged);
        ASSERT_FALSE(opened) << fault.name;
        EXPECT_NE(opened.error.find(fault.says), std::string::npos) << fault.name << ": " << opened.error;
    }
}

TEST(Damage, ResealingAnUntouchedFileKeepsItReadable) {
    // The check above relies on Reseal not breaking a good file by itself.
    Bytes file = Serialized(SmallBook());
    Bytes copy = file;
    Reseal(copy);
    EXPECT_EQ(copy, file);
    std::string error;
    EXPECT_TRUE(OpensAndReadsWhole(copy, &error)) << error;
}

TEST(Damage, DamagedPageIsRefusedWhenReadNotWhenOpened) {
    Bytes file = Serialized(SmallBook());
    file[SectionOffset(file, "PDAT") + 2] ^= 0x20; // inside page 0
    auto opened = Reader::OpenBytes(file);
    ASSERT_TRUE(opened) << opened.error; // pages are read on demand
    std::string error;
    EXPECT_FALSE(opened.reader->ReadPage(0, &error));
    EXPECT_NE(error.find("checksum of page 0"), std::string::npos) << error;
    EXPECT_TRUE(opened.reader->ReadPage(1, &error)) << error;
}

TEST(Damage, FileThatShrinksAfterOpeningFailsOnRead) {
    TempFolder dir;
    std::string path = dir.Write("shrinks.ebd", Serialized(SmallBook()));
    auto opened = Reader::Open(path);
    ASSERT_TRUE(opened) << opened.error;
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(SectionOffset(Serialized(SmallBook()), "PDAT"))), 0);
    std::string error;
    EXPECT_FALSE(opened.reader->ReadPage(3, &error));
    EXPECT_NE(error.find("cannot read page 3"), std::string::npos) << error;
}

TEST(Damage, MissingFileAndFolderAreRefused) {
    TempFolder dir;
    auto missing = Reader::Open(dir.File("nothing.ebd"));
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error.find("cannot open"), std::string::npos) << missing.error;
    auto folder = Reader::Open(dir.Path());
    ASSERT_FALSE(folder);
    EXPECT_NE(folder.error.find("not a regular file"), std::string::npos) << folder.error;
}

} // namespace

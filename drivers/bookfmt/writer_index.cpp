#include "bookfmt/writer_index.h"

#include "bookfmt/crc32.h"
#include "bookfmt/format.h"

#include <optional>
#include <set>

namespace tavrin::book {
namespace fmt = format;
namespace {

bool HasZeroByte(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// The sections in the order the writer puts them, PDAT last.
constexpr uint32_t kSectionTags[] = {fmt::kTagMeta,     fmt::kTagNames, fmt::kTagStrings,
                                     fmt::kTagContents, fmt::kTagPages, fmt::kTagPageData};
constexpr uint32_t kSectionCount = sizeof kSectionTags / sizeof kSectionTags[0];
constexpr uint64_t kSectionsStart = fmt::kHeaderSize + kSectionCount * fmt::kDirEntrySize;

struct SectionSizes {
    uint64_t size[kSectionCount] = {};
};

SectionSizes SizesOf(const BookIdentity& identity, const ContentsTable& contents, size_t pageCount) {
    SectionSizes s;
    s.size[0] = fmt::kMetaSize;
    s.size[1] = identity.names.size() * fmt::kNameRecordSize;
    s.size[2] = IdentityTextBytes(identity) + contents.TextBytes();
    s.size[3] = contents.Size() * fmt::kEntrySize;
    s.size[4] = pageCount * fmt::kPageRecordSize;
    return s;
}

// Writes one section after the other from `position` on, keeping each section's CRC. Records are made
// in a buffer that goes out when it holds `bufferSize` bytes.
class SectionWriter {
  public:
    SectionWriter(uint64_t position, size_t bufferSize, const WriteAt& write)
        : position_(position), bufferSize_(bufferSize), write_(write) {
        buffer_.reserve(bufferSize_ + 64);
    }
    Bytes& Buffer() { return buffer_; }
    // Sends the buffer when it is full enough.
    bool Made() { return buffer_.size() < bufferSize_ || Flush(); }
    // Bytes kept elsewhere, sent without copying them into the buffer.
    bool Direct(std::string_view bytes) {
        if (!Flush()) return false;
        return Send(ByteView(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    // Ends the section: its CRC.
    std::optional<uint32_t> End() {
        if (!Flush()) return std::nullopt;
        uint32_t crc = crc_;
        crc_ = 0;
        return crc;
    }

  private:
    bool Flush() {
        bool ok = Send(buffer_);
        buffer_.clear();
        return ok;
    }
    bool Send(ByteView bytes) {
        if (bytes.empty()) return true;
        crc_ = Crc32(crc_, bytes.data(), bytes.size());
        if (!write_(position_, bytes)) return false;
        position_ += bytes.size();
        return true;
    }
    uint64_t position_;
    size_t bufferSize_;
    const WriteAt& write_;
    Bytes buffer_;
    uint32_t crc_ = 0;
};

// For every page, the entry that holds it: the entry with the greatest page at or before it (the
// last such entry in pre-order, i.e. the deepest, when several entries share a page). 0 = none.
std::vector<uint32_t> PageToEntry(const ContentsTable& contents, size_t pageCount) {
    std::vector<uint32_t> holder(pageCount, 0);
    for (size_t i = 0; i < contents.Size(); ++i) {
        int32_t page = contents.At(i).page;
        if (page >= 0 && static_cast<size_t>(page) < pageCount) holder[page] = static_cast<uint32_t>(i + 1);
    }
    uint32_t current = 0;
    for (size_t p = 0; p < pageCount; ++p) {
        if (holder[p] != 0) current = holder[p];
        holder[p] = current;
    }
    return holder;
}

} // namespace

std::string CheckIdentity(const BookIdentity& identity) {
    if ((identity.caps & ~fmt::kKnownCaps) != 0) return "capability bits outside 0x0380 are reserved";
    if (identity.number) {
        if (identity.number->empty()) return "the extended book number is empty";
        if (identity.number->size() > fmt::kMaxNumber)
            return "the extended book number is longer than 255 bytes";
        if (HasZeroByte(*identity.number)) return "the extended book number holds a zero byte";
    }
    std::set<int32_t> locales;
    for (const LocaleName& name : identity.names) {
        if (!locales.insert(name.locale).second) return "two names for locale " + std::to_string(name.locale);
        if (name.text.size() > fmt::kMaxName)
            return "the name for locale " + std::to_string(name.locale) + " is longer than 254 bytes";
        if (HasZeroByte(name.text))
            return "the name for locale " + std::to_string(name.locale) + " holds a zero byte";
    }
    return {};
}

std::string CheckPage(size_t index, size_t length) {
    if (index >= fmt::kMaxPages) return "too many pages";
    if (length > fmt::kMaxPageLength) return "page " + std::to_string(index) + " is too long";
    return {};
}

std::string CheckEntryText(std::string_view text) {
    if (text.size() > fmt::kMaxEntryText)
        return "the contents entry \"" + std::string(text.substr(0, 40)) + "...\" is longer than 227 bytes";
    if (HasZeroByte(text)) return "a contents entry text holds a zero byte";
    return {};
}

std::string CheckEntryPage(std::string_view text, int32_t page, size_t pageCount) {
    if (page < -1 || (page >= 0 && static_cast<size_t>(page) >= pageCount))
        return "the contents entry \"" + std::string(text) + "\" leads to page " + std::to_string(page) +
               ", which the book does not have";
    return {};
}

std::string CheckContents(const BookIdentity& identity, const ContentsTable& contents, size_t pageCount) {
    if (contents.Size() > fmt::kMaxEntries) return "too many contents entries";
    if (IdentityTextBytes(identity) + contents.TextBytes() > 0xFFFFFFFFu)
        return "the texts of the book exceed 4 GB";
    std::string problem;
    contents.ForEachEntry([&](size_t, const ContentsTable::Entry& entry, std::string_view text) {
        if (problem.empty()) problem = CheckEntryText(text);
        if (problem.empty()) problem = CheckEntryPage(text, entry.page, pageCount);
    });
    return problem;
}

uint64_t IdentityTextBytes(const BookIdentity& identity) {
    uint64_t bytes = identity.number ? identity.number->size() : 0;
    for (const LocaleName& name : identity.names)
        bytes += name.text.size();
    return bytes;
}

uint64_t IndexSize(const BookIdentity& identity, const ContentsTable& contents, size_t pageCount) {
    SectionSizes sizes = SizesOf(identity, contents, pageCount);
    uint64_t size = kSectionsStart;
    for (uint64_t s : sizes.size)
        size += s;
    return size;
}

bool WriteIndex(const BookIdentity& identity, const ContentsTable& contents,
                const std::vector<PageRecord>& pages, size_t bufferSize, const WriteAt& write) {
    SectionSizes sizes = SizesOf(identity, contents, pages.size());
    for (const PageRecord& page : pages)
        sizes.size[kSectionCount - 1] += page.length;
    uint32_t crcs[kSectionCount] = {};
    SectionWriter out(kSectionsStart, bufferSize, write);
    Bytes& b = out.Buffer();
    auto end = [&](size_t section) {
        std::optional<uint32_t> crc = out.End();
        if (crc) crcs[section] = *crc;
        return crc.has_value();
    };

    // META
    const uint64_t identityTexts = IdentityTextBytes(identity);
    uint32_t flags = 0;
    if (identity.number) flags |= fmt::kFlagHasNumber;
    if (identity.dict) flags |= fmt::kFlagHasDict;
    PutU32(b, identity.serial);
    PutU16(b, identity.bookClass);
    PutU16(b, identity.caps);
    PutU16(b, identity.codePage);
    PutU16(b, static_cast<uint16_t>(identity.kind));
    PutU32(b, flags);
    PutU32(b, 0); // the number is the first text of STRS
    PutU32(b, identity.number ? static_cast<uint32_t>(identity.number->size()) : 0);
    PutU8(b, identity.dict ? identity.dict->idLow : 0);
    PutU8(b, identity.dict ? identity.dict->idHigh : 0);
    PutU16(b, identity.dict ? identity.dict->classNo : 0);
    PutU32(b, 0);
    if (!end(0)) return false;

    // NAME
    uint32_t textOffset = identity.number ? static_cast<uint32_t>(identity.number->size()) : 0;
    for (const LocaleName& name : identity.names) {
        PutI32(b, name.locale);
        PutU32(b, textOffset);
        PutU32(b, static_cast<uint32_t>(name.text.size()));
        textOffset += static_cast<uint32_t>(name.text.size());
    }
    if (!end(1)) return false;

    // STRS: the number, the names, the entries' texts
    if (identity.number) PutBytes(b, *identity.number);
    for (const LocaleName& name : identity.names)
        PutBytes(b, name.text);
    bool ok = true;
    contents.ForEachTextBlock([&](std::string_view block) { ok = ok && out.Direct(block); });
    if (!ok || !end(2)) return false;

    // TOCE
    textOffset = static_cast<uint32_t>(identityTexts);
    contents.ForEachEntry([&](size_t, const ContentsTable::Entry& e, std::string_view) {
        PutU32(b, e.parent);
        PutU32(b, e.firstChild);
        PutU32(b, e.nextSibling);
        PutI32(b, e.page);
        PutU32(b, textOffset);
        PutU16(b, static_cast<uint16_t>(e.textLength));
        PutU16(b, 0);
        textOffset += e.textLength;
        ok = ok && out.Made();
    });
    if (!ok || !end(3)) return false;

    // PAGE
    std::vector<uint32_t> holder = PageToEntry(contents, pages.size());
    uint64_t pageOffset = 0;
    for (size_t p = 0; p < pages.size(); ++p) {
        PutU64(b, pageOffset);
        PutU32(b, pages[p].length);
        PutU32(b, holder[p]);
        PutU32(b, pages[p].crc);
        PutU32(b, 0);
        pageOffset += pages[p].length;
        if (!out.Made()) return false;
    }
    if (!end(4)) return false;

    // The header and the directory, with the sections' checksums (none for PDAT, whose pages have
    // their own).
    Bytes head;
    head.reserve(kSectionsStart);
    PutBytes(head, std::string_view(fmt::kMagic, 4));
    PutU16(head, fmt::kVersionMajor);
    PutU16(head, fmt::kVersionMinor);
    PutU32(head, fmt::kHeaderSize);
    PutU32(head, kSectionCount);
    uint64_t fileSize = kSectionsStart;
    for (uint64_t size : sizes.size)
        fileSize += size;
    PutU64(head, fileSize);
    head.resize(fmt::kHeaderSize, 0); // reserved bytes and the CRC, set below
    uint64_t position = kSectionsStart;
    for (uint32_t s = 0; s < kSectionCount; ++s) {
        PutU32(head, kSectionTags[s]);
        PutU32(head, crcs[s]);
        PutU64(head, position);
        PutU64(head, sizes.size[s]);
        position += sizes.size[s];
    }
    uint32_t crc = Crc32(0, head.data(), fmt::kHeaderCrc);
    crc = Crc32(crc, head.data() + fmt::kHeaderSize, kSectionCount * fmt::kDirEntrySize);
    StoreU32(head, fmt::kHeaderCrc, crc);
    return write(0, head);
}

} // namespace tavrin::book

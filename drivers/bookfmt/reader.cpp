#include "bookfmt/reader.h"

#include "bookfmt/crc32.h"
#include "bookfmt/format.h"
#include "bookfmt/index_scan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tavrin::book {
namespace fmt = format;
namespace {

std::string Hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(v));
    return text;
}

std::string TagName(uint32_t tag) {
    std::string name;
    for (int i = 0; i < 4; ++i) {
        char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
        name += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return name;
}

std::string Num(uint64_t v) {
    return std::to_string(v);
}

// What a part of the index read after opening is refused with, before what is wrong with it.
constexpr char kIndexChanged[] = "the book's index is no longer what it was when the book was opened: ";

// What is wrong with a contents entry's text place (its record's offset and length in a text pool of
// `poolSize` bytes); empty when nothing is.
std::string EntryTextFault(uint32_t offset, uint32_t length, uint64_t poolSize) {
    if (length > fmt::kMaxEntryText)
        return "has a text of " + std::to_string(length) + " bytes (at most 227)";
    if (!RangeInside(offset, length, poolSize)) return "has its text outside the text pool";
    return {};
}

} // namespace

OpenResult Reader::Open(const std::string& path, const OpenOptions& options) {
    OpenResult result;
    std::unique_ptr<ByteSource> source = OpenFileSource(path, &result.error);
    if (!source) return result;
    result = OpenSource(std::move(source), options);
    if (!result) result.error = path + ": " + result.error;
    return result;
}

OpenResult Reader::OpenBytes(Bytes bytes, const OpenOptions& options) {
    return OpenSource(MakeMemorySource(std::move(bytes)), options);
}

OpenResult Reader::OpenSource(std::unique_ptr<ByteSource> source, const OpenOptions& options) {
    OpenResult result;
    std::unique_ptr<Reader> reader(new Reader());
    reader->source_ = std::move(source);
    result.error = reader->Load(options);
    if (result.error.empty()) result.reader = std::move(reader);
    return result;
}

std::string Reader::Load(const OpenOptions& options) {
    verifyPages_ = options.verifyChecksums;
    if (std::string e = LoadHeader(options); !e.empty()) return e;
    if (LoadQuick(options)) return {};
    // The quick pass could not vouch for the index: the whole of it is read and checked in turn, which
    // says what is wrong, or holds the index when nothing is.
    return LoadWhole(options);
}

bool Reader::LoadQuick(const OpenOptions& options) {
    const bool verify = options.verifyChecksums;
    if (!ReadSection(*Find(fmt::kTagMeta), meta_, verify, "META").empty()) return false;
    if (const Section* names = Find(fmt::kTagNames))
        if (!ReadSection(*names, nameTable_, verify, "NAME").empty()) return false;
    if (!LoadMeta(false).empty() || !LoadNames(false).empty()) return false;

    auto scanned = [this](uint32_t tag) {
        const Section& s = *Find(tag);
        return ScanSection{s.offset, s.size, s.crc};
    };
    IndexScan scan{scanned(fmt::kTagStrings),
                   scanned(fmt::kTagContents),
                   scanned(fmt::kTagPages),
                   pageDataSize_,
                   verify,
                   {}};
    if (hasNumber_) scan.wanted.push_back({numberOffset_, numberLength_});
    for (size_t i = 0; i < nameTable_.size() / fmt::kNameRecordSize; ++i) {
        const size_t at = i * fmt::kNameRecordSize;
        scan.wanted.push_back(
            {LoadU32(nameTable_, at + fmt::kNameOffset), LoadU32(nameTable_, at + fmt::kNameLength)});
    }
    std::vector<std::string> texts;
    if (!ScanIndex(*source_, scan, &texts)) return false;
    for (const std::string& text : texts)
        if (text.find('\0') != std::string::npos) return false;

    size_t next = 0;
    if (hasNumber_) number_ = std::move(texts[next++]);
    for (size_t i = 0; next < texts.size(); ++i)
        names_.push_back(
            {LoadI32(nameTable_, i * fmt::kNameRecordSize + fmt::kNameLocale), std::move(texts[next++])});
    entryCount_ = static_cast<uint32_t>(scan.contents.size / fmt::kEntrySize);
    pageCount_ = static_cast<uint32_t>(scan.pages.size / fmt::kPageRecordSize);
    return true;
}

std::string Reader::LoadWhole(const OpenOptions& options) {
    names_.clear();
    number_.reset();
    hasNumber_ = false;
    dict_.reset();
    const bool verify = options.verifyChecksums;
    if (std::string e = ReadSection(*Find(fmt::kTagMeta), meta_, verify, "META"); !e.empty()) return e;
    if (std::string e = ReadSection(*Find(fmt::kTagStrings), strings_, verify, "STRS"); !e.empty()) return e;
    if (std::string e = ReadSection(*Find(fmt::kTagContents), toc_, verify, "TOCE"); !e.empty()) return e;
    if (std::string e = ReadSection(*Find(fmt::kTagPages), pageTable_, verify, "PAGE"); !e.empty()) return e;
    nameTable_.clear();
    if (const Section* names = Find(fmt::kTagNames))
        if (std::string e = ReadSection(*names, nameTable_, verify, "NAME"); !e.empty()) return e;
    // Order matters: contents entries are checked against the page count.
    if (std::string e = LoadMeta(true); !e.empty()) return e;
    if (std::string e = LoadNames(true); !e.empty()) return e;
    if (std::string e = CheckPages(&pageCount_); !e.empty()) return e;
    if (std::string e = CheckContents(&entryCount_); !e.empty()) return e;
    if (std::string e = CheckHolders(); !e.empty()) return e;
    for (LazyPart* part : {&pagesPart_, &contentsPart_}) {
        part->held = true;
        part->settled.store(true, std::memory_order_release);
    }
    return {};
}

std::string Reader::CheckHolders() const {
    // Each page names the entry that holds it; now that the entry count is known, check those.
    for (uint32_t p = 0; p < pageCount_; ++p) {
        uint32_t holder = LoadU32(pageTable_, p * fmt::kPageRecordSize + fmt::kPageEntry);
        if (holder > entryCount_)
            return "damaged book: page " + Num(p) + " names contents entry " + Num(holder) + " of " +
                   Num(entryCount_);
    }
    return {};
}

bool Reader::Hold(LazyPart& part, std::string (Reader::*load)() const) const {
    if (part.settled.load(std::memory_order_acquire)) return part.held;
    std::lock_guard<std::mutex> lock(part.mutex);
    if (!part.settled.load(std::memory_order_relaxed)) {
        // The file was checked when the book was opened; what it holds now is checked again, since it
        // may have been changed since.
        if (std::string e = (this->*load)(); !e.empty()) part.error = kIndexChanged + e;
        part.held = part.error.empty();
        part.settled.store(true, std::memory_order_release);
    }
    return part.held;
}

std::string Reader::HoldIndex() const {
    if (!PagesHeld()) return pagesPart_.error;
    if (!ContentsHeld()) return contentsPart_.error;
    return {};
}

std::string Reader::LoadPageIndex() const {
    uint32_t count = 0;
    std::string e = ReadSection(*Find(fmt::kTagPages), pageTable_, verifyPages_, "PAGE");
    if (e.empty()) e = CheckPages(&count);
    if (e.empty() && count != pageCount_) e = "the page count changed";
    if (e.empty()) e = CheckHolders();
    if (!e.empty()) pageTable_.clear();
    return e;
}

std::string Reader::CheckPageIndex() const {
    const Section& pages = *Find(fmt::kTagPages);
    // A pass that cannot vouch for the index leaves it to LoadPageIndex, which says what is wrong.
    return ScanPageIndex(*source_, {pages.offset, pages.size, pages.crc}, pageDataSize_, entryCount_,
                         verifyPages_)
               ? std::string()
               : "the page index is to be read whole";
}

Reader::PageRecord Reader::RecordAt(ByteView table, size_t at) {
    return {LoadU64(table, at + fmt::kPageOffset), LoadU32(table, at + fmt::kPageLength),
            LoadU32(table, at + fmt::kPageCrc), LoadU32(table, at + fmt::kPageEntry)};
}

namespace {

// Page records read from the file for one reader's runs (see Reader::RunRecords): the records of
// pages first ... first + count - 1, at `records` in `room`.
struct RecordWindow {
    uint64_t owner = 0; // the reader's id; 0: none
    uint32_t first = 0;
    size_t count = 0;
    const uint8_t* records = nullptr;
    std::vector<uint8_t> room;
};

thread_local RecordWindow t_window;
std::atomic<uint64_t> g_nextReaderId{1};

} // namespace

Reader::Reader() : id_(g_nextReaderId.fetch_add(1, std::memory_order_relaxed)) {}

bool Reader::RecordOf(uint32_t page, PageRecord* record, std::string* error) const {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (page >= pageCount_)
        return fail("page " + Num(page) + " does not exist (the book has " + Num(pageCount_) + ")");
    // A search's hits lie among the pages whose records its runs read last, on the same thread.
    if (const RecordWindow& w = t_window;
        w.owner == id_ && page >= w.first && page - w.first < w.count && !PagesSettled()) {
        *record = RecordAt(ByteView(w.records, w.count * fmt::kPageRecordSize),
                           size_t{page - w.first} * fmt::kPageRecordSize);
        return true;
    }
    if (!PagesSettled() && pagesReadAlone_.fetch_add(1, std::memory_order_relaxed) < kPagesReadAlone &&
        PagesChecked()) {
        uint8_t bytes[fmt::kPageRecordSize];
        const Section& pages = *Find(fmt::kTagPages);
        const uint64_t at = uint64_t{page} * fmt::kPageRecordSize;
        if (!RangeInside(at, sizeof bytes, pages.size) || !source_->ReadAt(pages.offset + at, bytes))
            return fail("cannot read the record of page " + Num(page));
        *record = RecordAt(ByteView(bytes, sizeof bytes), 0);
        if (!PageRecordSound(record->offset, record->length, record->holder, pageDataSize_, entryCount_))
            return fail(std::string(kIndexChanged) + "the record of page " + Num(page) + " is damaged");
        return true;
    }
    if (!PagesHeld()) return fail(pagesPart_.error);
    *record = RecordAt(pageTable_, size_t{page} * fmt::kPageRecordSize);
    return true;
}

bool Reader::RunsReadAlone(uint32_t first) const {
    if (PagesSettled() || !PagesChecked()) return false;
    // A run that starts before the one before it begins another pass over the book (another search):
    // a book searched again is worth holding the index of, which then serves every run.
    return first >= lastRunFirst_.exchange(first, std::memory_order_relaxed);
}

const uint8_t* Reader::RunRecords(uint32_t first, size_t count) const {
    RecordWindow& w = t_window;
    if (w.owner == id_ && first >= w.first && first + count <= w.first + w.count)
        return w.records + size_t{first - w.first} * fmt::kPageRecordSize;
    const Section& pages = *Find(fmt::kTagPages);
    const size_t n = std::max<size_t>(count, std::min<size_t>(kRecordsReadAhead, pageCount_ - first));
    const uint64_t at = uint64_t{first} * fmt::kPageRecordSize, size = n * fmt::kPageRecordSize;
    w.owner = 0;
    if (!RangeInside(at, size, pages.size)) return nullptr;
    if (w.room.size() < size + kReadSlack) w.room.resize(size + kReadSlack);
    uint8_t* const records = ReadPlace(w.room.data(), pages.offset + at);
    if (!source_->ReadAt(pages.offset + at, {records, size})) return nullptr;
    // Held to the rules the check of the whole index made: the file may have changed since.
    const ByteView table(records, size);
    for (size_t r = 0; r < size; r += fmt::kPageRecordSize) {
        const PageRecord record = RecordAt(table, r);
        if (!PageRecordSound(record.offset, record.length, record.holder, pageDataSize_, entryCount_))
            return nullptr;
    }
    w.owner = id_;
    w.first = first;
    w.count = n;
    w.records = records;
    return records;
}

std::string Reader::LoadContents() const {
    uint32_t count = 0;
    std::string e = ReadSection(*Find(fmt::kTagStrings), strings_, verifyPages_, "STRS");
    if (e.empty()) e = ReadSection(*Find(fmt::kTagContents), toc_, verifyPages_, "TOCE");
    if (e.empty()) e = CheckContents(&count);
    if (e.empty() && count != entryCount_) e = "the entry count changed";
    if (!e.empty()) {
        strings_.clear();
        toc_.clear();
    }
    return e;
}

const Reader::Section* Reader::Find(uint32_t tag) const {
    for (const Section& s : sections_)
        if (s.tag == tag) return &s;
    return nullptr;
}

std::string Reader::LoadHeader(const OpenOptions& options) {
    const uint64_t size = source_->Size();
    if (size < 4) return "not a book file: " + Num(size) + " bytes, too short for the signature \"EBDF\"";
    uint8_t header[fmt::kHeaderSize];
    if (!source_->ReadAt(0, {header, std::min<uint64_t>(size, sizeof header)}))
        return "cannot read the header";
    if (std::memcmp(header, fmt::kMagic, 4) != 0) return "not a book file: it does not begin with \"EBDF\"";
    if (size < fmt::kHeaderSize)
        return "truncated book: " + Num(size) + " bytes, the header alone needs " + Num(fmt::kHeaderSize);
    ByteView h(header, sizeof header);
    uint16_t major = LoadU16(h, fmt::kHeaderMajor);
    versionMinor_ = LoadU16(h, fmt::kHeaderMinor);
    if (major != fmt::kVersionMajor)
        return "unsupported book format version " + Num(major) + "." + Num(versionMinor_) +
               " (this reader reads " + Num(fmt::kVersionMajor) + ".x)";
    if (LoadU32(h, fmt::kHeaderHeaderSize) != fmt::kHeaderSize)
        return "damaged book: header size " + Num(LoadU32(h, fmt::kHeaderHeaderSize)) + ", expected 64";
    uint64_t declared = LoadU64(h, fmt::kHeaderFileSize);
    if (declared != size) {
        if (declared > size)
            return "truncated book: the file has " + Num(size) + " bytes, its header says " + Num(declared);
        return "damaged book: the file has " + Num(size) + " bytes, its header says " + Num(declared);
    }
    uint32_t count = LoadU32(h, fmt::kHeaderSectionCount);
    if (count == 0 || count > fmt::kMaxSections)
        return "damaged book: " + Num(count) + " sections (1 to " + Num(fmt::kMaxSections) + " allowed)";
    const uint64_t directoryEnd = fmt::kHeaderSize + uint64_t{count} * fmt::kDirEntrySize;
    if (directoryEnd > size) return "truncated book: the section directory ends past the end of the file";
    Bytes directory(count * fmt::kDirEntrySize);
    if (!source_->ReadAt(fmt::kHeaderSize, directory)) return "cannot read the section directory";
    if (options.verifyChecksums) {
        uint32_t crc = Crc32(Crc32(0, header, fmt::kHeaderCrc), directory.data(), directory.size());
        if (crc != LoadU32(h, fmt::kHeaderCrc))
            return "damaged book: the header checksum does not match (" + Hex(crc) + " against " +
                   Hex(LoadU32(h, fmt::kHeaderCrc)) + ")";
    }

    for (uint32_t i = 0; i < count; ++i) {
        size_t at = i * fmt::kDirEntrySize;
        Section s{LoadU32(directory, at + fmt::kDirTag), LoadU32(directory, at + fmt::kDirCrc),
                  LoadU64(directory, at + fmt::kDirOffset), LoadU64(directory, at + fmt::kDirSize), true};
        std::string name = "section " + TagName(s.tag);
        if (!RangeInside(s.offset, s.size, size))
            return "damaged book: " + name + " (offset " + Num(s.offset) + ", " + Num(s.size) +
                   " bytes) lies outside the file of " + Num(size) + " bytes";
        if (s.offset < directoryEnd && s.size > 0)
            return "damaged book: " + name + " overlaps the header or the section directory";
        if (Find(s.tag)) return "damaged book: " + name + " appears twice";
        sections_.push_back(s);
    }
    std::vector<Section> sorted = sections_;
    std::sort(sorted.begin(), sorted.end(),
              [](const Section& a, const Section& b) { return a.offset < b.offset; });
    for (size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i - 1].size > 0 && sorted[i].size > 0 &&
            sorted[i - 1].offset + sorted[i - 1].size > sorted[i].offset)
            return "damaged book: sections " + TagName(sorted[i - 1].tag) + " and " + TagName(sorted[i].tag) +
                   " overlap";
    for (uint32_t tag :
         {fmt::kTagMeta, fmt::kTagStrings, fmt::kTagContents, fmt::kTagPages, fmt::kTagPageData})
        if (!Find(tag)) return "damaged book: the section " + TagName(tag) + " is missing";

    pageDataOffset_ = Find(fmt::kTagPageData)->offset;
    pageDataSize_ = Find(fmt::kTagPageData)->size;
    stringsSize_ = Find(fmt::kTagStrings)->size;
    return {};
}

template <class Out>
std::string Reader::ReadSection(const Section& section, Out& out, bool verify, const char* name) const {
    out.resize(section.size); // bounded by the file's size, checked in LoadHeader
    if (!source_->ReadAt(section.offset, out)) return std::string("cannot read the section ") + name;
    if (verify && Crc32(0, out.data(), out.size()) != section.crc)
        return std::string("damaged book: the checksum of section ") + name + " does not match";
    return {};
}

std::string_view Reader::Text(uint32_t offset, uint32_t length) const {
    return AsText(ByteView(strings_).subspan(offset, length));
}

// Without the text pool at hand (`withText` false) the number's place is checked, its text later.
std::string Reader::LoadMeta(bool withText) {
    if (meta_.size() < fmt::kMetaSize)
        return "damaged book: the META section has " + Num(meta_.size()) + " bytes, at least " +
               Num(fmt::kMetaSize) + " needed";
    serial_ = LoadU32(meta_, fmt::kMetaSerial);
    bookClass_ = LoadU16(meta_, fmt::kMetaBookClass);
    caps_ = LoadU16(meta_, fmt::kMetaCaps);
    codePage_ = LoadU16(meta_, fmt::kMetaCodePage);
    uint16_t kind = LoadU16(meta_, fmt::kMetaKind);
    if (kind > static_cast<uint16_t>(BookKind::ShelfCatalog))
        return "damaged book: unknown book kind " + Num(kind);
    kind_ = static_cast<BookKind>(kind);
    uint32_t flags = LoadU32(meta_, fmt::kMetaFlags);
    if (flags & fmt::kFlagHasNumber) {
        numberOffset_ = LoadU32(meta_, fmt::kMetaNumberOffset);
        numberLength_ = LoadU32(meta_, fmt::kMetaNumberLength);
        if (numberLength_ == 0 || numberLength_ > fmt::kMaxNumber)
            return "damaged book: the extended book number has " + Num(numberLength_) +
                   " bytes (1 to 255 allowed)";
        if (!RangeInside(numberOffset_, numberLength_, stringsSize_))
            return "damaged book: the extended book number lies outside the text pool";
        if (withText) {
            if (Text(numberOffset_, numberLength_).find('\0') != std::string_view::npos)
                return "damaged book: the extended book number holds a zero byte";
            number_ = std::string(Text(numberOffset_, numberLength_));
        }
        hasNumber_ = true;
    }
    if (flags & fmt::kFlagHasDict)
        dict_ = DictAttributes{meta_[fmt::kMetaDictIdLow], meta_[fmt::kMetaDictIdHigh],
                               LoadU16(meta_, fmt::kMetaDictClassNo)};
    return {};
}

std::string Reader::LoadNames(bool withText) {
    if (nameTable_.size() % fmt::kNameRecordSize != 0)
        return "damaged book: the NAME section is not a whole number of " + Num(fmt::kNameRecordSize) +
               "-byte records";
    const size_t nameCount = nameTable_.size() / fmt::kNameRecordSize;
    for (size_t i = 0; i < nameCount; ++i) {
        size_t at = i * fmt::kNameRecordSize;
        uint32_t offset = LoadU32(nameTable_, at + fmt::kNameOffset);
        uint32_t length = LoadU32(nameTable_, at + fmt::kNameLength);
        if (length > fmt::kMaxName)
            return "damaged book: name " + Num(i) + " has " + Num(length) + " bytes (at most 254 allowed)";
        if (!RangeInside(offset, length, stringsSize_))
            return "damaged book: name " + Num(i) + " lies outside the text pool";
        if (!withText) continue;
        if (Text(offset, length).find('\0') != std::string_view::npos)
            return "damaged book: name " + Num(i) + " holds a zero byte";
        names_.push_back({LoadI32(nameTable_, at + fmt::kNameLocale), std::string(Text(offset, length))});
    }
    return {};
}

std::string Reader::CheckPages(uint32_t* pageCount) const {
    if (pageTable_.size() % fmt::kPageRecordSize != 0)
        return "damaged book: the PAGE section is not a whole number of " + Num(fmt::kPageRecordSize) +
               "-byte records";
    uint64_t count = pageTable_.size() / fmt::kPageRecordSize;
    if (count > fmt::kMaxPages) return "damaged book: " + Num(count) + " pages is too many";
    *pageCount = static_cast<uint32_t>(count);
    for (uint32_t p = 0; p < *pageCount; ++p) {
        size_t at = p * fmt::kPageRecordSize;
        uint64_t offset = LoadU64(pageTable_, at + fmt::kPageOffset);
        uint32_t length = LoadU32(pageTable_, at + fmt::kPageLength);
        if (length > fmt::kMaxPageLength)
            return "damaged book: page " + Num(p) + " claims " + Num(length) + " bytes";
        if (!RangeInside(offset, length, pageDataSize_))
            return "damaged book: page " + Num(p) + " (offset " + Num(offset) + ", " + Num(length) +
                   " bytes) lies outside the page data of " + Num(pageDataSize_) + " bytes";
    }
    return {};
}

std::string Reader::CheckContents(uint32_t* entryCount) const {
    if (toc_.size() % fmt::kEntrySize != 0)
        return "damaged book: the TOCE section is not a whole number of " + Num(fmt::kEntrySize) +
               "-byte records";
    uint64_t count = toc_.size() / fmt::kEntrySize;
    if (count > fmt::kMaxEntries) return "damaged book: " + Num(count) + " contents entries is too many";
    const auto entries = static_cast<uint32_t>(count);
    *entryCount = entries;
    if (entries == 0) return {};

    auto field = [this](uint32_t entry, size_t at) { return LoadU32(toc_, entry * fmt::kEntrySize + at); };
    auto bad = [](uint32_t entry, const std::string& what) {
        return "damaged book: contents entry " + Num(entry) + " " + what;
    };
    auto checkEntry = [&](uint32_t e) -> std::string {
        uint32_t offset = field(e, fmt::kEntryTextOffset);
        uint32_t length = LoadU16(toc_, e * fmt::kEntrySize + fmt::kEntryTextLength);
        if (std::string why = EntryTextFault(offset, length, strings_.size()); !why.empty())
            return bad(e, why);
        if (Text(offset, length).find('\0') != std::string_view::npos)
            return bad(e, "has a zero byte in its text");
        int32_t page = static_cast<int32_t>(field(e, fmt::kEntryPage));
        if (page < -1 || (page >= 0 && static_cast<uint32_t>(page) >= pageCount_))
            return bad(e, "leads to page " + std::to_string(page) + " of " + Num(pageCount_));
        return {};
    };

    // The entries must be the tree's pre-order: walking the links from the root meets entry 0, 1, 2 ...
    // in turn and every entry once, and each link agrees with the parent field. This rules out cycles
    // and shared subtrees, so later walks need no guard.
    if (field(0, fmt::kEntryParent) != fmt::kNoEntry) return bad(0, "(the root) has a parent");
    if (field(0, fmt::kEntryNextSibling) != 0) return bad(0, "(the root) has a sibling");
    std::vector<uint32_t> ancestors;
    uint32_t expected = 0;
    uint32_t current = 0;
    for (;;) {
        if (current != expected)
            return bad(current, "is out of order (entry " + Num(expected) + " was expected next)");
        ++expected;
        if (std::string e = checkEntry(current); !e.empty()) return e;
        uint32_t child = field(current, fmt::kEntryFirstChild);
        if (child != 0) {
            if (child >= entries)
                return bad(current, "has a first child " + Num(child) + " past the last entry");
            if (field(child, fmt::kEntryParent) != current)
                return bad(child, "does not name its parent " + Num(current));
            ancestors.push_back(current);
            current = child;
            continue;
        }
        for (;;) {
            uint32_t sibling = field(current, fmt::kEntryNextSibling);
            if (sibling != 0) {
                if (sibling >= entries)
                    return bad(current, "has a next sibling " + Num(sibling) + " past the last entry");
                if (field(sibling, fmt::kEntryParent) != field(current, fmt::kEntryParent))
                    return bad(sibling, "does not share the parent of its previous sibling " + Num(current));
                current = sibling;
                break;
            }
            if (ancestors.empty()) {
                current = fmt::kNoEntry;
                break;
            }
            current = ancestors.back();
            ancestors.pop_back();
        }
        if (current == fmt::kNoEntry) break;
    }
    if (expected != entries)
        return "damaged book: " + Num(entries - expected) +
               " contents entries are not reachable from the root";
    return {};
}

LocaleName Reader::NameAt(size_t index) const {
    if (index >= names_.size()) return {};
    return names_[index];
}

std::optional<std::string_view> Reader::NameFor(int32_t locale) const {
    if (names_.empty()) return std::nullopt;
    for (const LocaleName& name : names_)
        if (name.locale == locale) return name.text;
    if (locale > 0x3FF)
        for (const LocaleName& name : names_)
            if (name.locale > 0x3FF && (name.locale & 0x3FF) == (locale & 0x3FF)) return name.text;
    return names_.front().text;
}

uint32_t Reader::Parent(uint32_t entry) const {
    if (entry >= entryCount_ || !ContentsHeld()) return kNone;
    return LoadU32(toc_, entry * format::kEntrySize + format::kEntryParent); // kNoEntry == kNone for the root
}

uint32_t Reader::FirstChild(uint32_t entry) const {
    if (entry >= entryCount_ || !ContentsHeld()) return kNone;
    uint32_t child = LoadU32(toc_, entry * format::kEntrySize + format::kEntryFirstChild);
    return child == 0 ? kNone : child;
}

uint32_t Reader::NextSibling(uint32_t entry) const {
    if (entry >= entryCount_ || !ContentsHeld()) return kNone;
    uint32_t sibling = LoadU32(toc_, entry * format::kEntrySize + format::kEntryNextSibling);
    return sibling == 0 ? kNone : sibling;
}

int32_t Reader::EntryPage(uint32_t entry) const {
    if (entry >= entryCount_ || !ContentsHeld()) return -1;
    return LoadI32(toc_, entry * format::kEntrySize + format::kEntryPage);
}

std::string Reader::LookUpEntryText(uint32_t entry) const {
    namespace fmt = format;
    if (entry >= entryCount_) return {};
    if (contentsPart_.settled.load(std::memory_order_acquire) ||
        entriesReadAlone_.fetch_add(1, std::memory_order_relaxed) >= kEntriesReadAlone)
        return std::string(EntryText(entry));
    const Section* toc = Find(fmt::kTagContents);
    const Section* pool = Find(fmt::kTagStrings);
    uint8_t record[fmt::kEntrySize];
    const uint64_t at = uint64_t{entry} * fmt::kEntrySize;
    if (!toc || !pool || !RangeInside(at, sizeof record, toc->size) ||
        !source_->ReadAt(toc->offset + at, record))
        return {};
    const uint32_t offset = LoadU32(ByteView(record, sizeof record), fmt::kEntryTextOffset);
    const uint32_t length = LoadU16(ByteView(record, sizeof record), fmt::kEntryTextLength);
    if (!EntryTextFault(offset, length, pool->size).empty()) return {};
    std::string text(length, '\0');
    if (length && !source_->ReadAt(pool->offset + offset, {reinterpret_cast<uint8_t*>(text.data()), length}))
        return {};
    if (text.find('\0') != std::string::npos) return {};
    return text;
}

std::string_view Reader::EntryText(uint32_t entry) const {
    if (entry >= entryCount_ || !ContentsHeld()) return {};
    size_t at = entry * format::kEntrySize;
    return Text(LoadU32(toc_, at + format::kEntryTextOffset), LoadU16(toc_, at + format::kEntryTextLength));
}

uint32_t Reader::PageLength(uint32_t page) const {
    PageRecord record;
    return RecordOf(page, &record, nullptr) ? record.length : 0;
}

uint32_t Reader::PageEntry(uint32_t page) const {
    PageRecord record;
    if (!RecordOf(page, &record, nullptr)) return kNone;
    return record.holder == 0 ? kNone : record.holder - 1;
}

bool Reader::ReadPage(uint32_t page, std::span<uint8_t> out, std::string* error) const {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    PageRecord record;
    if (!RecordOf(page, &record, error)) return false;
    if (out.size() != record.length)
        return fail("page " + Num(page) + " has " + Num(record.length) + " bytes, not " + Num(out.size()));
    // The search reads every page in order: such reads come from a block of the page data read ahead.
    if (!source_->ReadRun(pageDataOffset_ + record.offset, out, pageDataOffset_ + pageDataSize_))
        return fail("cannot read page " + Num(page));
    if (verifyPages_ && Crc32(0, out.data(), out.size()) != record.crc)
        return fail("damaged book: the checksum of page " + Num(page) + " does not match");
    return true;
}

std::optional<Bytes> Reader::ReadPage(uint32_t page, std::string* error) const {
    Bytes bytes(PageLength(page));
    if (!ReadPage(page, bytes, error)) return std::nullopt;
    return bytes;
}

} // namespace tavrin::book

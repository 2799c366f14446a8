#include "bookfmt/writer.h"

#include "bookfmt/crc32.h"
#include "bookfmt/format.h"

#include <cstdio>
#include <set>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tavrin::book {
namespace fmt = format;
namespace {

// One contents entry as it goes into TOCE.
struct FlatEntry {
    const ContentsNode* node = nullptr;
    uint32_t parent = fmt::kNoEntry;
    uint32_t firstChild = 0;
    uint32_t nextSibling = 0;
    uint32_t lastChild = 0;
};

bool HasZeroByte(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

// The entries in pre-order, with their links; iterative, so a deep tree cannot exhaust the stack.
std::vector<FlatEntry> Flatten(const ContentsNode& root) {
    std::vector<FlatEntry> flat;
    std::vector<std::pair<const ContentsNode*, uint32_t>> stack{{&root, fmt::kNoEntry}};
    while (!stack.empty()) {
        auto [node, parent] = stack.back();
        stack.pop_back();
        auto index = static_cast<uint32_t>(flat.size());
        flat.push_back({node, parent, 0, 0, 0});
        if (parent != fmt::kNoEntry) {
            FlatEntry& p = flat[parent];
            if (p.firstChild == 0)
                p.firstChild = index;
            else
                flat[p.lastChild].nextSibling = index;
            p.lastChild = index;
        }
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            stack.emplace_back(&*it, index);
    }
    return flat;
}

// For every page, the entry that holds it: the entry with the greatest page at or before it (the
// last such entry in pre-order, i.e. the deepest, when several entries share a page). 0 = none.
std::vector<uint32_t> PageToEntry(const std::vector<FlatEntry>& flat, size_t pageCount) {
    std::vector<uint32_t> exact(pageCount, 0);
    for (size_t i = 0; i < flat.size(); ++i) {
        int32_t page = flat[i].node->page;
        if (page >= 0 && static_cast<size_t>(page) < pageCount) exact[page] = static_cast<uint32_t>(i + 1);
    }
    uint32_t current = 0;
    for (size_t p = 0; p < pageCount; ++p) {
        if (exact[p] != 0) current = exact[p];
        exact[p] = current;
    }
    return exact;
}

// Everything of the file except the page bytes, which follow it unchanged.
struct Layout {
    Bytes head; // header, directory and every section but PDAT
    uint64_t pageDataSize = 0;
};

Layout BuildLayout(const BookModel& book) {
    Bytes meta, names, strings, entries, pages;

    auto addString = [&strings](const std::string& text) {
        auto offset = static_cast<uint32_t>(strings.size());
        PutBytes(strings, text);
        return offset;
    };

    uint32_t flags = 0;
    uint32_t numberOffset = 0, numberLength = 0;
    if (book.number) {
        flags |= fmt::kFlagHasNumber;
        numberOffset = addString(*book.number);
        numberLength = static_cast<uint32_t>(book.number->size());
    }
    if (book.dict) flags |= fmt::kFlagHasDict;
    PutU32(meta, book.serial);
    PutU16(meta, book.bookClass);
    PutU16(meta, book.caps);
    PutU16(meta, book.codePage);
    PutU16(meta, static_cast<uint16_t>(book.kind));
    PutU32(meta, flags);
    PutU32(meta, numberOffset);
    PutU32(meta, numberLength);
    PutU8(meta, book.dict ? book.dict->idLow : 0);
    PutU8(meta, book.dict ? book.dict->idHigh : 0);
    PutU16(meta, book.dict ? book.dict->classNo : 0);
    PutU32(meta, 0);

    for (const LocaleName& name : book.names) {
        PutI32(names, name.locale);
        PutU32(names, addString(name.text));
        PutU32(names, static_cast<uint32_t>(name.text.size()));
    }

    std::vector<FlatEntry> flat;
    if (book.hasContents) flat = Flatten(book.root);
    for (const FlatEntry& e : flat) {
        PutU32(entries, e.parent);
        PutU32(entries, e.firstChild);
        PutU32(entries, e.nextSibling);
        PutI32(entries, e.node->page);
        PutU32(entries, addString(e.node->text));
        PutU16(entries, static_cast<uint16_t>(e.node->text.size()));
        PutU16(entries, 0);
    }

    std::vector<uint32_t> holder = PageToEntry(flat, book.pages.size());
    uint64_t offset = 0;
    for (size_t p = 0; p < book.pages.size(); ++p) {
        const std::string& page = book.pages[p];
        PutU64(pages, offset);
        PutU32(pages, static_cast<uint32_t>(page.size()));
        PutU32(pages, holder[p]);
        PutU32(pages, Crc32(0, page.data(), page.size()));
        PutU32(pages, 0);
        offset += page.size();
    }

    struct Section {
        uint32_t tag;
        const Bytes* data;
    };
    const Section sections[] = {{fmt::kTagMeta, &meta},       {fmt::kTagNames, &names},
                                {fmt::kTagStrings, &strings}, {fmt::kTagContents, &entries},
                                {fmt::kTagPages, &pages},     {fmt::kTagPageData, nullptr}};
    constexpr uint32_t count = sizeof sections / sizeof sections[0];

    Layout layout;
    layout.pageDataSize = offset;
    Bytes& out = layout.head;
    uint64_t position = fmt::kHeaderSize + count * fmt::kDirEntrySize;
    uint64_t headSize = position;
    for (const Section& s : sections)
        if (s.data) headSize += s.data->size();
    out.reserve(headSize);

    PutBytes(out, std::string_view(fmt::kMagic, 4));
    PutU16(out, fmt::kVersionMajor);
    PutU16(out, fmt::kVersionMinor);
    PutU32(out, fmt::kHeaderSize);
    PutU32(out, count);
    PutU64(out, headSize + layout.pageDataSize);
    out.resize(fmt::kHeaderSize, 0); // reserved bytes and the CRC, set below

    for (const Section& s : sections) {
        uint64_t size = s.data ? s.data->size() : layout.pageDataSize;
        PutU32(out, s.tag);
        PutU32(out, s.data ? Crc32(0, s.data->data(), s.data->size()) : 0);
        PutU64(out, position);
        PutU64(out, size);
        position += size;
    }
    uint32_t crc = Crc32(0, out.data(), fmt::kHeaderCrc);
    crc = Crc32(crc, out.data() + fmt::kHeaderSize, count * fmt::kDirEntrySize);
    StoreU32(out, fmt::kHeaderCrc, crc);

    for (const Section& s : sections)
        if (s.data) out.insert(out.end(), s.data->begin(), s.data->end());
    return layout;
}

} // namespace

std::string CheckModel(const BookModel& book) {
    if ((book.caps & ~fmt::kKnownCaps) != 0) return "capability bits outside 0x0380 are reserved";
    if (book.number) {
        if (book.number->empty()) return "the extended book number is empty";
        if (book.number->size() > fmt::kMaxNumber) return "the extended book number is longer than 255 bytes";
        if (HasZeroByte(*book.number)) return "the extended book number holds a zero byte";
    }
    std::set<int32_t> locales;
    for (const LocaleName& name : book.names) {
        if (!locales.insert(name.locale).second) return "two names for locale " + std::to_string(name.locale);
        if (name.text.size() > fmt::kMaxName)
            return "the name for locale " + std::to_string(name.locale) + " is longer than 254 bytes";
        if (HasZeroByte(name.text))
            return "the name for locale " + std::to_string(name.locale) + " holds a zero byte";
    }
    if (book.pages.size() > fmt::kMaxPages) return "too many pages";
    for (size_t p = 0; p < book.pages.size(); ++p)
        if (book.pages[p].size() > fmt::kMaxPageLength) return "page " + std::to_string(p) + " is too long";
    // Texts are addressed by 32-bit offsets into one pool.
    uint64_t pool = book.number ? book.number->size() : 0;
    for (const LocaleName& name : book.names)
        pool += name.text.size();
    if (!book.hasContents) return {};

    size_t count = 0;
    std::vector<const ContentsNode*> stack{&book.root};
    while (!stack.empty()) {
        const ContentsNode* node = stack.back();
        stack.pop_back();
        if (++count > fmt::kMaxEntries) return "too many contents entries";
        if (node->text.size() > fmt::kMaxEntryText)
            return "the contents entry \"" + node->text.substr(0, 40) + "...\" is longer than 227 bytes";
        if (HasZeroByte(node->text)) return "a contents entry text holds a zero byte";
        pool += node->text.size();
        if (pool > 0xFFFFFFFFu) return "the texts of the book exceed 4 GB";
        if (node->page < -1 || (node->page >= 0 && static_cast<size_t>(node->page) >= book.pages.size()))
            return "the contents entry \"" + node->text + "\" leads to page " + std::to_string(node->page) +
                   ", which the book does not have";
        for (const ContentsNode& child : node->children)
            stack.push_back(&child);
    }
    return {};
}

std::optional<Bytes> SerializeBook(const BookModel& book, std::string* error) {
    if (std::string problem = CheckModel(book); !problem.empty()) {
        if (error) *error = problem;
        return std::nullopt;
    }
    Layout layout = BuildLayout(book);
    Bytes out = std::move(layout.head);
    out.reserve(out.size() + layout.pageDataSize);
    for (const std::string& page : book.pages)
        PutBytes(out, page);
    return out;
}

bool WriteBookFile(const BookModel& book, const std::string& path, std::string* error) {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (std::string problem = CheckModel(book); !problem.empty()) return fail(problem);
    Layout layout = BuildLayout(book);

    std::string temporary = path + ".tmp" + std::to_string(getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return fail("cannot create " + temporary);
    bool ok = std::fwrite(layout.head.data(), 1, layout.head.size(), file) == layout.head.size();
    for (size_t p = 0; ok && p < book.pages.size(); ++p)
        ok = std::fwrite(book.pages[p].data(), 1, book.pages[p].size(), file) == book.pages[p].size();
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        std::remove(temporary.c_str());
        return fail("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return fail("cannot rename " + temporary + " to " + path);
    }
    return true;
}

} // namespace tavrin::book

// A book in memory, as the writer takes it and the builder makes it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::book {

// What a file holds: an ordinary book (EbdBook.dll) or the shelf's system catalog (Books.Dll).
enum class BookKind : uint16_t { Book = 0, ShelfCatalog = 1 };

inline constexpr uint16_t kClassEbook = 0x00FF; // an e-book
inline constexpr uint16_t kClassBook = 0x00FE;  // a book that is not a dictionary
inline constexpr uint16_t kCapContents = 0x0080;
inline constexpr uint16_t kCapHideContentsPage = 0x0100;
inline constexpr uint16_t kCapSharedHtml = 0x0200;

// Code pages a book may declare for its 8-bit texts (0: not said).
inline constexpr uint16_t kCodePageWestern = 1252;
inline constexpr uint16_t kCodePageBig5 = 950;
inline constexpr uint16_t kCodePageGbk = 936;

struct LocaleName {
    int32_t locale = 0;
    std::string text; // 8-bit, in the book's code page
};

// The attributes that make the dictionary id the dictionary library is asked about.
struct DictAttributes {
    uint8_t idLow = 0;    // byte 4 of the attribute block
    uint8_t idHigh = 0;   // byte 5
    uint16_t classNo = 1; // low byte is the class number
};

struct ContentsNode {
    std::string text;  // at most 227 bytes
    int32_t page = -1; // -1: no page
    std::vector<ContentsNode> children;
};

// What a book is, apart from its contents and pages.
struct BookIdentity {
    BookKind kind = BookKind::Book;
    uint32_t serial = 0;
    std::optional<std::string> number; // extended book number, 1-255 bytes
    uint16_t bookClass = kClassEbook;
    uint16_t caps = 0;
    uint16_t codePage = 0;
    std::vector<LocaleName> names; // the first is the default name
    std::optional<DictAttributes> dict;
};

struct BookModel : BookIdentity {
    // The root stands for the book and is never shown; its children are the first level. A book
    // without contents has `hasContents` false and writes no entries.
    bool hasContents = true;
    ContentsNode root;
    std::vector<std::string> pages; // raw bytes in the page markup
};

// Contents entries as the file lists them: in pre-order, entry 0 the root, each with its links and
// its text's place in one pool of texts (in entry order). The builder makes the table as it reads a
// source, without a tree of nodes: an entry is opened below the innermost open one and closed after
// its children. A table with no entries is a book without contents.
class ContentsTable {
  public:
    struct Entry {
        uint32_t parent = 0xFFFFFFFFu; // 0xFFFFFFFF for the root
        uint32_t firstChild = 0;       // 0: none
        uint32_t nextSibling = 0;      // 0: none
        int32_t page = -1;             // -1: none
        uint32_t textLength = 0;
    };

    // Opens the next entry (the root when the table is empty) below the innermost open entry and
    // returns its index.
    uint32_t Open(std::string_view text, int32_t page) {
        auto index = static_cast<uint32_t>(entries_.size());
        Entry entry;
        entry.page = page;
        entry.textLength = static_cast<uint32_t>(text.size());
        if (!open_.empty()) {
            OpenEntry& parent = open_.back();
            entry.parent = parent.index;
            if (parent.lastChild == 0)
                entries_[parent.index].firstChild = index;
            else
                entries_[parent.lastChild].nextSibling = index;
            parent.lastChild = index;
        }
        entries_.push_back(entry);
        texts_.Append(text);
        open_.push_back({index, 0});
        return index;
    }
    // Closes the innermost open entry: what is opened next is its sibling.
    void Close() { open_.pop_back(); }

    size_t Size() const { return entries_.size(); }
    const Entry& At(size_t index) const { return entries_[index]; }
    void SetPage(size_t index, int32_t page) { entries_[index].page = page; }
    // The bytes of every entry's text.
    uint64_t TextBytes() const { return texts_.size; }
    // Calls `f(std::string_view)` with the texts' bytes in entry order, a block at a time.
    template <class F> void ForEachTextBlock(F f) const {
        for (const std::string& block : texts_.blocks)
            f(std::string_view(block));
    }
    // Calls `f(index, entry, text)` for every entry in order.
    template <class F> void ForEachEntry(F f) const {
        size_t block = 0, offset = 0;
        for (size_t i = 0; i < entries_.size(); ++i) {
            const Entry& entry = entries_[i];
            std::string_view text;
            if (entry.textLength > 0) {
                // A text never straddles two blocks: one that did not fit began the next block.
                if (offset + entry.textLength > texts_.blocks[block].size()) {
                    ++block;
                    offset = 0;
                }
                text = std::string_view(texts_.blocks[block]).substr(offset, entry.textLength);
                offset += entry.textLength;
            }
            f(i, entry, text);
        }
    }

  private:
    struct OpenEntry {
        uint32_t index;
        uint32_t lastChild; // 0: no child yet
    };
    // Blocks of texts, so that a large table never moves its texts as it grows.
    struct TextPool {
        static constexpr size_t kBlock = 1 << 20;
        std::vector<std::string> blocks;
        uint64_t size = 0;
        void Append(std::string_view text) {
            if (text.empty()) return;
            if (blocks.empty() || blocks.back().size() + text.size() > blocks.back().capacity()) {
                blocks.emplace_back();
                blocks.back().reserve(std::max(kBlock, text.size()));
            }
            blocks.back() += text;
            size += text.size();
        }
    };
    std::deque<Entry> entries_; // a deque: a large table grows without moving what it holds
    TextPool texts_;
    std::vector<OpenEntry> open_;
};

} // namespace tavrin::book

// The user catalog stream's header and records in memory, and the reader that checks every length,
// count, chain and text of a stream against what is really there.
#include "catalog/user_catalog_stream.h"

#include <cctype>
#include <cstring>

namespace tavrin {

namespace {

template <size_t N> bool Terminated(const char (&text)[N]) {
    return std::memchr(text, 0, N) != nullptr;
}

bool SignatureAccepted(const UserStreamHeader& header) {
    if (std::memcmp(header.szMagic, "CATA", 4) != 0) return false;
    const char* expected = "KS2";
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(header.szSignature[i])) != expected[i]) return false;
    return true;
}

bool ItemTextsTerminated(const UserCatalogItem& item) {
    return Terminated(item.szLabel) && Terminated(item.szDriverPath) && Terminated(item.szFilePath);
}

// Takes apart the entry records of one block (count records at `data`) into `block`; false at the
// first damage, with the entries read before it kept.
bool ReadEntries(const unsigned char* data, size_t count, UserCatalogBlock& block) {
    // The open levels: for each, the index of the entry whose children are being read (-1: the
    // block's own sibling run), and whether a further sibling is announced at that level.
    struct Level {
        int parent;
        bool more;
    };
    std::vector<Level> levels{{-1, true}};
    size_t next = 0;
    while (!levels.empty()) {
        if (!levels.back().more) {
            levels.pop_back();
            continue;
        }
        if (next >= count) return false; // a chain runs past the block
        UserCatalogItem item;
        std::memcpy(&item, data + next * kUserItemSize, kUserItemSize);
        if (!ItemTextsTerminated(item)) return false;
        const int index = static_cast<int>(next++);
        block.entries.push_back(item);
        block.parent.push_back(levels.back().parent);
        levels.back().more = item.bHasNext != 0;
        if (item.bHasChildren != 0) {
            if (static_cast<int>(levels.size()) >= kUserMaxDepth) {
                block.entries.pop_back(); // its children cannot be read: not taken without them
                block.parent.pop_back();
                return false;
            }
            levels.push_back({index, true});
        }
    }
    return next == count; // records the structure does not reach are damage too
}

} // namespace

UserStreamHeader MakeUserStreamHeader() {
    UserStreamHeader header{};
    std::memcpy(header.szMagic, "CATA", 4);
    std::memcpy(header.szSignature, "KS2", 3);
    return header;
}

void AppendUserItem(std::vector<unsigned char>& out, const UserCatalogItem& item) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&item);
    out.insert(out.end(), bytes, bytes + sizeof item);
}

UserCatalogStream ReadUserCatalogStream(const unsigned char* data, size_t size) {
    UserCatalogStream stream;
    if (!data || size < kUserStreamHeaderSize) return stream;
    UserStreamHeader header;
    std::memcpy(&header, data, sizeof header);
    if (!SignatureAccepted(header)) return stream;

    size_t at = kUserStreamHeaderSize;
    while (at < size) {
        const size_t rest = size - at;
        if (rest < kUserBlockHeaderSize) return stream;
        UserBlockHeader counts;
        std::memcpy(&counts, data + at, sizeof counts);
        const uint64_t length = counts.dwLength;
        const uint64_t ancestorBytes = uint64_t{counts.dwAncestors} * sizeof(CatalogRecord);
        if (counts.dwAncestors == 0 || length > rest || length < kUserBlockHeaderSize + ancestorBytes)
            return stream;
        const uint64_t entryBytes = length - kUserBlockHeaderSize - ancestorBytes;
        if (entryBytes == 0 || entryBytes % kUserItemSize != 0) return stream;

        UserCatalogBlock block;
        const unsigned char* records = data + at + kUserBlockHeaderSize;
        block.ancestors.resize(counts.dwAncestors);
        for (size_t i = 0; i < counts.dwAncestors; ++i) {
            CatalogRecord& record = block.ancestors[i];
            std::memcpy(&record, records + i * sizeof(CatalogRecord), sizeof(CatalogRecord));
            record.hDriver = 0; // a module handle of another run means nothing here
            record.hVpItem = 0;
            if (!Terminated(record.szCataKey) || !Terminated(record.szCataName)) return stream;
        }
        const bool entriesWhole =
            ReadEntries(records + ancestorBytes, static_cast<size_t>(entryBytes / kUserItemSize), block);
        if (!block.entries.empty()) stream.blocks.push_back(std::move(block));
        if (!entriesWhole) return stream;
        at += static_cast<size_t>(length);
    }
    stream.whole = true;
    return stream;
}

} // namespace tavrin

// The user catalog stream's reader on any bytes: it reads only inside them, every entry it gives
// has a parent read before it and terminated texts, and a stream read whole, written back from what
// was read, reads the same.
#include "catalog/user_catalog_stream.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tavrin;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::vector<unsigned char> Written(const UserCatalogStream& stream) {
    std::vector<unsigned char> out;
    const UserStreamHeader header = MakeUserStreamHeader();
    const auto* h = reinterpret_cast<const unsigned char*>(&header);
    out.insert(out.end(), h, h + sizeof header);
    for (const UserCatalogBlock& block : stream.blocks) {
        UserBlockHeader counts{static_cast<DWORD>(kUserBlockHeaderSize +
                                                  block.ancestors.size() * sizeof(CatalogRecord) +
                                                  block.entries.size() * kUserItemSize),
                               static_cast<DWORD>(block.ancestors.size())};
        const auto* c = reinterpret_cast<const unsigned char*>(&counts);
        out.insert(out.end(), c, c + sizeof counts);
        for (const CatalogRecord& record : block.ancestors) {
            const auto* r = reinterpret_cast<const unsigned char*>(&record);
            out.insert(out.end(), r, r + sizeof record);
        }
        for (const UserCatalogItem& item : block.entries)
            AppendUserItem(out, item);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past them.
    std::vector<unsigned char> bytes(data, data + size);
    const UserCatalogStream stream = ReadUserCatalogStream(bytes.data(), bytes.size());
    for (const UserCatalogBlock& block : stream.blocks) {
        Check(!block.ancestors.empty() && !block.entries.empty());
        Check(block.parent.size() == block.entries.size());
        for (size_t i = 0; i < block.entries.size(); ++i) {
            // Records after the first may stand beside it (-1): a sibling run at the top of the block.
            Check(block.parent[i] < static_cast<int>(i) && block.parent[i] >= -1 &&
                  (i > 0 || block.parent[i] == -1));
            Check(std::memchr(block.entries[i].szLabel, 0, sizeof block.entries[i].szLabel) != nullptr);
        }
    }
    if (!stream.whole) return 0;
    const std::vector<unsigned char> again = Written(stream);
    const UserCatalogStream reread = ReadUserCatalogStream(again.data(), again.size());
    Check(reread.whole && reread.blocks.size() == stream.blocks.size());
    for (size_t b = 0; b < stream.blocks.size(); ++b) {
        Check(reread.blocks[b].parent == stream.blocks[b].parent);
        Check(std::memcmp(reread.blocks[b].entries.data(), stream.blocks[b].entries.data(),
                          stream.blocks[b].entries.size() * kUserItemSize) == 0);
    }
    return 0;
}

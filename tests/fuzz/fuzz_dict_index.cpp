// Fuzz target for the index reader of DictDrv.dll (drivers/dict/index_file) and the index's order
// (headword_order): any text as an index. Properties: every entry read lies inside the definitions and
// its headword inside the text, without a tab or a line end; each line is read or left out; and in every
// order the comparison agrees with the folded keys and is antisymmetric.
#include "dict/headword_order.h"
#include "dict/index_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

namespace dict = tavrin::dict;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const uint64_t dataSize = size * 4;
    const dict::IndexFile index = dict::ParseIndex(text, dataSize);
    (void)dict::LooksLikeIndex(text);

    size_t lines = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) ++lines;
        pos = end + 1;
    }
    Check(index.entries.size() + index.leftOut == lines);
    Check(index.notes.size() <= dict::kNotesKept && index.notes.size() <= index.leftOut);

    for (const dict::IndexEntry& e : index.entries) {
        Check(e.offset <= dataSize && e.length <= dataSize - e.offset);
        Check(uint64_t{e.wordStart} + e.wordLength <= text.size() && e.wordLength > 0);
        const std::string_view word = index.Word(e);
        Check(word.find('\t') == std::string_view::npos && word.find('\n') == std::string_view::npos);
    }
    for (int mode = 0; mode < 8; ++mode) {
        const dict::HeadwordOrder order{(mode & 1) != 0, (mode & 2) != 0, (mode & 4) != 0};
        for (size_t i = 1; i < index.entries.size() && i < 64; ++i) {
            const std::string_view a = index.Word(index.entries[i - 1]), b = index.Word(index.entries[i]);
            const int c = dict::CompareFolded(a, b, order);
            Check(Sign(c) == -Sign(dict::CompareFolded(b, a, order)));
            Check(Sign(c) == Sign(dict::FoldedKey(a, order).compare(dict::FoldedKey(b, order))));
        }
    }
    return 0;
}

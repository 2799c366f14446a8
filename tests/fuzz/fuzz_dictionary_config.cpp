// Fuzz target for the dictionary library's configuration text, ZavikApi.ini
// (drivers/zavikapi/dictionary_config): any text. Properties: the parse is stable (the same text
// twice, and the text twice over, give the same and twice the entries); what was understood, written
// back in the documented form, reads as the same entries without a problem; every problem names a line
// of the text; and each served entry is found under its id.
#include "zavikapi/dictionary_config.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

namespace dict = tavrin::dict;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

bool Same(const dict::Config& a, const dict::Config& b) {
    if (a.dictionaries.size() != b.dictionaries.size() || a.classes != b.classes) return false;
    for (size_t i = 0; i < a.dictionaries.size(); ++i)
        if (a.dictionaries[i].id != b.dictionaries[i].id || a.dictionaries[i].name != b.dictionaries[i].name)
            return false;
    return true;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const dict::Config config = dict::ParseConfig(text);
    Check(Same(config, dict::ParseConfig(text)));

    size_t lines = 1;
    for (char c : text)
        lines += c == '\n';
    Check(config.dictionaries.size() + config.classes.size() + config.problems.size() <= lines);
    for (const std::string& problem : config.problems) {
        size_t line = 0;
        Check(std::sscanf(problem.c_str(), "line %zu: ", &line) == 1);
        Check(line >= 1 && line <= lines);
    }

    const dict::Config twice = dict::ParseConfig(text + "\n" + text);
    Check(twice.dictionaries.size() == 2 * config.dictionaries.size());
    Check(twice.classes.size() == 2 * config.classes.size());

    // Written back: one line per entry, ids in decimal and in hexadecimal in turn.
    std::string written;
    for (size_t i = 0; i < config.dictionaries.size(); ++i) {
        const dict::ServedDictionary& d = config.dictionaries[i];
        written += "dict " + (i % 2 ? Hex(d.id) : std::to_string(d.id)) + " " + d.name + "\n";
    }
    for (uint32_t c : config.classes)
        written += "CLASS\t" + std::to_string(c) + "\r\n";
    const dict::Config reread = dict::ParseConfig(written);
    Check(reread.problems.empty());
    Check(Same(config, reread));

    for (const dict::ServedDictionary& d : config.dictionaries) {
        Check(dict::ParseId(std::to_string(d.id)) == d.id && dict::ParseId(Hex(d.id)) == d.id);
        auto found = config.Find(d.id);
        Check(found && found->id == d.id);
    }
    for (uint32_t c : config.classes) {
        Check(c <= 0xFF);
        auto found = config.Find(c << 16 | 0x1234);
        Check(found && found->id == (c << 16 | 0x1234));
    }
    return 0;
}

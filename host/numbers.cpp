// Numbers and code pages as the user writes them on a command line; shared by the host programs.
#include "command_line.h"

#include <charconv>

namespace tavrin::host {

std::optional<long> ParseNumber(const std::string& text, long low, long high) {
    long value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || error != std::errc() || at != end || value < low || value > high)
        return std::nullopt;
    return value;
}

bool IsUsableCodePage(UINT codePage) {
    switch (codePage) {
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
        return true;
    default:
        return codePage >= 1250 && codePage <= 1258;
    }
}

} // namespace tavrin::host

#include "dict/base64_number.h"

namespace tavrin::dict {

namespace {

int DigitValue(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

} // namespace

std::optional<uint64_t> DecodeBase64Number(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c);
        if (digit < 0) return std::nullopt;
        if (value > (UINT64_MAX >> 6)) return std::nullopt; // the next digit would push bits out
        value = (value << 6) | static_cast<uint64_t>(digit);
    }
    return value;
}

} // namespace tavrin::dict

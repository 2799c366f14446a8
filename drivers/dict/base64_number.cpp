#include "dict/base64_number.h"

#include <array>

namespace tavrin::dict {

namespace {

// The value of each byte as a digit, or -1; a table, since an index of 200,000 lines has 400,000
// numbers to read when a dictionary opens.
constexpr std::array<signed char, 256> MakeDigitTable() {
    std::array<signed char, 256> value{};
    for (auto& v : value)
        v = -1;
    const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int d = 0; d < 64; ++d)
        value[static_cast<unsigned char>(digits[d])] = static_cast<signed char>(d);
    return value;
}
constexpr std::array<signed char, 256> kDigitValue = MakeDigitTable();

int DigitValue(char c) {
    return kDigitValue[static_cast<unsigned char>(c)];
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

// The numbers of an index line: offsets and lengths written in base 64, most significant digit first,
// with the digits A-Z a-z 0-9 + / (A is 0, / is 63).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrin::dict {

// The number `digits` stands for; nothing for an empty text, a character that is no digit, or a value
// that does not fit 64 bits.
std::optional<uint64_t> DecodeBase64Number(std::string_view digits);

} // namespace tavrin::dict

#include "bookfmt/text.h"

#include <cstring>

namespace tavrin::book {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

size_t FitCharacters(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t end = 0;
    while (end < limit) {
        size_t step = IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > limit) break;
        end += step;
    }
    return end;
}

bool EndsOnCharacter(std::string_view text) {
    size_t i = 0;
    while (i < text.size())
        i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i == text.size();
}

int CopyOut(std::string_view text, char* buffer, int capacity) {
    if (!buffer || capacity < 1) return 0;
    size_t length = FitCharacters(text, static_cast<size_t>(capacity) - 1);
    if (length) std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

} // namespace tavrin::book

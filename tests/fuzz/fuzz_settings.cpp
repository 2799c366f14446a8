// Fuzz target for the catalog settings search: any page bytes, any section and key. The search must
// stay inside the page, return a value that holds no line end and no end mark, and the number
// readers must take any value.
//
// Input: byte 0 = section length, byte 1 = key length (each taken modulo 17), then the section, the
// key, and the rest is the page.
#include "catalog/settings_page.h"
#include "catalog/settings_text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t sectionLength = data[0] % 17;
    size_t keyLength = data[1] % 17;
    if (size < 2 + sectionLength + keyLength) return 0;
    const char* text = reinterpret_cast<const char*>(data + 2);
    std::string_view section(text, sectionLength);
    std::string_view key(text + sectionLength, keyLength);
    std::span<const unsigned char> page(data + 2 + sectionLength + keyLength,
                                        size - 2 - sectionLength - keyLength);
    const char* begin = reinterpret_cast<const char*>(page.data());
    const char* end = begin + page.size();

    std::optional<std::string_view> settings = tavrin::SettingsText(page);
    if (settings) {
        Check(settings->data() >= begin + tavrin::kSettingsHeadSize &&
              settings->data() + settings->size() <= end);
        Check(!settings->empty() && settings->front() == '[');
        Check(settings->find("\xFF\x06") == std::string_view::npos);
    }

    std::optional<std::string_view> value = tavrin::FindSetting(page, section, key);
    if (!value) return 0;
    Check(settings.has_value());
    Check(value->data() >= settings->data() &&
          value->data() + value->size() <= settings->data() + settings->size());
    Check(value->find('\r') == std::string_view::npos);
    Check(value->find("\xFF\x0A") == std::string_view::npos);

    (void)tavrin::ParseColorValue(*value);
    (void)tavrin::ParseFlagValue(*value);
    int numbers[4];
    tavrin::ParseNumbers(*value, numbers, 4);
    return 0;
}

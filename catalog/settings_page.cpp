// Reading a catalog's settings page through the shelf driver, and the number readers for its values.
#include "catalog/settings_page.h"

#include "catalog/settings_text.h"

#include <climits>
#include <cstring>
#include <span>

namespace tavrin {

namespace {

// One decimal number of a value: its sign and its digits.
struct NumberToken {
    bool negative = false;
    std::string_view digits;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the number at `pos` after blanks; advances `pos` past it. Nothing when no number stands there.
std::optional<NumberToken> NextNumber(std::string_view value, size_t& pos) {
    size_t i = pos;
    while (i < value.size() && IsBlank(value[i]))
        ++i;
    NumberToken token;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        token.negative = value[i] == '-';
        ++i;
    }
    size_t first = i;
    while (i < value.size() && IsDigit(value[i]))
        ++i;
    if (i == first) return std::nullopt;
    token.digits = value.substr(first, i - first);
    pos = i;
    return token;
}

// The low byte of the number's value in two's complement, whatever its length.
unsigned LowByte(const NumberToken& token) {
    unsigned low = 0;
    for (char c : token.digits)
        low = (low * 10u + static_cast<unsigned>(c - '0')) & 0xFFu;
    return token.negative ? (0x100u - low) & 0xFFu : low;
}

int Saturated(const NumberToken& token) {
    long long v = 0;
    for (char c : token.digits) {
        v = v * 10 + (c - '0');
        if (v > INT_MAX) return token.negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(token.negative ? -v : v);
}

} // namespace

std::optional<int32_t> SettingsPageNumber(const CbiTable& cbi, CBI_HBOOK shelf, CBI_HITEM entry) {
    if (!cbi.CBIVPItemToPage) return std::nullopt;
    int32_t page = cbi.CBIVPItemToPage(shelf, entry);
    if (page < 0) {
        if (!cbi.CBIVPGetChildItem) return std::nullopt;
        CBI_HITEM child = cbi.CBIVPGetChildItem(shelf, entry);
        if (child == 0) return std::nullopt;
        page = cbi.CBIVPItemToPage(shelf, child);
    }
    if (page < 0) return std::nullopt;
    return page;
}

std::vector<unsigned char> ReadSettingsPage(const CbiTable& cbi, CBI_HBOOK shelf, CBI_HITEM entry) {
    std::vector<unsigned char> bytes;
    if (!cbi.CBIGetPageSize || !cbi.CBIGetPage) return bytes;
    std::optional<int32_t> page = SettingsPageNumber(cbi, shelf, entry);
    if (!page) return bytes;
    int32_t reported = cbi.CBIGetPageSize(shelf, *page);
    if (reported <= 0) return bytes;
    size_t size = static_cast<size_t>(reported) < kMaxSettingsPageSize ? static_cast<size_t>(reported)
                                                                       : kMaxSettingsPageSize;
    bytes.assign(size, 0);
    int32_t written = cbi.CBIGetPage(shelf, *page, bytes.data(), static_cast<int32_t>(size));
    // Keep only what the driver says it wrote, never more than the buffer holds.
    if (written <= 0)
        bytes.clear();
    else if (static_cast<size_t>(written) < bytes.size())
        bytes.resize(static_cast<size_t>(written));
    return bytes;
}

bool ReadCatalogSetting(const CbiTable& cbi, CBI_HBOOK shelf, CBI_HITEM entry, std::string_view section,
                        std::string_view key, char* value, size_t capacity) {
    if (!value || capacity == 0 || entry == 0) return false;
    std::vector<unsigned char> page = ReadSettingsPage(cbi, shelf, entry);
    std::optional<std::string_view> found = FindSetting(std::span<const unsigned char>(page), section, key);
    if (!found || found->size() >= capacity) return false;
    std::memset(value, 0, capacity);
    if (!found->empty()) std::memcpy(value, found->data(), found->size());
    return true;
}

DWORD ParseColorValue(std::string_view value) {
    unsigned parts[3] = {0, 0, 0};
    size_t pos = 0;
    for (unsigned& part : parts) {
        std::optional<NumberToken> token = NextNumber(value, pos);
        if (!token) break;
        part = LowByte(*token);
    }
    return parts[0] | (parts[1] << 8) | (parts[2] << 16);
}

void ParseNumbers(std::string_view value, int* numbers, size_t count) {
    size_t pos = 0;
    bool reading = true;
    for (size_t i = 0; i < count; ++i) {
        std::optional<NumberToken> token;
        if (reading) token = NextNumber(value, pos);
        reading = token.has_value();
        numbers[i] = token ? Saturated(*token) : 0;
    }
}

bool ParseFlagValue(std::string_view value) {
    size_t pos = 0;
    std::optional<NumberToken> token = NextNumber(value, pos);
    if (!token) return false;
    for (char c : token->digits)
        if (c != '0') return true;
    return false;
}

} // namespace tavrin

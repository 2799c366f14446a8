// Reading the settings page of a system catalog entry through the shelf driver, and the small
// number readers for the values found there.
#pragma once

#include "shelf/cbi_table.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tavrin {

// Largest page read for settings. A driver that reports a bigger page has its first bytes read
// (the settings text sits at the page's start); nothing sane is that long.
inline constexpr size_t kMaxSettingsPageSize = 16u * 1024u * 1024u;

// The page of `entry` that holds its settings: the entry's own page, else its first child's page.
// Nothing when both are negative or the driver lacks what it needs.
std::optional<int32_t> SettingsPageNumber(const CbiTable& cbi, CBI_HBOOK shelf, CBI_HITEM entry);

// The bytes of the settings page of `entry`, read with the driver's page calls. The page size the
// driver reports is a bound, not a promise: only the bytes CBIGetPage says it wrote are kept, and a
// size above kMaxSettingsPageSize is cut to it. Empty when the entry has no settings page.
std::vector<unsigned char> ReadSettingsPage(const CbiTable& cbi, CBI_HBOOK shelf, CBI_HITEM entry);

// Reads `key` of `section` from the settings page of `entry` with the driver table as it is bound
// now, into `value` (`capacity` bytes, zero-filled first). True when found and it fits with its
// terminator; otherwise `value` is left as it was (a cut value would name something else).
bool ReadCatalogSetting(const CbiTable& cbi, CBI_HBOOK shelf, CBI_HITEM entry, std::string_view section,
                        std::string_view key, char* value, size_t capacity);

// A colour value: three decimal numbers red, green, blue separated by blanks, each taken by its low
// byte; missing numbers count as 0. Returns the COLORREF (red in the low byte).
DWORD ParseColorValue(std::string_view value);

// Up to `count` decimal numbers separated by blanks, read from the start of `value`; reading stops at
// the first thing that is not a number. Missing numbers are 0. Each number saturates to int's range.
void ParseNumbers(std::string_view value, int* numbers, size_t count);

// A flag value: true when it begins (after blanks) with a decimal number other than 0.
bool ParseFlagValue(std::string_view value);

} // namespace tavrin

// The settings text of a system catalog: the small sectioned text that a catalog's page in
// "Tavrin.Sys" carries after a binary head, and the search for one key in one section of it. Pure
// functions on the page bytes, so they can be tried without a driver.
//
// Layout of a settings page:
//   - bytes 0-55 are the page's head and are never read as text;
//   - the text starts at the first "[" at or after byte 56;
//   - 0xFF 0x0A ends a line, 0xFF 0x06 ends the text (without it the text runs to the page's end);
//     a carriage return also ends a line, and the next line starts two bytes after it;
//   - a section header is a line holding "[" and "]" whose text right after its first "[" is the
//     section's name; a key line is KEY=VALUE.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace tavrin {

// Bytes of a page before its settings text may start.
inline constexpr size_t kSettingsHeadSize = 56;

// The settings text of a page: from its first "[" at or after byte 56 up to the first 0xFF 0x06 (or
// the page's end). Nothing when the page is shorter than its head or has no "[" after it.
std::optional<std::string_view> SettingsText(std::span<const unsigned char> page);

// The value of `key` in `section` of the page's settings text, as a view into `page`.
//
// Sections and keys match by prefix without regard to case: a header opens the section when the
// text after its first "[" begins with `section`, and a line gives the value when it begins with
// `key` and holds "=" (so "ID" also matches an earlier "IDB=" line). The search for the key starts
// on the line after the first header that opens the section and does not stop at later headers.
// The value is everything after the line's first "=" up to the end of the line.
//
// Reads every byte of the page at most a fixed number of times: linear in the page's size.
std::optional<std::string_view> FindSetting(std::span<const unsigned char> page, std::string_view section,
                                            std::string_view key);

// The same search in a settings text already cut out of its page (as SettingsText gives it).
std::optional<std::string_view> FindSettingInText(std::string_view text, std::string_view section,
                                                  std::string_view key);

} // namespace tavrin

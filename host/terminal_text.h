// Text crossing the host's boundary with the terminal. The shelf keeps its own texts (catalog names,
// messages) in the active code page and each book's texts in the book's code page; the terminal reads
// and writes the character set of the user's locale. Everything the host prints goes through Shown,
// everything the user types through Typed.
#pragma once

#include "win/types.h"

#include <optional>
#include <string>

namespace tavrin::host {

inline constexpr UINT kUtf8CodePage = 65001;

// The terminal's code page from a locale name (its character set after "." and before "@"): 950
// for Big5, 936 for GBK, GB2312 and GB18030, 1252 for CP1252 and ISO-8859-1, else UTF-8 (65001), also
// for "C" and a locale that names no character set.
UINT TerminalCodePageOf(const char* locale);
// Takes the terminal's code page from the process locale (LC_ALL, else LC_CTYPE, else LANG).
void UseTerminalLocale();
UINT TerminalCodePage();

// `text` in `codePage` (0: the active code page) as the terminal shows it; bytes that do not convert
// show as U+FFFD (or '?' on a terminal that is not UTF-8).
std::string Shown(const std::string& text, UINT codePage = 0);

// What the user typed, in `codePage` (0: the active code page); nothing when that code page cannot
// hold every character of it.
std::optional<std::string> Typed(const std::string& typed, UINT codePage = 0);
// UTF-8 text (a window's input) in `codePage` (0: the active one); nothing when the code page cannot
// hold all of it or it is not well-formed UTF-8.
std::optional<std::string> FromUtf8Exactly(const std::string& utf8, UINT codePage = 0);

} // namespace tavrin::host

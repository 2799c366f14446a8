// Conversion between UTF-8 and the 8-bit code pages of books and programs (1252, 950 Big5, 936 GBK,
// and 65001, UTF-8 itself), with one rule for every program, tool and driver of the shelf:
//
// - UTF-8 is read strictly: a character is a well-formed sequence of 1 to 4 bytes. Rejected: a
//   continuation byte that starts nothing, the bytes 0xC0, 0xC1 and 0xF5-0xFF, a sequence cut short or
//   missing a continuation byte, an overlong form, a surrogate (U+D800-U+DFFF) and anything above
//   U+10FFFF. A rejected byte is rejected on its own: reading goes on with the byte after it.
// - Into a code page (FromUtf8): every rejected byte becomes '?', and so does every well-formed
//   character the code page lacks.
// - Into UTF-8 (ToUtf8): the text is read character by character (a lead byte takes the byte after
//   it unless that is a zero byte or the text ends); a character the code page has no Unicode form for
//   becomes U+FFFD, one for each. From code page 65001 every rejected byte becomes U+FFFD.
// - Bytes 0x00-0x7F are ASCII in every code page and are never rejected.
//
// Conversion goes through iconv ("CP<number>"), one character at a time; answers are kept, so a text
// converted again costs a look-up per character. Safe to call from several threads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrin::codepage {

inline constexpr unsigned kUtf8 = 65001;
inline constexpr char kMissing = '?';                            // in a code page
inline constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD, in UTF-8

// ---- UTF-8 ----

// The length (1 to 4) of the well-formed UTF-8 character at the start of `text`, its code point in
// *codePoint; 0 when the first byte starts none (see above), or for an empty text.
size_t DecodeUtf8(std::string_view text, char32_t* codePoint = nullptr);

// Appends the UTF-8 form of `codePoint`; a surrogate or a value above U+10FFFF as U+FFFD.
void AppendUtf8(char32_t codePoint, std::string& out);

// True when the whole of `text` is well-formed UTF-8; else the offset of the first rejected byte in
// *firstBad (when given).
bool IsValidUtf8(std::string_view text, size_t* firstBad = nullptr);

// ---- code pages ----

// True for the double-byte code pages: 932, 936, 949, 950.
bool IsDoubleByte(unsigned codePage);

// True when `b` starts a two-byte character in `codePage`: 0x81-0xFE in 936, 949 and 950, 0x81-0x9F
// and 0xE0-0xFC in 932, never in the others.
bool IsLeadByte(unsigned char b, unsigned codePage);

// The length (1 or 2) of the character of `codePage` at text[i] (i < text.size()): 2 for a lead byte
// followed by a byte that is not zero, else 1.
size_t CharLength(std::string_view text, size_t i, unsigned codePage);

// True when texts convert to and from `codePage` here: 65001, or a code page iconv has.
bool IsKnown(unsigned codePage);

// What a conversion rejected; offsets are into its input.
struct Report {
    static constexpr size_t kNone = static_cast<size_t>(-1);
    size_t rejected = 0;          // rejected bytes (from UTF-8) or characters (from a code page)
    size_t missing = 0;           // characters the target code page lacks (FromUtf8 only)
    size_t firstRejected = kNone; // where the first of each starts
    size_t firstMissing = kNone;
};

// `utf8` in `codePage`, by the rule above ('?' for a rejected byte and for a missing character). An
// unknown code page lacks every character beyond ASCII.
std::string FromUtf8(std::string_view utf8, unsigned codePage, Report* report = nullptr);

// How a caller shows a rejected character of a code page instead of U+FFFD (a tool that writes raw
// bytes as escapes): appends something for `bytes` to `out`.
using ShowRejected = void (*)(std::string_view bytes, std::string& out);

// `text` of `codePage` in UTF-8, by the rule above (U+FFFD, or what `show` appends, for a rejected
// character). An unknown code page has no character beyond ASCII.
std::string ToUtf8(std::string_view text, unsigned codePage, Report* report = nullptr,
                   ShowRejected show = nullptr);

} // namespace tavrin::codepage

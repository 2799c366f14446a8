// The order of a dictionary's index and how a looked-up word matches its headwords.
//
// The index is sorted, and searched, by folded headwords. By default a headword is folded by keeping
// only its letters, digits and blanks and taking letters in lower case: "Jack-o'-lantern" folds to
// "jackolantern" and "New York" to "new york". A dictionary whose index holds the entry
// "00-database-allchars" keeps every character (only the case is folded); one with "00-database-utf8"
// is read in UTF-8 characters, so that accented and other non-ASCII letters count as letters and fold
// their case (É as é); without it the index is read in bytes, and bytes above 0x7F are no letters.
// "00-database-case-sensitive" keeps the case. Folded texts compare character by character by their
// code values.
#pragma once

#include <string>
#include <string_view>

namespace tavrin::dict {

struct HeadwordOrder {
    bool allChars = false;      // every character counts, not only letters, digits and blanks
    bool utf8 = false;          // characters are UTF-8 sequences, not bytes
    bool caseSensitive = false; // letters keep their case
};

// `word` folded: the characters that count, in lower case, in UTF-8 (or bytes, without utf8).
std::string FoldedKey(std::string_view word, const HeadwordOrder& order);

// <0, 0, >0 as the folded `a` sorts before, with or after the folded `b`; no text is copied.
int CompareFolded(std::string_view a, std::string_view b, const HeadwordOrder& order);

// The first `count` characters that count of `word`, folded (a contents group's prefix).
std::string FoldedPrefix(std::string_view word, size_t count, const HeadwordOrder& order);

} // namespace tavrin::dict

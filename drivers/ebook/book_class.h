// The class a book is shelved in, from its first dc:subject: the name is the subject cut to 16 bytes on
// a character boundary; the key (at most 32 characters) is a readable ASCII form of the subject and a
// hash of the whole subject folded to lower case, so subjects that share their first 16 bytes still
// get classes of their own while subjects that differ only in letter case share one. A book without a
// subject goes to the default class. Bytes of the subject that are not UTF-8 become U+FFFD, so the name
// is valid UTF-8 and never empty.
#pragma once

#include <string>
#include <string_view>

namespace tavrin::ebook {

inline constexpr size_t kClassNameMax = 16;
inline constexpr size_t kClassKeyMax = 32;
inline constexpr std::string_view kDefaultClassName = "E-books";
inline constexpr std::string_view kDefaultClassKey = "ebooks";

struct BookClass {
    std::string name;
    std::string key;
};

BookClass ClassForSubject(std::string_view subject);

} // namespace tavrin::ebook

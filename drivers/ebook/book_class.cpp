#include "ebook/book_class.h"

#include "ebook/text_util.h"

#include <cstdio>

namespace tavrin::ebook {

BookClass ClassForSubject(std::string_view subject) {
    // A subject that is not valid UTF-8 (a book that lies about its encoding) gets U+FFFD for each bad
    // byte, so that the class name is valid UTF-8 and never cut down to nothing.
    std::string collapsed = CollapseSpace(ValidUtf8(subject));
    if (collapsed.empty()) return {std::string(kDefaultClassName), std::string(kDefaultClassKey)};
    std::string folded = FoldAscii(collapsed);
    std::string slug;
    for (char c : folded) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (keep) {
            slug.push_back(c);
        } else if (!slug.empty() && slug.back() != '-') {
            slug.push_back('-');
        }
        if (slug.size() >= 20) break;
    }
    while (!slug.empty() && slug.back() == '-')
        slug.pop_back();
    if (slug.empty()) slug = "subject";
    char hash[16];
    std::snprintf(hash, sizeof hash, "-%08x", static_cast<unsigned>(Fnv1a64(folded) & 0xFFFFFFFFu));
    return {std::string(CutUtf8(collapsed, kClassNameMax)), slug + hash};
}

} // namespace tavrin::ebook

#include "ebook/stored_book.h"

#include "ebook/book_class.h"
#include "ebook/text_util.h"

namespace tavrin::ebook {

std::string StoredText(std::string_view text) {
    return std::string(CutUtf8(CollapseSpace(ValidUtf8(text)), kStoredTextMax));
}

StoredBook MakeStoredBook(uint16_t id, std::string_view bytes, const BookFacts& facts,
                          std::string_view fallbackTitle) {
    StoredBook book;
    book.id = id;
    book.hash = Fnv1a64(bytes);
    book.size = bytes.size();
    BookClass bookClass = ClassForSubject(facts.subject);
    book.classKey = std::move(bookClass.key);
    book.className = std::move(bookClass.name);
    book.uniqueId = StoredText(facts.uniqueId);
    book.title = StoredText(facts.title);
    if (book.title.empty()) book.title = StoredText(fallbackTitle);
    if (book.title.empty()) book.title = "Untitled";
    return book;
}

} // namespace tavrin::ebook

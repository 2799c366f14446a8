// A page as readable text: what a reader shows of a page without its formatting (the control hands
// it to its host: CTavrinCtrl::GetPageText).
#pragma once

#include <cstddef>
#include <string>

namespace tavrin {

// The text of a page in the page markup, as the shelf's full-text search reads it: all `length` bytes
// of the page, control sequences left out by their extents (tavrin/page_markup.h), each line break
// (0xFF 0x0A) as "\n", an embedded object as its caption, and each line up to its first zero byte (the
// rest of a line after a zero byte is not text to the search either). A sequence that runs past the end
// of the page ends the text. Never longer than the page.
std::string MarkupPageText(const unsigned char* page, size_t length);

// The text of an HTML page in `codePage` (the code page of the book's texts): what stands between its
// tags up to the first zero byte (an e-book page ends with one), one line per paragraph or line break
// element, blank runs folded, the head left out. The references of the markup characters (&lt; &gt;
// &amp; &quot; &apos;) and numeric references (&#60; &#x3C;) are read once, as the characters they
// stand for in `codePage` ("?" for one it lacks; U+FFFD for a reference to no character); every other
// "&" is text. Never longer than the page.
std::string HtmlPageText(const unsigned char* page, size_t length, unsigned codePage);

} // namespace tavrin

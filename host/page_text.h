// A page as readable text: what a reader shows of a page without its formatting.
#pragma once

#include <cstddef>
#include <string>

namespace tavrin::host {

// The text of a page in the book markup: control sequences left out, each line break (0xFF 0x0A) as
// "\n", an embedded object as its caption. Reading stops at a zero byte or at a sequence that runs
// past the end of the page.
std::string MarkupPageText(const unsigned char* page, size_t length);

// The text of an HTML page: what stands between its tags, one line per paragraph or line break
// element, blank runs folded; the entities &amp; &lt; &gt; &quot; &apos; and &nbsp; spelled out.
std::string HtmlPageText(const unsigned char* page, size_t length);

} // namespace tavrin::host

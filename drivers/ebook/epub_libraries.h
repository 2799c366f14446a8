// libzip and libxml2, which the EPUB reading calls. Programs that link them have them at hand; the
// driver loads them the first time it opens a book, so that a shelf that only lists its e-books (every
// start of the control) does not pay for loading them and their own libraries (ICU, OpenSSL's
// libcrypto, liblzma, libbz2).
#pragma once

#include <string>

namespace tavrin::ebook {

// True when the EPUB reading may call libzip and libxml2; false with the reason in *error when they
// cannot be loaded. Every reading of a book starts with opening its zip container, which asks this
// first.
bool EpubLibrariesLoaded(std::string* error);

} // namespace tavrin::ebook

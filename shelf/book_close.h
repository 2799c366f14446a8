// Taking a book off the shelf: the one way every place that removes a book from the shelf (its item
// deleted, its registration re-pointed to another file or driver) closes it and gives its library
// back.
#pragma once

#include "shelf/records.h"

namespace tavrin {

// Closes the book `record` holds and releases the library load the record holds, once:
//   - the book is closed with CBICloseBook when its driver has that entry point;
//   - the driver library is released whether or not the driver could close the book, unless the
//     book's caps say it is served by the shared e-book driver (caps bit 0x200): those books hold no
//     load of their own, the control holds the driver for all of them. Caps that cannot be read say
//     nothing about sharing, and the library is released then;
//   - a running search hears that a book left (g_nBooksFreed), so that it does not read the closed
//     handle again.
// The record keeps its fields; the caller forgets or replaces them. The driver table is left unbound
// when the library was released (its slots would point into a library that may be gone).
void TakeBookOff(const BookRecord& record);

} // namespace tavrin

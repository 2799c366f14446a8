// EbdBook.dll, the book driver for "EBDF" book files (.ebd, .ebp). All its entry points are the shared
// ones of the book format (bookfmt/entry_points.cpp); this file says which files it serves.
#include "bookfmt/driver_state.h"

namespace tavrin::book::driver {

const Config& ThisDriver() {
    static const Config config{BookKind::Book, "EbdBook.dll"};
    return config;
}

} // namespace tavrin::book::driver

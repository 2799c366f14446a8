// Book sources of any size for the builder's tests: Big5 text, control sequences, objects, escapes,
// joined and empty lines, Windows line ends, and a contents tree of two levels that leads to every
// page.
#pragma once

#include <cstddef>
#include <string>

namespace booktest {

struct LargeSourceShape {
    size_t pages = 100;
    unsigned seed = 1;
    size_t bigPages = 0; // pages of about `bigPageBytes` among the small ones
    size_t bigPageBytes = 0;
    bool contentsFirst = true; // else the contents block follows the pages
};

std::string LargeSource(const LargeSourceShape& shape);

// The 1-based number of the line on which `text` first begins in `source`.
int LineOf(const std::string& source, const std::string& text);

} // namespace booktest

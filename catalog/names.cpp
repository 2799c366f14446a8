#include "catalog/names.h"

#include "plat/resources.h"

namespace tavrin {

namespace {
char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (plat::IsLeadByte(static_cast<BYTE>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace tavrin

// The active code page and the platform's conversions, on the shelf's one conversion rule
// (codepage/code_page.h).
#include "gdi/codepage.h"

#include "codepage/code_page.h"
#include "plat/resources.h"
#include "win/winbase.h"

namespace plat::detail {
namespace {

UINT g_codePage = 1252;

} // namespace

bool IsDoubleByteCodePage(UINT codePage) {
    return tavrin::codepage::IsDoubleByte(codePage);
}

size_t CharLength(const char* s, size_t i, size_t n, UINT codePage) {
    // A UTF-8 text (drawn by hosts that convert at their boundary) goes a whole character at a time;
    // a byte that starts none stands alone.
    if (codePage == tavrin::codepage::kUtf8) {
        const size_t len = tavrin::codepage::DecodeUtf8(std::string_view(s + i, n - i));
        return len ? len : 1;
    }
    return tavrin::codepage::CharLength(std::string_view(s, n), i, codePage);
}

bool CharToUtf8(UINT codePage, const char* bytes, size_t len, std::string& out) {
    tavrin::codepage::Report report;
    out = tavrin::codepage::ToUtf8(std::string_view(bytes, len), codePage, &report);
    if (report.rejected == 0) return true;
    out.clear();
    return false;
}

} // namespace plat::detail

namespace plat {

void SetCodePage(UINT codePage) {
    detail::g_codePage = codePage ? codePage : 1252;
}
UINT CodePage() {
    return detail::g_codePage;
}

bool IsLeadByte(BYTE b, UINT codePage) {
    return tavrin::codepage::IsLeadByte(b, codePage ? codePage : detail::g_codePage);
}

std::string ToUtf8(const std::string& text, UINT codePage) {
    return tavrin::codepage::ToUtf8(text, codePage ? codePage : detail::g_codePage);
}

std::string FromUtf8(const std::string& utf8, UINT codePage) {
    return tavrin::codepage::FromUtf8(utf8, codePage ? codePage : detail::g_codePage);
}

} // namespace plat

UINT GetACP(void) {
    return plat::CodePage();
}

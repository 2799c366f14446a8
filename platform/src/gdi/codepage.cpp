// The active code page, lead-byte rules and iconv conversion between the code page and UTF-8.
// Conversions of single characters are cached: text layout asks for the same characters over and over.
#include "gdi/codepage.h"

#include "plat/resources.h"
#include "win/winbase.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <map>
#include <unordered_map>

namespace plat::detail {
namespace {

UINT g_codePage = 1252;

std::string IconvName(UINT codePage) {
    char name[16];
    std::snprintf(name, sizeof name, "CP%u", codePage);
    return name;
}

// One converter per direction and code page, opened on first use and kept for the process.
iconv_t Converter(UINT codePage, bool toUtf8) {
    static auto* converters = new std::map<std::pair<UINT, bool>, iconv_t>();
    auto key = std::make_pair(codePage, toUtf8);
    auto it = converters->find(key);
    if (it != converters->end()) return it->second;
    std::string cp = IconvName(codePage);
    iconv_t cd = toUtf8 ? iconv_open("UTF-8", cp.c_str()) : iconv_open(cp.c_str(), "UTF-8");
    converters->emplace(key, cd);
    return cd;
}

bool Convert(iconv_t cd, const char* in, size_t inLen, std::string& out) {
    out.clear();
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* src = const_cast<char*>(in);
    size_t srcLeft = inLen;
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    if (r == static_cast<size_t>(-1) || srcLeft != 0) return false;
    size_t flushed = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    if (flushed == static_cast<size_t>(-1)) return false;
    out.assign(buffer, sizeof buffer - dstLeft);
    return true;
}

// Length of the UTF-8 sequence starting with byte `b` (1 for a stray continuation byte).
size_t Utf8Length(unsigned char b) {
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if ((b & 0xF8) == 0xF0) return 4;
    return 1;
}

} // namespace

bool IsDoubleByteCodePage(UINT codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

size_t CharLength(const char* s, size_t i, size_t n, UINT codePage) {
    if (i + 1 >= n) return 1;
    if (!plat::IsLeadByte(static_cast<BYTE>(s[i]), codePage)) return 1;
    return s[i + 1] == '\0' ? 1 : 2;
}

bool CharToUtf8(UINT codePage, const char* bytes, size_t len, std::string& out) {
    struct Entry {
        bool ok;
        std::string utf8;
    };
    static auto* cache = new std::unordered_map<uint64_t, Entry>();
    uint32_t code = static_cast<BYTE>(bytes[0]);
    if (len == 2) code = (code << 8) | static_cast<BYTE>(bytes[1]);
    uint64_t key = (static_cast<uint64_t>(codePage) << 32) | (static_cast<uint64_t>(len) << 16) | code;
    auto it = cache->find(key);
    if (it == cache->end()) {
        Entry e;
        e.ok = Convert(Converter(codePage, true), bytes, len, e.utf8);
        if (!e.ok) e.utf8.clear();
        it = cache->emplace(key, std::move(e)).first;
    }
    out = it->second.utf8;
    return it->second.ok;
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
    if (codePage == 0) codePage = detail::g_codePage;
    switch (codePage) {
    case 932:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
        return b >= 0x81 && b <= 0xFE;
    default:
        return false;
    }
}

std::string ToUtf8(const std::string& text, UINT codePage) {
    if (codePage == 0) codePage = detail::g_codePage;
    std::string out;
    out.reserve(text.size());
    std::string one;
    for (size_t i = 0; i < text.size();) {
        size_t len = detail::CharLength(text.data(), i, text.size(), codePage);
        if (static_cast<unsigned char>(text[i]) < 0x80 && len == 1)
            out.push_back(text[i]);
        else if (detail::CharToUtf8(codePage, text.data() + i, len, one))
            out += one;
        else
            out += "\xEF\xBF\xBD"; // U+FFFD
        i += len;
    }
    return out;
}

std::string FromUtf8(const std::string& utf8, UINT codePage) {
    if (codePage == 0) codePage = detail::g_codePage;
    iconv_t cd = detail::Converter(codePage, false);
    std::string out;
    out.reserve(utf8.size());
    std::string one;
    for (size_t i = 0; i < utf8.size();) {
        size_t len = detail::Utf8Length(static_cast<unsigned char>(utf8[i]));
        if (i + len > utf8.size()) len = utf8.size() - i;
        if (static_cast<unsigned char>(utf8[i]) < 0x80)
            out.push_back(utf8[i]);
        else if (detail::Convert(cd, utf8.data() + i, len, one))
            out += one;
        else
            out.push_back('?');
        i += len;
    }
    return out;
}

} // namespace plat

UINT GetACP(void) {
    return plat::CodePage();
}

// Text crossing the host's boundary with the terminal: one conversion each way, through UTF-8.
#include "terminal_text.h"

#include "plat/resources.h"

#include <cctype>
#include <cstdlib>

namespace tavrin::host {

namespace {

UINT g_terminalCodePage = kUtf8CodePage;

// The character set of a locale name, lower case, without "-" and "_": "zh_TW.Big5@x" -> "big5".
std::string CharacterSet(const std::string& locale) {
    size_t dot = locale.find('.');
    if (dot == std::string::npos) return {};
    std::string set;
    for (size_t i = dot + 1; i < locale.size() && locale[i] != '@'; ++i) {
        const unsigned char c = static_cast<unsigned char>(locale[i]);
        if (c != '-' && c != '_') set += static_cast<char>(std::tolower(c));
    }
    return set;
}

} // namespace

UINT TerminalCodePageOf(const char* locale) {
    const std::string set = CharacterSet(locale ? locale : "");
    if (set == "big5" || set == "big5hkscs") return 950;
    if (set == "gbk" || set == "gb2312" || set == "gb18030" || set == "euccn") return 936;
    if (set == "cp1252" || set == "iso88591") return 1252;
    return kUtf8CodePage;
}

void UseTerminalLocale() {
    const char* locale = nullptr;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    g_terminalCodePage = TerminalCodePageOf(locale);
}

UINT TerminalCodePage() {
    return g_terminalCodePage;
}

std::string Shown(const std::string& text, UINT codePage) {
    if (codePage == 0) codePage = plat::CodePage();
    if (codePage == g_terminalCodePage) return text;
    std::string utf8 = codePage == kUtf8CodePage ? text : plat::ToUtf8(text, codePage);
    return g_terminalCodePage == kUtf8CodePage ? utf8 : plat::FromUtf8(utf8, g_terminalCodePage);
}

std::optional<std::string> Typed(const std::string& typed, UINT codePage) {
    if (codePage == 0) codePage = plat::CodePage();
    if (codePage == g_terminalCodePage) return typed;
    std::string utf8 = g_terminalCodePage == kUtf8CodePage ? typed : plat::ToUtf8(typed, g_terminalCodePage);
    if (codePage == kUtf8CodePage) return utf8;
    return FromUtf8Exactly(utf8, codePage);
}

std::optional<std::string> FromUtf8Exactly(const std::string& utf8, UINT codePage) {
    if (codePage == 0) codePage = plat::CodePage();
    // FromUtf8 writes '?' for what the code page lacks: the way back tells such a text apart from one
    // that holds real question marks.
    std::string text = plat::FromUtf8(utf8, codePage);
    if (plat::ToUtf8(text, codePage) != utf8) return std::nullopt;
    return text;
}

} // namespace tavrin::host

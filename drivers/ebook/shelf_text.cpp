#include "ebook/shelf_text.h"

#include "ebook/text_util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <iconv.h>

namespace tavrin::ebook {
namespace {

constexpr unsigned kUtf8 = 65001;

// Bytes of the UTF-8 character that starts with `lead`; 0 for a byte that starts none.
size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool IsLead(unsigned char b, unsigned codePage) {
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

// One converter from UTF-8, kept while the code page stays the same (the driver is called from one
// thread only).
class Converter {
  public:
    ~Converter() { Close(); }
    iconv_t For(unsigned codePage) {
        if (codePage != codePage_) {
            Close();
            char name[16];
            std::snprintf(name, sizeof name, "CP%u", codePage);
            cd_ = iconv_open(name, "UTF-8");
            codePage_ = codePage;
        }
        return cd_;
    }

  private:
    void Close() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
        cd_ = reinterpret_cast<iconv_t>(-1);
        codePage_ = 0;
    }
    unsigned codePage_ = 0;
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

// One character through the converter; false when the code page lacks it.
bool ConvertOne(iconv_t cd, const char* from, size_t length, std::string& out) {
    char buffer[8];
    char* in = const_cast<char*>(from);
    size_t inLeft = length;
    char* to = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh shift state for every character
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return false;
    out.append(buffer, sizeof buffer - outLeft);
    return true;
}

} // namespace

unsigned ShelfCodePage() {
    using GetAcp = unsigned (*)();
    static const auto getAcp = reinterpret_cast<GetAcp>(dlsym(RTLD_DEFAULT, "GetACP"));
    if (!getAcp) return 0;
    unsigned codePage = getAcp();
    return codePage == kUtf8 ? 0 : codePage;
}

std::string FromUtf8(std::string_view utf8, unsigned codePage) {
    if (codePage == 0) return std::string(utf8);
    static Converter converter;
    iconv_t cd = converter.For(codePage);
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        size_t length = Utf8Length(lead);
        bool whole = length != 0 && i + length <= utf8.size();
        for (size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
        if (!whole) {
            out.push_back('?');
            ++i;
            continue;
        }
        if (cd == reinterpret_cast<iconv_t>(-1) || !ConvertOne(cd, utf8.data() + i, length, out))
            out.push_back('?');
        i += length;
    }
    return out;
}

std::string_view CutText(std::string_view text, size_t limit, unsigned codePage) {
    if (text.size() <= limit) return text;
    if (codePage == 0) return CutUtf8(text, limit);
    size_t end = 0;
    while (end < text.size()) {
        size_t length = IsLead(static_cast<unsigned char>(text[end]), codePage) ? 2 : 1;
        if (end + length > limit) break;
        end += length;
    }
    return text.substr(0, end);
}

int CopyOutText(std::string_view text, char* buffer, int capacity) {
    if (!buffer || capacity < 1) return 0;
    const unsigned codePage = ShelfCodePage();
    const std::string converted = FromUtf8(text, codePage);
    std::string_view fits = CutText(converted, static_cast<size_t>(capacity) - 1, codePage);
    std::memcpy(buffer, fits.data(), fits.size());
    buffer[fits.size()] = '\0';
    return static_cast<int>(fits.size());
}

} // namespace tavrin::ebook

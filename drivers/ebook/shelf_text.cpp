#include "ebook/shelf_text.h"

#include "codepage/code_page.h"
#include "ebook/text_util.h"

#include <cstring>
#include <dlfcn.h>

namespace tavrin::ebook {

unsigned ShelfCodePage() {
    using GetAcp = unsigned (*)();
    static const auto getAcp = reinterpret_cast<GetAcp>(dlsym(RTLD_DEFAULT, "GetACP"));
    if (!getAcp) return 0;
    unsigned codePage = getAcp();
    return codePage == codepage::kUtf8 ? 0 : codePage;
}

std::string FromUtf8(std::string_view utf8, unsigned codePage) {
    return codepage::FromUtf8(utf8, codePage == 0 ? codepage::kUtf8 : codePage);
}

std::string_view CutText(std::string_view text, size_t limit, unsigned codePage) {
    if (text.size() <= limit) return text;
    if (codePage == 0) return CutUtf8(text, limit);
    size_t end = 0;
    while (end < text.size()) {
        size_t length = codepage::IsLeadByte(static_cast<unsigned char>(text[end]), codePage) ? 2 : 1;
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

#include "ebook/href.h"

#include <vector>

namespace tavrin::ebook {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits `path` at "/" and resolves "." and ".."; false when ".." climbs above the top.
bool Normalise(std::string_view path, std::string* out) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        std::string_view part = path.substr(start, slash - start);
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    out->clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out->push_back('/');
        out->append(parts[i]);
    }
    return true;
}

bool HasScheme(std::string_view href) {
    // A scheme is letters, digits, "+", "-", "." before the first ":" and before any "/".
    size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        char c = href[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        bool ok = letter || (i > 0 && other);
        if (!ok) return false;
    }
    return true;
}

} // namespace

bool IsSafeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false; // a drive letter
    for (char c : name)
        if (c == '\0' || c == '\\') return false;
    std::string normal;
    return Normalise(name, &normal);
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string FolderOf(std::string_view entryName) {
    size_t slash = entryName.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(entryName.substr(0, slash + 1));
}

std::optional<std::string> ResolveHref(std::string_view baseFolder, std::string_view href,
                                       std::string* fragment) {
    if (fragment) fragment->clear();
    // Surrounding blanks are a common slip in hand-made packages.
    while (!href.empty() &&
           (href.front() == ' ' || href.front() == '\t' || href.front() == '\n' || href.front() == '\r'))
        href.remove_prefix(1);
    while (!href.empty() &&
           (href.back() == ' ' || href.back() == '\t' || href.back() == '\n' || href.back() == '\r'))
        href.remove_suffix(1);
    size_t hash = href.find('#');
    if (hash != std::string_view::npos) {
        if (fragment) *fragment = PercentDecode(href.substr(hash + 1));
        href = href.substr(0, hash);
    }
    size_t query = href.find('?');
    if (query != std::string_view::npos) href = href.substr(0, query);
    if (href.empty() || HasScheme(href) || href.front() == '/' || href.front() == '\\') return std::nullopt;
    std::string decoded = PercentDecode(href);
    if (decoded.find('\0') != std::string::npos) return std::nullopt;
    std::string joined = std::string(baseFolder) + decoded;
    std::string normal;
    if (!Normalise(joined, &normal) || normal.empty()) return std::nullopt;
    return normal;
}

} // namespace tavrin::ebook

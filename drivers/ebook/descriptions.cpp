#include "ebook/descriptions.h"

#include "ebook/durable_file.h"
#include "ebook/store_problem.h"
#include "ebook/text_util.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::ebook {
namespace {

constexpr std::string_view kFirstLines =
    "<!DOCTYPE html>\n<!-- tavrin-ebook-description: written by "
    "eBookDrv.dll from its store, and again when the store changes -->\n";
constexpr uint64_t kMaxPageSize = 16ull << 20;

// Text for an HTML page: valid UTF-8, control characters as blanks, the markup characters escaped.
std::string HtmlText(std::string_view text) {
    std::string out;
    for (char c : ValidUtf8(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c);
        }
    }
    return out;
}

std::string FolderPath(const std::string& store) {
    return store + "/" + std::string(kDescriptionFolder);
}

// The description folder, made when missing; false when it is not a real folder (a link, a file).
bool EnsureFolder(const std::string& store, std::string* error) {
    const std::string folder = FolderPath(store);
    struct stat st {};
    if (lstat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        *error = folder + " is not a folder the driver made";
        return false;
    }
    if (mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) return true;
    *error = DescribeStoreWrite(errno, store, folder);
    return false;
}

} // namespace

std::string DescriptionFileName(std::string_view key) {
    std::string folded = FoldAscii(key);
    bool plain = !folded.empty() && folded.size() <= 32;
    for (char c : folded)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-');
    if (plain) return folded + ".html";
    char hash[24];
    std::snprintf(hash, sizeof hash, "_%016llx", static_cast<unsigned long long>(Fnv1a64(folded)));
    return std::string(hash) + ".html";
}

std::string RenderDescriptionPage(const ClassPage& page) {
    std::string out(kFirstLines);
    const std::string name = HtmlText(page.name);
    out += "<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + name + "</title>\n</head>\n<body>\n";
    out += "<h1>" + name + "</h1>\n<p>" + std::to_string(page.titles.size()) +
           (page.titles.size() == 1 ? " book" : " books") + " in this class of the e-book store.</p>\n<ul>\n";
    for (const std::string& title : page.titles)
        out += "<li>" + HtmlText(title) + "</li>\n";
    out += "</ul>\n</body>\n</html>\n";
    return out;
}

bool IsOwnDescriptionPage(const std::string& store, const std::string& file) {
    const std::string path = FolderPath(store) + "/" + file;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::string error;
    auto bytes = ReadWholeFile(path, kMaxPageSize, &error);
    return bytes && bytes->compare(0, kFirstLines.size(), kFirstLines) == 0;
}

bool WriteDescriptionPage(const std::string& store, const ClassPage& page, std::string* error) {
    if (!EnsureFolder(store, error)) return false;
    const std::string file = DescriptionFileName(page.key);
    const std::string path = FolderPath(store) + "/" + file;
    const std::string html = RenderDescriptionPage(page);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!IsOwnDescriptionPage(store, file)) {
            *error = path + " is not a page the driver wrote; it is left as it is";
            return false;
        }
        std::string readError;
        if (auto bytes = ReadWholeFile(path, kMaxPageSize, &readError); bytes && *bytes == html) return true;
    }
    const std::string part = path + ".part";
    int code = 0;
    if (!WriteFileSynced(part, html, &code) || rename(part.c_str(), path.c_str()) != 0) {
        if (code == 0) code = errno;
        *error = DescribeStoreWrite(code, store, path);
        unlink(part.c_str());
        return false;
    }
    return true;
}

void RemoveStaleDescriptionPages(const std::string& store, const std::vector<ClassPage>& current) {
    std::set<std::string> keep;
    for (const ClassPage& page : current)
        keep.insert(DescriptionFileName(page.key));
    std::vector<std::string> stale;
    if (DIR* dir = opendir(FolderPath(store).c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0 && !keep.count(name) &&
                IsOwnDescriptionPage(store, name))
                stale.push_back(name);
        }
        closedir(dir);
    }
    for (const std::string& name : stale)
        unlink((FolderPath(store) + "/" + name).c_str());
}

std::string FileAddress(std::string_view absolutePath) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHexDigits[c >> 4]);
            out.push_back(kHexDigits[c & 0xF]);
        }
    }
    return out;
}

} // namespace tavrin::ebook

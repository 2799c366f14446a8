#include "ebook/store_problem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tavrin::ebook {

std::string DescribeStoreWrite(int code, const std::string& folder, const std::string& path) {
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return "no space left on the disk holding the store folder " + folder;
    case EFBIG:
        return "no room for " + path + ": it would pass the file size limit of this program";
    case EROFS:
        return "the store folder " + folder + " is read-only";
    case EACCES:
    case EPERM:
        return "the store folder " + folder + " is read-only for this user (permission denied)";
    case ELOOP:
        return path + " is a symbolic link, which the store does not follow: remove the link";
    default:
        return "the store folder " + folder + " cannot be written: " + path + ": " + std::strerror(code);
    }
}

void ReportStore(const std::string& text) {
    std::fprintf(stderr, "eBookDrv.dll: %s\n", text.c_str());
}

} // namespace tavrin::ebook

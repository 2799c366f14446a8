// Directory searches: FindFirstFileA, FindNextFileA, FindClose.
//
// A search reads the folder once, keeps the entries whose names match the pattern and hands them
// out one by one. "." and ".." come first (when the pattern matches them), the other names follow
// sorted by their upper-cased form, the order a volume that keeps names sorted lists them in.
#include "file/handles.h"
#include "file/path.h"
#include "plat/files.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace {

struct Search {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

struct SearchTable {
    std::mutex mutex;
    std::map<HANDLE, Search> searches;
};

SearchTable& Searches() {
    static SearchTable table;
    return table;
}

int Rank(const std::string& name) {
    if (name == ".") return 0;
    if (name == "..") return 1;
    return 2;
}

bool ListsBefore(const std::string& a, const std::string& b) {
    if (Rank(a) != Rank(b)) return Rank(a) < Rank(b);
    std::string upperA = plat::detail::UpperAscii(a), upperB = plat::detail::UpperAscii(b);
    return upperA != upperB ? upperA < upperB : a < b;
}

WIN32_FIND_DATAA Describe(const std::string& folder, const std::string& name) {
    WIN32_FIND_DATAA data;
    std::memset(&data, 0, sizeof data);
    std::string full = folder == "/" ? "/" + name : folder + "/" + name;
    struct stat status {};
    if (stat(full.c_str(), &status) != 0)
        lstat(full.c_str(), &status); // a dangling link is listed as what it is
    data.dwFileAttributes = plat::detail::AttributesFromStat(status, name);
    data.ftCreationTime = plat::detail::ToFileTime(status.st_mtim);
    data.ftLastAccessTime = plat::detail::ToFileTime(status.st_atim);
    data.ftLastWriteTime = plat::detail::ToFileTime(status.st_mtim);
    if (!S_ISDIR(status.st_mode)) {
        uint64_t size = static_cast<uint64_t>(status.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
    return data;
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

extern "C" HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    if (!lpFileName || !lpFindFileData) return Fail(ERROR_INVALID_PARAMETER);
    std::string given = plat::detail::ToNative(lpFileName);
    size_t slash = given.rfind('/');
    std::string pattern = slash == std::string::npos ? given : given.substr(slash + 1);
    std::string folderPart = slash == std::string::npos ? "." : given.substr(0, slash + 1);
    if (pattern.empty()) return Fail(ERROR_FILE_NOT_FOUND);

    std::string folder = plat::detail::SystemPath(folderPart.c_str());
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return Fail(ERROR_PATH_NOT_FOUND);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return Fail(plat::detail::ErrorFromErrno(errno, folder));

    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name.size() < MAX_PATH && plat::MatchesFilePattern(pattern, name)) names.push_back(name);
    }
    if (names.empty()) return Fail(ERROR_FILE_NOT_FOUND);
    std::sort(names.begin(), names.end(), ListsBefore);

    Search search;
    search.entries.reserve(names.size());
    for (const std::string& name : names)
        search.entries.push_back(Describe(folder, name));
    *lpFindFileData = search.entries[0];
    search.next = 1;

    HANDLE handle = plat::detail::NewHandleValue();
    auto& table = Searches();
    std::lock_guard lock(table.mutex);
    table.searches.emplace(handle, std::move(search));
    return handle;
}

extern "C" BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    auto& table = Searches();
    std::lock_guard lock(table.mutex);
    auto it = table.searches.find(hFindFile);
    if (it == table.searches.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Search& search = it->second;
    if (search.next >= search.entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpFindFileData = search.entries[search.next++];
    return TRUE;
}

extern "C" BOOL FindClose(HANDLE hFindFile) {
    auto& table = Searches();
    std::lock_guard lock(table.mutex);
    if (table.searches.erase(hFindFile) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

size_t plat::OpenFindHandleCount() {
    auto& table = Searches();
    std::lock_guard lock(table.mutex);
    return table.searches.size();
}

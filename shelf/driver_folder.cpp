// The installed driver folder: found from where the control itself was loaded, so that a prefix moved
// whole (or installed with DESTDIR) still finds its drivers; a control linked into a program has only
// the configured prefix to go by.
#include "shelf/driver_folder.h"

#include <dlfcn.h>

#include <filesystem>
#include <string_view>
#include <system_error>

namespace tavrin {

namespace {

// The folder of the shared library this code is in; empty when it is linked into the program.
std::filesystem::path OwnLibraryFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&OwnLibraryFolder), &info) || !info.dli_fname) return {};
    std::error_code ec;
    std::filesystem::path own = std::filesystem::canonical(info.dli_fname, ec);
    std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", ec);
    if (own.empty() || own == program) return {};
    return own.parent_path();
}

} // namespace

std::string InstalledDriverFolder() {
    static const std::string folder = [] {
        std::filesystem::path own = OwnLibraryFolder();
        std::filesystem::path candidate = own.empty() ? std::filesystem::path(TAVRIN_INSTALLED_DRIVER_FOLDER)
                                                      : own / TAVRIN_DRIVER_FOLDER_FROM_LIBRARY;
        std::error_code ec;
        if (!std::filesystem::is_directory(candidate, ec)) return std::string();
        return candidate.string() + "/";
    }();
    return folder;
}

HMODULE LoadInstalledDriver(LPCSTR lpszName) {
    if (!lpszName) return 0;
    std::string_view name(lpszName);
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos) return 0;
    const std::string folder = InstalledDriverFolder();
    return folder.empty() ? 0 : ::LoadLibraryA((folder + lpszName).c_str());
}

HMODULE LoadShelfLibrary(LPCSTR lpszName) {
    if (!lpszName) return 0;
    if (HMODULE module = ::LoadLibraryA(lpszName)) return module;
    return LoadInstalledDriver(lpszName);
}

} // namespace tavrin

#include "registry/claiming_driver.h"

#include "registry/book_registry.h"
#include "tavrin/cbi.h"
#include "windows.h"

namespace tavrin {

std::string ClaimingDriverReason(const std::string& filePath, const std::vector<std::string>& folders) {
    for (std::string folder : folders) {
        if (folder.empty()) continue;
        if (!IsSeparator(folder.back())) folder += '/';
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((folder + "*.dll").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        std::string reason;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            HMODULE module = ::LoadLibraryA((folder + found.cFileName).c_str());
            if (!module) continue;
            auto check = reinterpret_cast<PFN_CBICheckVersion>(::GetProcAddress(module, "CBICheckVersion"));
            auto open = reinterpret_cast<PFN_CBIOpenBook>(::GetProcAddress(module, "CBIOpenBook"));
            auto close = reinterpret_cast<PFN_CBICloseBook>(::GetProcAddress(module, "CBICloseBook"));
            auto errorText =
                reinterpret_cast<PFN_CBIGetErrorText>(::GetProcAddress(module, "CBIGetErrorText"));
            if (check && open && check(filePath.c_str()) != 0) {
                CBI_HBOOK book = 0;
                if (open(filePath.c_str(), 0, &book) != 0) {
                    char text[CBI_ERROR_TEXT_CAPACITY] = "";
                    if (errorText) errorText(text, sizeof text);
                    text[sizeof text - 1] = '\0';
                    reason =
                        std::string(found.cFileName) + ": " + (text[0] ? text : "the file cannot be opened");
                } else if (close) {
                    close(book);
                }
            }
            ::FreeLibrary(module);
        } while (reason.empty() && ::FindNextFileA(search, &found));
        ::FindClose(search);
        if (!reason.empty()) return reason;
    }
    return std::string();
}

} // namespace tavrin

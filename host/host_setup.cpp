// The common start of the host programs.
#include "host_setup.h"

#include "registry_check.h"
#include "terminal_text.h"
#include "user_paths.h"

#include "plat/core.h"
#include "plat/modules.h"
#include "plat/resources.h"

#include <cstdio>
#include <filesystem>

namespace tavrin::host {

namespace {

// The folder --shelf names, made absolute; nothing (with the reason in *error) when it is not a
// folder or cannot be examined.
std::optional<std::filesystem::path> ShelfFolder(const std::string& name, std::string* error) {
    const ExaminedPath examined = Examine(name);
    if (examined.type == std::filesystem::file_type::not_found)
        *error = "no such folder";
    else if (!examined.problem.empty())
        *error = examined.problem;
    else if (examined.type != std::filesystem::file_type::directory)
        *error = "not a folder";
    else
        return examined.path;
    return std::nullopt;
}

} // namespace

int PrepareShelfProcess(const SetupOptions& options) {
    if (!options.shelfDir.empty()) {
        std::string error;
        auto dir = ShelfFolder(options.shelfDir, &error);
        if (!dir) {
            std::fprintf(stderr, "%s: --shelf %s: %s\n", options.program.c_str(), options.shelfDir.c_str(),
                         error.c_str());
            return 2;
        }
        plat::SetProgramPath((*dir / "reader").string());
    }
    // The shelf's texts come in the language of the user's locale, in that language's code page
    // unless --codepage names another.
    plat::UseLocaleLanguage();
    if (options.codePage) plat::SetCodePage(*options.codePage);
    UseTerminalLocale();
    // A registry that cannot be read would show as a shelf without registered books: say so instead.
    return RegistryReadable() ? 0 : 1;
}

} // namespace tavrin::host

namespace tavrin::host {

bool CreateShelf(CTavrinCtrl& shelf, HWND parent, const RECT& rect) {
    constexpr UINT kShelfId = 100;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS;
    if (!shelf.Create(style, rect, CWnd::FromHandle(parent), kShelfId)) return false;
    plat::PumpMessages();
    return true;
}

} // namespace tavrin::host

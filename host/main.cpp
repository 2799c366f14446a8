// Reference host: a reader's main window with the shelf control in it, driven from the command line.
// It makes its window, embeds the control (whose start-up fills the shelf), runs the commands given
// (default: show) and answers message boxes through the headless interaction (printed to stderr,
// default answer).
#include "host_window.h"
#include "registry_check.h"
#include "session.h"

#include "plat/core.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "tavrin/tavrin_ctrl.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::puts("usage: tavrin-host [--shelf DIR] [COMMAND [ARGS...]] [-- COMMAND [ARGS...]]...\n"
              "  --shelf DIR   run as if the reader were installed in DIR (where Books.Dll and\n"
              "                Tavrin.Sys are found); default: the folder of this program\n"
              "Commands run in order (separated by --); without any, 'show' runs:");
    for (const auto& c : tavrin::host::Commands())
        std::printf("  %-10s %-14s %s\n", c.name, c.usage, c.help);
}

} // namespace

int main(int argc, char** argv) {
    std::string shelfDir;
    std::vector<std::vector<std::string>> commands(1);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg == "--shelf" && i + 1 < argc) {
            shelfDir = argv[++i];
        } else if (arg == "--") {
            commands.emplace_back();
        } else {
            commands.back().push_back(arg);
        }
    }
    std::erase_if(commands, [](const auto& c) { return c.empty(); });
    if (commands.empty()) commands.push_back({"show"});
    for (const auto& c : commands) {
        if (!tavrin::host::FindCommand(c[0])) {
            std::fprintf(stderr, "tavrin-host: unknown command '%s'\n", c[0].c_str());
            Usage();
            return 2;
        }
    }
    if (!shelfDir.empty()) {
        std::error_code ec;
        auto dir = std::filesystem::absolute(shelfDir, ec);
        if (ec || !std::filesystem::is_directory(dir)) {
            std::fprintf(stderr, "tavrin-host: no such folder: %s\n", shelfDir.c_str());
            return 2;
        }
        plat::SetProgramPath((dir / "reader").string());
    }
    // The shelf's texts come in the language of the user's locale.
    plat::UseLocaleLanguage();
    // A registry that cannot be read would show as a shelf without registered books: say so instead.
    if (!tavrin::host::RegistryReadable()) return 1;

    tavrin::host::HostWindow host;
    if (!host.Create("Tavrin reader", RECT{0, 0, 640, 480})) {
        std::fprintf(stderr, "tavrin-host: cannot create the host window\n");
        return 1;
    }
    int status = 0;
    {
        CTavrinCtrl shelf;
        CRect rc(0, 0, 260, 460);
        DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS;
        if (!shelf.Create(style, rc, CWnd::FromHandle(host.Handle()), 100)) {
            std::fprintf(stderr, "tavrin-host: the shelf control could not be created\n");
            DestroyWindow(host.Handle());
            return 1;
        }
        plat::PumpMessages();
        tavrin::host::Session session{host, shelf};
        for (const auto& c : commands) {
            std::vector<std::string> args(c.begin() + 1, c.end());
            status = tavrin::host::FindCommand(c[0])->run(session, args);
            plat::PumpMessages();
            if (status != 0) break;
        }
        shelf.DestroyWindow();
    }
    DestroyWindow(host.Handle());
    plat::PumpMessages();
    return status;
}

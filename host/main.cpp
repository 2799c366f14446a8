// Reference host: a reader's main window with the shelf control in it, driven from the command line.
// It makes its window, embeds the control, lets the start-up run, prints the shelf tree and every
// WM_SHELF_* message the control sent, and answers message boxes through the headless interaction
// (printed to stderr, default answer).
#include "host_window.h"
#include "print.h"

#include "plat/core.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "tavrin/tavrin_ctrl.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void Usage() {
    std::puts("usage: tavrin-host [--shelf DIR] [--windows]\n"
              "  --shelf DIR   run as if the reader were installed in DIR (where Books.Dll and\n"
              "                Tavrin.Sys are found); default: the folder of this program\n"
              "  --windows     also print the window tree");
}

} // namespace

int main(int argc, char** argv) {
    std::string shelfDir;
    bool printWindows = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg == "--shelf" && i + 1 < argc) {
            shelfDir = argv[++i];
        } else if (arg == "--windows") {
            printWindows = true;
        } else {
            std::fprintf(stderr, "tavrin-host: unknown argument '%s'\n", arg.c_str());
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

    tavrin::host::HostWindow host;
    if (!host.Create("Tavrin reader", RECT{0, 0, 640, 480})) {
        std::fprintf(stderr, "tavrin-host: cannot create the host window\n");
        return 1;
    }
    {
        CTavrinCtrl shelf;
        CRect rc(0, 0, 260, 460);
        if (!shelf.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc,
                          CWnd::FromHandle(host.Handle()), 100)) {
            std::fprintf(stderr, "tavrin-host: the shelf control could not be created\n");
            DestroyWindow(host.Handle());
            return 1;
        }
        plat::PumpMessages();
        if (printWindows) tavrin::host::PrintWindows(host.Handle());
        std::printf("Shelf (program folder %s):\n",
                    std::filesystem::path(plat::ProgramPath()).parent_path().string().c_str());
        tavrin::host::PrintShelf(::GetDlgItem(shelf.GetSafeHwnd(), 1000));
        std::printf("\nMessages from the shelf:\n");
        if (host.Received().empty()) std::printf("  (none)\n");
        for (const std::string& line : host.Received())
            std::printf("  %s\n", line.c_str());
        shelf.DestroyWindow();
    }
    DestroyWindow(host.Handle());
    plat::PumpMessages();
    return 0;
}

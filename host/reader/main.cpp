// The reader: the shelf and a reading pane in a window of its own (SDL2). The same set-up as the
// command-line host (shelf folder, code page, registry, user catalogs), then a window the person uses
// with the mouse and the keyboard until they close it.
#include "reader_app.h"
#include "sdl_screen.h"

#include "command_line.h"
#include "host_setup.h"
#include "user_catalog_file.h"

#include "tavrin/version.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::printf(
        "usage: tavrin-reader [--shelf DIR] [--codepage N] [--size WIDTHxHEIGHT]\n"
        "  --shelf DIR     run as if the reader were installed in DIR (where Books.Dll and Tavrin.Sys\n"
        "                  are found); default: the folder of this program\n"
        "  --codepage N    the active code page (default: by the locale's language)\n"
        "  --size WxH      the window's size when none is remembered (default 900x600)\n"
        "  --version       the version of the reader and the shelf\n"
        "  --help          this text\n"
        "The window shows the shelf on the left and the page chosen on it on the right, with a\n"
        "search field. Texts dropped on a book are looked up in it; files dropped on the window\n"
        "are put on the shelf. The user's catalogs are kept in %s; the window's size and the\n"
        "open items in %s. Ctrl+Q closes the window. TAVRIN_READER_TRACE=1 prints how long each\n"
        "frame takes; TAVRIN_READER_LAYOUT=FILE writes where everything is after each frame.\n",
        tavrin::host::UserCatalogPath().c_str(),
        tavrin::reader::ReaderStatePath(tavrin::host::UserCatalogPath()).c_str());
}

bool ParseSize(const std::string& text, int* w, int* h) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    auto width = tavrin::host::ParseNumber(text.substr(0, x), 320, 16384);
    auto height = tavrin::host::ParseNumber(text.substr(x + 1), 240, 16384);
    if (!width || !height) return false;
    *w = static_cast<int>(*width);
    *h = static_cast<int>(*height);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    tavrin::host::SetupOptions setup{"tavrin-reader", "", std::nullopt};
    tavrin::reader::ReaderOptions options; // its start time is the program's
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else if (a == "--version") {
            std::printf("tavrin-reader %s\n", TAVRIN_VERSION_STRING);
            return 0;
        } else if (a == "--shelf" && hasValue) {
            setup.shelfDir = args[++i];
        } else if (a == "--codepage" && hasValue) {
            auto cp = tavrin::host::ParseNumber(args[++i], 1, 65535);
            if (!cp || !tavrin::host::IsUsableCodePage(static_cast<UINT>(*cp))) {
                std::fprintf(stderr, "tavrin-reader: --codepage %s: not a code page the shelf can work in\n",
                             args[i].c_str());
                return 2;
            }
            setup.codePage = static_cast<UINT>(*cp);
        } else if (a == "--size" && hasValue) {
            if (!ParseSize(args[++i], &options.width, &options.height)) {
                std::fprintf(stderr, "tavrin-reader: --size %s: give WIDTHxHEIGHT, at least 320x240\n",
                             args[i].c_str());
                return 2;
            }
        } else {
            std::fprintf(stderr, "tavrin-reader: %s: unknown or incomplete option (try --help)\n", a.c_str());
            return 2;
        }
    }
    const int prepared = tavrin::host::PrepareShelfProcess(setup);
    if (prepared != 0) return prepared;
    options.userCatalogs = tavrin::host::UserCatalogPath();
    options.statePath = tavrin::reader::ReaderStatePath(options.userCatalogs);
    const char* trace = std::getenv("TAVRIN_READER_TRACE");
    options.trace = trace && *trace && std::strcmp(trace, "0") != 0;
    if (const char* layout = std::getenv("TAVRIN_READER_LAYOUT"); layout && *layout)
        options.layoutPath = layout;

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "tavrin-reader: no window can be opened: %s (tavrin-host prints the shelf)\n",
                     SDL_GetError());
        return 1;
    }
    // Where no display answers, SDL falls back to drawing into memory: a reader that runs there shows
    // nothing and waits for input that never comes. Only a person who asks for it (SDL_VIDEODRIVER)
    // gets that.
    auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "";
    };
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && !*env("SDL_VIDEODRIVER") &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr,
                     "tavrin-reader: no window can be opened: no display answered (DISPLAY=%s, "
                     "WAYLAND_DISPLAY=%s) (tavrin-host prints the shelf)\n",
                     env("DISPLAY"), env("WAYLAND_DISPLAY"));
        SDL_Quit();
        return 1;
    }
    int status = 0;
    {
        tavrin::reader::SdlScreen screen;
        tavrin::reader::ReaderApp app(screen, options);
        std::string error;
        // The window opens at the remembered size; the reader learns it in Start.
        auto state = tavrin::reader::LoadReaderState(options.statePath, &error);
        const int width = state && state->width ? state->width : options.width;
        const int height = state && state->height ? state->height : options.height;
        error.clear();
        if (!screen.Open("Tavrin reader", width, height, &error)) {
            std::fprintf(stderr, "tavrin-reader: the window cannot be opened: %s\n", error.c_str());
            status = 1;
        } else if (!app.Start(&error)) {
            std::fprintf(stderr, "tavrin-reader: %s\n", error.c_str());
            status = 1;
        } else {
            status = app.Run();
            if (!app.Finish()) status = 1;
        }
    }
    SDL_Quit();
    return status;
}

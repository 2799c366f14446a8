// Reference host: a reader's main window with the shelf control in it, driven from the command line.
// It makes its window, embeds the control (whose start-up fills the shelf), runs the commands given
// (default: show) and answers message boxes through its own interaction (printed to stderr, default
// answer). Texts cross to and from the terminal in the locale's character set.
#include "command_line.h"
#include "host_interaction.h"
#include "host_window.h"
#include "host_setup.h"
#include "session.h"
#include "user_catalog_file.h"

#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "plat/resources.h"
#include "tavrin/tavrin_ctrl.h"
#include "tavrin/version.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::puts(
        "usage: tavrin-host [--shelf DIR] [--codepage N] [COMMAND [ARGS...]] [-- COMMAND [ARGS...]]...\n"
        "  --shelf DIR     run as if the reader were installed in DIR (where Books.Dll and Tavrin.Sys are\n"
        "                  found); default: the folder of this program\n"
        "  --codepage N    the active code page: the one the shelf's own texts (catalog names, messages)\n"
        "                  are in; default: by the locale's language, 950 for Traditional Chinese, 936 for\n"
        "                  Simplified Chinese, else 1252 (also under a UTF-8 locale that names no language)\n"
        "  --help          this text\n"
        "  --version       the version of the host and the shelf\n"
        "Options go before the first command. Texts are printed in the locale's character set (UTF-8,\n"
        "unless it names Big5, GBK, GB2312, GB18030, CP1252 or ISO-8859-1): the shelf's texts converted\n"
        "from the active code page, a book's texts from the book's own code page; what is typed is\n"
        "converted the other way.\n"
        "Commands run in order, separated by --; without any, 'show' runs. A -- followed by a command\n"
        "name starts the next command; any other -- ends the options of the command it stands in, so\n"
        "the words after it are taken as they are (search -- --verbose searches for \"--verbose\").");
    std::printf("Files:\n"
                "  the registry (TAVRIN_REGISTRY): %s\n"
                "  the user's catalogs (TAVRIN_USER_CATALOGS; default: beside the registry): %s\n"
                "      read at start; written after every command that can change them (newcatalog, rename,\n"
                "      move, remove, menu, command, add) by replacing the file whole; a file that cannot be\n"
                "      read whole is kept as NAME.damaged at the next save\n"
                "Commands:\n",
                plat::RegistryPath().c_str(), tavrin::host::UserCatalogPath().c_str());
    for (const auto& c : tavrin::host::Commands()) {
        std::string help = c.help;
        for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
            help.insert(at + 1, "      ");
        std::printf("  %s%s%s\n      %s\n", c.name, *c.usage ? " " : "", c.usage, help.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    using namespace tavrin::host;
    // Lines on stdout and stderr come out in the order they were written.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string error;
    auto line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!line) {
        std::fprintf(stderr, "tavrin-host: %s (try --help)\n", error.c_str());
        return 2;
    }
    if (line->help) {
        Usage();
        return 0;
    }
    if (line->version) {
        std::printf("tavrin-host %s\n", TAVRIN_VERSION_STRING);
        return 0;
    }
    if (line->commands.empty()) line->commands.push_back({"show"});
    const int prepared = PrepareShelfProcess(SetupOptions{"tavrin-host", line->shelfDir, line->codePage});
    if (prepared != 0) return prepared;
    HostInteraction answers;
    plat::ScopedInteraction answering(&answers);

    HostWindow host;
    if (!host.Create("Tavrin reader", RECT{0, 0, 640, 480})) {
        std::fprintf(stderr, "tavrin-host: cannot create the host window\n");
        return 1;
    }
    int status = 0;
    {
        CTavrinCtrl shelf;
        if (!CreateShelf(shelf, host.Handle(), RECT{0, 0, 260, 460})) {
            std::fprintf(stderr, "tavrin-host: the shelf control could not be created\n");
            DestroyWindow(host.Handle());
            return 1;
        }
        UserCatalogFile catalogs(UserCatalogPath());
        catalogs.Load(shelf);
        Session session{host, shelf};
        for (const auto& c : line->commands) {
            if (ShowsTheShelf(c[0])) host.Show();
            std::vector<std::string> args(c.begin() + 1, c.end());
            try {
                status = FindCommand(c[0])->run(session, args);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s: %s\n", c[0].c_str(), e.what());
                status = 1;
            }
            plat::PumpMessages();
            // A command that failed may still have changed the shelf (some books added, some refused).
            if (ChangesUserCatalogs(c[0]) && !catalogs.SaveAfterChange(shelf)) status = 1;
            if (status != 0) break;
        }
        if (!catalogs.SaveAtExit(shelf)) status = 1;
        shelf.DestroyWindow();
    }
    DestroyWindow(host.Handle());
    plat::PumpMessages();
    return status;
}

// The basic commands: show the shelf and the messages received, show the window tree.
#include "print.h"
#include "session.h"

#include "plat/core.h"
#include "plat/modules.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace tavrin::host {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

const Command* FindCommand(const std::string& name) {
    for (const Command& c : Commands())
        if (name == c.name) return &c;
    return nullptr;
}

namespace {

int RunShow(Session& session, const std::vector<std::string>&) {
    plat::PumpMessages();
    std::printf("Shelf (program folder %s):\n",
                std::filesystem::path(plat::ProgramPath()).parent_path().string().c_str());
    PrintShelf(session.shelf, session.Tree());
    std::printf("\nMessages from the shelf:\n");
    if (session.host.Received().empty()) std::printf("  (none)\n");
    for (const std::string& line : session.host.Received())
        std::printf("  %s\n", line.c_str());
    session.host.ClearReceived();
    return 0;
}

int RunWindows(Session& session, const std::vector<std::string>&) {
    PrintWindows(session.host.Handle());
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("show", "", "print the shelf tree and the messages the shelf sent since the last show",
                    RunShow);
TAVRIN_HOST_COMMAND("windows", "", "print the window tree", RunWindows);

} // namespace tavrin::host

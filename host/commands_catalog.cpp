// Commands about the shelf's catalogs: look a trunk up by name, switch the trunk status.
#include "command_line.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "plat/resources.h"

#include <cstdio>

namespace tavrin::host {

namespace {

int RunTrunk(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 1) {
        std::fprintf(stderr, "trunk: give one trunk name\n");
        return 2;
    }
    // The shelf's catalog names are in the active code page.
    auto name = Typed(args[0]);
    if (!name) {
        std::fprintf(stderr, "trunk: \"%s\" cannot be written in the active code page %u\n", args[0].c_str(),
                     plat::CodePage());
        return 1;
    }
    TrunkInfo info{};
    if (!session.shelf.GetTrunkInfo(name->c_str(), &info)) {
        std::printf("Trunk \"%s\": not found\n", args[0].c_str());
        return 1;
    }
    std::printf("Trunk \"%s\":\n", args[0].c_str());
    std::printf("  dwType         %lu\n", static_cast<unsigned long>(info.dwType));
    std::printf("  dwShelfHandle  %#lx\n", static_cast<unsigned long>(info.dwShelfHandle));
    std::printf("  szTrunk        %s\n", Shown(FieldText(info.szTrunk)).c_str());
    std::printf("  szCataName     %s\n", Shown(FieldText(info.szCataName)).c_str());
    return 0;
}

int RunStatus(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
        std::fprintf(stderr, "status: give on or off\n");
        return 2;
    }
    int status = args[0] == "on" ? 1 : 0;
    int changed = session.shelf.SetTrunkStatus(nullptr, status);
    std::printf("Trunk status %s%s\n", args[0] == "on" ? "on-line" : "off-line",
                changed ? "" : " (unchanged)");
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("trunk", "NAME", "look up a trunk by name and print what the shelf answers", RunTrunk);
TAVRIN_HOST_COMMAND("status", "on|off", "set the trunk status (on-line or off-line images)", RunStatus);

} // namespace tavrin::host

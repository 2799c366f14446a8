// tavrin-reg: a small command for the platform registry that the shelf keeps its registered books
// in. It lists, sets and deletes keys and values of the same store the shelf reads (the file given
// with --registry, else $TAVRIN_REGISTRY, else the per-user default).
#include "registry_ops.h"

#include "plat/registry.h"
#include "tavrin/version.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::puts("usage: tavrin-reg [--registry FILE] COMMAND ...\n"
              "  list [KEY]                 print KEY and everything below it (default: HKEY_LOCAL_MACHINE)\n"
              "  set KEY NAME VALUE         set the string value NAME of KEY (KEY is made when missing)\n"
              "  set-bare KEY NAME VALUE    the same, stored without a terminating zero (as the shelf does)\n"
              "  delete KEY [NAME]          delete the value NAME of KEY, or KEY with every key below it\n"
              "  where                      print the registry file in use\n"
              "  --version                  print the version\n"
              "KEY: a path below HKEY_LOCAL_MACHINE such as SOFTWARE\\Velmoran\\ZavikDic ('/' may stand for\n"
              "'\\'); HKLM\\, HKCU\\ or HKCR\\ in front names another root.");
}

int Report(const tavrin::regtool::Result& result) {
    if (result.ok) return 0;
    std::fprintf(stderr, "tavrin-reg: %s\n", result.error.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tavrin::regtool;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--registry") {
        plat::SetRegistryPath(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        Usage();
        return args.empty() ? 2 : 0;
    }
    const std::string& command = args[0];
    if (command == "--version" && args.size() == 1) {
        std::printf("tavrin-reg %s\n", TAVRIN_VERSION_STRING);
        return 0;
    }
    if (command == "where" && args.size() == 1) {
        std::printf("%s\n", plat::RegistryPath().c_str());
        return 0;
    }
    if (command == "list" && args.size() <= 2) {
        std::vector<std::string> lines;
        Result result = List(ParseKeyPath(args.size() == 2 ? args[1] : ""), &lines);
        for (const std::string& line : lines)
            std::printf("%s\n", line.c_str());
        return Report(result);
    }
    if ((command == "set" || command == "set-bare") && args.size() == 4)
        return Report(SetString(ParseKeyPath(args[1]), args[2], args[3], command == "set"));
    if (command == "delete" && args.size() == 2) return Report(DeleteTree(ParseKeyPath(args[1])));
    if (command == "delete" && args.size() == 3) return Report(DeleteValue(ParseKeyPath(args[1]), args[2]));
    std::fprintf(stderr, "tavrin-reg: unknown command or wrong arguments: %s\n", command.c_str());
    Usage();
    return 2;
}

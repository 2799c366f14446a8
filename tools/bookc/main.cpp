// tavrin-bookc: makes "EBDF" book files and the shelf's system catalog from readable sources, and shows
// and checks book files.
#include "build.h"
#include "dump.h"
#include "tavrin/version.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Usage(std::FILE* to) {
    std::fputs(
        "usage: tavrin-bookc build SOURCE -o OUTPUT   make a book (or Tavrin.Sys from a catalog source)\n"
        "       tavrin-bookc dump FILE [--index]       show a book file (--index: without its pages)\n"
        "       tavrin-bookc check FILE                 read all of a book file and check its pages\n"
        "       tavrin-bookc pages FILE FOLDER          write each page's bytes to FOLDER/page-N.bin\n"
        "       tavrin-bookc --version                  print the version\n"
        "Sources are described in docs/book-format.md.\n",
        to);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        Usage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string& command = args[0];
    if (command == "--version" && args.size() == 1) {
        std::printf("tavrin-bookc %s\n", TAVRIN_VERSION_STRING);
        return 0;
    }
    if (command == "build" && args.size() == 4 && args[2] == "-o") {
        std::string error = tavrin::bookc::BuildFile(args[1], args[3]);
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "dump" && (args.size() == 2 || (args.size() == 3 && args[2] == "--index")))
        return tavrin::bookc::DumpBook(args[1], args.size() == 3, stdout, stderr);
    if (command == "check" && args.size() == 2) return tavrin::bookc::CheckBook(args[1], stdout, stderr);
    if (command == "pages" && args.size() == 3) return tavrin::bookc::ExtractPages(args[1], args[2], stderr);
    Usage(stderr);
    return 2;
}

// The host's command line.
#include "command_line.h"

#include "session.h"

namespace tavrin::host {

namespace {

bool IsCommand(const std::vector<std::string>& args, size_t i) {
    return i < args.size() && FindCommand(args[i]) != nullptr;
}

} // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error) {
    CommandLine line;
    size_t i = 0;
    // Global options, up to the first command (or a "--" that ends them).
    while (i < args.size()) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            ++i;
        } else if (arg == "--version") {
            line.version = true;
            ++i;
        } else if (arg == "--shelf" || arg == "--codepage") {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[i + 1];
            if (arg == "--shelf") {
                line.shelfDir = value;
            } else {
                auto codePage = ParseNumber(value, 1, 65535);
                if (!codePage || !IsUsableCodePage(static_cast<UINT>(*codePage))) {
                    *error = "--codepage " + value +
                             ": give a Windows code page of one or two bytes a character (874, 932, 936, "
                             "949, 950, 1250 to 1258)";
                    return std::nullopt;
                }
                line.codePage = static_cast<UINT>(*codePage);
            }
            i += 2;
        } else if (arg == kEndOfOptions) {
            ++i;
            break;
        } else if (!arg.empty() && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            break;
        }
    }
    while (i < args.size()) {
        if (!IsCommand(args, i)) {
            *error = "unknown command '" + args[i] + "'";
            return std::nullopt;
        }
        std::vector<std::string> command{args[i++]};
        for (; i < args.size(); ++i) {
            // Any "--" that starts no command is kept: the first ends the options, later ones are words.
            if (args[i] == kEndOfOptions && IsCommand(args, i + 1)) {
                ++i;
                break;
            }
            command.push_back(args[i]);
        }
        line.commands.push_back(std::move(command));
    }
    return line;
}

std::vector<std::string> Operands(const std::vector<std::string>& words) {
    std::vector<std::string> operands;
    bool ended = false;
    for (const std::string& word : words) {
        if (word == kEndOfOptions && !ended) {
            ended = true;
            continue;
        }
        operands.push_back(word);
    }
    return operands;
}

} // namespace tavrin::host

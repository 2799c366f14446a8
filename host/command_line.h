// The host's command line: global options, then commands separated by "--".
//
// A "--" followed by a command name starts the next command. Any other "--" ends the options of the
// command it stands in: the words after it are that command's plain arguments, whatever they begin
// with ("search -- --verbose" searches for "--verbose"); a later "--" that starts no command is a
// plain argument too. Command names never begin with "-". Global options come before the first
// command.
#pragma once

#include "win/types.h"

#include <optional>
#include <string>
#include <vector>

namespace tavrin::host {

inline constexpr const char* kEndOfOptions = "--";

struct CommandLine {
    bool help = false;
    bool version = false;
    std::string shelfDir;                           // --shelf DIR
    std::optional<UINT> codePage;                   // --codepage N
    std::vector<std::vector<std::string>> commands; // each: the command's name, then its words
};

// The command line of `args` (argv without the program name). A command's words keep the "--" that
// ended its options, as the first "--" among them. Nothing, with the reason in *error, for a line
// the host cannot run.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error);

// A command's words without the "--" that ended its options.
std::vector<std::string> Operands(const std::vector<std::string>& words);

// A whole number from `low` to `high` written in decimal digits, and nothing else.
std::optional<long> ParseNumber(const std::string& text, long low, long high);

// The code pages the shelf can work in: the Windows code pages of one and two bytes a character.
bool IsUsableCodePage(UINT codePage);

} // namespace tavrin::host

// What a host command works with: the host window, the embedded shelf control and its tree.
#pragma once

#include "host_window.h"

#include "tavrin/tavrin_ctrl.h"

#include <string>
#include <vector>

namespace tavrin::host {

struct Session {
    HostWindow& host;
    CTavrinCtrl& shelf;
    HWND Tree() const { return ::GetDlgItem(shelf.GetSafeHwnd(), 1000); }
};

// A command of the host's command line: `name` and its arguments. Returns 0 on success, else the
// program's exit code; prints its own errors to stderr.
using CommandFn = int (*)(Session& session, const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage; // arguments, e.g. "NAME"
    const char* help;  // a line, or lines separated by "\n"
    CommandFn run;
};

// Commands register themselves at start-up from their own files (see TAVRIN_HOST_COMMAND).
std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

struct CommandRegistration {
    explicit CommandRegistration(Command command) { Commands().push_back(command); }
};

} // namespace tavrin::host

#define TAVRIN_HOST_COMMAND_CAT2(a, b) a##b
#define TAVRIN_HOST_COMMAND_CAT(a, b) TAVRIN_HOST_COMMAND_CAT2(a, b)
// Registers a command: TAVRIN_HOST_COMMAND("trunk", "NAME", "look up a trunk by name", RunTrunk);
#define TAVRIN_HOST_COMMAND(name, usage, help, fn)                                                           \
    static const ::tavrin::host::CommandRegistration TAVRIN_HOST_COMMAND_CAT(g_command_, __LINE__)(          \
        ::tavrin::host::Command{name, usage, help, fn})

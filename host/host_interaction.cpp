// The host's answers to the shelf's questions.
#include "host_interaction.h"

#include "terminal_text.h"

#include <cstdio>

namespace tavrin::host {

namespace {

const char* AnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

} // namespace

std::vector<std::string> ShownLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(Shown(line));
        start = end + 1;
    }
    while (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    return lines;
}

void HostInteraction::Print(const plat::MessageBoxRequest& request, int answer) {
    std::fflush(stdout);
    const std::vector<std::string> lines = ShownLines(request.text);
    std::fprintf(stderr, "[message box] %s: %s -> %s\n", Shown(request.caption).c_str(), lines[0].c_str(),
                 AnswerName(answer));
    for (size_t i = 1; i < lines.size(); ++i)
        std::fprintf(stderr, "    %s\n", lines[i].c_str());
}

int HostInteraction::MessageBox(const plat::MessageBoxRequest& request) {
    const int answer = plat::MessageBoxDefaultAnswer(request.type);
    Print(request, answer);
    return answer;
}

} // namespace tavrin::host

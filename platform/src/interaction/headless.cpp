// The headless default interaction: nothing waits for a person. Message boxes are printed to stderr
// and take their default button; everything else is backed out of.
#include "plat/interaction.h"
#include "plat/resources.h"

#include <cstdio>

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
    case 10:
        return "Try Again";
    case 11:
        return "Continue";
    default:
        return "?";
    }
}

} // namespace

namespace plat {

int HeadlessInteraction::MessageBox(const MessageBoxRequest& request) {
    int answer = MessageBoxDefaultAnswer(request.type);
    std::string caption = ToUtf8(request.caption);
    std::string text = ToUtf8(request.text);
    std::fprintf(stderr, "[message box] %s: %s -> %s\n", caption.c_str(), text.c_str(), AnswerName(answer));
    return answer;
}

UINT HeadlessInteraction::ChoosePopupMenuItem(const PopupMenuRequest&) {
    return 0;
}

void HeadlessInteraction::RunDialog(HWND) {
    // Returning with the dialog still up cancels it.
}

bool HeadlessInteraction::ChooseOpenFiles(const OpenFileRequest&, OpenFileAnswer*) {
    return false;
}

void HeadlessInteraction::LabelEditStarted(HWND edit, const std::string&) {
    PressKey(edit, VK_ESCAPE);
}

} // namespace plat

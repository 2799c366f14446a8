// The interaction in force, the keystrokes an interaction posts, and the platform's message-box
// button layouts.
#include "plat/interaction.h"

namespace {

plat::Interaction* g_installed = nullptr;

plat::HeadlessInteraction& Headless() {
    static plat::HeadlessInteraction headless;
    return headless;
}

#ifndef MB_CANCELTRYCONTINUE
constexpr UINT kCancelTryContinue = 0x6;
#else
constexpr UINT kCancelTryContinue = MB_CANCELTRYCONTINUE;
#endif
constexpr int kIdTryAgain = 10;
constexpr int kIdContinue = 11;

} // namespace

namespace plat {

Interaction& CurrentInteraction() {
    return g_installed ? *g_installed : Headless();
}
void SetInteraction(Interaction* interaction) {
    g_installed = interaction;
}
Interaction* InstalledInteraction() {
    return g_installed;
}

void TypeText(HWND hwnd, const std::string& text) {
    // An ANSI window gets one WM_CHAR per byte, lead and trail bytes of a double-byte character alike.
    for (char c : text)
        PostMessageA(hwnd, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void PressKey(HWND hwnd, int vk) {
    PostMessageA(hwnd, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
    PostMessageA(hwnd, WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001u));
}

std::vector<int> MessageBoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case kCancelTryContinue:
        return {IDCANCEL, kIdTryAgain, kIdContinue};
    default:
        return {};
    }
}

int MessageBoxDefaultAnswer(UINT type) {
    std::vector<int> buttons = MessageBoxButtons(type);
    if (buttons.empty()) return 0;
    size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int MessageBoxEscapeAnswer(UINT type) {
    std::vector<int> buttons = MessageBoxButtons(type);
    for (int b : buttons)
        if (b == IDCANCEL) return IDCANCEL;
    if (buttons.size() == 1 && buttons.front() == IDOK) return IDOK;
    return 0;
}

} // namespace plat

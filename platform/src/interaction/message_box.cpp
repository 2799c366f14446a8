// MessageBoxA: checks the type and the owner as the platform does, keeps the owner disabled while the
// box is up, and lets the interaction in force answer.
#include "interaction/modal_owner.h"
#include "plat/interaction.h"

#include <algorithm>

#ifndef ERROR_INVALID_MSGBOX_STYLE
#define ERROR_INVALID_MSGBOX_STYLE 1438L
#endif

extern "C" int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    std::vector<int> buttons = plat::MessageBoxButtons(uType);
    if (buttons.empty()) {
        SetLastError(ERROR_INVALID_MSGBOX_STYLE);
        return 0;
    }
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    plat::MessageBoxRequest request{};
    request.owner = hWnd;
    request.text = lpText ? lpText : "";
    request.caption = lpCaption ? lpCaption : "Error"; // the platform's caption when none is given
    request.type = uType;

    int answer;
    {
        plat::detail::ModalOwnerScope modal(hWnd);
        answer = plat::CurrentInteraction().MessageBox(request);
    }
    // Only the box's own buttons can answer it.
    if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end())
        answer = plat::MessageBoxDefaultAnswer(uType);
    return answer;
}

// The interactive interaction: each modal request shows its picture over the host's window and
// runs a loop of its own on the person's input until it is answered.
#include "plat/interactive_interaction.h"

#include "interaction/box_view.h"
#include "interaction/file_chooser_view.h"
#include "interaction/menu_view.h"
#include "plat/core.h"
#include "plat/dialogs.h"
#include "plat/render.h"
#include "plat/resources.h"

#include <cctype>

#include <algorithm>

namespace plat {

namespace {

using Kind = UserInput::Kind;

bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Keeps a picture on the stack of those shown while its request is up.
class ShownScope {
  public:
    explicit ShownScope(std::vector<Overlay>& shown) : shown_(shown), size_(shown.size()) {}
    ~ShownScope() { shown_.resize(size_); }
    ShownScope(const ShownScope&) = delete;
    ShownScope& operator=(const ShownScope&) = delete;

  private:
    std::vector<Overlay>& shown_;
    size_t size_;
};

// Delivers what is queued for a modal dialog, its keyboard interface first, until it ends or nothing
// is left. False when a quit was taken out of the queue (it is posted again for the host's loop).
bool PumpDialog(HWND dialog) {
    MSG msg{};
    for (int n = 0; n < 10000 && IsModalDialogRunning(dialog); ++n) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return true;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

// Places a dialog in the middle of the screen when it is not wholly on it.
void PlaceOnScreen(HWND dialog, SIZE screen) {
    RECT r{};
    GetWindowRect(dialog, &r);
    const LONG w = r.right - r.left, h = r.bottom - r.top;
    if (r.left >= 0 && r.top >= 0 && r.right <= screen.cx && r.bottom <= screen.cy && (r.left || r.top))
        return;
    SetWindowPos(dialog, nullptr, std::max<LONG>(0, (screen.cx - w) / 2),
                 std::max<LONG>(0, (screen.cy - h) / 2), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void InteractiveInteraction::ShowWith(const Overlay& top) {
    shown_.push_back(top);
    screen_.Show(shown_);
    shown_.pop_back();
}

bool InteractiveInteraction::Wait(UserInput* input, int timeoutMs) {
    return screen_.WaitInput(input, timeoutMs);
}

int InteractiveInteraction::MessageBox(const MessageBoxRequest& request) {
    detail::BoxView view(request, screen_.Size());
    if (view.Answers().empty()) return MessageBoxDefaultAnswer(request.type);
    const int escape = MessageBoxEscapeAnswer(request.type);
    int pressed = 0; // the button the mouse went down on
    while (true) {
        ShowWith(view.Picture());
        UserInput in;
        if (!Wait(&in)) continue;
        switch (in.kind) {
        case Kind::ButtonDown:
            pressed = in.button == 1 ? view.AnswerAt(in.screen) : 0;
            if (!Inside(view.Bounds(), in.screen)) MessageBeep(MB_OK);
            break;
        case Kind::ButtonUp:
            if (in.button == 1 && pressed && view.AnswerAt(in.screen) == pressed) return pressed;
            pressed = 0;
            break;
        case Kind::KeyDown:
            if (in.vk == VK_RETURN || in.vk == VK_SPACE) return view.Focused();
            if (in.vk == VK_ESCAPE && escape) return escape;
            if (in.vk == VK_TAB || in.vk == VK_RIGHT) view.MoveFocus(in.shift ? -1 : 1);
            if (in.vk == VK_LEFT) view.MoveFocus(-1);
            break;
        case Kind::Text:
            // A button's underlined letter answers with it.
            for (int answer : view.Answers())
                if (!in.text.empty() &&
                    detail::SplitMenuText(detail::ButtonText(answer)).mnemonic ==
                        static_cast<char>(std::tolower(static_cast<unsigned char>(in.text[0]))))
                    return answer;
            break;
        case Kind::Quit:
            screen_.QuitRequested();
            return escape ? escape : MessageBoxDefaultAnswer(request.type);
        default:
            break;
        }
    }
}

UINT InteractiveInteraction::ChoosePopupMenuItem(const PopupMenuRequest& request) {
    detail::MenuView view(request.items, request.screen, screen_.Size());
    while (true) {
        ShowWith(view.Picture());
        UserInput in;
        if (!Wait(&in)) continue;
        switch (in.kind) {
        case Kind::MouseMove:
            if (Inside(view.Bounds(), in.screen)) view.SetHot(view.ItemAt(in.screen));
            break;
        case Kind::ButtonDown:
            // A press outside the menu closes it; inside, the release chooses.
            if (!Inside(view.Bounds(), in.screen)) return 0;
            view.SetHot(view.ItemAt(in.screen));
            break;
        case Kind::ButtonUp: {
            const int item = view.ItemAt(in.screen);
            if (view.Choosable(item)) return view.IdOf(item);
            break;
        }
        case Kind::KeyDown:
            if (in.vk == VK_ESCAPE) return 0;
            if (in.vk == VK_DOWN) view.MoveHot(1);
            if (in.vk == VK_UP) view.MoveHot(-1);
            if (in.vk == VK_RETURN && view.Choosable(view.Hot())) return view.IdOf(view.Hot());
            break;
        case Kind::Text:
            if (!in.text.empty()) {
                const int item = view.ItemForMnemonic(in.text[0]);
                if (item >= 0) return view.IdOf(item);
            }
            break;
        case Kind::FocusLost:
            return 0; // menus close when their window is left
        case Kind::Quit:
            screen_.QuitRequested();
            return 0;
        default:
            break;
        }
    }
}

void InteractiveInteraction::RunDialog(HWND dialog) {
    PlaceOnScreen(dialog, screen_.Size());
    InputRouter router;
    while (IsModalDialogRunning(dialog)) {
        if (!PumpDialog(dialog) || !IsModalDialogRunning(dialog)) return;
        RECT r{};
        GetWindowRect(dialog, &r);
        const Overlay picture{RenderWindow(dialog), POINT{r.left, r.top}};
        {
            ShownScope scope(shown_);
            shown_.push_back(picture);
            screen_.Show(shown_);
        }
        UserInput in;
        if (!Wait(&in, MillisecondsToNextTimer())) continue; // a timer is due: pump it
        if (in.kind == Kind::Quit) {
            screen_.QuitRequested();
            return; // returning with the dialog up cancels it
        }
        const bool mouse = in.kind == Kind::ButtonDown || in.kind == Kind::ButtonUp ||
                           in.kind == Kind::MouseMove || in.kind == Kind::Wheel;
        // The window under the dialog takes nothing while the dialog is up.
        if (mouse && !Inside(r, in.screen) && !GetCapture()) {
            if (in.kind == Kind::ButtonDown) MessageBeep(MB_OK);
            continue;
        }
        // Text the active code page cannot hold reaches no control: the person hears it.
        if (in.kind == Kind::Text && in.text.empty() && !in.utf8.empty()) MessageBeep(MB_OK);
        router.Deliver(in, dialog);
    }
}

bool InteractiveInteraction::ChooseOpenFiles(const OpenFileRequest& request, OpenFileAnswer* answer) {
    detail::FileChooserView view(request, screen_.Size());
    ShownScope scope(shown_);
    while (true) {
        ShowWith(view.Picture());
        UserInput in;
        if (!Wait(&in)) continue;
        std::optional<std::filesystem::path> chosen;
        int entry = -1;
        switch (in.kind) {
        case Kind::ButtonDown: {
            if (in.button != 1) break;
            const auto place = view.At(in.screen, &entry);
            if (place == detail::FileChooserView::Place::Cancel) return false;
            if (place == detail::FileChooserView::Place::Outside) MessageBeep(MB_OK);
            if (place == detail::FileChooserView::Place::Ok) chosen = view.Accept();
            if (place == detail::FileChooserView::Place::Entry) {
                view.Select(entry);
                if (in.clicks >= 2) chosen = view.Accept(); // a folder opens, a file is chosen
            }
            break;
        }
        case Kind::Wheel:
            view.Scroll(-3 * in.wheel);
            break;
        case Kind::KeyDown:
            if (in.vk == VK_ESCAPE) return false;
            if (in.vk == VK_RETURN) chosen = view.Accept();
            if (in.vk == VK_BACK) view.Backspace();
            if (in.vk == VK_DOWN || in.vk == VK_UP)
                view.Select(std::max(0, view.Selected() + (in.vk == VK_DOWN ? 1 : -1)));
            break;
        case Kind::Text:
            // Typed in the active code page; names on the disk are UTF-8.
            view.Type(ToUtf8(in.text));
            break;
        case Kind::Quit:
            screen_.QuitRequested();
            return false;
        default:
            break;
        }
        if (chosen) {
            if (!answer) return false;
            answer->folder.clear();
            answer->files = {chosen->string()};
            return true;
        }
    }
}

void InteractiveInteraction::LabelEditStarted(HWND edit, const std::string&) {
    // The editor has the focus: the person's keys go to it through the host's own loop.
    SetFocus(edit);
}

} // namespace plat

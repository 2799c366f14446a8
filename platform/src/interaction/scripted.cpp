// The scripted interaction: queued steps answer the layer's requests in order, and every request is
// recorded for the test to look at afterwards.
#include "plat/dialogs.h"
#include "plat/scripted_interaction.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* KindName(int kind) {
    static const char* const names[] = {"message box", "popup menu", "dialog", "open-file dialog",
                                        "label edit"};
    return (kind >= 0 && kind < 5) ? names[kind] : "?";
}

// Menu text without its '&' mnemonic markers ("&&" stands for a literal '&').
std::string WithoutMnemonics(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        else if (text[i] == '&')
            continue;
        out += text[i];
    }
    return out;
}

bool TextMatches(const std::string& itemText, const std::string& wanted) {
    return itemText == wanted || WithoutMnemonics(itemText) == wanted;
}

// The command id of the enabled or disabled item whose text matches, searching submenus too.
bool FindMenuText(HMENU menu, const std::string& wanted, UINT* id, int depth) {
    int count = GetMenuItemCount(menu);
    if (count < 0 || depth > 16) return false;
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (FindMenuText(sub, wanted, id, depth + 1)) return true;
            continue;
        }
        int len = GetMenuStringA(menu, static_cast<UINT>(i), nullptr, 0, MF_BYPOSITION);
        std::string text(static_cast<size_t>(std::max(0, len)) + 1, '\0');
        GetMenuStringA(menu, static_cast<UINT>(i), text.data(), static_cast<int>(text.size()), MF_BYPOSITION);
        text.resize(static_cast<size_t>(std::max(0, len)));
        if (!(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) &&
            TextMatches(text, wanted)) {
            *id = GetMenuItemID(menu, i);
            return true;
        }
    }
    return false;
}

std::string WindowText(HWND hwnd) {
    int len = GetWindowTextLengthA(hwnd);
    std::string text(static_cast<size_t>(std::max(0, len)) + 1, '\0');
    int got = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

} // namespace

namespace plat {

// ---- steps ----

ScriptedInteraction& ScriptedInteraction::AnswerMessageBox(int answer) {
    Step s;
    s.kind = Kind::MessageBox;
    s.answer = answer;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::AnswerMessageBox(int answer, const std::string& expectedText) {
    Step s;
    s.kind = Kind::MessageBox;
    s.answer = answer;
    s.checkText = true;
    s.text = expectedText;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::ChooseMenuCommand(UINT id) {
    Step s;
    s.kind = Kind::Menu;
    s.answer = static_cast<int>(id);
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::ChooseMenuText(const std::string& text) {
    Step s;
    s.kind = Kind::Menu;
    s.byText = true;
    s.text = text;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::DismissMenu() {
    Step s;
    s.kind = Kind::Menu;
    s.cancel = true;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::FillDialog(const std::vector<std::pair<int, std::string>>& texts,
                                                     int buttonId, bool typed) {
    Step s;
    s.kind = Kind::Dialog;
    s.texts = texts;
    s.answer = buttonId;
    s.typed = typed;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::CancelDialog() {
    Step s;
    s.kind = Kind::Dialog;
    s.cancel = true;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::ActOnDialog(std::function<void(HWND)> action) {
    Step s;
    s.kind = Kind::Dialog;
    s.action = std::move(action);
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::ChooseFiles(const std::string& folder,
                                                      const std::vector<std::string>& names) {
    Step s;
    s.kind = Kind::Files;
    s.folder = folder;
    s.names = names;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::ChooseFile(const std::string& fullPath) {
    Step s;
    s.kind = Kind::Files;
    s.names = {fullPath};
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::CancelFiles() {
    Step s;
    s.kind = Kind::Files;
    s.cancel = true;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::TypeLabel(const std::string& text) {
    Step s;
    s.kind = Kind::Label;
    s.text = text;
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedInteraction& ScriptedInteraction::CancelLabel() {
    Step s;
    s.kind = Kind::Label;
    s.cancel = true;
    steps_.push_back(std::move(s));
    return *this;
}

// ---- bookkeeping ----

std::vector<std::string> ScriptedInteraction::MessageBoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& r : messageBoxes_)
        texts.push_back(r.text);
    return texts;
}

void ScriptedInteraction::Fail(const std::string& line) {
    failures_.push_back(line);
    if (onFailure_)
        onFailure_(line);
    else
        std::fprintf(stderr, "[scripted interaction] %s\n", line.c_str());
}

const ScriptedInteraction::Step* ScriptedInteraction::Take(Kind kind, const std::string& what) {
    if (!steps_.empty() && steps_.front().kind == kind) return &steps_.front();
    std::string line = "unexpected " + what;
    line += steps_.empty()
                ? " (no step queued)"
                : std::string(" (next step: ") + KindName(static_cast<int>(steps_.front().kind)) + ")";
    Fail(line);
    return nullptr;
}

// ---- Interaction ----

int ScriptedInteraction::MessageBox(const MessageBoxRequest& request) {
    messageBoxes_.push_back(request);
    const Step* next = Take(Kind::MessageBox, "message box \"" + request.text + "\"");
    if (!next) {
        int esc = MessageBoxEscapeAnswer(request.type);
        return esc ? esc : MessageBoxDefaultAnswer(request.type);
    }
    Step step = *next;
    Pop();
    if (step.checkText && step.text != request.text)
        Fail("message box text \"" + request.text + "\", expected \"" + step.text + "\"");
    std::vector<int> buttons = MessageBoxButtons(request.type);
    if (std::find(buttons.begin(), buttons.end(), step.answer) == buttons.end()) {
        Fail("answer " + std::to_string(step.answer) + " is not a button of message box \"" + request.text +
             "\"");
        return MessageBoxDefaultAnswer(request.type);
    }
    return step.answer;
}

UINT ScriptedInteraction::ChoosePopupMenuItem(const PopupMenuRequest& request) {
    menus_.push_back(request);
    const Step* next = Take(Kind::Menu, "popup menu");
    if (!next) return 0;
    Step step = *next;
    Pop();
    if (step.cancel) return 0;
    if (!step.byText) return static_cast<UINT>(step.answer);
    UINT id = 0;
    if (!FindMenuText(request.menu, step.text, &id, 0)) {
        Fail("popup menu has no item \"" + step.text + "\"");
        return 0;
    }
    return id;
}

void ScriptedInteraction::RunDialog(HWND dialog) {
    DialogSeen seen{dialog, WindowText(dialog), {}};
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        seen.controls.emplace_back(GetDlgCtrlID(child), WindowText(child));
    dialogs_.push_back(seen);
    const Step* next = Take(Kind::Dialog, "dialog \"" + seen.caption + "\"");
    if (!next) return; // returning with the dialog up cancels it
    Step step = *next;
    Pop();
    if (step.action) {
        step.action(dialog);
        return;
    }
    if (step.cancel) {
        HWND focus = GetFocus();
        PressKey(focus && IsChild(dialog, focus) ? focus : dialog, VK_ESCAPE);
        return;
    }
    for (const auto& [id, text] : step.texts) {
        HWND control = GetDlgItem(dialog, id);
        if (!control) {
            Fail("dialog \"" + seen.caption + "\" has no control " + std::to_string(id));
            continue;
        }
        if (step.typed) {
            SetFocus(control);
            PostMessageA(control, EM_SETSEL, 0, -1);
            TypeText(control, text);
        } else {
            SetWindowTextA(control, text.c_str());
        }
    }
    if (HWND button = GetDlgItem(dialog, step.answer))
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        Fail("dialog \"" + seen.caption + "\" has no button " + std::to_string(step.answer));
}

bool ScriptedInteraction::ChooseOpenFiles(const OpenFileRequest& request, OpenFileAnswer* answer) {
    fileDialogs_.push_back(request);
    const Step* next = Take(Kind::Files, "open-file dialog");
    if (!next) return false;
    Step step = *next;
    Pop();
    if (step.cancel || !answer) return false;
    answer->folder = step.folder;
    answer->files = step.names;
    return true;
}

void ScriptedInteraction::LabelEditStarted(HWND edit, const std::string& text) {
    labelEdits_.push_back(text);
    const Step* next = Take(Kind::Label, "label edit \"" + text + "\"");
    if (!next) {
        PressKey(edit, VK_ESCAPE);
        return;
    }
    Step step = *next;
    Pop();
    if (step.cancel) {
        PressKey(edit, VK_ESCAPE);
        return;
    }
    PostMessageA(edit, EM_SETSEL, 0, -1);
    TypeText(edit, step.text);
    PressKey(edit, VK_RETURN);
}

} // namespace plat

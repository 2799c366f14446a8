// An interaction that follows a script: tests and scripted host runs queue the user's answers in
// order ("answer Yes", "choose command 40016", "type Poems and press OK", "choose these files") and
// afterwards look at every request the layer made.
//
// Each request takes the next queued step, which must be of the request's kind. A request with no
// step queued, or whose next step is of another kind, is unexpected: it is recorded as a failure
// (Failures(), and the failure handler is called, which by default prints to stderr) and answered
// as a user who backs out would (Esc on a message box, or its default button when Esc does nothing;
// menu dismissed; dialog and file dialog cancelled; label edit cancelled). The step stays queued.
#pragma once

#include "plat/interaction.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace plat {

class ScriptedInteraction : public Interaction {
  public:
    // ---- steps, taken in the order queued ----
    // Answer the next message box with `answer` (IDOK, IDYES, ...). With `expectedText`, a box with
    // another text is recorded as a failure (and still answered).
    ScriptedInteraction& AnswerMessageBox(int answer);
    ScriptedInteraction& AnswerMessageBox(int answer, const std::string& expectedText);
    // Choose a popup-menu item by command id, or by its text (exact, or equal once the '&' mnemonic
    // markers are removed). Dismiss the menu.
    ScriptedInteraction& ChooseMenuCommand(UINT id);
    ScriptedInteraction& ChooseMenuText(const std::string& text);
    ScriptedInteraction& DismissMenu();
    // In the next dialog, give each control its text and then press the button `buttonId`. A text is
    // typed as a user would (all of the control's text selected, then the characters), so an edit
    // control's limit applies; with `typed` false it is set with WM_SETTEXT instead.
    ScriptedInteraction& FillDialog(const std::vector<std::pair<int, std::string>>& texts, int buttonId,
                                    bool typed = true);
    // Press Esc in the next dialog.
    ScriptedInteraction& CancelDialog();
    // Any other action on the next dialog (the window is passed); posted input takes effect when
    // the dialog's loop runs after the action returns.
    ScriptedInteraction& ActOnDialog(std::function<void(HWND dialog)> action);
    // Choose several files of `folder`, or one file by its full path; or cancel the file dialog.
    ScriptedInteraction& ChooseFiles(const std::string& folder, const std::vector<std::string>& names);
    ScriptedInteraction& ChooseFile(const std::string& fullPath);
    ScriptedInteraction& CancelFiles();
    // Type `text` over the label being edited and press Enter; or press Esc.
    ScriptedInteraction& TypeLabel(const std::string& text);
    ScriptedInteraction& CancelLabel();

    // ---- what the layer asked ----
    struct DialogSeen {
        HWND dialog;
        std::string caption;
        std::vector<std::pair<int, std::string>> controls; // id and text of each control, in order
    };
    const std::vector<MessageBoxRequest>& MessageBoxes() const { return messageBoxes_; }
    std::vector<std::string> MessageBoxTexts() const;
    const std::vector<PopupMenuRequest>& Menus() const { return menus_; }
    const std::vector<DialogSeen>& Dialogs() const { return dialogs_; }
    const std::vector<OpenFileRequest>& FileDialogs() const { return fileDialogs_; }
    const std::vector<std::string>& LabelEdits() const { return labelEdits_; } // texts at the start

    // Unexpected or mismatched requests, one line each.
    const std::vector<std::string>& Failures() const { return failures_; }
    size_t PendingSteps() const { return steps_.size(); }
    // True when every step was taken and nothing went wrong.
    bool Finished() const { return steps_.empty() && failures_.empty(); }
    // Called with each failure line (tests typically hand it to their framework's failure report).
    void SetFailureHandler(std::function<void(const std::string&)> handler) {
        onFailure_ = std::move(handler);
    }

    // ---- Interaction ----
    int MessageBox(const MessageBoxRequest& request) override;
    UINT ChoosePopupMenuItem(const PopupMenuRequest& request) override;
    void RunDialog(HWND dialog) override;
    bool ChooseOpenFiles(const OpenFileRequest& request, OpenFileAnswer* answer) override;
    void LabelEditStarted(HWND edit, const std::string& text) override;

  private:
    enum class Kind { MessageBox, Menu, Dialog, Files, Label };
    struct Step {
        Kind kind = Kind::MessageBox;
        int answer = 0; // message box answer; dialog button; menu command id
        bool checkText = false;
        std::string text;    // expected box text; menu text; label text; full file path
        bool byText = false; // menu: choose by text
        bool cancel = false; // dialog: Esc; files: cancel; label: Esc; menu: dismiss
        bool typed = true;
        std::vector<std::pair<int, std::string>> texts;
        std::function<void(HWND)> action;
        std::string folder;
        std::vector<std::string> names;
    };

    // The next step when it is of `kind`; otherwise records a failure about `what` and returns null.
    const Step* Take(Kind kind, const std::string& what);
    void Pop() { steps_.pop_front(); }
    void Fail(const std::string& line);

    std::deque<Step> steps_;
    std::vector<MessageBoxRequest> messageBoxes_;
    std::vector<PopupMenuRequest> menus_;
    std::vector<DialogSeen> dialogs_;
    std::vector<OpenFileRequest> fileDialogs_;
    std::vector<std::string> labelEdits_;
    std::vector<std::string> failures_;
    std::function<void(const std::string&)> onFailure_;
};

} // namespace plat

// Bookkeeping of the dialog manager: what the layer knows about each dialog window beyond the
// window itself. Only platform/src/dialog uses it.
#pragma once

#include "interaction/modal_owner.h"
#include "win/winuser.h"

#include <memory>

namespace plat::detail {

struct DialogInfo {
    HWND hwnd = nullptr;
    int defId = 0;            // set with DM_SETDEFID; 0 = find the BS_DEFPUSHBUTTON button
    HWND lastFocus = nullptr; // the control that had the focus last
    bool modal = false;
    bool ended = false; // EndDialog was called
    INT_PTR result = 0;
    std::unique_ptr<ModalOwnerScope> owner; // modal dialogs: the disabled owner
};

// The dialog's record, or null when `hwnd` is not a dialog of the layer.
DialogInfo* FindDialog(HWND hwnd);
// Creates the record of a new dialog window (replacing any stale one).
DialogInfo& AddDialog(HWND hwnd);
void ForgetDialog(HWND hwnd);

// Registers the dialog class and the control classes a template may name.
void RegisterDialogClasses();

// The next (or previous) enabled, visible WS_TABSTOP control after `from` in the dialog, wrapping
// around; null when the dialog has none.
HWND NextTabItem(HWND dialog, HWND from, bool previous);

// Gives the focus to a control as the dialog manager does: an edit control gets all its text selected.
void FocusControl(HWND dialog, HWND control);

} // namespace plat::detail

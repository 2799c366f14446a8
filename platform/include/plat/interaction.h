// One interface for everything modal: message boxes, popup-menu choices, modal dialogs, the
// open-file dialog and label editing. Nothing blocks: the host installs an implementation that
// answers (the headless default prints and takes the default answer), tests install a scripted one.
#pragma once

#include "win/winuser.h"

#include <string>
#include <vector>

namespace plat {

struct MessageBoxRequest {
    HWND owner;
    std::string text;    // bytes in the active code page
    std::string caption;
    UINT type;           // MB_* flags
};

struct MenuItemView {
    UINT id;
    std::string text;
    bool separator;
    bool grayed;  // MF_GRAYED or MF_DISABLED
    bool checked;
    HMENU submenu;
};

struct PopupMenuRequest {
    HWND owner;
    HMENU menu;
    POINT screen;
    UINT flags;                     // TPM_* flags
    std::vector<MenuItemView> items; // as the menu stood when shown (after WM_INITMENUPOPUP)
};

struct OpenFileRequest {
    HWND owner;
    std::string filter;     // "Name|*.a;*.b||" form converted from the NUL-separated platform form
    DWORD flags;            // OFN_* flags
    size_t bufferSize;      // capacity of the caller's name buffer in characters
    std::string initialDir;
    std::string title;
};

struct OpenFileAnswer {
    std::string folder;              // used with several files
    std::vector<std::string> files;  // one full path, or names inside `folder`
};

class Interaction {
public:
    virtual ~Interaction() = default;
    // Returns IDOK, IDCANCEL, IDYES, ... as the platform's MessageBox would.
    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // Returns the chosen command id, or 0 when the menu is dismissed.
    virtual UINT ChoosePopupMenuItem(const PopupMenuRequest& request) = 0;
    // A modal dialog is up (created, initialised, shown). The implementation acts on it as a user
    // would — setting texts of its controls, pressing buttons — until the dialog ends. If it returns
    // while the dialog is still up, the dialog is cancelled.
    virtual void RunDialog(HWND dialog) = 0;
    // Returns false when the user cancels.
    virtual bool ChooseOpenFiles(const OpenFileRequest& request, OpenFileAnswer* answer) = 0;
    // A label edit has just been shown; the implementation may post the keystrokes the user types
    // (see TypeText / PressKey). Posted input is handled when the host pumps messages.
    virtual void LabelEditStarted(HWND edit, const std::string& text) = 0;
};

// The interaction in force; the headless default until a host or test installs another. The caller
// keeps ownership of what it installs; passing nullptr restores the default.
Interaction& CurrentInteraction();
void SetInteraction(Interaction* interaction);

// The interaction installed with SetInteraction, or nullptr while the headless default is in force.
Interaction* InstalledInteraction();

// Installs `interaction` for the lifetime of the guard and restores the one installed before.
class ScopedInteraction {
  public:
    explicit ScopedInteraction(Interaction* interaction) : previous_(InstalledInteraction()) {
        SetInteraction(interaction);
    }
    ~ScopedInteraction() { SetInteraction(previous_); }
    ScopedInteraction(const ScopedInteraction&) = delete;
    ScopedInteraction& operator=(const ScopedInteraction&) = delete;

  private:
    Interaction* previous_;
};

// The headless default: prints each message box to stderr (converted to UTF-8) and answers with its
// default button, dismisses popup menus, cancels dialogs and open-file dialogs, and cancels label
// edits (posts Esc). Hosts may derive from it to answer some requests themselves.
class HeadlessInteraction : public Interaction {
  public:
    int MessageBox(const MessageBoxRequest& request) override;
    UINT ChoosePopupMenuItem(const PopupMenuRequest& request) override;
    void RunDialog(HWND dialog) override;
    bool ChooseOpenFiles(const OpenFileRequest& request, OpenFileAnswer* answer) override;
    void LabelEditStarted(HWND edit, const std::string& text) override;
};

// Message-box buttons as the platform lays them out for the MB_* type: the answers of its buttons
// from left to right (empty for an invalid type).
std::vector<int> MessageBoxButtons(UINT type);
// The answer of the default button (MB_DEFBUTTON1..4; a default past the last button means the
// first), 0 for an invalid type.
int MessageBoxDefaultAnswer(UINT type);
// What Esc answers: IDCANCEL when the box has a Cancel button, IDOK for a box with only OK, and 0
// when Esc does nothing (MB_YESNO, MB_ABORTRETRYIGNORE).
int MessageBoxEscapeAnswer(UINT type);

// Number of live menus (for leak checks in tests).
size_t MenuCount();

// Posts the WM_CHAR messages of `text` (and for PressKey a WM_KEYDOWN/WM_KEYUP pair) to `hwnd`.
void TypeText(HWND hwnd, const std::string& text);
void PressKey(HWND hwnd, int vk);

} // namespace plat

// Modal dialogs built from dialog templates, and the push-button and static controls they hold.
//
// The first half of this header adds the dialog-manager names of the Windows API that win/winuser.h
// does not list yet (each guarded, so that a later winuser.h may take them over). The second half is
// the layer's own API for the framework (CDialog builds DoModal on RunModalDialog), hosts and tests.
#pragma once

#include "plat/resources.h"
#include "win/winuser.h"

#include <string>

/* ---- Windows names of the dialog manager ---- */
#ifndef DWLP_DLGPROC
#define DWLP_DLGPROC (DWLP_MSGRESULT + (int)sizeof(LRESULT))
#endif
#ifndef DWLP_USER
#define DWLP_USER (DWLP_DLGPROC + (int)sizeof(DLGPROC))
#endif
#ifndef DLGWINDOWEXTRA
#define DLGWINDOWEXTRA 48
#endif
#ifndef WC_DIALOG
#define WC_DIALOG "#32770"
#endif
#ifndef DS_SETFONT
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_NOFAILCREATE 0x10L
#define DS_CENTER 0x0800L
#endif
#ifndef WM_NEXTDLGCTL
#define WM_NEXTDLGCTL 0x0028
#endif
#ifndef DM_GETDEFID
#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B
#endif
#ifndef BM_GETCHECK
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#endif
#ifndef BST_UNCHECKED
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#endif
#ifndef BS_TYPEMASK
#define BS_TYPEMASK 0x0000000FL
#endif
#ifndef SS_RIGHT
#define SS_RIGHT 0x00000002L
#define SS_NOPREFIX 0x00000080L
#endif
#ifndef HTTRANSPARENT
#define HTTRANSPARENT (-1)
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

WIN_BEGIN_C
/* The default window procedure of dialog windows: asks the DLGPROC stored at DWLP_DLGPROC first and,
 * when it returns FALSE, does the dialog manager's default handling. */
LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
/* Handles the keyboard interface of a dialog for a retrieved message: Enter presses the default (or
 * focused) push button, Esc sends IDCANCEL. Returns TRUE when the message was used up. */
BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);
/* Converts a rectangle in dialog units of `hDlg` to pixels. */
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
/* LOWORD: horizontal, HIWORD: vertical base unit in pixels (the layer's dialog font). */
LONG GetDialogBaseUnits(void);
#define DialogBoxParam DialogBoxParamA
#define DialogBoxA(inst, tmpl, parent, proc) DialogBoxParamA(inst, tmpl, parent, proc, 0)
#define DialogBox DialogBoxA
#define GetDlgItemText GetDlgItemTextA
#define SetDlgItemText SetDlgItemTextA
#define SendDlgItemMessage SendDlgItemMessageA
#define IsDialogMessage IsDialogMessageA
#define DefDlgProc DefDlgProcA
WIN_END_C

namespace plat {

// Horizontal and vertical dialog base units of the layer's dialog font, in pixels. Every dialog
// uses them: x pixels = x units * kDialogBaseX / 4, y pixels = y units * kDialogBaseY / 8.
inline constexpr int kDialogBaseX = 6;
inline constexpr int kDialogBaseY = 13;
RECT DialogUnitsToPixels(const RECT& units);

// Runs dialog template `id` of `module` (0 = the current resource module) as a modal dialog owned
// by `parent`'s top-level window, with `proc` as its dialog procedure; this is DialogBoxParamA with a
// numeric template id. Returns the value given to EndDialog, or -1 when the template is missing or
// the dialog cannot be built.
INT_PTR RunModalDialog(HINSTANCE module, UINT id, HWND parent, DLGPROC proc, LPARAM param);
// The same for a template the caller holds.
INT_PTR RunModalDialogIndirect(const DialogTemplate& tmpl, HWND parent, DLGPROC proc, LPARAM param,
                               HINSTANCE instance = 0);

// A hook for the framework: called with each dialog window right after it is created and before its
// controls and WM_INITDIALOG, so that a CDialog object can attach itself to the window (as the
// framework's creation hook does on the platform). Returns the previous hook.
using DialogCreatedHook = void (*)(HWND dialog, LPARAM param);
DialogCreatedHook SetDialogCreatedHook(DialogCreatedHook hook);

// True while `dialog` is a modal dialog that has not ended yet.
bool IsModalDialogRunning(HWND dialog);
// The innermost running modal dialog (nullptr when none).
HWND CurrentModalDialog();

// Registers the "Button" and "Static" window classes (done by the dialog code itself as needed;
// calling again does nothing).
void RegisterButtonClass();
void RegisterStaticClass();

} // namespace plat

// Dialog data exchange: the DDX_ functions copy between a dialog's controls and members, the DDV_
// functions check what was entered. A DDV_ call checks the value of the DDX_ call just before it.
//
// A failed check shows a message box, puts the focus on the control and marks the exchange as
// failed; the DDX_/DDV_ calls that follow in the same DoDataExchange then do nothing, and
// UpdateData answers FALSE.
#pragma once

#include "afx/string.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to members, with checks; FALSE: members to controls
    CWnd* m_pDlgWnd;          // the dialog
    UINT m_idLastControl = 0; // the control of the last DDX_ call
    BOOL m_bEditLastControl = FALSE;
    BOOL m_bFailed = FALSE;

    // The control nIDC of the dialog, remembered for a following DDV_ call; null (and the exchange
    // failed) when the dialog has no such control.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Marks the exchange as failed and gives the focus to the last control (all of an edit
    // control's text selected).
    void Fail();
};

// The control's text <-> value.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// The same with a caller's buffer of nMaxLen bytes: loading limits the control to nMaxLen - 1
// characters; a longer text is refused when saving (message box, exchange failed), never cut.
void DDX_Text(CDataExchange* pDX, int nIDC, LPSTR value, int nMaxLen);
// Whole numbers; text that is not one is refused when saving.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
// Subclasses control nIDC with rControl the first time (rControl then receives its messages).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Loading: limits the last edit control to nChars characters (EM_LIMITTEXT). Saving: a longer
// value is refused (message box, exchange failed, the dialog stays open).
void DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars);

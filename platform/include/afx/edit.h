// CEdit: an edit control ("Edit").
#pragma once

#include "afx/wnd.h"

class CEdit : public CWnd {
public:
    // Creates the control as a child (WS_CHILD added) with control id nID.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // The CEdit bound to hWnd, or a temporary CEdit for an edit control without one (valid while
    // the window lives); null for a null handle.
    static CEdit* FromHandle(HWND hWnd);

    // At most nChars characters can be typed (0: the control's largest limit).
    void LimitText(int nChars = 0) {
        SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars > 0 ? nChars : 0), 0);
    }
    void SetLimitText(UINT nMax) { SendMessage(EM_SETLIMITTEXT, nMax, 0); }
    UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT, 0, 0)); }
    // Selects characters nStartChar up to (not including) nEndChar; 0, -1 selects everything.
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE) {
        (void)bNoScroll;
        SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), static_cast<LPARAM>(nEndChar));
    }
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE) {
        SetSel(static_cast<int>(static_cast<SHORT>(LOWORD(dwSelection))),
               static_cast<int>(static_cast<SHORT>(HIWORD(dwSelection))), bNoScroll);
    }
    void GetSel(int& nStartChar, int& nEndChar) const;
    DWORD GetSel() const { return static_cast<DWORD>(SendMessage(EM_GETSEL, 0, 0)); }
    void ReplaceSel(LPCSTR lpszNewText, BOOL bCanUndo = FALSE) {
        SendMessage(EM_REPLACESEL, static_cast<WPARAM>(bCanUndo), reinterpret_cast<LPARAM>(lpszNewText));
    }
    BOOL GetModify() const { return SendMessage(EM_GETMODIFY, 0, 0) != 0 ? TRUE : FALSE; }
    void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, static_cast<WPARAM>(bModified), 0); }
};

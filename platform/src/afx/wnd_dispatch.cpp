// CWnd message routing: WindowProc, the message map, commands, notifications with reflection to the
// sending control, and the default handlers.
#include "afxwin.h"

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        result = 1;
    } else if (message == WM_NOTIFY) {
        auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
        if (!nmhdr || !nmhdr->hwndFrom || !OnNotify(wParam, lParam, &result)) return FALSE;
    } else {
        AFX_MSGCALL call{message, wParam, lParam, 0, nullptr, &result};
        if (!DispatchMessageEntry(call, message, 0, 0)) return FALSE;
    }
    if (pResult) *pResult = result;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    UINT nCode = HIWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    LRESULT result = 0;
    if (!hWndCtrl) {
        nCode = CN_COMMAND; // menu (0) or accelerator (1): both are plain commands
    } else if (SendChildNotify(hWndCtrl, WM_COMMAND, wParam, lParam, &result)) {
        return TRUE; // the control handled its own notification
    }
    AFX_MSGCALL call{WM_COMMAND, wParam, lParam, nID, nullptr, &result};
    return DispatchMessageEntry(call, WM_COMMAND, nCode, nID);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    if (!nmhdr || !pResult) return FALSE;
    if (SendChildNotify(nmhdr->hwndFrom, WM_NOTIFY, wParam, lParam, pResult)) return TRUE;
    UINT nID = static_cast<UINT>(nmhdr->idFrom);
    AFX_MSGCALL call{WM_NOTIFY, wParam, lParam, nID, nmhdr, pResult};
    return DispatchMessageEntry(call, WM_NOTIFY, nmhdr->code, nID);
}

BOOL CWnd::SendChildNotify(HWND hWndChild, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    CWnd* child = FromHandlePermanent(hWndChild);
    if (!child) return FALSE;
    return child->OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT ignored = 0;
    if (!pResult) pResult = &ignored;
    switch (message) {
    case WM_COMMAND: {
        AFX_MSGCALL call{WM_REFLECT_BASE + WM_COMMAND, wParam, lParam, LOWORD(wParam), nullptr, pResult};
        return DispatchMessageEntry(call, WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
    }
    case WM_NOTIFY: {
        auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
        if (!nmhdr) return FALSE;
        AFX_MSGCALL call{WM_REFLECT_BASE + WM_NOTIFY,      wParam, lParam,
                         static_cast<UINT>(nmhdr->idFrom), nmhdr,  pResult};
        return DispatchMessageEntry(call, WM_REFLECT_BASE + WM_NOTIFY, nmhdr->code, 0);
    }
    default:
        return FALSE;
    }
}

// ---- default handlers: the window's own procedure does the work ----

int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnPaint() {
    Default();
}
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) {
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnContextMenu(CWnd*, CPoint) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnSetFocus(CWnd*) {
    Default();
}
void CWnd::OnKillFocus(CWnd*) {
    Default();
}
void CWnd::OnCaptureChanged(CWnd*) {
    Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {
    Default();
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {
    Default();
}

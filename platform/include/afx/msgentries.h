// The message-map entry macros. Each expands to one AFX_MSGMAP_ENTRY whose function unpacks the
// message parameters for the handler named in the entry; handler signatures are the framework's
// usual ones, listed with each macro. Use them between BEGIN_MESSAGE_MAP and END_MESSAGE_MAP.
#pragma once

#include "afx/msgmap.h"

// OnTimer may take the timer id as UINT or as UINT_PTR.
template <class T, class B> inline void AfxCallOnTimer(T* p, void (B::*pfn)(UINT_PTR), WPARAM w) {
    (p->*pfn)(static_cast<UINT_PTR>(w));
}
template <class T, class B> inline void AfxCallOnTimer(T* p, void (B::*pfn)(UINT), WPARAM w) {
    (p->*pfn)(static_cast<UINT>(w));
}

// ---- plain window messages ----

#define AFX_MESSAGE_ENTRY(msg, ...) {msg, 0, 0, 0, nullptr, AFX_ENTRY_FN(__VA_ARGS__)},

// int OnCreate(LPCREATESTRUCT): -1 fails the creation.
#define ON_WM_CREATE()                                                                                       \
    AFX_MESSAGE_ENTRY(WM_CREATE, int (ThisClass::*pfn)(LPCREATESTRUCT) = &ThisClass::OnCreate;               \
                      *call_.pResult = (AFX_THIS->*pfn)(reinterpret_cast<LPCREATESTRUCT>(call_.lParam));     \
                      return TRUE;)
// void OnDestroy()
#define ON_WM_DESTROY()                                                                                      \
    AFX_MESSAGE_ENTRY(WM_DESTROY, void (ThisClass::*pfn)() = &ThisClass::OnDestroy; (AFX_THIS->*pfn)();      \
                      return TRUE;)
// void OnNcDestroy()
#define ON_WM_NCDESTROY()                                                                                    \
    AFX_MESSAGE_ENTRY(WM_NCDESTROY, void (ThisClass::*pfn)() = &ThisClass::OnNcDestroy; (AFX_THIS->*pfn)();  \
                      return TRUE;)
// void OnClose()
#define ON_WM_CLOSE()                                                                                        \
    AFX_MESSAGE_ENTRY(WM_CLOSE, void (ThisClass::*pfn)() = &ThisClass::OnClose; (AFX_THIS->*pfn)();          \
                      return TRUE;)
// void OnSize(UINT nType, int cx, int cy)
#define ON_WM_SIZE()                                                                                         \
    AFX_MESSAGE_ENTRY(                                                                                       \
        WM_SIZE, void (ThisClass::*pfn)(UINT, int, int) = &ThisClass::OnSize;                                \
        (AFX_THIS->*pfn)(static_cast<UINT>(call_.wParam), LOWORD(call_.lParam), HIWORD(call_.lParam));       \
        return TRUE;)
// BOOL OnEraseBkgnd(CDC* pDC): nonzero = the background is erased.
#define ON_WM_ERASEBKGND()                                                                                   \
    AFX_MESSAGE_ENTRY(WM_ERASEBKGND, BOOL (ThisClass::*pfn)(CDC*) = &ThisClass::OnEraseBkgnd;                \
                      CTempDC dc_(reinterpret_cast<HDC>(call_.wParam));                                      \
                      *call_.pResult = (AFX_THIS->*pfn)(&dc_); return TRUE;)
// void OnPaint()
#define ON_WM_PAINT()                                                                                        \
    AFX_MESSAGE_ENTRY(WM_PAINT, void (ThisClass::*pfn)() = &ThisClass::OnPaint; (AFX_THIS->*pfn)();          \
                      return TRUE;)
// void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
#define ON_WM_INITMENUPOPUP()                                                                                \
    AFX_MESSAGE_ENTRY(WM_INITMENUPOPUP,                                                                      \
                      void (ThisClass::*pfn)(CMenu*, UINT, BOOL) = &ThisClass::OnInitMenuPopup;              \
                      (AFX_THIS->*pfn)(CMenu::FromHandle(reinterpret_cast<HMENU>(call_.wParam)),             \
                                       LOWORD(call_.lParam), HIWORD(call_.lParam));                          \
                      return TRUE;)

// void OnXxx(UINT nFlags, CPoint point): point in client coordinates.
#define AFX_MOUSE_ENTRY(msg, fn)                                                                             \
    AFX_MESSAGE_ENTRY(msg, void (ThisClass::*pfn)(UINT, CPoint) = &ThisClass::fn;                            \
                      (AFX_THIS->*pfn)(static_cast<UINT>(call_.wParam), CPoint(call_.lParam)); return TRUE;)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_RBUTTONDBLCLK, OnRButtonDblClk)

// void OnTimer(UINT_PTR nIDEvent) (UINT accepted too)
#define ON_WM_TIMER()                                                                                        \
    AFX_MESSAGE_ENTRY(WM_TIMER, AfxCallOnTimer(AFX_THIS, &ThisClass::OnTimer, call_.wParam); return TRUE;)
// void OnContextMenu(CWnd* pWnd, CPoint pos): pos in screen coordinates (-1, -1 from the keyboard).
#define ON_WM_CONTEXTMENU()                                                                                  \
    AFX_MESSAGE_ENTRY(                                                                                       \
        WM_CONTEXTMENU, void (ThisClass::*pfn)(CWnd*, CPoint) = &ThisClass::OnContextMenu;                   \
        (AFX_THIS->*pfn)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.wParam)), CPoint(call_.lParam));      \
        return TRUE;)
// void OnXxx(UINT nChar, UINT nRepCnt, UINT nFlags)
#define AFX_KEY_ENTRY(msg, fn)                                                                               \
    AFX_MESSAGE_ENTRY(msg, void (ThisClass::*pfn)(UINT, UINT, UINT) = &ThisClass::fn; (AFX_THIS->*pfn)(      \
                          static_cast<UINT>(call_.wParam), LOWORD(call_.lParam), HIWORD(call_.lParam));      \
                      return TRUE;)
#define ON_WM_KEYDOWN() AFX_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_ENTRY(WM_CHAR, OnChar)
// void OnXxx(CWnd* pWnd): the window losing focus (SETFOCUS), gaining it (KILLFOCUS) or gaining the
// capture (CAPTURECHANGED); null when there is none.
#define AFX_WND_ENTRY(msg, fn, param)                                                                        \
    AFX_MESSAGE_ENTRY(msg, void (ThisClass::*pfn)(CWnd*) = &ThisClass::fn;                                   \
                      (AFX_THIS->*pfn)(CWnd::FromHandle(reinterpret_cast<HWND>(call_.param))); return TRUE;)
#define ON_WM_SETFOCUS() AFX_WND_ENTRY(WM_SETFOCUS, OnSetFocus, wParam)
#define ON_WM_KILLFOCUS() AFX_WND_ENTRY(WM_KILLFOCUS, OnKillFocus, wParam)
#define ON_WM_CAPTURECHANGED() AFX_WND_ENTRY(WM_CAPTURECHANGED, OnCaptureChanged, lParam)
// void OnXxx(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar): pScrollBar is the CScrollBar object of a
// scroll-bar control, null for a window's own bar (or a control without such an object).
#define AFX_SCROLL_ENTRY(msg, fn)                                                                            \
    AFX_MESSAGE_ENTRY(                                                                                       \
        msg, void (ThisClass::*pfn)(UINT, UINT, CScrollBar*) = &ThisClass::fn; (AFX_THIS->*pfn)(             \
            LOWORD(call_.wParam), HIWORD(call_.wParam),                                                      \
            dynamic_cast<CScrollBar*>(CWnd::FromHandlePermanent(reinterpret_cast<HWND>(call_.lParam))));     \
        return TRUE;)
#define ON_WM_VSCROLL() AFX_SCROLL_ENTRY(WM_VSCROLL, OnVScroll)
#define ON_WM_HSCROLL() AFX_SCROLL_ENTRY(WM_HSCROLL, OnHScroll)

// LRESULT memberFxn(WPARAM, LPARAM): any message by number.
#define ON_MESSAGE(message, memberFxn)                                                                       \
    AFX_MESSAGE_ENTRY(message, LRESULT (ThisClass::*pfn)(WPARAM, LPARAM) = &ThisClass::memberFxn;            \
                      *call_.pResult = (AFX_THIS->*pfn)(call_.wParam, call_.lParam); return TRUE;)
// LRESULT memberFxn(WPARAM, LPARAM): a registered message whose id is in the UINT variable
// nMessageVariable (read each time a message is dispatched, so it may be registered later).
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                                   \
    {                                                                                                        \
        0, 0, 0, 0, &(nMessageVariable),                                                                     \
            AFX_ENTRY_FN(LRESULT (ThisClass::*pfn)(WPARAM, LPARAM) = &ThisClass::memberFxn;                  \
                         *call_.pResult = (AFX_THIS->*pfn)(call_.wParam, call_.lParam); return TRUE;)        \
    }                                                                                                        \
    ,

// ---- commands (WM_COMMAND) ----

// void memberFxn(): a menu or accelerator command, or a button click (BN_CLICKED is code 0).
#define ON_COMMAND(id, memberFxn)                                                                            \
    {                                                                                                        \
        WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), nullptr,                       \
            AFX_ENTRY_FN(void (ThisClass::*pfn)() = &ThisClass::memberFxn; (AFX_THIS->*pfn)(); return TRUE;) \
    }                                                                                                        \
    ,
// BOOL memberFxn(UINT nID): FALSE lets the search go on to the base class maps.
#define ON_COMMAND_EX(id, memberFxn)                                                                         \
    {                                                                                                        \
        WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), nullptr,                       \
            AFX_ENTRY_FN(BOOL (ThisClass::*pfn)(UINT) = &ThisClass::memberFxn;                               \
                         return (AFX_THIS->*pfn)(call_.nID);)                                                \
    }                                                                                                        \
    ,
// void memberFxn(UINT nID): commands id1..id2 inclusive.
#define ON_COMMAND_RANGE(id1, id2, memberFxn)                                                                \
    {                                                                                                        \
        WM_COMMAND, CN_COMMAND, static_cast<UINT>(id1), static_cast<UINT>(id2), nullptr,                     \
            AFX_ENTRY_FN(void (ThisClass::*pfn)(UINT) = &ThisClass::memberFxn; (AFX_THIS->*pfn)(call_.nID);  \
                         return TRUE;)                                                                       \
    }                                                                                                        \
    ,
// void memberFxn(): notification code wNotifyCode from control id.
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                               \
    {                                                                                                        \
        WM_COMMAND, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), nullptr,   \
            AFX_ENTRY_FN(void (ThisClass::*pfn)() = &ThisClass::memberFxn; (AFX_THIS->*pfn)(); return TRUE;) \
    }                                                                                                        \
    ,
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
// In a control's own map: void memberFxn() for a WM_COMMAND notification it sent to its parent.
// The parent never sees a notification a reflect entry handled.
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn)                                                           \
    {                                                                                                        \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(wNotifyCode), 0, 0, nullptr,                         \
            AFX_ENTRY_FN(void (ThisClass::*pfn)() = &ThisClass::memberFxn; (AFX_THIS->*pfn)(); return TRUE;) \
    }                                                                                                        \
    ,
// BOOL memberFxn(): FALSE lets the parent handle the notification too.
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn)                                                        \
    {                                                                                                        \
        WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(wNotifyCode), 0, 0, nullptr,                         \
            AFX_ENTRY_FN(BOOL (ThisClass::*pfn)() = &ThisClass::memberFxn; return (AFX_THIS->*pfn)();)       \
    }                                                                                                        \
    ,

// ---- notifications (WM_NOTIFY) ----

// void memberFxn(NMHDR* pNMHDR, LRESULT* pResult): notification code from control id; *pResult
// (0 unless set) is the answer the control gets.
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                                \
    {                                                                                                        \
        WM_NOTIFY, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), nullptr,    \
            AFX_ENTRY_FN(void (ThisClass::*pfn)(NMHDR*, LRESULT*) = &ThisClass::memberFxn;                   \
                         (AFX_THIS->*pfn)(call_.pNMHDR, call_.pResult); return TRUE;)                        \
    }                                                                                                        \
    ,
// void memberFxn(UINT id, NMHDR*, LRESULT*): controls id1..id2 inclusive.
#define ON_NOTIFY_RANGE(wNotifyCode, id1, id2, memberFxn)                                                    \
    {                                                                                                        \
        WM_NOTIFY, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id1), static_cast<UINT>(id2), nullptr,  \
            AFX_ENTRY_FN(void (ThisClass::*pfn)(UINT, NMHDR*, LRESULT*) = &ThisClass::memberFxn;             \
                         (AFX_THIS->*pfn)(call_.nID, call_.pNMHDR, call_.pResult); return TRUE;)             \
    }                                                                                                        \
    ,
// BOOL memberFxn(UINT id, NMHDR*, LRESULT*): FALSE lets the search go on to the base class maps.
#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn)                                                             \
    {                                                                                                        \
        WM_NOTIFY, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), nullptr,    \
            AFX_ENTRY_FN(BOOL (ThisClass::*pfn)(UINT, NMHDR*, LRESULT*) = &ThisClass::memberFxn;             \
                         return (AFX_THIS->*pfn)(call_.nID, call_.pNMHDR, call_.pResult);)                   \
    }                                                                                                        \
    ,
// In a control's own map: void memberFxn(NMHDR*, LRESULT*) for a notification it sent to its
// parent. The control sees it first; the parent never does.
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                                            \
    {                                                                                                        \
        WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(wNotifyCode), 0, 0, nullptr,                          \
            AFX_ENTRY_FN(void (ThisClass::*pfn)(NMHDR*, LRESULT*) = &ThisClass::memberFxn;                   \
                         (AFX_THIS->*pfn)(call_.pNMHDR, call_.pResult); return TRUE;)                        \
    }                                                                                                        \
    ,
// BOOL memberFxn(NMHDR*, LRESULT*): FALSE lets the parent handle the notification too (the parent's
// handler then sets the answer).
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn)                                                         \
    {                                                                                                        \
        WM_REFLECT_BASE + WM_NOTIFY, static_cast<UINT>(wNotifyCode), 0, 0, nullptr,                          \
            AFX_ENTRY_FN(BOOL (ThisClass::*pfn)(NMHDR*, LRESULT*) = &ThisClass::memberFxn;                   \
                         return (AFX_THIS->*pfn)(call_.pNMHDR, call_.pResult);)                              \
    }                                                                                                        \
    ,

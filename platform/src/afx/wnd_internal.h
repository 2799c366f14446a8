// What the framework's window code shares between its source files: the creation hook that binds
// an object to the window being created, and privileged access to CWnd's subclassing state.
#pragma once

#include "afx/wnd.h"

namespace afx::detail {

// While alive, binds pWnd to the next window whose WM_NCCREATE is delivered, before any window
// procedure sees that message, and subclasses the window with the framework's procedure. Hooks
// nest: a window created from inside another's creation binds its own object.
class CreationHook {
public:
    explicit CreationHook(CWnd* pWnd);
    ~CreationHook();
    CreationHook(const CreationHook&) = delete;
    CreationHook& operator=(const CreationHook&) = delete;

    // True once the object was bound to a window.
    bool Consumed() const { return m_consumed; }

private:
    friend void OnMessageDelivered(HWND, UINT, WPARAM, LPARAM);
    CWnd* m_wnd;
    bool m_consumed = false;
    CreationHook* m_outer;
};

} // namespace afx::detail

// Access to CWnd's protected subclassing state for the framework's own code.
struct AfxWndAccess {
    static WNDPROC& Super(CWnd& wnd) { return wnd.m_pfnSuper; }
    // Binds wnd to hWnd and installs the framework's window procedure, remembering the one before.
    static void BindAndSubclass(CWnd& wnd, HWND hWnd);
    // Puts the original procedure back (if the framework's is still in place) and forgets it.
    static void RestoreProc(HWND hWnd, WNDPROC super);
};

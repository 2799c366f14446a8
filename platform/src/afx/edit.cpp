// CEdit: creation and temporary objects for edit controls without an object of their own.
#include "afx/edit.h"
#include "afx/temp_map.h"
#include "commctrl.h"

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    ::InitCommonControls(); // registers the "Edit" class with the common controls
    return CWnd::Create("Edit", nullptr, dwStyle, rect, pParentWnd, nID);
}

CEdit* CEdit::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (auto* bound = dynamic_cast<CEdit*>(CWnd::FromHandlePermanent(hWnd))) return bound;
    static auto* temps = new afx::detail::TempMap<HWND, CEdit>([](HWND h) { return ::IsWindow(h) != FALSE; },
                                                               [](CEdit& e) { e.m_hWnd = nullptr; });
    return temps->Get(hWnd, [](HWND h) {
        auto edit = std::make_unique<CEdit>();
        edit->m_hWnd = h;
        return edit;
    });
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD start = 0, end = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

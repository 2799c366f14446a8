// CWnd members that do more than forward one call: texts into CString, style changes, rectangle
// conversions, device contexts and scroll information.
#include "afx/wnd.h"

#include <vector>

void CWnd::GetWindowText(CString& rString) const {
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0) {
        rString.Empty();
        return;
    }
    std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, buf.data(), static_cast<int>(buf.size()));
    rString = CString(buf.data(), copied);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
    HWND item = ::GetDlgItem(m_hWnd, nID);
    rString.Empty();
    if (!item) return 0;
    int length = ::GetWindowTextLengthA(item);
    if (length <= 0) return 0;
    std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(item, buf.data(), static_cast<int>(buf.size()));
    rString = CString(buf.data(), copied);
    return rString.GetLength();
}

CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}

namespace {

BOOL ModifyLong(HWND hWnd, int index, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD style = static_cast<DWORD>(::GetWindowLongA(hWnd, index));
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle) return FALSE;
    ::SetWindowLongA(hWnd, index, static_cast<LONG>(newStyle));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    return ModifyLong(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    return ModifyLong(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

namespace {

void MapRect(HWND from, HWND to, LPRECT lpRect) {
    if (!lpRect) return;
    POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
    ::MapWindowPoints(from, to, corners, 2);
    *lpRect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

} // namespace

void CWnd::ClientToScreen(LPRECT lpRect) const {
    MapRect(m_hWnd, nullptr, lpRect);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    MapRect(nullptr, m_hWnd, lpRect);
}

CDC* CWnd::GetDC() {
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC) {
    if (!pDC || !pDC->m_hDC) return 0;
    HDC h = pDC->m_hDC;
    return ::ReleaseDC(m_hWnd, h);
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) {
    if (!lpScrollInfo) return FALSE;
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, nBar, lpScrollInfo);
}

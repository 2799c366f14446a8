// Dialog data exchange and validation.
#include "afx/ddx.h"
#include "afx/globals.h"
#include "afx/wnd.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <vector>

namespace {

std::string ControlText(HWND control) {
    int length = ::GetWindowTextLengthA(control);
    if (length <= 0) return std::string();
    std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(control, buf.data(), static_cast<int>(buf.size()));
    return std::string(buf.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void Refuse(CDataExchange* pDX, const CString& prompt) {
    AfxMessageBox(prompt, MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

// Parses a whole number the way a user types one: optional blanks and sign, digits, optional blanks.
bool ParseWhole(const std::string& text, long long* out) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0') return false;
    *out = value;
    return true;
}

} // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND control = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (!control) {
        TRACE("data exchange: the dialog has no control %d\n", nIDC);
        m_bFailed = TRUE;
        return nullptr;
    }
    m_idLastControl = static_cast<UINT>(nIDC);
    m_bEditLastControl = FALSE;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND control = PrepareCtrl(nIDC);
    if (control) m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail() {
    m_bFailed = TRUE;
    if (!m_pDlgWnd || m_idLastControl == 0) return;
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, static_cast<int>(m_idLastControl));
    if (!control) return;
    ::SetFocus(control);
    if (m_bEditLastControl) ::SendMessageA(control, EM_SETSEL, 0, -1);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    if (!pDX || pDX->m_bFailed) return;
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (pDX->m_bSaveAndValidate)
        value = CString(ControlText(control));
    else
        ::SetWindowTextA(control, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, LPSTR value, int nMaxLen) {
    if (!pDX || pDX->m_bFailed || !value || nMaxLen <= 0) return;
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (pDX->m_bSaveAndValidate) {
        std::string text = ControlText(control);
        if (text.size() > static_cast<size_t>(nMaxLen - 1)) {
            CString prompt;
            prompt.Format("Please enter no more than %d characters.", nMaxLen - 1);
            Refuse(pDX, prompt);
            return;
        }
        text.copy(value, text.size());
        value[text.size()] = '\0';
    } else {
        ::SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(nMaxLen - 1), 0);
        // The member may hold anything: show at most its buffer's worth.
        CString shown(value, static_cast<int>(strnlen(value, static_cast<size_t>(nMaxLen))));
        ::SetWindowTextA(control, shown);
    }
}

namespace {

template <class T>
void ExchangeWhole(CDataExchange* pDX, int nIDC, T& value, long long minimum, long long maximum) {
    if (!pDX || pDX->m_bFailed) return;
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!control) return;
    if (pDX->m_bSaveAndValidate) {
        long long parsed = 0;
        if (!ParseWhole(ControlText(control), &parsed) || parsed < minimum || parsed > maximum) {
            Refuse(pDX,
                   minimum < 0 ? "Please enter a whole number." : "Please enter a positive whole number.");
            return;
        }
        value = static_cast<T>(parsed);
    } else {
        CString text;
        text.Format("%lld", static_cast<long long>(value));
        ::SetWindowTextA(control, text);
    }
}

} // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    ExchangeWhole(pDX, nIDC, value, INT_MIN, INT_MAX);
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    ExchangeWhole(pDX, nIDC, value, 0, UINT_MAX);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (!pDX || pDX->m_bFailed || rControl.m_hWnd) return;
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!control) return;
    if (!rControl.SubclassWindow(control)) {
        TRACE("data exchange: control %d already has an object\n", nIDC);
        pDX->m_bFailed = TRUE;
    }
}

void DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars) {
    if (!pDX || pDX->m_bFailed) return;
    if (pDX->m_bSaveAndValidate && value.GetLength() > nChars) {
        CString prompt;
        prompt.Format("Please enter no more than %d characters.", nChars);
        Refuse(pDX, prompt);
        return;
    }
    if (pDX->m_idLastControl != 0 && pDX->m_bEditLastControl && nChars > 0) {
        HWND control = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, static_cast<int>(pDX->m_idLastControl));
        if (control) ::SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
    }
}

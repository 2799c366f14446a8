// CDialog: modal dialogs bound to their object through the dialog manager's creation hook.
#include "afx/dialog.h"
#include "afx/globals.h"
#include "afx/msgentries.h"
#include "afx/wnd_internal.h"
#include "plat/dialogs.h"

namespace {

// The dialog DoModal is creating right now, and the hook that was in place before.
CDialog* g_creating = nullptr;
plat::DialogCreatedHook g_previousHook = nullptr;

void OnDialogCreated(HWND dialog, LPARAM param) {
    if (g_creating && param == reinterpret_cast<LPARAM>(g_creating)) {
        CDialog* dlg = g_creating;
        g_creating = nullptr;
        AfxWndAccess::BindAndSubclass(*dlg, dialog);
        return;
    }
    if (g_previousHook) g_previousHook(dialog, param);
}

// The dialog procedure behind every CDialog: the framework's window procedure handles everything
// before the dialog manager asks this, so only WM_INITDIALOG is left to answer here.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* dlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    return dlg ? dlg->OnInitDialog() : TRUE;
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd) : m_pParentWnd(pParentWnd) {
    if (IS_INTRESOURCE(lpszTemplateName))
        m_nIDTemplate = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd || m_nIDTemplate == 0) return -1;
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : ::GetActiveWindow();

    // A dialog may run another from one of its handlers: keep the outer state and put it back.
    CDialog* outerCreating = g_creating;
    plat::DialogCreatedHook outerPrevious = g_previousHook;
    g_creating = this;
    plat::DialogCreatedHook previous = plat::SetDialogCreatedHook(OnDialogCreated);
    if (previous != OnDialogCreated) g_previousHook = previous;
    INT_PTR result = plat::RunModalDialog(AfxGetResourceHandle(), m_nIDTemplate, parent, AfxDlgProc,
                                          reinterpret_cast<LPARAM>(this));
    plat::SetDialogCreatedHook(previous);
    g_previousHook = outerPrevious;
    g_creating = outerCreating;

    // The dialog manager destroyed the window, which unbound the object on the way.
    if (m_hWnd && !::IsWindow(m_hWnd)) Detach();
    return result;
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog() {
    if (!UpdateData(FALSE)) {
        TRACE("dialog %u: loading the controls failed\n", m_nIDTemplate);
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return; // the check told the user; the dialog stays open
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

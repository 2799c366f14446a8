// CDialog: a modal dialog built from a dialog template of the current resource module, with data
// exchange between its controls and the object's members.
#pragma once

#include "afx/ddx.h"
#include "afx/wnd.h"

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
    // Templates are known by number: lpszTemplateName must be MAKEINTRESOURCE(id).
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

    // Runs the dialog until EndDialog: IDOK / IDCANCEL (or the value given to EndDialog), -1 when
    // the dialog could not be created. The object is bound to the dialog window while it runs and
    // unbound afterwards.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // Runs DoDataExchange: TRUE = controls to members with validation, FALSE = members to controls.
    // FALSE when a check failed (it has told the user and put the focus on the control).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Loads the members into the controls (UpdateData(FALSE)); TRUE gives the focus to the first
    // control. A failing exchange ends the dialog with -1.
    virtual BOOL OnInitDialog();
    // IDOK: UpdateData(TRUE), and EndDialog(IDOK) only when it passes; otherwise the dialog stays.
    virtual void OnOK();
    // IDCANCEL: EndDialog(IDCANCEL).
    virtual void OnCancel();

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    virtual void DoDataExchange(CDataExchange* pDX) {}

    DECLARE_MESSAGE_MAP()
};

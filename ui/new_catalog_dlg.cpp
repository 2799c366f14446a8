#include "ui/new_catalog_dlg.h"

#include "ui/catalog_names.h"

CNewCatalogDlg::CNewCatalogDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CNewCatalogDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, tavrin::IDC_CATALOG_NAME, m_editName);
    DDX_Text(pDX, tavrin::IDC_CATALOG_NAME, m_strName);
    DDV_MaxChars(pDX, m_strName, 256);
}

BOOL CNewCatalogDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_editName.LimitText(tavrin::kCatalogNameLimit);
    return TRUE;
}

void CNewCatalogDlg::OnOK() {
    CDialog::OnOK();
    m_strName = tavrin::TrimmedName(m_strName);
}

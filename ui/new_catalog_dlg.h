// The dialog that asks for the name of a new catalog: dialog IDD_NEW_CATALOG of the control's own
// module (the caller makes that module the resource source while it runs).
#pragma once

#include "afxwin.h"
#include "resources/resource_ids.h"

class CNewCatalogDlg : public CDialog {
  public:
    enum { IDD = tavrin::IDD_NEW_CATALOG };

    explicit CNewCatalogDlg(CWnd* pParent = nullptr);

    CEdit m_editName;  // control IDC_CATALOG_NAME
    CString m_strName; // the name entered, white space trimmed from both ends once OK was pressed

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The default initialisation, then at most kCatalogNameLimit characters can be typed.
    BOOL OnInitDialog() override;
    // The default handling (the exchange and its checks, and the end of the dialog), then the name is
    // trimmed.
    void OnOK() override;
};

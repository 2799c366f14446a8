// The bookshelf control. A host constructs one CTavrinCtrl, places it in one of its windows with
// Create and receives what happens on the shelf as WM_SHELF_* messages (tavrin/host_messages.h) sent
// or posted to that parent window. One working shelf per process: the tree child, the image list and
// the drop target are program-wide.
#pragma once

#include "afxcmn.h"
#include "afxwin.h"
#include "tavrin/host_messages.h"

#include <vector>

struct TreeNode;

class CTavrinCtrl : public CWnd {
  public:
    CTavrinCtrl();
    ~CTavrinCtrl() override;

    // Creates the control as a visible child of pParentWnd. dwStyle is kept for the tree child (less
    // WS_BORDER, plus lines at root, editable labels and an always-shown selection); the control's
    // own window is WS_CHILD | WS_VISIBLE.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // The language code passed to drivers for book names fetched from now on.
    void SetCurLocale(int nLocale);

    // Brings in books registered since start-up: walks the registry and the HTML e-books again.
    void Refresh();

  protected:
    // ---- life cycle ----
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnNcDestroy();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    LRESULT DefWindowProcA(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The start-up sequence that fills the tree.
    void InitTree2();

    // Inserts one item with its node under hParent after hInsertAfter; image and selected image are
    // pImages[0]. Callers then call SetItemImages(item, 0).
    HTREEITEM AddOneItem(HTREEITEM hParent, LPCSTR lpszText, HTREEITEM hInsertAfter, const int* pImages,
                         TreeNode* pNode, int bHasChildren);
    // Sets an item's image and selected image by its node (open: the expanded image).
    void SetItemImages(HTREEITEM hItem, int bOpen);

    // Shows the string-table text `uStringId` in a message box captioned "Error".
    void ShowMessage(UINT uStringId);

    // Deletes an item whose node now belongs to a copy elsewhere in the tree: nothing of the
    // subtree's nodes, records or books is freed.
    BOOL DeleteItemKeepNodes(HTREEITEM hItem);
    // Frees a node as the tree deletes its item: closes its book and releases its driver.
    void FreeNode(TreeNode* pNode);

    // ---- steps of the start-up that later parts of the control fill ----
    int LoadSysCata(LPCSTR lpszSysPath);
    void EnumRegBooks(LPCSTR lpszKey);
    void AddHtmlEBook();
    void SearchDicts();
    HTREEITEM GetCatalogId(LPCSTR lpszKey);

    // ---- tree notifications (tree child, id 1000) ----
    afx_msg void OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnItemExpanded(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnDeleteitem(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnSeleChanged(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnBeginLabelEdit(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnEndlabeledit(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnClick(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

  protected:
    CMenu m_popupMenu;
    char m_szWorkPath[260];
    UINT m_uAddBookMsg;
    BOOL m_bBooksChanged;
    int m_nTrunkStatus;
    DWORD m_dwTreeStyle;
    DWORD m_dwShelfHandle;
    BOOL m_bShelfOpen;
    HMODULE m_hShelfDriver;
    HMODULE m_hHtmlDriver;
    HTREEITEM m_hRoot;
    std::vector<TreeNode*> m_dictNodes;
    COLORREF m_crInsertMark;
    COLORREF m_crBack;
    DWORD m_dwNewBookHandle;
    int m_nSuppressNotify;
    int m_nSuppressExpand;
    int m_nMoved;
    int m_nKeepNodes; // nonzero while DeleteItemKeepNodes runs
};

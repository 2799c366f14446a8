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

    // ---- trunks ----
    // Fills *pInfo (type 2, the shelf handle, the catalog's name, szTrunk = the name) for the first
    // catalog below the root that is the trunk `lpszTrunk`; 1 when found, else 0 with *pInfo untouched.
    int GetTrunkInfo(LPCSTR lpszTrunk, TrunkInfo* pInfo);
    // Switches the trunk status (nonzero: on-line) and redraws the images of every item below the
    // root; 0 when the status is already `nStatus`. pInfo is not used.
    int SetTrunkStatus(TrunkInfo* pInfo, int nStatus);

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
    void EnumRegBooks(LPCSTR lpszKey);
    void AddHtmlEBook();
    void SearchDicts();

    // ---- the system catalog "Tavrin.Sys" (catalog/) ----
    // Opens the system catalog with the shelf driver and makes the root and every system catalog;
    // 1 when opened and loaded, else 0 with nothing inserted.
    int LoadSysCata(LPCSTR lpszSysPath);
    // Makes the catalogs for the children of the catalog file's entry under hParent, recursively.
    void LoadSysCataItems(HTREEITEM hParent, DWORD dwShelfHandle, DWORD hVpItem);
    // Reads `lpszKey` of section `lpszSection` from the settings page of an entry of the catalog file
    // into lpszValue (nSize bytes, zero-filled first); 1 when found and it fits, else 0. Binds the
    // driver table to the shelf driver: callers rebind for their own driver afterwards.
    int GetCataInfoFromFile(DWORD dwShelfHandle, DWORD hVpItem, LPCSTR lpszSection, LPCSTR lpszKey,
                            LPSTR lpszValue, int nSize);
    // Adds the four images named by the entry's "IDB" setting (bitmap ids in the host's resource
    // module "Tavrin.res") to the shelf image list and keeps their indexes in pNode->nImage.
    void GetImgIdx(DWORD dwShelfHandle, DWORD hVpItem, TreeNode* pNode);

    // ---- catalog lookups (catalog/); every search walks the items below hItem in pre-order, each
    // child before its own subtree, and never tests hItem itself ----
    // The first catalog whose stamp is tStamp.
    HTREEITEM GetCatalogId(HTREEITEM hItem, DWORD tStamp);
    // The first catalog whose key is lpszKey, case included.
    HTREEITEM GetCatalogId(HTREEITEM hItem, LPCSTR lpszKey);
    // The first system catalog whose "BOOKS" section lists the book file lpszBookFile; *phInsertAfter
    // becomes TVI_FIRST when its value is "1", else TVI_LAST.
    HTREEITEM GetClassItem(HTREEITEM hItem, LPCSTR lpszBookFile, HTREEITEM* phInsertAfter);
    // The first catalog that is the trunk lpszTrunk; fills *pInfo as GetTrunkInfo does.
    HTREEITEM GetTrunkClassID(HTREEITEM hItem, LPCSTR lpszTrunk, TrunkInfo* pInfo);
    // The first item (of any kind) whose class id has dwLevel as its first level.
    HTREEITEM FindCatalog(HTREEITEM hItem, DWORD dwLevel);
    // The class id for a new child of hItem, or 0xFFFFFFFF when the level is full.
    DWORD GetClassID(HTREEITEM hItem);
    // 1 when hItem's class id has no second level.
    int IsFstLevelClass(HTREEITEM hItem);
    // Sets the images of every item below hItem, each by its expanded state.
    void SetTrunkImages(HTREEITEM hItem);

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

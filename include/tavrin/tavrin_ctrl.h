// The bookshelf control. A host constructs one CTavrinCtrl, places it in one of its windows with
// Create and receives what happens on the shelf as WM_SHELF_* messages (tavrin/host_messages.h) sent
// or posted to that parent window. One working shelf per process: the tree child, the image list and
// the drop target are program-wide.
#pragma once

#include "afxcmn.h"
#include "afxwin.h"
#include "tavrin/host_messages.h"
#include "tavrin/shelf_view.h"

#include <map>
#include <vector>

struct TreeNode;
namespace tavrin {
struct UserCatalogBlock;
struct UserCatalogItem;
} // namespace tavrin

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

    // ---- location and selection (navigation/) ----
    // Selects the contents entry that holds page nPage of the book whose number is the text in the
    // first nLength bytes of lpszNumber, up to its first zero (letter case ignored; nLength may be the
    // size of the host's buffer; a text of more than 255 characters names no book), building the
    // contents items on the way down; 1 when the page's entry (or, for a book without contents, the
    // book) was selected, else 0.
    int SetLocation(char* lpszNumber, int nLength, LONG nPage);
    // The same for the book with handle info.dwBookHandle (info.hDriver is not read).
    int SetLocation(PageInfo info);
    // Selects the catalog that is the trunk pInfo->szTrunk; nonzero when found and selected.
    int SetLocation(TrunkInfo* pInfo);
    // The book handle of the selected book, dictionary or contents entry; 0xFFFFFFFF otherwise.
    DWORD GetSeleBookHandle();

    // ---- full-text search (navigation/) ----
    // Searches the book with handle dwBookHandle, or every book when it is 0xFFFFFFFF, for lpszText
    // (bMatchCase 0: letters A-Z match either case) and calls pfnCallback, a SearchCallback
    // (tavrin/host_messages.h), once for every page that holds the text. 1 when the search ran to its
    // end, 0 when the callback stopped it, the book is not on the shelf, no scratch memory was to be
    // had, or a search is already running (the callback may not start another).
    int Search(DWORD dwBookHandle, char* lpszText, int bMatchCase, void* pfnCallback);

    // ---- commands the host may call, or send as WM_COMMAND (40015-40021) ----
    // Asks for a name in the new-catalog dialog and makes a catalog of that name as the last child of
    // the drop-highlighted item (a first-level catalog goes after the first-level catalogs). Without
    // a drop-highlighted item, or when the dialog is cancelled, the tree is left as it is.
    void NewCatalogs();
    // Opens the in-place label editor on the drop-highlighted item (80 characters at most); nothing
    // without one. Only user-editable catalogs accept the new label.
    void Rename();
    // Reserved for a properties dialog: does nothing.
    void Property();
    // Reserved for a book manager dialog: does nothing and returns 0.
    int BookMngDlg();

    // ---- appearance ----
    // Nonzero: the tree shows lines and expand buttons; zero: a plain list. The result of the style
    // change (nonzero when the tree's style could be changed).
    int ChgStyle(int bOn);
    // Sets the shelf's background colour (the control's own and the tree's) and repaints; returns the
    // previous one. Only the background changes: label colours stay as the shelf draws them.
    COLORREF SetBkColor(COLORREF crBack);
    // The shelf's background colour.
    COLORREF GetBkColor();

    // ---- user catalogs kept between runs (catalog/) ----
    // The stream of the user's catalogs. The control never opens or closes it: a host opens the file
    // and puts its handle here before SaveUserDefineHead (open for writing; the stream is written from
    // offset 0 on and the file is cut at its end) or LoadUserDefine (open for reading, standing at the
    // start of the stream), and sets it back to INVALID_HANDLE_VALUE afterwards.
    HANDLE m_hUserDefine = INVALID_HANDLE_VALUE;
    // Writes the header and one block for every user catalog on the shelf; FALSE when anything could
    // not be written (the caller keeps the previous stream).
    BOOL SaveUserDefineHead();
    // Reads the header and every block from the handle's position and hangs the user catalogs back in
    // their places; run once after start-up. FALSE when the stream was not read whole (a damaged
    // stream ends the load there; what was read before stays).
    BOOL LoadUserDefine();

    // ---- reading the shelf (tavrin/shelf_view.h) ----
    // The shelf's tree window (a SysTreeView32 child of the control); null before Create.
    HWND GetTreeWindow();
    // The root item, from which GetItemInfo walks the whole shelf; null before Create.
    HTREEITEM GetShelfRoot();
    // Fills *pInfo for hItem: its kind, label, keys, book handle, page, colours and the handles of its
    // parent, first child and next sibling. 1 when hItem is an item of the shelf, else 0 with *pInfo
    // zeroed (hItem null, deleted, or another tree's).
    int GetItemInfo(HTREEITEM hItem, ShelfItemInfo* pInfo);
    // Books are named by their item here (a book, dictionary or contents-entry item of the book), not by
    // their handle: each driver numbers its own books, so books of two drivers may share a handle.
    // The number of pages of the book; -1 when hBook is no such item or its driver serves no pages.
    LONG GetBookPageCount(HTREEITEM hBook);
    // The text of page nPage (counted from 0) of the book as a reader shows it without its formatting,
    // in the book's code page: from the page markup, line breaks as "\n" and embedded objects as their
    // captions; from an HTML page (an e-book's), the text between the tags, one line per paragraph,
    // character references read. Copies at most *pdwLength bytes of it with a terminating zero into
    // pszText (nothing when pszText is null) and sets *pdwLength to the text's length plus one; call
    // with a null pszText to learn the size. SHELF_PAGE_OK, or why not (SHELF_PAGE_NO_BOOK ...), with
    // *pdwLength kept.
    int GetPageText(HTREEITEM hBook, LONG nPage, LPSTR pszText, DWORD* pdwLength);
    // Nonzero while the user drags an item of the shelf.
    int IsDragging();
    // Ends a running drag without moving anything (SHELF_DROP_CANCELLED); nothing when none runs.
    void CancelDrag();
    // How the last drag ended (SHELF_DROP_*); *ppszReason (when given) gets a short reason for a drag
    // that moved nothing, "" otherwise. The text is the shelf's and stays valid.
    int GetLastDrop(LPCSTR* ppszReason);

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
    void SearchDicts();

    // ---- HTML e-books (registry/) ----
    // Adds the classes and books that the HTML e-book driver reports and that are not on the shelf.
    void AddHtmlEBook(HINSTANCE hHtmlDriver);
    // The first book below hFrom whose file path, read as a decimal number, is wBookId.
    HTREEITEM IsHtmlBookExist(HTREEITEM hFrom, unsigned short wBookId);
    // The first catalog below hFrom whose key is lpszClassKey, letter case ignored.
    HTREEITEM IsSameClassExist(HTREEITEM hFrom, char* lpszClassKey);

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

    // ---- user catalogs kept between runs (catalog/user_catalogs*.cpp) ----
    // Appends to `stream` one block for every user catalog below hItem; user catalogs inside a user
    // catalog are part of its block. Books, dictionaries and contents entries are not entered.
    void SaveUserDefine(HTREEITEM hItem, std::vector<unsigned char>& stream);
    // Appends the entry records of the user catalog hItem (its own record first) and its subtree.
    void SaveCatalogs2(HTREEITEM hItem, std::vector<unsigned char>& entries);
    // Appends the records of every item below hItem in pre-order (a book's contents never); their
    // parent position is dwParentPos for hItem's children. Returns 0.
    int SaveCataItem2(HTREEITEM hItem, std::vector<unsigned char>& entries, DWORD dwParentPos);
    // What a load looks up again and again (catalogs by stamp and key, books by number), kept while
    // it runs so that a load stays linear in the records.
    class CUserLoad;
    // Hangs the entries of one block under hParent: catalogs made (or found where they are already),
    // books opened (or moved here when they are on the shelf already).
    void LoadCataItem2(const tavrin::UserCatalogBlock& block, HTREEITEM hParent, CUserLoad& load);
    // The book of a stored record as the last child of hParent: the book already on the shelf with its
    // number moved here, else opened from its stored paths; null when it cannot be opened.
    HTREEITEM PlaceUserBook(const tavrin::UserCatalogItem& entry, HTREEITEM hParent, CUserLoad& load);
    // Books of the user's catalogs that could not be opened at the load (a file gone, a drive not
    // mounted): their stored records, by the stamp of the user catalog that held them. Every save
    // writes them back into that catalog, so that the user's placing outlives a run without the file;
    // the book comes back into its catalog when its file does.
    std::map<DWORD, std::vector<unsigned char>> m_absentUserBooks;
    // The records kept for the user catalog hItem; null when none.
    const std::vector<unsigned char>* AbsentUserBooks(HTREEITEM hItem) const;

    // ---- book contents (navigation/) ----
    // Inserts under hParent one item for each direct sub-entry of the driver entry dwEntry.
    void ExpandItem(DWORD dwBookHandle, HINSTANCE hDriver, DWORD dwEntry, HTREEITEM hParent);
    // 1 when the book has a contents tree (caps bit 0x80), else 0.
    int IsHaveChapter(HINSTANCE hDriver, DWORD dwBookHandle);
    // The first contents item below hStart (pre-order) whose driver entry is dwEntry; null when none.
    HTREEITEM IsBookItemExist(HTREEITEM hStart, DWORD dwEntry);

    // ---- full-text search (navigation/) ----
    void SearchAllBooks(HTREEITEM hStart, char* lpszText, int bMatchCase, void* pfnCallback);
    int SearchOnBook(TreeNode* pNode, char* lpszText, int bMatchCase, void* pfnCallback);

    // ---- new catalogs and labels (ui/) ----
    // 1 when a child of the selected item has the key lpszName (letter case ignored), else 0.
    int IsCataExist(LPCSTR lpszName);

    // ---- moving items within the shelf (ui/) ----
    // Copies hItem (text, images, node) under hNewParent after hInsertAfter, with its subtree, the
    // children each appended last in their order, and deletes those children from under hItem without
    // freeing their nodes; hItem itself stays for the caller to delete. A node that goes into a catalog
    // whose class id has the first level 1 is marked undeletable and built-in. A book's contents
    // entries are not carried: the copy keeps its expand button and builds them again when opened.
    // A new parent inside hItem's own subtree (or hItem itself) changes nothing. Always 1.
    int TransferItem(HTREEITEM hItem, HTREEITEM hNewParent, HTREEITEM hInsertAfter);
    // The tree child's drag-moving uses the moved and suppress-expand flags and the deletion that
    // keeps nodes.
    friend class CShelfTreeCtrl;

    // ---- appearance (ui/) ----
    // The text colour of the item's node, else of its nearest ancestor that has one; 0xFFFFFFFF when
    // none has (the tree's default colour) and for no item.
    COLORREF GetItemColor(HTREEITEM hItem);

    // Tells the host about an item the user selected or clicked: WM_SHELF_NOTIFY with the book's
    // handle, the contents entry's page, the catalog's link or its description; nothing while
    // notices are suppressed. Chapters (entries with sub-entries) count as pages only when bChapters.
    void NotifyHostOfItem(const TreeNode* pNode, BOOL bChapters);

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

    // The drop target (ui/shelf_drop_target.h) raises the suppress-notify flag while a drop selects
    // its item.
    friend class CShelfDropTarget;

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

    // ---- registered books ----
  public:
    // The book handle of the first book or dictionary below the root whose book number is
    // lpszBookNo (letter case ignored); 0xFFFFFFFF when there is none.
    DWORD GetBookHandle(LPCSTR lpszBookNo);
    // The register command: asks for book files, finds a driver for each, registers it and puts it
    // last into the drop-highlighted (else the selected) catalog.
    void AddBook();
    // The delete command on the drop-highlighted (else the selected) item: a book leaves the shelf
    // and the registry (or the HTML e-book store); an empty catalog is removed.
    void Delete();

    // Dictionaries collected at start-up, by position. An entry whose item was deleted since stays in
    // the list (the positions of the others do not move) and answers as out of range.
    DWORD GetDictCount();
    WORD GetDictClass(DWORD dwIndex);       // the book class; 0xFFFF when out of range or unreadable
    DWORD GetDictBookHandle(DWORD dwIndex); // 0xFFFFFFFF when out of range
    // Books by handle. lpszPath has room for 260 bytes; it is left alone when the book is not found.
    int GetBookPos(DWORD dwBookHandle, LPSTR lpszPath);
    int GetBookDriverPos(DWORD dwBookHandle, LPSTR lpszPath);
    HINSTANCE GetBookDrvHandle(DWORD dwBookHandle);
    // The code page of the book's texts (its name, contents entries, pages and search hits): what its
    // driver says (CBIGetCodePage), else the active code page (GetACP); 0 when the book is not on the
    // shelf. A host converts the book's texts from it for display, and what the user types into it.
    UINT GetBookCodePage(DWORD dwBookHandle);
    // Keeps a copy of the host's block of *pdwLength bytes with the book (replacing an earlier one);
    // 1 when stored, 0 when the book is not on the shelf or no memory was to be had.
    int SetBookData(DWORD dwBookHandle, const char* pData, DWORD* pdwLength);
    // Copies at most *pdwLength bytes of the book's block into pData (none when pData is null) and
    // sets *pdwLength to the block's length; 1 when the book was found, else 0 with *pdwLength kept.
    int GetBookData(DWORD dwBookHandle, char* pData, DWORD* pdwLength);

  protected:
    // Registry walk: reads "Database" and "driver" (value names in any case) of the key lpszKey into
    // the 260-byte lpszFilePath and lpszDriverPath; nonzero when both are there and non-empty. A value
    // too long for its buffer refuses the whole registration.
    int EnumRegValue(LPCSTR lpszKey, LPSTR lpszFilePath, LPSTR lpszDriverPath);
    // Puts the book registered under lpszBookKey on the shelf, or re-points its node when the book is
    // there already with another file or driver.
    void AddToShelf(LPCSTR lpszBookKey, LPCSTR lpszFilePath, LPCSTR lpszDriverPath);
    // Loads the driver (one more library reference) and opens the book; the module when the book can
    // be served (a book by its class, a dictionary only when the dictionary library lists it), else 0
    // with nothing left open or loaded and the reason kept for the register command (the driver's, or
    // the dictionary check's; registry/add_refusal.h).
    HINSTANCE LoadAndOpen(DWORD* pdwBookHandle, LPCSTR lpszFilePath, LPCSTR lpszDriverPath);
    // Writes the book number of an open book into the zero-filled 256-byte lpszNumber; a number that
    // does not fit (or an empty one) leaves the buffer empty.
    void GetBookNo(HINSTANCE hModule, DWORD dwBookHandle, LPSTR lpszNumber);
    // The first book or dictionary below hFrom numbered lpszBookNo; *pdwBookHandle gets its handle.
    HTREEITEM IsBookExist(HTREEITEM hFrom, LPCSTR lpszBookNo, DWORD* pdwBookHandle);
    // The node numbered lpszBookNo whose file or driver path differs from the given ones (the first
    // such match decides its level of the tree), else null.
    HTREEITEM IsBookInfoChange(HTREEITEM hFrom, LPCSTR lpszBookNo, LPCSTR lpszFilePath,
                               LPCSTR lpszDriverPath);

    // Registration: 0x46444245 when the file begins with "EBDF", else 0.
    DWORD IsValidBook(LPCSTR lpszFilePath);
    // lpszPath (260 bytes) holds the book file on entry and the driver's path on success.
    int FindDriver(DWORD dwSignature, LPSTR lpszPath);
    int FindDriverOnTree(HTREEITEM hFrom, DWORD dwSignature, LPSTR lpszPath);
    // lpszFolder (260 bytes) gets a trailing separator; lpszDriverPath (260 bytes) the driver found.
    int FindDriverOnDisk(LPSTR lpszFolder, LPCSTR lpszFilePath, LPSTR lpszDriverPath);
    // The driver folder "DriverPath" into the 260-byte lpszFolder; nonzero when non-empty.
    int GetBookDriverPath(LPSTR lpszFolder);
    // Checks the book and writes its registration; lpszBookKey (260 bytes) gets the book key path.
    int RegisterBooks(LPCSTR lpszFilePath, LPCSTR lpszDriverPath, LPSTR lpszBookKey);
    // Writes "Database" and "Driver" below the book key; 0 when anything could not be written.
    int DoRegister(LPCSTR lpszBookNo, LPCSTR lpszFilePath, LPCSTR lpszDriverPath);
    int IsBookExistOnTree(HTREEITEM hFrom, LPCSTR lpszBookNo);
    // Deletes the registration below lpszBookKey; never the registration root. The other two
    // arguments are not used.
    int UnRegister(LPCSTR lpszBookKey, LPCSTR, LPCSTR);

    // Dictionaries and books: appends every dictionary below hStart to m_dictNodes, in tree order.
    void SearchDicts(HTREEITEM hStart);
    // The first book or dictionary below hStart whose handle is dwBookHandle; null when none.
    HTREEITEM FindBook(HTREEITEM hStart, DWORD dwBookHandle);
    // A node is being freed: its entry in m_dictNodes, if any, answers as out of range from now on.
    void ForgetDictNode(const TreeNode* pNode);

    // One walk of the registry: the subkeys of the open key hKey, whose path is lpszKeyPath.
    void EnumRegKey(HKEY hKey, LPCSTR lpszKeyPath);
    // A message box captioned "Error" with a fixed text (for refusals the string table has no text for).
    void ShowErrorText(LPCSTR lpszText);
    // A message of the register command about one file (a refusal, or a book already on the shelf): the
    // string-table text `uStringId`, then a line naming the file
    // lpszFile and a line with lpszDetail (a driver's reason), each when given; every line is cut to a
    // bounded length. Captioned "Error", OK only.
    void ShowRefusal(UINT uStringId, LPCSTR lpszFile, LPCSTR lpszDetail);
    // Shows why lpszFile could not be put on the shelf as the calls made for it recorded: the dictionary
    // check's message when that refused it, else `uStringId` with the last driver's reason.
    void ShowAddRefusal(UINT uStringId, LPCSTR lpszFile);
    // Offers a file that is no native book to the HTML e-book driver's store; true when the store took
    // it, otherwise the user has been told why not.
    bool OfferToStore(LPCSTR lpszFilePath);

    // What a walk of the registry looks up again and again (book numbers, class catalogs), kept while
    // the walk runs so that start-up stays linear in the number of books.
    class CRegWalk;
    CRegWalk* m_pRegWalk = nullptr;
};

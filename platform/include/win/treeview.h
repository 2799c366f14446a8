/* The tree-view common control ("SysTreeView32"): messages, notifications, styles, item states, the
 * structures they carry, the custom-draw structures they share with other common controls, and the
 * TreeView_* helper macros. Names, values and layouts follow the Windows headers (ANSI forms, with the
 * unsuffixed names mapped to them). This header compiles as C and C++. */
#ifndef WIN_TREEVIEW_H
#define WIN_TREEVIEW_H

#include "win/imagelist.h"
#include "win/types.h"
#include "win/winuser.h"

#include <string.h>

WIN_BEGIN_C

/* Font messages the controls answer (kept here until the USER header carries them). */
#ifndef WM_SETFONT
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#endif

/* ---- class names and common-control initialisation ---- */
#define WC_TREEVIEWA "SysTreeView32"
#define WC_TREEVIEW WC_TREEVIEWA
#ifndef WC_EDITA
#define WC_EDITA "Edit"
#define WC_EDIT WC_EDITA
#endif

#ifndef ICC_TREEVIEW_CLASSES
#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
#endif

/* Registers the tree-view and the edit window classes (idempotent). */
void InitCommonControls(void);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);

/* ---- message and notification bases ---- */
#define TV_FIRST 0x1100
#define CCM_FIRST 0x2000
#define CCM_SETUNICODEFORMAT (CCM_FIRST + 5)
#define CCM_GETUNICODEFORMAT (CCM_FIRST + 6)
#define NM_FIRST (0U - 0U)
#define TVN_FIRST (0U - 400U)
#define TVN_LAST (0U - 499U)

/* ---- generic common-control notifications ---- */
#define NM_OUTOFMEMORY (NM_FIRST - 1)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_RDBLCLK (NM_FIRST - 6)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)
#define NM_CUSTOMDRAW (NM_FIRST - 12)
#define NM_HOVER (NM_FIRST - 13)
#define NM_SETCURSOR (NM_FIRST - 17)

/* ---- tree-view messages ---- */
#define TVM_INSERTITEMA (TV_FIRST + 0)
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_EXPAND (TV_FIRST + 2)
#define TVM_GETITEMRECT (TV_FIRST + 4)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETINDENT (TV_FIRST + 6)
#define TVM_SETINDENT (TV_FIRST + 7)
#define TVM_GETIMAGELIST (TV_FIRST + 8)
#define TVM_SETIMAGELIST (TV_FIRST + 9)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_GETITEMA (TV_FIRST + 12)
#define TVM_SETITEMA (TV_FIRST + 13)
#define TVM_EDITLABELA (TV_FIRST + 14)
#define TVM_GETEDITCONTROL (TV_FIRST + 15)
#define TVM_GETVISIBLECOUNT (TV_FIRST + 16)
#define TVM_HITTEST (TV_FIRST + 17)
#define TVM_CREATEDRAGIMAGE (TV_FIRST + 18)
#define TVM_SORTCHILDREN (TV_FIRST + 19)
#define TVM_ENSUREVISIBLE (TV_FIRST + 20)
#define TVM_SORTCHILDRENCB (TV_FIRST + 21)
#define TVM_ENDEDITLABELNOW (TV_FIRST + 22)
#define TVM_GETISEARCHSTRINGA (TV_FIRST + 23)
#define TVM_SETTOOLTIPS (TV_FIRST + 24)
#define TVM_GETTOOLTIPS (TV_FIRST + 25)
#define TVM_SETINSERTMARK (TV_FIRST + 26)
#define TVM_SETITEMHEIGHT (TV_FIRST + 27)
#define TVM_GETITEMHEIGHT (TV_FIRST + 28)
#define TVM_SETBKCOLOR (TV_FIRST + 29)
#define TVM_SETTEXTCOLOR (TV_FIRST + 30)
#define TVM_GETBKCOLOR (TV_FIRST + 31)
#define TVM_GETTEXTCOLOR (TV_FIRST + 32)
#define TVM_SETSCROLLTIME (TV_FIRST + 33)
#define TVM_GETSCROLLTIME (TV_FIRST + 34)
#define TVM_SETINSERTMARKCOLOR (TV_FIRST + 37)
#define TVM_GETINSERTMARKCOLOR (TV_FIRST + 38)
#define TVM_GETITEMSTATE (TV_FIRST + 39)
#define TVM_SETLINECOLOR (TV_FIRST + 40)
#define TVM_GETLINECOLOR (TV_FIRST + 41)
#define TVM_INSERTITEMW (TV_FIRST + 50)
#define TVM_GETITEMW (TV_FIRST + 62)
#define TVM_SETITEMW (TV_FIRST + 63)
#define TVM_GETISEARCHSTRINGW (TV_FIRST + 64)
#define TVM_EDITLABELW (TV_FIRST + 65)
#define TVM_SETUNICODEFORMAT CCM_SETUNICODEFORMAT
#define TVM_GETUNICODEFORMAT CCM_GETUNICODEFORMAT
#define TVM_INSERTITEM TVM_INSERTITEMA
#define TVM_GETITEM TVM_GETITEMA
#define TVM_SETITEM TVM_SETITEMA
#define TVM_EDITLABEL TVM_EDITLABELA
#define TVM_GETISEARCHSTRING TVM_GETISEARCHSTRINGA

/* ---- tree-view notifications ---- */
#define TVN_SELCHANGINGA (TVN_FIRST - 1)
#define TVN_SELCHANGEDA (TVN_FIRST - 2)
#define TVN_GETDISPINFOA (TVN_FIRST - 3)
#define TVN_SETDISPINFOA (TVN_FIRST - 4)
#define TVN_ITEMEXPANDINGA (TVN_FIRST - 5)
#define TVN_ITEMEXPANDEDA (TVN_FIRST - 6)
#define TVN_BEGINDRAGA (TVN_FIRST - 7)
#define TVN_BEGINRDRAGA (TVN_FIRST - 8)
#define TVN_DELETEITEMA (TVN_FIRST - 9)
#define TVN_BEGINLABELEDITA (TVN_FIRST - 10)
#define TVN_ENDLABELEDITA (TVN_FIRST - 11)
#define TVN_KEYDOWN (TVN_FIRST - 12)
#define TVN_GETINFOTIPA (TVN_FIRST - 13)
#define TVN_GETINFOTIPW (TVN_FIRST - 14)
#define TVN_SINGLEEXPAND (TVN_FIRST - 15)
#define TVN_SELCHANGINGW (TVN_FIRST - 50)
#define TVN_SELCHANGEDW (TVN_FIRST - 51)
#define TVN_GETDISPINFOW (TVN_FIRST - 52)
#define TVN_SETDISPINFOW (TVN_FIRST - 53)
#define TVN_ITEMEXPANDINGW (TVN_FIRST - 54)
#define TVN_ITEMEXPANDEDW (TVN_FIRST - 55)
#define TVN_BEGINDRAGW (TVN_FIRST - 56)
#define TVN_BEGINRDRAGW (TVN_FIRST - 57)
#define TVN_DELETEITEMW (TVN_FIRST - 58)
#define TVN_BEGINLABELEDITW (TVN_FIRST - 59)
#define TVN_ENDLABELEDITW (TVN_FIRST - 60)
#define TVN_SELCHANGING TVN_SELCHANGINGA
#define TVN_SELCHANGED TVN_SELCHANGEDA
#define TVN_GETDISPINFO TVN_GETDISPINFOA
#define TVN_SETDISPINFO TVN_SETDISPINFOA
#define TVN_ITEMEXPANDING TVN_ITEMEXPANDINGA
#define TVN_ITEMEXPANDED TVN_ITEMEXPANDEDA
#define TVN_BEGINDRAG TVN_BEGINDRAGA
#define TVN_BEGINRDRAG TVN_BEGINRDRAGA
#define TVN_DELETEITEM TVN_DELETEITEMA
#define TVN_BEGINLABELEDIT TVN_BEGINLABELEDITA
#define TVN_ENDLABELEDIT TVN_ENDLABELEDITA
#define TVN_GETINFOTIP TVN_GETINFOTIPA

/* ---- styles ---- */
#define TVS_HASBUTTONS 0x0001
#define TVS_HASLINES 0x0002
#define TVS_LINESATROOT 0x0004
#define TVS_EDITLABELS 0x0008
#define TVS_DISABLEDRAGDROP 0x0010
#define TVS_SHOWSELALWAYS 0x0020
#define TVS_RTLREADING 0x0040
#define TVS_NOTOOLTIPS 0x0080
#define TVS_CHECKBOXES 0x0100
#define TVS_TRACKSELECT 0x0200
#define TVS_SINGLEEXPAND 0x0400
#define TVS_INFOTIP 0x0800
#define TVS_FULLROWSELECT 0x1000
#define TVS_NOSCROLL 0x2000
#define TVS_NONEVENHEIGHT 0x4000
#define TVS_NOHSCROLL 0x8000

/* ---- item masks ---- */
#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040
#define TVIF_INTEGRAL 0x0080
#define TVIF_STATEEX 0x0100
#define TVIF_EXPANDEDIMAGE 0x0200
#define TVIF_DI_SETITEM 0x1000

/* ---- item states ---- */
#define TVIS_FOCUSED 0x0001
#define TVIS_SELECTED 0x0002
#define TVIS_CUT 0x0004
#define TVIS_DROPHILITED 0x0008
#define TVIS_BOLD 0x0010
#define TVIS_EXPANDED 0x0020
#define TVIS_EXPANDEDONCE 0x0040
#define TVIS_EXPANDPARTIAL 0x0080
#define TVIS_OVERLAYMASK 0x0F00
#define TVIS_STATEIMAGEMASK 0xF000
#define TVIS_USERMASK 0xF000
#define INDEXTOSTATEIMAGEMASK(i) ((i) << 12)

/* ---- callbacks and special values ---- */
#define LPSTR_TEXTCALLBACKA ((LPSTR)(LONG_PTR)-1)
#define LPSTR_TEXTCALLBACK LPSTR_TEXTCALLBACKA
#define I_IMAGECALLBACK (-1)
#define I_IMAGENONE (-2)
#define I_CHILDRENCALLBACK (-1)

/* ---- TVM_GETNEXTITEM / TVM_SELECTITEM codes ---- */
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_FIRSTVISIBLE 0x0005
#define TVGN_NEXTVISIBLE 0x0006
#define TVGN_PREVIOUSVISIBLE 0x0007
#define TVGN_DROPHILITE 0x0008
#define TVGN_CARET 0x0009
#define TVGN_LASTVISIBLE 0x000A
#define TVSI_NOSINGLEEXPAND 0x8000

/* ---- TVM_EXPAND actions ---- */
#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVE_EXPANDPARTIAL 0x4000
#define TVE_COLLAPSERESET 0x8000

/* ---- selection causes (NMTREEVIEW.action) ---- */
#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002

/* ---- image list kinds ---- */
#define TVSIL_NORMAL 0
#define TVSIL_STATE 2

/* ---- hit-test results ---- */
#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMICON 0x0002
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEMINDENT 0x0008
#define TVHT_ONITEMBUTTON 0x0010
#define TVHT_ONITEMRIGHT 0x0020
#define TVHT_ONITEMSTATEICON 0x0040
#define TVHT_ONITEM (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)
#define TVHT_ABOVE 0x0100
#define TVHT_BELOW 0x0200
#define TVHT_TORIGHT 0x0400
#define TVHT_TOLEFT 0x0800

/* ---- tree items ---- */
struct _TREEITEM;
typedef struct _TREEITEM* HTREEITEM;

#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(ULONG_PTR)-0x0FFFD)

typedef struct tagTVITEMA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
} TVITEMA, *LPTVITEMA, TVITEM, *LPTVITEM, TV_ITEMA, TV_ITEM;

typedef struct tagTVITEMEXA {
    UINT mask;
    HTREEITEM hItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    int iSelectedImage;
    int cChildren;
    LPARAM lParam;
    int iIntegral;
    UINT uStateEx;
    HWND hwnd;
    int iExpandedImage;
    int iReserved;
} TVITEMEXA, *LPTVITEMEXA, TVITEMEX, *LPTVITEMEX;

typedef struct tagTVINSERTSTRUCTA {
    HTREEITEM hParent;
    HTREEITEM hInsertAfter;
    union {
        TVITEMEXA itemex;
        TVITEMA item;
    };
} TVINSERTSTRUCTA, *LPTVINSERTSTRUCTA, TVINSERTSTRUCT, *LPTVINSERTSTRUCT, TV_INSERTSTRUCTA, TV_INSERTSTRUCT;

typedef struct tagNMTREEVIEWA {
    NMHDR hdr;
    UINT action;
    TVITEMA itemOld;
    TVITEMA itemNew;
    POINT ptDrag;
} NMTREEVIEWA, *LPNMTREEVIEWA, NMTREEVIEW, *LPNMTREEVIEW, NM_TREEVIEWA, NM_TREEVIEW;

typedef struct tagTVDISPINFOA {
    NMHDR hdr;
    TVITEMA item;
} NMTVDISPINFOA, *LPNMTVDISPINFOA, NMTVDISPINFO, *LPNMTVDISPINFO, TV_DISPINFOA, TV_DISPINFO;

typedef struct tagTVDISPINFOEXA {
    NMHDR hdr;
    TVITEMEXA item;
} NMTVDISPINFOEXA, *LPNMTVDISPINFOEXA, NMTVDISPINFOEX, *LPNMTVDISPINFOEX;

typedef struct tagTVHITTESTINFO {
    POINT pt;
    UINT flags;
    HTREEITEM hItem;
} TVHITTESTINFO, *LPTVHITTESTINFO, TV_HITTESTINFO;

#pragma pack(push, 1)
typedef struct tagTVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
} NMTVKEYDOWN, *LPNMTVKEYDOWN, TV_KEYDOWN;
#pragma pack(pop)

typedef int(CALLBACK* PFNTVCOMPARE)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);

typedef struct tagTVSORTCB {
    HTREEITEM hParent;
    PFNTVCOMPARE lpfnCompare;
    LPARAM lParam;
} TVSORTCB, *LPTVSORTCB, TV_SORTCB;

/* ---- mouse notifications with a position (list-type controls) ---- */
typedef struct tagNMMOUSE {
    NMHDR hdr;
    DWORD_PTR dwItemSpec;
    DWORD_PTR dwItemData;
    POINT pt;
    LPARAM dwHitInfo;
} NMMOUSE, *LPNMMOUSE, NMCLICK, *LPNMCLICK;

/* ---- custom draw ---- */
#ifndef CDRF_DODEFAULT
#define CDRF_DODEFAULT 0x00000000
#define CDRF_NEWFONT 0x00000002
#define CDRF_SKIPDEFAULT 0x00000004
#define CDRF_DOERASE 0x00000008
#define CDRF_NOTIFYPOSTPAINT 0x00000010
#define CDRF_NOTIFYITEMDRAW 0x00000020
#define CDRF_NOTIFYSUBITEMDRAW 0x00000020
#define CDRF_NOTIFYPOSTERASE 0x00000040
#define CDRF_NOTIFYITEMERASE 0x00000080
#define CDRF_SKIPPOSTPAINT 0x00000100

#define CDDS_PREPAINT 0x00000001
#define CDDS_POSTPAINT 0x00000002
#define CDDS_PREERASE 0x00000003
#define CDDS_POSTERASE 0x00000004
#define CDDS_ITEM 0x00010000
#define CDDS_ITEMPREPAINT (CDDS_ITEM | CDDS_PREPAINT)
#define CDDS_ITEMPOSTPAINT (CDDS_ITEM | CDDS_POSTPAINT)
#define CDDS_ITEMPREERASE (CDDS_ITEM | CDDS_PREERASE)
#define CDDS_ITEMPOSTERASE (CDDS_ITEM | CDDS_POSTERASE)
#define CDDS_SUBITEM 0x00020000

#define CDIS_SELECTED 0x0001
#define CDIS_GRAYED 0x0002
#define CDIS_DISABLED 0x0004
#define CDIS_CHECKED 0x0008
#define CDIS_FOCUS 0x0010
#define CDIS_DEFAULT 0x0020
#define CDIS_HOT 0x0040
#define CDIS_MARKED 0x0080
#define CDIS_INDETERMINATE 0x0100
#define CDIS_SHOWKEYBOARDCUES 0x0200

typedef struct tagNMCUSTOMDRAWINFO {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    DWORD_PTR dwItemSpec;
    UINT uItemState;
    LPARAM lItemlParam;
} NMCUSTOMDRAW, *LPNMCUSTOMDRAW;
#endif

#define TVCDRF_NOIMAGES 0x00010000

typedef struct tagNMTVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iLevel;
} NMTVCUSTOMDRAW, *LPNMTVCUSTOMDRAW;

/* ---- helpers (the SDK's TreeView_* forms, as inline functions) ---- */
#define TV_SEND_(hwnd, msg, w, l) SendMessageA((hwnd), (msg), (WPARAM)(w), (LPARAM)(l))
static inline HTREEITEM TreeView_InsertItem(HWND hwnd, const TVINSERTSTRUCTA* lpis) {
    return (HTREEITEM)TV_SEND_(hwnd, TVM_INSERTITEMA, 0, lpis);
}
static inline BOOL TreeView_DeleteItem(HWND hwnd, HTREEITEM hitem) {
    return (BOOL)TV_SEND_(hwnd, TVM_DELETEITEM, 0, hitem);
}
static inline BOOL TreeView_DeleteAllItems(HWND hwnd) {
    return (BOOL)TV_SEND_(hwnd, TVM_DELETEITEM, 0, TVI_ROOT);
}
static inline BOOL TreeView_Expand(HWND hwnd, HTREEITEM hitem, UINT code) {
    return (BOOL)TV_SEND_(hwnd, TVM_EXPAND, code, hitem);
}
static inline UINT TreeView_GetCount(HWND hwnd) {
    return (UINT)TV_SEND_(hwnd, TVM_GETCOUNT, 0, 0);
}
static inline UINT TreeView_GetIndent(HWND hwnd) {
    return (UINT)TV_SEND_(hwnd, TVM_GETINDENT, 0, 0);
}
static inline BOOL TreeView_SetIndent(HWND hwnd, int indent) {
    return (BOOL)TV_SEND_(hwnd, TVM_SETINDENT, indent, 0);
}
static inline HIMAGELIST TreeView_GetImageList(HWND hwnd, int which) {
    return (HIMAGELIST)TV_SEND_(hwnd, TVM_GETIMAGELIST, which, 0);
}
static inline HIMAGELIST TreeView_SetImageList(HWND hwnd, HIMAGELIST himl, int which) {
    return (HIMAGELIST)TV_SEND_(hwnd, TVM_SETIMAGELIST, which, himl);
}
static inline HTREEITEM TreeView_GetNextItem(HWND hwnd, HTREEITEM hitem, UINT code) {
    return (HTREEITEM)TV_SEND_(hwnd, TVM_GETNEXTITEM, code, hitem);
}
static inline HTREEITEM TreeView_GetChild(HWND hwnd, HTREEITEM h) {
    return TreeView_GetNextItem(hwnd, h, TVGN_CHILD);
}
static inline HTREEITEM TreeView_GetNextSibling(HWND hwnd, HTREEITEM h) {
    return TreeView_GetNextItem(hwnd, h, TVGN_NEXT);
}
static inline HTREEITEM TreeView_GetPrevSibling(HWND hwnd, HTREEITEM h) {
    return TreeView_GetNextItem(hwnd, h, TVGN_PREVIOUS);
}
static inline HTREEITEM TreeView_GetParent(HWND hwnd, HTREEITEM h) {
    return TreeView_GetNextItem(hwnd, h, TVGN_PARENT);
}
static inline HTREEITEM TreeView_GetFirstVisible(HWND hwnd) {
    return TreeView_GetNextItem(hwnd, NULL, TVGN_FIRSTVISIBLE);
}
static inline HTREEITEM TreeView_GetNextVisible(HWND hwnd, HTREEITEM h) {
    return TreeView_GetNextItem(hwnd, h, TVGN_NEXTVISIBLE);
}
static inline HTREEITEM TreeView_GetPrevVisible(HWND hwnd, HTREEITEM h) {
    return TreeView_GetNextItem(hwnd, h, TVGN_PREVIOUSVISIBLE);
}
static inline HTREEITEM TreeView_GetSelection(HWND hwnd) {
    return TreeView_GetNextItem(hwnd, NULL, TVGN_CARET);
}
static inline HTREEITEM TreeView_GetDropHilight(HWND hwnd) {
    return TreeView_GetNextItem(hwnd, NULL, TVGN_DROPHILITE);
}
static inline HTREEITEM TreeView_GetRoot(HWND hwnd) {
    return TreeView_GetNextItem(hwnd, NULL, TVGN_ROOT);
}
static inline HTREEITEM TreeView_GetLastVisible(HWND hwnd) {
    return TreeView_GetNextItem(hwnd, NULL, TVGN_LASTVISIBLE);
}
static inline BOOL TreeView_Select(HWND hwnd, HTREEITEM hitem, UINT code) {
    return (BOOL)TV_SEND_(hwnd, TVM_SELECTITEM, code, hitem);
}
static inline BOOL TreeView_SelectItem(HWND hwnd, HTREEITEM h) {
    return TreeView_Select(hwnd, h, TVGN_CARET);
}
static inline BOOL TreeView_SelectDropTarget(HWND hwnd, HTREEITEM h) {
    return TreeView_Select(hwnd, h, TVGN_DROPHILITE);
}
static inline BOOL TreeView_SelectSetFirstVisible(HWND hwnd, HTREEITEM h) {
    return TreeView_Select(hwnd, h, TVGN_FIRSTVISIBLE);
}
static inline BOOL TreeView_GetItem(HWND hwnd, TVITEMA* pitem) {
    return (BOOL)TV_SEND_(hwnd, TVM_GETITEMA, 0, pitem);
}
static inline BOOL TreeView_SetItem(HWND hwnd, const TVITEMA* pitem) {
    return (BOOL)TV_SEND_(hwnd, TVM_SETITEMA, 0, pitem);
}
static inline UINT TreeView_GetItemState(HWND hwnd, HTREEITEM hti, UINT mask) {
    return (UINT)TV_SEND_(hwnd, TVM_GETITEMSTATE, hti, mask);
}
static inline HWND TreeView_EditLabel(HWND hwnd, HTREEITEM hitem) {
    return (HWND)TV_SEND_(hwnd, TVM_EDITLABELA, 0, hitem);
}
static inline HWND TreeView_GetEditControl(HWND hwnd) {
    return (HWND)TV_SEND_(hwnd, TVM_GETEDITCONTROL, 0, 0);
}
static inline BOOL TreeView_EndEditLabelNow(HWND hwnd, BOOL fCancel) {
    return (BOOL)TV_SEND_(hwnd, TVM_ENDEDITLABELNOW, fCancel, 0);
}
static inline UINT TreeView_GetVisibleCount(HWND hwnd) {
    return (UINT)TV_SEND_(hwnd, TVM_GETVISIBLECOUNT, 0, 0);
}
static inline HTREEITEM TreeView_HitTest(HWND hwnd, LPTVHITTESTINFO lpht) {
    return (HTREEITEM)TV_SEND_(hwnd, TVM_HITTEST, 0, lpht);
}
static inline HIMAGELIST TreeView_CreateDragImage(HWND hwnd, HTREEITEM hitem) {
    return (HIMAGELIST)TV_SEND_(hwnd, TVM_CREATEDRAGIMAGE, 0, hitem);
}
static inline BOOL TreeView_SortChildren(HWND hwnd, HTREEITEM hitem, BOOL recurse) {
    return (BOOL)TV_SEND_(hwnd, TVM_SORTCHILDREN, recurse, hitem);
}
static inline BOOL TreeView_SortChildrenCB(HWND hwnd, const TVSORTCB* psort, BOOL recurse) {
    return (BOOL)TV_SEND_(hwnd, TVM_SORTCHILDRENCB, recurse, psort);
}
static inline BOOL TreeView_EnsureVisible(HWND hwnd, HTREEITEM hitem) {
    return (BOOL)TV_SEND_(hwnd, TVM_ENSUREVISIBLE, 0, hitem);
}
static inline BOOL TreeView_SetInsertMark(HWND hwnd, HTREEITEM hitem, BOOL fAfter) {
    return (BOOL)TV_SEND_(hwnd, TVM_SETINSERTMARK, fAfter, hitem);
}
static inline int TreeView_SetItemHeight(HWND hwnd, int height) {
    return (int)TV_SEND_(hwnd, TVM_SETITEMHEIGHT, height, 0);
}
static inline int TreeView_GetItemHeight(HWND hwnd) {
    return (int)TV_SEND_(hwnd, TVM_GETITEMHEIGHT, 0, 0);
}
static inline COLORREF TreeView_SetBkColor(HWND hwnd, COLORREF clr) {
    return (COLORREF)TV_SEND_(hwnd, TVM_SETBKCOLOR, 0, clr);
}
static inline COLORREF TreeView_GetBkColor(HWND hwnd) {
    return (COLORREF)TV_SEND_(hwnd, TVM_GETBKCOLOR, 0, 0);
}
static inline COLORREF TreeView_SetTextColor(HWND hwnd, COLORREF clr) {
    return (COLORREF)TV_SEND_(hwnd, TVM_SETTEXTCOLOR, 0, clr);
}
static inline COLORREF TreeView_GetTextColor(HWND hwnd) {
    return (COLORREF)TV_SEND_(hwnd, TVM_GETTEXTCOLOR, 0, 0);
}
static inline COLORREF TreeView_SetInsertMarkColor(HWND hwnd, COLORREF clr) {
    return (COLORREF)TV_SEND_(hwnd, TVM_SETINSERTMARKCOLOR, 0, clr);
}
static inline COLORREF TreeView_GetInsertMarkColor(HWND hwnd) {
    return (COLORREF)TV_SEND_(hwnd, TVM_GETINSERTMARKCOLOR, 0, 0);
}
static inline COLORREF TreeView_SetLineColor(HWND hwnd, COLORREF clr) {
    return (COLORREF)TV_SEND_(hwnd, TVM_SETLINECOLOR, 0, clr);
}
static inline COLORREF TreeView_GetLineColor(HWND hwnd) {
    return (COLORREF)TV_SEND_(hwnd, TVM_GETLINECOLOR, 0, 0);
}

/* TVM_GETITEMRECT takes the item handle in the first bytes of the RECT it fills. */
static inline BOOL TreeView_GetItemRect(HWND hwnd, HTREEITEM hitem, RECT* prc, BOOL fItemRect) {
    if (!prc) return FALSE;
    memcpy(prc, &hitem, sizeof hitem);
    return (BOOL)SendMessageA(hwnd, TVM_GETITEMRECT, (WPARAM)fItemRect, (LPARAM)prc);
}

static inline BOOL TreeView_SetItemState(HWND hwnd, HTREEITEM hti, UINT state, UINT mask) {
    TVITEMA item;
    memset(&item, 0, sizeof item);
    item.mask = TVIF_STATE;
    item.hItem = hti;
    item.state = state;
    item.stateMask = mask;
    return (BOOL)SendMessageA(hwnd, TVM_SETITEMA, 0, (LPARAM)&item);
}

WIN_END_C

#endif

/* What a host reads of the shelf, beside the messages it receives (tavrin/host_messages.h): the items
 * of the shelf with their kind, label, book number and book handle, walked through their handles
 * (CTavrinCtrl::GetShelfRoot, GetItemInfo); the text of a book's pages (GetPageText); how the last
 * drag of an item ended (GetLastDrop). The records are the host's: the control fills them and keeps
 * nothing of them.
 *
 * Texts are 8-bit and zero-terminated. A book's texts (its label, its contents entries, its pages) are
 * in the book's code page (CTavrinCtrl::GetBookCodePage, and ShelfItemInfo.uCodePage); the shelf's own
 * texts (catalog names) in the active code page. A host converts them for display.
 *
 * This header compiles as C (C11) and as C++. */
#ifndef TAVRIN_SHELF_VIEW_H
#define TAVRIN_SHELF_VIEW_H

#include "win/treeview.h"
#include "win/types.h"

/* ---- items ---- */

/* ShelfItemInfo.dwKind. */
#define SHELF_ITEM_ROOT 0       /* the one item at the top */
#define SHELF_ITEM_DICTIONARY 1 /* a dictionary (a book the dictionary library serves) */
#define SHELF_ITEM_BOOK 2       /* a book or an HTML e-book */
#define SHELF_ITEM_CHAPTER 3    /* a contents entry with sub-entries */
#define SHELF_ITEM_PAGE 4       /* a contents entry without sub-entries */
#define SHELF_ITEM_CATALOG 5    /* a system, online or user catalog */

/* ShelfItemInfo.dwFlags bits: what the user may do with the item. */
#define SHELF_ITEM_NODELETE 0x01   /* "Delete" is disabled */
#define SHELF_ITEM_BUILTIN 0x02    /* supplied by the system, not made by the user */
#define SHELF_ITEM_NORENAME 0x04   /* the label may not be edited */
#define SHELF_ITEM_NODROP 0x08     /* nothing may be dropped on it */
#define SHELF_ITEM_CANADDBOOK 0x20 /* books may be registered into it */
#define SHELF_ITEM_CANNEWCATA 0x40 /* new catalogs may be made under it */

/* ShelfItemInfo.crText and crBack when the item has no colour of its own. */
#define SHELF_DEFAULT_COLOR 0xFFFFFFFFu
/* A book handle or page that is not there. */
#define SHELF_NO_BOOK 0xFFFFFFFFu
#define SHELF_NO_PAGE (-1)

#define SHELF_NAME_SIZE 260 /* labels and keys, with their zero */
#define SHELF_PATH_SIZE 260 /* paths and registry keys, with their zero */

/* One item of the shelf, filled by CTavrinCtrl::GetItemInfo. The handles stay valid until the item
 * is deleted (a book removed, a catalog deleted or moved: a moved item gets a new handle). */
typedef struct ShelfItemInfo {
    HTREEITEM hItem;        /* the item */
    const void* pItemId;    /* the item's identity: the same for as long as the item is on the shelf, also
                               when it moves (and its handle changes); never that of another item then */
    HTREEITEM hParent;      /* its parent; null for the root */
    HTREEITEM hFirstChild;  /* its first child; null when it has none built (a book's contents are built
                               when it is opened: see bHasChildren) */
    HTREEITEM hNextSibling; /* the next item of the same parent; null for the last */
    int bHasChildren;       /* nonzero when it has children or will have them when opened */
    DWORD dwKind;           /* SHELF_ITEM_ROOT ... SHELF_ITEM_CATALOG */
    DWORD dwFlags;          /* SHELF_ITEM_NODELETE ... bits */
    DWORD dwBookHandle; /* books, dictionaries and contents entries: the book's handle; else SHELF_NO_BOOK */
    LONG nPage;         /* contents entries: the page the driver gives for the entry (negative or
                           65535: none); else SHELF_NO_PAGE */
    UINT uCodePage;     /* the code page of szName and szKey: the book's for books, dictionaries and
                           contents entries, the active code page for the root and catalogs */
    COLORREF crText;    /* the item's own text colour, or SHELF_DEFAULT_COLOR */
    COLORREF crBack;    /* the item's own back colour, or SHELF_DEFAULT_COLOR */
    int iImage;         /* the item's image in the shelf's image list */
    char szName[SHELF_NAME_SIZE];    /* the label as the shelf shows it */
    char szKey[SHELF_NAME_SIZE];     /* books and dictionaries: the book number; user catalogs: the
                                        catalog's name key; else empty */
    char szCataKey[SHELF_NAME_SIZE]; /* catalogs and the root: the catalog key ("ID"); else empty */
    char szRegKey[SHELF_PATH_SIZE];  /* books and dictionaries: the registry key the book was found
                                        under; else empty */
} ShelfItemInfo;

/* ---- page text (CTavrinCtrl::GetPageText) ---- */

#define SHELF_PAGE_OK 1          /* the text was read */
#define SHELF_PAGE_NO_BOOK 0     /* the item is no book, dictionary or contents entry of the shelf */
#define SHELF_PAGE_NO_PAGES (-1) /* the book's driver serves no pages */
#define SHELF_PAGE_NO_SUCH (-2)  /* the page is not in the book (GetBookPageCount tells how many are) */
/* the driver gives a size for the page that cannot be read (0, negative, over SHELF_PAGE_LARGEST) */
#define SHELF_PAGE_BAD_SIZE (-3)
#define SHELF_PAGE_NO_MEMORY (-4) /* no memory for the page */

#define SHELF_PAGE_LARGEST (64 * 1024 * 1024) /* the largest page the shelf reads, in bytes */

/* ---- moving items with the mouse ---- */

/* How the last drag of an item ended (CTavrinCtrl::GetLastDrop). */
#define SHELF_DROP_NONE 0         /* no drag has ended yet */
#define SHELF_DROP_MOVED 1        /* the dragged item moved to its new place */
#define SHELF_DROP_NO_TARGET 2    /* released where there is no item */
#define SHELF_DROP_NO_DROP 3      /* the item under the mouse takes no dropped item (a beep) */
#define SHELF_DROP_ONTO_ITSELF 4  /* onto the dragged item itself or one of its own descendants */
#define SHELF_DROP_OTHER_PARENT 5 /* a catalog onto a catalog of another parent */
#define SHELF_DROP_ONTO_BOOK 6    /* onto a book of another kind */
#define SHELF_DROP_ITEM_GONE 7    /* the dragged item or the target left the shelf during the drag */
#define SHELF_DROP_CANCELLED 8    /* Escape, the capture lost, or the shelf destroyed */

/* While an item is dragged beyond the shelf's top or bottom edge, the shelf scrolls one row every
 * SHELF_SCROLL_INTERVAL milliseconds (a timer on the shelf's tree window). */
#define SHELF_SCROLL_INTERVAL 50

/* ---- the shelf's own texts ---- */

/* The module that holds the shelf's string table (GetModuleHandleA, LoadStringA). */
#define SHELF_MODULE_NAME "Tavrin.DLL"
/* The string the shelf shows when a book the user registers is on the shelf already. */
#define SHELF_IDS_BOOK_ALREADY_ADDED 6

#endif /* TAVRIN_SHELF_VIEW_H */

/* Messages between the shelf control and its host window, and the records that travel with them.
 *
 * The host window is the control's parent window. The control sends (SendMessage: it waits, the
 * result is not used) WM_SHELF_NOTIFY and WM_SHELF_DROPTEXT, and posts (PostMessage: queued, the
 * control does not wait) WM_SHELF_BOOKCLOSED. A record that a sent message points to lives on the
 * control's stack: it is valid only until the send returns, so the host copies what it keeps.
 *
 * Another program (or the host) hands the control a book file with the registered window message
 * KSM_ADD_BOOK_NAME, lParam pointing to the zero-terminated path.
 *
 * This header compiles as C (C11) and as C++. */
#ifndef TAVRIN_HOST_MESSAGES_H
#define TAVRIN_HOST_MESSAGES_H

#include "win/types.h"
#include "win/winuser.h"

#include <stddef.h>

#if defined(__cplusplus)
#define TAVRIN_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define TAVRIN_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif

/* ---- messages to the host window ---- */

/* wParam: one of the SHELF_NOTIFY_* cases; lParam: as the case says. Sent. */
#define WM_SHELF_NOTIFY (WM_USER + 1000)
/* wParam: 0; lParam: DropTextInfo* (text dropped on a book or dictionary). Sent. */
#define WM_SHELF_DROPTEXT (WM_USER + 1001)
/* wParam: 0; lParam: the book handle of a book the shelf has closed. Posted: when the host sees it,
 * the handle is already invalid. */
#define WM_SHELF_BOOKCLOSED (WM_USER + 1002)

/* WM_SHELF_NOTIFY cases (wParam). */
#define SHELF_NOTIFY_BOOK 1  /* a book or dictionary was clicked or selected; lParam: its book handle */
#define SHELF_NOTIFY_PAGE 2  /* a contents entry was clicked or selected; lParam: PageInfo* */
#define SHELF_NOTIFY_TRUNK 3 /* a linked catalog was clicked or selected; lParam: TrunkInfo* */
#define SHELF_NOTIFY_CATALOG_DESC 4 /* an online catalog with a description; lParam: CatalogDescInfo* */

/* Name of the registered message that hands the control a book file (lParam: const char* path). */
#define KSM_ADD_BOOK_NAME "KSM_ADD_BOOK"

/* ---- records ---- */

/* A place in a book: three 32-bit fields. Sent with SHELF_NOTIFY_PAGE and passed by value to
 * CTavrinCtrl::SetLocation. */
typedef struct PageInfo {
    DWORD dwBookHandle; /* the book's handle */
    HMODULE hDriver;    /* the book's driver module (32-bit module handle); filled in notifications,
                           not read by SetLocation */
    LONG nPage;         /* the page as the book's driver counts it */
} PageInfo;

/* TrunkInfo.dwType values. */
#define TRUNK_TYPE_RESOURCE_LINK 1 /* szTrunk holds a system catalog's "RID" link */
#define TRUNK_TYPE_TRUNK 2         /* a trunk found by GetTrunkInfo, or a user catalog (szTrunk = its key) */

#define TRUNK_TEXT_SIZE 260

/* A named branch of the shelf, 528 bytes. Filled by GetTrunkInfo and read by SetLocation (the host
 * owns the memory there) and sent with SHELF_NOTIFY_TRUNK. */
typedef struct TrunkInfo {
    DWORD dwType;                     /* offset 0: TRUNK_TYPE_* */
    DWORD dwShelfHandle;              /* offset 4: the system catalog's book handle */
    char szTrunk[TRUNK_TEXT_SIZE];    /* offset 8: "RID" value, user catalog key or trunk name */
    char szCataName[TRUNK_TEXT_SIZE]; /* offset 268: display name of the catalog */
} TrunkInfo;

#define CATALOG_DESC_KEY_SIZE 33
#define CATALOG_DESC_URL_SIZE 260

/* An online catalog's description, 293 bytes with no padding. Sent with SHELF_NOTIFY_CATALOG_DESC. */
#pragma pack(push, 1)
typedef struct CatalogDescInfo {
    char szCataKey[CATALOG_DESC_KEY_SIZE]; /* offset 0: the catalog's key, at most 32 characters */
    char szDescURL[CATALOG_DESC_URL_SIZE]; /* offset 33: the description file's address */
} CatalogDescInfo;
#pragma pack(pop)

/* Text dropped on a book, sent with WM_SHELF_DROPTEXT. The book handle is 32 bits like every book
 * handle; the text is a real pointer and so pointer-sized on this 64-bit platform (the record is 16
 * bytes: 4 bytes of padding follow the handle). The text is 8-bit and zero-terminated and, like the
 * record, valid only until the send returns. */
typedef struct DropTextInfo {
    DWORD dwBookHandle; /* the book or dictionary the text was dropped on */
    LPCSTR pszText;     /* the dropped text */
} DropTextInfo;

/* One page that holds the searched text, handed to the host's SearchCallback. Four fields; the three
 * texts are real pointers (pointer-sized on this 64-bit platform) into the control's buffers and are
 * valid only during the callback. */
typedef struct SearchHit {
    LPCSTR pszBookName;   /* the book's name as its driver gives it, at most 255 characters */
    LPCSTR pszBookNumber; /* the book number, at most 255 characters */
    LONG nPage;           /* the page that holds the text, counted from 0 */
    LPCSTR pszEntryText;  /* the contents entry that holds the page; empty without contents */
} SearchHit;

/* The host's search callback: nonzero to go on, 0 to stop the whole search. It must not start
 * another search. */
typedef int (*SearchCallback)(DWORD dwBookHandle, const SearchHit* pHit);

/* The layouts are part of the interface with the host. */
TAVRIN_STATIC_ASSERT(WM_SHELF_NOTIFY == 2024, "WM_SHELF_NOTIFY is WM_USER + 1000");
TAVRIN_STATIC_ASSERT(WM_SHELF_BOOKCLOSED == 2026, "WM_SHELF_BOOKCLOSED is WM_USER + 1002");
TAVRIN_STATIC_ASSERT(sizeof(PageInfo) == 12, "PageInfo is three 32-bit fields");
TAVRIN_STATIC_ASSERT(offsetof(PageInfo, hDriver) == 4, "PageInfo.hDriver at 4");
TAVRIN_STATIC_ASSERT(offsetof(PageInfo, nPage) == 8, "PageInfo.nPage at 8");
TAVRIN_STATIC_ASSERT(sizeof(TrunkInfo) == 528, "TrunkInfo is 528 bytes");
TAVRIN_STATIC_ASSERT(offsetof(TrunkInfo, dwShelfHandle) == 4, "TrunkInfo.dwShelfHandle at 4");
TAVRIN_STATIC_ASSERT(offsetof(TrunkInfo, szTrunk) == 8, "TrunkInfo.szTrunk at 8");
TAVRIN_STATIC_ASSERT(offsetof(TrunkInfo, szCataName) == 268, "TrunkInfo.szCataName at 268");
TAVRIN_STATIC_ASSERT(sizeof(CatalogDescInfo) == 293, "CatalogDescInfo is 293 bytes");
TAVRIN_STATIC_ASSERT(offsetof(CatalogDescInfo, szDescURL) == 33, "CatalogDescInfo.szDescURL at 33");
TAVRIN_STATIC_ASSERT(offsetof(DropTextInfo, dwBookHandle) == 0, "DropTextInfo.dwBookHandle at 0");
TAVRIN_STATIC_ASSERT(offsetof(DropTextInfo, pszText) == sizeof(void*),
                     "DropTextInfo.pszText pointer-aligned");
TAVRIN_STATIC_ASSERT(sizeof(DropTextInfo) == 2 * sizeof(void*), "DropTextInfo is handle + pointer");

#endif /* TAVRIN_HOST_MESSAGES_H */

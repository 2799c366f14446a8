/* Book driver interface of the Tavrin shelf.
 *
 * A book driver is a shared library that reads one kind of book for the shelf. The shelf loads the
 * library, looks each entry point below up by its exact name and calls it; a name that the library does
 * not export leaves that slot empty, and the shelf tests every slot before calling it. A driver may
 * therefore leave out any entry point it has no use for (a dictionary driver needs no CBIShelf* calls,
 * a driver without a table of contents no CBIVP* calls). docs/drivers.md explains the whole life of a
 * book; this header is the reference for each call.
 *
 * Conventions that hold for every entry point:
 *   - Calls come from one thread, the host's user-interface thread, and never overlap: the shelf makes
 *     a whole sequence of calls to one driver before it calls another. A driver needs no locking.
 *   - A book handle (CBI_HBOOK) is the 32-bit value the driver returned from CBIOpenBook; it stays
 *     valid until CBICloseBook for it returns. A contents-item handle (CBI_HITEM) is a 32-bit value of
 *     the driver's choosing that names one entry of a book's table of contents; 0 always means "no
 *     entry". Both are opaque to the shelf.
 *   - Texts are 8-bit, zero-terminated, in the code page of the book (two-byte characters have a lead
 *     byte from 0x81 to 0xFE). Wherever the caller passes a buffer with a capacity, the capacity counts
 *     the terminating zero: the driver writes at most capacity - 1 text bytes and then a zero.
 *   - The caller owns every buffer and every output variable it passes; the driver writes into them
 *     only during the call and keeps no pointer to them. Paths passed in are likewise valid only during
 *     the call.
 *   - Results: where a call "succeeds" with a nonzero int, 0 means failure and the outputs are then
 *     not read. The exception is CBIOpenBook, whose 0 means success.
 *
 * This header compiles as C (C99 or later) and as C++. */
#ifndef TAVRIN_CBI_H
#define TAVRIN_CBI_H

#include <stdint.h>

#ifdef __cplusplus
#define CBI_EXTERN_C extern "C"
#define CBI_BEGIN_C extern "C" {
#define CBI_END_C }
#else
#define CBI_EXTERN_C
#define CBI_BEGIN_C
#define CBI_END_C
#endif

/* Put CBI_EXPORT in front of every entry point a driver defines, so that the shelf finds it by name
 * even when the driver is built with -fvisibility=hidden. */
#define CBI_EXPORT CBI_EXTERN_C __attribute__((visibility("default")))

/* ---- handles ---- */

typedef uint32_t CBI_HBOOK; /* book handle from CBIOpenBook */
typedef uint32_t CBI_HITEM; /* contents-item handle; 0 = none */

/* ---- caps record (CBIGetCaps) ---- */

#define CBI_CAPS_SIZE 88

/* Capability bits (CBICaps.wCaps). Bits not named here are reserved: set them to 0. */
#define CBI_CAP_CONTENTS 0x0080u           /* the book has a table of contents (CBIVP* calls) */
#define CBI_CAP_HIDE_CONTENTS_PAGE 0x0100u /* hide a first contents entry named "contents page" */
#define CBI_CAP_SHARED_HTML 0x0200u /* shared driver: stays loaded when the book closes; pages are HTML */

/* Book classes (CBICaps.wBookClass). */
#define CBI_CLASS_EBOOK 0x00FFu /* an e-book: shown as a book, never checked as a dictionary */
#define CBI_CLASS_BOOK 0x00FEu  /* a book that is not checked with the dictionary library either */
/* Any other class is a dictionary: the shelf keeps it only when the dictionary library accepts it
 * (see CBIDictAttr and dicCreateHDICT). */

/* The contents-page name: a first contents entry with exactly this text is hidden when the book sets
 * CBI_CAP_HIDE_CONTENTS_PAGE (the Big5 bytes of the three-character word for "contents page"). */
#define CBI_CONTENTS_PAGE_NAME "\xA5\xD8\xBF\xFD\xAD\xB6"

/* 88 bytes. The shelf zero-fills it before CBIGetCaps and reads only the first two fields. */
typedef struct CBICaps {
    uint16_t wCaps;      /* offset 0: CBI_CAP_* bits */
    uint16_t wBookClass; /* offset 2: CBI_CLASS_* or a dictionary class */
    uint8_t reserved[CBI_CAPS_SIZE - 4];
} CBICaps;

/* ---- dictionary attribute block (CBIDictAttr) ---- */

#define CBI_DICT_ATTR_SIZE 12

/* 12 bytes. Only bytes 4 and 5 are read: together with the class number (CBIDictClassNo) they form
 * the dictionary id that the dictionary library is asked about:
 *     id = classNo * 65536 + bIdHigh * 256 + bIdLow */
typedef struct CBIDictAttrBlock {
    uint8_t reserved0[4];
    uint8_t bIdLow;  /* offset 4 */
    uint8_t bIdHigh; /* offset 5 */
    uint8_t reserved6[6];
} CBIDictAttrBlock;

/* ---- shelf block (CBIShelfOpen) ---- */

/* Second output of CBIShelfOpen: 2 bytes that the shelf sets aside and never reads. */
typedef struct CBIShelfBlock {
    uint16_t wReserved;
} CBIShelfBlock;

/* Buffer sizes the shelf passes (each counts the terminating zero). */
#define CBI_NAME_CAPACITY 256       /* book names: CBIGetBkName gets 255, 256 or 260 */
#define CBI_BOOKNO_BUFFER 256       /* the zero-filled buffer that CBIExBookNo writes into */
#define CBI_ITEM_TEXT_CAPACITY 228  /* CBIVPGetItemText */
#define CBI_CLASS_NAME_SIZE 17      /* CBIShelfGetClassAttr: class name, at most 16 characters */
#define CBI_CLASS_KEY_SIZE 33       /* CBIShelfGetClassAttr: class key, at most 32 characters */
#define CBI_BOOK_ATTR_SIZE 36       /* CBIShelfGetBookAttr: attribute buffer (not read by the shelf) */
#define CBI_URL_SIZE 260            /* GetDescFileURLbyClassID */
#define CBI_ERROR_TEXT_CAPACITY 512 /* CBIGetErrorText as the shelf calls it */

/* "No page" values of CBIVPItemToPage: any negative page, and 65535. */
#define CBI_NO_PAGE (-1)
#define CBI_NO_PAGE_16 65535

/* The layouts above are part of the interface. */
#if defined(__cplusplus)
static_assert(sizeof(CBICaps) == CBI_CAPS_SIZE, "caps record is 88 bytes");
static_assert(sizeof(CBIDictAttrBlock) == CBI_DICT_ATTR_SIZE, "dictionary attribute block is 12 bytes");
static_assert(sizeof(CBIShelfBlock) == 2, "shelf block is 2 bytes");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(CBICaps) == CBI_CAPS_SIZE, "caps record is 88 bytes");
_Static_assert(sizeof(CBIDictAttrBlock) == CBI_DICT_ATTR_SIZE, "dictionary attribute block is 12 bytes");
_Static_assert(sizeof(CBIShelfBlock) == 2, "shelf block is 2 bytes");
#endif

CBI_BEGIN_C

/* ======================================================================================================
 * Books: opening, identity, caps.
 * ====================================================================================================== */

/* CBIOpenBook — opens a book file.
 * Called: whenever the shelf puts a book on the shelf (start-up, refresh, registration, user catalogs),
 *   when it looks for a driver that reads a file, and by the e-book shelf with the decimal book id
 *   instead of a path.
 * path: the book file's path (or, for a shared e-book driver, the book id written in decimal).
 * reserved: always 0.
 * book: receives the new book handle.
 * Result: 0 when the book was opened (*book is then valid until CBICloseBook); any other value is a
 *   failure and *book is not read. Each successful call is matched by exactly one CBICloseBook. */
CBI_EXPORT int CBIOpenBook(const char* path, uint32_t reserved, CBI_HBOOK* book);
typedef int (*PFN_CBIOpenBook)(const char* path, uint32_t reserved, CBI_HBOOK* book);

/* CBICloseBook — closes a book opened with CBIOpenBook.
 * Called: when the book's item leaves the shelf, when a registration is re-pointed, after a book was
 *   opened only to read its number or caps, and for the system catalog when the shelf is destroyed.
 *   Whether or not the driver has this entry point, the shelf releases the library load a book held
 *   when the book leaves the shelf; a driver without it simply never hears that its books closed.
 *   A shared e-book driver (caps bit CBI_CAP_SHARED_HTML) stays loaded as long as the shelf.
 * Result: none. The handle is invalid afterwards. */
CBI_EXPORT void CBICloseBook(CBI_HBOOK book);
typedef void (*PFN_CBICloseBook)(CBI_HBOOK book);

/* CBIGetCaps — fills the caps record of an open book.
 * Called: after each open, before closing (to see whether the driver is shared), on expanding a book,
 *   before searching it, and for the dictionary queries of the host.
 * caps: the caller's zero-filled 88-byte record (CBI_CAPS_SIZE); fill wCaps and wBookClass.
 * Result: nonzero when the record was filled; 0 = failure (the record is not read). */
CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps);
typedef int (*PFN_CBIGetCaps)(CBI_HBOOK book, CBICaps* caps);

/* CBIGetBkName — the book's display name in a language.
 * Called: when a book item is made (its label), when a search hit is reported, when a user catalog is
 *   read back.
 * locale: the host's language code (3 until the host sets another; the values are the host's and
 *   the driver's business: answer the closest name you have).
 * buffer, capacity: the caller's buffer; capacity is 255, 256 or 260. Write at most capacity - 1
 *   bytes and a terminating zero.
 * Result: the length of the name written (the shelf does not rely on it). */
CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int locale, char* buffer, int capacity);
typedef int (*PFN_CBIGetBkName)(CBI_HBOOK book, int locale, char* buffer, int capacity);

/* CBIExBookNoLength — length of the book's extended book number, in bytes, without a terminator.
 * Called: right before CBIExBookNo. The shelf uses the extended number only when the driver exports
 *   both CBIExBookNoLength and CBIExBookNo; otherwise it uses CBIBookSerial.
 * Result: the length (a number that does not fit the shelf's 256-byte buffer is refused). */
CBI_EXPORT int CBIExBookNoLength(CBI_HBOOK book);
typedef int (*PFN_CBIExBookNoLength)(CBI_HBOOK book);

/* CBIExBookNo — the book's extended book number: the text that identifies the book on the shelf, in
 *   the registry and to the host (compared without regard to letter case).
 * buffer: the caller's 256-byte buffer, zero-filled before the call.
 * length: what CBIExBookNoLength returned; write exactly that many bytes (no terminator is needed:
 *   the buffer is zero-filled and longer).
 * Result: nonzero on success (the shelf does not rely on it). */
CBI_EXPORT int CBIExBookNo(CBI_HBOOK book, char* buffer, int length);
typedef int (*PFN_CBIExBookNo)(CBI_HBOOK book, char* buffer, int length);

/* CBIBookSerial — the book's 32-bit serial; the book number is then the serial in lowercase
 *   hexadecimal without leading zeros ("2f" for 0x2F).
 * Called: in place of CBIExBookNo when the driver does not export the extended number.
 * serial: the caller's variable, set to 0 before the call; a driver that leaves it alone gives the
 *   book number "0".
 * Result: nonzero on success (the shelf does not rely on it). */
CBI_EXPORT int CBIBookSerial(CBI_HBOOK book, uint32_t* serial);
typedef int (*PFN_CBIBookSerial)(CBI_HBOOK book, uint32_t* serial);

/* CBICheckVersion — does this driver read this file?
 * Called: when the user registers a book file and the shelf looks for a driver: first the drivers of
 *   the books already on the shelf, then every "*.dll" in the host's folder and the driver folder.
 *   No book is open for this call.
 * path: the book file's path.
 * Result: nonzero when the driver reads the file. */
CBI_EXPORT int CBICheckVersion(const char* path);
typedef int (*PFN_CBICheckVersion)(const char* path);

/* ======================================================================================================
 * Pages.
 * ====================================================================================================== */

/* CBIGetPageCount — number of pages of the book; pages are numbered from 0.
 * Called: by the full-text search, again after every page.
 * Result: the count; 0 or less means the book has no pages. */
CBI_EXPORT int32_t CBIGetPageCount(CBI_HBOOK book);
typedef int32_t (*PFN_CBIGetPageCount)(CBI_HBOOK book);

/* CBIGetPageSize — size in bytes of one page as CBIGetPage delivers it (without any terminator).
 * Called: before each CBIGetPage; the caller allocates that many bytes (the search one more).
 * Result: the size; 0 for a page that does not exist. */
CBI_EXPORT int32_t CBIGetPageSize(CBI_HBOOK book, int32_t page);
typedef int32_t (*PFN_CBIGetPageSize)(CBI_HBOOK book, int32_t page);

/* CBIGetPage — the bytes of one page in the page markup (docs/drivers.md): 8-bit text, two-byte
 *   characters, and control sequences that start with 0xFF (0xFF 0x0A = line break, 0xFF 0x06 = end
 *   of a settings text).
 * buffer, size: the caller's buffer of `size` bytes (what CBIGetPageSize gave). Write at most `size`
 *   bytes.
 * Result: the number of bytes written. */
CBI_EXPORT int32_t CBIGetPage(CBI_HBOOK book, int32_t page, unsigned char* buffer, int32_t size);
typedef int32_t (*PFN_CBIGetPage)(CBI_HBOOK book, int32_t page, unsigned char* buffer, int32_t size);

/* CBIGetPages — optional: pages first, first + 1, ... read at once into one buffer, as many whole pages
 *   as fit, each as CBIGetPage would write it. A driver without this entry point is read page by page
 *   with CBIGetPageSize and CBIGetPage.
 * Called: by the full-text search, from the thread that runs it, for the pages of a book in order.
 * buffer, size: the caller's buffer of `size` bytes, which the caller owns; its start is aligned to 16
 *   bytes. The first page is written at 0, each page's bytes followed by a zero byte, and the next page
 *   at the first multiple of 16 bytes (from the buffer's start) after that zero; nothing is written
 *   past `size`. What lies between a page's zero and the next page is left undefined.
 * lengths, count: the caller's array of `count` entries; lengths[i] receives the length of page
 *   first + i as written (0 for a page that cannot be read or whose bytes are damaged, as CBIGetPage
 *   answers 0 for it).
 * Result: the number of pages written, at most `count` and the pages from `first` to the book's end;
 *   0 when not even page `first` fits (the caller then reads it with CBIGetPage) or for a bad handle
 *   or page. A driver may write fewer pages than would fit. */
CBI_EXPORT int32_t CBIGetPages(CBI_HBOOK book, int32_t first, unsigned char* buffer, int32_t size,
                               int32_t* lengths, int32_t count);
typedef int32_t (*PFN_CBIGetPages)(CBI_HBOOK book, int32_t first, unsigned char* buffer, int32_t size,
                                   int32_t* lengths, int32_t count);

/* ======================================================================================================
 * Table of contents ("VP" calls). The contents form a tree of items under one root item; the root
 * stands for the book itself and is never shown, its children are the book's first level.
 * ====================================================================================================== */

/* CBIVPGetRootItem — the root item of the book's contents.
 * Called: when a book item is expanded, when the shelf goes to a page, when it reads the system
 *   catalog.
 * Result: the root item; 0 = the book has no contents. */
CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book);
typedef CBI_HITEM (*PFN_CBIVPGetRootItem)(CBI_HBOOK book);

/* CBIVPItemHasChildren — does the item have sub-items?
 * Result: nonzero when it has (the item is then shown as a chapter with an expand button). */
CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item);
typedef int (*PFN_CBIVPItemHasChildren)(CBI_HBOOK book, CBI_HITEM item);

/* CBIVPGetChildItem — the first sub-item of an item. Result: the item; 0 = none. */
CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item);
typedef CBI_HITEM (*PFN_CBIVPGetChildItem)(CBI_HBOOK book, CBI_HITEM item);

/* CBIVPGetNextSiblingItem — the next item at the same level. Result: the item; 0 after the last. */
CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item);
typedef CBI_HITEM (*PFN_CBIVPGetNextSiblingItem)(CBI_HBOOK book, CBI_HITEM item);

/* CBIVPGetParentItem — the item above an item.
 * Called: when the shelf goes to a page and builds the path of items down to it.
 * Result: the parent: the root item for an item of the first level, 0 for the root itself. */
CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item);
typedef CBI_HITEM (*PFN_CBIVPGetParentItem)(CBI_HBOOK book, CBI_HITEM item);

/* CBIVPGetItemText — the text of an item (its label on the shelf).
 * buffer, capacity: the caller's buffer; capacity is 228 (CBI_ITEM_TEXT_CAPACITY). Write at most
 *   capacity - 1 bytes and a terminating zero.
 * Result: the length written (the shelf does not rely on it). */
CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity);
typedef int (*PFN_CBIVPGetItemText)(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity);

/* CBIVPItemToPage — the page an item leads to.
 * Called: when an item is selected (the host is told the page), and for the system catalog, whose
 *   items' pages carry the catalogs' settings.
 * Result: the page number; a negative number (CBI_NO_PAGE) or 65535 (CBI_NO_PAGE_16) = the item has
 *   no page. */
CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item);
typedef int32_t (*PFN_CBIVPItemToPage)(CBI_HBOOK book, CBI_HITEM item);

/* CBIVPPageToItem — the item that holds a page (the entry under which the page is read).
 * Called: when the host moves the shelf to a page, and for the entry text of a search hit.
 * Result: the item; 0 = none. */
CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page);
typedef CBI_HITEM (*PFN_CBIVPPageToItem)(CBI_HBOOK book, int32_t page);

/* ======================================================================================================
 * Shelf calls of a shared e-book driver (caps bit CBI_CAP_SHARED_HTML). The driver keeps its own
 * store of books in classes; books are named by a 16-bit id and opened with CBIOpenBook(decimal id).
 * ====================================================================================================== */

/* CBIShelfOpen — opens the driver's store.
 * Called: each time the shelf collects the store's books (start-up and every refresh); matched by
 *   one CBIShelfClose when the shelf is destroyed, so it may be called again while open.
 * classCount: receives the number of classes.
 * block: 2 bytes set aside by the caller, never read.
 * Result: nonzero when the store is open. */
CBI_EXPORT int CBIShelfOpen(uint16_t* classCount, CBIShelfBlock* block);
typedef int (*PFN_CBIShelfOpen)(uint16_t* classCount, CBIShelfBlock* block);

/* CBIShelfGetClassAttr — one class of the store.
 * classIndex: 0 .. classCount - 1.
 * name: the caller's zero-filled 17-byte buffer: the class name, at most 16 characters, terminated.
 * key: the caller's zero-filled 33-byte buffer: the class key, at most 32 characters, terminated. The
 *   key identifies the class (compared without regard to letter case).
 * bookCount: receives the number of books in the class.
 * Result: nonzero when filled; 0 skips the class. */
CBI_EXPORT int CBIShelfGetClassAttr(int classIndex, char* name, char* key, uint16_t* bookCount);
typedef int (*PFN_CBIShelfGetClassAttr)(int classIndex, char* name, char* key, uint16_t* bookCount);

/* CBIShelfGetBookAttr — one book of a class.
 * classIndex, bookIndex: 0-based.
 * attr: the caller's zero-filled 36-byte buffer for the driver's own book attributes (not read).
 * bookId: receives the book's id in its low 16 bits.
 * Result: nonzero when filled; 0 ends the whole collection run. */
CBI_EXPORT int CBIShelfGetBookAttr(int classIndex, int bookIndex, char* attr, uint32_t* bookId);
typedef int (*PFN_CBIShelfGetBookAttr)(int classIndex, int bookIndex, char* attr, uint32_t* bookId);

/* GetDescFileURLbyClassID — the description page of an online catalog.
 * Called: when such a catalog is selected (the host is then sent the address).
 * classKey: the catalog's key (zero-terminated, at most 35 characters).
 * url: the caller's 260-byte buffer: write at most 259 bytes and a terminating zero.
 * Result: nonzero when an address was written; 0 = the catalog has none. */
CBI_EXPORT int GetDescFileURLbyClassID(const char* classKey, char* url);
typedef int (*PFN_GetDescFileURLbyClassID)(const char* classKey, char* url);

/* CBIShelfAddBook — adds a book file to the store.
 * Called: when the user registers a file that is not a native book, or another program sends the
 *   shelf the registered message "KSM_ADD_BOOK".
 * Result: CBI_ADD_ADDED (1) = added (the shelf then collects the store again); CBI_ADD_ALREADY (4) =
 *   already in the store; CBI_ADD_NOT_A_BOOK (0) = not a book of this driver (a file it does not read,
 *   or one it refuses); CBI_ADD_FAILED (-1) = a book of this driver that the store could not take
 *   (disk full, store read-only or locked); any other nonzero value also counts as added. After 0 or
 *   CBI_ADD_FAILED the shelf asks CBIGetErrorText for the reason and shows it to the user. */
#define CBI_ADD_NOT_A_BOOK 0
#define CBI_ADD_ADDED 1
#define CBI_ADD_ALREADY 4
#define CBI_ADD_FAILED (-1)
CBI_EXPORT int CBIShelfAddBook(const char* path);
typedef int (*PFN_CBIShelfAddBook)(const char* path);

/* CBIShelfDelBook — removes a book from the store after the shelf closed it.
 * path: the book's path as the shelf knows it: the decimal book id.
 * Result: none. */
CBI_EXPORT void CBIShelfDelBook(const char* path);
typedef void (*PFN_CBIShelfDelBook)(const char* path);

/* CBIShelfClose — closes the store; called once when the shelf is destroyed, before the driver is
 * released. Result: none. */
CBI_EXPORT void CBIShelfClose(void);
typedef void (*PFN_CBIShelfClose)(void);

/* ======================================================================================================
 * Dictionaries.
 * ====================================================================================================== */

/* CBIDictAttr — the dictionary attributes of a book whose class is neither CBI_CLASS_EBOOK nor
 *   CBI_CLASS_BOOK.
 * Called: when such a book is put on the shelf; without this entry point, or with a 0 result, the
 *   book is not shown.
 * attr: the caller's 12-byte block (CBI_DICT_ATTR_SIZE); fill bIdLow and bIdHigh.
 * Result: nonzero when filled. */
CBI_EXPORT int CBIDictAttr(CBI_HBOOK book, CBIDictAttrBlock* attr);
typedef int (*PFN_CBIDictAttr)(CBI_HBOOK book, CBIDictAttrBlock* attr);

/* CBIDictClassNo — the dictionary's class number; only the low byte is used. Without this entry
 * point the class number is 1. */
CBI_EXPORT int CBIDictClassNo(CBI_HBOOK book);
typedef int (*PFN_CBIDictClassNo)(CBI_HBOOK book);

/* ======================================================================================================
 * The dictionary library "ZavikApi.dll" (not a book driver). The shelf loads it to ask whether the
 * dictionary engine serves a dictionary, and releases it right after.
 * ====================================================================================================== */

typedef struct CBIDict_* CBI_HDICT; /* opaque dictionary handle; NULL = none */

/* dicCreateHDICT — opens the dictionary with the given id (classNo * 65536 + bIdHigh * 256 + bIdLow).
 * Result: a handle, or NULL when the engine does not serve that dictionary. The shelf frees a handle
 * at once with dicFreeHDICT. */
CBI_EXPORT CBI_HDICT dicCreateHDICT(uint32_t dictId);
typedef CBI_HDICT (*PFN_dicCreateHDICT)(uint32_t dictId);

/* dicFreeHDICT — frees a handle from dicCreateHDICT. */
CBI_EXPORT void dicFreeHDICT(CBI_HDICT dict);
typedef void (*PFN_dicFreeHDICT)(CBI_HDICT dict);

/* ======================================================================================================
 * Texts and reasons.
 * ====================================================================================================== */

/* CBIGetCodePage — the code page of the book's texts: its names, contents entries and pages.
 * Called: when the host asks the shelf for a book's code page (CTavrinCtrl::GetBookCodePage), to show
 *   the book's texts to a person and to turn what the user types (a search text) into the book's code
 *   page.
 * Result: a code page number (1252 Western, 950 Big5, 936 GBK, 65001 UTF-8, ...); 0 = not said: the
 *   texts are in the program's active code page (GetACP). A driver without this entry point is read
 *   as 0. */
CBI_EXPORT uint32_t CBIGetCodePage(CBI_HBOOK book);
typedef uint32_t (*PFN_CBIGetCodePage)(CBI_HBOOK book);

/* CBIGetErrorText — why the last call of this driver that failed did so, in words a user can act on
 *   ("the zip entry ../x climbs out of the container", "the store is read-only: ...").
 * Called: right after a failed CBIOpenBook, CBICheckVersion or CBIShelfAddBook of this driver, before
 *   any other call to it; the shelf shows the text under its own message.
 * buffer, capacity: the caller's buffer; write at most capacity - 1 bytes (in the program's active
 *   code page, cut on a character boundary) and a terminating zero.
 * Result: the length written; 0 (with an empty text) when the driver has no reason to give. */
CBI_EXPORT int CBIGetErrorText(char* buffer, int capacity);
typedef int (*PFN_CBIGetErrorText)(char* buffer, int capacity);

CBI_END_C

/* The 31 entry points of a book driver, in a fixed order, for code that binds or lists them all:
 *     #define BIND(name) table.name = (PFN_##name)lookup(module, #name);
 *     CBI_FOR_EACH_ENTRY_POINT(BIND) */
#define CBI_FOR_EACH_ENTRY_POINT(X)                                                                          \
    X(CBIOpenBook)                                                                                           \
    X(CBICloseBook)                                                                                          \
    X(CBIGetCaps)                                                                                            \
    X(CBIGetBkName)                                                                                          \
    X(CBIExBookNoLength)                                                                                     \
    X(CBIExBookNo)                                                                                           \
    X(CBIBookSerial)                                                                                         \
    X(CBICheckVersion)                                                                                       \
    X(CBIGetPageCount)                                                                                       \
    X(CBIGetPageSize)                                                                                        \
    X(CBIGetPage)                                                                                            \
    X(CBIVPGetRootItem)                                                                                      \
    X(CBIVPItemHasChildren)                                                                                  \
    X(CBIVPGetChildItem)                                                                                     \
    X(CBIVPGetNextSiblingItem)                                                                               \
    X(CBIVPGetParentItem)                                                                                    \
    X(CBIVPGetItemText)                                                                                      \
    X(CBIVPItemToPage)                                                                                       \
    X(CBIVPPageToItem)                                                                                       \
    X(CBIShelfOpen)                                                                                          \
    X(CBIShelfGetClassAttr)                                                                                  \
    X(CBIShelfGetBookAttr)                                                                                   \
    X(GetDescFileURLbyClassID)                                                                               \
    X(CBIShelfAddBook)                                                                                       \
    X(CBIShelfDelBook)                                                                                       \
    X(CBIShelfClose)                                                                                         \
    X(CBIDictAttr)                                                                                           \
    X(CBIDictClassNo)                                                                                        \
    X(CBIGetCodePage)                                                                                        \
    X(CBIGetErrorText)                                                                                       \
    X(CBIGetPages)

#define CBI_ENTRY_POINT_COUNT 31

#endif /* TAVRIN_CBI_H */

/* Look-up calls of the DICT dictionary driver "DictDrv.dll", beside its book driver entry points
 * (tavrin/cbi.h). A host finds them by name in the driver module of a dictionary on the shelf
 * (CTavrinCtrl::GetBookDrvHandle); a driver without them offers no look-up.
 *
 * Texts are in the program's active code page, as every text of the driver interface. */
#ifndef TAVRIN_DICT_LOOKUP_H
#define TAVRIN_DICT_LOOKUP_H

#include "tavrin/cbi.h"

CBI_BEGIN_C

/* DictLookup — the pages of a word: first the pages whose headword is the word exactly, then those
 *   whose headword matches it as the dictionary's index folds headwords (letter case, and by default
 *   everything but letters, digits and blanks, left out).
 * pages, capacity: the caller's array; at most `capacity` page numbers are written.
 * Result: the number of pages found (more than `capacity` when they did not all fit); -1 for a book
 *   that is not open or a null word. */
CBI_EXPORT int32_t DictLookup(CBI_HBOOK book, const char* word, int32_t* pages, int32_t capacity);
typedef int32_t (*PFN_DictLookup)(CBI_HBOOK book, const char* word, int32_t* pages, int32_t capacity);

/* DictGetInfo — a text about an open dictionary, cut to the buffer (capacity counts the terminating
 *   zero). Result: the length written; -1 for a book that is not open or an unknown `what`. */
#define DICT_INFO_NAME 0        /* its name */
#define DICT_INFO_URL 1         /* where it comes from; empty when it does not say */
#define DICT_INFO_INDEX_FILE 2  /* the index file's path */
#define DICT_INFO_DEFINITIONS 3 /* the definitions file's path */
#define DICT_INFO_LEFT_OUT 4    /* the index lines left out and why, one per line; empty when none */
CBI_EXPORT int DictGetInfo(CBI_HBOOK book, int what, char* buffer, int capacity);
typedef int (*PFN_DictGetInfo)(CBI_HBOOK book, int what, char* buffer, int capacity);

CBI_END_C

#endif

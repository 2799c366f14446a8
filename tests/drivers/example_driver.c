/* Example driver: reads "notes" files.
 *
 * A notes file is plain text. Its first line is "NOTES", its second line the title; the rest is pages
 * separated by lines that hold only "----". Each page is one contents entry (named by the page's first
 * line) under the root; the page text keeps its lines, joined by the line-break sequence 0xFF 0x0A.
 *
 * Build: cc -shared -fPIC -fvisibility=hidden -I<tavrin>/include example_driver.c -o Example.dll */
#include "tavrin/cbi.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_BOOKS 16
#define MAX_PAGES 64

typedef struct Book {
    int used;
    char title[CBI_NAME_CAPACITY];
    int pageCount;
    char* pages[MAX_PAGES]; /* page bytes in the page markup, zero-terminated for convenience */
    int pageSize[MAX_PAGES];
} Book;

static Book g_books[MAX_BOOKS]; /* handle = index + 1 */

/* Contents-item handles: 1 is the root, 2 + i the entry of page i. */
#define ROOT_ITEM 1u
#define PAGE_ITEM(i) ((CBI_HITEM)(2 + (i)))

static Book* BookOf(CBI_HBOOK h) {
    return (h >= 1 && h <= MAX_BOOKS && g_books[h - 1].used) ? &g_books[h - 1] : NULL;
}

static int PageOfItem(const Book* b, CBI_HITEM item) {
    return (b && item >= 2 && (int)(item - 2) < b->pageCount) ? (int)(item - 2) : -1;
}

/* Copies text into a caller's buffer of `capacity` bytes, cut to fit, always terminated. */
static int CopyOut(const char* text, size_t length, char* buffer, int capacity) {
    if (!buffer || capacity < 1) return 0;
    if (length > (size_t)capacity - 1) length = (size_t)capacity - 1;
    memcpy(buffer, text, length);
    buffer[length] = '\0';
    return (int)length;
}

static char* ReadFile(const char* path) {
    FILE* f = fopen(path, "rb");
    char* text = NULL;
    long size;
    if (!f) return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (size = ftell(f)) >= 0 && fseek(f, 0, SEEK_SET) == 0 &&
        (text = malloc((size_t)size + 1)) != NULL) {
        if (fread(text, 1, (size_t)size, f) != (size_t)size) {
            free(text);
            text = NULL;
        } else {
            text[size] = '\0';
        }
    }
    fclose(f);
    return text;
}

/* Appends one page made of lines [start, end) to the book, lines joined by 0xFF 0x0A. */
static void AddPage(Book* b, const char* start, const char* end) {
    size_t n = 0;
    const char* p;
    char* page;
    if (b->pageCount == MAX_PAGES || start >= end) return;
    page = malloc((size_t)(end - start) * 2 + 1);
    if (!page) return;
    for (p = start; p < end; ++p) {
        if (*p == '\n') {
            page[n++] = (char)0xFF;
            page[n++] = 0x0A;
        } else if (*p != '\r') {
            page[n++] = *p;
        }
    }
    page[n] = '\0';
    b->pages[b->pageCount] = page;
    b->pageSize[b->pageCount] = (int)n;
    b->pageCount++;
}

CBI_EXPORT int CBICheckVersion(const char* path) {
    char* text = ReadFile(path);
    int ok = text && strncmp(text, "NOTES\n", 6) == 0;
    free(text);
    return ok;
}

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t reserved, CBI_HBOOK* book) {
    int slot;
    char *text, *line, *next, *pageStart;
    Book* b;
    (void)reserved;
    for (slot = 0; slot < MAX_BOOKS && g_books[slot].used; ++slot) {
    }
    if (slot == MAX_BOOKS || !book) return 1;
    text = ReadFile(path);
    if (!text || strncmp(text, "NOTES\n", 6) != 0) {
        free(text);
        return 2;
    }
    b = &g_books[slot];
    memset(b, 0, sizeof *b);
    b->used = 1;
    line = text + 6; /* the title line */
    next = strchr(line, '\n');
    CopyOut(line, next ? (size_t)(next - line) : strlen(line), b->title, sizeof b->title);
    pageStart = next ? next + 1 : line + strlen(line);
    for (line = pageStart; line && *line; line = next ? next + 1 : NULL) {
        next = strchr(line, '\n');
        if (strncmp(line, "----", 4) == 0 && (line[4] == '\n' || line[4] == '\0')) {
            AddPage(b, pageStart, line > pageStart ? line - 1 : line); /* without its last line end */
            pageStart = next ? next + 1 : line + 4;
        }
    }
    line = pageStart + strlen(pageStart);
    AddPage(b, pageStart, line > pageStart && line[-1] == '\n' ? line - 1 : line);
    free(text);
    *book = (CBI_HBOOK)(slot + 1);
    return 0;
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK h) {
    Book* b = BookOf(h);
    int i;
    if (!b) return;
    for (i = 0; i < b->pageCount; ++i)
        free(b->pages[i]);
    memset(b, 0, sizeof *b);
}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK h, CBICaps* caps) {
    if (!BookOf(h) || !caps) return 0;
    caps->wCaps = CBI_CAP_CONTENTS;
    caps->wBookClass = CBI_CLASS_EBOOK;
    return 1;
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK h, int locale, char* buffer, int capacity) {
    Book* b = BookOf(h);
    (void)locale; /* one name for every language */
    return b ? CopyOut(b->title, strlen(b->title), buffer, capacity) : 0;
}

CBI_EXPORT int CBIBookSerial(CBI_HBOOK h, uint32_t* serial) {
    Book* b = BookOf(h);
    const unsigned char* p;
    uint32_t hash = 2166136261u; /* the title's FNV-1a hash is the book's serial */
    if (!b || !serial) return 0;
    for (p = (const unsigned char*)b->title; *p; ++p)
        hash = (hash ^ *p) * 16777619u;
    *serial = hash;
    return 1;
}

CBI_EXPORT int32_t CBIGetPageCount(CBI_HBOOK h) {
    Book* b = BookOf(h);
    return b ? b->pageCount : 0;
}

CBI_EXPORT int32_t CBIGetPageSize(CBI_HBOOK h, int32_t page) {
    Book* b = BookOf(h);
    return (b && page >= 0 && page < b->pageCount) ? b->pageSize[page] : 0;
}

CBI_EXPORT int32_t CBIGetPage(CBI_HBOOK h, int32_t page, unsigned char* buffer, int32_t size) {
    Book* b = BookOf(h);
    int32_t n;
    if (!b || !buffer || page < 0 || page >= b->pageCount || size < 0) return 0;
    n = b->pageSize[page] < size ? b->pageSize[page] : size;
    memcpy(buffer, b->pages[page], (size_t)n);
    return n;
}

CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK h) {
    return BookOf(h) ? ROOT_ITEM : 0;
}

CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK h, CBI_HITEM item) {
    Book* b = BookOf(h);
    return b && item == ROOT_ITEM && b->pageCount > 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK h, CBI_HITEM item) {
    return CBIVPItemHasChildren(h, item) ? PAGE_ITEM(0) : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK h, CBI_HITEM item) {
    Book* b = BookOf(h);
    int page = PageOfItem(b, item);
    return (page >= 0 && page + 1 < b->pageCount) ? PAGE_ITEM(page + 1) : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK h, CBI_HITEM item) {
    return PageOfItem(BookOf(h), item) >= 0 ? ROOT_ITEM : 0;
}

CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK h, CBI_HITEM item, char* buffer, int capacity) {
    Book* b = BookOf(h);
    int page = PageOfItem(b, item);
    const char* text;
    const char* end;
    if (page < 0) return CopyOut("", 0, buffer, capacity);
    text = b->pages[page]; /* the entry's text is the page's first line */
    end = strchr(text, (char)0xFF);
    return CopyOut(text, end ? (size_t)(end - text) : strlen(text), buffer, capacity);
}

CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK h, CBI_HITEM item) {
    return PageOfItem(BookOf(h), item);
}

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK h, int32_t page) {
    Book* b = BookOf(h);
    return (b && page >= 0 && page < b->pageCount) ? PAGE_ITEM(page) : 0;
}

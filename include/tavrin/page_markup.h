/* The page markup of the Tavrin shelf: the one rule for how far each control sequence reaches.
 *
 * A page is a byte string of CBIGetPageSize bytes (it need not end with a zero byte):
 *   - A byte other than 0xFF is text. A byte from 0x81 to 0xFE starts a two-byte character and takes
 *     the byte after it, whatever that byte is (0xFF included); 0x00-0x80 are one-byte characters.
 *   - 0xFF starts a control sequence: 0xFF, a code byte, operands. Its extent, counted from the 0xFF
 *     (position 0), is fixed by the code and, for a few codes, by an operand (the table in
 *     TvrSequenceFormOf). 0xFF 0x0A is a line break.
 *   - 0xFF 0x19 starts an embedded object: 0xFF 0x19 kind ["image=" NAME " "] "text=" CAPTION 0xFF 0x1A.
 *     A reader of the page's text reads the caption as text: it goes on right after the first "text="
 *     (TvrObjectTextStart), so the closing 0xFF 0x1A is then skipped as a sequence of its own.
 *
 * Every reader of pages skips sequences by these functions: the book drivers' page check, the shelf's
 * full-text search and the reference host's page text. A sequence that runs past the end of the page
 * ends the page's text. docs/book-format.md describes the codes.
 *
 * This header compiles as C (C99 or later) and as C++. */
#ifndef TAVRIN_PAGE_MARKUP_H
#define TAVRIN_PAGE_MARKUP_H

#include <stddef.h>
#include <string.h>

#define TVR_MARK 0xFFu         /* starts every control sequence */
#define TVR_LINE_BREAK 0x0Au   /* 0xFF 0x0A */
#define TVR_SETTINGS_END 0x06u /* 0xFF 0x06 ends the text of a catalog's settings page */
#define TVR_OBJECT 0x19u       /* 0xFF 0x19 kind attributes... 0xFF 0x1A */
#define TVR_OBJECT_END 0x1Au
#define TVR_OBJECT_PICTURE 1u /* object kinds: the byte after 0xFF 0x19 */
#define TVR_OBJECT_CAPTION 2u /* a caption without a picture */

/* True for a byte that starts a two-byte character. */
static inline int TvrIsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

/* How the extent of a code is made up. */
enum {
    TVR_EXTENT_FIXED = 0,            /* `length` bytes */
    TVR_EXTENT_BRACKET_IF_SET = 1,   /* `length` bytes; when bit `bit` of the byte at position `flag` is
                                        set, also every byte up to and including the first ']' */
    TVR_EXTENT_BRACKET_IF_CLEAR = 2, /* the same when the bit is clear */
    TVR_EXTENT_LONGER_IF_SET = 3,    /* `longer` bytes when bit `bit` of the byte at `flag` is set, else
                                        `length` */
    TVR_EXTENT_PARTS = 4, /* 0x23, with f the byte at position `flag`: `length` bytes; when f bit 0x10
                             is clear, every byte up to and including the first ']'; 8 more when f bit
                             0x40 is set; when f bit 0x20 is set, a 16-bit little-endian count n and n
                             bytes */
    TVR_EXTENT_OBJECT = 5 /* an embedded object: every byte up to and including its 0xFF 0x1A */
};

typedef struct TvrSequenceForm {
    unsigned char rule;   /* TVR_EXTENT_* */
    unsigned char length; /* bytes, the 0xFF and the code included */
    unsigned char flag;   /* the position of the operand whose bit decides (0: none) */
    unsigned char bit;
    unsigned char longer; /* TVR_EXTENT_LONGER_IF_SET */
} TvrSequenceForm;

/* The table of the codes: the form of the sequence 0xFF `code`. */
static inline TvrSequenceForm TvrSequenceFormOf(unsigned char code) {
    TvrSequenceForm form = {TVR_EXTENT_FIXED, 2, 0, 0, 0}; /* every code not named below: 2 bytes */
    switch (code) {
    case 0x03:
        form.length = 22;
        break;
    case 0x05:
        form.length = 54;
        break;
    case 0x0D:
    case 0xFD:
        form.length = 10;
        break;
    case 0x13:
        form.rule = TVR_EXTENT_BRACKET_IF_SET;
        form.length = 11;
        form.flag = 2;
        form.bit = 0x20;
        break;
    case 0x21:
        form.rule = TVR_EXTENT_BRACKET_IF_CLEAR;
        form.length = 19;
        form.flag = 2;
        form.bit = 0x10;
        break;
    case 0x23:
        form.rule = TVR_EXTENT_PARTS;
        form.length = 11;
        form.flag = 2;
        break;
    case 0xF7:
        form.length = 6;
        break;
    case 0xF9:
        form.rule = TVR_EXTENT_LONGER_IF_SET;
        form.length = 8;
        form.flag = 3;
        form.bit = 0x40;
        form.longer = 16;
        break;
    case 0xFB:
        form.length = 7;
        break;
    case TVR_OBJECT:
        form.rule = TVR_EXTENT_OBJECT;
        form.length = 3; /* 0xFF 0x19 kind, then the attributes up to 0xFF 0x1A */
        break;
    default:
        break;
    }
    return form;
}

/* The number of bytes from `from` up to and including the first ']' of the `size` bytes at page; 0
 * when there is none. */
static inline size_t TvrPastBracket(const unsigned char* page, size_t size, size_t from) {
    const void* bracket = from < size ? memchr(page + from, ']', size - from) : NULL;
    return bracket ? (size_t)((const unsigned char*)bracket - page) + 1 - from : 0;
}

/* The extent of the control sequence whose 0xFF stands at page[at] of a page of `size` bytes: its
 * bytes, operands included (for an embedded object, everything up to and including its 0xFF 0x1A).
 * 0 when the sequence runs past the end of the page, or when the 0xFF is the page's last byte. */
static inline size_t TvrSequenceExtent(const unsigned char* page, size_t size, size_t at) {
    if (at >= size || size - at < 2) return 0;
    const size_t room = size - at; /* bytes from the 0xFF to the end of the page */
    const TvrSequenceForm form = TvrSequenceFormOf(page[at + 1]);
    size_t extent = form.length;
    if (extent > room) return 0;
    switch (form.rule) {
    case TVR_EXTENT_BRACKET_IF_SET:
    case TVR_EXTENT_BRACKET_IF_CLEAR: {
        const int set = (page[at + form.flag] & form.bit) != 0;
        if (set == (form.rule == TVR_EXTENT_BRACKET_IF_SET)) {
            size_t bracket = TvrPastBracket(page, size, at + extent);
            if (!bracket) return 0;
            extent += bracket;
        }
        break;
    }
    case TVR_EXTENT_LONGER_IF_SET:
        if (page[at + form.flag] & form.bit) extent = form.longer;
        break;
    case TVR_EXTENT_PARTS: {
        const unsigned char f = page[at + form.flag];
        if (!(f & 0x10)) {
            size_t bracket = TvrPastBracket(page, size, at + extent);
            if (!bracket) return 0;
            extent += bracket;
        }
        if (f & 0x40) extent += 8;
        if (f & 0x20) {
            if (extent + 2 > room) return 0;
            extent += 2 + (page[at + extent] | (size_t)page[at + extent + 1] << 8);
        }
        break;
    }
    case TVR_EXTENT_OBJECT: {
        size_t k;
        for (k = at + extent; k < size; ++k)
            if (page[k] == TVR_MARK) return k + 1 < size && page[k + 1] == TVR_OBJECT_END ? k + 2 - at : 0;
        return 0;
    }
    default:
        break;
    }
    return extent <= room ? extent : 0;
}

/* What TvrObjectTextStart has found so far on one page, so that a page full of objects is still read
 * in linear time: each answer holds for every position from where its search started up to where it
 * found. Start each page with TVR_OBJECT_SCAN_INIT; a null scan works too, searching anew each time. */
typedef struct TvrObjectScan {
    size_t zeroFrom, zeroAt;   /* the first zero byte at or after zeroFrom is at zeroAt */
    size_t textFrom, textAt;   /* the first "text=" ... */
    size_t imageFrom, imageAt; /* the first "image=" ... (the page's size for none) */
} TvrObjectScan;

#define TVR_OBJECT_SCAN_INIT                                                                                 \
    { (size_t) - 1, 0, (size_t)-1, 0, (size_t)-1, 0 }

/* The first place of the `wordSize` bytes of `word` at or after `from`; `size` for none. */
static inline size_t TvrFindWord(const unsigned char* page, size_t size, size_t from, const char* word,
                                 size_t wordSize) {
    while (from + wordSize <= size) {
        const unsigned char* first = (const unsigned char*)memchr(page + from, word[0], size - from);
        if (!first) break;
        from = (size_t)(first - page);
        if (from + wordSize > size) break;
        if (memcmp(first, word, wordSize) == 0) return from;
        ++from;
    }
    return size;
}

static inline size_t TvrScanFor(size_t* foundFrom, size_t* foundAt, const unsigned char* page, size_t size,
                                size_t from, const char* word, size_t wordSize) {
    if (*foundFrom == (size_t)-1 || from < *foundFrom || from > *foundAt) {
        *foundFrom = from;
        *foundAt = TvrFindWord(page, size, from, word, wordSize);
    }
    return *foundAt;
}

/* Where a reader of the page's text goes on after the embedded object whose 0xFF stands at `at`: right
 * after the first "text=" that stands before the first zero byte from the object's attributes (position
 * 3) on, so that the caption is read as text. An object without one (which the book format does not
 * allow) is read on from its attributes, past the name after an "image=" before that zero byte: after
 * the first blank, or after the two bytes of the first 0xFF. The page's size when the page ends first. */
static inline size_t TvrObjectTextStart(const unsigned char* page, size_t size, size_t at,
                                        TvrObjectScan* scan) {
    TvrObjectScan local = TVR_OBJECT_SCAN_INIT;
    const size_t from = at + 3;
    size_t zero, text, image, k;
    if (from >= size) return size;
    if (!scan) scan = &local;
    zero = TvrScanFor(&scan->zeroFrom, &scan->zeroAt, page, size, from, "", 1);
    text = TvrScanFor(&scan->textFrom, &scan->textAt, page, size, from, "text=", 5);
    if (text < zero) return text + 5;
    image = TvrScanFor(&scan->imageFrom, &scan->imageAt, page, size, from, "image=", 6);
    k = image < zero ? image + 6 : from;
    if (k >= size) return size;
    if (page[k] == TVR_MARK) return k + 2 < size ? k + 2 : size;
    for (; k < size; ++k) {
        if (page[k] == ' ') return k + 1;
        if (page[k] == TVR_MARK) return k + 2 < size ? k + 2 : size;
    }
    return size;
}

#endif /* TAVRIN_PAGE_MARKUP_H */

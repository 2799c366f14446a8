// Reading what a driver writes into the control's buffers: book names, contents-entry texts, the
// reasons it gives for a refusal, and the class attributes of an e-book store. Each reader zero-fills
// the buffer before the call, passes a capacity no larger than the buffer, and terminates the buffer
// at its last byte afterwards, so that a driver that writes no terminator, or fills the buffer to its
// end, cannot make the control read beyond it. Each calls the driver table as it is bound now.
#pragma once

#include "shelf/records.h"
#include "tavrin/cbi.h"

#include <cstddef>
#include <cstdint>

namespace tavrin {

// The book's name in the language g_nLocale (CBIGetBkName) into `buffer` of `size` bytes, the driver
// given `capacity` (at most `size`); "" when the driver cannot say.
void ReadBookName(DWORD book, char* buffer, size_t size, int capacity);

// The text of a contents entry (CBIVPGetItemText, capacity CBI_ITEM_TEXT_CAPACITY or `size` when
// smaller) into `buffer` of `size` bytes; "" when the driver cannot say.
void ReadItemText(DWORD book, DWORD item, char* buffer, size_t size);

// The code page of the book's texts: what the driver says (CBIGetCodePage), else the active code page
// (GetACP). Book handles are the driver's own, so the table must be bound to the book's driver.
UINT ReadCodePage(DWORD book);

// Why the driver's last call failed (CBIGetErrorText) into `buffer` of `size` bytes, cut where the
// driver's text ends or the buffer does; returns the length kept (0: no reason given).
size_t ReadErrorText(char* buffer, size_t size);

// One class of an e-book store as CBIShelfGetClassAttr fills it.
struct StoreClassAttr {
    char name[CBI_CLASS_NAME_SIZE];
    char key[CBI_CLASS_KEY_SIZE];
    uint16_t bookCount;

    // Asks the driver for class `classIndex`; false (and everything empty) when it has no answer.
    bool Read(int classIndex);
};

} // namespace tavrin

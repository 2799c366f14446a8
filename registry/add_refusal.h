// Why a book file the user registers could not be put on the shelf, as far as the calls made for it
// tell: the reason the last driver that refused it gave (CBIGetErrorText, asked right after the
// refusal), and the verdict of the dictionary check when that is what refused it. AddBook forgets it
// before each file and shows it under its message. One register command at a time: the record is
// program-wide, like the shelf.
#pragma once

#include "windows.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrin {

// What the dictionary check says of a book that is a dictionary by its class.
enum class DictVerdict {
    Served,       // the dictionary library lists it
    NoAttributes, // the driver gives no dictionary attributes (no CBIDictAttr, or it failed)
    NoLibrary,    // "ZavikApi.dll" cannot be loaded, or lacks dicCreateHDICT or dicFreeHDICT
    NotListed,    // dicCreateHDICT refused the dictionary id
};

struct DictCheck {
    DictVerdict verdict = DictVerdict::Served;
    uint32_t dictId = 0; // classNo * 65536 + bIdHigh * 256 + bIdLow, when the attributes were read
};

struct AddRefusal {
    std::string driverReason;                      // the last reason a driver gave; "" when none
    DictVerdict dictVerdict = DictVerdict::Served; // the last dictionary check that refused a book
    uint32_t dictId = 0;                           // ... its dictionary id
    std::string dictName;                          // ... and the dictionary's name
};

// The record of the file being registered.
AddRefusal& LastRefusal();
void ForgetRefusal();

// Asks the driver the table is bound to why it refused (CBIGetErrorText) and keeps a non-empty answer
// as the last driver reason, after "<driverName>: " when a name is given. Call it right after the
// refusal, before any other call to that driver.
void NoteDriverRefusal(std::string_view driverName);

// Keeps the verdict of a failed dictionary check with the dictionary's name (read from the driver the
// table is bound to, which must be the dictionary's), turned from the book's code page into the active
// one for the message.
void NoteDictionaryRefusal(const DictCheck& check, DWORD bookHandle);

} // namespace tavrin

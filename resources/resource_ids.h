// Resource ids of the shelf control: string table entries, menu command ids, the 68 images of the
// shelf image list (17 groups of four columns) and the new-catalog dialog.
#pragma once

#include "win/types.h"

namespace tavrin {

// ---- string table ----
inline constexpr UINT IDS_FILE_CANT_OPEN = 1;         // "The file can't be opened."
inline constexpr UINT IDS_FILE_CANT_READ = 2;         // "The file can't be read."
inline constexpr UINT IDS_NOT_A_BOOK = 3;             // "It's not a Zavik book."
inline constexpr UINT IDS_NO_OLE = 4;                 // drop target could not be registered
inline constexpr UINT IDS_NO_DRIVER = 5;              // "This book's driver can't be found."
inline constexpr UINT IDS_BOOK_ALREADY_ADDED = 6;     // "This book has been added into bookshelf"
inline constexpr UINT IDS_DICTIONARIES = 7;           // "Dictionaries"
inline constexpr UINT IDS_UNCLASSIFIED = 8;           // "Unclassfied" (spelled so in the table)
inline constexpr UINT IDS_ONLINE_BOOKS = 9;           // "Online Books"
inline constexpr UINT IDS_STORED_BOOKS = 10;          // "Stored Books"
inline constexpr UINT IDS_BOOKSHELF = 11;             // "Bookshelf"
inline constexpr UINT IDS_ERROR = 12;                 // "Error": caption of error messages
inline constexpr UINT IDS_CATALOG_EXISTS = 13;        // "This catalog  has already existed."
inline constexpr UINT IDS_WARNING = 22;               // "Warning"
inline constexpr UINT IDS_CONFIRM_DELETE_ITEM = 23;   // "Do you realy want to delete this item."
inline constexpr UINT IDS_ONLINE_MARK = 24;           // "(On-line)"
inline constexpr UINT IDS_OFFLINE_MARK = 25;          // "(Off-line)"
inline constexpr UINT IDS_UNREGISTER_FAILED = 26;     // removal from the registry failed
inline constexpr UINT IDS_CONFIRM_REMOVE_BOOK = 27;   // "Are sure" + a Big5 question mark
inline constexpr UINT IDS_REMOVE_BOOK_CAPTION = 28;   // "Remove a book"
inline constexpr UINT IDS_STORE_ADD_FAILED = 29;      // the e-book store could not take a book
inline constexpr UINT IDS_DICT_NOT_LISTED = 30;       // the dictionary library does not list it
inline constexpr UINT IDS_DICT_ID = 31;               // "dictionary id": label of a dictionary's id
inline constexpr UINT IDS_DICT_LIBRARY_MISSING = 32;  // the dictionary library cannot be loaded
inline constexpr UINT IDS_SELECTION_TOO_MANY = 40022; // "Selection too many."

// ---- menu commands (their texts are the string table entries of the same ids) ----
inline constexpr UINT ID_NEW_CATALOG = 40015;   // "New Catalog(&N)"
inline constexpr UINT ID_DELETE = 40016;        // "Delete(&D)"
inline constexpr UINT ID_RENAME = 40017;        // "Rename(&M)"
inline constexpr UINT ID_OPEN = 40018;          // "Open(&O)"
inline constexpr UINT ID_CLOSE = 40019;         // "Close(&C)"
inline constexpr UINT ID_PROPERTY = 40020;      // "Property(&P)"
inline constexpr UINT ID_REGISTER_BOOK = 40021; // "Register Book(&R)"

// ---- dialogs ----
inline constexpr UINT IDD_NEW_CATALOG = 132; // new catalog: static, edit IDC_CATALOG_NAME, OK, Cancel
inline constexpr int IDC_CATALOG_NAME = 1016; // the new catalog's name

// ---- bitmaps (16 x 16, white is transparent) ----
inline constexpr UINT IDB_SHELF = 131; // group 0: root
inline constexpr UINT IDB_SHELF_OPEN = 155;
inline constexpr UINT IDB_BOOK = 143; // group 1: books
inline constexpr UINT IDB_BOOK_OPEN = 190;
inline constexpr UINT IDB_CHAPTER = 133; // group 2: contents chapters
inline constexpr UINT IDB_CHAPTER_OPEN = 134;
inline constexpr UINT IDB_SPARE = 137; // group 3: loaded, chosen by no rule
inline constexpr UINT IDB_DICT = 188;  // group 4: dictionaries
inline constexpr UINT IDB_DICT_OPEN = 189;
inline constexpr UINT IDB_EBOOK = 193;      // group 5: books in the catalog "6"
inline constexpr UINT IDB_COLLECTION = 138; // group 6: system catalogs 5 and 18
inline constexpr UINT IDB_COLLECTION_OPEN = 147;
inline constexpr UINT IDB_SECTION = 191; // group 7: system catalogs 6-10, 17, 19
inline constexpr UINT IDB_SECTION_OPEN = 192;
inline constexpr UINT IDB_ONLINE = 139; // group 8: online catalogs, system catalog 14
inline constexpr UINT IDB_ONLINE_OPEN = 148;
inline constexpr UINT IDB_CATA1 = 132; // group 9: system catalog 1
inline constexpr UINT IDB_CATA1_OPEN = 135;
inline constexpr UINT IDB_CATA1_OFFLINE = 136;
inline constexpr UINT IDB_CATA1_OFFLINE_OPEN = 153;
inline constexpr UINT IDB_CATA2 = 156; // group 10: system catalogs 2, 3, 15, 16, 20+
inline constexpr UINT IDB_CATA2_OPEN = 157;
inline constexpr UINT IDB_CATA2_OFFLINE = 158;
inline constexpr UINT IDB_CATA2_OFFLINE_OPEN = 159;
inline constexpr UINT IDB_CATA4 = 160; // group 11: system catalog 4
inline constexpr UINT IDB_CATA4_OPEN = 161;
inline constexpr UINT IDB_UNCLASSIFIED = 176; // group 12: the catalog "65535"
inline constexpr UINT IDB_UNCLASSIFIED_OPEN = 172;
inline constexpr UINT IDB_CATA11 = 164; // group 13: system catalog 11
inline constexpr UINT IDB_CATA11_OPEN = 165;
inline constexpr UINT IDB_CATA11_OFFLINE = 166;
inline constexpr UINT IDB_CATA11_OFFLINE_OPEN = 167;
inline constexpr UINT IDB_CATA12 = 178; // group 14: system catalog 12
inline constexpr UINT IDB_CATA12_OPEN = 180;
inline constexpr UINT IDB_CATA12_OFFLINE = 182;
inline constexpr UINT IDB_CATA12_OFFLINE_OPEN = 184;
inline constexpr UINT IDB_CATA13 = 179; // group 15: system catalog 13
inline constexpr UINT IDB_CATA13_OPEN = 181;
inline constexpr UINT IDB_CATA13_OFFLINE = 183;
inline constexpr UINT IDB_CATA13_OFFLINE_OPEN = 185;
inline constexpr UINT IDB_PAGE = 154; // group 16: contents pages, user catalogs

// The shelf image list: kImageGroupCount groups of four columns, loaded group by group, column by
// column. Columns 0 and 1 are the on-line images (closed, open), 2 and 3 the off-line ones.
inline constexpr int kImageGroupCount = 17;
inline constexpr int kImageColumns = 4;
inline constexpr int kImageCount = kImageGroupCount * kImageColumns; // 68

inline constexpr UINT kImageGroupBitmaps[kImageGroupCount][kImageColumns] = {
    {IDB_SHELF, IDB_SHELF_OPEN, IDB_SHELF, IDB_SHELF_OPEN},
    {IDB_BOOK, IDB_BOOK_OPEN, IDB_BOOK, IDB_BOOK_OPEN},
    {IDB_CHAPTER, IDB_CHAPTER_OPEN, IDB_CHAPTER, IDB_CHAPTER_OPEN},
    {IDB_SPARE, IDB_SPARE, IDB_SPARE, IDB_SPARE},
    {IDB_DICT, IDB_DICT_OPEN, IDB_DICT, IDB_DICT_OPEN},
    {IDB_EBOOK, IDB_EBOOK, IDB_EBOOK, IDB_EBOOK},
    {IDB_COLLECTION, IDB_COLLECTION_OPEN, IDB_COLLECTION, IDB_COLLECTION_OPEN},
    {IDB_SECTION, IDB_SECTION_OPEN, IDB_SECTION, IDB_SECTION_OPEN},
    {IDB_ONLINE, IDB_ONLINE_OPEN, IDB_ONLINE, IDB_ONLINE_OPEN},
    {IDB_CATA1, IDB_CATA1_OPEN, IDB_CATA1_OFFLINE, IDB_CATA1_OFFLINE_OPEN},
    {IDB_CATA2, IDB_CATA2_OPEN, IDB_CATA2_OFFLINE, IDB_CATA2_OFFLINE_OPEN},
    {IDB_CATA4, IDB_CATA4_OPEN, IDB_CATA4, IDB_CATA4_OPEN},
    {IDB_UNCLASSIFIED, IDB_UNCLASSIFIED_OPEN, IDB_UNCLASSIFIED, IDB_UNCLASSIFIED_OPEN},
    {IDB_CATA11, IDB_CATA11_OPEN, IDB_CATA11_OFFLINE, IDB_CATA11_OFFLINE_OPEN},
    {IDB_CATA12, IDB_CATA12_OPEN, IDB_CATA12_OFFLINE, IDB_CATA12_OFFLINE_OPEN},
    {IDB_CATA13, IDB_CATA13_OPEN, IDB_CATA13_OFFLINE, IDB_CATA13_OFFLINE_OPEN},
    {IDB_PAGE, IDB_PAGE, IDB_PAGE, IDB_PAGE},
};

// The image groups by what they show (index into kImageGroupBitmaps).
inline constexpr int IMG_GROUP_ROOT = 0;
inline constexpr int IMG_GROUP_BOOK = 1;
inline constexpr int IMG_GROUP_CHAPTER = 2;
inline constexpr int IMG_GROUP_SPARE = 3;
inline constexpr int IMG_GROUP_DICT = 4;
inline constexpr int IMG_GROUP_EBOOK = 5;
inline constexpr int IMG_GROUP_PAGE = 16;

// Language ids of the three string tables.
inline constexpr WORD kLangEnglish = 0x0409;            // code page 1252
inline constexpr WORD kLangChineseTraditional = 0x0404; // Big5
inline constexpr WORD kLangChineseSimplified = 0x0804;  // GBK

} // namespace tavrin

/* Common dialogs: the open-file dialog. Names, values, the OPENFILENAMEA layout and the result
 * layouts follow the Windows headers (ANSI forms). The dialog itself is headless: the choice comes
 * from the interaction in force (plat/interaction.h). This header compiles as C and C++. */
#ifndef WIN_COMMDLG_H
#define WIN_COMMDLG_H

#include "win/types.h"

WIN_BEGIN_C

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter; /* pairs of "name\0pattern\0", ended by an extra "\0" */
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile; /* in: initial name; out: the chosen file(s) */
    DWORD nMaxFile;  /* capacity of lpstrFile in characters */
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEA, *LPOPENFILENAMEA;
typedef OPENFILENAMEA OPENFILENAME;
typedef LPOPENFILENAMEA LPOPENFILENAME;

/* The structure size of the older layout without the last three fields, also accepted. */
#define OPENFILENAME_SIZE_VERSION_400A ((DWORD)offsetof(OPENFILENAMEA, pvReserved))
#define OPENFILENAME_SIZE_VERSION_400 OPENFILENAME_SIZE_VERSION_400A

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ENABLETEMPLATEHANDLE 0x00000080
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_SHAREAWARE 0x00004000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_NONETWORKBUTTON 0x00020000
#define OFN_NOLONGNAMES 0x00040000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLEINCLUDENOTIFY 0x00400000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_FORCESHOWHIDDEN 0x10000000

/* CommDlgExtendedError codes */
#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_GENERALCODES 0x0000
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_NOTEMPLATE 0x0003
#define CDERR_NOHINSTANCE 0x0004
#define CDERR_LOADSTRFAILURE 0x0005
#define CDERR_FINDRESFAILURE 0x0006
#define CDERR_LOADRESFAILURE 0x0007
#define CDERR_LOCKRESFAILURE 0x0008
#define CDERR_MEMALLOCFAILURE 0x0009
#define CDERR_MEMLOCKFAILURE 0x000A
#define CDERR_NOHOOK 0x000B
#define CDERR_REGISTERMSGFAIL 0x000C
#define FNERR_FILENAMECODES 0x3000
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

/* Shows the open-file dialog. TRUE when the user chose files; FALSE when the user cancelled
 * (CommDlgExtendedError() then returns 0) or on an error (CommDlgExtendedError() tells which).
 *
 * Result in lpstrFile: one file: its full path. Several files (OFN_ALLOWMULTISELECT with
 * OFN_EXPLORER): the folder, NUL, each name, NUL, and an extra NUL at the end. Several files without
 * OFN_EXPLORER: the folder and the names separated by single spaces. When the result does not fit
 * nMaxFile characters the call fails with FNERR_BUFFERTOOSMALL and the first two bytes of lpstrFile
 * hold the needed size in characters (a little-endian WORD). */
BOOL GetOpenFileNameA(LPOPENFILENAMEA lpofn);
DWORD CommDlgExtendedError(void);
#define GetOpenFileName GetOpenFileNameA

WIN_END_C

#endif

/* Resources: languages, string tables and bitmaps of a module. Names, values and signatures follow the
 * Windows headers (ANSI forms). The tables themselves are registered in process with
 * plat::RegisterResources (plat/resources.h). */
#ifndef WIN_RESOURCE_H
#define WIN_RESOURCE_H

#include "win/types.h"

WIN_BEGIN_C

typedef WORD LANGID;

#define LANG_NEUTRAL 0x00
#define LANG_CHINESE 0x04
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_CHINESE_TRADITIONAL 0x01
#define SUBLANG_CHINESE_SIMPLIFIED 0x02

#define MAKELANGID(p, s) ((LANGID)((((WORD)(s)) << 10) | (WORD)(p)))
#define PRIMARYLANGID(lgid) ((WORD)(lgid)&0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)

/* Loads string `uID` of the module (0 = the current resource module) in the user language into
 * lpBuffer, at most cchBufferMax - 1 bytes plus a terminator. Returns the bytes copied (0 for a
 * string that does not exist in that language; the buffer then holds ""). */
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
/* Loads bitmap resource MAKEINTRESOURCE(id) as a new 24-bit bitmap; NULL when missing. */
HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);
#define LoadString LoadStringA
#define LoadBitmap LoadBitmapA

WIN_END_C

#endif

// Basic definitions of the application-framework class layer: export and handler markers, the
// debug-only checks, and forward declarations shared by the framework headers.
#pragma once

// The platform headers come first so that their ANSI-name macros (SendMessage, LoadString,
// DrawText, ...) rename the framework's members of the same names consistently everywhere.
#include "win/imagelist.h"
#include "win/resource.h"
#include "win/winbase.h"
#include "win/wingdi.h"
#include "windows.h"

// Classes a library exports to its host. On this platform every symbol of the shelf is linked into
// the program or a shared object with default visibility, so the marker only keeps that visibility.
#define AFX_EXT_CLASS __attribute__((visibility("default")))
#define AFX_EXT_API AFX_EXT_CLASS
#define AFX_EXT_DATA AFX_EXT_CLASS
// Marks message handlers in class declarations; it expands to nothing.
#define afx_msg
#define AFXAPI
#define AFX_CDECL

// ---- debug-only checks ----
// ASSERT stops a debug build at a broken assumption; VERIFY evaluates its argument in every build
// and checks it only in debug builds; TRACE writes to standard error in debug builds when the
// environment variable TAVRIN_AFX_TRACE is set (the framework's checks stay quiet otherwise).
void AfxAssertFailedLine(const char* file, int line, const char* expression);
void AfxTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define TRACE(...) ((void)0)
#define TRACE0(s) ((void)0)
#else
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define TRACE(...) AfxTrace(__VA_ARGS__)
#define TRACE0(s) AfxTrace("%s", s)
#endif
#define ASSERT_VALID(p) ASSERT((p) != nullptr)

class CObject;
class CCmdTarget;
class CWnd;
class CDC;
class CMenu;
class CGdiObject;
class CPen;
class CBrush;
class CFont;
class CBitmap;
class CScrollBar;
class CImageList;
class COleDropTarget;
class CString;

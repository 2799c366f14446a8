/* OLE drag-and-drop as a drop target sees it, and the global memory that carries dropped data.
 *
 * Names and values follow the Windows headers. The interfaces are plain C++ abstract classes shaped
 * like their COM namesakes (no IUnknown, no reference counting: whoever registers a drop target
 * keeps it alive until RevokeDragDrop or until its window is destroyed). The data object is reduced
 * to what a drop target uses: asking whether a clipboard format is offered as global memory and
 * getting a copy of it. Drags are started by hosts and tests with plat/drop.h.
 *
 * The global-memory functions belong to the kernel on the platform; they live here because dropped
 * data is their only user in this layer. */
#ifndef WIN_OLE_H
#define WIN_OLE_H

#include "win/types.h"

#ifndef E_NOTIMPL
#define E_NOTIMPL ((HRESULT)0x80004001L)
#endif
#ifndef E_POINTER
#define E_POINTER ((HRESULT)0x80004003L)
#endif
#ifndef E_UNEXPECTED
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#endif
#ifndef CO_E_NOTINITIALIZED
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#endif
#ifndef DV_E_FORMATETC
#define DV_E_FORMATETC ((HRESULT)0x80040064L)
#endif
#define DRAGDROP_E_NOTREGISTERED ((HRESULT)0x80040100L)
#define DRAGDROP_E_ALREADYREGISTERED ((HRESULT)0x80040101L)
#define DRAGDROP_E_INVALIDHWND ((HRESULT)0x80040102L)
#define DRAGDROP_S_DROP ((HRESULT)0x00040100L)
#define DRAGDROP_S_CANCEL ((HRESULT)0x00040101L)

typedef DWORD DROPEFFECT;
#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4
#define DROPEFFECT_SCROLL 0x80000000u

/* Clipboard formats */
typedef WORD CLIPFORMAT;
#ifndef CF_TEXT
#define CF_TEXT 1
#endif
#ifndef CF_BITMAP
#define CF_BITMAP 2
#endif
#ifndef CF_OEMTEXT
#define CF_OEMTEXT 7
#endif
#ifndef CF_UNICODETEXT
#define CF_UNICODETEXT 13
#endif
#ifndef CF_HDROP
#define CF_HDROP 15
#endif

/* Key state of a drag (grfKeyState): the MK_* values of win/winuser.h. */

typedef struct _POINTL {
    LONG x;
    LONG y;
} POINTL, *PPOINTL;

/* ---- global memory ---- */
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE GMEM_SHARE
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

WIN_BEGIN_C

/* GMEM_FIXED blocks: the handle is the memory itself. GMEM_MOVEABLE blocks: GlobalLock returns the
 * memory and counts locks; GlobalUnlock returns TRUE while locks remain and FALSE (with last error
 * NO_ERROR) when the count reaches 0. GlobalFree returns NULL on success, the handle on failure. */
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);

/* Counted: the first call returns S_OK, later ones S_FALSE; every call needs its OleUninitialize.
 * pvReserved must be NULL. */
HRESULT OleInitialize(LPVOID pvReserved);
void OleUninitialize(void);

WIN_END_C

#ifdef __cplusplus

/* What a drop target gets to see of the dragged data. */
class IDataObject {
public:
    /* S_OK when the data is offered in format `cf` as global memory, else DV_E_FORMATETC. */
    virtual HRESULT QueryGetData(CLIPFORMAT cf) = 0;
    /* On S_OK, *phGlobal is a new GMEM_MOVEABLE block holding a copy of the data that the caller
     * owns and frees with GlobalFree. For CF_TEXT the copy ends with a zero byte. */
    virtual HRESULT GetData(CLIPFORMAT cf, HGLOBAL* phGlobal) = 0;

protected:
    ~IDataObject() = default;
};

/* A window's drop target. *pdwEffect holds the effects the source allows on entry and the effect
 * the target would perform (one of them, or DROPEFFECT_NONE) on return. Points are in screen
 * coordinates. */
class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    virtual HRESULT DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
    virtual HRESULT DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) = 0;
};

/* Makes `pDropTarget` the drop target of `hwnd`. Fails with E_OUTOFMEMORY when OLE is not initialised
 * (as the platform does), DRAGDROP_E_INVALIDHWND for a bad window, DRAGDROP_E_ALREADYREGISTERED when
 * the window has a target already, E_INVALIDARG for a null target. */
HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* pDropTarget);
/* DRAGDROP_E_NOTREGISTERED when the window has no target, DRAGDROP_E_INVALIDHWND for a bad window. */
HRESULT RevokeDragDrop(HWND hwnd);

#endif

#endif

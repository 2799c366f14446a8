// CImageList: an image list handle with its functions, and the process's one drag image. An image
// list object owns its list and destroys it when destroyed itself, unless the handle was detached.
#pragma once

#include "afx/defs.h"
#include "afx/geometry.h"
#include "afx/object.h"

class CBitmap;
class CDC;
class CWnd;

class CImageList : public CObject {
public:
    HIMAGELIST m_hImageList = nullptr;

    CImageList() = default;
    ~CImageList() override { DeleteImageList(); }

    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    // Binds a handle to the object (FromHandle then finds it); FALSE for a null handle, when the
    // object holds a list already, or when the handle has another object.
    BOOL Attach(HIMAGELIST hImageList);
    HIMAGELIST Detach();
    // The object bound to the handle, or a temporary object (dropped by DeleteTempMap); null for null.
    static CImageList* FromHandle(HIMAGELIST hImageList);
    static void DeleteTempMap();

    // cx × cy images, ILC_* flags, room for nInitial images at first, growing by nGrow.
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    // Destroys the list held; FALSE when there is none.
    BOOL DeleteImageList();

    // Adds the images of a bitmap strip, with crMask as the transparent colour (ILC_MASK lists).
    // Returns the index of the first new image, -1 on failure.
    int Add(CBitmap* pbmImage, COLORREF crMask);
    // Adds the images of a bitmap strip with an explicit mask bitmap (may be null).
    int Add(CBitmap* pbmImage, CBitmap* pbmMask);
    BOOL Remove(int nImage) { return ::ImageList_Remove(m_hImageList, nImage); }
    int GetImageCount() const { return ::ImageList_GetImageCount(m_hImageList); }
    COLORREF SetBkColor(COLORREF cr) { return ::ImageList_SetBkColor(m_hImageList, cr); }
    COLORREF GetBkColor() const { return ::ImageList_GetBkColor(m_hImageList); }
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle);

    // ---- the drag image (one per process) ----
    BOOL BeginDrag(int nImage, CPoint ptHotSpot) {
        return ::ImageList_BeginDrag(m_hImageList, nImage, ptHotSpot.x, ptHotSpot.y);
    }
    // pt is relative to the lock window's rectangle (not its client area); a null window locks the
    // screen.
    static BOOL DragEnter(CWnd* pWndLock, CPoint point);
    static BOOL DragMove(CPoint pt) { return ::ImageList_DragMove(pt.x, pt.y); }
    static BOOL DragLeave(CWnd* pWndLock);
    static BOOL DragShowNolock(BOOL bShow) { return ::ImageList_DragShowNolock(bShow); }
    static void EndDrag() { ::ImageList_EndDrag(); }
    // The temporary list of the drag (a temporary object), with the drag position and hot spot.
    static CImageList* GetDragImage(LPPOINT lpPoint, LPPOINT lpPointHotSpot) {
        return FromHandle(::ImageList_GetDragImage(lpPoint, lpPointHotSpot));
    }
};

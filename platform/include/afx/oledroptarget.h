// COleDropTarget: a window's OLE drop target with overridable handlers.
//
// Register binds the target to a window. The handlers get the window, the data and the point in
// the window's client coordinates. Every effect OnDragEnter / OnDragOver answer is fitted to what
// the source allows: kept when it shares a bit with it, else a copy falls back to move then link, a
// move to copy then link, anything else to DROPEFFECT_NONE. On the drop, OnDragOver is asked once
// more at the drop point; then OnDropEx; when that is not overridden (-1) and the fitted effect is
// not DROPEFFECT_NONE, OnDrop, whose FALSE turns the result into DROPEFFECT_NONE; when the fitted
// effect is DROPEFFECT_NONE, OnDragLeave is called instead of OnDrop. After a real drop OnDragLeave is
// not called.
//
// The base class's handlers accept nothing (DROPEFFECT_NONE, FALSE, -1): a window that takes drops
// overrides them.
#pragma once

#include "afx/geometry.h"
#include "afx/msgmap.h"
#include "afx/oledataobject.h"

class CWnd;

class COleDropTarget : public CCmdTarget {
public:
    COleDropTarget();
    // A target still registered is revoked.
    ~COleDropTarget() override;

    // Registers the target on pWnd's window; FALSE when OLE is not initialised, the window is not
    // valid, it has a drop target already, or this target is registered on a live window already.
    BOOL Register(CWnd* pWnd);
    // Removes the registration (nothing happens when there is none).
    virtual void Revoke();

    virtual DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
    // Returns the effect of the drop, or (DROPEFFECT)-1 to have OnDrop called instead.
    virtual DROPEFFECT OnDropEx(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropDefault,
                                DROPEFFECT dropList, CPoint point);
    virtual void OnDragLeave(CWnd* pWnd);
    // Asked before OnDragEnter / OnDragOver; an answer with DROPEFFECT_SCROLL replaces theirs.
    virtual DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point);

    // The window the target is registered on (null when it is not).
    HWND m_hWnd = nullptr;

private:
    // The platform's side of the target: forwards the OLE calls to the handlers above.
    class XDropTarget final : public IDropTarget {
      public:
        explicit XDropTarget(COleDropTarget* owner) : owner_(owner) {}
        HRESULT DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
        HRESULT DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
        HRESULT DragLeave() override;
        HRESULT Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

      private:
        COleDropTarget* owner_;
    };

    CWnd* TargetWindow() const;
    CPoint ClientPoint(POINTL pt) const;

    XDropTarget m_xDropTarget{this};
    IDataObject* m_lpDataObject = nullptr; // the data of the drag in progress over the window
};

// Fits a handler's effect to the effects the source allows (see above).
DROPEFFECT AfxFilterDropEffect(DROPEFFECT dropEffect, DROPEFFECT dwEffects);

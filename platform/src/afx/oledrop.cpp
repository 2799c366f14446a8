// COleDropTarget and COleDataObject over the platform's drop-target registration.
#include "afxole.h"

// ---- data objects ----

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT cfFormat) const {
    return (m_lpDataObject && m_lpDataObject->QueryGetData(cfFormat) == S_OK) ? TRUE : FALSE;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT cfFormat) const {
    if (!m_lpDataObject) return nullptr;
    HGLOBAL data = nullptr;
    if (FAILED(m_lpDataObject->GetData(cfFormat, &data))) return nullptr;
    return data;
}

// ---- OLE start-up ----

BOOL AfxOleInit() {
    return SUCCEEDED(::OleInitialize(nullptr)) ? TRUE : FALSE;
}

void AfxOleTerm() {
    ::OleUninitialize();
}

// ---- effects ----

DROPEFFECT AfxFilterDropEffect(DROPEFFECT dropEffect, DROPEFFECT dwEffects) {
    if ((dropEffect & dwEffects) != 0) return dropEffect;
    // A copy or move the source does not allow becomes the other one, else a link; a link the
    // source does not allow gets no substitute.
    switch (dropEffect) {
    case DROPEFFECT_COPY:
        if (dwEffects & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
        if (dwEffects & DROPEFFECT_LINK) return DROPEFFECT_LINK;
        break;
    case DROPEFFECT_MOVE:
        if (dwEffects & DROPEFFECT_COPY) return DROPEFFECT_COPY;
        if (dwEffects & DROPEFFECT_LINK) return DROPEFFECT_LINK;
        break;
    default:
        break;
    }
    return DROPEFFECT_NONE;
}

// ---- the drop target ----

COleDropTarget::COleDropTarget() = default;

COleDropTarget::~COleDropTarget() {
    COleDropTarget::Revoke();
}

BOOL COleDropTarget::Register(CWnd* pWnd) {
    if (!pWnd || !::IsWindow(pWnd->m_hWnd)) return FALSE;
    if (m_hWnd) {
        // A registration whose window is gone went with the window.
        if (::IsWindow(m_hWnd)) return FALSE;
        m_hWnd = nullptr;
        m_lpDataObject = nullptr;
    }
    if (FAILED(::RegisterDragDrop(pWnd->m_hWnd, &m_xDropTarget))) return FALSE;
    m_hWnd = pWnd->m_hWnd;
    // A framework window revokes its target when it is destroyed.
    if (CWnd* bound = CWnd::FromHandlePermanent(m_hWnd)) bound->m_pDropTarget = this;
    return TRUE;
}

void COleDropTarget::Revoke() {
    if (!m_hWnd) return;
    if (CWnd* bound = CWnd::FromHandlePermanent(m_hWnd); bound && bound->m_pDropTarget == this)
        bound->m_pDropTarget = nullptr;
    if (::IsWindow(m_hWnd)) ::RevokeDragDrop(m_hWnd);
    m_hWnd = nullptr;
    m_lpDataObject = nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) {
    return DROPEFFECT_NONE;
}
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) {
    return DROPEFFECT_NONE;
}
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) {
    return FALSE;
}
DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
    return static_cast<DROPEFFECT>(-1);
}
void COleDropTarget::OnDragLeave(CWnd*) {}
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) {
    return DROPEFFECT_NONE;
}

CWnd* COleDropTarget::TargetWindow() const {
    return CWnd::FromHandle(m_hWnd);
}

CPoint COleDropTarget::ClientPoint(POINTL pt) const {
    POINT point{pt.x, pt.y};
    ::ScreenToClient(m_hWnd, &point);
    return CPoint(point);
}

HRESULT COleDropTarget::XDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                                               DWORD* pdwEffect) {
    if (!pdwEffect) return E_INVALIDARG;
    COleDropTarget* self = owner_;
    CWnd* wnd = self->TargetWindow();
    if (!wnd) return E_UNEXPECTED;
    self->m_lpDataObject = pDataObj;
    COleDataObject data;
    data.Attach(pDataObj, FALSE);
    CPoint point = self->ClientPoint(pt);
    DROPEFFECT effect = self->OnDragScroll(wnd, grfKeyState, point);
    if (!(effect & DROPEFFECT_SCROLL))
        effect = AfxFilterDropEffect(self->OnDragEnter(wnd, &data, grfKeyState, point), *pdwEffect);
    *pdwEffect = effect;
    return S_OK;
}

HRESULT COleDropTarget::XDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
    if (!pdwEffect) return E_INVALIDARG;
    COleDropTarget* self = owner_;
    CWnd* wnd = self->TargetWindow();
    if (!wnd || !self->m_lpDataObject) return E_UNEXPECTED;
    COleDataObject data;
    data.Attach(self->m_lpDataObject, FALSE);
    CPoint point = self->ClientPoint(pt);
    DROPEFFECT effect = self->OnDragScroll(wnd, grfKeyState, point);
    if (!(effect & DROPEFFECT_SCROLL))
        effect = AfxFilterDropEffect(self->OnDragOver(wnd, &data, grfKeyState, point), *pdwEffect);
    *pdwEffect = effect;
    return S_OK;
}

HRESULT COleDropTarget::XDropTarget::DragLeave() {
    COleDropTarget* self = owner_;
    CWnd* wnd = self->TargetWindow();
    if (self->m_lpDataObject) {
        self->m_lpDataObject = nullptr;
        if (wnd) self->OnDragLeave(wnd);
    }
    return S_OK;
}

HRESULT COleDropTarget::XDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt,
                                          DWORD* pdwEffect) {
    if (!pdwEffect) return E_INVALIDARG;
    COleDropTarget* self = owner_;
    CWnd* wnd = self->TargetWindow();
    if (!wnd) return E_UNEXPECTED;
    self->m_lpDataObject = pDataObj;
    COleDataObject data;
    data.Attach(pDataObj, FALSE);
    CPoint point = self->ClientPoint(pt);
    DROPEFFECT allowed = *pdwEffect;

    // Ask once more at the drop point whether the drop is wanted.
    DROPEFFECT effect = AfxFilterDropEffect(self->OnDragOver(wnd, &data, grfKeyState, point), allowed);
    DROPEFFECT ex = self->OnDropEx(wnd, &data, effect, allowed, point);
    if (ex != static_cast<DROPEFFECT>(-1)) {
        effect = ex;
    } else if (effect != DROPEFFECT_NONE) {
        if (!self->OnDrop(wnd, &data, effect, point)) effect = DROPEFFECT_NONE;
    } else {
        self->OnDragLeave(wnd); // refused at the last moment: the drag just ends
    }
    self->m_lpDataObject = nullptr;
    *pdwEffect = effect;
    return S_OK;
}

// CImageList: binding image-list objects to handles, and the calls that take framework objects.
#include "afx/imagelist.h"
#include "afx/dc.h"
#include "afx/gdiobj.h"
#include "afx/temp_map.h"
#include "afx/wnd.h"

#include <unordered_map>

namespace {

std::unordered_map<HIMAGELIST, CImageList*>& PermanentLists() {
    static auto* map = new std::unordered_map<HIMAGELIST, CImageList*>();
    return *map;
}

// Only a live image list knows its image size.
bool ListAlive(HIMAGELIST h) {
    int cx = 0, cy = 0;
    return ::ImageList_GetIconSize(h, &cx, &cy) != FALSE;
}

afx::detail::TempMap<HIMAGELIST, CImageList>& TempLists() {
    static auto* map = new afx::detail::TempMap<HIMAGELIST, CImageList>(
        ListAlive, [](CImageList& list) { list.m_hImageList = nullptr; });
    return *map;
}

} // namespace

BOOL CImageList::Attach(HIMAGELIST hImageList) {
    if (!hImageList || m_hImageList) return FALSE;
    auto& map = PermanentLists();
    if (map.count(hImageList)) return FALSE;
    map[hImageList] = this;
    m_hImageList = hImageList;
    return TRUE;
}

HIMAGELIST CImageList::Detach() {
    HIMAGELIST h = m_hImageList;
    if (h) {
        auto& map = PermanentLists();
        auto it = map.find(h);
        if (it != map.end() && it->second == this) map.erase(it);
    }
    m_hImageList = nullptr;
    return h;
}

CImageList* CImageList::FromHandle(HIMAGELIST hImageList) {
    if (!hImageList) return nullptr;
    auto& map = PermanentLists();
    auto it = map.find(hImageList);
    if (it != map.end()) return it->second;
    return TempLists().Get(hImageList, [](HIMAGELIST h) {
        auto list = std::make_unique<CImageList>();
        list->m_hImageList = h;
        return list;
    });
}

void CImageList::DeleteTempMap() {
    TempLists().Clear();
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
    if (m_hImageList) return FALSE;
    return Attach(::ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList) return FALSE;
    HIMAGELIST h = Detach();
    // A temporary wrapper of the same handle must not outlive the list.
    TempLists().Remove(h);
    return ::ImageList_Destroy(h);
}

int CImageList::Add(CBitmap* pbmImage, COLORREF crMask) {
    if (!pbmImage) return -1;
    return ::ImageList_AddMasked(m_hImageList, static_cast<HBITMAP>(pbmImage->m_hObject), crMask);
}

int CImageList::Add(CBitmap* pbmImage, CBitmap* pbmMask) {
    if (!pbmImage) return -1;
    return ::ImageList_Add(m_hImageList, static_cast<HBITMAP>(pbmImage->m_hObject),
                           pbmMask ? static_cast<HBITMAP>(pbmMask->m_hObject) : nullptr);
}

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle) {
    if (!pDC) return FALSE;
    return ::ImageList_Draw(m_hImageList, nImage, pDC->m_hDC, pt.x, pt.y, nStyle);
}

BOOL CImageList::DragEnter(CWnd* pWndLock, CPoint point) {
    return ::ImageList_DragEnter(pWndLock ? pWndLock->m_hWnd : nullptr, point.x, point.y);
}

BOOL CImageList::DragLeave(CWnd* pWndLock) {
    return ::ImageList_DragLeave(pWndLock ? pWndLock->m_hWnd : nullptr);
}

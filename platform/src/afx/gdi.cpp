// Drawing objects and device contexts of the framework layer.
#include "afx/dc.h"
#include "afx/wnd.h"
#include "afx/globals.h"
#include "afx/temp_map.h"

namespace {

using afx::detail::TempMap;

bool GdiAlive(HGDIOBJ h) {
    return ::GetObjectType(h) != 0;
}
bool DcAlive(HDC h) {
    return ::GetObjectType(h) != 0;
}

template <class T> TempMap<HGDIOBJ, T>& GdiTempMap() {
    // Never destroyed: wrappers may be asked for while static objects are being torn down.
    static auto* map = new TempMap<HGDIOBJ, T>(GdiAlive, [](T& obj) { obj.m_hObject = nullptr; });
    return *map;
}

template <class T> T* TempGdiObject(HGDIOBJ h) {
    if (!h) return nullptr;
    return GdiTempMap<T>().Get(h, [](HGDIOBJ handle) {
        auto obj = std::make_unique<T>();
        obj->m_hObject = handle;
        return obj;
    });
}

TempMap<HDC, CDC>& DcTempMap() {
    static auto* map = new TempMap<HDC, CDC>(DcAlive, [](CDC& dc) { dc.m_hDC = dc.m_hAttribDC = nullptr; });
    return *map;
}

} // namespace

// ---- CGdiObject and kin ----

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (!hObject || m_hObject) return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    return ::DeleteObject(Detach());
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h) {
    return TempGdiObject<CGdiObject>(h);
}
CPen* CPen::FromHandle(HPEN h) {
    return TempGdiObject<CPen>(h);
}
CBrush* CBrush::FromHandle(HBRUSH h) {
    return TempGdiObject<CBrush>(h);
}
CFont* CFont::FromHandle(HFONT h) {
    return TempGdiObject<CFont>(h);
}
CBitmap* CBitmap::FromHandle(HBITMAP h) {
    return TempGdiObject<CBitmap>(h);
}

void CGdiObject::DeleteTempMap() {
    GdiTempMap<CGdiObject>().Clear();
    GdiTempMap<CPen>().Clear();
    GdiTempMap<CBrush>().Clear();
    GdiTempMap<CFont>().Clear();
    GdiTempMap<CBitmap>().Clear();
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName) {
    LOGFONTA lf{};
    // Tenths of a point to pixels at 96 dpi, rounded; negative = character height.
    lf.lfHeight = -((nPointSize * 96 + 360) / 720);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName) {
        size_t i = 0;
        for (; i + 1 < sizeof(lf.lfFaceName) && lpszFaceName[i]; ++i)
            lf.lfFaceName[i] = lpszFaceName[i];
        lf.lfFaceName[i] = '\0';
    }
    return CreateFontIndirect(&lf);
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    return LoadBitmap(MAKEINTRESOURCEA(nIDResource));
}

BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) {
    return Attach(::LoadBitmapA(AfxGetResourceHandle(), lpszResourceName));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    return Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

CSize CBitmap::GetBitmapDimension() const {
    BITMAP bm{};
    if (!GetBitmap(&bm)) return CSize();
    return CSize(bm.bmWidth, bm.bmHeight);
}

// ---- CDC ----

CDC::~CDC() {
    if (m_hDC) ::DeleteDC(Detach());
}

BOOL CDC::Attach(HDC hDC) {
    if (!hDC || m_hDC) return FALSE;
    m_hDC = m_hAttribDC = hDC;
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    m_hDC = m_hAttribDC = nullptr;
    return h;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    return ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC hDC) {
    if (!hDC) return nullptr;
    return DcTempMap().Get(hDC, [](HDC h) {
        auto dc = std::make_unique<CDC>();
        dc->m_hDC = dc->m_hAttribDC = h;
        return dc;
    });
}

void CDC::DeleteTempMap() {
    DcTempMap().Clear();
}

CPen* CDC::SelectObject(CPen* pPen) {
    return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pPen ? pPen->m_hObject : nullptr)));
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
    return CBrush::FromHandle(
        static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush ? pBrush->m_hObject : nullptr)));
}

CFont* CDC::SelectObject(CFont* pFont) {
    return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont ? pFont->m_hObject : nullptr)));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    return CBitmap::FromHandle(
        static_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap ? pBitmap->m_hObject : nullptr)));
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject ? pObject->m_hObject : nullptr));
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
    HGDIOBJ stock = ::GetStockObject(nIndex);
    return stock ? CGdiObject::FromHandle(::SelectObject(m_hDC, stock)) : nullptr;
}

CPoint CDC::SetViewportOrg(int x, int y) {
    POINT old{};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    return CPoint(old);
}

CPoint CDC::GetViewportOrg() const {
    POINT pt{};
    ::GetViewportOrgEx(m_hDC, &pt);
    return CPoint(pt);
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const {
    SIZE size{0, 0};
    if (lpszString && nCount > 0) ::GetTextExtentPoint32A(m_hDC, lpszString, nCount, &size);
    return CSize(size);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    if (!lpRect) return;
    // Like the framework this layer follows, the fill leaves clr as the DC's background colour.
    ::SetBkColor(m_hDC, clr);
    HBRUSH brush = ::CreateSolidBrush(clr);
    if (!brush) return;
    ::FillRect(m_hDC, lpRect, brush);
    ::DeleteObject(brush);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT rc{x, y, x + cx, y + cy};
    FillSolidRect(&rc, clr);
}

CPoint CDC::MoveTo(int x, int y) {
    POINT old{};
    ::MoveToEx(m_hDC, x, y, &old);
    return CPoint(old);
}

// ---- paint and client DCs ----

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
    if (m_hWnd) ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC() {
    HDC h = Detach();
    if (h) ::ReleaseDC(m_hWnd, h);
}

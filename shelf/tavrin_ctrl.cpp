// The control's construction, window creation, message map and teardown.
#include "tavrin/tavrin_ctrl.h"

#include "registry/add_refusal.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>

using namespace tavrin;

namespace {
constexpr const char* kControlClassName = "TavrinShelfCtrl";
constexpr DWORD kForcedTreeStyles = TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS; // 0x2C
} // namespace

BEGIN_MESSAGE_MAP(CTavrinCtrl, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_ERASEBKGND()
ON_WM_NCDESTROY()
ON_WM_INITMENUPOPUP()
ON_NOTIFY(TVN_ITEMEXPANDINGA, kShelfTreeId, OnItemExpanding)
ON_NOTIFY(TVN_ITEMEXPANDEDA, kShelfTreeId, OnItemExpanded)
ON_NOTIFY(TVN_DELETEITEMA, kShelfTreeId, OnDeleteitem)
ON_NOTIFY(TVN_SELCHANGEDA, kShelfTreeId, OnSeleChanged)
ON_NOTIFY(TVN_BEGINLABELEDITA, kShelfTreeId, OnBeginLabelEdit)
ON_NOTIFY(TVN_ENDLABELEDITA, kShelfTreeId, OnEndlabeledit)
ON_NOTIFY(NM_CLICK, kShelfTreeId, OnClick)
ON_NOTIFY(NM_CUSTOMDRAW, kShelfTreeId, OnCustomDraw)
END_MESSAGE_MAP()

CTavrinCtrl::CTavrinCtrl()
    : m_uAddBookMsg(0), m_bBooksChanged(0), m_nTrunkStatus(1), m_dwTreeStyle(0), m_dwShelfHandle(0),
      m_bShelfOpen(FALSE), m_hShelfDriver(0), m_hHtmlDriver(0), m_hRoot(nullptr), m_crInsertMark(0x00FFAF),
      m_crBack(0xFFFFFF), m_dwNewBookHandle(0xFFFFFFFF), m_nSuppressNotify(0), m_nSuppressExpand(0),
      m_nMoved(0), m_nKeepNodes(0) {
    (void)tavrin::CopyFits(m_szWorkPath, sizeof m_szWorkPath, "Tavrin");
    g_nLocale = 3;
}

CTavrinCtrl::~CTavrinCtrl() {
    m_dictNodes.clear();
    m_dictNodes.shrink_to_fit();
    m_popupMenu.DestroyMenu();
    if (m_hWnd) DestroyWindow();
}

BOOL CTavrinCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    WNDCLASSA wc{};
    if (!::GetClassInfoA(0, kControlClassName, &wc)) {
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.lpszClassName = kControlClassName;
        wc.hInstance = ShelfModule();
        if (!::RegisterClassA(&wc)) return FALSE;
    }
    m_dwTreeStyle = dwStyle;
    return CWnd::Create(kControlClassName, "", WS_CHILD | WS_VISIBLE, rect, pParentWnd, nID);
}

void CTavrinCtrl::SetCurLocale(int nLocale) {
    g_nLocale = nLocale;
}

int CTavrinCtrl::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;

    if (!m_popupMenu.CreatePopupMenu()) {
        AfxMessageBox("CreatePopMenu Failed", MB_OK);
        return -1;
    }

    CRect rc;
    GetClientRect(&rc);
    rc.left += 3;
    m_dwTreeStyle &= ~static_cast<DWORD>(WS_BORDER);
    if (!g_shelfTree.Create(m_dwTreeStyle | kForcedTreeStyles, rc, this, kShelfTreeId)) return -1;
    g_shelfTree.SendMessage(TVM_SETINDENT, 15, 0);
    g_shelfTree.SendMessage(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(m_crBack));
    g_shelfTree.SendMessage(TVM_SETINSERTMARKCOLOR, 0, static_cast<LPARAM>(m_crInsertMark));

    if (!g_dropTarget.Register(&g_shelfTree)) ShowMessage(4);

    // One shelf per process: a list left by an earlier control of this process goes first.
    if (g_imageList.GetSafeHandle()) g_imageList.DeleteImageList();
    g_imageList.Create(16, 16, ILC_COLOR24 | ILC_MASK, 17, 0);

    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(ShelfModule());
    for (int group = 0; group < kImageGroupCount; ++group) {
        for (int column = 0; column < kImageColumns; ++column) {
            CBitmap bitmap;
            int index = -1;
            if (!bitmap.LoadBitmap(kImageGroupBitmaps[group][column]))
                AfxMessageBox("Load bitmap failed", MB_OK);
            else
                index = g_imageList.Add(&bitmap, RGB(255, 255, 255));
            g_imageIndex[group * kImageColumns + column] = index;
            bitmap.DeleteObject();
        }
    }
    AfxSetResourceHandle(previous);

    if (g_imageList.GetImageCount() >= 17) {
        g_shelfTree.SetImageList(&g_imageList, TVSIL_NORMAL);
        InitTree2();
        m_nMoved = 0;
    }
    return 0;
}

void CTavrinCtrl::OnDestroy() {
    CWnd::OnDestroy();
    if (m_hShelfDriver) {
        BindDriver(m_hShelfDriver);
        if (m_bShelfOpen && g_cbi.CBICloseBook) g_cbi.CBICloseBook(m_dwShelfHandle);
        m_bShelfOpen = FALSE;
        FreeLibrary(m_hShelfDriver);
        m_hShelfDriver = 0;
    }
    m_nMoved = 0;
    m_dictNodes.clear();
    m_dictNodes.shrink_to_fit();
}

void CTavrinCtrl::OnNcDestroy() {
    CWnd::OnNcDestroy();
    if (m_hHtmlDriver) {
        BindDriver(m_hHtmlDriver);
        if (g_cbi.CBIShelfClose) g_cbi.CBIShelfClose();
        FreeLibrary(m_hHtmlDriver);
        m_hHtmlDriver = 0;
    }
    m_popupMenu.DestroyMenu();
    m_hRoot = nullptr;
    // The tree and its items are gone; the image list it used goes with them.
    if (g_imageList.GetSafeHandle()) g_imageList.DeleteImageList();
}

LRESULT CTavrinCtrl::DefWindowProcA(UINT message, WPARAM wParam, LPARAM lParam) {
    m_uAddBookMsg = ::RegisterWindowMessageA("KSM_ADD_BOOK");
    if (message == m_uAddBookMsg && m_hHtmlDriver && lParam) {
        // As the register command offers a file to the store: a refusal is shown with its reason, a
        // book the store took brings the store's books in again.
        BindDriver(m_hHtmlDriver);
        if (g_cbi.CBIShelfAddBook) {
            tavrin::ForgetRefusal();
            if (OfferToStore(reinterpret_cast<const char*>(lParam))) Refresh();
        }
    }
    return CWnd::DefWindowProcA(message, wParam, lParam);
}

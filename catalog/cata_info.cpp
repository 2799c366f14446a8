// Reading one setting of a system catalog on demand, and a catalog's own images from its "IDB"
// setting.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/settings_page.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

using namespace tavrin;

int CTavrinCtrl::GetCataInfoFromFile(DWORD dwShelfHandle, DWORD hVpItem, LPCSTR lpszSection, LPCSTR lpszKey,
                                     LPSTR lpszValue, int nSize) {
    BindDriver(m_hShelfDriver);
    if (!lpszSection || !lpszKey || nSize <= 0) return 0;
    return ReadCatalogSetting(g_cbi, dwShelfHandle, hVpItem, lpszSection, lpszKey, lpszValue,
                              static_cast<size_t>(nSize))
               ? 1
               : 0;
}

void CTavrinCtrl::GetImgIdx(DWORD dwShelfHandle, DWORD hVpItem, TreeNode* pNode) {
    if (!pNode) return;
    // The images are bitmaps of the host's resource module; without it none can be loaded.
    HMODULE resources = GetModuleHandleA("Tavrin.res");
    HINSTANCE previous = AfxGetResourceHandle();
    if (resources) AfxSetResourceHandle(resources);

    char value[kNameSize] = {};
    if (GetCataInfoFromFile(dwShelfHandle, hVpItem, "CONFIG", "IDB", value, sizeof value)) {
        int ids[4] = {0, 0, 0, 0};
        ParseNumbers(value, ids, 4);
        for (int i = 0; i < 4; ++i) {
            CBitmap bitmap;
            int index = -1;
            if (!resources || ids[i] <= 0 || ids[i] > 0xFFFF || !bitmap.LoadBitmap(static_cast<UINT>(ids[i])))
                AfxMessageBox("Load bitmap failed", MB_OK);
            else
                index = g_imageList.Add(&bitmap, RGB(255, 255, 255));
            pNode->nImage[i] = index;
            bitmap.DeleteObject();
        }
    }
    AfxSetResourceHandle(previous);
}

// Reading one setting of a system catalog on demand, and a catalog's own images from its "IDB"
// setting.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/settings_page.h"
#include "catalog/settings_text.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <span>

using namespace tavrin;

int CTavrinCtrl::GetCataInfoFromFile(DWORD dwShelfHandle, DWORD hVpItem, LPCSTR lpszSection, LPCSTR lpszKey,
                                     LPSTR lpszValue, int nSize) {
    BindDriver(m_hShelfDriver);
    if (!lpszSection || !lpszKey || !lpszValue || nSize <= 0 || hVpItem == 0) return 0;
    std::vector<unsigned char> page = ReadSettingsPage(g_cbi, dwShelfHandle, hVpItem);
    std::optional<std::string_view> value =
        FindSetting(std::span<const unsigned char>(page), lpszSection, lpszKey);
    // A value that does not fit the caller's buffer is not found: a cut value names something else.
    if (!value || value->size() >= static_cast<size_t>(nSize)) return 0;
    std::memset(lpszValue, 0, static_cast<size_t>(nSize));
    if (!value->empty()) std::memcpy(lpszValue, value->data(), value->size());
    return 1;
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

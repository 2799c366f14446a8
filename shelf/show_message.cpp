#include "tavrin/tavrin_ctrl.h"

#include "resources/resource_ids.h"

using namespace tavrin;

void CTavrinCtrl::ShowMessage(UINT uStringId) {
    HMODULE module = ::GetModuleHandleA("Tavrin.dll");
    // Emptied first: a string missing from the table in use shows as an empty text.
    char caption[260] = "";
    char text[260] = "";
    ::LoadStringA(module, IDS_ERROR, caption, sizeof caption);
    ::LoadStringA(module, uStringId, text, sizeof text);
    ::MessageBoxA(m_hWnd, text, caption, MB_OK);
}

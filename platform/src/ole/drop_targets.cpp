// OLE initialisation and the drop targets registered on windows.
#include "ole/drag_state.h"
#include "plat/drop.h"

#include <map>

namespace {

int g_oleCount = 0;

std::map<HWND, IDropTarget*>& Targets() {
    static std::map<HWND, IDropTarget*> targets;
    return targets;
}

} // namespace

namespace plat {

IDropTarget* DropTargetOf(HWND hwnd) {
    auto& targets = Targets();
    auto it = targets.find(hwnd);
    if (it == targets.end()) return nullptr;
    if (!IsWindow(hwnd)) {
        // The window went away without revoking its target; the registration goes with it.
        targets.erase(it);
        return nullptr;
    }
    return it->second;
}

int OleInitCount() {
    return g_oleCount;
}

void ResetDragDropForTest() {
    detail::ForgetDrag();
    Targets().clear();
    g_oleCount = 0;
}

} // namespace plat

extern "C" {

HRESULT OleInitialize(LPVOID pvReserved) {
    if (pvReserved) return E_INVALIDARG;
    return g_oleCount++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize(void) {
    if (g_oleCount > 0) --g_oleCount;
}

} // extern "C"

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* pDropTarget) {
    if (!pDropTarget) return E_INVALIDARG;
    if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
    // The platform answers E_OUTOFMEMORY when OLE was not initialised on the thread.
    if (g_oleCount == 0) return E_OUTOFMEMORY;
    if (plat::DropTargetOf(hwnd)) return DRAGDROP_E_ALREADYREGISTERED;
    Targets()[hwnd] = pDropTarget;
    return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
    if (!IsWindow(hwnd)) {
        Targets().erase(hwnd);
        return DRAGDROP_E_INVALIDHWND;
    }
    if (!Targets().erase(hwnd)) return DRAGDROP_E_NOTREGISTERED;
    return S_OK;
}

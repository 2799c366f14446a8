// The drag image: one per process. BeginDrag copies the image into a temporary list that lives until
// EndDrag; DragEnter locks a window and shows the image at a point relative to that window's rectangle.
#include "imagelist/imagelist_table.h"

#include "win/winuser.h"

using namespace plat;
using namespace plat::detail;

namespace {

DragImageInfo& Drag() {
    static DragImageInfo state;
    return state;
}

} // namespace

extern "C" {

BOOL ImageList_BeginDrag(HIMAGELIST himlTrack, int iTrack, int dxHotspot, int dyHotspot) {
    ImageListObject* list = LookupImageList(himlTrack);
    if (!list || iTrack < 0 || iTrack >= static_cast<int>(list->images.size())) return FALSE;
    // A drag still running is ended first.
    if (Drag().active) ImageList_EndDrag();
    HIMAGELIST temp = NewImageList(list->cx, list->cy, list->flags, 0);
    ImageListObject* copy = LookupImageList(temp);
    copy->bkColor = list->bkColor;
    copy->images.push_back(list->images[static_cast<size_t>(iTrack)]);
    DragImageInfo& d = Drag();
    d = DragImageInfo{};
    d.active = true;
    d.source = himlTrack;
    d.imageIndex = iTrack;
    d.dragList = temp;
    d.hotspot = POINT{dxHotspot, dyHotspot};
    return TRUE;
}

BOOL ImageList_DragEnter(HWND hwndLock, int x, int y) {
    DragImageInfo& d = Drag();
    if (!d.active) return FALSE;
    if (hwndLock && !IsWindow(hwndLock)) return FALSE;
    d.lockWindow = hwndLock;
    d.entered = true;
    d.position = POINT{x, y};
    d.shown = true;
    return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
    DragImageInfo& d = Drag();
    if (!d.active) return FALSE;
    d.position = POINT{x, y};
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL fShow) {
    DragImageInfo& d = Drag();
    if (!d.active) return FALSE;
    d.shown = fShow != FALSE;
    return TRUE;
}

BOOL ImageList_DragLeave(HWND hwndLock) {
    DragImageInfo& d = Drag();
    if (!d.active) return FALSE;
    d.shown = false;
    d.entered = false;
    d.lockWindow = nullptr;
    return TRUE;
}

void ImageList_EndDrag(void) {
    DragImageInfo& d = Drag();
    if (d.dragList) DestroyImageList(d.dragList);
    d = DragImageInfo{};
}

HIMAGELIST ImageList_GetDragImage(POINT* ppt, POINT* pptHotspot) {
    DragImageInfo& d = Drag();
    if (!d.active) return nullptr;
    if (ppt) *ppt = d.position;
    if (pptHotspot) *pptHotspot = d.hotspot;
    return d.dragList;
}

} // extern "C"

namespace plat {

DragImageInfo DragImageState() {
    return Drag();
}

} // namespace plat

// ImageList_Create/Destroy/Add/AddMasked/Remove/Draw and friends.
#include "imagelist/imagelist_table.h"

#include "gdi/gdi_objects.h"

#include <algorithm>
#include <unordered_map>

namespace plat::detail {
namespace {

struct ListTable {
    std::unordered_map<uintptr_t, std::unique_ptr<ImageListObject>> lists;
    uintptr_t next = 0x7000000;
};

ListTable& Lists() {
    static auto* table = new ListTable();
    return *table;
}

constexpr int kMaxImageSide = 4096;

// Cuts `bitmap` into images of cx x cy from left to right. `maskOf` decides the mask per pixel of the
// strip (only used when the list has a mask).
template <class MaskOf> int AddStrip(ImageListObject& list, const Image& strip, MaskOf maskOf) {
    int count = strip.width / list.cx;
    if (count <= 0) return -1;
    int first = static_cast<int>(list.images.size());
    for (int n = 0; n < count; ++n) {
        auto img = std::make_shared<Image>();
        img->width = list.cx;
        img->height = list.cy;
        img->xrgb.assign(static_cast<size_t>(list.cx) * static_cast<size_t>(list.cy), 0);
        if (list.HasMask()) img->mask.assign(img->xrgb.size(), 0);
        for (int y = 0; y < list.cy; ++y) {
            for (int x = 0; x < list.cx; ++x) {
                size_t at = static_cast<size_t>(y) * static_cast<size_t>(list.cx) + static_cast<size_t>(x);
                int sx = n * list.cx + x;
                if (y >= strip.height) {
                    // Rows the bitmap does not have are transparent (or black without a mask).
                    if (list.HasMask()) img->mask[at] = 1;
                    continue;
                }
                uint32_t p = strip.xrgb[static_cast<size_t>(y) * static_cast<size_t>(strip.width) +
                                        static_cast<size_t>(sx)];
                if (list.HasMask() && maskOf(sx, y, p)) {
                    img->mask[at] = 1;
                    p = 0; // transparent pixels are black in the image, as the platform keeps them
                }
                img->xrgb[at] = p;
            }
        }
        list.images.push_back(std::move(img));
    }
    return first;
}

} // namespace

ImageListObject* LookupImageList(HIMAGELIST himl) {
    auto it = Lists().lists.find(reinterpret_cast<uintptr_t>(himl));
    return it == Lists().lists.end() ? nullptr : it->second.get();
}

HIMAGELIST NewImageList(int cx, int cy, UINT flags, int grow) {
    if (cx <= 0 || cy <= 0 || cx > kMaxImageSide || cy > kMaxImageSide) return nullptr;
    auto list = std::make_unique<ImageListObject>();
    list->cx = cx;
    list->cy = cy;
    list->flags = flags;
    list->grow = grow;
    ListTable& t = Lists();
    uintptr_t key = t.next;
    t.next += 0x10;
    t.lists.emplace(key, std::move(list));
    return reinterpret_cast<HIMAGELIST>(key);
}

bool DestroyImageList(HIMAGELIST himl) {
    return Lists().lists.erase(reinterpret_cast<uintptr_t>(himl)) > 0;
}

} // namespace plat::detail

using namespace plat;
using namespace plat::detail;

extern "C" {

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cInitial < 0) return nullptr;
    return NewImageList(cx, cy, flags, cGrow);
}

BOOL ImageList_Destroy(HIMAGELIST himl) {
    return DestroyImageList(himl) ? TRUE : FALSE;
}

int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask) {
    ImageListObject* list = LookupImageList(himl);
    BitmapObject* bm = LookupBitmap(hbmImage);
    if (!list || !bm) return -1;
    uint32_t key = ToXrgb(crMask & 0xFFFFFF);
    return AddStrip(*list, bm->image, [&](int, int, uint32_t p) { return p == key; });
}

int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask) {
    ImageListObject* list = LookupImageList(himl);
    BitmapObject* bm = LookupBitmap(hbmImage);
    if (!list || !bm) return -1;
    BitmapObject* mask = hbmMask ? LookupBitmap(hbmMask) : nullptr;
    if (hbmMask && !mask) return -1;
    return AddStrip(*list, bm->image, [&](int x, int y, uint32_t) {
        // White in the mask bitmap marks a transparent pixel.
        return mask && mask->image.ColorAt(x, y) == 0xFFFFFF;
    });
}

BOOL ImageList_Remove(HIMAGELIST himl, int i) {
    ImageListObject* list = LookupImageList(himl);
    if (!list) return FALSE;
    if (i == -1) {
        list->images.clear();
        return TRUE;
    }
    if (i < 0 || i >= static_cast<int>(list->images.size())) return FALSE;
    list->images.erase(list->images.begin() + i);
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST himl) {
    ImageListObject* list = LookupImageList(himl);
    return list ? static_cast<int>(list->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    ImageListObject* list = LookupImageList(himl);
    if (!list || !cx || !cy) return FALSE;
    *cx = list->cx;
    *cy = list->cy;
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk) {
    ImageListObject* list = LookupImageList(himl);
    if (!list) return CLR_NONE;
    COLORREF old = list->bkColor;
    list->bkColor = clrBk == CLR_NONE ? CLR_NONE : (clrBk & 0xFFFFFF);
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST himl) {
    ImageListObject* list = LookupImageList(himl);
    return list ? list->bkColor : CLR_NONE;
}

BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) {
    ImageListObject* list = LookupImageList(himl);
    DcObject* dc = LookupDc(hdcDst);
    if (!list || !dc || i < 0 || i >= static_cast<int>(list->images.size())) return FALSE;
    DrawOp op;
    op.kind = DrawKind::ImageList;
    op.clip = dc->state.clip;
    op.pos = ToDevice(*dc, x, y);
    op.rect = RECT{op.pos.x, op.pos.y, op.pos.x + list->cx, op.pos.y + list->cy};
    op.imageList = himl;
    op.imageIndex = i;
    op.style = fStyle;
    op.imageBkColor = list->bkColor;
    op.masked = list->HasMask();
    op.image = list->images[static_cast<size_t>(i)];
    Record(*dc, std::move(op));
    return TRUE;
}

} // extern "C"

namespace plat {

Image ImageListPixels(HIMAGELIST himl, int index) {
    ImageListObject* list = LookupImageList(himl);
    if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return Image{};
    return *list->images[static_cast<size_t>(index)];
}

size_t ImageListCount() {
    return Lists().lists.size();
}

} // namespace plat

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

// Adds the images of `strip` (as many whole images as it is wide) to the end of the list; the index of
// the first, or -1 when it holds none.
int AddStrip(ImageListObject& list, AddedStrip strip) {
    int count = strip.pixels.width / list.cx;
    if (count <= 0) return -1;
    int first = static_cast<int>(list.images.size());
    strip.cx = list.cx;
    strip.cy = list.cy;
    strip.masked = list.HasMask();
    auto shared = std::make_shared<const AddedStrip>(std::move(strip));
    for (int n = 0; n < count; ++n)
        list.images.emplace_back(shared, n);
    return first;
}

} // namespace

const std::shared_ptr<const Image>& ListImage::Pixels() const {
    if (pixels_) return pixels_;
    const AddedStrip& strip = *strip_;
    auto img = std::make_shared<Image>();
    img->width = strip.cx;
    img->height = strip.cy;
    img->xrgb.assign(static_cast<size_t>(strip.cx) * static_cast<size_t>(strip.cy), 0);
    if (strip.masked) img->mask.assign(img->xrgb.size(), 0);
    for (int y = 0; y < strip.cy; ++y) {
        for (int x = 0; x < strip.cx; ++x) {
            size_t at = static_cast<size_t>(y) * static_cast<size_t>(strip.cx) + static_cast<size_t>(x);
            int sx = column_ * strip.cx + x;
            if (y >= strip.pixels.height) {
                // Rows the bitmap does not have are transparent (or black without a mask).
                if (strip.masked) img->mask[at] = 1;
                continue;
            }
            uint32_t p = strip.pixels.xrgb[static_cast<size_t>(y) * static_cast<size_t>(strip.pixels.width) +
                                           static_cast<size_t>(sx)];
            bool transparent = strip.maskColour
                                   ? p == *strip.maskColour
                                   : strip.maskBitmap && strip.maskBitmap->ColorAt(sx, y) == 0xFFFFFF;
            if (strip.masked && transparent) {
                img->mask[at] = 1;
                p = 0; // transparent pixels are black in the image, as the platform keeps them
            }
            img->xrgb[at] = p;
        }
    }
    pixels_ = std::move(img);
    strip_.reset(); // the strip goes when its last image is cut (or removed)
    return pixels_;
}

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
    AddedStrip strip;
    strip.pixels = bm->image;
    strip.maskColour = ToXrgb(crMask & 0xFFFFFF);
    return AddStrip(*list, std::move(strip));
}

int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask) {
    ImageListObject* list = LookupImageList(himl);
    BitmapObject* bm = LookupBitmap(hbmImage);
    if (!list || !bm) return -1;
    BitmapObject* mask = hbmMask ? LookupBitmap(hbmMask) : nullptr;
    if (hbmMask && !mask) return -1;
    AddedStrip strip;
    strip.pixels = bm->image;
    if (mask) strip.maskBitmap = mask->image; // white in the mask bitmap marks a transparent pixel
    return AddStrip(*list, std::move(strip));
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
    op.image = list->images[static_cast<size_t>(i)].Pixels();
    Record(*dc, std::move(op));
    return TRUE;
}

} // extern "C"

namespace plat {

Image ImageListPixels(HIMAGELIST himl, int index) {
    ImageListObject* list = LookupImageList(himl);
    if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return Image{};
    return *list->images[static_cast<size_t>(index)].Pixels();
}

size_t ImageListCount() {
    return Lists().lists.size();
}

} // namespace plat

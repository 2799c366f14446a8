// Image lists behind HIMAGELIST handles. Each image is kept as an immutable block of pixels with its
// mask, shared with the drawing operations that show it. A strip added to a list is copied as it is
// and cut into its images only when an image is first drawn or read: a program that fills a list at
// start-up and shows a few of its images pays for those.
#pragma once

#include "plat/draw.h"

#include <memory>
#include <optional>
#include <vector>

namespace plat::detail {

// A bitmap as it was added to a list, with what decides its transparent pixels.
struct AddedStrip {
    Image pixels;
    int cx = 0;
    int cy = 0;
    bool masked = false;                // the list has a mask
    std::optional<uint32_t> maskColour; // ImageList_AddMasked: pixels of this 0x00RRGGBB colour
    std::optional<Image> maskBitmap;    // ImageList_Add: white pixels of this bitmap
};

// One image of a list: column `column` of its strip, cut when first asked for.
class ListImage {
  public:
    ListImage(std::shared_ptr<const AddedStrip> strip, int column)
        : strip_(std::move(strip)), column_(column) {}
    const std::shared_ptr<const Image>& Pixels() const;

  private:
    mutable std::shared_ptr<const AddedStrip> strip_; // until the image is cut
    int column_ = 0;
    mutable std::shared_ptr<const Image> pixels_;
};

struct ImageListObject {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int grow = 0;
    COLORREF bkColor = CLR_NONE;
    std::vector<ListImage> images;

    bool HasMask() const { return (flags & ILC_MASK) != 0; }
};

ImageListObject* LookupImageList(HIMAGELIST himl);
HIMAGELIST NewImageList(int cx, int cy, UINT flags, int grow);
bool DestroyImageList(HIMAGELIST himl);

} // namespace plat::detail

// Image lists behind HIMAGELIST handles. Each image is kept as an immutable block of pixels with its
// mask, shared with the drawing operations that show it.
#pragma once

#include "plat/draw.h"

#include <memory>
#include <vector>

namespace plat::detail {

struct ImageListObject {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int grow = 0;
    COLORREF bkColor = CLR_NONE;
    std::vector<std::shared_ptr<const Image>> images;

    bool HasMask() const { return (flags & ILC_MASK) != 0; }
};

ImageListObject* LookupImageList(HIMAGELIST himl);
HIMAGELIST NewImageList(int cx, int cy, UINT flags, int grow);
bool DestroyImageList(HIMAGELIST himl);

} // namespace plat::detail

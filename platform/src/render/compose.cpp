// Pictures of whole windows: every shown window of a window tree painted afresh and its recorded
// drawing composed into one image, with the frames (borders, scroll bars) the platform would draw
// around each client area.
#include "plat/render.h"

#include "render/raster.h"
#include "windows.h"

#include <algorithm>
#include <vector>

namespace plat {
namespace {

constexpr long long kMaxPixels = 1LL << 26;

RECT Offset(RECT r, int dx, int dy) {
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool ShownOnScreen(HWND hwnd) {
    for (HWND h = hwnd; h; h = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr)
        if (!(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE)) return false;
    return true;
}

// The shown windows of the tree under `hwnd` in painting order: a window before its children,
// siblings from the bottom of the z-order up.
void CollectShown(HWND hwnd, std::vector<HWND>& out) {
    out.push_back(hwnd);
    std::vector<HWND> children;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) children.push_back(child);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        CollectShown(*it, out);
}

void Paint(Image& img, DrawOp op) {
    detail::PaintOp(img, op);
}

DrawOp FillOp(const RECT& r, const RECT& clip, COLORREF color) {
    DrawOp op;
    op.kind = DrawKind::Fill;
    op.rect = r;
    op.clip = clip;
    op.color = color;
    op.rop = PATCOPY;
    return op;
}

DrawOp FrameOp(const RECT& r, const RECT& clip, COLORREF color) {
    DrawOp op = FillOp(r, clip, color);
    op.kind = DrawKind::Frame;
    return op;
}

// A scroll bar in `bar` (image coordinates): two arrow boxes and the thumb where the bar's position
// puts it on its track.
void PaintScrollBar(Image& img, HWND hwnd, int which, const RECT& bar, const RECT& clip) {
    const bool vertical = which == SB_VERT;
    Paint(img, FillOp(bar, clip, GetSysColor(COLOR_SCROLLBAR)));
    const int thickness = vertical ? bar.right - bar.left : bar.bottom - bar.top;
    const int length = vertical ? bar.bottom - bar.top : bar.right - bar.left;
    const int arrow = std::min(thickness, length / 2);
    RECT first = vertical ? RECT{bar.left, bar.top, bar.right, bar.top + arrow}
                          : RECT{bar.left, bar.top, bar.left + arrow, bar.bottom};
    RECT last = vertical ? RECT{bar.left, bar.bottom - arrow, bar.right, bar.bottom}
                         : RECT{bar.right - arrow, bar.top, bar.right, bar.bottom};
    for (const RECT& box : {first, last}) {
        Paint(img, FillOp(box, clip, GetSysColor(COLOR_BTNFACE)));
        Paint(img, FrameOp(box, clip, GetSysColor(COLOR_BTNSHADOW)));
    }
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(hwnd, which, &si)) return;
    const long long range = static_cast<long long>(si.nMax) - si.nMin + 1;
    const int track = length - 2 * arrow;
    if (range <= 0 || track <= 4 || si.nPage >= range) return;
    int thumb = static_cast<int>(std::max<long long>(8, track * static_cast<long long>(si.nPage) / range));
    thumb = std::min(thumb, track);
    const long long travel = range - static_cast<long long>(si.nPage);
    const long long at = std::clamp<long long>(si.nPos - si.nMin, 0, travel > 0 ? travel : 0);
    const int start = arrow + (travel > 0 ? static_cast<int>((track - thumb) * at / travel) : 0);
    RECT box = vertical ? RECT{bar.left, bar.top + start, bar.right, bar.top + start + thumb}
                        : RECT{bar.left + start, bar.top, bar.left + start + thumb, bar.bottom};
    Paint(img, FillOp(box, clip, GetSysColor(COLOR_BTNFACE)));
    Paint(img, FrameOp(box, clip, GetSysColor(COLOR_BTNSHADOW)));
}

// The frame of one window: its border, its client edge and its scroll bars, in image coordinates.
// `window` is the window rectangle, `client` the client rectangle; `clip` where the window shows.
void PaintFrame(Image& img, HWND hwnd, RECT window, const RECT& client, const RECT& clip) {
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (style & WS_BORDER) {
        Paint(img, FrameOp(window, clip, GetSysColor(COLOR_WINDOWFRAME)));
        window = RECT{window.left + 1, window.top + 1, window.right - 1, window.bottom - 1};
    }
    if (exStyle & WS_EX_CLIENTEDGE) {
        // Sunken: dark above and left, light below and right, two pixels deep.
        const COLORREF outer[2] = {GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_3DHILIGHT)};
        const COLORREF inner[2] = {GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_BTNFACE)};
        for (const COLORREF* shades : {outer, inner}) {
            Paint(img, FillOp(RECT{window.left, window.top, window.right, window.top + 1}, clip, shades[0]));
            Paint(img,
                  FillOp(RECT{window.left, window.top, window.left + 1, window.bottom}, clip, shades[0]));
            Paint(img,
                  FillOp(RECT{window.left, window.bottom - 1, window.right, window.bottom}, clip, shades[1]));
            Paint(img,
                  FillOp(RECT{window.right - 1, window.top, window.right, window.bottom}, clip, shades[1]));
            window = RECT{window.left + 1, window.top + 1, window.right - 1, window.bottom - 1};
        }
    }
    // What is left between the edges and the client area holds the scroll bars.
    if (window.right > client.right)
        PaintScrollBar(img, hwnd, SB_VERT, RECT{client.right, window.top, window.right, client.bottom}, clip);
    if (window.bottom > client.bottom)
        PaintScrollBar(img, hwnd, SB_HORZ, RECT{window.left, client.bottom, client.right, window.bottom},
                       clip);
    if (window.right > client.right && window.bottom > client.bottom)
        Paint(img, FillOp(RECT{client.right, client.bottom, window.right, window.bottom}, clip,
                          GetSysColor(COLOR_BTNFACE)));
}

// Moves a recorded operation by (dx, dy) and narrows its clip to `clip`.
DrawOp Placed(const DrawOp& recorded, int dx, int dy, const RECT& clip) {
    DrawOp op = recorded;
    op.rect = Offset(op.rect, dx, dy);
    op.clip = Intersect(Offset(op.clip, dx, dy), clip);
    op.pos = POINT{op.pos.x + dx, op.pos.y + dy};
    op.from = POINT{op.from.x + dx, op.from.y + dy};
    op.to = POINT{op.to.x + dx, op.to.y + dy};
    return op;
}

} // namespace

Image RenderWindow(HWND hwnd, COLORREF background) {
    Image img;
    if (!IsWindow(hwnd) || !ShownOnScreen(hwnd)) return img;
    RECT whole{};
    GetWindowRect(hwnd, &whole);
    const int w = whole.right - whole.left;
    const int h = whole.bottom - whole.top;
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxPixels) return img;

    // Everything is painted afresh, so that each window's last drawing is all of it.
    std::vector<HWND> windows;
    CollectShown(hwnd, windows);
    for (HWND window : windows) {
        ClearDrawing(window);
        InvalidateRect(window, nullptr, TRUE);
    }
    UpdateWindow(hwnd);

    img.width = w;
    img.height = h;
    img.xrgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h), ToXrgb(background & 0xFFFFFF));
    // Where each window may show: its rectangle within its parent's client area (image coordinates).
    std::vector<std::pair<HWND, RECT>> clientClips;
    auto clipOf = [&](HWND parent) {
        for (const auto& [window, clip] : clientClips)
            if (window == parent) return clip;
        return RECT{0, 0, w, h};
    };
    windows.clear();
    CollectShown(hwnd, windows); // painting may have shown, hidden or destroyed windows
    for (HWND window : windows) {
        RECT rect{};
        GetWindowRect(window, &rect);
        rect = Offset(rect, -whole.left, -whole.top);
        const RECT visible = Intersect(rect, window == hwnd ? RECT{0, 0, w, h} : clipOf(GetParent(window)));
        RECT client{};
        GetClientRect(window, &client);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        const int dx = origin.x - whole.left;
        const int dy = origin.y - whole.top;
        client = Offset(client, dx, dy);
        const RECT clientClip = Intersect(client, visible);
        clientClips.emplace_back(window, clientClip);

        PaintFrame(img, window, rect, client, visible);
        for (const DrawOp& op : LastDrawing(window).ops)
            Paint(img, Placed(op, dx, dy, clientClip));
    }
    return img;
}

} // namespace plat

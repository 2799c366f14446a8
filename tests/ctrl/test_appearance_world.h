// What the appearance tests share: a shelf with linked, unlinked and coloured catalogs, shown in a
// visible control, and ways to look at how it was painted (its recorded drawing and its pixels).
#pragma once

#include "test_catalog_world.h"

#include "plat/draw.h"
#include "plat/render.h"

#include <cstdlib>
#include <string>

namespace appearance_world {

inline constexpr COLORREF kNavy = 0x800000;
inline constexpr COLORREF kBrick = 0x1D33B1;
inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kGreen = RGB(0, 128, 0);

// The control with its appearance members open to tests.
class LooksCtrl : public catalog_world::CatalogCtrl {
  public:
    using CTavrinCtrl::GetItemColor;
};

// Root "Shelf" with:
//   Linked (RID=news)        Unlinked (RID=0)         NoLink (no RID)
//   Coloured (green text)    - Child                  - Linked child (RID=kids)
//   Mine (a user catalog)
class LooksWorld : public catalog_world::CatalogWorld {
  protected:
    void SetUp() override {
        CatalogWorld::SetUp();
        Sys().Add(Sys().Root(), "Linked", {"[CONFIG]", "ID=11", "RID=news"}); // page 0
        Sys().Add(Sys().Root(), "Unlinked", {"[CONFIG]", "ID=12", "RID=0"});
        Sys().Add(Sys().Root(), "NoLink", {"[CONFIG]", "ID=13"});
        uint32_t coloured = Sys().Add(Sys().Root(), "Coloured", {"[CONFIG]", "ID=14", "TEXTCOLOR=0 128 0"});
        Sys().Add(coloured, "Child", {"[CONFIG]", "ID=15"});
        Sys().Add(coloured, "Linked child", {"[CONFIG]", "ID=16", "RID=kids"});
        ctrl_ = std::make_unique<LooksCtrl>();
        CRect rc(0, 0, 300, 400);
        // As a host makes it: a visible child window.
        DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS;
        ASSERT_TRUE(ctrl_->Create(style, rc, CWnd::FromHandle(host_), 77));
        mine_ = AddUserCatalog(Ctrl().Root(), "Mine", CATA_USER, "");
        TreeView_Expand(Tree(), Find("Coloured"), TVE_EXPAND);
        plat::PumpMessages();
    }

    LooksCtrl& Looks() { return static_cast<LooksCtrl&>(*ctrl_); }

    // A fresh picture of the tree (its client area) and the drawing it was made from.
    plat::Image TreePicture() { return plat::RenderWindow(Tree()); }
    plat::Drawing TreeDrawing() {
        plat::RenderWindow(Tree());
        return plat::LastDrawing(Tree());
    }
    // The text drawn at `at`, or null.
    static const plat::DrawOp* TextAt(const plat::Drawing& d, POINT at) {
        for (const plat::DrawOp* op : d.OfKind(plat::DrawKind::Text))
            if (op->pos.x == at.x && op->pos.y == at.y) return op;
        return nullptr;
    }
    // The link mark of an item: text at the label's right + 2, top + 2.
    const plat::DrawOp* MarkOf(const plat::Drawing& d, HTREEITEM item) const {
        RECT label = Label(item);
        return TextAt(d, POINT{label.right + 2, label.top + 2});
    }
    // The label text of an item (the one text op inside its label rectangle).
    const plat::DrawOp* LabelTextOf(const plat::Drawing& d, HTREEITEM item) const {
        RECT label = Label(item);
        for (const plat::DrawOp* op : d.OfKind(plat::DrawKind::Text))
            if (op->pos.x >= label.left && op->pos.x < label.right && op->pos.y >= label.top &&
                op->pos.y < label.bottom)
                return op;
        return nullptr;
    }
    // Pixels in `area` whose colour is within a small distance of `color` (text ink: the strokes of
    // antialiased glyphs are the colour itself in their middle).
    static int InkOf(const plat::Image& img, RECT area, COLORREF color) {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                COLORREF c = img.ColorAt(x, y);
                if (c == CLR_INVALID) continue;
                int d = std::abs(GetRValue(c) - GetRValue(color)) +
                        std::abs(GetGValue(c) - GetGValue(color)) + std::abs(GetBValue(c) - GetBValue(color));
                if (d < 40) ++count;
            }
        return count;
    }
    // The area right of a label where its mark goes.
    RECT MarkArea(HTREEITEM item) const {
        RECT label = Label(item);
        return RECT{label.right + 2, label.top, label.right + 90, label.bottom};
    }

    HTREEITEM mine_ = nullptr;
};

} // namespace appearance_world

// Tree-view geometry: item height and indent rules, label rectangles from real text metrics, hit-test
// flags on every part of a row, the visible count, whole-item scrolling and the scroll bar.
#include "plat/draw.h"
#include "test_treeview_support.h"

using treetest::TreeTest;

namespace {

LOGFONTA GuiFont() {
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

class TreeGeometry : public TreeTest {
  protected:
    HIMAGELIST images = nullptr;

    void TearDown() override {
        TreeTest::TearDown();
        if (images) ImageList_Destroy(images);
    }
    int TextWidthOf(const char* text) { return plat::MeasureText(GuiFont(), text); }
    UINT HitFlags(POINT pt, HTREEITEM* item = nullptr) {
        TVHITTESTINFO ht{};
        ht.pt = pt;
        HTREEITEM result = TreeView_HitTest(tree, &ht);
        EXPECT_EQ(result, ht.hItem);
        if (item) *item = ht.hItem;
        return ht.flags;
    }
    int Top() {
        HTREEITEM first = TreeView_GetFirstVisible(tree);
        int row = 0;
        for (HTREEITEM i = TreeView_GetRoot(tree); i && i != first; i = TreeView_GetNextVisible(tree, i))
            ++row;
        return row;
    }
};

TEST_F(TreeGeometry, DefaultItemHeightFollowsTheFontAndIsEven) {
    MakeTree();
    TEXTMETRICA tm = plat::MetricsForFont(GuiFont());
    int expected = std::max<int>(16, tm.tmHeight + tm.tmExternalLeading + 3) & ~1;
    EXPECT_EQ(TreeView_GetItemHeight(tree), expected);

    HFONT big = CreateFontA(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    LOGFONTA lf{};
    GetObjectA(big, sizeof lf, &lf);
    TEXTMETRICA bigTm = plat::MetricsForFont(lf);
    SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
    EXPECT_EQ(SendMessageA(tree, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(big));
    EXPECT_EQ(TreeView_GetItemHeight(tree), (bigTm.tmHeight + bigTm.tmExternalLeading + 3) & ~1);
    HTREEITEM item = Insert(TVI_ROOT, "Wide label");
    RECT rc = ItemRect(item, true);
    EXPECT_EQ(rc.right - rc.left, plat::MeasureText(lf, "Wide label") + 4);
    DestroyWindow(tree);
    DeleteObject(big);
}

// The row height is read from the font without making the face; it is the cell GetTextMetricsA
// reports for every family, style and size, the exact cell heights and the clamped absurd ones
// included (odd heights allowed, so that an error of one pixel shows).
TEST_F(TreeGeometry, RowHeightIsTheFontsCellForEveryFamilyStyleAndSize) {
    MakeTree(TVS_HASLINES | TVS_NONEVENHEIGHT);
    for (const char* face : {"Arial", "Times New Roman", "Courier New", "", "Some Unknown Face"})
        for (LONG height :
             {-14L, -15L, -19L, -23L, -37L, -61L, 14L, 17L, 22L, 41L, -2000000000L, 2000000000L})
            for (int style = 0; style < 4; ++style) {
                HFONT font = CreateFontA(height, 0, 0, 0, (style & 1) ? FW_BOLD : FW_NORMAL, style & 2, 0, 0,
                                         ANSI_CHARSET, 0, 0, 0, FF_ROMAN, face);
                LOGFONTA lf{};
                GetObjectA(font, sizeof lf, &lf);
                TEXTMETRICA tm = plat::MetricsForFont(lf);
                SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
                EXPECT_EQ(TreeView_GetItemHeight(tree),
                          std::max<int>(16, tm.tmHeight + tm.tmExternalLeading + 3))
                    << "face '" << face << "' height " << height << " style " << style;
                SendMessageA(tree, WM_SETFONT, 0, FALSE);
                DeleteObject(font);
            }
    DestroyWindow(tree);
}

// Tall images and set heights are rounded down to even unless odd heights are allowed; -1 resets.
TEST_F(TreeGeometry, ItemHeightRoundingAndReset) {
    images = ImageList_Create(16, 25, ILC_COLOR24 | ILC_MASK, 1, 1);
    MakeTree();
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    EXPECT_EQ(TreeView_GetItemHeight(tree), 24);
    MakeTree(TVS_HASBUTTONS | TVS_NONEVENHEIGHT);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    EXPECT_EQ(TreeView_GetItemHeight(tree), 25);

    MakeTree();
    int natural = TreeView_GetItemHeight(tree);
    EXPECT_EQ(TreeView_SetItemHeight(tree, 9), natural); // returns the old height
    EXPECT_EQ(TreeView_GetItemHeight(tree), 8);
    TreeView_SetItemHeight(tree, 3);
    EXPECT_EQ(TreeView_GetItemHeight(tree), 2);
    TreeView_SetItemHeight(tree, 0);
    EXPECT_EQ(TreeView_GetItemHeight(tree), 1);
    TreeView_SetItemHeight(tree, -1);
    EXPECT_EQ(TreeView_GetItemHeight(tree), natural);
    MakeTree(TVS_NONEVENHEIGHT);
    TreeView_SetItemHeight(tree, 9);
    EXPECT_EQ(TreeView_GetItemHeight(tree), 9);
}

TEST_F(TreeGeometry, IndentDefaultMinimumAndWideImages) {
    MakeTree();
    EXPECT_EQ(TreeView_GetIndent(tree), 19u);
    TreeView_SetIndent(tree, 15);
    EXPECT_EQ(TreeView_GetIndent(tree), 15u);
    TreeView_SetIndent(tree, 1);
    EXPECT_EQ(TreeView_GetIndent(tree), 5u); // clamped to the minimum
    images = ImageList_Create(24, 16, ILC_COLOR24, 1, 1);
    TreeView_SetIndent(tree, 19);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    EXPECT_EQ(TreeView_GetIndent(tree), 24u);
    EXPECT_EQ(TreeView_GetImageList(tree, TVSIL_NORMAL), images);
}

TEST_F(TreeGeometry, ItemRectanglesWithButtonsImagesAndStateImages) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 160);
    HTREEITEM a = Insert(TVI_ROOT, "Alpha");
    HTREEITEM a1 = Insert(a, "Child label");
    HTREEITEM b = Insert(TVI_ROOT, "B");
    int h = TreeView_GetItemHeight(tree);
    RECT client{};
    GetClientRect(tree, &client);

    RECT text = ItemRect(a, true);
    EXPECT_EQ(text.left, 19); // one indent for the button column
    EXPECT_EQ(text.right, 19 + TextWidthOf("Alpha") + 4);
    EXPECT_EQ(text.top, 0);
    RECT row = ItemRect(b, false);
    EXPECT_EQ(row.left, 0);
    EXPECT_EQ(row.right, client.right);
    EXPECT_EQ(row.top, h);
    RECT hidden{};
    EXPECT_FALSE(TreeView_GetItemRect(tree, a1, &hidden, TRUE)); // inside a collapsed branch
    TreeView_Expand(tree, a, TVE_EXPAND);
    RECT child = ItemRect(a1, true);
    EXPECT_EQ(child.left, 38);
    EXPECT_EQ(child.top, h);
    EXPECT_EQ(ItemRect(b, false).top, 2 * h);

    // Without lines at root the top level has no button column; an image list adds its width.
    MakeTree(TVS_HASBUTTONS, 200, 160);
    images = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    HTREEITEM top = Insert(TVI_ROOT, "Top");
    EXPECT_EQ(ItemRect(top, true).left, 16);

    // State images have their own column.
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 160);
    TreeView_SetImageList(tree, images, TVSIL_STATE);
    HTREEITEM item = Insert(TVI_ROOT, "Checked");
    TreeView_SetItemState(tree, item, INDEXTOSTATEIMAGEMASK(1), TVIS_STATEIMAGEMASK);
    EXPECT_EQ(ItemRect(item, true).left, 19 + 16);
    EXPECT_EQ(HitFlags(POINT{19 + 4, 4}), static_cast<UINT>(TVHT_ONITEMSTATEICON));
}

TEST_F(TreeGeometry, HitTestFlagsOnEveryPartOfARow) {
    MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, 200, 160);
    images = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    HTREEITEM parentItem = Insert(TVI_ROOT, "Parent");
    HTREEITEM kid = Insert(parentItem, "Kid");
    HTREEITEM leaf = Insert(TVI_ROOT, "Leaf");
    TreeView_Expand(tree, parentItem, TVE_EXPAND);
    int h = TreeView_GetItemHeight(tree);
    RECT label = ItemRect(parentItem, true);
    int y = h / 2;
    HTREEITEM hit = nullptr;
    EXPECT_EQ(HitFlags(POINT{5, y}, &hit), static_cast<UINT>(TVHT_ONITEMBUTTON));
    EXPECT_EQ(hit, parentItem);
    EXPECT_EQ(HitFlags(POINT{19 + 3, y}), static_cast<UINT>(TVHT_ONITEMICON));
    EXPECT_EQ(HitFlags(POINT{label.left + 1, y}), static_cast<UINT>(TVHT_ONITEMLABEL));
    EXPECT_EQ(HitFlags(POINT{label.right - 1, y}), static_cast<UINT>(TVHT_ONITEMLABEL));
    EXPECT_EQ(HitFlags(POINT{label.right, y}), static_cast<UINT>(TVHT_ONITEMRIGHT));
    // The child: the parent's column is indent, and a childless item's button column too.
    EXPECT_EQ(HitFlags(POINT{5, h + y}, &hit), static_cast<UINT>(TVHT_ONITEMINDENT));
    EXPECT_EQ(hit, kid);
    EXPECT_EQ(HitFlags(POINT{25, h + y}), static_cast<UINT>(TVHT_ONITEMINDENT));
    EXPECT_EQ(HitFlags(POINT{5, 2 * h + y}, &hit), static_cast<UINT>(TVHT_ONITEMINDENT));
    EXPECT_EQ(hit, leaf);
    // Below the last row, and outside the client area.
    EXPECT_EQ(HitFlags(POINT{5, 3 * h + 2}, &hit), static_cast<UINT>(TVHT_NOWHERE));
    EXPECT_EQ(hit, nullptr);
    RECT client{};
    GetClientRect(tree, &client);
    EXPECT_EQ(HitFlags(POINT{-1, y}), static_cast<UINT>(TVHT_TOLEFT));
    EXPECT_EQ(HitFlags(POINT{5, -1}), static_cast<UINT>(TVHT_ABOVE));
    EXPECT_EQ(HitFlags(POINT{client.right, client.bottom}), static_cast<UINT>(TVHT_TORIGHT | TVHT_BELOW));
}

TEST_F(TreeGeometry, ScrollingMovesWholeItemsAndClamps) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 100);
    int visible = static_cast<int>(TreeView_GetVisibleCount(tree));
    std::vector<HTREEITEM> items;
    for (int i = 0; i < 20; ++i)
        items.push_back(Insert(TVI_ROOT, "row"));
    EXPECT_TRUE(GetWindowLongA(tree, GWL_STYLE) & WS_VSCROLL);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(tree, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 19);
    EXPECT_EQ(static_cast<int>(si.nPage), visible);

    auto scroll = [&](WPARAM code) { SendMessageA(tree, WM_VSCROLL, code, 0); };
    scroll(SB_LINEUP);
    EXPECT_EQ(Top(), 0);
    scroll(SB_LINEDOWN);
    EXPECT_EQ(Top(), 1);
    scroll(SB_PAGEDOWN);
    EXPECT_EQ(Top(), 1 + visible);
    scroll(SB_BOTTOM);
    EXPECT_EQ(Top(), 20 - visible);
    scroll(SB_LINEDOWN);
    EXPECT_EQ(Top(), 20 - visible); // no gap below the last item
    scroll(MAKEWPARAM(SB_THUMBPOSITION, 3));
    EXPECT_EQ(Top(), 3);
    GetScrollInfo(tree, SB_VERT, &si);
    EXPECT_EQ(si.nPos, 3);
    scroll(SB_PAGEUP);
    EXPECT_EQ(Top(), 0);
    EXPECT_EQ(ItemRect(items[0], false).top, 0);

    // Scrolled to the bottom, deleting rows pulls the view back so no gap appears.
    scroll(SB_BOTTOM);
    for (int i = 0; i < 5; ++i)
        TreeView_DeleteItem(tree, items[static_cast<size_t>(19 - i)]);
    EXPECT_EQ(Top(), 15 - visible);
    ExpectLinksOk();
}

// The visible count counts whole rows, and the scroll bar is there only when the rows do not fit.
TEST_F(TreeGeometry, VisibleCountAndScrollBar) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 100);
    int h = TreeView_GetItemHeight(tree);
    int visible = static_cast<int>(TreeView_GetVisibleCount(tree));
    EXPECT_EQ(visible, 100 / h);
    RECT full{};
    GetClientRect(tree, &full);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < visible; ++i)
        items.push_back(Insert(TVI_ROOT, "row"));
    EXPECT_FALSE(GetWindowLongA(tree, GWL_STYLE) & WS_VSCROLL);
    HTREEITEM extra = Insert(TVI_ROOT, "one more");
    EXPECT_TRUE(GetWindowLongA(tree, GWL_STYLE) & WS_VSCROLL);
    RECT narrow{};
    GetClientRect(tree, &narrow);
    EXPECT_LT(narrow.right, full.right);
    EXPECT_EQ(ItemRect(extra, false).right, narrow.right); // whole rows follow the client width
    TreeView_DeleteItem(tree, extra);
    EXPECT_FALSE(GetWindowLongA(tree, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(Top(), 0);
    MoveWindow(tree, 0, 0, 200, 3 * h + h - 1, TRUE);
    EXPECT_EQ(static_cast<int>(TreeView_GetVisibleCount(tree)), 3);
}

TEST_F(TreeGeometry, ExpandingScrollsTheNewChildrenIntoView) {
    MakeTree(TVS_HASBUTTONS | TVS_LINESATROOT, 200, 100);
    int visible = static_cast<int>(TreeView_GetVisibleCount(tree));
    ASSERT_GE(visible, 4);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < visible + 5; ++i)
        items.push_back(Insert(TVI_ROOT, "row"));
    HTREEITEM target = items[static_cast<size_t>(visible - 2)]; // the second row from the bottom
    for (int i = 0; i < 3; ++i)
        Insert(target, "kid");
    TreeView_Expand(tree, target, TVE_EXPAND);
    // Three children below a row that had one row beneath it: the view moves up by two.
    EXPECT_EQ(Top(), 2);
    // Many children never push the expanded item off the top.
    HTREEITEM low = items[static_cast<size_t>(visible + 2)];
    for (int i = 0; i < visible * 3; ++i)
        Insert(low, "many");
    TreeView_EnsureVisible(tree, low);
    TreeView_Expand(tree, low, TVE_EXPAND);
    EXPECT_EQ(TreeView_GetFirstVisible(tree), low);
    ExpectLinksOk();
}

TEST_F(TreeGeometry, ColoursDefaultAndReturnTheOldValue) {
    MakeTree();
    EXPECT_EQ(TreeView_GetBkColor(tree), CLR_NONE);
    EXPECT_EQ(TreeView_GetTextColor(tree), CLR_NONE);
    EXPECT_EQ(TreeView_GetLineColor(tree), CLR_DEFAULT);
    EXPECT_EQ(TreeView_GetInsertMarkColor(tree), CLR_DEFAULT);
    EXPECT_EQ(TreeView_SetBkColor(tree, RGB(1, 2, 3)), CLR_NONE);
    EXPECT_EQ(TreeView_SetBkColor(tree, CLR_NONE), RGB(1, 2, 3));
    EXPECT_EQ(TreeView_SetInsertMarkColor(tree, 0x00FFAF), CLR_DEFAULT);
    EXPECT_EQ(TreeView_GetInsertMarkColor(tree), 0x00FFAFu);
}

} // namespace

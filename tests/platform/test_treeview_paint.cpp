// Tree-view painting: the custom-draw stages and their order, the colours used, skipping, the insert
// mark, and the drag image. (The colours offered per item state are in the conformance tests.)
#include "plat/draw.h"
#include "test_treeview_support.h"

using treetest::Note;
using treetest::TreeTest;

namespace {

class TreePaint : public TreeTest {
  protected:
    HTREEITEM a = nullptr, a1 = nullptr, b = nullptr;
    LRESULT prepaintAnswer = CDRF_DODEFAULT;
    std::function<LRESULT(NMTVCUSTOMDRAW*)> itemAnswer;

    void SetUp() override {
        TreeTest::SetUp();
        MakeTree(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
        a = Insert(TVI_ROOT, "Alpha", TVI_LAST, -2, 11);
        a1 = Insert(a, "Alpha one", TVI_LAST, -2, 12);
        b = Insert(TVI_ROOT, "Bravo", TVI_LAST, -2, 13);
        TreeView_Expand(tree, a, TVE_EXPAND);
        answer = [this](NMHDR* hdr) -> LRESULT {
            if (hdr->code != NM_CUSTOMDRAW) return 0;
            auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return prepaintAnswer;
            if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && itemAnswer) return itemAnswer(cd);
            return 0;
        };
    }

    plat::Drawing Repaint() {
        notes.clear();
        InvalidateRect(tree, nullptr, TRUE);
        UpdateWindow(tree);
        return plat::LastDrawing(tree);
    }

    std::vector<DWORD> Stages() const {
        std::vector<DWORD> out;
        for (const Note* n : Of("CUSTOMDRAW"))
            out.push_back(n->stage);
        return out;
    }

    const Note* ItemStage(DWORD stage, HTREEITEM item) const {
        for (const Note* n : Of("CUSTOMDRAW"))
            if (n->stage == stage && n->itemSpec == reinterpret_cast<DWORD_PTR>(item)) return n;
        return nullptr;
    }
};

// The default answer gives only the prepaint stage; asked for, item stages run top to bottom, then
// the postpaint stage, and never an erase stage.
TEST_F(TreePaint, Stages) {
    plat::Drawing drawing = Repaint();
    EXPECT_EQ(Stages(), (std::vector<DWORD>{CDDS_PREPAINT}));
    EXPECT_EQ(Of("CUSTOMDRAW")[0]->itemSpec, 0u);
    EXPECT_NE(drawing.FindText("Alpha"), nullptr);
    EXPECT_NE(drawing.FindText("Alpha one"), nullptr);
    EXPECT_NE(drawing.FindText("Bravo"), nullptr);

    prepaintAnswer = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT | CDRF_NOTIFYITEMERASE | CDRF_NOTIFYPOSTERASE;
    Repaint();
    EXPECT_EQ(Stages(), (std::vector<DWORD>{CDDS_PREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPREPAINT,
                                            CDDS_ITEMPREPAINT, CDDS_POSTPAINT}));
    std::vector<const Note*> cds = Of("CUSTOMDRAW");
    EXPECT_EQ(cds[1]->itemSpec, reinterpret_cast<DWORD_PTR>(a));
    EXPECT_EQ(cds[2]->itemSpec, reinterpret_cast<DWORD_PTR>(a1));
    EXPECT_EQ(cds[3]->itemSpec, reinterpret_cast<DWORD_PTR>(b));
    EXPECT_EQ(cds[2]->itemParam, 12);
    EXPECT_EQ(cds[1]->level, 0);
    EXPECT_EQ(cds[2]->level, 1);
    RECT client{};
    GetClientRect(tree, &client);
    RECT row = ItemRect(a1, false);
    EXPECT_EQ(cds[2]->rc.left, 0);
    EXPECT_EQ(cds[2]->rc.right, client.right);
    EXPECT_EQ(cds[2]->rc.top, row.top);
    EXPECT_EQ(cds[2]->rc.bottom, row.bottom);
}

// The colours the handler leaves are the ones drawn, and an item post-paint stage it asks for follows
// its item with those colours.
TEST_F(TreePaint, ColoursLeftByTheHandlerAreTheOnesDrawnAndItemPostpaintFollowsItsItem) {
    prepaintAnswer = CDRF_NOTIFYITEMDRAW;
    itemAnswer = [this](NMTVCUSTOMDRAW* cd) -> LRESULT {
        if (cd->nmcd.dwItemSpec == reinterpret_cast<DWORD_PTR>(b)) {
            cd->clrText = RGB(255, 255, 255);
            cd->clrTextBk = RGB(0, 0, 128);
        }
        if (cd->nmcd.dwItemSpec != reinterpret_cast<DWORD_PTR>(a1)) return CDRF_DODEFAULT;
        cd->clrText = RGB(200, 0, 0);
        return CDRF_NOTIFYPOSTPAINT;
    };
    plat::Drawing drawing = Repaint();
    EXPECT_EQ(Stages(), (std::vector<DWORD>{CDDS_PREPAINT, CDDS_ITEMPREPAINT, CDDS_ITEMPREPAINT,
                                            CDDS_ITEMPOSTPAINT, CDDS_ITEMPREPAINT}));
    const Note* post = ItemStage(CDDS_ITEMPOSTPAINT, a1);
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(post->clrText, RGB(200, 0, 0));
    const plat::DrawOp* text = drawing.FindText("Bravo");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->textColor, RGB(255, 255, 255));
    EXPECT_EQ(text->bkColor, RGB(0, 0, 128));
    // The label box is filled with the background colour.
    bool filled = false;
    RECT label = ItemRect(b, true);
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::Fill))
        if (op->color == RGB(0, 0, 128) && op->rect.left == label.left && op->rect.top == label.top)
            filled = true;
    EXPECT_TRUE(filled);
    EXPECT_EQ(drawing.FindText("Alpha")->textColor, GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(TreePaint, SkippingAnItemOrEverything) {
    prepaintAnswer = CDRF_NOTIFYITEMDRAW;
    itemAnswer = [this](NMTVCUSTOMDRAW* cd) -> LRESULT {
        return cd->nmcd.dwItemSpec == reinterpret_cast<DWORD_PTR>(a1)
                   ? CDRF_SKIPDEFAULT | CDRF_NOTIFYPOSTPAINT
                   : CDRF_DODEFAULT;
    };
    plat::Drawing drawing = Repaint();
    EXPECT_EQ(drawing.FindText("Alpha one"), nullptr);
    EXPECT_NE(drawing.FindText("Bravo"), nullptr);
    EXPECT_EQ(ItemStage(CDDS_ITEMPOSTPAINT, a1), nullptr); // a skipped item gets no post-paint

    prepaintAnswer = CDRF_SKIPDEFAULT | CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    drawing = Repaint();
    EXPECT_EQ(Stages(), (std::vector<DWORD>{CDDS_PREPAINT}));
    EXPECT_TRUE(drawing.OfKind(plat::DrawKind::Text).empty());
}

TEST_F(TreePaint, InsertMarkIsDrawnInItsColour) {
    TreeView_SetInsertMarkColor(tree, RGB(0, 255, 175));
    TreeView_SetInsertMark(tree, b, FALSE);
    plat::Drawing drawing = Repaint();
    RECT label = ItemRect(b, true);
    bool found = false;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::Fill))
        if (op->color == RGB(0, 255, 175) && op->rect.top <= label.top && op->rect.bottom >= label.top)
            found = true;
    EXPECT_TRUE(found);
    TreeView_SetInsertMark(tree, nullptr, FALSE);
    drawing = Repaint();
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::Fill))
        EXPECT_NE(op->color, RGB(0, 255, 175));
}

TEST_F(TreePaint, ImagesAreDrawnFromTheImageList) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 1);
    HBITMAP strip = CreateBitmap(64, 16, 1, 24, nullptr);
    ASSERT_EQ(ImageList_AddMasked(images, strip, RGB(255, 255, 255)), 0);
    DeleteObject(strip);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    TVITEMA it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = b;
    it.iImage = 2;
    it.iSelectedImage = 3;
    TreeView_SetItem(tree, &it);
    plat::Drawing drawing = Repaint();
    RECT label = ItemRect(b, true);
    bool plain = false;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::ImageList))
        if (op->imageList == images && op->imageIndex == 2 && op->pos.x == label.left - 16) plain = true;
    EXPECT_TRUE(plain);
    TreeView_SelectItem(tree, b);
    drawing = Repaint();
    bool selected = false;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::ImageList))
        if (op->imageIndex == 3) selected = true;
    EXPECT_TRUE(selected);
    DestroyWindow(tree);
    ImageList_Destroy(images);
}

TEST_F(TreePaint, DragImageHoldsTheIconAndTheLabel) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    HIMAGELIST drag = TreeView_CreateDragImage(tree, b);
    ASSERT_NE(drag, nullptr);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(drag, &cx, &cy);
    RECT label = ItemRect(b, true);
    EXPECT_EQ(cx, 16 + (label.right - label.left));
    EXPECT_EQ(cy, TreeView_GetItemHeight(tree));
    EXPECT_EQ(ImageList_GetImageCount(drag), 1);
    // The label's ink is opaque, the white background transparent.
    plat::Image pixels = plat::ImageListPixels(drag, 0);
    bool ink = false;
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 16; x < pixels.width; ++x)
            if (!pixels.TransparentAt(x, y)) ink = true;
    EXPECT_TRUE(ink);
    EXPECT_TRUE(pixels.TransparentAt(pixels.width - 1, 0));
    ImageList_Destroy(drag);
    DestroyWindow(tree);
    ImageList_Destroy(images);
}

} // namespace

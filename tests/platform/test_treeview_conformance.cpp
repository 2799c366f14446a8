// Tree-view behaviour that drawing code and right-click handlers lean on: the device context's colours
// at the item stage, a right click that repaints nothing, state bits answered by TVN_GETDISPINFO,
// sorting where there is nothing to sort, another tree's items, the Unicode edit message and the
// expanded image's "none".
#include "plat/draw.h"
#include "test_treeview_support.h"

using treetest::TreeTest;

namespace {

constexpr COLORREF kNavy = 0x800000; // the highlight background
constexpr COLORREF kWhite = 0xFFFFFF;

class TreeConformance : public TreeTest {
  protected:
    HTREEITEM a = nullptr, a1 = nullptr, b = nullptr;

    // What the handler found at an item stage: the DC's colours and the structure's.
    struct Seen {
        DWORD stage = 0;
        HTREEITEM item = nullptr;
        COLORREF dcText = 0, dcBack = 0, fieldText = 0, fieldBack = 0;
    };
    std::vector<Seen> seen;
    COLORREF prepaintDcText = 0, prepaintDcBack = 0;
    std::function<void(NMTVCUSTOMDRAW*)> atItem; // runs after the record at CDDS_ITEMPREPAINT

    void Fill(DWORD style) {
        MakeTree(style);
        a = Insert(TVI_ROOT, "Alpha");
        a1 = Insert(a, "Alpha one");
        b = Insert(TVI_ROOT, "Bravo");
        TreeView_Expand(tree, a, TVE_EXPAND);
        answer = [this](NMHDR* hdr) -> LRESULT {
            if (hdr->code != NM_CUSTOMDRAW) return 0;
            auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(hdr);
            HDC dc = cd->nmcd.hdc;
            if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
                prepaintDcText = GetTextColor(dc);
                prepaintDcBack = GetBkColor(dc);
                return CDRF_NOTIFYITEMDRAW;
            }
            seen.push_back(Seen{cd->nmcd.dwDrawStage, reinterpret_cast<HTREEITEM>(cd->nmcd.dwItemSpec),
                                GetTextColor(dc), GetBkColor(dc), cd->clrText, cd->clrTextBk});
            if (cd->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return 0;
            if (atItem) atItem(cd);
            return CDRF_NOTIFYPOSTPAINT;
        };
    }

    plat::Drawing Repaint() {
        notes.clear();
        seen.clear();
        InvalidateRect(tree, nullptr, TRUE);
        UpdateWindow(tree);
        return plat::LastDrawing(tree);
    }

    const Seen& At(DWORD stage, HTREEITEM item) {
        for (const Seen& s : seen)
            if (s.stage == stage && s.item == item) return s;
        ADD_FAILURE() << "no stage " << stage << " for the item";
        static Seen none;
        return none;
    }

    // The colours offered for `item`, which the DC must carry too.
    std::pair<COLORREF, COLORREF> Offered(HTREEITEM item) {
        const Seen& s = At(CDDS_ITEMPREPAINT, item);
        EXPECT_EQ(s.dcText, s.fieldText) << "text colour in the DC";
        EXPECT_EQ(s.dcBack, s.fieldBack) << "background colour in the DC";
        return {s.fieldText, s.fieldBack};
    }

    // A right click as a user makes it: the release waits in the queue, the press is sent, then the
    // queue is pumped (paints included).
    void RightClick(POINT pt) {
        plat::PostMouse(tree, WM_RBUTTONUP, pt, 0);
        plat::SendMouse(tree, WM_RBUTTONDOWN, pt, MK_RBUTTON);
        plat::PumpMessages();
    }
};

using Colours = std::pair<COLORREF, COLORREF>;

TEST_F(TreeConformance, DeviceContextCarriesTheOfferedColoursInEveryState) {
    Fill(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    TreeView_SelectItem(tree, a);
    TreeView_SelectDropTarget(tree, b);
    SetFocus(tree);
    Repaint();
    auto itemState = [this](HTREEITEM item) {
        for (const treetest::Note* n : Of("CUSTOMDRAW"))
            if (n->stage == CDDS_ITEMPREPAINT && n->itemSpec == reinterpret_cast<DWORD_PTR>(item))
                return n->itemState;
        return ~0u;
    };
    EXPECT_EQ(Offered(a), Colours(kWhite, kNavy)); // selected in a focused tree: the highlight
    EXPECT_EQ(itemState(a), static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS));
    EXPECT_EQ(Offered(a1), Colours(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(itemState(a1), 0u);
    EXPECT_EQ(Offered(b), Colours(kWhite, kNavy)); // drop target

    SetFocus(parent); // selected, unfocused, shown always: button face
    Repaint();
    EXPECT_EQ(Offered(a), Colours(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(Offered(b), Colours(kWhite, kNavy));
    // The tree's own colours go to plain items and to the text of that selection, not to the highlight.
    TreeView_SetTextColor(tree, RGB(10, 20, 30));
    TreeView_SetBkColor(tree, RGB(250, 250, 240));
    Repaint();
    EXPECT_EQ(Offered(a), Colours(RGB(10, 20, 30), GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(Offered(a1), Colours(RGB(10, 20, 30), RGB(250, 250, 240)));
    SetFocus(tree);
    Repaint();
    EXPECT_EQ(Offered(a), Colours(kWhite, kNavy));

    Fill(TVS_HASBUTTONS); // without TVS_SHOWSELALWAYS an unfocused selection looks plain
    TreeView_SetTextColor(tree, RGB(10, 20, 30));
    TreeView_SetBkColor(tree, RGB(250, 250, 240));
    TreeView_SelectItem(tree, a);
    Repaint();
    EXPECT_EQ(Offered(a), Colours(RGB(10, 20, 30), RGB(250, 250, 240)));
}

// What the handler leaves in the fields is what the label is drawn with, whatever it did to the DC;
// the item post-paint stage finds the DC as it was before the item.
TEST_F(TreeConformance, FieldsLeftByTheHandlerDecideTheLabelColours) {
    Fill(TVS_HASBUTTONS | TVS_LINESATROOT);
    atItem = [this](NMTVCUSTOMDRAW* cd) {
        if (cd->nmcd.dwItemSpec != reinterpret_cast<DWORD_PTR>(b)) return;
        SetTextColor(cd->nmcd.hdc, RGB(1, 2, 3));
        SetBkColor(cd->nmcd.hdc, RGB(4, 5, 6));
        cd->clrText = RGB(200, 0, 0);
    };
    plat::Drawing drawing = Repaint();
    const plat::DrawOp* label = drawing.FindText("Bravo");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textColor, RGB(200, 0, 0));
    EXPECT_EQ(label->bkColor, GetSysColor(COLOR_WINDOW));
    const Seen& post = At(CDDS_ITEMPOSTPAINT, b);
    EXPECT_EQ(post.fieldText, RGB(200, 0, 0));
    EXPECT_EQ(post.dcText, prepaintDcText);
    EXPECT_EQ(post.dcBack, prepaintDcBack);
}

TEST_F(TreeConformance, RightClickOnAnUnselectedItemRepaintsNothing) {
    Fill(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
    TreeView_SelectItem(tree, a);
    SetFocus(tree);
    plat::PumpMessages();
    notes.clear();
    RightClick(LabelPoint(b));
    EXPECT_EQ(Names(), (std::vector<std::string>{"RCLICK", "CONTEXTMENU"}));
    EXPECT_TRUE(Of("CUSTOMDRAW").empty());
    RECT pending{};
    EXPECT_FALSE(GetUpdateRect(tree, &pending, FALSE));
    EXPECT_EQ(TreeView_GetSelection(tree), a);
}

// A paint that runs while the click is handled shows the clicked row highlighted and the selection
// plain; both rows are painted again afterwards.
TEST_F(TreeConformance, RowsPaintedWhileARightClickIsHandledAreRestored) {
    Fill(TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
    TreeView_SelectItem(tree, a);
    SetFocus(tree);
    plat::PumpMessages();
    auto drawing = answer;
    std::vector<Colours> during;
    answer = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == NM_RCLICK) {
            Repaint();
            during = {Offered(a), Offered(b)};
            seen.clear();
            return 0;
        }
        return drawing(hdr);
    };
    RightClick(LabelPoint(b));
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[0], Colours(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(during[1], Colours(kWhite, kNavy));
    // The pump after the click painted both rows as they are again.
    EXPECT_EQ(Offered(a), Colours(kWhite, kNavy));
    EXPECT_EQ(Offered(b), Colours(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)));
}

TEST_F(TreeConformance, StateBitsAnsweredByGetDispInfoAreReportedButNotKept) {
    MakeTree(TVS_HASBUTTONS);
    TVINSERTSTRUCTA ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_STATE;
    ins.item.pszText = const_cast<LPSTR>("Called back");
    ins.item.iImage = I_IMAGECALLBACK;
    ins.item.state = TVIS_BOLD;
    ins.item.stateMask = TVIS_BOLD;
    HTREEITEM item = TreeView_InsertItem(tree, &ins);
    const UINT answered = TVIS_SELECTED | INDEXTOSTATEIMAGEMASK(2) | (3u << 8);
    answer = [answered](NMHDR* hdr) -> LRESULT {
        if (hdr->code != TVN_GETDISPINFOA) return 0;
        auto* di = reinterpret_cast<NMTVDISPINFOA*>(hdr);
        di->item.mask |= TVIF_STATE;
        di->item.state = answered;
        di->item.stateMask = TVIS_SELECTED | TVIS_OVERLAYMASK | TVIS_STATEIMAGEMASK;
        di->item.iImage = 4;
        return 0;
    };
    TVITEMA it{};
    it.mask = TVIF_IMAGE | TVIF_STATE;
    it.stateMask = 0xFFFFFFFF;
    it.hItem = item;
    ASSERT_TRUE(TreeView_GetItem(tree, &it));
    EXPECT_EQ(it.iImage, 4);
    EXPECT_EQ(it.state, answered | TVIS_BOLD);
    // The item itself is not selected by the answer: the selection stays the tree's own.
    EXPECT_EQ(State(item), static_cast<UINT>(TVIS_BOLD));
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
}

TEST_F(TreeConformance, SortingFailsWhereThereIsNothingToSort) {
    MakeTree(TVS_HASBUTTONS);
    EXPECT_FALSE(TreeView_SortChildren(tree, TVI_ROOT, FALSE));
    EXPECT_FALSE(TreeView_SortChildren(tree, nullptr, FALSE));
    HTREEITEM leaf = Insert(TVI_ROOT, "b leaf");
    HTREEITEM second = Insert(TVI_ROOT, "a leaf");
    EXPECT_FALSE(TreeView_SortChildren(tree, leaf, FALSE));
    TVSORTCB cb{};
    cb.hParent = leaf;
    cb.lpfnCompare = [](LPARAM, LPARAM, LPARAM) -> int { return 0; };
    EXPECT_FALSE(TreeView_SortChildrenCB(tree, &cb, FALSE));
    EXPECT_TRUE(TreeView_SortChildren(tree, TVI_ROOT, FALSE));
    EXPECT_EQ(TreeView_GetRoot(tree), second);
}

// Another tree's item is read as the tree that holds it answers (its callbacks asked of that tree);
// nothing else works on it, and an item that is gone fails.
TEST_F(TreeConformance, AnotherTreesItemIsReadFromTheTreeThatHoldsIt) {
    HWND asking = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 170, 200, 100, parent,
                                  nullptr, 0, nullptr);
    MakeTree(TVS_HASBUTTONS);
    HTREEITEM held = Insert(TVI_ROOT, "Held", TVI_LAST, -2, 77);
    HTREEITEM called = Insert(TVI_ROOT, LPSTR_TEXTCALLBACKA);
    answer = [](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TVN_GETDISPINFOA) {
            auto* di = reinterpret_cast<NMTVDISPINFOA*>(hdr);
            snprintf(di->item.pszText, static_cast<size_t>(di->item.cchTextMax), "From its parent");
        }
        return 0;
    };
    char buf[64] = {0};
    TVITEMA it{};
    it.mask = TVIF_TEXT | TVIF_PARAM;
    it.hItem = held;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    ASSERT_TRUE(SendMessageA(asking, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    EXPECT_STREQ(buf, "Held");
    EXPECT_EQ(it.lParam, 77);
    notes.clear();
    it.hItem = called;
    ASSERT_TRUE(SendMessageA(asking, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    EXPECT_STREQ(buf, "From its parent");
    EXPECT_EQ(Of("GETDISPINFO").size(), 1u); // sent by the tree that holds the item

    // Nothing but reading: setting, deleting and selecting another tree's item fail.
    TVITEMA set{};
    set.mask = TVIF_PARAM;
    set.hItem = held;
    set.lParam = 5;
    EXPECT_FALSE(SendMessageA(asking, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set)));
    EXPECT_FALSE(TreeView_DeleteItem(asking, held));
    EXPECT_FALSE(TreeView_SelectItem(asking, held));
    EXPECT_EQ(TreeView_GetCount(tree), 2u);

    TreeView_DeleteItem(tree, held);
    it.hItem = held;
    EXPECT_FALSE(SendMessageA(asking, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    DestroyWindow(tree);
    tree = nullptr;
    it.hItem = called;
    EXPECT_FALSE(SendMessageA(asking, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    DestroyWindow(asking);
}

TEST_F(TreeConformance, UnicodeEditMessageOpensTheEditor) {
    MakeTree(TVS_HASBUTTONS | TVS_EDITLABELS);
    HTREEITEM item = Insert(TVI_ROOT, "Label");
    SetFocus(tree);
    notes.clear();
    auto edit = reinterpret_cast<HWND>(SendMessageA(tree, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(item)));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit, TreeView_GetEditControl(tree));
    EXPECT_EQ(Names(), (std::vector<std::string>{"BEGINEDIT"}));
    TreeView_EndEditLabelNow(tree, TRUE);
}

// "None" reads back in 16 bits, and given back so it still means none: an expanded item is drawn
// with its own image.
TEST_F(TreeConformance, ExpandedImageNoneReadsBackAs16BitsAndMeansNoneWhenGivenBack) {
    Fill(TVS_HASBUTTONS | TVS_LINESATROOT);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24, 4, 1);
    HBITMAP strip = CreateBitmap(64, 16, 1, 24, nullptr);
    ImageList_Add(images, strip, nullptr);
    DeleteObject(strip);
    TreeView_SetImageList(tree, images, TVSIL_NORMAL);
    TVITEMEXA ex{};
    ex.mask = TVIF_EXPANDEDIMAGE;
    ex.hItem = a;
    ex.iExpandedImage = 3;
    ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&ex)));
    EXPECT_EQ(ex.iExpandedImage, 65534);
    ex.mask = TVIF_EXPANDEDIMAGE | TVIF_IMAGE;
    ex.iImage = 2;
    ASSERT_TRUE(SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&ex)));
    plat::Drawing drawing = Repaint();
    RECT row = ItemRect(a, false);
    std::vector<int> drawn;
    for (const plat::DrawOp* op : drawing.OfKind(plat::DrawKind::ImageList))
        if (op->pos.y >= row.top && op->pos.y < row.bottom) drawn.push_back(op->imageIndex);
    EXPECT_EQ(drawn, std::vector<int>{2});
    DestroyWindow(tree);
    ImageList_Destroy(images);
}

} // namespace

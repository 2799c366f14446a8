// How the shelf paints its labels: the answers to each custom-draw stage, selection colours, colours
// inherited from catalogs above, and the "(On-line)" / "(Off-line)" mark of linked catalogs only.
#include "test_appearance_world.h"

#include "catalog/catalog_link.h"
#include "shelf/cbi_table.h"
#include "ui/link_mark.h"

using namespace appearance_world;

namespace {

class ShelfLooks : public LooksWorld {
  protected:
    // Sends one custom-draw notification from the tree to the control, as the tree does; returns the
    // control's answer.
    LRESULT Notify(NMTVCUSTOMDRAW& cd) {
        cd.nmcd.hdr.hwndFrom = Tree();
        cd.nmcd.hdr.idFrom = 1000;
        cd.nmcd.hdr.code = static_cast<UINT>(NM_CUSTOMDRAW);
        return SendMessageA(Looks().GetSafeHwnd(), WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&cd));
    }
};

TEST_F(ShelfLooks, EachDrawStageGetsItsAnswer) {
    struct Case {
        DWORD stage;
        LRESULT answer;
    };
    for (Case c : {Case{CDDS_PREPAINT, CDRF_NOTIFYITEMDRAW}, Case{0x10000, 0}, Case{0x30001, 0},
                   Case{0x30002, CDRF_SKIPDEFAULT}, Case{CDDS_ITEMPREPAINT, 0}}) {
        NMTVCUSTOMDRAW cd{};
        cd.nmcd.dwDrawStage = c.stage;
        cd.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(Find("NoLink"));
        cd.clrText = 0x123456;
        cd.clrTextBk = 0x654321;
        EXPECT_EQ(Notify(cd), c.answer) << std::hex << c.stage;
        if (c.stage != CDDS_ITEMPREPAINT) {
            EXPECT_EQ(cd.clrText, 0x123456u) << "stage " << std::hex << c.stage << " leaves the colours";
            EXPECT_EQ(cd.clrTextBk, 0x654321u);
        }
    }
}

TEST_F(ShelfLooks, ItemColoursByDrawState) {
    NMTVCUSTOMDRAW cd{};
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    cd.nmcd.hdc = GetDC(Tree());
    cd.nmcd.uItemState = CDIS_SELECTED | CDIS_FOCUS;
    cd.clrText = 0x123456;
    cd.clrTextBk = 0x654321;
    EXPECT_EQ(Notify(cd), 0);
    EXPECT_EQ(cd.clrText, kWhite) << "selected, even without an item: white on navy";
    EXPECT_EQ(cd.clrTextBk, kNavy);

    cd.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(Find("Child"));
    cd.nmcd.uItemState = CDIS_FOCUS;
    cd.clrText = 0x123456;
    cd.clrTextBk = 0x654321;
    Notify(cd);
    EXPECT_EQ(cd.clrText, 0x123456u) << "focus alone keeps the tree's colours";
    EXPECT_EQ(cd.clrTextBk, 0x654321u);

    cd.nmcd.uItemState = 0;
    Notify(cd);
    EXPECT_EQ(cd.clrText, kGreen) << "the parent's colour";
    EXPECT_EQ(cd.clrTextBk, kWhite);

    TreeView_SelectDropTarget(Tree(), Find("Child"));
    Notify(cd);
    EXPECT_EQ(cd.clrText, kWhite) << "drop-highlighted: white on navy";
    EXPECT_EQ(cd.clrTextBk, kNavy);
    ReleaseDC(Tree(), cd.nmcd.hdc);
}

TEST_F(ShelfLooks, SelectedLabelIsWhiteOnNavyWithANavyOnlineMarkOnWhite) {
    HTREEITEM linked = Find("Linked");
    TreeView_SelectItem(Tree(), linked);
    plat::Image img = TreePicture();
    plat::Drawing d = plat::LastDrawing(Tree());
    RECT label = Label(linked);
    EXPECT_EQ(img.ColorAt(label.left + 1, label.top + 1), kNavy);
    EXPECT_EQ(img.ColorAt(label.right - 1, label.bottom - 1), kNavy);
    EXPECT_GT(InkOf(img, label, kWhite), 10) << "white text on the navy label";
    const plat::DrawOp* mark = MarkOf(d, linked);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->text, "(On-line)");
    EXPECT_EQ(mark->textColor, kNavy);
    EXPECT_EQ(mark->bkColor, kWhite);
    EXPECT_GT(InkOf(img, MarkArea(linked), kNavy), 10);
    EXPECT_EQ(InkOf(img, MarkArea(linked), kBrick), 0);
}

TEST_F(ShelfLooks, OfflineMarksAreBrickRedSelectedOrNot) {
    ASSERT_EQ(Looks().SetTrunkStatus(nullptr, 0), 1);
    TreeView_SelectItem(Tree(), Find("Linked"));
    plat::Image img = TreePicture();
    plat::Drawing d = plat::LastDrawing(Tree());
    for (HTREEITEM item : {Find("Linked"), mine_, Find("Linked child")}) {
        const plat::DrawOp* mark = MarkOf(d, item);
        ASSERT_NE(mark, nullptr) << Text(item);
        EXPECT_EQ(mark->text, "(Off-line)") << Text(item);
        EXPECT_EQ(mark->textColor, kBrick) << Text(item);
        EXPECT_GT(InkOf(img, MarkArea(item), kBrick), 10) << Text(item);
    }
}

TEST_F(ShelfLooks, OnlyLinkedCatalogsAreMarked) {
    plat::Drawing d = TreeDrawing();
    EXPECT_NE(MarkOf(d, Find("Linked")), nullptr);
    EXPECT_NE(MarkOf(d, mine_), nullptr) << "user catalogs are linked by their key";
    EXPECT_EQ(MarkOf(d, Find("Unlinked")), nullptr) << "RID 0";
    EXPECT_EQ(MarkOf(d, Find("NoLink")), nullptr) << "no RID";
    EXPECT_EQ(MarkOf(d, Find("Coloured")), nullptr);
    EXPECT_EQ(MarkOf(d, Ctrl().Root()), nullptr) << "the root";
    plat::Image img = TreePicture();
    EXPECT_EQ(InkOf(img, MarkArea(Find("Unlinked")), RGB(0, 0, 0)), 0) << "nothing right of the label";

    // The link is read at each paint: a catalog file whose link became "0" shows no mark any more.
    std::string page = catalog_world::SettingsPage({"[CONFIG]", "ID=11", "RID=0"});
    Drv().SetPage(Sys().Path().c_str(), 0, page.data(), static_cast<int32_t>(page.size()));
    EXPECT_EQ(MarkOf(TreeDrawing(), Find("Linked")), nullptr);
}

TEST_F(ShelfLooks, LabelsTakeTheNearestColourAbove) {
    EXPECT_EQ(Looks().GetItemColor(Find("Coloured")), kGreen);
    EXPECT_EQ(Looks().GetItemColor(Find("Child")), kGreen) << "from the parent";
    EXPECT_EQ(Looks().GetItemColor(Find("NoLink")), 0xFFFFFFFFu) << "none up to the top";
    EXPECT_EQ(Looks().GetItemColor(nullptr), 0xFFFFFFFFu);

    TreeView_SelectItem(Tree(), Find("NoLink"));
    plat::Image img = TreePicture();
    plat::Drawing d = plat::LastDrawing(Tree());
    const plat::DrawOp* child = LabelTextOf(d, Find("Child"));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->textColor, kGreen);
    EXPECT_EQ(child->bkColor, kWhite);
    EXPECT_GT(InkOf(img, Label(Find("Child")), kGreen), 10);
    const plat::DrawOp* mark = MarkOf(d, Find("Linked child"));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->textColor, kGreen) << "an on-line mark takes the label's colour";
    const plat::DrawOp* plain = LabelTextOf(d, Find("Unlinked"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->textColor, RGB(0, 0, 0)) << "no colour anywhere: the tree's own";
}

TEST_F(ShelfLooks, TheLinkRuleForEveryKindOfItem) {
    BindDriver(Ctrl().ShelfDriver());
    char link[tavrin::kNameSize] = {};
    auto linkOf = [&](HTREEITEM item) {
        return tavrin::LinkOfCatalog(g_cbi, Ctrl().ShelfHandle(), Node(item), link);
    };
    EXPECT_EQ(linkOf(Find("Linked")), tavrin::CatalogLink::Resource);
    EXPECT_STREQ(link, "news");
    EXPECT_EQ(linkOf(mine_), tavrin::CatalogLink::User);
    EXPECT_EQ(linkOf(Find("Unlinked")), tavrin::CatalogLink::None);
    EXPECT_EQ(linkOf(Find("NoLink")), tavrin::CatalogLink::None);
    EXPECT_EQ(linkOf(Ctrl().Root()), tavrin::CatalogLink::None) << "the root is no catalog";
    HTREEITEM online = AddUserCatalog(Ctrl().Root(), "Store", CATA_ONLINE, "Store7");
    EXPECT_EQ(linkOf(online), tavrin::CatalogLink::None);
    EXPECT_EQ(tavrin::LinkOfCatalog(g_cbi, Ctrl().ShelfHandle(), nullptr), tavrin::CatalogLink::None);
}

TEST_F(ShelfLooks, APaintLeavesTheDriverTableBoundToTheDriverInUse) {
    // A paint in the middle of a book driver's calls (a message box's loop) reads the links through
    // the shelf driver; the book driver's calls then go on with their own entry points.
    AddDriver("Other.dll");
    HMODULE other = LoadLibraryA((dir_ / "Other.dll").string().c_str());
    ASSERT_NE(other, 0u);
    BindDriver(other);
    ASSERT_NE(MarkOf(TreeDrawing(), Find("Linked")), nullptr) << "the links were read";
    EXPECT_EQ(BoundDriver(), other);
    EXPECT_EQ(reinterpret_cast<void*>(g_cbi.CBIOpenBook),
              reinterpret_cast<void*>(GetProcAddress(other, "CBIOpenBook")));
    FreeLibrary(other);
}

TEST(LinkMark, WrittenBesideTheLabelAndTheColoursPutBack) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, 0x010203);
    SetBkColor(dc, 0x040506);
    tavrin::DrawLinkMark(dc, ShelfModule(), RECT{10, 20, 50, 36}, 0, tavrin::kOfflineMark, 0x00FFFF);
    EXPECT_EQ(GetTextColor(dc), 0x010203u);
    EXPECT_EQ(GetBkColor(dc), 0x040506u);
    plat::Drawing d = plat::DcDrawing(dc);
    DeleteDC(dc);
    ASSERT_EQ(d.ops.size(), 1u);
    EXPECT_EQ(d.ops[0].text, "(Off-line)");
    EXPECT_EQ(d.ops[0].pos.x, 52);
    EXPECT_EQ(d.ops[0].pos.y, 22);
    EXPECT_EQ(d.ops[0].textColor, tavrin::kOfflineMark);
    EXPECT_EQ(d.ops[0].bkColor, 0x00FFFFu);
}

} // namespace

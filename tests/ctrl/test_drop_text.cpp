// Text dragged from another program onto the shelf: the drop highlight follows the drag over icons,
// labels and buttons and stays put elsewhere; a drop selects its item without telling the host, and
// only a book or dictionary with CF_TEXT data hands the host the text with the book's handle, as a
// zero-terminated text even when the data carries no zero. Registration failing at creation is told.
#include "test_contents_world.h"

#include "plat/drop.h"
#include "plat/treeview.h"

#include <cstring>
#include <string>
#include <vector>

using contents::ContentsWorld;

namespace {

// One WM_SHELF_DROPTEXT as the host saw it, copied while the message was sent.
struct DropSeen {
    DWORD bookHandle = 0;
    std::string text;
};

// A source that offers CF_TEXT as exactly the given bytes: no terminating zero is added.
class RawTextData final : public IDataObject {
  public:
    explicit RawTextData(std::string bytes) : bytes_(std::move(bytes)) {}
    HRESULT QueryGetData(CLIPFORMAT cf) override { return cf == CF_TEXT ? S_OK : DV_E_FORMATETC; }
    HRESULT GetData(CLIPFORMAT cf, HGLOBAL* phGlobal) override {
        *phGlobal = nullptr;
        if (cf != CF_TEXT) return DV_E_FORMATETC;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes_.size());
        if (!block) return E_OUTOFMEMORY;
        if (!bytes_.empty()) std::memcpy(GlobalLock(block), bytes_.data(), bytes_.size());
        GlobalUnlock(block);
        *phGlobal = block;
        return S_OK;
    }

  private:
    std::string bytes_;
};

class DropText : public ContentsWorld {
  public:
    static std::vector<DropSeen>& Drops() {
        static std::vector<DropSeen> drops;
        return drops;
    }
    static HTREEITEM& DeleteOnDrop() {
        static HTREEITEM item = nullptr;
        return item;
    }

  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        Drops().clear();
        DeleteOnDrop() = nullptr;
        Previous() = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DropText::HostProc)));

        DictLibrary();
        AddCatalog(Sys().Root(), "Literature", "18", {"b.ebd=1", "d.ebd=2"});
        Sys().Add(Sys().Root(), "Linked", {"[CONFIG]", "ID=9", "RID=Trunk-9"});
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        regbooks::Register("B", AddBook("b.ebd", "B-1", "Book"), books_);
        std::string dict = AddBook("d.ebd", "D-1", "Dictionary", 0x10);
        Books().SetDictAttr(dict.c_str(), 1, 2);
        regbooks::Register("D", dict, books_);
        regbooks::Register("L", AddBook("l.ebd", "L-1", "Last"), books_);
        ASSERT_TRUE(Start());
        book_ = Find("Book");
        dict_ = Find("Dictionary");
        last_ = Find("Last");
        linked_ = Find("Linked");
        ASSERT_TRUE(book_ && dict_ && last_ && linked_);
        TreeView_Expand(Tree(), Find("Literature"), TVE_EXPAND);
        TreeView_Expand(Tree(), Find("Unclassified"), TVE_EXPAND);
        ASSERT_EQ(Node(dict_)->nKind, static_cast<DWORD>(NODE_DICT));
        Select(Find("Literature"));
        Notices().clear();
        Received().clear();
        blocks_ = plat::GlobalBlockCount();
    }
    void TearDown() override {
        plat::CancelDrag();
        EXPECT_EQ(plat::GlobalBlockCount(), blocks_) << "every copy of dropped data is freed";
        DestroyControl();
        ContentsWorld::TearDown();
    }

    // The middle of an item's label, in screen coordinates.
    POINT OnLabel(HTREEITEM item) const { return Screen(LabelMiddle(item)); }
    POINT Screen(POINT client) const {
        ClientToScreen(Tree(), &client);
        return client;
    }
    // A point of the tree below its last row.
    POINT BelowTheLastItem() const {
        RECT client{};
        GetClientRect(Tree(), &client);
        RECT last{};
        EXPECT_TRUE(TreeView_GetItemRect(Tree(), last_, &last, FALSE));
        EXPECT_LT(last.bottom + 20, client.bottom) << "room below the last row";
        return Screen(POINT{20, client.bottom - 5});
    }
    // Moves the drag to `at`: a drag not yet in progress first enters the tree at its bottom-left
    // corner, as another program's drag comes in over the edge (entering highlights nothing).
    DWORD Over(POINT at, const std::string& text) {
        if (!plat::DragInProgress()) plat::DragTextOver(Tree(), Corner(), text);
        return plat::DragTextOver(Tree(), at, text);
    }
    DWORD OverData(POINT at, IDataObject* data) {
        const DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        if (!plat::DragInProgress()) plat::DragDataOver(Tree(), Corner(), data, MK_LBUTTON, allowed);
        return plat::DragDataOver(Tree(), at, data, MK_LBUTTON, allowed);
    }
    POINT Corner() const {
        RECT client{};
        GetClientRect(Tree(), &client);
        return Screen(POINT{client.left, client.bottom - 1});
    }
    // A point of the item's row (screen coordinates) where the tree's hit test says `part`.
    bool PointOn(HTREEITEM item, UINT part, POINT* point) const {
        RECT row{}, client{};
        if (!TreeView_GetItemRect(Tree(), item, &row, FALSE)) return false;
        GetClientRect(Tree(), &client);
        for (int x = client.left; x < client.right; ++x) {
            TVHITTESTINFO hit{};
            hit.pt = POINT{x, (row.top + row.bottom) / 2};
            if (TreeView_HitTest(Tree(), &hit) == item && (hit.flags & part)) {
                *point = Screen(hit.pt);
                return true;
            }
        }
        return false;
    }
    HTREEITEM DropTarget() const { return TreeView_GetDropHilight(Tree()); }
    size_t ReceivedOf(UINT msg) const {
        size_t n = 0;
        for (const world::HostMessage& m : Received())
            if (m.msg == msg) ++n;
        return n;
    }
    DWORD Handle(HTREEITEM item) const { return static_cast<BookRecord*>(Node(item)->pRecord)->dwBookHandle; }

    HTREEITEM book_ = nullptr, dict_ = nullptr, last_ = nullptr, linked_ = nullptr;
    size_t blocks_ = 0;

  private:
    static WNDPROC& Previous() {
        static WNDPROC previous = nullptr;
        return previous;
    }
    static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_SHELF_DROPTEXT) {
            const auto* info = reinterpret_cast<const DropTextInfo*>(lParam);
            EXPECT_EQ(wParam, 0u);
            EXPECT_NE(info, nullptr);
            if (info) Drops().push_back({info->dwBookHandle, info->pszText ? info->pszText : "<null>"});
        }
        LRESULT result = CallWindowProcA(Previous(), hwnd, msg, wParam, lParam);
        // A host that takes the book off the shelf in its answer to the drop.
        if (msg == WM_SHELF_DROPTEXT && DeleteOnDrop()) {
            TreeView_DeleteItem(GetDlgItem(GetDlgItem(hwnd, 77), 1000), DeleteOnDrop());
            DeleteOnDrop() = nullptr;
        }
        return result;
    }
};

TEST_F(DropText, OverACatalogItIsHighlightedAndADropThereOnlySelectsIt) {
    EXPECT_EQ(Over(OnLabel(book_), "word"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(DropTarget(), book_);
    EXPECT_EQ(Over(OnLabel(linked_), "word"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(DropTarget(), linked_);
    EXPECT_EQ(Selected(), Find("Literature")) << "dragging over items does not select them";

    // The catalog has a link: selecting it the usual way would tell the host.
    EXPECT_EQ(plat::DropText(Tree(), OnLabel(linked_), "word"), static_cast<DWORD>(DROPEFFECT_NONE))
        << "the source is told nothing was dropped";
    EXPECT_EQ(Selected(), linked_);
    EXPECT_EQ(DropTarget(), nullptr);
    EXPECT_TRUE(Drops().empty());
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(Ctrl().SuppressNotify(), 0);

    Select(Find("Literature"));
    Select(linked_);
    EXPECT_EQ(Notices().size(), 1u) << "the suppression ended with the drop";
}

TEST_F(DropText, OffTheItemsTheHighlightStaysAndTheDropGoesToIt) {
    Over(OnLabel(last_), "river");
    EXPECT_EQ(Over(BelowTheLastItem(), "river"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(DropTarget(), last_);

    // On another row but not on its item: right of its label, in its indent.
    POINT right{}, indent{};
    ASSERT_TRUE(PointOn(book_, TVHT_ONITEMRIGHT, &right));
    ASSERT_TRUE(PointOn(book_, TVHT_ONITEMINDENT, &indent));
    Over(right, "river");
    EXPECT_EQ(DropTarget(), last_) << "right of another label";
    Over(indent, "river");
    EXPECT_EQ(DropTarget(), last_) << "in another row's indent";
    // Its icon and its expand button are the item's.
    HTREEITEM unclassified = Find("Unclassified");
    POINT icon{}, button{};
    ASSERT_TRUE(PointOn(book_, TVHT_ONITEMICON, &icon));
    ASSERT_TRUE(PointOn(unclassified, TVHT_ONITEMBUTTON, &button));
    Over(icon, "river");
    EXPECT_EQ(DropTarget(), book_);
    Over(button, "river");
    EXPECT_EQ(DropTarget(), unclassified);
    Over(OnLabel(last_), "river");

    plat::DropText(Tree(), BelowTheLastItem(), "river");
    ASSERT_EQ(Drops().size(), 1u);
    EXPECT_EQ(Drops()[0].bookHandle, Handle(last_));
    EXPECT_EQ(Drops()[0].text, "river");
    EXPECT_EQ(Selected(), last_);
}

TEST_F(DropText, ABookOrDictionaryGetsTheTextOnceWithItsHandleAndNoNotice) {
    ASSERT_NE(Handle(dict_), Handle(book_));
    Over(OnLabel(linked_), "caf\xE9");
    // The bytes as the data carries them, in the active code page; an empty text is handed on as it
    // came: what to make of it is the host's affair.
    const std::pair<HTREEITEM, std::string> drops[] = {{book_, "caf\xE9"}, {dict_, "abbey"}, {book_, ""}};
    for (size_t i = 0; i < std::size(drops); ++i) {
        const auto& [item, text] = drops[i];
        plat::DropText(Tree(), OnLabel(item), text);
        ASSERT_EQ(Drops().size(), i + 1) << "drop " << i;
        EXPECT_EQ(Drops()[i].bookHandle, Handle(item)) << "drop " << i;
        EXPECT_EQ(Drops()[i].text, text) << "drop " << i;
        EXPECT_EQ(ReceivedOf(WM_SHELF_DROPTEXT), i + 1) << "drop " << i;
        EXPECT_EQ(ReceivedOf(WM_SHELF_NOTIFY), 0u) << "drop " << i;
        EXPECT_EQ(Selected(), item) << "drop " << i;
        EXPECT_EQ(DropTarget(), nullptr) << "drop " << i;
    }
}

TEST_F(DropText, DataWithoutCfTextIsNeverDelivered) {
    plat::DataObject other;
    other.SetData(CF_UNICODETEXT, std::string("w\0o\0r\0d\0\0\0", 10));
    other.SetData(CF_HDROP, "file.txt");
    other.SetData(CF_OEMTEXT, "word");
    OverData(OnLabel(book_), &other);
    EXPECT_EQ(DropTarget(), book_) << "the highlight does not depend on the data";
    plat::DropData(Tree(), OnLabel(book_), &other, MK_LBUTTON, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_TRUE(Drops().empty());
    EXPECT_EQ(Selected(), book_) << "the drop still selects its item";
    EXPECT_TRUE(Notices().empty());
}

TEST_F(DropText, LeavingTheTreeOrCancellingTakesTheHighlightAway) {
    Over(OnLabel(book_), "word");
    ASSERT_EQ(DropTarget(), book_);
    plat::CancelDrag();
    EXPECT_EQ(DropTarget(), nullptr);

    Over(OnLabel(book_), "word");
    ASSERT_EQ(DropTarget(), book_);
    RECT host{};
    GetWindowRect(host_, &host);
    plat::DragTextOver(host_, POINT{host.right - 5, host.bottom - 5}, "word"); // the host, off the shelf
    EXPECT_EQ(DropTarget(), nullptr);
    EXPECT_EQ(plat::DropText(host_, POINT{host.right - 5, host.bottom - 5}, "word"),
              static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(Drops().empty());
    EXPECT_EQ(Selected(), Find("Literature"));
}

TEST_F(DropText, ATextWithoutATerminatingZeroIsReadUpToTheEndOfItsData) {
    // The data's bytes and the text handed on: a text also ends at its first zero.
    const std::pair<std::string, std::string> cases[] = {
        {"lantern", "lantern"}, {std::string("ab\0cd", 5), "ab"}, {"", ""}};
    for (const auto& [bytes, text] : cases) {
        RawTextData data(bytes);
        plat::DropData(Tree(), OnLabel(book_), &data, MK_LBUTTON, DROPEFFECT_COPY);
        ASSERT_EQ(Drops().size(), 1u) << testing::PrintToString(bytes);
        EXPECT_EQ(Drops()[0].text, text);
        Drops().clear();
    }
}

TEST_F(DropText, AnItemDeletedDuringTheDragTakesTheDropWithIt) {
    POINT below = BelowTheLastItem();
    Over(OnLabel(last_), "word");
    ASSERT_EQ(DropTarget(), last_);
    TreeView_DeleteItem(Tree(), last_);
    plat::DropText(Tree(), below, "word");
    EXPECT_TRUE(Drops().empty());
    EXPECT_EQ(Selected(), Find("Literature"));
    EXPECT_EQ(DropTarget(), nullptr);
}

TEST_F(DropText, TheHostMayTakeTheBookOffWhileItReadsTheText) {
    DeleteOnDrop() = book_;
    DWORD handle = Handle(book_);
    plat::DropText(Tree(), OnLabel(book_), "word");
    ASSERT_EQ(Drops().size(), 1u);
    EXPECT_EQ(Drops()[0].bookHandle, handle);
    EXPECT_EQ(Find("Book"), nullptr);
    EXPECT_EQ(plat::CheckTreeLinks(Tree()), "");
}

// Registration fails when OLE is not initialised: the user is told, and the shelf works without drops.
class DropTextUnregistered : public ContentsWorld {
  protected:
    void SetUp() override {
        ContentsWorld::SetUp();
        AddCatalog(Sys().Root(), "Unclassified", "65535");
        regbooks::Register("B", AddBook("b.ebd", "B-1", "Book"), books_);
        while (plat::OleInitCount() > 0) {
            OleUninitialize();
            ++oleCount_;
        }
    }
    void TearDown() override {
        plat::CancelDrag();
        DestroyControl();
        for (int i = 0; i < oleCount_; ++i)
            OleInitialize(nullptr);
        ContentsWorld::TearDown();
    }
    int oleCount_ = 0;
};

TEST_F(DropTextUnregistered, CreationTellsMessage4AndGoesOnWithoutDrops) {
    ASSERT_GT(oleCount_, 0) << "the library initialised OLE when it was loaded";
    ui_.AnswerMessageBox(IDOK, "You must initial OLE, if you may not use the dragdrop function.");
    ASSERT_TRUE(Start());
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(ui_.PendingSteps(), 0u);
    HTREEITEM book = Find("Book");
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(plat::DropTargetOf(Tree()), nullptr);

    TreeView_EnsureVisible(Tree(), book);
    POINT pt = LabelMiddle(book);
    ClientToScreen(Tree(), &pt);
    EXPECT_EQ(plat::DropText(Tree(), pt, "word"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(TreeView_GetDropHilight(Tree()), nullptr);
    EXPECT_EQ(TreeView_GetSelection(Tree()), nullptr);
}

} // namespace

// Every message to the host goes through one helper: notifications and dropped text are sent (handled
// before the shelf goes on), closed books posted (heard of after the shelf is done with them). What a
// host sees when the user selects a book and removes it, in order.
#include "shelf/host_notify.h"
#include "test_regbooks_world.h"

using namespace regbooks;

namespace {

class HostNotify : public RegWorld {
  protected:
    void SetUp() override {
        RegWorld::SetUp();
        AddCatalog(Sys().Root(), "Poetry", "1801", {"p.ebd=1", "q.ebd=2"});
        p_ = AddBook("p.ebd", "P-1", "Poems");
        Register("P-1", p_, books_);
        q_ = AddBook("q.ebd", "Q-1", "Quatrains");
        Register("Q-1", q_, books_);
        ASSERT_TRUE(Start());
        plat::PumpMessages();
        Received().clear();
    }
    std::vector<UINT> Messages() const {
        std::vector<UINT> messages;
        for (const auto& m : Received())
            messages.push_back(m.msg);
        return messages;
    }
    std::string p_, q_;
};

TEST_F(HostNotify, NotificationsAndDropsAreSentAndClosedBooksPosted) {
    HWND ctrl = Ctrl().GetSafeHwnd();
    DropTextInfo drop{7, "text"};
    EXPECT_EQ(tavrin::NotifyHost(ctrl, WM_SHELF_NOTIFY, SHELF_NOTIFY_BOOK, 5), 1);
    EXPECT_EQ(tavrin::NotifyHost(ctrl, WM_SHELF_DROPTEXT, 0, reinterpret_cast<LPARAM>(&drop)), 1);
    ASSERT_EQ(Messages(), (std::vector<UINT>{WM_SHELF_NOTIFY, WM_SHELF_DROPTEXT})) << "sent: there on return";
    EXPECT_EQ(Received()[1].lParam, reinterpret_cast<LPARAM>(&drop)) << "the caller's record itself";

    EXPECT_EQ(tavrin::NotifyHost(ctrl, WM_SHELF_BOOKCLOSED, 0, 9), 1);
    EXPECT_EQ(Received().size(), 2u) << "posted: not there on return";
    plat::PumpMessages();
    ASSERT_EQ(Messages(), (std::vector<UINT>{WM_SHELF_NOTIFY, WM_SHELF_DROPTEXT, WM_SHELF_BOOKCLOSED}));
    EXPECT_EQ(Received()[2].lParam, 9);
}

TEST_F(HostNotify, NothingGoesOutWithoutAHostOrForAnotherMessage) {
    HWND ctrl = Ctrl().GetSafeHwnd();
    EXPECT_EQ(tavrin::NotifyHost(ctrl, WM_USER + 5, 0, 0), 0);
    EXPECT_EQ(tavrin::NotifyHost(ctrl, WM_COMMAND, 40018, 0), 0);
    EXPECT_EQ(tavrin::NotifyHost(nullptr, WM_SHELF_NOTIFY, SHELF_NOTIFY_BOOK, 5), 0);
    // A window without a parent has no host: the tree's own window is the control's child, the host
    // window's parent is nobody.
    EXPECT_EQ(tavrin::NotifyHost(host_, WM_SHELF_BOOKCLOSED, 0, 1), 0);
    plat::PumpMessages();
    EXPECT_TRUE(Received().empty());
}

TEST_F(HostNotify, AHostSeesTheSelectionThenTheBookClosedAfterTheRemoval) {
    HTREEITEM poems = Find("Poems");
    const DWORD handle = Book(poems).dwBookHandle;
    ASSERT_TRUE(TreeView_SelectItem(Tree(), poems));
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_SHELF_NOTIFY});
    EXPECT_EQ(Received()[0].wParam, WPARAM{SHELF_NOTIFY_BOOK});
    EXPECT_EQ(static_cast<DWORD>(Received()[0].lParam), handle);

    ui_.AnswerMessageBox(IDYES);
    Ctrl().Delete();
    ASSERT_EQ(Find("Poems"), nullptr);
    const size_t sent = Received().size();
    for (const auto& m : Received())
        EXPECT_EQ(m.msg, UINT{WM_SHELF_NOTIFY}) << "nothing but notifications while the removal runs";
    plat::PumpMessages();
    ASSERT_EQ(Received().size(), sent + 1);
    EXPECT_EQ(Received().back().msg, UINT{WM_SHELF_BOOKCLOSED});
    EXPECT_EQ(static_cast<DWORD>(Received().back().lParam), handle) << "the book's handle, once";
}

} // namespace

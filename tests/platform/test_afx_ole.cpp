// COleDropTarget: registration needs OLE and a live window, the base class accepts nothing, effects
// are fitted to what the source allows, points reach the handlers in client coordinates, and the
// drop asks OnDragOver once more: NONE there means OnDragLeave instead of OnDrop.
#include "afxole.h"
#include "plat/drop.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

class CRecordingTarget : public COleDropTarget {
  public:
    std::vector<std::string> calls;
    bool useBase = false; // answer with the base class's defaults
    DROPEFFECT enterAnswer = DROPEFFECT_COPY;
    DROPEFFECT overAnswer = DROPEFFECT_COPY;
    BOOL dropAnswer = TRUE;
    DROPEFFECT dropExAnswer = static_cast<DROPEFFECT>(-1);
    std::string droppedText;
    bool textOffered = false;
    bool otherFormatOffered = true;

    DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pData, DWORD keys, CPoint pt) override {
        calls.push_back("enter " + Where(pWnd, pt));
        return useBase ? COleDropTarget::OnDragEnter(pWnd, pData, keys, pt) : enterAnswer;
    }
    DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pData, DWORD keys, CPoint pt) override {
        calls.push_back("over " + Where(pWnd, pt));
        return useBase ? COleDropTarget::OnDragOver(pWnd, pData, keys, pt) : overAnswer;
    }
    DROPEFFECT OnDropEx(CWnd* pWnd, COleDataObject* pData, DROPEFFECT def, DROPEFFECT list,
                        CPoint pt) override {
        calls.push_back("dropex " + std::to_string(def) + "/" + std::to_string(list));
        return useBase ? COleDropTarget::OnDropEx(pWnd, pData, def, list, pt) : dropExAnswer;
    }
    BOOL OnDrop(CWnd* pWnd, COleDataObject* pData, DROPEFFECT effect, CPoint pt) override {
        calls.push_back("drop " + std::to_string(effect) + " " + Where(pWnd, pt));
        textOffered = pData->IsDataAvailable(CF_TEXT) != FALSE;
        otherFormatOffered = pData->IsDataAvailable(CF_HDROP) != FALSE;
        if (HGLOBAL h = pData->GetGlobalData(CF_TEXT)) {
            if (auto* text = static_cast<const char*>(GlobalLock(h))) {
                droppedText = text;
                GlobalUnlock(h);
            }
            GlobalFree(h);
        }
        return useBase ? COleDropTarget::OnDrop(pWnd, pData, effect, pt) : dropAnswer;
    }
    void OnDragLeave(CWnd* pWnd) override {
        calls.push_back("leave");
        COleDropTarget::OnDragLeave(pWnd);
    }

    HWND expectedWindow = nullptr;

  private:
    std::string Where(CWnd* pWnd, CPoint pt) const {
        std::string who = pWnd && pWnd->m_hWnd == expectedWindow ? "" : "(wrong window) ";
        return who + std::to_string(pt.x) + "," + std::to_string(pt.y);
    }
};

class DropTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        plat::ResetDragDropForTest();
        ASSERT_TRUE(AfxOleInit());
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "host", WS_OVERLAPPED | WS_VISIBLE, 100, 50, 200, 150, nullptr,
                                 nullptr));
        target.expectedWindow = wnd.m_hWnd;
    }
    void TearDown() override {
        plat::CancelDrag();
        target.Revoke();
        wnd.DestroyWindow();
        AfxOleTerm();
        plat::ResetDragDropForTest();
        WindowTest::TearDown();
    }
    POINT Screen(int x, int y) { return POINT{100 + x, 50 + y}; }

    CWnd wnd;
    CRecordingTarget target;
};

TEST_F(DropTest, RegisterNeedsOleAndOneTargetPerWindow) {
    AfxOleTerm();
    EXPECT_FALSE(target.Register(&wnd)); // OLE not initialised
    ASSERT_TRUE(AfxOleInit());
    EXPECT_TRUE(target.Register(&wnd));
    EXPECT_EQ(target.m_hWnd, wnd.m_hWnd);
    EXPECT_EQ(wnd.m_pDropTarget, &target);
    EXPECT_FALSE(target.Register(&wnd)); // registered already

    CRecordingTarget other;
    EXPECT_FALSE(other.Register(&wnd)); // the window has a target
    target.Revoke();
    EXPECT_EQ(target.m_hWnd, nullptr);
    EXPECT_EQ(wnd.m_pDropTarget, nullptr);
    EXPECT_TRUE(other.Register(&wnd));
    other.Revoke();
}

TEST_F(DropTest, DestroyingTheWindowRevokesItsTarget) {
    ASSERT_TRUE(target.Register(&wnd));
    HWND old = wnd.m_hWnd;
    wnd.DestroyWindow();
    EXPECT_EQ(target.m_hWnd, nullptr);
    EXPECT_EQ(plat::DropTargetOf(old), nullptr);
    // The same target serves the next window (the control is created again).
    ASSERT_TRUE(
        wnd.CreateEx(0, nullptr, "again", WS_OVERLAPPED | WS_VISIBLE, 100, 50, 200, 150, nullptr, nullptr));
    EXPECT_TRUE(target.Register(&wnd));
}

TEST_F(DropTest, BaseClassAcceptsNothing) {
    target.useBase = true;
    ASSERT_TRUE(target.Register(&wnd));
    EXPECT_EQ(plat::DragTextOver(nullptr, Screen(10, 10), "text"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(plat::DragTextOver(nullptr, Screen(20, 10), "text"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(plat::DropText(nullptr, Screen(20, 10), "text"), static_cast<DWORD>(DROPEFFECT_NONE));
    // Refused at the drop point: the drag ends with a leave, never a drop.
    EXPECT_EQ(target.calls, (std::vector<std::string>{"enter 10,10", "over 20,10", "over 20,10", "leave"}));
}

TEST_F(DropTest, AcceptedDropAsksOverAgainAndThenDropsAndACancelledDragLeaves) {
    ASSERT_TRUE(target.Register(&wnd));
    plat::DragTextOver(nullptr, Screen(3, 3), "x");
    plat::CancelDrag();
    EXPECT_EQ(target.calls, (std::vector<std::string>{"enter 3,3", "leave"}));
    target.calls.clear();
    plat::DragTextOver(nullptr, Screen(5, 6), "hello");
    EXPECT_EQ(plat::DropText(nullptr, Screen(30, 40), "hello"), static_cast<DWORD>(DROPEFFECT_COPY));
    // The drag driver moves to the drop point first; the target asks OnDragOver itself once more.
    EXPECT_EQ(target.calls, (std::vector<std::string>{"enter 5,6", "over 30,40", "over 30,40", "dropex 1/3",
                                                      "drop 1 30,40"}));
    EXPECT_EQ(target.droppedText, "hello");
    EXPECT_TRUE(target.textOffered);
    EXPECT_FALSE(target.otherFormatOffered);
    EXPECT_EQ(plat::GlobalBlockCount(), 0u); // the copy handed out was freed
}

TEST_F(DropTest, OnDropFalseReportsNoEffectAndNoLeaveAndOnDropExAnswersInsteadOfOnDrop) {
    target.overAnswer = DROPEFFECT_MOVE;
    target.dropAnswer = FALSE;
    ASSERT_TRUE(target.Register(&wnd));
    EXPECT_EQ(plat::DropText(nullptr, Screen(1, 1), "x"), static_cast<DWORD>(DROPEFFECT_NONE));
    ASSERT_FALSE(target.calls.empty());
    EXPECT_EQ(target.calls.back(), "drop 2 1,1");
    for (const auto& c : target.calls)
        EXPECT_NE(c, "leave");
    target.overAnswer = DROPEFFECT_COPY;
    target.dropExAnswer = DROPEFFECT_MOVE;
    EXPECT_EQ(plat::DropText(nullptr, Screen(1, 1), "x"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(target.calls.back(), "dropex 1/3");
}

TEST_F(DropTest, EffectsAreFittedToWhatTheSourceAllows) {
    ASSERT_TRUE(target.Register(&wnd));
    // A copy where only a move is allowed becomes a move.
    EXPECT_EQ(plat::DragTextOver(nullptr, Screen(1, 1), "x", MK_LBUTTON, DROPEFFECT_MOVE),
              static_cast<DWORD>(DROPEFFECT_MOVE));
    plat::CancelDrag();
    // A move where copy and link are allowed becomes a copy.
    target.enterAnswer = DROPEFFECT_MOVE;
    EXPECT_EQ(plat::DragTextOver(nullptr, Screen(1, 1), "x", MK_LBUTTON, DROPEFFECT_COPY | DROPEFFECT_LINK),
              static_cast<DWORD>(DROPEFFECT_COPY));
    plat::CancelDrag();
    // A link where only a copy is allowed has no substitute.
    target.enterAnswer = DROPEFFECT_LINK;
    EXPECT_EQ(plat::DragTextOver(nullptr, Screen(1, 1), "x", MK_LBUTTON, DROPEFFECT_COPY),
              static_cast<DWORD>(DROPEFFECT_NONE));
    plat::CancelDrag();
    // The rule itself: an allowed effect stays, else copy and move fall back to a link, a link to nothing.
    const DROPEFFECT rule[][3] = {{DROPEFFECT_COPY, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY},
                                  {DROPEFFECT_COPY, DROPEFFECT_LINK, DROPEFFECT_LINK},
                                  {DROPEFFECT_MOVE, DROPEFFECT_LINK, DROPEFFECT_LINK},
                                  {DROPEFFECT_LINK, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_NONE},
                                  {DROPEFFECT_NONE, DROPEFFECT_COPY, DROPEFFECT_NONE}};
    for (const auto& [wanted, allowed, fitted] : rule)
        EXPECT_EQ(AfxFilterDropEffect(wanted, allowed), fitted)
            << wanted << " where " << allowed << " is allowed";
}

TEST_F(DropTest, LastMomentRefusalLeavesInsteadOfDropping) {
    // Called directly, as OLE would when the last move before the release was still accepted.
    ASSERT_TRUE(target.Register(&wnd));
    IDropTarget* ole = plat::DropTargetOf(wnd.m_hWnd);
    ASSERT_NE(ole, nullptr);
    plat::DataObject data("text");
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(ole->DragEnter(&data, MK_LBUTTON, POINTL{110, 60}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    target.overAnswer = DROPEFFECT_NONE;
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(ole->Drop(&data, 0, POINTL{120, 70}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"enter 10,10", "over 20,20", "dropex 0/3", "leave"}));
    // After the drop the target holds no data: a stray DragOver is refused.
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(ole->DragOver(0, POINTL{120, 70}, &effect), E_UNEXPECTED);
}

} // namespace

// OLE text drops: registration needs OLE initialised (counted), the enter → over → drop order, the
// drop-time DragOver whose NONE turns the drop into a leave, leaving one window for another, effects
// masked with what the source allows, and the data object's caller-owned global memory.
#include "plat/drop.h"
#include "support/test_window.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// A drop target that logs its calls and answers the effects the test gives it.
class LoggingTarget : public IDropTarget {
  public:
    explicit LoggingTarget(std::string name) : name_(std::move(name)) {}
    HRESULT DragEnter(IDataObject*, DWORD, POINTL pt, DWORD* effect) override {
        log.push_back(name_ + ":enter " + Pos(pt));
        allowedSeen = *effect;
        *effect = enterAnswer;
        return S_OK;
    }
    HRESULT DragOver(DWORD keys, POINTL pt, DWORD* effect) override {
        log.push_back(name_ + ":over " + Pos(pt));
        allowedSeen = *effect;
        *effect = overAnswers.empty() ? overAnswer : Next();
        return S_OK;
    }
    HRESULT DragLeave() override {
        log.push_back(name_ + ":leave");
        return S_OK;
    }
    HRESULT Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
        log.push_back(name_ + ":drop " + Pos(pt));
        allowedSeen = *effect;
        if (data && data->QueryGetData(CF_TEXT) == S_OK) {
            HGLOBAL h = nullptr;
            if (data->GetData(CF_TEXT, &h) == S_OK) {
                if (const char* p = static_cast<const char*>(GlobalLock(h))) text = p;
                GlobalUnlock(h);
                GlobalFree(h);
            }
        }
        *effect = dropAnswer;
        return S_OK;
    }

    std::vector<std::string> log;
    DWORD enterAnswer = DROPEFFECT_MOVE;
    DWORD overAnswer = DROPEFFECT_MOVE;
    std::vector<DWORD> overAnswers; // answers taken in turn before overAnswer
    DWORD dropAnswer = DROPEFFECT_MOVE;
    DWORD allowedSeen = 0;
    std::string text;

  private:
    static std::string Pos(POINTL pt) { return std::to_string(pt.x) + "," + std::to_string(pt.y); }
    DWORD Next() {
        DWORD d = overAnswers.front();
        overAnswers.erase(overAnswers.begin());
        return d;
    }
    std::string name_;
};

class DropTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        plat::ResetDragDropForTest();
        blocks_ = plat::GlobalBlockCount();
        // A top-level window at (100, 50) with two children side by side: "tree" at client
        // (0,0)-(100,100) and "other" at (100,0)-(200,100).
        top_ = testwin::MakeTop(100, 50, 300, 200);
        tree_ = testwin::MakeChild(top_, 1000, RECT{0, 0, 100, 100});
        other_ = testwin::MakeChild(top_, 1001, RECT{100, 0, 200, 100});
        inner_ = testwin::MakeChild(tree_, 1, RECT{40, 40, 60, 60});
    }
    void TearDown() override {
        EXPECT_FALSE(plat::DragInProgress());
        EXPECT_EQ(plat::GlobalBlockCount(), blocks_) << "global memory leaked";
        plat::ResetDragDropForTest();
        WindowTest::TearDown();
    }
    void Register(HWND h, LoggingTarget* target) {
        if (plat::OleInitCount() == 0) OleInitialize(nullptr);
        ASSERT_EQ(RegisterDragDrop(h, target), S_OK);
    }

    HWND top_ = nullptr, tree_ = nullptr, other_ = nullptr, inner_ = nullptr;
    size_t blocks_ = 0;
    LoggingTarget t{"tree"}; // the tree's target in most tests
};

// Screen points: the top window's client area starts at (100, 50).
constexpr POINT kInTree{120, 70};
constexpr POINT kInTree2{130, 90};
constexpr POINT kInInner{150, 100}; // over the tree's child window
constexpr POINT kInOther{250, 70};
constexpr POINT kOutside{390, 240}; // inside the top window, below both children

TEST_F(DropTest, RegistrationNeedsOleInitialisedTheInitialisationIsCountedAndBadArgumentsFail) {
    EXPECT_EQ(RegisterDragDrop(tree_, &t), E_OUTOFMEMORY);
    EXPECT_EQ(OleInitialize(nullptr), S_OK);
    EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
    OleUninitialize();
    EXPECT_EQ(RegisterDragDrop(tree_, &t), S_OK) << "still initialised once";
    EXPECT_EQ(RegisterDragDrop(tree_, &t), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(plat::DropTargetOf(tree_), &t);
    EXPECT_EQ(RevokeDragDrop(tree_), S_OK);
    EXPECT_EQ(RevokeDragDrop(tree_), DRAGDROP_E_NOTREGISTERED);
    OleUninitialize();
    EXPECT_EQ(plat::OleInitCount(), 0);
    EXPECT_EQ(RegisterDragDrop(tree_, &t), E_OUTOFMEMORY);

    OleInitialize(nullptr);
    EXPECT_EQ(RegisterDragDrop(tree_, nullptr), E_INVALIDARG);
    EXPECT_EQ(RegisterDragDrop(reinterpret_cast<HWND>(0x777), &t), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RevokeDragDrop(reinterpret_cast<HWND>(0x777)), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(OleInitialize(reinterpret_cast<LPVOID>(1)), E_INVALIDARG);
}

TEST_F(DropTest, EnterOverAndDropWithTheDropTimeOverAtTheDropPoint) {
    Register(tree_, &t);
    EXPECT_EQ(plat::DragTextOver(nullptr, kInTree, "hello"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(plat::DragTargetWindow(), tree_);
    EXPECT_EQ(plat::DragTextOver(nullptr, kInTree2, "hello"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(plat::DropText(nullptr, kInTree2, "hello"), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 120,70", "tree:over 130,90", "tree:over 130,90",
                                               "tree:drop 130,90"}));
    EXPECT_EQ(t.text, "hello");
    EXPECT_FALSE(plat::DragInProgress());

    // A drop without a move before it enters, asks, then drops; a drop answered NONE (as the shelf's
    // handler answers after it has taken the text) is no drop for the source.
    t.log.clear();
    t.dropAnswer = DROPEFFECT_NONE;
    EXPECT_EQ(plat::DropText(nullptr, kInTree, "x"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 120,70", "tree:over 120,70", "tree:drop 120,70"}));
    EXPECT_EQ(t.text, "x");
}

TEST_F(DropTest, NoneFromTheDropTimeOverMeansLeaveInsteadOfDrop) {
    Register(tree_, &t);
    t.overAnswers = {DROPEFFECT_MOVE, DROPEFFECT_NONE};
    plat::DragTextOver(nullptr, kInTree, "hello");
    plat::DragTextOver(nullptr, kInTree, "hello");
    EXPECT_EQ(plat::DropText(nullptr, kInTree, "hello"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 120,70", "tree:over 120,70", "tree:over 120,70",
                                               "tree:leave"}));
    EXPECT_EQ(t.text, "");
}

TEST_F(DropTest, ChildWindowsOfARegisteredWindowBelongToItsTarget) {
    Register(tree_, &t);
    plat::DragTextOver(nullptr, kInInner, "x");
    EXPECT_EQ(plat::DragTargetWindow(), tree_);
    plat::DragTextOver(nullptr, kInTree, "x"); // out of the child, still over the tree
    plat::CancelTextDrag();
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 150,100", "tree:over 120,70", "tree:leave"}));
}

TEST_F(DropTest, MovingToAnotherTargetLeavesTheFirstAndEntersTheSecond) {
    LoggingTarget b("other");
    Register(tree_, &t);
    Register(other_, &b);
    plat::DragTextOver(nullptr, kInTree, "x");
    plat::DragTextOver(nullptr, kInOther, "x");
    plat::DragTextOver(nullptr, kOutside, "x");
    EXPECT_EQ(plat::DragTextOver(nullptr, kOutside, "x"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(plat::DropText(nullptr, kOutside, "x"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 120,70", "tree:leave"}));
    EXPECT_EQ(b.log, (std::vector<std::string>{"other:enter 250,70", "other:leave"}));
}

TEST_F(DropTest, AnExplicitWindowIsSearchedAtThePoint) {
    Register(tree_, &t);
    ShowWindow(top_, SW_HIDE); // hidden windows are not found by position...
    EXPECT_EQ(plat::DragTextOver(nullptr, kInTree, "x"), static_cast<DWORD>(DROPEFFECT_NONE));
    plat::CancelTextDrag();
    EXPECT_TRUE(t.log.empty());
    // ...but a caller that names the window under the point reaches its children.
    plat::DragTextOver(top_, kInInner, "x");
    EXPECT_EQ(plat::DragTargetWindow(), tree_);
    plat::CancelTextDrag();
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 150,100", "tree:leave"}));
}

TEST_F(DropTest, EffectsAreMaskedWithWhatTheSourceAllows) {
    Register(tree_, &t);
    t.enterAnswer = DROPEFFECT_MOVE | DROPEFFECT_COPY;
    t.overAnswer = DROPEFFECT_MOVE;
    EXPECT_EQ(plat::DragTextOver(nullptr, kInTree, "x", MK_LBUTTON, DROPEFFECT_COPY),
              static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(t.allowedSeen, static_cast<DWORD>(DROPEFFECT_COPY));
    // MOVE is not allowed: the drop-time answer is NONE after masking, so the target is left.
    EXPECT_EQ(plat::DropText(nullptr, kInTree, "x"), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(t.log.back(), "tree:leave");
}

TEST_F(DropTest, RevokedOrDestroyedTargetsAreNotCalled) {
    Register(tree_, &t);
    plat::DragTextOver(nullptr, kInTree, "x");
    RevokeDragDrop(tree_);
    plat::DragTextOver(nullptr, kInTree, "x");
    plat::CancelTextDrag();
    EXPECT_EQ(t.log, (std::vector<std::string>{"tree:enter 120,70"}));

    LoggingTarget u("other");
    Register(other_, &u);
    DestroyWindow(other_);
    EXPECT_EQ(plat::DropTargetOf(other_), nullptr);
    plat::DropText(nullptr, kInOther, "x");
    EXPECT_TRUE(u.log.empty());
}

TEST_F(DropTest, DataInOtherFormatsIsNotOfferedAsText) {
    Register(tree_, &t);
    plat::DataObject data;
    data.SetData(CF_UNICODETEXT, std::string("h\0i\0", 4));
    EXPECT_EQ(data.QueryGetData(CF_TEXT), DV_E_FORMATETC);
    HGLOBAL h = reinterpret_cast<HGLOBAL>(1);
    EXPECT_EQ(data.GetData(CF_TEXT, &h), DV_E_FORMATETC);
    EXPECT_EQ(h, nullptr);
    plat::DropData(nullptr, kInTree, &data, MK_LBUTTON, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(t.log.back(), "tree:drop 120,70");
    EXPECT_EQ(t.text, "");
}

TEST_F(DropTest, TextDataIsACallerOwnedZeroTerminatedCopy) {
    plat::DataObject data("Tavrin");
    EXPECT_EQ(data.QueryGetData(CF_TEXT), S_OK);
    HGLOBAL first = nullptr, second = nullptr;
    ASSERT_EQ(data.GetData(CF_TEXT, &first), S_OK);
    ASSERT_EQ(data.GetData(CF_TEXT, &second), S_OK);
    EXPECT_NE(first, second) << "each call hands out its own copy";
    EXPECT_EQ(GlobalSize(first), 7u);
    char* p = static_cast<char*>(GlobalLock(first));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "Tavrin");
    p[0] = 'X'; // the caller's copy: changing it changes nothing else
    GlobalUnlock(first);
    const char* q = static_cast<const char*>(GlobalLock(second));
    EXPECT_STREQ(q, "Tavrin");
    GlobalUnlock(second);
    EXPECT_EQ(GlobalFree(first), nullptr);
    EXPECT_EQ(GlobalFree(second), nullptr);
}

TEST_F(DropTest, GlobalMemoryLocksAreCounted) {
    HGLOBAL moveable = GlobalAlloc(GHND, 16);
    ASSERT_NE(moveable, nullptr);
    void* p1 = GlobalLock(moveable);
    void* p2 = GlobalLock(moveable);
    EXPECT_EQ(p1, p2);
    EXPECT_NE(p1, moveable) << "a moveable block's handle is not its memory";
    EXPECT_EQ(static_cast<unsigned char*>(p1)[15], 0) << "GMEM_ZEROINIT";
    EXPECT_TRUE(GlobalUnlock(moveable));
    SetLastError(12345);
    EXPECT_FALSE(GlobalUnlock(moveable));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR)) << "FALSE with NO_ERROR: now unlocked";
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 4);
    EXPECT_EQ(GlobalLock(fixed), fixed) << "a fixed block's handle is its memory";
    EXPECT_EQ(GlobalFree(fixed), nullptr);
    EXPECT_EQ(GlobalFree(moveable), nullptr);
    EXPECT_EQ(GlobalFree(moveable), moveable) << "a second free fails";
    EXPECT_EQ(GlobalLock(moveable), nullptr);
    EXPECT_EQ(GlobalSize(moveable), 0u);
}

} // namespace

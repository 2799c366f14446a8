// The reader on the sample shelf with a test screen: a click on a book shows its first page in the
// pane, a text dropped on a book is looked up in it and its hits listed, a hit chosen shows its page,
// a search of every book streams its hits and can be stopped, and a new catalog made with the pane's
// button and the dialog is kept in the user catalogs file. Run by app.sh, which registers the samples.
#include "../support/fake_screen.h"

#include "host_setup.h"
#include "reader_app.h"
#include "reader_state.h"
#include "shelf_items.h"

#include "plat/core.h"
#include "plat/dialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using Kind = plat::UserInput::Kind;
using readertest::FakeScreen;
using readertest::Key;
using readertest::Mouse;
using readertest::Text;

const std::string kRiver = "Bookshelf / E-books / A Journey Down the River";

class ReaderAppTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const char* shelf = std::getenv("TAVRIN_TEST_SHELF");
        ASSERT_NE(shelf, nullptr) << "run by tests/reader/app.sh";
        plat::SetCodePage(1252);
        ASSERT_EQ(tavrin::host::PrepareShelfProcess({"reader-test", shelf, 1252u}), 0);
    }

    FakeScreen screen;
    std::unique_ptr<tavrin::reader::ReaderApp> app;
    std::filesystem::path dir;

    void SetUp() override {
        dir = std::filesystem::path(std::getenv("TAVRIN_USER_CATALOGS")).parent_path();
        std::filesystem::remove(std::getenv("TAVRIN_USER_CATALOGS"));
        std::filesystem::remove(dir / "reader-state.txt");
        Launch();
    }
    // Starts the reader on the test's catalogs and state files.
    void Launch() {
        tavrin::reader::ReaderOptions options;
        options.userCatalogs = std::getenv("TAVRIN_USER_CATALOGS");
        options.statePath = dir / "reader-state.txt";
        app = std::make_unique<tavrin::reader::ReaderApp>(screen, options);
        std::string error;
        ASSERT_TRUE(app->Start(&error)) << error;
        app->Settle();
    }
    // Ends the reader as a person closing it does; `between` runs while it is not running.
    void Restart(const std::function<void()>& between = [] {}) {
        ASSERT_TRUE(app->Finish());
        app.reset();
        plat::ResetWindows();
        between();
        Launch();
    }
    void TearDown() override {
        if (app) app->Finish();
        app.reset();
        plat::ResetWindows();
    }

    HTREEITEM Find(const std::string& path) {
        HWND tree = app->Tree();
        HTREEITEM found = nullptr;
        // Open the way down, as a person opens the catalogs.
        tavrin::host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
            const std::string p = tavrin::reader::PathUtf8(app->Shelf(), tree, item);
            if (!found && path.rfind(p, 0) == 0 && p != path) TreeView_Expand(tree, item, TVE_EXPAND);
            if (!found && p == path) found = item;
        });
        plat::PumpMessages();
        return found;
    }
    POINT LabelOnScreen(HTREEITEM item) {
        HWND tree = app->Tree();
        TreeView_EnsureVisible(tree, item);
        RECT r{};
        EXPECT_TRUE(TreeView_GetItemRect(tree, item, &r, TRUE));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ::ClientToScreen(tree, &p);
        return p;
    }
    void Click(POINT at) {
        app->Handle(Mouse(Kind::ButtonDown, at));
        app->Handle(Mouse(Kind::ButtonUp, at));
        app->Settle();
    }
    std::string PageText() {
        std::string all;
        for (const std::string& line : app->Pane().Lines())
            all += line + "\n";
        return all;
    }
};

TEST_F(ReaderAppTest, AClickOnABookShowsItsFirstPage) {
    HTREEITEM river = Find(kRiver);
    ASSERT_NE(river, nullptr);
    Click(LabelOnScreen(river));
    EXPECT_NE(app->Pane().Title().find("A Journey Down the River"), std::string::npos) << app->Pane().Title();
    EXPECT_FALSE(app->Pane().Lines().empty());
    // The window shows it: the frame has dark text pixels in the pane's text area.
    plat::Image frame = app->Compose();
    const RECT text = app->Pane().TextRect();
    int ink = 0;
    for (int y = text.top; y < text.bottom && y < frame.height; ++y)
        for (int x = text.left; x < text.right && x < frame.width; ++x)
            if ((frame.xrgb[static_cast<size_t>(y * frame.width + x)] & 0xFFFFFF) < 0x404040) ++ink;
    EXPECT_GT(ink, 50);
}

TEST_F(ReaderAppTest, TextDroppedOnABookIsLookedUpThereAndAHitShowsItsPage) {
    HTREEITEM river = Find(kRiver);
    ASSERT_NE(river, nullptr);
    app->DropText(LabelOnScreen(river), "river");
    app->Settle();
    EXPECT_EQ(app->Pane().Query(), "river");
    ASSERT_FALSE(app->Pane().Hits().empty()) << app->Pane().Progress();
    const DWORD book = tavrin::host::InfoOf(app->Shelf(), river).dwBookHandle;
    for (const auto& hit : app->Pane().Hits())
        EXPECT_EQ(hit.book, book) << "only the book the text was dropped on is searched";
    EXPECT_NE(app->Pane().Progress().find("searched to the end"), std::string::npos);
    const long page = app->Pane().Hits().back().page;
    app->GoToHit(app->Pane().Hits().size() - 1);
    app->Settle();
    EXPECT_NE(app->Pane().Title().find("page " + std::to_string(page)), std::string::npos)
        << app->Pane().Title();
    std::string text = PageText();
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_NE(text.find("river"), std::string::npos);
}

TEST_F(ReaderAppTest, TextDroppedBesideTheBooksSaysWhyNothingWasLookedUp) {
    app->DropText(POINT{app->Pane().Area().left + 50, 300}, "river");
    EXPECT_TRUE(app->Pane().Hits().empty());
    EXPECT_NE(app->Pane().Progress().find("Drop the text on a book"), std::string::npos);
}

TEST_F(ReaderAppTest, ASearchOfEveryBookIsStoppedByEsc) {
    app->Search("the");
    const size_t all = app->Pane().Hits().size();
    EXPECT_GT(all, 1u);
    EXPECT_NE(app->Pane().Progress().find("searched to the end"), std::string::npos);
    // The search looks at the input after every hit and every book: the Esc waiting there stops it.
    screen.Queue(Key(VK_ESCAPE));
    app->Search("the");
    EXPECT_LT(app->Pane().Hits().size(), all);
    EXPECT_NE(app->Pane().Progress().find("stopped"), std::string::npos);
}

// A catalogs file that cannot be read whole is said in the window, not only on a terminal the person
// may not have; the shelf shows what could be read.
TEST_F(ReaderAppTest, DamagedCatalogsAreSaidInTheWindow) {
    Restart([] {
        std::ofstream damaged(std::getenv("TAVRIN_USER_CATALOGS"), std::ios::binary);
        damaged << "not a catalogs file at all, but some bytes of something else";
    });
    const std::string& note = app->Pane().Progress();
    EXPECT_NE(note.find("Your catalogs"), std::string::npos) << note;
    EXPECT_NE(note.find("could not be read whole"), std::string::npos) << note;
    EXPECT_NE(Find(kRiver), nullptr) << "the shelf is there";
}

TEST_F(ReaderAppTest, ANewCatalogMadeWithThePaneButtonIsSaved) {
    HTREEITEM literature = Find("Bookshelf / Literature");
    ASSERT_NE(literature, nullptr);
    Click(LabelOnScreen(literature));
    // The new-catalog dialog takes the name and Enter.
    screen.Queue(Text("Verse")).Queue(Key(VK_RETURN));
    const RECT tool = app->Pane().ToolRect(0);
    Click(POINT{(tool.left + tool.right) / 2, (tool.top + tool.bottom) / 2}); // the pane's button
    EXPECT_FALSE(screen.ranDry);
    EXPECT_NE(Find("Bookshelf / Literature / Verse"), nullptr);
    const auto size = std::filesystem::file_size(std::getenv("TAVRIN_USER_CATALOGS"));
    EXPECT_GT(size, 0u) << "saved after the command";
}

TEST_F(ReaderAppTest, ABookDraggedIntoANewCatalogIsThereAfterARestart) {
    HTREEITEM unclassified = Find("Bookshelf / Unclassified");
    ASSERT_NE(unclassified, nullptr);
    Click(LabelOnScreen(unclassified));
    screen.Queue(Text("Poems")).Queue(Key(VK_RETURN));
    const RECT tool = app->Pane().ToolRect(0);
    Click(POINT{(tool.left + tool.right) / 2, (tool.top + tool.bottom) / 2});
    HTREEITEM poems = Find("Bookshelf / Unclassified / Poems");
    HTREEITEM tang = Find("Bookshelf / Literature / Classical Poetry / Tang Poems");
    ASSERT_NE(poems, nullptr);
    ASSERT_NE(tang, nullptr);
    const auto sizeBefore = std::filesystem::file_size(std::getenv("TAVRIN_USER_CATALOGS"));
    const POINT from = LabelOnScreen(tang);
    const POINT to = LabelOnScreen(poems);
    ASSERT_NE(from.y, to.y);
    // The press, a move past the drag distance, moves over the catalog and the release there.
    app->Handle(Mouse(Kind::ButtonDown, from));
    for (int step = 1; step <= 4; ++step) {
        app->Handle(Mouse(Kind::MouseMove,
                          POINT{from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4}));
        app->Settle();
    }
    app->Handle(Mouse(Kind::ButtonUp, to));
    app->Settle();
    ASSERT_NE(Find("Bookshelf / Unclassified / Poems / Tang Poems"), nullptr) << "the drag moved the book";
    EXPECT_GT(std::filesystem::file_size(std::getenv("TAVRIN_USER_CATALOGS")), sizeBefore)
        << "saved as soon as the drop is done, not only at the end";
    // Closed and started again: the catalog file has the book in the catalog.
    Restart();
    EXPECT_NE(Find("Bookshelf / Unclassified / Poems / Tang Poems"), nullptr);
}

TEST_F(ReaderAppTest, AFileDroppedOnACatalogGoesToTheShelfsRegisterCommandAndItsRefusalIsShown) {
    const std::filesystem::path file = dir / "notes.txt";
    std::ofstream(file) << "not a book";
    HTREEITEM unclassified = Find("Bookshelf / Unclassified");
    ASSERT_NE(unclassified, nullptr);
    // The shelf says why it refuses the file in a message box; the person reads it and presses Enter.
    screen.Queue(Key(VK_RETURN));
    const size_t shownBefore = screen.shown.size();
    app->DropFile(LabelOnScreen(unclassified), file.string());
    EXPECT_EQ(screen.Pending(), 0u) << "a message box took the Enter";
    EXPECT_FALSE(screen.ranDry);
    ASSERT_GT(screen.shown.size(), shownBefore);
    EXPECT_NE(app->Pane().Progress().find("No book was added from " + file.string()), std::string::npos)
        << app->Pane().Progress();
    EXPECT_EQ(TreeView_GetSelection(app->Tree()), unclassified) << "the file went to the catalog dropped on";
}

TEST_F(ReaderAppTest, ABookDraggedBelowTheShelfsEdgeScrollsItToACatalogOutOfView) {
    HTREEITEM unclassified = Find("Bookshelf / Unclassified");
    ASSERT_NE(unclassified, nullptr);
    Click(LabelOnScreen(unclassified));
    screen.Queue(Text("Poems")).Queue(Key(VK_RETURN));
    const RECT tool = app->Pane().ToolRect(0);
    Click(POINT{(tool.left + tool.right) / 2, (tool.top + tool.bottom) / 2});
    HWND tree = app->Tree();
    // Everything open: the shelf is longer than the window; Poems is at the bottom, out of view.
    tavrin::host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        if (tavrin::host::InfoOf(app->Shelf(), item).dwKind == SHELF_ITEM_CATALOG)
            TreeView_Expand(tree, item, TVE_EXPAND);
    });
    ::MoveWindow(app->Shelf().GetSafeHwnd(), 0, 0, 300, 160, TRUE);
    app->Settle();
    HTREEITEM poems = Find("Bookshelf / Unclassified / Poems");
    HTREEITEM tang = Find("Bookshelf / Literature / Classical Poetry / Tang Poems");
    ASSERT_NE(poems, nullptr);
    ASSERT_NE(tang, nullptr);
    const POINT from = LabelOnScreen(tang);
    RECT row{}, client{};
    ::GetClientRect(tree, &client);
    ASSERT_TRUE(TreeView_GetItemRect(tree, poems, &row, TRUE));
    ASSERT_GT(row.top, client.bottom) << "Poems starts out of view";

    plat::UseManualClock(true);
    app->Handle(Mouse(Kind::ButtonDown, from));
    app->Handle(Mouse(Kind::MouseMove, POINT{from.x + 20, from.y}));
    app->Settle();
    // Held below the shelf's edge: the shelf scrolls on its timer until Poems is in view.
    POINT below{from.x, 0};
    {
        POINT bottom{0, client.bottom};
        ::ClientToScreen(tree, &bottom);
        below.y = bottom.y + 30;
    }
    app->Handle(Mouse(Kind::MouseMove, below));
    for (int tick = 0; tick < 100; ++tick) {
        ASSERT_TRUE(TreeView_GetItemRect(tree, poems, &row, TRUE));
        if (row.bottom <= client.bottom) break;
        plat::AdvanceClock(100);
        app->Settle();
    }
    plat::UseManualClock(false);
    ASSERT_LE(row.bottom, client.bottom) << "the shelf scrolled Poems into view";
    POINT to{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ::ClientToScreen(tree, &to);
    app->Handle(Mouse(Kind::MouseMove, to));
    app->Handle(Mouse(Kind::ButtonUp, to));
    app->Settle();
    EXPECT_NE(Find("Bookshelf / Unclassified / Poems / Tang Poems"), nullptr);
}

TEST_F(ReaderAppTest, TextTheShelfsCodePageCannotHoldIsRefusedAloud) {
    plat::UserInput typed = Text("");
    typed.utf8 = "\xE6\x98\x8E"; // not in code page 1252
    app->Handle(typed);
    EXPECT_NE(app->Pane().Progress().find("cannot be written in the shelf's code page 1252"),
              std::string::npos)
        << app->Pane().Progress();
}

} // namespace

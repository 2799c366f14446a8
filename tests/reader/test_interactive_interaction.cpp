// The interactive interaction answered by a person's input (from a test screen): popup menus chosen
// with the mouse, the arrows and mnemonics and dismissed; message boxes answered by their buttons, Enter
// and Esc; a modal dialog of the platform filled in and pressed through the same input routing as the
// main window; the open-file dialog browsing a folder with its filter.
#include "../platform/support/test_window.h"
#include "support/fake_screen.h"

#include "plat/dialogs.h"
#include "plat/interactive_interaction.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

using Kind = plat::UserInput::Kind;
using readertest::FakeScreen;
using readertest::Key;
using readertest::Mouse;
using readertest::Text;

class InteractiveTest : public testwin::WindowTest {
  protected:
    FakeScreen screen;
    plat::InteractiveInteraction interaction{screen};

    // The picture on top of the last Show.
    const plat::Overlay& Top() {
        EXPECT_FALSE(screen.shown.empty());
        EXPECT_FALSE(screen.shown.back().empty());
        return screen.shown.back().back();
    }
    // A point inside the top picture, at fractions of its width and height.
    FakeScreen::Step At(Kind kind, double fx, double fy, int clicks = 1) {
        return [this, kind, fx, fy, clicks] {
            const plat::Overlay& o = Top();
            return Mouse(kind,
                         POINT{o.at.x + static_cast<LONG>(o.image.width * fx),
                               o.at.y + static_cast<LONG>(o.image.height * fy)},
                         1, clicks);
        };
    }
};

plat::PopupMenuRequest Menu(std::vector<plat::MenuItemView> items) {
    plat::PopupMenuRequest r{};
    r.screen = POINT{100, 80};
    r.items = std::move(items);
    return r;
}

plat::MenuItemView Item(UINT id, const char* text, bool grayed = false) {
    return plat::MenuItemView{id, text, false, grayed, false, nullptr};
}
plat::MenuItemView Separator() {
    return plat::MenuItemView{0, "", true, false, false, nullptr};
}

TEST_F(InteractiveTest, AMenuIsChosenByAPressAndReleaseOnItsRow) {
    screen.Queue(At(Kind::ButtonDown, 0.5, 2.5 / 3)).Queue(At(Kind::ButtonUp, 0.5, 2.5 / 3));
    const UINT id =
        interaction.ChoosePopupMenuItem(Menu({Item(1, "&Open"), Item(2, "Re&name"), Item(3, "&Delete")}));
    EXPECT_EQ(id, 3u);
    EXPECT_EQ(Top().at.x, 100);
    EXPECT_EQ(Top().at.y, 80);
    EXPECT_FALSE(screen.ranDry);
}

TEST_F(InteractiveTest, AGrayedItemCannotBeChosenAndAPressOutsideDismisses) {
    screen.Queue(At(Kind::ButtonDown, 0.5, 0.5))
        .Queue(At(Kind::ButtonUp, 0.5, 0.5))
        .Queue(Mouse(Kind::ButtonDown, POINT{5, 5}));
    EXPECT_EQ(interaction.ChoosePopupMenuItem(Menu({Item(7, "Grayed", true)})), 0u);
    EXPECT_EQ(screen.Pending(), 0u);
    EXPECT_FALSE(screen.ranDry) << "the press outside ended the menu";
}

TEST_F(InteractiveTest, TheArrowsSkipSeparatorsAndWrapAndEnterChooses) {
    screen.Queue(Key(VK_DOWN)).Queue(Key(VK_DOWN)).Queue(Key(VK_RETURN));
    EXPECT_EQ(interaction.ChoosePopupMenuItem(Menu({Item(1, "One"), Separator(), Item(2, "Two")})), 2u);
    screen.Queue(Key(VK_UP)).Queue(Key(VK_RETURN));
    EXPECT_EQ(interaction.ChoosePopupMenuItem(Menu({Item(1, "One"), Separator(), Item(2, "Two")})), 2u)
        << "up from nothing goes to the last";
}

TEST_F(InteractiveTest, AMnemonicChoosesAndEscOrQuitDismiss) {
    screen.Queue(Text("N"));
    EXPECT_EQ(interaction.ChoosePopupMenuItem(Menu({Item(1, "&Open"), Item(2, "&New Catalog")})), 2u);
    screen.Queue(Key(VK_ESCAPE));
    EXPECT_EQ(interaction.ChoosePopupMenuItem(Menu({Item(1, "&Open")})), 0u);
    plat::UserInput quit;
    quit.kind = Kind::Quit;
    screen.Queue(quit);
    EXPECT_EQ(interaction.ChoosePopupMenuItem(Menu({Item(1, "&Open")})), 0u);
    EXPECT_TRUE(screen.quit) << "the host hears of the quit";
}

plat::MessageBoxRequest Box(UINT type) {
    return plat::MessageBoxRequest{nullptr, "Delete the catalog?\nIt holds no books.", "Tavrin", type};
}

TEST_F(InteractiveTest, AMessageBoxAnswersWithEnterEscAndItsButtons) {
    screen.Queue(Key(VK_RETURN));
    EXPECT_EQ(interaction.MessageBox(Box(MB_YESNO | MB_DEFBUTTON2)), IDNO) << "Enter takes the default";
    screen.Queue(Key(VK_ESCAPE));
    EXPECT_EQ(interaction.MessageBox(Box(MB_OKCANCEL)), IDCANCEL);
    // Esc does nothing in a Yes/No box; the click on the left button (Yes) answers.
    screen.Queue(Key(VK_ESCAPE));
    screen.Queue([this] {
        const plat::Overlay& o = Top();
        // The buttons stand side by side near the bottom, centred: the left one is left of the middle.
        return Mouse(Kind::ButtonDown, POINT{o.at.x + o.image.width / 2 - 40, o.at.y + o.image.height - 20});
    });
    screen.Queue([this] {
        const plat::Overlay& o = Top();
        return Mouse(Kind::ButtonUp, POINT{o.at.x + o.image.width / 2 - 40, o.at.y + o.image.height - 20});
    });
    EXPECT_EQ(interaction.MessageBox(Box(MB_YESNO)), IDYES);
    EXPECT_EQ(screen.Pending(), 0u);
    screen.Queue(Text("n"));
    EXPECT_EQ(interaction.MessageBox(Box(MB_YESNOCANCEL)), IDNO) << "the underlined letter answers";
}

TEST_F(InteractiveTest, TheBoxIsCentredAndShowsItsTextLines) {
    screen.Queue(Key(VK_RETURN));
    interaction.MessageBox(Box(MB_OK));
    const plat::Overlay& o = Top();
    EXPECT_NEAR(o.at.x + o.image.width / 2, screen.size.cx / 2, 1);
    EXPECT_NEAR(o.at.y + o.image.height / 2, screen.size.cy / 2, 1);
    // Two lines of dark text: rows with ink in the body at two separate heights at least.
    int inkRows = 0;
    for (int y = 30; y < o.image.height - 40; ++y)
        for (int x = 10; x < o.image.width - 10; ++x)
            if ((o.image.xrgb[static_cast<size_t>(y * o.image.width + x)] & 0xFFFFFF) < 0x404040) {
                ++inkRows;
                break;
            }
    EXPECT_GT(inkRows, 12);
}

// ---- a platform dialog run by the person ----

constexpr int kEdit = 1016;

plat::DialogTemplate NameDialog() {
    plat::DialogTemplate t;
    t.caption = "New Catalog";
    t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    t.rect = RECT{0, 0, 165, 46};
    t.items = {
        {"Edit", kEdit, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, RECT{51, 7, 158, 19}},
        {"Button", IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, RECT{30, 25, 80, 39}},
        {"Button", IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, RECT{85, 25, 135, 39}},
    };
    return t;
}

std::string g_typed;

INT_PTR CALLBACK NameProc(HWND h, UINT msg, WPARAM w, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        char buf[100] = "";
        GetDlgItemTextA(h, kEdit, buf, sizeof buf);
        g_typed = buf;
        EndDialog(h, LOWORD(w));
        return TRUE;
    }
    return FALSE;
}

TEST_F(InteractiveTest, ADialogIsTypedIntoAndEnterPressesItsDefaultButton) {
    HWND owner = testwin::MakeTop(0, 0, 800, 600);
    plat::ScopedInteraction scope(&interaction);
    screen.Queue(Text("Poems")).Queue(Key(VK_BACK)).Queue(Key(VK_RETURN));
    g_typed.clear();
    EXPECT_EQ(plat::RunModalDialogIndirect(NameDialog(), owner, NameProc, 0), IDOK);
    EXPECT_EQ(g_typed, "Poem");
    EXPECT_FALSE(screen.ranDry);
}

TEST_F(InteractiveTest, ADialogsButtonIsPressedWithTheMouseAndClicksBesideItAreRefused) {
    HWND owner = testwin::MakeTop(0, 0, 800, 600);
    plat::ScopedInteraction scope(&interaction);
    auto onCancel = [](Kind kind) {
        return [kind] {
            HWND cancel = GetDlgItem(plat::CurrentModalDialog(), IDCANCEL);
            RECT r{};
            GetWindowRect(cancel, &r);
            return Mouse(kind, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        };
    };
    plat::UserInput chinese = Text("");
    chinese.utf8 = "\xE6\x98\x8E"; // the active code page cannot hold it
    plat::ClearBeeps();
    screen
        .Queue(Mouse(Kind::ButtonDown, POINT{2, 2})) // beside the dialog: nothing
        .Queue(Mouse(Kind::ButtonUp, POINT{2, 2}))
        .Queue(chinese)
        .Queue(Text("x"))
        .Queue(onCancel(Kind::ButtonDown))
        .Queue(onCancel(Kind::ButtonUp));
    g_typed.clear();
    EXPECT_EQ(plat::RunModalDialogIndirect(NameDialog(), owner, NameProc, 0), IDCANCEL);
    EXPECT_EQ(g_typed, "x");
    EXPECT_EQ(plat::Beeps().size(), 2u) << "the press beside the dialog and the text it cannot take";
    EXPECT_FALSE(screen.ranDry);
    // The dialog was shown over the host on the screen, wholly inside it.
    ASSERT_FALSE(screen.shown.empty());
    const plat::Overlay& o = screen.shown.back().back();
    EXPECT_GE(o.at.x, 0);
    EXPECT_LE(o.at.x + o.image.width, screen.size.cx);
}

// ---- the open-file dialog ----

class FileChooserTest : public InteractiveTest {
  protected:
    std::filesystem::path folder;
    void SetUp() override {
        InteractiveTest::SetUp();
        const char* tmp = std::getenv("TAVRIN_TEST_TMP");
        // One folder per test and process: ctest runs the tests of this file side by side.
        folder =
            std::filesystem::path(tmp ? tmp : "/tmp") /
            ("reader_files_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "sub");
        std::ofstream(folder / "a.ebd") << "EBDF";
        std::ofstream(folder / "b.txt") << "text";
        std::ofstream(folder / "sub" / "c.ebd") << "EBDF";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        InteractiveTest::TearDown();
    }
    plat::OpenFileRequest Request() {
        plat::OpenFileRequest r{};
        r.filter = "Books|*.ebd||";
        r.bufferSize = 260;
        r.initialDir = folder.string();
        return r;
    }
};

TEST_F(FileChooserTest, ATypedNameIsChosenWithEnter) {
    screen.Queue(Text("a.ebd")).Queue(Key(VK_RETURN));
    plat::OpenFileAnswer answer;
    ASSERT_TRUE(interaction.ChooseOpenFiles(Request(), &answer));
    ASSERT_EQ(answer.files.size(), 1u);
    EXPECT_EQ(answer.files[0], (folder / "a.ebd").string());
}

TEST_F(FileChooserTest, TheListShowsFoldersAndFilteredFilesAndEnterOpensAFolder) {
    // Rows: "..", "sub", "a.ebd" (b.txt filtered out). Down twice selects "sub"; Enter opens it; then
    // the name of the file inside is typed.
    screen.Queue(Key(VK_DOWN))
        .Queue(Key(VK_DOWN))
        .Queue(Key(VK_RETURN))
        .Queue(Text("c.ebd"))
        .Queue(Key(VK_RETURN));
    plat::OpenFileAnswer answer;
    ASSERT_TRUE(interaction.ChooseOpenFiles(Request(), &answer));
    ASSERT_EQ(answer.files.size(), 1u);
    EXPECT_EQ(answer.files[0], (folder / "sub" / "c.ebd").string());
}

TEST_F(FileChooserTest, EscCancelsAndANameThatIsNoFileIsNotChosen) {
    screen.Queue(Text("missing.ebd")).Queue(Key(VK_RETURN)).Queue(Key(VK_ESCAPE));
    plat::OpenFileAnswer answer;
    EXPECT_FALSE(interaction.ChooseOpenFiles(Request(), &answer));
    EXPECT_TRUE(answer.files.empty());
    EXPECT_EQ(screen.Pending(), 0u) << "Enter on a missing name kept the dialog up for the Esc";
}

} // namespace

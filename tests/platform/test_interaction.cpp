// The interaction in force and the scripted interaction: installing and restoring, the keystrokes
// that interactions post, steps taken strictly in order, and unexpected requests made visible.
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <string>

namespace {

using testwin::Log;

class InteractionTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        script_.SetFailureHandler([this](const std::string& line) { failures_.push_back(line); });
        window_ = testwin::MakeTop();
        Log().clear();
    }

    // The keyboard messages the window received, as "down:0D", "char:41", "up:0D", "sel".
    std::vector<std::string> Keys() {
        std::vector<std::string> out;
        char buf[32];
        for (const auto& r : Log()) {
            const char* kind = r.msg == WM_KEYDOWN ? "down"
                               : r.msg == WM_KEYUP ? "up"
                               : r.msg == WM_CHAR  ? "char"
                                                   : nullptr;
            if (r.hwnd != window_ || (!kind && r.msg != EM_SETSEL)) continue;
            if (kind) std::snprintf(buf, sizeof buf, "%s:%02X", kind, static_cast<unsigned>(r.wParam));
            out.push_back(kind ? buf : "sel");
        }
        return out;
    }

    plat::ScriptedInteraction script_;
    std::vector<std::string> failures_;
    HWND window_ = nullptr;
};

TEST_F(InteractionTest, TheHeadlessDefaultIsInForceUntilSomethingIsInstalledAndCancelsLabelEditsWithEsc) {
    EXPECT_EQ(plat::InstalledInteraction(), nullptr);
    EXPECT_NE(dynamic_cast<plat::HeadlessInteraction*>(&plat::CurrentInteraction()), nullptr);
    {
        plat::ScopedInteraction outer(&script_);
        EXPECT_EQ(&plat::CurrentInteraction(), &script_);
        plat::ScriptedInteraction inner;
        {
            plat::ScopedInteraction scopedInner(&inner);
            EXPECT_EQ(&plat::CurrentInteraction(), &inner);
        }
        EXPECT_EQ(&plat::CurrentInteraction(), &script_);
    }
    EXPECT_EQ(plat::InstalledInteraction(), nullptr);
    plat::CurrentInteraction().LabelEditStarted(window_, "Poems");
    plat::PumpMessages();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"down:1B", "up:1B"}));
}

TEST_F(InteractionTest, TypedTextIsPostedOneCharPerByteAndKeysAsDownUpPairs) {
    plat::TypeText(window_, "A\xa4\xa4"); // 'A' and one double-byte character
    plat::PressKey(window_, VK_RETURN);
    EXPECT_TRUE(Keys().empty()) << "posted, not sent";
    plat::PumpMessages();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"char:41", "char:A4", "char:A4", "down:0D", "up:0D"}));
}

TEST_F(InteractionTest, AScriptedLabelIsTypedOverTheSelectionAndEntered) {
    script_.TypeLabel("Poems").CancelLabel();
    script_.LabelEditStarted(window_, "Old name");
    plat::PumpMessages();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"sel", "char:50", "char:6F", "char:65", "char:6D", "char:73",
                                                "down:0D", "up:0D"}));
    Log().clear();
    script_.LabelEditStarted(window_, "Other");
    plat::PumpMessages();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"down:1B", "up:1B"}));
    EXPECT_EQ(script_.LabelEdits(), (std::vector<std::string>{"Old name", "Other"}));
    EXPECT_TRUE(script_.Finished());
}

TEST_F(InteractionTest, RequestsOfAnotherKindThanTheNextStepFailAndLeaveTheStepQueued) {
    script_.ChooseMenuCommand(40016);
    plat::MessageBoxRequest box{nullptr, "Are sure?", "Remove a book", MB_YESNO};
    EXPECT_EQ(script_.MessageBox(box), IDYES); // Esc does nothing: the default button answers
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_NE(failures_[0].find("Are sure?"), std::string::npos);
    EXPECT_NE(failures_[0].find("popup menu"), std::string::npos) << "names the step that was next";
    EXPECT_EQ(script_.PendingSteps(), 1u);
    // The menu step is still there for the menu.
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 40016, "Delete(&D)");
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, window_, nullptr), 0)
        << "headless: nothing installed";
    {
        plat::ScopedInteraction scoped(&script_);
        EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, window_, nullptr), 40016);
    }
    DestroyMenu(m);
    EXPECT_EQ(script_.PendingSteps(), 0u);
    EXPECT_FALSE(script_.Finished()) << "a failure was recorded";
}

TEST_F(InteractionTest, UnexpectedRequestsOfEveryKindAreBackedOutOfAndAMenuTextThatIsNotThereFails) {
    plat::PopupMenuRequest menu{};
    EXPECT_EQ(script_.ChoosePopupMenuItem(menu), 0u);
    plat::OpenFileRequest files{};
    plat::OpenFileAnswer answer;
    EXPECT_FALSE(script_.ChooseOpenFiles(files, &answer));
    script_.LabelEditStarted(window_, "x");
    plat::PumpMessages();
    EXPECT_EQ(Keys(), (std::vector<std::string>{"down:1B", "up:1B"}));
    EXPECT_EQ(failures_.size(), 3u);
    EXPECT_EQ(script_.Failures().size(), 3u);

    plat::ScopedInteraction scoped(&script_);
    script_.ChooseMenuText("Rename(&M)");
    HMENU m = CreatePopupMenu();
    AppendMenuA(m, MF_STRING, 40016, "Delete(&D)");
    EXPECT_EQ(TrackPopupMenu(m, TPM_RETURNCMD, 0, 0, 0, window_, nullptr), 0);
    DestroyMenu(m);
    ASSERT_EQ(failures_.size(), 4u);
    EXPECT_NE(failures_[3].find("Rename(&M)"), std::string::npos);
}

TEST_F(InteractionTest, FileStepsAnswerWithTheirFilesAndRecordTheRequest) {
    script_.ChooseFiles("/books", {"a.ebd", "b.ebd"}).ChooseFile("/books/c.ebd").CancelFiles();
    plat::OpenFileRequest request{};
    request.filter = "Books|*.ebd||";
    plat::OpenFileAnswer answer;
    ASSERT_TRUE(script_.ChooseOpenFiles(request, &answer));
    EXPECT_EQ(answer.folder, "/books");
    EXPECT_EQ(answer.files, (std::vector<std::string>{"a.ebd", "b.ebd"}));
    answer = {};
    ASSERT_TRUE(script_.ChooseOpenFiles(request, &answer));
    EXPECT_EQ(answer.folder, "");
    EXPECT_EQ(answer.files, (std::vector<std::string>{"/books/c.ebd"}));
    EXPECT_FALSE(script_.ChooseOpenFiles(request, &answer));
    ASSERT_EQ(script_.FileDialogs().size(), 3u);
    EXPECT_EQ(script_.FileDialogs()[0].filter, "Books|*.ebd||");
    EXPECT_TRUE(script_.Finished());
}

} // namespace

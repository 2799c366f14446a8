// Message boxes: the answers of the headless default per button layout and MB_DEFBUTTONn, the
// scripted answers and their checks, what the platform refuses, and the owner kept disabled while a
// box is up.
#include "plat/resources.h"
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <functional>
#include <string>

namespace {

class MessageBoxTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        script_.SetFailureHandler([this](const std::string& line) { failures_.push_back(line); });
    }
    void TearDown() override {
        plat::SetCodePage(1252);
        WindowTest::TearDown();
    }
    plat::ScriptedInteraction script_;
    std::vector<std::string> failures_;
};

// An interaction whose message-box answer is a function of the test.
class FunctionInteraction : public plat::HeadlessInteraction {
  public:
    explicit FunctionInteraction(std::function<int(const plat::MessageBoxRequest&)> f) : f_(std::move(f)) {}
    int MessageBox(const plat::MessageBoxRequest& r) override { return f_(r); }

  private:
    std::function<int(const plat::MessageBoxRequest&)> f_;
};

int Headless(UINT type) {
    plat::ScopedInteraction headless(nullptr);
    testing::internal::CaptureStderr();
    int r = MessageBoxA(nullptr, "text", "caption", type);
    testing::internal::GetCapturedStderr();
    return r;
}

TEST_F(MessageBoxTest, HeadlessDefaultTakesTheDefaultButtonOfEachLayout) {
    EXPECT_EQ(Headless(MB_OK), IDOK);
    EXPECT_EQ(Headless(MB_OKCANCEL), IDOK);
    EXPECT_EQ(Headless(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(Headless(MB_YESNO | MB_ICONINFORMATION), IDYES);
    EXPECT_EQ(Headless(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(Headless(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(Headless(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
    EXPECT_EQ(Headless(MB_RETRYCANCEL), IDRETRY);
    // A default button past the last one falls back to the first.
    EXPECT_EQ(Headless(MB_OK | MB_DEFBUTTON3), IDOK);
    EXPECT_EQ(Headless(MB_YESNO | MB_DEFBUTTON3), IDYES);
}

TEST_F(MessageBoxTest, AnInvalidTypeOrOwnerFailsWithZero) {
    plat::ScopedInteraction headless(nullptr);
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", 0x7), 0);
    EXPECT_EQ(GetLastError(), 1438u); // ERROR_INVALID_MSGBOX_STYLE
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x5555), "x", "y", MB_OK), 0);
}

TEST_F(MessageBoxTest, HeadlessPrintsTheBoxInUtf8) {
    plat::ScopedInteraction headless(nullptr);
    plat::SetCodePage(950);
    const char big5Text[] = "\xbd\x54\xbb\x7b\xb2\xbe\xb0\xa3\xa4\xc0\xc3\xfe"; // "確認移除分類"
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, big5Text, "Error", MB_OK), IDOK);
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("確認移除分類"), std::string::npos) << out;
    EXPECT_NE(out.find("Error"), std::string::npos) << out;
}

TEST_F(MessageBoxTest, ScriptedAnswersAreGivenInOrderAndRecordedAMissingCaptionAsError) {
    plat::ScopedInteraction scoped(&script_);
    script_.AnswerMessageBox(IDNO).AnswerMessageBox(IDOK, "This catalog  has already existed.");
    HWND owner = testwin::MakeTop();
    EXPECT_EQ(MessageBoxA(owner, "Are sure?", "Remove a book", MB_YESNO | MB_ICONINFORMATION), IDNO);
    EXPECT_EQ(MessageBoxA(owner, "This catalog  has already existed.", "Error", MB_OK), IDOK);
    ASSERT_EQ(script_.MessageBoxes().size(), 2u);
    EXPECT_EQ(script_.MessageBoxes()[0].caption, "Remove a book");
    EXPECT_EQ(script_.MessageBoxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_EQ(script_.MessageBoxes()[0].owner, owner);
    EXPECT_EQ(script_.MessageBoxTexts()[1], "This catalog  has already existed.");
    EXPECT_TRUE(script_.Finished());
    script_.AnswerMessageBox(IDOK);
    MessageBoxA(nullptr, "text", nullptr, MB_OK);
    ASSERT_EQ(script_.MessageBoxes().size(), 3u);
    EXPECT_EQ(script_.MessageBoxes()[2].caption, "Error");
    EXPECT_TRUE(failures_.empty());
}

// A scripted answer that does not fit is a failure, and so is a box the script did not expect, which
// is answered as Esc would (in a Yes/No box, where Esc does nothing, by the default button).
TEST_F(MessageBoxTest, ScriptedMismatchesAndUnexpectedBoxesAreFailures) {
    plat::ScopedInteraction scoped(&script_);
    script_.AnswerMessageBox(IDOK, "expected text").AnswerMessageBox(IDYES);
    // The text differs: recorded, but the box is still answered.
    EXPECT_EQ(MessageBoxA(nullptr, "other text", "c", MB_OKCANCEL), IDOK);
    ASSERT_EQ(failures_.size(), 1u);
    // IDYES is no button of an OK box: recorded, and the box gets its default answer.
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), IDOK);
    EXPECT_EQ(failures_.size(), 2u);
    EXPECT_FALSE(script_.Finished());
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(failures_.size(), 5u);
    EXPECT_EQ(script_.MessageBoxes().size(), 5u);
}

TEST_F(MessageBoxTest, TheOwnersTopLevelWindowIsDisabledWhileTheBoxIsUp) {
    HWND top = testwin::MakeTop();
    HWND child = testwin::MakeChild(top, 5, RECT{0, 0, 50, 50});
    SetFocus(child);
    bool enabledDuring = true;
    FunctionInteraction f([&](const plat::MessageBoxRequest&) {
        enabledDuring = IsWindowEnabled(top) != FALSE;
        return IDOK;
    });
    plat::ScopedInteraction scoped(&f);
    EXPECT_EQ(MessageBoxA(child, "t", "c", MB_OK), IDOK);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(IsWindowEnabled(top));
    EXPECT_EQ(GetFocus(), child) << "the focus comes back after the box";
}

TEST_F(MessageBoxTest, OnlyTheBoxsButtonsCanAnswerIt) {
    FunctionInteraction f([](const plat::MessageBoxRequest&) { return IDCANCEL; });
    plat::ScopedInteraction scoped(&f);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
}

} // namespace

// The open-file dialog: the result layouts for one and for several files, the buffer-too-small error
// with the needed size in the buffer's first two bytes, what the interaction is told (the filter
// turned into "name|pattern||" form, the flags, the buffer size), and cancelling.
#include "fixtures/temp_folder.h"
#include "plat/scripted_interaction.h"
#include "support/test_window.h"
#include "win/commdlg.h"

#include <cstring>
#include <fstream>
#include <string>

namespace {

const char kFilter[] = "Zavik Book Files(*.ebd;*.ebp)\0*.ebd;*.ebp\0\0";
constexpr DWORD kShelfFlags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;

class OpenFileTest : public testwin::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        script_.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << line; });
        owner_ = testwin::MakeTop();
        std::memset(buffer_, 0, sizeof buffer_);
        std::memset(&ofn_, 0, sizeof ofn_);
        ofn_.lStructSize = sizeof ofn_;
        ofn_.hwndOwner = owner_;
        ofn_.lpstrFilter = kFilter;
        ofn_.lpstrFile = buffer_;
        ofn_.nMaxFile = sizeof buffer_;
        ofn_.Flags = kShelfFlags;
    }
    std::string MakeFile(const std::string& name) {
        std::ofstream(folder_ / name) << "EBDF";
        return name;
    }
    std::string Folder() const { return folder_.Path(); }

    testfs::TempFolder folder_;
    plat::ScriptedInteraction script_;
    plat::ScopedInteraction scoped_{&script_};
    HWND owner_ = nullptr;
    char buffer_[1024];
    OPENFILENAMEA ofn_;
};

TEST_F(OpenFileTest, OneFileComesBackAsItsFullPathAlsoWhenGivenByFolderAndName) {
    MakeFile("Poems.ebd");
    std::string full = Folder() + "/Poems.ebd";
    script_.ChooseFile(full);
    ASSERT_TRUE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(std::string(buffer_), full);
    EXPECT_EQ(buffer_[full.size() + 1], '\0') << "a second zero ends the list";
    EXPECT_EQ(ofn_.nFileOffset, full.size() - std::strlen("Poems.ebd"));
    EXPECT_EQ(ofn_.nFileExtension, full.size() - std::strlen("ebd"));
    MakeFile("only.ebd");
    script_.ChooseFiles(Folder(), {"only.ebd"});
    ASSERT_TRUE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(std::string(buffer_), Folder() + "/only.ebd");
}

TEST_F(OpenFileTest, SeveralFilesComeBackAsFolderThenNamesWithADoubleZeroAtTheEndOrOldStyleWithSpaces) {
    MakeFile("a.ebd");
    MakeFile("b.ebp");
    MakeFile("c d.ebd");
    script_.ChooseFiles(Folder(), {"a.ebd", "b.ebp", "c d.ebd"});
    ASSERT_TRUE(GetOpenFileNameA(&ofn_));
    std::string expected = Folder() + std::string("\0a.ebd\0b.ebp\0c d.ebd\0\0", 22);
    EXPECT_EQ(std::string(buffer_, expected.size()), expected);
    EXPECT_EQ(ofn_.nFileOffset, Folder().size() + 1);
    ofn_.Flags = OFN_ALLOWMULTISELECT;
    script_.ChooseFiles(Folder(), {"a.ebd", "b.ebp"});
    ASSERT_TRUE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(std::string(buffer_), Folder() + " a.ebd b.ebp");
}

TEST_F(OpenFileTest, NamesThatDoNotFitFailWithBufferTooSmallAndTheNeededSizeAndAnExactFitSucceeds) {
    std::vector<std::string> names;
    size_t needed = Folder().size() + 1;
    for (int i = 0; needed <= sizeof buffer_; ++i) {
        names.push_back(MakeFile("a-rather-long-book-file-name-number-" + std::to_string(i) + ".ebd"));
        needed += names.back().size() + 1;
    }
    needed += 1; // the final zero
    script_.ChooseFiles(Folder(), names);
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
    WORD reported = 0;
    std::memcpy(&reported, buffer_, sizeof reported);
    EXPECT_EQ(reported, needed);
    EXPECT_EQ(buffer_[2], '\0') << "nothing else is written";

    std::string name = MakeFile("x.ebd");
    ofn_.nMaxFile = static_cast<DWORD>(Folder().size() + 1 + name.size() + 1 + name.size() + 1 + 1);
    MakeFile("y.ebd");
    script_.ChooseFiles(Folder(), {"x.ebd", "y.ebd"}).ChooseFiles(Folder(), {"x.ebd", "y.ebd"});
    EXPECT_TRUE(GetOpenFileNameA(&ofn_));
    ofn_.nMaxFile -= 1;
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
}

TEST_F(OpenFileTest, TheInteractionSeesTheFilterFlagsAndBufferSizeAndTheHeadlessDefaultCancels) {
    ofn_.lpstrTitle = "Register Book";
    ofn_.lpstrInitialDir = "/books";
    script_.CancelFiles();
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u) << "a cancel is no error";
    ASSERT_EQ(script_.FileDialogs().size(), 1u);
    const plat::OpenFileRequest& r = script_.FileDialogs()[0];
    EXPECT_EQ(r.filter, "Zavik Book Files(*.ebd;*.ebp)|*.ebd;*.ebp||");
    EXPECT_EQ(r.flags, 0x81200u);
    EXPECT_EQ(r.bufferSize, 1024u);
    EXPECT_EQ(r.owner, owner_);
    EXPECT_EQ(r.title, "Register Book");
    EXPECT_EQ(r.initialDir, "/books");
    plat::ScopedInteraction headless(nullptr);
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(OpenFileTest, TheOwnerIsDisabledWhileTheDialogIsUp) {
    struct Probe : plat::HeadlessInteraction {
        HWND owner = nullptr;
        bool enabled = true;
        bool ChooseOpenFiles(const plat::OpenFileRequest&, plat::OpenFileAnswer*) override {
            enabled = IsWindowEnabled(owner) != FALSE;
            return false;
        }
    } probe;
    probe.owner = owner_;
    plat::ScopedInteraction scoped(&probe);
    GetOpenFileNameA(&ofn_);
    EXPECT_FALSE(probe.enabled);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(OpenFileTest, FilesThatMustExistButDoNotCancelTheDialogAndSeveralInASingleSelectionAreRefused) {
    MakeFile("here.ebd");
    script_.ChooseFiles(Folder(), {"here.ebd", "missing.ebd"});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(buffer_[0], '\0');
    // Without the flag the name is taken as chosen.
    ofn_.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT;
    script_.ChooseFiles(Folder(), {"here.ebd", "missing.ebd"});
    EXPECT_TRUE(GetOpenFileNameA(&ofn_));

    MakeFile("b.ebd");
    ofn_.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
    script_.ChooseFiles(Folder(), {"here.ebd", "b.ebd"});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    testing::internal::GetCapturedStderr();
}

TEST_F(OpenFileTest, BadRequestsReportTheirError) {
    ofn_.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    ofn_.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn_.lpstrFile = nullptr;
    EXPECT_FALSE(GetOpenFileNameA(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_INITIALIZATION));
    EXPECT_TRUE(script_.FileDialogs().empty()) << "no dialog for a bad request";
}

} // namespace

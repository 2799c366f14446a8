// Program-wide framework services (message boxes, resource handle, window classes, extension
// libraries) and the open-file dialog with several files chosen.
#include "afxdlgs.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "plat/scripted_interaction.h"
#include "support/test_window.h"

#include <string>
#include <vector>

namespace {

class GlobalsTest : public testwin::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        script.SetFailureHandler([](const std::string& line) { ADD_FAILURE() << line; });
        plat::SetInteraction(&script);
    }
    void TearDown() override {
        plat::SetInteraction(nullptr);
        AfxSetAppName(nullptr);
        WindowTest::TearDown();
    }
    plat::ScriptedInteraction script;
};

TEST_F(GlobalsTest, MessageBoxIsCaptionedWithTheProgramNameWhichDefaultsToTheProgramFile) {
    AfxSetAppName("Reader");
    script.AnswerMessageBox(IDOK, "Load bitmap failed");
    EXPECT_EQ(AfxMessageBox("Load bitmap failed"), IDOK);
    script.AnswerMessageBox(IDNO);
    EXPECT_EQ(AfxMessageBox("Remove the book?", MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(script.MessageBoxes().size(), 2u);
    EXPECT_EQ(script.MessageBoxes()[0].caption, "Reader");
    EXPECT_EQ(script.MessageBoxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(script.MessageBoxes()[1].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    plat::SetProgramPath("/opt/reader/ZavikDic.exe");
    AfxSetAppName(nullptr);
    EXPECT_STREQ(AfxGetAppName(), "ZavikDic");
    plat::ResetModulesForTest();
}

TEST_F(GlobalsTest, MessageBoxFromTheStringTable) {
    static plat::ResourceTable table;
    table.strings[MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)][13] = "This catalog  has already existed.";
    constexpr HMODULE module = 0x3C3C;
    plat::RegisterResources(module, &table);
    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(module);
    EXPECT_EQ(plat::CurrentResourceModule(), module);
    plat::SetUserLanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));

    script.AnswerMessageBox(IDOK, "This catalog  has already existed.");
    EXPECT_EQ(AfxMessageBox(13u), IDOK);
    EXPECT_EQ(AfxMessageBox(14u), 0); // no such string: nothing shown
    EXPECT_EQ(script.MessageBoxes().size(), 1u);

    AfxSetResourceHandle(previous);
    plat::RegisterResources(module, nullptr);
}

TEST_F(GlobalsTest, WindowClassesAreSharedByEqualRequests) {
    LPCSTR a = AfxRegisterWndClass(CS_DBLCLKS);
    LPCSTR b = AfxRegisterWndClass(CS_DBLCLKS);
    LPCSTR c = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_STRNE(a, c);
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(AfxGetInstanceHandle(), a, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(wc.hCursor, nullptr);
    EXPECT_EQ(wc.hbrBackground, nullptr);
    EXPECT_EQ(wc.lpfnWndProc, &CWnd::AfxWndProc);
    // A plain window of the class works without an object.
    HWND h = CreateWindowExA(0, a, "plain", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, 0, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    DestroyWindow(h);
}

TEST_F(GlobalsTest, ExtensionLibrariesAreListedUntilTerminated) {
    AFX_EXTENSION_MODULE none;
    EXPECT_FALSE(AfxInitExtensionModule(none, 0));
    AFX_EXTENSION_MODULE shelf;
    ASSERT_TRUE(AfxInitExtensionModule(shelf, 0x2222));
    EXPECT_EQ(shelf.hModule, 0x2222u);
    AFX_EXTENSION_MODULE other;
    ASSERT_TRUE(AfxInitExtensionModule(other, 0x3333));
    int before = CDynLinkLibrary::GetCount();
    new CDynLinkLibrary(shelf);
    new CDynLinkLibrary(other);
    EXPECT_EQ(CDynLinkLibrary::GetCount(), before + 2);
    AfxTermExtensionModule(shelf);
    EXPECT_EQ(CDynLinkLibrary::GetCount(), before + 1);
    EXPECT_EQ(CDynLinkLibrary::GetAt(before)->m_hModule, 0x3333u);
    EXPECT_FALSE(shelf.bInitialized);
    AfxTermExtensionModule(other);
    EXPECT_EQ(CDynLinkLibrary::GetCount(), before);
}

// ---- the open-file dialog ----

constexpr const char* kFilter = "Zavik Book Files(*.ebd;*.ebp)|*.ebd;*.ebp||";

TEST_F(GlobalsTest, SeveralFilesAreWalkedAsFullPathsAlsoFromTheOldStyleList) {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY, kFilter);
    std::vector<char> buffer(4096, '\0');
    dlg.m_ofn.lpstrFile = buffer.data();
    dlg.m_ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    script.ChooseFiles("/books", {"one.ebd", "two.ebp", "three.ebd"});
    ASSERT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(script.FileDialogs().size(), 1u);
    EXPECT_EQ(script.FileDialogs()[0].filter, kFilter);
    std::vector<std::string> paths;
    for (POSITION pos = dlg.GetStartPosition(); pos;)
        paths.push_back(std::string(dlg.GetNextPathName(pos)));
    EXPECT_EQ(paths, (std::vector<std::string>{"/books/one.ebd", "/books/two.ebp", "/books/three.ebd"}));

    CFileDialog old(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, kFilter);
    old.m_ofn.Flags &= ~static_cast<DWORD>(OFN_EXPLORER);
    script.ChooseFiles("/books/", {"a.ebd", "b.ebd"});
    ASSERT_EQ(old.DoModal(), IDOK);
    paths.clear();
    for (POSITION pos = old.GetStartPosition(); pos;)
        paths.push_back(std::string(old.GetNextPathName(pos)));
    EXPECT_EQ(paths, (std::vector<std::string>{"/books/a.ebd", "/books/b.ebd"}));
}

TEST_F(GlobalsTest, OneFileInAMultiSelectDialogIsItsFullPath) {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, kFilter);
    script.ChooseFile("/books/atlas.ebd");
    ASSERT_EQ(dlg.DoModal(), IDOK);
    POSITION pos = dlg.GetStartPosition();
    EXPECT_STREQ(dlg.GetNextPathName(pos), "/books/atlas.ebd");
    EXPECT_EQ(pos, nullptr);
    EXPECT_STREQ(dlg.GetPathName(), "/books/atlas.ebd");
    EXPECT_STREQ(dlg.GetFileName(), "atlas.ebd");
    EXPECT_STREQ(dlg.GetFileExt(), "ebd");
    EXPECT_STREQ(dlg.GetFileTitle(), "atlas");
}

TEST_F(GlobalsTest, CancelAndOverflowAreTold) {
    CFileDialog cancelled(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, kFilter);
    script.CancelFiles();
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(cancelled.GetStartPosition(), nullptr);

    // The default buffer holds one path, not a long list.
    CFileDialog small(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, kFilter);
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back("a-rather-long-book-file-name-" + std::to_string(i) + ".ebd");
    script.ChooseFiles("/books", names);
    EXPECT_EQ(small.DoModal(), -1);

    CFileDialog save(FALSE);
    EXPECT_EQ(save.DoModal(), -1);
}

} // namespace

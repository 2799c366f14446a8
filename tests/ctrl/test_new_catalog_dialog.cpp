// The new-catalog dialog as the control shows it: built from dialog 132 of the control's own module
// in the user's language (English, Traditional Chinese, Simplified Chinese), the resource source put
// back afterwards, the name limited to 80 typed characters and to 256 by the exchange.
#include "test_new_catalog_world.h"

#include "afxwin.h"
#include "plat/dialogs.h"
#include "plat/resources.h"
#include "shelf/globals.h"

using namespace new_catalog_world;

namespace {

class NewCatalogDialog : public NewCatalogWorld {
  protected:
    void TearDown() override {
        plat::SetUserLanguage(0x0409);
        NewCatalogWorld::TearDown();
    }
};

struct Language {
    LANGID lang;
    UINT codePage;
    const char* caption; // UTF-8
    const char* label;
    const char* ok;
    const char* cancel;
};

std::string Utf8Text(HWND hwnd, UINT codePage) {
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return plat::ToUtf8(text, codePage);
}

std::string ClassOf(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

TEST_F(NewCatalogDialog, IsBuiltFromTheControlsOwnTemplateInEachLanguage) {
    const Language languages[] = {
        {0x0409, 1252, "New Catalog Dialog", "New catalog:", "OK", "Cancel"},
        {0x0404, 950, "新增目錄", "新目錄：", "確定", "取消"},
        {0x0804, 936, "新建目录", "新目录：", "确定", "取消"},
    };
    // Another module is the resource source when the command starts, and again when it has ended.
    constexpr HINSTANCE kHostResources = 0x5150;
    AfxSetResourceHandle(kHostResources);
    for (const Language& l : languages) {
        SCOPED_TRACE(l.caption);
        plat::SetUserLanguage(l.lang);
        HINSTANCE sourceWhileUp = 0;
        ui_.ActOnDialog([&](HWND dialog) {
            sourceWhileUp = AfxGetResourceHandle();
            EXPECT_EQ(Utf8Text(dialog, l.codePage), l.caption);
            HWND label = GetWindow(dialog, GW_CHILD);
            HWND edit = GetWindow(label, GW_HWNDNEXT);
            HWND ok = GetWindow(edit, GW_HWNDNEXT);
            HWND cancel = GetWindow(ok, GW_HWNDNEXT);
            ASSERT_NE(cancel, nullptr);
            EXPECT_EQ(GetWindow(cancel, GW_HWNDNEXT), nullptr) << "four controls";
            EXPECT_EQ(ClassOf(label), "Static");
            EXPECT_EQ(Utf8Text(label, l.codePage), l.label);
            EXPECT_EQ(ClassOf(edit), "Edit");
            EXPECT_EQ(GetDlgCtrlID(edit), 1016);
            const LONG editStyle = GetWindowLongA(edit, GWL_STYLE);
            EXPECT_EQ(editStyle & (WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP),
                      WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP);
            EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 80);
            EXPECT_EQ(GetFocus(), edit);
            EXPECT_EQ(GetDlgCtrlID(ok), IDOK);
            EXPECT_EQ(GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            EXPECT_EQ(Utf8Text(ok, l.codePage), l.ok);
            EXPECT_EQ(GetDlgCtrlID(cancel), IDCANCEL);
            EXPECT_EQ(Utf8Text(cancel, l.codePage), l.cancel);
            plat::PressKey(edit, VK_ESCAPE);
        });
        NewCatalogOn(Find("Books"));
        EXPECT_EQ(sourceWhileUp, ShelfModule());
        EXPECT_EQ(AfxGetResourceHandle(), kHostResources);
    }
    AfxSetResourceHandle(0);
    EXPECT_EQ(ui_.Dialogs().size(), 3u);
    EXPECT_TRUE(Children(Find("Books")).empty());
}

TEST_F(NewCatalogDialog, NamesAreLimitedByTypingAndByTheExchange) {
    HTREEITEM books = Find("Books");
    // Typed: the 81st character and the ones after it are not taken.
    MakeCatalog(books, std::string(100, 'x'));
    EXPECT_EQ(ChildTexts(books), (std::vector<std::string>{std::string(80, 'x')}));

    // Set without typing: the exchange refuses more than 256 characters and the dialog stays up
    // (here to be cancelled).
    ui_.FillDialog({{1016, std::string(257, 'y')}}, IDOK, false)
        .AnswerMessageBox(IDOK, "Please enter no more than 256 characters.");
    NewCatalogOn(books);
    // 256 characters pass the exchange but are more than a catalog's name holds.
    ui_.FillDialog({{1016, std::string(256, 'z')}}, IDOK, false).AnswerMessageBox(IDOK);
    NewCatalogOn(books);
    EXPECT_EQ(Children(books).size(), 1u);
    EXPECT_TRUE(ui_.Finished());
    // With blanks around it, the same name fits once trimmed.
    ui_.FillDialog({{1016, " " + std::string(254, 'z') + " "}}, IDOK, false);
    NewCatalogOn(books);
    EXPECT_EQ(Children(books).size(), 2u);
}

} // namespace

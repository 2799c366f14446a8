// The new-catalog dialog (IDD_NEW_CATALOG) in its three languages. The texts are written here in
// UTF-8 and converted to the language's code page (1252, Big5, GBK) when the table is built, as the
// string tables are. Positions and sizes are dialog units, each rectangle given as x, y, width, height.
//
// Each language names the font its dialog was laid out with (Arial 9 for English, 細明體 9 and 宋体 9
// for the Chinese ones); the platform lays every dialog out with its own dialog font, so the template
// records the font only by its DS_SETFONT style.
#include "dialogs.h"

#include "resource_ids.h"

#include "codepage/code_page.h"
#include "plat/dialogs.h"

#include <string>

namespace tavrin::detail {
namespace {

constexpr int kStaticId = -1; // a static text that nothing refers to

constexpr DWORD kDialogStyle = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kLabelStyle = SS_LEFT | WS_GROUP | WS_VISIBLE;
constexpr DWORD kEditStyle = ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE;
constexpr DWORD kDefaultButtonStyle = BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE;
constexpr DWORD kButtonStyle = BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE;

struct Box {
    LONG x, y, width, height;
};

RECT Rect(Box b) {
    return RECT{b.x, b.y, b.x + b.width, b.y + b.height};
}

// One language's version of the dialog: its texts in UTF-8 and where its controls sit.
struct NewCatalogLayout {
    WORD langId;
    UINT codePage;
    const char* caption;
    Box dialog;
    const char* label;
    Box labelBox;
    Box editBox;
    const char* ok;
    Box okBox;
    const char* cancel;
    Box cancelBox;
};

constexpr NewCatalogLayout kNewCatalogLayouts[] = {
    {kLangEnglish,
     1252,
     "New Catalog Dialog",
     {0, 0, 165, 46},
     "New catalog:",
     {7, 9, 41, 9},
     {51, 7, 107, 12},
     "OK",
     {30, 25, 50, 14},
     "Cancel",
     {85, 25, 50, 14}},
    {kLangChineseTraditional,
     950,
     "新增目錄",
     {0, 0, 165, 48},
     "新目錄：",
     {7, 10, 38, 10},
     {47, 8, 111, 13},
     "確定",
     {30, 27, 50, 14},
     "取消",
     {85, 27, 50, 14}},
    {kLangChineseSimplified,
     936,
     "新建目录",
     {0, 0, 166, 48},
     "新目录：",
     {7, 10, 38, 10},
     {47, 8, 112, 13},
     "确定",
     {31, 27, 50, 14},
     "取消",
     {86, 27, 50, 14}},
};

plat::DialogTemplate NewCatalogTemplate(const NewCatalogLayout& l) {
    auto text = [&](const char* utf8) { return codepage::FromUtf8(utf8, l.codePage); };
    plat::DialogTemplate t;
    t.caption = text(l.caption);
    t.style = kDialogStyle;
    t.rect = Rect(l.dialog);
    t.items = {
        {"Static", kStaticId, text(l.label), kLabelStyle, Rect(l.labelBox)},
        {"Edit", IDC_CATALOG_NAME, "", kEditStyle, Rect(l.editBox)},
        {"Button", IDOK, text(l.ok), kDefaultButtonStyle, Rect(l.okBox)},
        {"Button", IDCANCEL, text(l.cancel), kButtonStyle, Rect(l.cancelBox)},
    };
    return t;
}

} // namespace

void AddShelfDialogs(std::map<LANGID, std::map<UINT, plat::DialogTemplate>>& out) {
    for (const NewCatalogLayout& layout : kNewCatalogLayouts)
        out[layout.langId][IDD_NEW_CATALOG] = NewCatalogTemplate(layout);
}

} // namespace tavrin::detail

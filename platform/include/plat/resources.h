// Resources of a module kept in process, the user language and the active code page.
//
// A module's resources are a ResourceTable registered under its module handle (HMODULE values come
// from the module table; this part only keys by the value). LoadStringA/LoadBitmapA (win/resource.h)
// and the dialog code read them; a module handle of 0 means the current resource module, which the
// framework switches while it loads resources of a library.
#pragma once

#include "win/resource.h"
#include "win/types.h"

#include <map>
#include <string>
#include <vector>

namespace plat {

struct DialogItemTemplate {
    std::string className;
    int id;
    std::string text;
    DWORD style;
    RECT rect;
};

struct DialogTemplate {
    std::string caption;
    DWORD style;
    RECT rect;
    std::vector<DialogItemTemplate> items;
};

// A bitmap resource: pixels[y * width + x] is the COLORREF of that pixel (24-bit colour, top row first).
struct BitmapResource {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
};

struct ResourceTable {
    // String tables per language: id -> bytes in that language's code page.
    std::map<LANGID, std::map<UINT, std::string>> strings;
    // Bitmaps do not depend on the language.
    std::map<UINT, BitmapResource> bitmaps;
    // Dialog templates per language. FindDialogTemplate takes the user language, then a neutral
    // (LANG_NEUTRAL) template, then English, then any language that has one.
    using DialogMap = std::map<LANGID, std::map<UINT, DialogTemplate>>;
    DialogMap dialogs;
    // Where set, the dialog templates instead: called when a dialog is first looked up (and at every
    // look-up after; it keeps what it made), so that a module whose dialogs take work to make (their
    // texts converted to each language's code page) does not make them at start-up.
    const DialogMap& (*dialogSource)() = nullptr;
};

// Registers `table` (kept by pointer; it must outlive the registration) as the resources of `module`.
// A null table removes the registration.
void RegisterResources(HMODULE module, const ResourceTable* table);
const ResourceTable* FindResources(HMODULE module); // null when nothing is registered

// The dialog template `id` of `module` (0 = current resource module) in the user language, or null.
const DialogTemplate* FindDialogTemplate(HMODULE module, UINT id);

// The module LoadString/LoadBitmap/FindDialogTemplate use when given 0.
void SetCurrentResourceModule(HMODULE module);
HMODULE CurrentResourceModule();

// ---- language and code page ----
// The language LoadString picks (default 0x0409). Setting it also sets the code page:
// 0x0404 -> 950 (Big5), 0x0804 -> 936 (GBK), anything else -> 1252.
void SetUserLanguage(LANGID lang);
LANGID UserLanguage();
// The language of a POSIX locale name ("zh_TW.Big5" -> 0x0404, "zh_CN.GBK" -> 0x0804, else 0x0409).
LANGID LanguageFromLocale(const char* locale);
// Sets the user language from the process locale (LC_ALL, LC_MESSAGES, LANG) and returns it.
LANGID UseLocaleLanguage();

// The active 8-bit code page of all text (1252 by default; 950 and 936 are double-byte).
void SetCodePage(UINT codePage);
UINT CodePage();
// The conversions follow the shelf's one rule (codepage/code_page.h).
// True if `b` starts a two-byte character in `codePage` (0 = the active code page).
bool IsLeadByte(BYTE b, UINT codePage = 0);
// Converts text in `codePage` (0 = the active one) to UTF-8 for whatever shows it to a person. A
// character (one byte, or a lead byte with the byte after it) that does not convert becomes U+FFFD.
std::string ToUtf8(const std::string& text, UINT codePage = 0);
// Converts UTF-8 to `codePage` (0 = the active one). A character the code page lacks becomes '?', and
// so does each byte that is not part of a well-formed UTF-8 character (overlong forms, surrogates and
// values above U+10FFFF included).
std::string FromUtf8(const std::string& utf8, UINT codePage = 0);

} // namespace plat

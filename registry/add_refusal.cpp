// The reasons of the register command's refusals and the message that shows them: the string-table
// text, then a line naming the file, then a line with the reason when there is one.
#include "registry/add_refusal.h"

#include "plat/resources.h"
#include "registry/book_registry.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"

#include <string>
#include <vector>

using namespace tavrin;

namespace {

AddRefusal g_refusal;

constexpr UINT kUtf8CodePage = 65001;

// A string of the control's table, as ShowMessage loads it (emptied first, 260 bytes).
std::string TableText(UINT id) {
    char text[kPathSize] = "";
    ::LoadStringA(::GetModuleHandleA("Tavrin.dll"), id, text, sizeof text);
    return text;
}

// A line of the message, cut (never inside a two-byte character) to `limit` bytes: what is shown is
// bounded whatever a driver or a path holds.
std::string Line(std::string_view text, size_t limit) {
    std::vector<char> line(limit + 1, '\0');
    CopyCut(line.data(), line.size(), text, true);
    return line.data();
}

} // namespace

AddRefusal& tavrin::LastRefusal() {
    return g_refusal;
}

void tavrin::ForgetRefusal() {
    g_refusal = AddRefusal{};
}

void tavrin::NoteDriverRefusal(std::string_view driverName) {
    char reason[CBI_ERROR_TEXT_CAPACITY];
    if (ReadErrorText(reason, sizeof reason) == 0) return; // no reason: an earlier one stays
    g_refusal.driverReason =
        driverName.empty() ? std::string(reason) : std::string(driverName) + ": " + reason;
}

void tavrin::NoteDictionaryRefusal(const DictCheck& check, DWORD bookHandle) {
    char name[kNameSize];
    ReadBookName(bookHandle, name, sizeof name, kNameSize - 1);
    g_refusal.dictVerdict = check.verdict;
    g_refusal.dictId = check.dictId;
    // The name is in the book's code page; the message box shows the active one.
    const UINT codePage = g_cbi.CBIGetCodePage ? g_cbi.CBIGetCodePage(bookHandle) : 0;
    if (codePage == 0 || codePage == ::GetACP())
        g_refusal.dictName = name;
    else
        g_refusal.dictName = plat::FromUtf8(codePage == kUtf8CodePage ? name : plat::ToUtf8(name, codePage));
}

void CTavrinCtrl::ShowRefusal(UINT uStringId, LPCSTR lpszFile, LPCSTR lpszDetail) {
    std::string text = TableText(uStringId);
    if (lpszFile && *lpszFile) text += "\n" + Line(lpszFile, kPathSize - 1);
    if (lpszDetail && *lpszDetail) text += "\n" + Line(lpszDetail, CBI_ERROR_TEXT_CAPACITY + kPathSize);
    ::MessageBoxA(m_hWnd, text.c_str(), TableText(IDS_ERROR).c_str(), MB_OK);
}

void CTavrinCtrl::ShowAddRefusal(UINT uStringId, LPCSTR lpszFile) {
    const AddRefusal& refusal = LastRefusal();
    switch (refusal.dictVerdict) {
    case DictVerdict::Served:
        ShowRefusal(uStringId, lpszFile, refusal.driverReason.c_str());
        return;
    case DictVerdict::NoLibrary:
        ShowRefusal(IDS_DICT_LIBRARY_MISSING, lpszFile, nullptr);
        return;
    case DictVerdict::NoAttributes:
        ShowRefusal(IDS_DICT_NOT_LISTED, lpszFile, refusal.dictName.c_str());
        return;
    case DictVerdict::NotListed: {
        std::string detail =
            refusal.dictName + " (" + TableText(IDS_DICT_ID) + " " + std::to_string(refusal.dictId) + ")";
        ShowRefusal(IDS_DICT_NOT_LISTED, lpszFile, detail.c_str());
        return;
    }
    }
}

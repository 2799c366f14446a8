// Opening a registered book with its driver (LoadAndOpen), asking the dictionary library whether it
// serves a dictionary (CheckDictionary, IsDictAvailable), and a book's number (GetBookNo).
#include "tavrin/tavrin_ctrl.h"

#include "registry/add_refusal.h"
#include "registry/book_registry.h"
#include "registry/reg_walk.h"
#include "shelf/book_kind.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_folder.h"
#include "shelf/records.h"

using namespace tavrin;

namespace {

constexpr const char* kDictionaryLibrary = "ZavikApi.dll";

} // namespace

void tavrin::BindHeldDriver(HMODULE module) {
    if (BoundDriver() != module) BindDriver(module);
}

DictCheck tavrin::CheckDictionary(HINSTANCE module, DWORD dwBookHandle) {
    DictCheck check;
    BindDriver(module);
    CBIDictAttrBlock attr{};
    if (!g_cbi.CBIDictAttr || !g_cbi.CBIDictAttr(dwBookHandle, &attr)) {
        check.verdict = DictVerdict::NoAttributes;
        return check;
    }
    // The class number comes from the driver too, before the table is left for the library.
    DWORD classNo = g_cbi.CBIDictClassNo ? static_cast<DWORD>(g_cbi.CBIDictClassNo(dwBookHandle)) & 0xFF : 1;
    check.dictId = classNo * 65536 + static_cast<DWORD>(attr.bIdHigh) * 256 + attr.bIdLow;

    check.verdict = DictVerdict::NoLibrary;
    HMODULE library = LoadShelfLibrary(kDictionaryLibrary);
    if (!library) return check;
    auto create = reinterpret_cast<PFN_dicCreateHDICT>(GetProcAddress(library, "dicCreateHDICT"));
    auto release = reinterpret_cast<PFN_dicFreeHDICT>(GetProcAddress(library, "dicFreeHDICT"));
    if (create && release) {
        if (CBI_HDICT dict = create(check.dictId)) {
            release(dict);
            check.verdict = DictVerdict::Served;
        } else {
            check.verdict = DictVerdict::NotListed;
        }
    }
    FreeLibrary(library);
    return check;
}

int IsDictAvailable(HINSTANCE module, DWORD dwBookHandle) {
    return CheckDictionary(module, dwBookHandle).verdict == DictVerdict::Served ? 1 : 0;
}

HINSTANCE CTavrinCtrl::LoadAndOpen(DWORD* pdwBookHandle, LPCSTR lpszFilePath, LPCSTR lpszDriverPath) {
    if (!pdwBookHandle || !lpszFilePath || !lpszDriverPath || !*lpszDriverPath) return 0;
    HMODULE module = LoadLibraryA(lpszDriverPath);
    if (!module) return 0;
    if (!m_pRegWalk || m_pRegWalk->boundHeld != module || BoundDriver() != module) BindDriver(module);
    auto release = [&] {
        if (m_pRegWalk) m_pRegWalk->boundHeld = 0;
        FreeLibrary(module);
    };
    CBI_HBOOK handle = 0;
    if (!g_cbi.CBIOpenBook) {
        release();
        return 0;
    }
    if (g_cbi.CBIOpenBook(lpszFilePath, 0, &handle) != 0) {
        NoteDriverRefusal(FileNameOf(lpszDriverPath));
        release();
        return 0;
    }
    // A book whose caps cannot be read cannot be placed: it is treated like one that cannot be served.
    CBICaps caps{};
    bool served = false;
    if (g_cbi.CBIGetCaps && g_cbi.CBIGetCaps(handle, &caps)) {
        if (IsBookClass(caps.wBookClass)) {
            served = true;
        } else {
            // While the registry is walked, one reference on the dictionary library is kept, so that
            // each check finds it loaded instead of mapping it anew.
            if (m_pRegWalk && !m_pRegWalk->dictionaryTried) {
                m_pRegWalk->dictionaryTried = true;
                m_pRegWalk->dictionaryLibrary = LoadShelfLibrary(kDictionaryLibrary);
            }
            DictCheck check = CheckDictionary(module, handle);
            if (m_pRegWalk) m_pRegWalk->boundHeld = 0; // the dictionary library was released
            served = check.verdict == DictVerdict::Served;
            if (!served) {
                BindDriver(module);
                NoteDictionaryRefusal(check, handle);
            }
        }
    }
    if (!served) {
        BindDriver(module);
        if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
        release();
        return 0;
    }
    *pdwBookHandle = handle;
    return module;
}

void CTavrinCtrl::GetBookNo(HINSTANCE hModule, DWORD dwBookHandle, LPSTR lpszNumber) {
    BindDriver(hModule);
    tavrin::FormBookNo(dwBookHandle, lpszNumber);
}

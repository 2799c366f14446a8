// Opening a registered book with its driver (LoadAndOpen), asking the dictionary library whether it
// serves a dictionary (IsDictAvailable), and forming a book's number (GetBookNo).
#include "tavrin/tavrin_ctrl.h"

#include "registry/book_registry.h"
#include "registry/reg_walk.h"
#include "shelf/cbi_table.h"
#include "shelf/records.h"

#include <cstdio>
#include <cstring>

using namespace tavrin;

namespace {

constexpr const char* kDictionaryLibrary = "ZavikApi.dll";

bool ServedWithoutDictionaryCheck(WORD bookClass) {
    return bookClass == CBI_CLASS_EBOOK || bookClass == CBI_CLASS_BOOK;
}

} // namespace

void tavrin::BindHeldDriver(HMODULE module) {
    if (BoundDriver() != module) BindDriver(module);
}

int IsDictAvailable(HINSTANCE module, DWORD dwBookHandle) {
    BindDriver(module);
    if (!g_cbi.CBIDictAttr) return 0;
    CBIDictAttrBlock attr{};
    if (!g_cbi.CBIDictAttr(dwBookHandle, &attr)) return 0;
    // The class number comes from the driver too, before the table is left for the library.
    DWORD classNo = g_cbi.CBIDictClassNo ? static_cast<DWORD>(g_cbi.CBIDictClassNo(dwBookHandle)) & 0xFF : 1;
    DWORD dictId = classNo * 65536 + static_cast<DWORD>(attr.bIdHigh) * 256 + attr.bIdLow;

    HMODULE library = LoadLibraryA(kDictionaryLibrary);
    if (!library) return 0;
    auto create = reinterpret_cast<PFN_dicCreateHDICT>(GetProcAddress(library, "dicCreateHDICT"));
    auto release = reinterpret_cast<PFN_dicFreeHDICT>(GetProcAddress(library, "dicFreeHDICT"));
    int served = 0;
    if (create && release) {
        if (CBI_HDICT dict = create(dictId)) {
            release(dict);
            served = 1;
        }
    }
    FreeLibrary(library);
    return served;
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
    if (!g_cbi.CBIOpenBook || g_cbi.CBIOpenBook(lpszFilePath, 0, &handle) != 0) {
        release();
        return 0;
    }
    // A book whose caps cannot be read cannot be placed: it is treated like one that cannot be served.
    CBICaps caps{};
    bool served = false;
    if (g_cbi.CBIGetCaps && g_cbi.CBIGetCaps(handle, &caps)) {
        if (ServedWithoutDictionaryCheck(caps.wBookClass)) {
            served = true;
        } else {
            // While the registry is walked, one reference on the dictionary library is kept, so that
            // each check finds it loaded instead of mapping it anew.
            if (m_pRegWalk && !m_pRegWalk->dictionaryTried) {
                m_pRegWalk->dictionaryTried = true;
                m_pRegWalk->dictionaryLibrary = LoadLibraryA(kDictionaryLibrary);
            }
            served = IsDictAvailable(module, handle) != 0;
            if (m_pRegWalk) m_pRegWalk->boundHeld = 0; // the dictionary library was released
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

void tavrin::FormBookNo(DWORD dwBookHandle, LPSTR lpszNumber) {
    if (!lpszNumber) return;
    std::memset(lpszNumber, 0, kBookNoSize);
    if (g_cbi.CBIExBookNoLength && g_cbi.CBIExBookNo) {
        int length = g_cbi.CBIExBookNoLength(dwBookHandle);
        // A number that does not fit the buffer with its terminator is refused, not cut.
        if (length <= 0 || static_cast<size_t>(length) >= kBookNoSize) return;
        g_cbi.CBIExBookNo(dwBookHandle, lpszNumber, length);
        lpszNumber[kBookNoSize - 1] = '\0';
        return;
    }
    uint32_t serial = 0;
    if (g_cbi.CBIBookSerial) g_cbi.CBIBookSerial(dwBookHandle, &serial);
    std::snprintf(lpszNumber, kBookNoSize, "%x", static_cast<unsigned>(serial));
}

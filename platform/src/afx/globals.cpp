// Program-wide services of the framework layer.
#include "afx/globals.h"
#include "afx/string.h"
#include "afx/wnd.h"
#include "plat/resources.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

// ---- debug checks ----

void AfxAssertFailedLine(const char* file, int line, const char* expression) {
    std::fprintf(stderr, "%s:%d: framework assertion failed: %s\n", file ? file : "?", line,
                 expression ? expression : "");
    std::abort();
}

void AfxTrace(const char* format, ...) {
    static const bool enabled = std::getenv("TAVRIN_AFX_TRACE") != nullptr;
    if (!enabled || !format) return;
    char buf[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    std::fputs(buf, stderr);
}

// ---- program name and message boxes ----

namespace {

std::string& AppName() {
    static auto* name = new std::string();
    return *name;
}

} // namespace

void AfxSetAppName(LPCSTR lpszName) {
    AppName() = lpszName ? lpszName : "";
}

LPCSTR AfxGetAppName() {
    std::string& name = AppName();
    if (name.empty()) {
        char path[MAX_PATH] = "";
        DWORD n = ::GetModuleFileNameA(0, path, sizeof path);
        std::string file(path, std::min<DWORD>(n, sizeof path - 1));
        size_t slash = file.find_last_of("/\\");
        if (slash != std::string::npos) file.erase(0, slash + 1);
        size_t dot = file.rfind('.');
        if (dot != std::string::npos && dot > 0) file.erase(dot);
        name = file;
    }
    return name.c_str();
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    return ::MessageBoxA(::GetActiveWindow(), lpszText ? lpszText : "", AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT) {
    CString text;
    if (!text.LoadString(nIDPrompt)) return 0;
    return AfxMessageBox(text, nType);
}

// ---- resource and instance handles ----

HINSTANCE AfxGetResourceHandle() {
    return plat::CurrentResourceModule();
}

void AfxSetResourceHandle(HINSTANCE hInstResource) {
    plat::SetCurrentResourceModule(hInstResource);
}

HINSTANCE AfxGetInstanceHandle() {
    return ::GetModuleHandleA(nullptr);
}

// ---- window classes ----

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    // The name encodes everything that differs, so equal requests share one class.
    static auto* names = new std::set<std::string>();
    char name[128];
    std::snprintf(name, sizeof name, "Afx:%x:%x:%p:%p:%p", static_cast<unsigned>(AfxGetInstanceHandle()),
                  nClassStyle, static_cast<void*>(hCursor), static_cast<void*>(hbrBackground),
                  static_cast<void*>(hIcon));
    auto it = names->find(name);
    if (it != names->end()) return it->c_str();

    WNDCLASSA wc{};
    if (!::GetClassInfoA(AfxGetInstanceHandle(), name, &wc)) {
        wc.style = nClassStyle;
        wc.lpfnWndProc = &CWnd::AfxWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = name;
        if (!::RegisterClassA(&wc)) return nullptr;
    }
    return names->insert(name).first->c_str();
}

// ---- extension libraries ----

namespace {

std::vector<CDynLinkLibrary*>& Libraries() {
    static auto* list = new std::vector<CDynLinkLibrary*>();
    return *list;
}

} // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
    if (!hModule) return FALSE;
    state.hModule = hModule;
    state.hResource = hModule;
    state.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll) {
    if (!state.bInitialized) return;
    std::vector<CDynLinkLibrary*> doomed;
    for (CDynLinkLibrary* lib : Libraries())
        if (bAll || lib->m_hModule == state.hModule) doomed.push_back(lib);
    for (CDynLinkLibrary* lib : doomed)
        delete lib; // the destructor takes it off the list
    state.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem) {
    Libraries().push_back(this);
}

CDynLinkLibrary::~CDynLinkLibrary() {
    auto& list = Libraries();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

int CDynLinkLibrary::GetCount() {
    return static_cast<int>(Libraries().size());
}

CDynLinkLibrary* CDynLinkLibrary::GetAt(int index) {
    auto& list = Libraries();
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
    return list[static_cast<size_t>(index)];
}

// Program-wide services of the framework layer: message boxes, the resource and instance handles,
// window classes, and the start-up and shut-down of a library that extends the host's framework.
#pragma once

#include "afx/defs.h"
#include "afx/msgmap.h"

// A message box owned by the active window, captioned with the program's name (AfxGetAppName).
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The same with text `nIDPrompt` of the string table; an id without text shows nothing and
// returns 0.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = UINT(-1));

// The program's name: set with AfxSetAppName, else the program file's name without folder and
// extension.
LPCSTR AfxGetAppName();
void AfxSetAppName(LPCSTR lpszName);

// The module resources are loaded from (string tables, bitmaps, dialog templates): the platform's
// current resource module. Switch it around loads from a library's own resources.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The program's own module.
HINSTANCE AfxGetInstanceHandle();

// Registers (once) and returns the name of a window class with the framework's window procedure
// and the given class style, cursor, background brush and icon. The name stays valid for the life
// of the program.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                           HICON hIcon = nullptr);

// ---- libraries that extend the host's framework ----
// On the platform this layer follows, a library of this kind announces its resources to the
// host's framework, which then searches them after the program's own. This layer keeps one current
// resource module instead of a search chain, so the announcement is only recorded: a library
// switches to its own resources with AfxSetResourceHandle where it loads them.
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized = FALSE;
    HMODULE hModule = 0;
    HMODULE hResource = 0;
};

// Records the library's module (and uses it for its resources). FALSE for a null module.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Forgets the library: deletes the CDynLinkLibrary objects made for it (all of them with bAll)
// and marks the state uninitialised.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

// One library in the framework's list of libraries; made with new in the library's start-up and
// deleted by AfxTermExtensionModule.
class CDynLinkLibrary : public CCmdTarget {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
    ~CDynLinkLibrary() override;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;

    // The libraries announced and not yet removed, oldest first.
    static int GetCount();
    static CDynLinkLibrary* GetAt(int index);
};

// The program-wide objects and the library's start and end: at load the control's module is made
// known (so its resources are found by module name), the framework learns of the library and OLE is
// initialised; at unload OLE is uninitialised and the framework forgets the library.
#include "shelf/globals.h"

#include "afxole.h"
#include "afxwin.h"
#include "plat/modules.h"
#include "plat/resources.h"
#include "resources/shelf_resources.h"

CShelfTreeCtrl g_shelfTree;
CShelfDropTarget g_dropTarget;
CImageList g_imageList;
int g_imageIndex[tavrin::kImageCount] = {};
int g_nLocale = 3;
unsigned g_nBooksFreed = 0;

namespace {

AFX_EXTENSION_MODULE g_extensionModule;

struct LibraryEntry {
    HMODULE module = 0;

    LibraryEntry() {
        module = plat::RegisterBuiltinModule(kShelfModuleName, plat::ProgramPath().c_str());
        plat::RegisterResources(module, &tavrin::ShelfResources());
        if (AfxInitExtensionModule(g_extensionModule, module)) new CDynLinkLibrary(g_extensionModule);
        OleInitialize(nullptr);
    }

    ~LibraryEntry() {
        OleUninitialize();
        AfxTermExtensionModule(g_extensionModule);
    }
};

LibraryEntry& Library() {
    static LibraryEntry entry;
    return entry;
}

// Runs the start at load time, as a library's process-attach would.
[[maybe_unused]] const bool g_started = (Library(), true);

} // namespace

HMODULE ShelfModule() {
    return Library().module;
}

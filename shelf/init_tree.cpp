// The start-up sequence that fills the tree, and the steps of it that later parts of the control
// fill in. Every path is built in m_szWorkPath next to the host program.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/cbi_table.h"
#include "shelf/driver_folder.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string>

namespace {

// `path` with everything after its last path separator replaced by `fileName`.
std::string WithFileName(const char* path, const char* fileName) {
    std::string dir(path);
    size_t cut = dir.find_last_of("/\\");
    dir.resize(cut == std::string::npos ? 0 : cut + 1);
    return dir + fileName;
}

// Replaces the file name of the path in `path` with `fileName`. False, leaving the buffer untouched,
// when the result would not fit.
bool ReplaceFileName(char* path, size_t capacity, const char* fileName) {
    return tavrin::CopyFits(path, capacity, WithFileName(path, fileName));
}

} // namespace

void CTavrinCtrl::InitTree2() {
    // The host program's full path, which must fit the work buffer with room for the file names.
    char program[4096] = "";
    DWORD length = GetModuleFileNameA(0, program, sizeof program);
    if (length == 0 || length >= sizeof program ||
        !tavrin::CopyFits(m_szWorkPath, sizeof m_szWorkPath, program)) {
        std::string text = std::string("The path of the program is too long: ") + program;
        AfxMessageBox(text.c_str(), MB_OK);
        return;
    }

    if (!ReplaceFileName(m_szWorkPath, sizeof m_szWorkPath, "Books.Dll")) {
        std::string text = "The path is too long: " + WithFileName(program, "Books.Dll");
        AfxMessageBox(text.c_str(), MB_OK);
        return;
    }
    m_hShelfDriver = LoadLibraryA(m_szWorkPath);
    // A reader whose folder holds no shelf driver uses the installed one; Tavrin.Sys stays the reader's.
    if (!m_hShelfDriver) m_hShelfDriver = tavrin::LoadInstalledDriver("Books.Dll");
    if (!m_hShelfDriver) {
        AfxMessageBox(m_szWorkPath, MB_OK);
        return;
    }

    if (!ReplaceFileName(m_szWorkPath, sizeof m_szWorkPath, "Tavrin.Sys")) {
        // Named in full: the buffer still holds the path of the shelf driver, which did load.
        std::string text = "The path is too long: " + WithFileName(m_szWorkPath, "Tavrin.Sys");
        AfxMessageBox(text.c_str(), MB_OK);
        return;
    }
    if (!LoadSysCata(m_szWorkPath)) {
        AfxMessageBox(m_szWorkPath, MB_OK);
        return;
    }

    EnumRegBooks("SOFTWARE\\Velmoran\\ZavikDic");

    m_hHtmlDriver = tavrin::LoadShelfLibrary("eBookDrv.dll");
    AddHtmlEBook(m_hHtmlDriver);

    if (m_hRoot) g_shelfTree.Expand(m_hRoot, TVE_EXPAND);

    SearchDicts();

    if (HTREEITEM catalog5 = GetCatalogId(m_hRoot, "5")) {
        HTREEITEM child = g_shelfTree.GetChildItem(catalog5);
        while (child) {
            HTREEITEM next = g_shelfTree.GetNextSiblingItem(child);
            if (!g_shelfTree.GetChildItem(child)) g_shelfTree.DeleteItem(child);
            child = next;
        }
    }
    if (HTREEITEM catalog18 = GetCatalogId(m_hRoot, "18")) {
        if (!g_shelfTree.GetChildItem(catalog18)) g_shelfTree.DeleteItem(catalog18);
    }
}

// CFileDialog: the open-file dialog (GetOpenFileNameA), with the chosen files read back by name.
// Only the open form exists on this platform; a save dialog (bOpenFileDialog FALSE) fails with -1.
#pragma once

#include "afx/string.h"
#include "afx/wnd.h"
#include "win/commdlg.h"

#include <vector>

// A place in a list walked with GetStartPosition / GetNext...; null at the end.
struct __POSITION {};
typedef __POSITION* POSITION;

class CFileDialog : public CObject {
public:
    // lpszFilter in the framework's form: "Name|*.a;*.b|Other|*.c||". lpszFileName is the initial
    // name. The result buffer holds MAX_PATH bytes unless the caller points m_ofn.lpstrFile at a
    // larger one (needed for OFN_ALLOWMULTISELECT) before DoModal.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

    OPENFILENAMEA m_ofn{};

    // IDOK with the choice in m_ofn, IDCANCEL when the user cancelled, -1 on an error (a buffer too
    // small for the choice, a save dialog).
    virtual INT_PTR DoModal();

    // The one chosen file's full path (the first one with several).
    CString GetPathName() const;
    CString GetFileName() const;  // without its folder
    CString GetFileExt() const;   // without the dot
    CString GetFileTitle() const; // without folder and extension
    // Walks the chosen files: each call returns a full path and moves pos on (null after the last).
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& pos) const;

private:
    BOOL m_bOpenFileDialog;
    std::vector<char> m_filter;     // the filter in the platform's NUL-separated form
    std::vector<char> m_fileBuffer; // the default result buffer
    std::string m_defExt;
};

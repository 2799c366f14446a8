// CFileDialog over the platform's open-file dialog.
#include "afx/filedialog.h"

#include <algorithm>
#include <cstring>

namespace {

// The offset of pos into the result buffer (positions are offset + 1 so that 0 stays "the end").
size_t OffsetOf(POSITION pos) {
    return reinterpret_cast<uintptr_t>(pos) - 1;
}
POSITION PositionAt(size_t offset) {
    return reinterpret_cast<POSITION>(static_cast<uintptr_t>(offset) + 1);
}

// Length of the zero-terminated text at `offset`, never reading past `capacity`.
size_t TextLength(const char* buf, size_t capacity, size_t offset) {
    if (offset >= capacity) return 0;
    return strnlen(buf + offset, capacity - offset);
}

bool EndsWithSeparator(const CString& path) {
    int n = path.GetLength();
    return n > 0 && (path[n - 1] == '/' || path[n - 1] == '\\');
}

} // namespace

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                         LPCSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog), m_fileBuffer(MAX_PATH, '\0'),
      m_defExt(lpszDefExt ? lpszDefExt : "") {
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
    m_ofn.lpstrFile = m_fileBuffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_fileBuffer.size());
    m_ofn.lpstrDefExt = m_defExt.empty() ? nullptr : m_defExt.c_str();
    if (lpszFileName) {
        size_t n = strnlen(lpszFileName, m_fileBuffer.size() - 1);
        std::memcpy(m_fileBuffer.data(), lpszFileName, n);
        m_fileBuffer[n] = '\0';
    }
    if (lpszFilter) {
        // "A|x|B|y||" -> "A\0x\0B\0y\0\0"
        for (const char* p = lpszFilter; *p; ++p)
            m_filter.push_back(*p == '|' ? '\0' : *p);
        m_filter.push_back('\0');
        m_filter.push_back('\0');
        m_ofn.lpstrFilter = m_filter.data();
    }
}

INT_PTR CFileDialog::DoModal() {
    if (!m_bOpenFileDialog) return -1;
    if (::GetOpenFileNameA(&m_ofn)) return IDOK;
    return ::CommDlgExtendedError() == 0 ? IDCANCEL : -1;
}

POSITION CFileDialog::GetStartPosition() const {
    if (!m_ofn.lpstrFile || m_ofn.nMaxFile == 0 || m_ofn.lpstrFile[0] == '\0') return nullptr;
    return PositionAt(0);
}

CString CFileDialog::GetNextPathName(POSITION& pos) const {
    const char* buf = m_ofn.lpstrFile;
    size_t capacity = m_ofn.nMaxFile;
    if (!pos || !buf) {
        pos = nullptr;
        return CString();
    }
    size_t offset = OffsetOf(pos);
    size_t firstLength = TextLength(buf, capacity, 0);
    CString first(buf, static_cast<int>(firstLength));
    if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT)) {
        pos = nullptr;
        return first;
    }
    bool explorer = (m_ofn.Flags & OFN_EXPLORER) != 0;
    if (explorer) {
        // "folder\0name\0name\0\0", or "fullpath\0\0" for one file.
        if (offset == 0) {
            offset = firstLength + 1;
            if (TextLength(buf, capacity, offset) == 0) {
                pos = nullptr;
                return first;
            }
        }
        size_t nameLength = TextLength(buf, capacity, offset);
        CString name(buf + (offset < capacity ? offset : capacity), static_cast<int>(nameLength));
        size_t next = offset + nameLength + 1;
        pos = TextLength(buf, capacity, next) == 0 ? nullptr : PositionAt(next);
        return EndsWithSeparator(first) ? first + name : first + "/" + name;
    }
    // "folder name name" (or one full path) separated by single spaces.
    int folderEnd = first.Find(' ');
    if (folderEnd < 0) {
        pos = nullptr;
        return first;
    }
    CString folder = first.Left(folderEnd);
    if (offset == 0) offset = static_cast<size_t>(folderEnd) + 1;
    int nameEnd = first.Find(' ', static_cast<int>(offset));
    CString name = nameEnd < 0 ? first.Mid(static_cast<int>(offset))
                               : first.Mid(static_cast<int>(offset), nameEnd - static_cast<int>(offset));
    pos = nameEnd < 0 ? nullptr : PositionAt(static_cast<size_t>(nameEnd) + 1);
    return EndsWithSeparator(folder) ? folder + name : folder + "/" + name;
}

CString CFileDialog::GetPathName() const {
    POSITION pos = GetStartPosition();
    return pos ? GetNextPathName(pos) : CString();
}

CString CFileDialog::GetFileName() const {
    CString path = GetPathName();
    int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
    return slash < 0 ? path : path.Mid(slash + 1);
}

CString CFileDialog::GetFileExt() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

// CString: an 8-bit string in the active code page, kept in a std::string. Comparison is by bytes;
// case folding (MakeUpper, MakeLower, CompareNoCase) changes ASCII letters only, and it and the
// single-character searches (Find, ReverseFind, FindOneOf) step over two-byte characters of a
// double-byte code page whole, so a trail byte is never folded or found.
#pragma once

#include "afx/defs.h"

#include <string>

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCSTR psz) : m_str(psz ? psz : "") {}
    CString(LPCSTR pch, int nLength); // nLength bytes (negative counts as 0)
    CString(char ch, int nRepeat = 1) : m_str(nRepeat > 0 ? static_cast<size_t>(nRepeat) : 0, ch) {}
    CString(const std::string& s) : m_str(s) {}
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCSTR psz) {
        m_str = psz ? psz : "";
        return *this;
    }
    CString& operator=(char ch) {
        m_str.assign(1, ch);
        return *this;
    }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty() ? TRUE : FALSE; }
    void Empty() { m_str.clear(); }
    // Byte at nIndex; 0 outside the string.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch); // ignored outside the string

    operator LPCSTR() const { return m_str.c_str(); }
    LPCSTR GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    CString& operator+=(const CString& s) {
        m_str += s.m_str;
        return *this;
    }
    CString& operator+=(LPCSTR psz) {
        if (psz) m_str += psz;
        return *this;
    }
    CString& operator+=(char ch) {
        m_str += ch;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, LPCSTR b) { return CString(a.m_str + (b ? b : "")); }
    friend CString operator+(LPCSTR a, const CString& b) { return CString((a ? a : "") + b.m_str); }
    friend CString operator+(const CString& a, char b) { return CString(a.m_str + b); }

    // <0, 0, >0 as strcmp of the bytes (of the folded text for CompareNoCase).
    int Compare(LPCSTR psz) const;
    int CompareNoCase(LPCSTR psz) const;
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
    friend bool operator==(LPCSTR a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }
    friend bool operator!=(LPCSTR a, const CString& b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }
    friend bool operator>(const CString& a, const CString& b) { return b.m_str < a.m_str; }
    friend bool operator<=(const CString& a, const CString& b) { return !(b.m_str < a.m_str); }
    friend bool operator>=(const CString& a, const CString& b) { return !(a.m_str < b.m_str); }

    // Parts; counts are clamped to the string.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    // Byte index of the first (last) match from nStart, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR pszCharSet) const;

    void MakeUpper(); // ASCII letters only, so double-byte text stays intact
    void MakeLower();
    void MakeReverse();
    // Removes white space (space, tab, CR, LF, VT, FF) or the given characters from the ends.
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim();
    CString& TrimLeft(char chTarget);
    CString& TrimRight(char chTarget);
    CString& TrimLeft(LPCSTR pszTargets);
    CString& TrimRight(LPCSTR pszTargets);
    int Replace(char chOld, char chNew); // returns the number replaced
    int Replace(LPCSTR pszOld, LPCSTR pszNew);
    int Remove(char ch);
    int Insert(int nIndex, char ch); // returns the new length
    int Insert(int nIndex, LPCSTR psz);
    int Delete(int nIndex, int nCount = 1);

    // printf-style formatting, measured first so any length fits.
    void Format(LPCSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));
    // Formats with a format string loaded from the string table (current resource module).
    void Format(UINT nFormatID, ...);
    // Loads string nID of the current resource module; FALSE (and empty) when it does not exist.
    BOOL LoadString(UINT nID);

    // Direct access for C-style APIs. GetBuffer returns room for at least nMinBufLength bytes plus a
    // terminator, with the current text in front; ReleaseBuffer ends the access and sets the length
    // to nNewLength, or to the text up to the first zero byte (never past the room handed out).
    LPSTR GetBuffer(int nMinBufLength = 0);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

// CString: the 8-bit string of the framework layer.
#include "afx/string.h"
#include "plat/resources.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Bytes of the character starting at s[i]: 2 for a lead byte of the active double-byte code page
// followed by its trail byte, else 1. Searching and case folding go character by character so that
// a trail byte that looks like '\\' or a letter is never taken for one.
size_t CharBytes(const std::string& s, size_t i) {
    return (i + 1 < s.size() && plat::IsLeadByte(static_cast<BYTE>(s[i]))) ? 2 : 1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

size_t Clamp(int n, size_t limit) {
    if (n <= 0) return 0;
    return std::min(static_cast<size_t>(n), limit);
}

std::string FormatV(LPCSTR format, va_list args) {
    if (!format) return std::string();
    va_list measure;
    va_copy(measure, args);
    int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed <= 0) return std::string();
    std::vector<char> buf(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    return std::string(buf.data(), static_cast<size_t>(needed));
}

} // namespace

CString::CString(LPCSTR pch, int nLength) {
    if (pch && nLength > 0) m_str.assign(pch, static_cast<size_t>(nLength));
}

char CString::GetAt(int nIndex) const {
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_str.size()) return 0;
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_str.size()) return;
    m_str[static_cast<size_t>(nIndex)] = ch;
}

int CString::Compare(LPCSTR psz) const {
    return std::strcmp(m_str.c_str(), psz ? psz : "");
}

int CString::CompareNoCase(LPCSTR psz) const {
    CString la(*this), lb(psz);
    la.MakeLower();
    lb.MakeLower();
    return std::strcmp(la.m_str.c_str(), lb.m_str.c_str());
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    size_t first = Clamp(nFirst, m_str.size());
    size_t count = Clamp(nCount, m_str.size() - first);
    return CString(m_str.substr(first, count));
}

CString CString::Left(int nCount) const {
    return CString(m_str.substr(0, Clamp(nCount, m_str.size())));
}

CString CString::Right(int nCount) const {
    size_t count = Clamp(nCount, m_str.size());
    return CString(m_str.substr(m_str.size() - count));
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0) nStart = 0;
    for (size_t i = 0; i < m_str.size(); i += CharBytes(m_str, i))
        if (i >= static_cast<size_t>(nStart) && m_str[i] == ch) return static_cast<int>(i);
    return -1;
}

int CString::Find(LPCSTR pszSub, int nStart) const {
    if (!pszSub) return -1;
    if (nStart < 0) nStart = 0;
    if (static_cast<size_t>(nStart) > m_str.size()) return -1;
    size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    int found = -1;
    for (size_t i = 0; i < m_str.size(); i += CharBytes(m_str, i))
        if (m_str[i] == ch) found = static_cast<int>(i);
    return found;
}

int CString::FindOneOf(LPCSTR pszCharSet) const {
    if (!pszCharSet) return -1;
    for (size_t i = 0; i < m_str.size(); i += CharBytes(m_str, i))
        if (m_str[i] != '\0' && std::strchr(pszCharSet, m_str[i])) return static_cast<int>(i);
    return -1;
}

void CString::MakeUpper() {
    for (size_t i = 0; i < m_str.size(); i += CharBytes(m_str, i))
        m_str[i] = AsciiUpper(m_str[i]);
}

void CString::MakeLower() {
    for (size_t i = 0; i < m_str.size(); i += CharBytes(m_str, i))
        m_str[i] = AsciiLower(m_str[i]);
}

void CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_str.size() && IsSpace(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    size_t n = m_str.size();
    while (n > 0 && IsSpace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft(char chTarget) {
    size_t i = 0;
    while (i < m_str.size() && m_str[i] == chTarget)
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight(char chTarget) {
    size_t n = m_str.size();
    while (n > 0 && m_str[n - 1] == chTarget)
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::TrimLeft(LPCSTR pszTargets) {
    if (!pszTargets) return *this;
    size_t pos = m_str.find_first_not_of(pszTargets);
    m_str.erase(0, pos == std::string::npos ? m_str.size() : pos);
    return *this;
}

CString& CString::TrimRight(LPCSTR pszTargets) {
    if (!pszTargets) return *this;
    size_t pos = m_str.find_last_not_of(pszTargets);
    m_str.resize(pos == std::string::npos ? 0 : pos + 1);
    return *this;
}

int CString::Replace(char chOld, char chNew) {
    int count = 0;
    for (char& c : m_str)
        if (c == chOld) {
            c = chNew;
            ++count;
        }
    return count;
}

int CString::Replace(LPCSTR pszOld, LPCSTR pszNew) {
    if (!pszOld || !*pszOld) return 0;
    std::string from(pszOld), to(pszNew ? pszNew : "");
    int count = 0;
    size_t pos = 0;
    while ((pos = m_str.find(from, pos)) != std::string::npos) {
        m_str.replace(pos, from.size(), to);
        pos += to.size();
        ++count;
    }
    return count;
}

int CString::Remove(char ch) {
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, char ch) {
    m_str.insert(Clamp(nIndex, m_str.size()), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCSTR psz) {
    if (psz) m_str.insert(Clamp(nIndex, m_str.size()), psz);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    size_t first = Clamp(nIndex, m_str.size());
    m_str.erase(first, Clamp(nCount, m_str.size() - first));
    return GetLength();
}

void CString::Format(LPCSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    m_str = FormatV(pszFormat, args);
    va_end(args);
}

void CString::Format(UINT nFormatID, ...) {
    CString format;
    format.LoadString(nFormatID);
    va_list args;
    va_start(args, nFormatID);
    m_str = FormatV(format.GetString(), args);
    va_end(args);
}

BOOL CString::LoadString(UINT nID) {
    // String-table entries are short; grow the buffer while the text fills it completely.
    std::vector<char> buf(256);
    for (;;) {
        int n = ::LoadStringA(0, nID, buf.data(), static_cast<int>(buf.size()));
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= (1u << 20)) {
            m_str.assign(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
            return n > 0 ? TRUE : FALSE;
        }
        buf.resize(buf.size() * 4);
    }
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > 0 && static_cast<size_t>(nMinBufLength) > m_str.size())
        m_str.resize(static_cast<size_t>(nMinBufLength), '\0');
    return m_str.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
    m_str.resize(nNewLength > 0 ? static_cast<size_t>(nNewLength) : 0, '\0');
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    size_t length = nNewLength < 0 ? std::strlen(m_str.c_str()) : Clamp(nNewLength, m_str.size());
    m_str.resize(length);
}

// CString: MFC's string class over a std::u16string.
#include "zelcompat/cstring.h"

#include <algorithm>

#include "zelcompat/collections.h"

namespace {

size_t TextLength(LPCWSTR text) {
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    return n;
}

bool InSet(LPCWSTR set, WCHAR ch) {
    if (set == nullptr) return false;
    for (; *set; ++set)
        if (*set == ch) return true;
    return false;
}

// White space as the C runtime's iswspace sees it.
bool IsSpace(WCHAR ch) {
    return (ch >= 0x09 && ch <= 0x0D) || ch == 0x20 || ch == 0x85 || ch == 0xA0 || ch == 0x1680 ||
           (ch >= 0x2000 && ch <= 0x200A) || ch == 0x2028 || ch == 0x2029 || ch == 0x202F || ch == 0x205F ||
           ch == 0x3000;
}

template <typename Pred>
void TrimLeftIf(std::u16string& s, Pred pred) {
    size_t k = 0;
    while (k < s.size() && pred(s[k])) ++k;
    s.erase(0, k);
}

template <typename Pred>
void TrimRightIf(std::u16string& s, Pred pred) {
    size_t k = s.size();
    while (k > 0 && pred(s[k - 1])) --k;
    s.erase(k);
}

}  // namespace

CString::CString(LPCWSTR text) {
    if (text) m_str.assign(text);
}

CString::CString(LPCWSTR text, int length) {
    if (text && length > 0) m_str.assign(text, static_cast<size_t>(length));
}

CString::CString(WCHAR ch, int repeat) {
    if (repeat > 0) m_str.assign(static_cast<size_t>(repeat), ch);
}

CString::CString(const char* utf8) : m_str(ZelFromUtf8(utf8)) {}

CString& CString::operator=(LPCWSTR text) {
    if (text == nullptr) {
        m_str.clear();
    } else {
        // The text may point into this string.
        std::u16string copy(text);
        m_str.swap(copy);
    }
    return *this;
}

CString& CString::operator=(std::nullptr_t) {
    m_str.clear();
    return *this;
}

CString& CString::operator=(WCHAR ch) {
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator=(const char* utf8) {
    m_str = ZelFromUtf8(utf8);
    return *this;
}

WCHAR CString::GetAt(int index) const {
    if (index < 0 || index > GetLength()) AfxThrowInvalidArgException();
    return m_str.c_str()[index];
}

void CString::SetAt(int index, WCHAR ch) {
    if (index < 0 || index >= GetLength()) AfxThrowInvalidArgException();
    m_str[static_cast<size_t>(index)] = ch;
}

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count <= 0 || first >= GetLength()) return CString();
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    size_t n = std::min(static_cast<size_t>(count), m_str.size());
    return CString(m_str.substr(m_str.size() - n));
}

CString CString::SpanIncluding(LPCWSTR set) const {
    size_t k = 0;
    while (k < m_str.size() && m_str[k] && InSet(set, m_str[k])) ++k;
    return CString(m_str.substr(0, k));
}

CString CString::SpanExcluding(LPCWSTR set) const {
    size_t k = 0;
    while (k < m_str.size() && m_str[k] && !InSet(set, m_str[k])) ++k;
    return CString(m_str.substr(0, k));
}

CString CString::Tokenize(LPCWSTR delimiters, int& start) const {
    if (start < 0) AfxThrowInvalidArgException();
    size_t length = m_str.size();
    size_t pos = static_cast<size_t>(start);
    if (pos < length) {
        if (delimiters == nullptr || *delimiters == 0) {
            // No delimiters: the rest is one token.
            start = GetLength() + 1;
            return CString(m_str.substr(pos));
        }
        while (pos < length && InSet(delimiters, m_str[pos])) ++pos;
        if (pos < length) {
            size_t end = pos;
            while (end < length && !InSet(delimiters, m_str[end])) ++end;
            start = static_cast<int>(end) + 1;
            return CString(m_str.substr(pos, end - pos));
        }
    }
    start = -1;
    return CString();
}

int CString::Find(WCHAR ch, int start) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t at = m_str.find(ch, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCWSTR sub, int start) const {
    if (sub == nullptr || start < 0 || start > GetLength()) return -1;
    size_t at = m_str.find(sub, static_cast<size_t>(start));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(WCHAR ch) const {
    size_t at = m_str.rfind(ch);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(LPCWSTR set) const {
    if (set == nullptr || *set == 0) return -1;
    size_t at = m_str.find_first_of(set);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeUpper() {
    for (auto& c : m_str) c = ZelToUpper(c);
    return *this;
}

CString& CString::MakeLower() {
    for (auto& c : m_str) c = ZelToLower(c);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    // Keep surrogate pairs in their order so the reversed text stays well-formed.
    for (size_t k = 0; k + 1 < m_str.size(); ++k) {
        if (m_str[k] >= 0xDC00 && m_str[k] <= 0xDFFF && m_str[k + 1] >= 0xD800 && m_str[k + 1] <= 0xDBFF) {
            std::swap(m_str[k], m_str[k + 1]);
            ++k;
        }
    }
    return *this;
}

int CString::Compare(LPCWSTR other) const { return lstrcmpW(m_str.c_str(), other); }

int CString::CompareNoCase(LPCWSTR other) const { return lstrcmpiW(m_str.c_str(), other); }

int CString::Replace(WCHAR oldCh, WCHAR newCh) {
    if (oldCh == newCh) return 0;
    int count = 0;
    for (auto& c : m_str) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCWSTR oldText, LPCWSTR newText) {
    size_t oldLength = TextLength(oldText);
    if (oldLength == 0) return 0;
    std::u16string from(oldText, oldLength);
    std::u16string to(newText ? newText : u"");
    std::u16string result;
    int count = 0;
    size_t pos = 0;
    for (size_t at; (at = m_str.find(from, pos)) != std::u16string::npos; pos = at + oldLength) {
        result.append(m_str, pos, at - pos);
        result += to;
        ++count;
    }
    if (count > 0) {
        result.append(m_str, pos, std::u16string::npos);
        m_str.swap(result);
    }
    return count;
}

int CString::Remove(WCHAR ch) {
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int index, WCHAR ch) {
    index = std::clamp(index, 0, GetLength());
    m_str.insert(static_cast<size_t>(index), 1, ch);
    return GetLength();
}

int CString::Insert(int index, LPCWSTR text) {
    index = std::clamp(index, 0, GetLength());
    if (text) {
        std::u16string copy(text);
        m_str.insert(static_cast<size_t>(index), copy);
    }
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength()) m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

CString& CString::TrimLeft() {
    TrimLeftIf(m_str, IsSpace);
    return *this;
}

CString& CString::TrimLeft(WCHAR ch) {
    TrimLeftIf(m_str, [ch](WCHAR c) { return c == ch; });
    return *this;
}

CString& CString::TrimLeft(LPCWSTR set) {
    TrimLeftIf(m_str, [set](WCHAR c) { return InSet(set, c); });
    return *this;
}

CString& CString::TrimRight() {
    TrimRightIf(m_str, IsSpace);
    return *this;
}

CString& CString::TrimRight(WCHAR ch) {
    TrimRightIf(m_str, [ch](WCHAR c) { return c == ch; });
    return *this;
}

CString& CString::TrimRight(LPCWSTR set) {
    TrimRightIf(m_str, [set](WCHAR c) { return InSet(set, c); });
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::Trim(WCHAR ch) { return TrimRight(ch).TrimLeft(ch); }

CString& CString::Trim(LPCWSTR set) { return TrimRight(set).TrimLeft(set); }

LPWSTR CString::GetBuffer() { return m_str.data(); }

LPWSTR CString::GetBuffer(int minLength) {
    // The string's own terminator follows the buffer, so minLength units plus the
    // terminator are writable; a shorter request keeps the text's length unchanged.
    if (minLength > GetLength()) m_str.resize(static_cast<size_t>(minLength));
    return m_str.data();
}

LPWSTR CString::GetBufferSetLength(int length) {
    m_str.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return m_str.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        size_t n = 0;
        while (n < m_str.size() && m_str[n]) ++n;
        m_str.resize(n);
    } else if (static_cast<size_t>(newLength) <= m_str.size()) {
        m_str.resize(static_cast<size_t>(newLength));
    }
}

CString& CString::operator+=(const CString& text) {
    m_str += text.m_str;
    return *this;
}

CString& CString::operator+=(LPCWSTR text) {
    if (text) {
        std::u16string copy(text);
        m_str += copy;
    }
    return *this;
}

CString& CString::operator+=(WCHAR ch) {
    m_str.push_back(ch);
    return *this;
}

void CString::FormatList(LPCWSTR format, const ZelFormatArg* args, size_t count) {
    std::u16string text;
    ZelFormatAppend(text, format, args, count);
    m_str.swap(text);
}

void CString::AppendFormatList(LPCWSTR format, const ZelFormatArg* args, size_t count) {
    // Formatted aside first: an argument may be this string's own text.
    std::u16string text;
    ZelFormatAppend(text, format, args, count);
    m_str += text;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, LPCWSTR b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(LPCWSTR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, WCHAR b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(WCHAR a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

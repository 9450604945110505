// MFC's CString (CStringW) over UTF-16 text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "textfn.h"
#include "types.h"

class ZELCOMPAT_API CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCWSTR text);  // null gives an empty string
    CString(std::nullptr_t) {}
    CString(LPCWSTR text, int length);  // exactly length units (negative: none)
    CString(WCHAR ch, int repeat = 1);
    CString(const char* utf8);  // UTF-8 text, converted
    explicit CString(const std::u16string& text) : m_str(text) {}
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCWSTR text);
    CString& operator=(std::nullptr_t);
    CString& operator=(WCHAR ch);
    CString& operator=(const char* utf8);

    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }
    const std::u16string& Str() const { return m_str; }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    // Index 0..length (the terminator at length); outside that throws CInvalidArgException*.
    WCHAR GetAt(int index) const;
    WCHAR operator[](int index) const { return GetAt(index); }
    // Index 0..length-1; outside that throws CInvalidArgException*.
    void SetAt(int index, WCHAR ch);

    // Extraction; a negative count means none and a count past the end means to the end.
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    CString SpanIncluding(LPCWSTR set) const;
    CString SpanExcluding(LPCWSTR set) const;
    // The next token after start, skipping leading delimiters; start moves past it, or
    // becomes -1 (with an empty result) when no token is left.
    CString Tokenize(LPCWSTR delimiters, int& start) const;

    // Searches; -1 when not found.
    int Find(WCHAR ch, int start = 0) const;
    int Find(LPCWSTR sub, int start = 0) const;
    int ReverseFind(WCHAR ch) const;
    int FindOneOf(LPCWSTR set) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();

    // Ordinal comparisons; CompareNoCase folds case first. <0, 0 or >0.
    int Compare(LPCWSTR other) const;
    int CompareNoCase(LPCWSTR other) const;

    // Edits; each returns the count of replacements/removals or the new length.
    int Replace(WCHAR oldCh, WCHAR newCh);
    int Replace(LPCWSTR oldText, LPCWSTR newText);
    int Remove(WCHAR ch);
    int Insert(int index, WCHAR ch);
    int Insert(int index, LPCWSTR text);
    int Delete(int index, int count = 1);

    // Trimming; without an argument white space goes.
    CString& TrimLeft();
    CString& TrimLeft(WCHAR ch);
    CString& TrimLeft(LPCWSTR set);
    CString& TrimRight();
    CString& TrimRight(WCHAR ch);
    CString& TrimRight(LPCWSTR set);
    CString& Trim();
    CString& Trim(WCHAR ch);
    CString& Trim(LPCWSTR set);

    // Direct access: a writable, zero-terminated buffer of at least minLength units plus the
    // terminator. After writing, ReleaseBuffer sets the length (-1: up to the first zero).
    LPWSTR GetBuffer();
    LPWSTR GetBuffer(int minLength);
    LPWSTR GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);
    void FreeExtra() { m_str.shrink_to_fit(); }

    CString& operator+=(const CString& text);
    CString& operator+=(LPCWSTR text);
    CString& operator+=(WCHAR ch);

    template <typename... Args>
    void Format(LPCWSTR format, const Args&... args) {
        const ZelFormatArg list[] = {ZelFormatArg::From(args)..., ZelFormatArg()};
        FormatList(format, list, sizeof...(Args));
    }
    template <typename... Args>
    void AppendFormat(LPCWSTR format, const Args&... args) {
        const ZelFormatArg list[] = {ZelFormatArg::From(args)..., ZelFormatArg()};
        AppendFormatList(format, list, sizeof...(Args));
    }
    void FormatList(LPCWSTR format, const ZelFormatArg* args, size_t count);
    void AppendFormatList(LPCWSTR format, const ZelFormatArg* args, size_t count);

private:
    std::u16string m_str;
};

ZELCOMPAT_API CString operator+(const CString& a, const CString& b);
ZELCOMPAT_API CString operator+(const CString& a, LPCWSTR b);
ZELCOMPAT_API CString operator+(LPCWSTR a, const CString& b);
ZELCOMPAT_API CString operator+(const CString& a, WCHAR b);
ZELCOMPAT_API CString operator+(WCHAR a, const CString& b);

inline bool operator==(const CString& a, const CString& b) { return a.Str() == b.Str(); }
inline bool operator==(const CString& a, LPCWSTR b) { return a.Compare(b) == 0; }
inline bool operator==(LPCWSTR a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, LPCWSTR b) { return !(a == b); }
inline bool operator!=(LPCWSTR a, const CString& b) { return !(a == b); }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator<(const CString& a, LPCWSTR b) { return a.Compare(b) < 0; }
inline bool operator<(LPCWSTR a, const CString& b) { return b.Compare(a) > 0; }
inline bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
inline bool operator>(const CString& a, LPCWSTR b) { return a.Compare(b) > 0; }
inline bool operator>(LPCWSTR a, const CString& b) { return b.Compare(a) < 0; }
inline bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
inline bool operator<=(const CString& a, LPCWSTR b) { return a.Compare(b) <= 0; }
inline bool operator<=(LPCWSTR a, const CString& b) { return b.Compare(a) >= 0; }
inline bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
inline bool operator>=(const CString& a, LPCWSTR b) { return a.Compare(b) >= 0; }
inline bool operator>=(LPCWSTR a, const CString& b) { return b.Compare(a) <= 0; }

typedef CString CStringW;

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::u16string>()(s.Str()); }
};

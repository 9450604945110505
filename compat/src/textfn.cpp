// The Win32 and C runtime string helpers over UTF-16, and the case mapping of one unit.
#include <climits>
#include <cstdint>

#include "zelcompat/textfn.h"

// The host's simple case mapping (case_posix.cpp); -1 when the host has no Unicode tables.
int ZelHostCaseMap(WCHAR ch, bool upper);

namespace {

bool Odd(WCHAR c) { return (c & 1) != 0; }

// Case pairs of Latin-1, Latin Extended-A, Greek and Cyrillic, used when the host cannot map.
WCHAR TableUpper(WCHAR c) {
    if (c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 0x20);
    if (c == 0xB5) return 0x39C;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c == 0x131) return u'I';
    if (c == 0x17F) return u'S';
    if (((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && Odd(c))
        return static_cast<WCHAR>(c - 1);
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !Odd(c)) return static_cast<WCHAR>(c - 1);
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return static_cast<WCHAR>(c - 0x25);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3CB) return static_cast<WCHAR>(c - 0x20);
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return static_cast<WCHAR>(c - 0x3F);
    if (c >= 0x430 && c <= 0x44F) return static_cast<WCHAR>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<WCHAR>(c - 0x50);
    if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) && Odd(c))
        return static_cast<WCHAR>(c - 1);
    if (c == 0x4CF) return 0x4C0;
    if (c >= 0x4C1 && c <= 0x4CE && !Odd(c)) return static_cast<WCHAR>(c - 1);
    return c;
}

WCHAR TableLower(WCHAR c) {
    if (c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<WCHAR>(c + 0x20);
    if (c == 0x178) return 0xFF;
    if (c == 0x130) return u'i';
    if (((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && !Odd(c))
        return static_cast<WCHAR>(c + 1);
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && Odd(c)) return static_cast<WCHAR>(c + 1);
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return static_cast<WCHAR>(c + 0x25);
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return static_cast<WCHAR>(c + 0x3F);
    if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB)) return static_cast<WCHAR>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<WCHAR>(c + 0x50);
    if (c >= 0x410 && c <= 0x42F) return static_cast<WCHAR>(c + 0x20);
    if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) && !Odd(c))
        return static_cast<WCHAR>(c + 1);
    if (c == 0x4C0) return 0x4CF;
    if (c >= 0x4C1 && c <= 0x4CE && Odd(c)) return static_cast<WCHAR>(c + 1);
    return c;
}

// Folding for case-insensitive comparison: upper then lower, so that letters with
// several lower forms (final sigma, dotless i, long s) meet.
WCHAR Fold(WCHAR c) { return ZelToLower(ZelToUpper(c)); }

bool IsSpace(WCHAR ch) {
    return (ch >= 0x09 && ch <= 0x0D) || ch == 0x20 || ch == 0x85 || ch == 0xA0 || ch == 0x1680 ||
           (ch >= 0x2000 && ch <= 0x200A) || ch == 0x2028 || ch == 0x2029 || ch == 0x202F || ch == 0x205F ||
           ch == 0x3000;
}

// The C runtime's conversion: white space, a sign, digits; saturates at the limits.
long long ParseSaturating(LPCWSTR text, long long minValue, long long maxValue) {
    if (text == nullptr) return 0;
    const WCHAR* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
    unsigned long long limit = negative ? 0ULL - static_cast<unsigned long long>(minValue)
                                        : static_cast<unsigned long long>(maxValue);
    unsigned long long value = 0;
    bool overflow = false;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        unsigned digit = static_cast<unsigned>(*p - u'0');
        if (overflow || value > (limit - digit) / 10) {
            overflow = true;
            continue;
        }
        value = value * 10 + digit;
    }
    if (overflow) return negative ? minValue : maxValue;
    return negative ? static_cast<long long>(0ULL - value) : static_cast<long long>(value);
}

template <WCHAR (*Map)(WCHAR)>
LPWSTR MapInPlace(LPWSTR text) {
    auto raw = reinterpret_cast<uintptr_t>(text);
    if (raw <= 0xFFFF) return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(Map(static_cast<WCHAR>(raw))));
    for (WCHAR* p = text; *p; ++p) *p = Map(*p);
    return text;
}

}  // namespace

WCHAR ZelToUpper(WCHAR ch) {
    if (ch < 0x80) return ch >= u'a' && ch <= u'z' ? static_cast<WCHAR>(ch - 0x20) : ch;
    int mapped = ZelHostCaseMap(ch, true);
    return mapped >= 0 ? static_cast<WCHAR>(mapped) : TableUpper(ch);
}

WCHAR ZelToLower(WCHAR ch) {
    if (ch < 0x80) return ch >= u'A' && ch <= u'Z' ? static_cast<WCHAR>(ch + 0x20) : ch;
    int mapped = ZelHostCaseMap(ch, false);
    return mapped >= 0 ? static_cast<WCHAR>(mapped) : TableLower(ch);
}

int StrToIntW(LPCWSTR text) {
    if (text == nullptr) return 0;
    const WCHAR* p = text;
    bool negative = false;
    if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
    uint32_t value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) value = value * 10 + static_cast<uint32_t>(*p - u'0');
    return static_cast<int>(negative ? 0u - value : value);
}

int _wtoi(LPCWSTR text) { return static_cast<int>(ParseSaturating(text, INT_MIN, INT_MAX)); }

LONG _wtol(LPCWSTR text) { return static_cast<LONG>(ParseSaturating(text, INT32_MIN, INT32_MAX)); }

LONGLONG _wtoi64(LPCWSTR text) { return ParseSaturating(text, LLONG_MIN, LLONG_MAX); }

int lstrlenW(LPCWSTR text) {
    if (text == nullptr) return 0;
    int n = 0;
    while (text[n]) ++n;
    return n;
}

LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) {
    if (dst == nullptr) return nullptr;
    if (src == nullptr) src = u"";
    WCHAR* d = dst;
    while ((*d++ = *src++) != 0) {
    }
    return dst;
}

LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int maxLength) {
    if (dst == nullptr) return nullptr;
    if (maxLength <= 0) return dst;
    if (src == nullptr) src = u"";
    int k = 0;
    for (; k < maxLength - 1 && src[k]; ++k) dst[k] = src[k];
    dst[k] = 0;
    return dst;
}

LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src) {
    if (dst == nullptr) return nullptr;
    lstrcpyW(dst + lstrlenW(dst), src);
    return dst;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
    if (a == nullptr) a = u"";
    if (b == nullptr) b = u"";
    for (;; ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
        if (*a == 0) return 0;
    }
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
    if (a == nullptr) a = u"";
    if (b == nullptr) b = u"";
    for (;; ++a, ++b) {
        WCHAR x = Fold(*a), y = Fold(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

LPWSTR CharUpperW(LPWSTR text) { return MapInPlace<ZelToUpper>(text); }

LPWSTR CharLowerW(LPWSTR text) { return MapInPlace<ZelToLower>(text); }

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
    if (text == nullptr) return 0;
    for (DWORD k = 0; k < length; ++k) text[k] = ZelToUpper(text[k]);
    return length;
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
    if (text == nullptr) return 0;
    for (DWORD k = 0; k < length; ++k) text[k] = ZelToLower(text[k]);
    return length;
}

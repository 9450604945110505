// Code pages, the Win32 string helpers and the printf-style formatter over UTF-16 text.
//
// The formatter takes its arguments as a list of tagged values (ZelFormatArg) built by
// variadic templates, so that every argument carries its real type: a CString can be passed
// directly for %s, and a conversion that does not match its argument prints something
// harmless instead of reading the wrong bytes.
#pragma once

#include <concepts>
#include <string>
#include <type_traits>

#include "types.h"

// Code pages.
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

// MultiByteToWideChar flags.
#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

// WideCharToMultiByte flags.
#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// Converts text of a code page to UTF-16. srcLen -1: src is zero-terminated and the
// terminator is converted too. dstLen 0: only the needed number of units is returned.
// Returns the units written (or needed), 0 on failure with the reason in GetLastError().
ZELCOMPAT_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
// Converts UTF-16 text to a code page; characters the code page lacks become defaultChar
// (or "?") and set *usedDefault.
ZELCOMPAT_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                                      LPCSTR defaultChar, LPBOOL usedDefault);
// What CP_ACP and CP_OEMCP mean: UTF-8 by default; 1252 or 28591 when the host says so
// (0 or 65001 return to UTF-8; other values are ignored).
ZELCOMPAT_API void ZelSetAnsiCodePage(UINT codePage);

// UTF-16 <-> UTF-8. Invalid UTF-8 becomes U+FFFD; a lone surrogate becomes "?".
ZELCOMPAT_API std::string ZelToUtf8(LPCWSTR text);
ZELCOMPAT_API std::string ZelToUtf8(const std::u16string& text);
ZELCOMPAT_API std::u16string ZelFromUtf8(const char* text);
ZELCOMPAT_API std::u16string ZelFromUtf8(const std::string& text);

// Simple case mapping of one UTF-16 unit (surrogates map to themselves).
ZELCOMPAT_API WCHAR ZelToUpper(WCHAR ch);
ZELCOMPAT_API WCHAR ZelToLower(WCHAR ch);

// shlwapi StrToIntW: optional sign, decimal digits up to the first non-digit, 0 when none.
ZELCOMPAT_API int StrToIntW(LPCWSTR text);
// The C runtime conversions: leading white space skipped, the result saturates on overflow.
ZELCOMPAT_API int _wtoi(LPCWSTR text);
ZELCOMPAT_API LONG _wtol(LPCWSTR text);
ZELCOMPAT_API LONGLONG _wtoi64(LPCWSTR text);

// kernel32 string helpers. A null pointer counts as an empty text.
ZELCOMPAT_API int lstrlenW(LPCWSTR text);
ZELCOMPAT_API LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src);
// Copies at most maxLength-1 units and always terminates (when maxLength > 0).
ZELCOMPAT_API LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int maxLength);
ZELCOMPAT_API LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src);
// Ordinal comparisons; the result is -1, 0 or 1.
ZELCOMPAT_API int lstrcmpW(LPCWSTR a, LPCWSTR b);
ZELCOMPAT_API int lstrcmpiW(LPCWSTR a, LPCWSTR b);
// Case conversion in place of a zero-terminated text. A "pointer" whose high bits are zero
// is one character, converted and returned the same way, as in Win32.
ZELCOMPAT_API LPWSTR CharUpperW(LPWSTR text);
ZELCOMPAT_API LPWSTR CharLowerW(LPWSTR text);
ZELCOMPAT_API DWORD CharUpperBuffW(LPWSTR text, DWORD length);
ZELCOMPAT_API DWORD CharLowerBuffW(LPWSTR text, DWORD length);

#define lstrlen lstrlenW
#define lstrcpy lstrcpyW
#define lstrcpyn lstrcpynW
#define lstrcat lstrcatW
#define lstrcmp lstrcmpW
#define lstrcmpi lstrcmpiW
#define CharUpper CharUpperW
#define CharLower CharLowerW
#define StrToInt StrToIntW
#define _ttoi _wtoi

// One argument of the formatter.
struct ZelFormatArg {
    enum class Kind : unsigned char { Missing, Signed, Unsigned, Double, Text16, Text8, Pointer };
    Kind kind = Kind::Missing;
    unsigned char size = 0;  // bytes of an integer argument
    union {
        long long i;
        unsigned long long u;
        double d;
        const WCHAR* text16;
        const char* text8;
        const void* pointer;
    };

    ZelFormatArg() : i(0) {}

    template <typename T>
    static ZelFormatArg From(const T& value) {
        using D = std::decay_t<T>;
        ZelFormatArg arg;
        if constexpr (std::is_enum_v<D>) {
            return From(static_cast<std::underlying_type_t<D>>(value));
        } else if constexpr (std::is_integral_v<D>) {
            arg.size = static_cast<unsigned char>(sizeof(D));
            if constexpr (std::is_signed_v<D>) {
                arg.kind = Kind::Signed;
                arg.i = static_cast<long long>(value);
            } else {
                arg.kind = Kind::Unsigned;
                arg.u = static_cast<unsigned long long>(value);
            }
        } else if constexpr (std::is_floating_point_v<D>) {
            arg.kind = Kind::Double;
            arg.d = static_cast<double>(value);
        } else if constexpr (std::is_same_v<D, std::nullptr_t>) {
            arg.kind = Kind::Pointer;
            arg.pointer = nullptr;
        } else if constexpr (std::is_pointer_v<D>) {
            using P = std::remove_cv_t<std::remove_pointer_t<D>>;
            if constexpr (std::is_same_v<P, WCHAR>) {
                arg.kind = Kind::Text16;
                arg.text16 = value;
            } else if constexpr (std::is_same_v<P, char>) {
                arg.kind = Kind::Text8;
                arg.text8 = value;
            } else {
                arg.kind = Kind::Pointer;
                arg.pointer = reinterpret_cast<const void*>(value);
            }
        } else if constexpr (std::is_same_v<D, std::u16string>) {
            arg.kind = Kind::Text16;
            arg.text16 = value.c_str();
        } else if constexpr (std::is_same_v<D, std::string>) {
            arg.kind = Kind::Text8;
            arg.text8 = value.c_str();
        } else if constexpr (requires(const D& v) {
                                 { v.GetString() } -> std::convertible_to<LPCWSTR>;
                             }) {
            // CString and anything else that hands out its UTF-16 text.
            arg.kind = Kind::Text16;
            arg.text16 = value.GetString();
        } else {
            static_assert(sizeof(D) == 0, "this type cannot be a formatter argument");
        }
        return arg;
    }
};

// The formatter: appends the formatted text to out and returns the number of units added.
ZELCOMPAT_API int ZelFormatAppend(std::u16string& out, LPCWSTR format, const ZelFormatArg* args, size_t count);
// Formats into a buffer of capacity units. When the text and its terminator fit, they are
// written and the length returned. Otherwise: truncate true writes capacity-1 units and a
// terminator and returns capacity-1 (wsprintfW); truncate false leaves an empty text and
// returns -1 (swprintf_s).
ZELCOMPAT_API int ZelFormatToBuffer(LPWSTR buffer, size_t capacity, bool truncate, LPCWSTR format,
                                    const ZelFormatArg* args, size_t count);

template <typename... Args>
std::u16string ZelFormat(LPCWSTR format, const Args&... args) {
    const ZelFormatArg list[] = {ZelFormatArg::From(args)..., ZelFormatArg()};
    std::u16string out;
    ZelFormatAppend(out, format, list, sizeof...(Args));
    return out;
}

// Win32 wsprintfW: writes at most 1024 units including the terminator.
template <typename... Args>
int wsprintfW(LPWSTR buffer, LPCWSTR format, const Args&... args) {
    const ZelFormatArg list[] = {ZelFormatArg::From(args)..., ZelFormatArg()};
    return ZelFormatToBuffer(buffer, 1024, true, format, list, sizeof...(Args));
}

// The secure C runtime swprintf_s: never writes past count units and always terminates;
// a text that does not fit leaves the buffer empty and returns -1.
template <typename... Args>
int swprintf_s(LPWSTR buffer, size_t count, LPCWSTR format, const Args&... args) {
    const ZelFormatArg list[] = {ZelFormatArg::From(args)..., ZelFormatArg()};
    return ZelFormatToBuffer(buffer, count, false, format, list, sizeof...(Args));
}

// The array form, which takes the capacity from the array.
template <size_t N, typename... Args>
int swprintf_s(WCHAR (&buffer)[N], LPCWSTR format, const Args&... args) {
    const ZelFormatArg list[] = {ZelFormatArg::From(args)..., ZelFormatArg()};
    return ZelFormatToBuffer(buffer, N, false, format, list, sizeof...(Args));
}

#define wsprintf wsprintfW

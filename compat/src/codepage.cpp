// Code page conversions: UTF-8, Windows-1252 and ISO 8859-1 to and from UTF-16.
#include <atomic>
#include <cstring>
#include <string>

#include "zelcompat/debug.h"
#include "zelcompat/textfn.h"

namespace {

// What CP_ACP / CP_OEMCP stand for.
std::atomic<UINT> g_ansiCodePage{CP_UTF8};

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to the
// C1 control of the same value, as Windows does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kReplacement = 0xFFFD;

// The code page a caller's code page number stands for; 0 when it is not supported.
UINT Resolve(UINT codePage) {
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
        return g_ansiCodePage.load(std::memory_order_relaxed);
    case CP_UTF8:
    case 1252:
    case 28591:
        return codePage;
    default:
        return 0;
    }
}

// Decodes one UTF-8 sequence at s[i]. An ill-formed sequence yields U+FFFD for its
// maximal valid prefix (at least one byte), so every bad byte run gets one replacement
// and the following good text stays intact.
bool DecodeUtf8(const unsigned char* s, size_t n, size_t& i, char32_t& cp) {
    unsigned char b = s[i++];
    if (b < 0x80) {
        cp = b;
        return true;
    }
    int need;
    unsigned char lower = 0x80, upper = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        cp = b & 0x0F;
        if (b == 0xE0) lower = 0xA0;  // no overlong forms
        if (b == 0xED) upper = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        cp = b & 0x07;
        if (b == 0xF0) lower = 0x90;  // no overlong forms
        if (b == 0xF4) upper = 0x8F;  // nothing past U+10FFFF
    } else {
        cp = kReplacement;
        return false;
    }
    for (int k = 0; k < need; ++k) {
        if (i >= n || s[i] < lower || s[i] > upper) {
            cp = kReplacement;
            return false;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
        ++i;
        lower = 0x80;
        upper = 0xBF;
    }
    return true;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

// Returns false when some input was ill-formed (and replaced).
bool Utf8ToUtf16(const char* src, size_t n, std::u16string& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    bool clean = true;
    out.reserve(out.size() + n);
    for (size_t i = 0; i < n;) {
        char32_t cp;
        if (!DecodeUtf8(s, n, i, cp)) clean = false;
        AppendUtf16(out, cp);
    }
    return clean;
}

// Reads one code point from UTF-16; a lone surrogate gives false.
bool NextCodePoint(const WCHAR* s, size_t n, size_t& i, char32_t& cp) {
    char16_t u = s[i++];
    if (u < 0xD800 || u > 0xDFFF) {
        cp = u;
        return true;
    }
    if (u <= 0xDBFF && i < n && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i] - 0xDC00);
        ++i;
        return true;
    }
    cp = u;
    return false;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The single byte of a code point in 1252 or 28591; -1 when the code page lacks it.
int SingleByteOf(UINT page, char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (page == 28591) return cp <= 0xFF ? static_cast<int>(cp) : -1;
    if (cp >= 0xA0 && cp <= 0xFF) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == cp) return 0x80 + k;
    return -1;
}

// Outcome of encoding UTF-16 text.
struct Encoded {
    std::string bytes;
    bool usedDefault = false;
    bool invalid = false;  // a lone surrogate was met
};

Encoded Encode(UINT page, const WCHAR* src, size_t n, const char* defaultChar) {
    Encoded result;
    std::string fallback = "?";
    if (defaultChar && *defaultChar) {
        fallback = page == CP_UTF8 ? std::string(defaultChar, strnlen(defaultChar, 4)) : std::string(1, *defaultChar);
    }
    result.bytes.reserve(n);
    for (size_t i = 0; i < n;) {
        char32_t cp;
        bool whole = NextCodePoint(src, n, i, cp);
        if (page == CP_UTF8) {
            if (whole) {
                AppendUtf8(result.bytes, cp);
                continue;
            }
            result.invalid = true;
        } else if (whole) {
            int byte = SingleByteOf(page, cp);
            if (byte >= 0) {
                result.bytes.push_back(static_cast<char>(byte));
                continue;
            }
        }
        result.bytes += fallback;
        result.usedDefault = true;
    }
    return result;
}

template <typename Unit, typename Text>
int Deliver(const Text& text, Unit* dst, int dstLen) {
    if (text.size() > 0x7FFFFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    int size = static_cast<int>(text.size());
    if (dstLen == 0) return size;
    if (size > dstLen) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dst, text.data(), text.size() * sizeof(Unit));
    return size;
}

}  // namespace

void ZelSetAnsiCodePage(UINT codePage) {
    if (codePage == 0 || codePage == CP_UTF8) {
        g_ansiCodePage = CP_UTF8;
    } else if (codePage == 1252 || codePage == 28591) {
        g_ansiCodePage = codePage;
    }
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen) {
    UINT page = Resolve(codePage);
    if (page == 0 || src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && dst == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = srcLen == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLen);
    std::u16string out;
    if (page == CP_UTF8) {
        if (!Utf8ToUtf16(src, n, out) && (flags & MB_ERR_INVALID_CHARS)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        out.reserve(n);
        for (size_t i = 0; i < n; ++i) {
            auto b = static_cast<unsigned char>(src[i]);
            out.push_back(page == 1252 && b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
        }
    }
    return Deliver(out, dst, dstLen);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefault) {
    UINT page = Resolve(codePage);
    if (page == 0 || src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && dst == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = 0;
    if (srcLen == -1) {
        while (src[n]) ++n;
        ++n;
    } else {
        n = static_cast<size_t>(srcLen);
    }
    Encoded encoded = Encode(page, src, n, defaultChar);
    if (encoded.invalid && (flags & WC_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (usedDefault) *usedDefault = encoded.usedDefault ? TRUE : FALSE;
    return Deliver(encoded.bytes, dst, dstLen);
}

std::string ZelToUtf8(LPCWSTR text) {
    if (text == nullptr) return std::string();
    size_t n = 0;
    while (text[n]) ++n;
    return Encode(CP_UTF8, text, n, nullptr).bytes;
}

std::string ZelToUtf8(const std::u16string& text) { return Encode(CP_UTF8, text.data(), text.size(), nullptr).bytes; }

std::u16string ZelFromUtf8(const char* text) {
    std::u16string out;
    if (text) Utf8ToUtf16(text, std::strlen(text), out);
    return out;
}

std::u16string ZelFromUtf8(const std::string& text) {
    std::u16string out;
    Utf8ToUtf16(text.data(), text.size(), out);
    return out;
}

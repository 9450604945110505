// Parsing of Windows paths, and the name rules of the drive (case folding,
// wildcards). No host calls here except the current folder for relative paths.
#include <unistd.h>

#include <climits>

#include "paths.h"
#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }
bool IsLetter(WCHAR c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
WCHAR UpperLetter(WCHAR c) { return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 32) : c; }

void AppendComponents(const std::u16string& text, size_t from, std::vector<std::u16string>& parts) {
    std::u16string part;
    auto flush = [&]() {
        if (part.empty() || part == u".") {
        } else if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(part);
        }
        part.clear();
    };
    for (size_t i = from; i < text.size(); ++i) {
        if (IsSeparator(text[i])) {
            flush();
        } else {
            part += text[i];
        }
    }
    flush();
}

// The current folder of the process in Windows form.
std::u16string CurrentFolder() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return u"Z:\\";
    return ZelWindowsPath(buffer);
}

}  // namespace

std::u16string WindowsPath::Text() const {
    std::u16string text;
    if (volume) {
        text = u"\\\\.\\";
        text += drive;
        text += u':';
        return text;
    }
    text += drive;
    text += u":\\";
    for (size_t i = 0; i < components.size(); ++i) {
        if (i) text += u'\\';
        text += components[i];
    }
    return text;
}

bool ParseWindowsPath(LPCWSTR path, WindowsPath& out) {
    out = WindowsPath{};
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::u16string text(path);
    if (text.size() >= 6 && IsSeparator(text[0]) && IsSeparator(text[1]) && text[2] == u'.' &&
        IsSeparator(text[3]) && IsLetter(text[4]) && text[5] == u':' && text.size() == 6) {
        out.volume = true;
        out.drive = UpperLetter(text[4]);
        return true;
    }
    if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
        SetLastError(ERROR_BAD_PATHNAME);  // UNC and device paths are not served
        return false;
    }
    if (text.size() >= 2 && IsLetter(text[0]) && text[1] == u':') {
        out.drive = UpperLetter(text[0]);
        if (text.size() > 2 && !IsSeparator(text[2])) {
            // "E:name" is relative to the drive's current folder: its root here.
        }
        AppendComponents(text, 2, out.components);
        return true;
    }
    std::u16string base = CurrentFolder();
    out.drive = UpperLetter(base[0]);
    if (!IsSeparator(text[0])) AppendComponents(base, 2, out.components);
    AppendComponents(text, 0, out.components);
    return true;
}

std::u16string FoldCase(const std::u16string& text) {
    std::u16string folded(text);
    for (auto& c : folded) c = ZelToUpper(c);
    return folded;
}

bool SameNameNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && ZelToUpper(a[i]) != ZelToUpper(b[i])) return false;
    }
    return true;
}

namespace {

bool MatchFrom(const std::u16string& p, size_t pi, const std::u16string& n, size_t ni) {
    while (pi < p.size()) {
        WCHAR c = p[pi];
        if (c == u'*') {
            while (pi < p.size() && p[pi] == u'*') ++pi;
            if (pi == p.size()) return true;
            for (size_t k = ni; k <= n.size(); ++k) {
                if (MatchFrom(p, pi, n, k)) return true;
            }
            return false;
        }
        if (ni == n.size()) {
            // As on Windows, a trailing ".*" or "." also matches a name without extension.
            std::u16string rest = p.substr(pi);
            return rest == u".*" || rest == u".";
        }
        if (c != u'?' && ZelToUpper(c) != ZelToUpper(n[ni])) return false;
        ++pi;
        ++ni;
    }
    return ni == n.size();
}

}  // namespace

bool WildcardMatch(const std::u16string& pattern, const std::u16string& name) {
    if (pattern == u"*" || pattern == u"*.*") return true;
    return MatchFrom(pattern, 0, name, 0);
}

DWORD WithLinkBit(DWORD attributes) {
    if (attributes == FILE_ATTRIBUTE_NORMAL) attributes = 0;
    return attributes | FILE_ATTRIBUTE_REPARSE_POINT;
}

FILETIME FileTimeFromTimespec(const struct timespec& ts) {
    // 100-nanosecond intervals since 1601-01-01; 11644473600 s lie before 1970.
    LONGLONG ticks = (static_cast<LONGLONG>(ts.tv_sec) + 11644473600LL) * 10000000LL + ts.tv_nsec / 100;
    if (ticks < 0) ticks = 0;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xffffffffu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) >> 32);
    return ft;
}

}  // namespace zel

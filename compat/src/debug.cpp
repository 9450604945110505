// Debugger output and the Windows version the host pretends to run.
#include "zelcompat/debug.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "zelcompat/textfn.h"

namespace {

struct DebugSink {
    std::mutex lock;
    void (*sink)(LPCWSTR, void*) = nullptr;
    void* ctx = nullptr;
};

DebugSink& Sink() {
    static DebugSink* sink = new DebugSink;
    return *sink;
}

struct Version {
    DWORD major = 5, minor = 1, platform = VER_PLATFORM_WIN32_NT;
};
Version g_version;

}  // namespace

void ZelSetDebugSink(void (*sink)(LPCWSTR line, void* ctx), void* ctx) {
    DebugSink& s = Sink();
    std::lock_guard<std::mutex> guard(s.lock);
    s.sink = sink;
    s.ctx = ctx;
}

void OutputDebugStringW(LPCWSTR text) {
    if (!text) return;
    DebugSink& s = Sink();
    void (*sink)(LPCWSTR, void*) = nullptr;
    void* ctx = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        sink = s.sink;
        ctx = s.ctx;
    }
    if (sink) {
        sink(text, ctx);
        return;
    }
    if (std::getenv("ZEL_DEBUG")) {
        std::string line = ZelToUtf8(text);
        if (line.empty() || line.back() != '\n') line += '\n';
        std::fputs(line.c_str(), stderr);
    }
}

void ZelSetWindowsVersion(DWORD major, DWORD minor, DWORD platformId) {
    g_version.major = major;
    g_version.minor = minor;
    g_version.platform = platformId;
}

DWORD GetVersion() {
    // Low byte major, next byte minor; the high bit marks the 95/98/Me family.
    DWORD build = g_version.platform == VER_PLATFORM_WIN32_NT ? 2600u : 0u;
    DWORD value = (g_version.major & 0xff) | ((g_version.minor & 0xff) << 8) | (build << 16);
    if (g_version.platform != VER_PLATFORM_WIN32_NT) value |= 0x80000000u;
    return value;
}

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->dwMajorVersion = g_version.major;
    info->dwMinorVersion = g_version.minor;
    info->dwBuildNumber = g_version.platform == VER_PLATFORM_WIN32_NT ? 2600 : 2222;
    info->dwPlatformId = g_version.platform;
    info->szCSDVersion[0] = 0;
    return TRUE;
}

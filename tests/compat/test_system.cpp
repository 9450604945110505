// Modules, debugger output, versions and times.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tempdrive.h"
#include "zelcompat/debug.h"
#include "zelcompat/modules.h"
#include "zelcompat/wintime.h"

namespace {

std::string FindLibm() {
    for (const char* candidate : {"/lib/x86_64-linux-gnu/libm.so.6", "/usr/lib/x86_64-linux-gnu/libm.so.6",
                                  "/lib64/libm.so.6", "/usr/lib/libm.so.6", "/lib/aarch64-linux-gnu/libm.so.6"}) {
        if (std::filesystem::exists(candidate)) return candidate;
    }
    return {};
}

}  // namespace

TEST(SystemModules, DllNameLoadsTheSharedObjectBesideIt) {
    std::string libm = FindLibm();
    if (libm.empty()) GTEST_SKIP() << "no libm found";
    TempDrive drive;
    std::filesystem::copy_file(libm, drive.Host("libMathLib.so"));
    SetLastError(0xDEAD);
    HMODULE module = LoadLibraryW(drive.Win(u"MathLib.dll").c_str());
    ASSERT_NE(nullptr, module);
    auto cosine = reinterpret_cast<double (*)(double)>(reinterpret_cast<void (*)()>(GetProcAddress(module, "cos")));
    ASSERT_NE(nullptr, cosine);
    EXPECT_DOUBLE_EQ(1.0, cosine(0.0));
    SetLastError(0xDEAD);
    EXPECT_EQ(nullptr, GetProcAddress(module, "no_such_entry"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
    WCHAR name[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(drive.Win(u"libMathLib.so"), std::u16string(name, length));
    EXPECT_TRUE(FreeLibrary(module));

    SetLastError(0xDEAD);
    EXPECT_EQ(nullptr, LoadLibraryW(drive.Win(u"Missing.dll").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, LoadLibraryW(u"NoSuchModuleAnywhere.dll"));
}

TEST(SystemModules, ExecutablePathIsInWindowsFormAndCutsLikeWindows) {
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(u':', path[1]);
    EXPECT_NE(std::u16string::npos, std::u16string(path).find(u"test_compat"));
    WCHAR tiny[4];
    SetLastError(0xDEAD);
    EXPECT_EQ(4u, GetModuleFileNameW(nullptr, tiny, 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(0, tiny[3]);
}

TEST(SystemDebug, SinkReceivesEveryLineAndVersionFollowsTheHost) {
    std::vector<std::u16string> lines;
    ZelSetDebugSink([](LPCWSTR line, void* ctx) { static_cast<std::vector<std::u16string>*>(ctx)->push_back(line); },
                    &lines);
    OutputDebugStringW(u"[Device] one\n");
    OutputDebugStringW(u"[LDB] two");
    ZelSetDebugSink(nullptr, nullptr);
    OutputDebugStringW(u"not recorded");
    EXPECT_EQ((std::vector<std::u16string>{u"[Device] one\n", u"[LDB] two"}), lines);

    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(5u, info.dwMajorVersion);
    EXPECT_EQ(1u, info.dwMinorVersion);
    EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), info.dwPlatformId);
    ZelSetWindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS);
    DWORD version = GetVersion();
    EXPECT_EQ(4u, LOBYTE(LOWORD(version)));
    EXPECT_EQ(10u, HIBYTE(LOWORD(version)));
    EXPECT_TRUE(version & 0x80000000u);
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), info.dwPlatformId);
    ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT);
}

TEST(SystemTime, CalendarRoundTripsAndRejectsBadDates) {
    SYSTEMTIME st{2024, 2, 0, 29, 23, 59, 58, 123};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(2024, back.wYear);
    EXPECT_EQ(2, back.wMonth);
    EXPECT_EQ(29, back.wDay);
    EXPECT_EQ(4, back.wDayOfWeek);  // a Thursday
    EXPECT_EQ(23, back.wHour);
    EXPECT_EQ(59, back.wMinute);
    EXPECT_EQ(58, back.wSecond);
    EXPECT_EQ(123, back.wMilliseconds);
    FILETIME epoch{0, 0};
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &back));
    EXPECT_EQ(1601, back.wYear);
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    SetLastError(0xDEAD);
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    FILETIME local;
    ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &local));
    FILETIME again;
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &again));
    EXPECT_EQ(0, CompareFileTime(&ft, &again));
}

// Modules, debugger output, versions and times.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lasterror.h"
#include "tempdrive.h"
#include "zelcompat/modules.h"
#include "zelcompat/textfn.h"
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

TEST(SystemModules, DllNamesMapToSharedObjectsBesideThemOrOnTheModulePath) {
    // The executable's own path is in Windows form.
    WCHAR own[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, own, MAX_PATH), 3u);
    EXPECT_EQ(u':', own[1]);
    EXPECT_NE(std::u16string::npos, std::u16string(own).find(u"test_compat"));
    WCHAR tiny[4];
    SetLastError(0xDEAD);
    EXPECT_EQ(4u, GetModuleFileNameW(nullptr, tiny, 4));  // cut, terminated, and reported
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(0, tiny[3]);

    std::string libm = FindLibm();
    if (libm.empty()) GTEST_SKIP() << "no libm found";
    TempDrive drive;
    std::filesystem::copy_file(libm, drive.Host("libMathLib.so"));
    std::filesystem::copy_file(libm, drive.Host("Plain.so"));
    HMODULE module = LoadLibraryW(drive.Win(u"MathLib.dll").c_str());
    ASSERT_NE(nullptr, module);
    auto cosine = reinterpret_cast<double (*)(double)>(reinterpret_cast<void (*)()>(GetProcAddress(module, "cos")));
    ASSERT_NE(nullptr, cosine);
    EXPECT_DOUBLE_EQ(1.0, cosine(0.0));
    EXPECT_EQ(ERROR_PROC_NOT_FOUND,
              ErrorOf([&] { return GetProcAddress(module, "no_such_entry") != nullptr ? TRUE : FALSE; }));
    WCHAR name[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    EXPECT_EQ(drive.Win(u"libMathLib.so"), std::u16string(name, length));
    EXPECT_TRUE(FreeLibrary(module));
    module = LoadLibraryW(drive.Win(u"Plain.dll").c_str());  // X.so when there is no libX.so
    EXPECT_NE(nullptr, module);
    FreeLibrary(module);
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, ErrorOf([&] { return LoadLibraryW(drive.Win(u"Missing.dll").c_str()); }));
}

// With no installed folders beside a build's zelcompat, a bare module name and a
// data item are looked for beside the executable, then along ZEL_MODULE_PATH.
TEST(SystemModules, ModulesAndDataAreFoundBesideTheExecutableBeforeTheModulePath) {
    WCHAR own[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, own, MAX_PATH), 3u);
    const std::u16string ownPath(own);
    const std::string besideExe = ZelHostPath(ownPath.substr(0, ownPath.rfind(u'\\')).c_str());
    ASSERT_FALSE(besideExe.empty());

    TempDrive drive;
    drive.WriteFile("libTestRes.so", "a second copy");
    drive.WriteFile("libOnlyOnPath.so", "x");
    drive.WriteFile("FMT/XPL Player/Music/SX_Music.log", "template");
    const std::string onPath = drive.Folder();
    setenv("ZEL_MODULE_PATH", ("/nonexistent:" + onPath).c_str(), 1);
    struct Case {
        const char16_t* item;
        std::string module;  // what ZelFindModule answers
        std::string data;    // the host folder of what ZelDataFolder answers
    };
    const Case cases[] = {
        {u"TestRes.dll", besideExe + "/libTestRes.so", besideExe},
        {u"OnlyOnPath.dll", onPath + "/libOnlyOnPath.so", besideExe},
        {u"libOnlyOnPath.so", onPath + "/libOnlyOnPath.so", onPath},
        {u"fmt\\xpl player", "", onPath},  // data items match without regard to case
        {u"FMT\\Other Model", "", besideExe},
        {u"", "", besideExe},
        {u"E:\\libTestRes.so", "", besideExe},  // ZelFindModule takes bare names only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.module, ZelFindModule(c.item)) << ZelToUtf8(c.item);
        EXPECT_EQ(c.data, ZelHostPath(ZelDataFolder(c.item).c_str())) << ZelToUtf8(c.item);
    }
    unsetenv("ZEL_MODULE_PATH");
    EXPECT_EQ("", ZelFindModule(u"OnlyOnPath.dll"));
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
    EXPECT_EQ(std::make_tuple(5u, 1u, static_cast<DWORD>(VER_PLATFORM_WIN32_NT)),
              std::make_tuple(info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId));
    ZelSetWindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS);
    DWORD version = GetVersion();
    EXPECT_EQ(4u, LOBYTE(LOWORD(version)));
    EXPECT_EQ(10u, HIBYTE(LOWORD(version)));
    EXPECT_TRUE(version & 0x80000000u);
    ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT);
}

TEST(SystemTime, CalendarRoundTripsAndRejectsBadDates) {
    SYSTEMTIME st{2024, 2, 0, 29, 23, 59, 58, 123};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME b{};
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &b));
    std::vector<int> fields{b.wYear, b.wMonth, b.wDayOfWeek, b.wDay, b.wHour, b.wMinute, b.wSecond, b.wMilliseconds};
    EXPECT_EQ((std::vector<int>{2024, 2, 4, 29, 23, 59, 58, 123}), fields);  // the day of the week: a Thursday
    FILETIME epoch{0, 0};
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &b));
    EXPECT_EQ(1601, b.wYear);
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ErrorOf([&] { return SystemTimeToFileTime(&bad, &ft); }));
    FILETIME local, again;
    ASSERT_TRUE(FileTimeToLocalFileTime(&ft, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &again));
    EXPECT_EQ(0, CompareFileTime(&ft, &again));
}

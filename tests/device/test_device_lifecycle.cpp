// CreateDevice, the temporary folder, progress reports from outside components
// and the busy ticker of a format, driven through real windows as a host does.
#include <cstdlib>

#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "device_fixture.h"

namespace {

// The busy ticker is a thread of its own while it runs.
size_t ThreadCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

// Runs the thread's messages, and those other threads send to its windows,
// until done answers true (then true) or the time is up.
bool PumpUntil(int ms, const std::function<bool()>& done) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (done()) return true;
        if (Clock::now() >= end) return false;
        Sleep(5);
    }
}

struct LifecycleDevice : TestDevice {
    using CZEL_Device::m_bFormatBusy, CZEL_Device::m_bOldWindows, CZEL_Device::m_hDBLibrary, CZEL_Device::m_hHostWnd,
        CZEL_Device::m_nLastProgress, CZEL_Device::m_pPlaylist, CZEL_Device::m_strExtensions, CZEL_Device::m_szTempDir;
    using CZEL_Device::m_pfnAddMoodInfo, CZEL_Device::m_pfnDeleteAlbumImage, CZEL_Device::m_pfnDeleteTrack,
        CZEL_Device::m_pfnGetFileInfo, CZEL_Device::m_pfnResizeAlbumImage, CZEL_Device::m_pfnResizeAlbumImageForC7;

    // The device's own window, which outside components report to.
    bool MakeWindow() { return CreateEx(0, nullptr, u"dev", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr) != 0; }
    LRESULT Report(UINT message, DWORD event, DWORD done = 0, DWORD total = 0) {
        tagProgressReport report{event, done, total};
        return ::SendMessageW(GetSafeHwnd(), message, 0, reinterpret_cast<LPARAM>(&report));
    }
    void Progress(DWORD done, DWORD total) { Report(ZEL_WM_PROGRESS, ZEL_REPORT_PROGRESS, done, total); }
    DWORD Create(HWND host, tagDeviceInfo info = {}) { return CreateDevice(&info, host); }
};

// A device with its window, created for a host window.
struct Reporting {
    HostWindow host;  // outlives the device
    LifecycleDevice device;
    explicit Reporting(const std::function<void(LifecycleDevice&)>& configure = {}) {
        if (configure) configure(device);
        EXPECT_TRUE(device.MakeWindow());
        EXPECT_EQ(device.Create(host.Handle()), ZEL_SUCCESS);
    }
};

}  // namespace

TEST(DeviceProgress, PercentagesOfBatchesAndSingleFilesAndTimerTicks) {
    Reporting r;
    r.device.m_BatchTotal = 1000;
    EXPECT_EQ(r.device.Report(ZEL_WM_PROGRESS, ZEL_REPORT_START), 1);  // a batch announces its own start
    r.device.Progress(100, 400);
    r.device.Progress(50, 600);   // next file: 400 + 50 of 1000
    r.device.Progress(54, 600);   // still 45: not sent
    r.device.Progress(100, 600);  // same size counts as the same file
    EXPECT_EQ(r.device.Report(ZEL_WM_FORMAT, ZEL_REPORT_END), 1);
    EXPECT_EQ(r.host.messages, (std::vector<Event>{{4, 10}, {4, 45}, {4, 50}}));

    r.host.messages.clear();
    r.device.m_BatchTotal = 0;
    r.device.Report(ZEL_WM_PROGRESS, ZEL_REPORT_START);
    r.device.Progress(1, 3);
    r.device.Progress(2, 6);
    r.device.Progress(999, 1000);
    r.device.Progress(3000000000u, 4000000000u);  // unsigned sizes
    r.device.Report(ZEL_WM_PROGRESS, ZEL_REPORT_END);
    r.device.Report(ZEL_WM_PROGRESS, ZEL_REPORT_START);
    r.device.Progress(1, 3);  // counted afresh after a start
    EXPECT_EQ(::SendMessageW(r.device.GetSafeHwnd(), ZEL_WM_PROGRESS, 0, 0), 1);  // no report: nothing sent
    EXPECT_EQ(r.host.messages, (std::vector<Event>{{4, 0}, {4, 33}, {4, 99}, {4, 75}, {4, 100}, {4, 0}, {4, 33}}));

    // A timer sends the tick value and counts on, also one the host sets.
    r.host.messages.clear();
    r.device.m_nLastProgress = 7;
    ::SendMessageW(r.device.GetSafeHwnd(), WM_TIMER, 3, 0);
    ASSERT_NE(r.device.SetTimer(44, 10), 0u);
    EXPECT_TRUE(PumpUntil(2000, [&] { return r.host.messages.size() >= 2; }));
    r.device.KillTimer(44);
    ASSERT_GE(r.host.messages.size(), 2u);
    EXPECT_EQ(std::vector<Event>(r.host.messages.begin(), r.host.messages.begin() + 2),
              (std::vector<Event>{{9, 7}, {9, 8}}));
    EXPECT_EQ(r.device.m_nLastProgress, 7 + r.host.messages.size());
}

TEST(DeviceProgress, FormatRunsTheBusyTickerUntilItsEnd) {
    Reporting r;
    const size_t threads = ThreadCount();
    auto tickerGone = [&] { return ThreadCount() == threads; };
    Cleanup stop{[&] {
        r.device.Report(ZEL_WM_FORMAT, ZEL_REPORT_END);
        PumpUntil(3000, tickerGone);
    }};
    r.device.m_bFormatBusy = 1;
    const auto start = Clock::now();
    EXPECT_EQ(r.device.Report(ZEL_WM_FORMAT, ZEL_REPORT_START), 1);
    EXPECT_EQ(ThreadCount(), threads + 1);

    // The ticker sends from its own thread: only a pumping host sees it.
    // Timing is only bounded from below: a loaded machine may deliver ticks late, never early.
    PumpUntil(2500, [] { return false; });
    PumpUntil(5000, [&] { return r.host.Values(ZEL_EVENT_FORMAT_BUSY).size() >= 2; });
    const std::vector<LPARAM> ticks = r.host.Values(ZEL_EVENT_FORMAT_BUSY);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(std::vector<LPARAM>(ticks.begin(), ticks.begin() + 2), (std::vector<LPARAM>{0, 5}));
    const double first = std::chrono::duration<double>(r.host.times[1] - start).count();
    const double spacing = std::chrono::duration<double>(r.host.times[2] - r.host.times[1]).count();
    EXPECT_GE(first, 0.9);
    EXPECT_GE(spacing, 0.9);

    r.device.Report(ZEL_WM_PROGRESS, ZEL_REPORT_END);  // not the format's end
    EXPECT_EQ(ThreadCount(), threads + 1);
    EXPECT_EQ(r.device.Report(ZEL_WM_FORMAT, ZEL_REPORT_END), 1);
    EXPECT_EQ(r.device.m_bFormatBusy, 0u);
    EXPECT_TRUE(PumpUntil(3000, tickerGone));
    const size_t ticksAtEnd = r.host.Values(ZEL_EVENT_FORMAT_BUSY).size();
    PumpUntil(1300, [] { return false; });
    EXPECT_EQ(r.host.Values(ZEL_EVENT_FORMAT_BUSY).size(), ticksAtEnd);  // none after the end
    EXPECT_EQ(r.host.messages.front(), (Event{4, 0}));
    EXPECT_EQ(r.host.messages.back(), (Event{4, 100}));
}

TEST(DeviceTempDir, UsersMusicFolderOrMyMusicOnDriveC) {
    const std::string driveC = ZelDriveFolder(u'C');
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    Cleanup restore{[driveC, config = std::string(oldConfig ? oldConfig : "")] {
        ZelMapDrive(u'C', driveC.c_str());
        if (config.empty()) unsetenv("XDG_CONFIG_HOME");
        else setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }};
    TempDrive c(u'C'), drive;
    setenv("XDG_CONFIG_HOME", drive.Host("cfg").c_str(), 1);
    auto musicAt = [&](const std::string& folder) {
        drive.WriteFile("cfg/user-dirs.dirs", "XDG_MUSIC_DIR=\"" + drive.Host(folder) + "\"\n");
    };
    LifecycleDevice device;
    musicAt("Tunes");  // made when missing
    device.CreateTempDir();
    EXPECT_EQ(std::u16string(device.m_szTempDir), drive.Win(u"Tunes\\Nuvoqa\\$temp2"));
    EXPECT_TRUE(drive.Exists("Tunes/Nuvoqa/$temp2"));
    EXPECT_FALSE(c.Exists("My Music"));
    musicAt("cfg/user-dirs.dirs/Music");  // cannot be made: its parent is a file
    device.CreateTempDir();
    EXPECT_EQ(std::u16string(device.m_szTempDir), u"C:\\My Music\\Nuvoqa\\$temp2");
    EXPECT_TRUE(c.Exists("My Music/Nuvoqa/$temp2"));
}

TEST(DeviceCreate, LoadsTheDatabaseLibraryOnlyWhenThePlayerUsesOne) {
    TempDrive drive;
    LifecycleDevice missing;
    missing.m_Settings.Capabilities = ZEL_CAP_DATABASE | ZEL_CAP_PLAYLISTS;
    missing.m_Settings.PlayerType = 1;
    SetField(missing.m_Settings.DBLibraryPath, drive.Win(u"System\\Missing.dll"));
    tagDeviceInfo info{};
    info.FreeMB = 12;
    DebugLines debug;
    EXPECT_EQ(missing.Create(nullptr, info), ZEL_ERR_NO_DB_LIBRARY);
    EXPECT_TRUE(debug.Has(u"[Device] Can't load DB Library from device\n"));
    EXPECT_NE(missing.m_pPlaylist, nullptr);  // the earlier steps stay done
    EXPECT_EQ(missing.m_Settings.FreeMB, 12u);

    LifecycleDevice plp;  // PLP players have no database
    plp.m_Settings = missing.m_Settings;
    plp.m_Settings.PlayerType = 2;
    EXPECT_EQ(plp.Create(nullptr), ZEL_SUCCESS);
    EXPECT_EQ(plp.m_hDBLibrary, nullptr);

    // The reference library opens the drive's database and reports its saving
    // to the device's window, which passes percentages on to the host.
    Reporting r([&](LifecycleDevice& d) { UseDatabase(d.m_Settings, drive); });
    tagDB_File record{};
    std::u16string path = drive.Win(u"Music\\a.mp3");
    EXPECT_NE(r.device.AddFileToDB(path.data(), &record), 0);
    EXPECT_NE(r.device.m_pfnZELDB_DBSync(1), 0);
    ASSERT_GE(r.host.messages.size(), 2u);
    EXPECT_EQ(r.host.messages.front(), (Event{4, 0}));
    EXPECT_EQ(r.host.messages.back(), (Event{4, 100}));
}

TEST(DeviceCreate, CopiesTheDeviceInformationAndMakesThePlaylistObject) {
    HostWindow host;
    tagDeviceInfo info{};
    info.TotalMB = 2000;
    for (DWORD type : {1u, 2u, 3u}) {
        SCOPED_TRACE(type);
        LifecycleDevice device;
        device.m_strDriveRoot = u"E:\\";
        device.m_Settings.Capabilities = ZEL_CAP_PLAYLISTS;
        device.m_Settings.PlayerType = type;
        SetField(device.m_Settings.PlaylistFile, u"System\\Lists");
        SetField(device.m_Settings.Extensions, u"MP3.WMA");
        EXPECT_EQ(device.Create(host.Handle(), info), ZEL_SUCCESS);
        EXPECT_EQ(std::u16string(device.m_Settings.PlaylistFile), u"E:\\System\\Lists");
        EXPECT_EQ(dynamic_cast<CXPLPlaylistFile*>(device.m_pPlaylist) != nullptr, type == 1);
        EXPECT_EQ(dynamic_cast<CPLPPlaylistFile*>(device.m_pPlaylist) != nullptr, type == 2);
        EXPECT_EQ(device.m_pPlaylist ? device.m_pPlaylist->GetFolder() : u"-",
                  std::u16string(type == 3 ? u"-" : u"E:\\System\\Lists"));
        EXPECT_EQ(device.m_Settings.TotalMB, 2000u);
        EXPECT_EQ(device.m_bOldWindows, 0u);
        for (const void* routine : {(void*)device.m_pfnGetFileInfo, (void*)device.m_pfnDeleteTrack,
                                    (void*)device.m_pfnResizeAlbumImage, (void*)device.m_pfnDeleteAlbumImage,
                                    (void*)device.m_pfnResizeAlbumImageForC7, (void*)device.m_pfnAddMoodInfo})
            EXPECT_NE(routine, nullptr);
    }

    LifecycleDevice mtp;  // MTP paths carry no drive and the agent keeps the playlists
    mtp.m_Settings.Capabilities = ZEL_CAP_PLAYLISTS;
    mtp.m_Settings.IsMTP = 1;
    mtp.m_Settings.PlayerType = 1;
    SetField(mtp.m_Settings.PlaylistFile, u"Lists");
    EXPECT_EQ(mtp.Create(host.Handle()), ZEL_SUCCESS);
    EXPECT_EQ(std::u16string(mtp.m_Settings.PlaylistFile), u"Lists");
    EXPECT_EQ(mtp.m_pPlaylist, nullptr);

    ZelSetWindowsVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS);
    Cleanup restore{[] { ZelSetWindowsVersion(5, 1, VER_PLATFORM_WIN32_NT); }};
    LifecycleDevice old;
    EXPECT_EQ(old.Create(host.Handle()), ZEL_SUCCESS);
    EXPECT_EQ(old.m_bOldWindows, 1u);
}

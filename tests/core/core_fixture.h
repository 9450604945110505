// Shared pieces of the device core tests: a device object whose pure
// operations do nothing and whose inner state the tests can reach, a host
// window that records what it is sent, the debug lines the library writes,
// and a player drive with the reference database.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "ZELDevice/mtp/Agent.h"  // declarations only: compiled here to keep them honest
#include "idle_device.h"
#include "tempdrive.h"
#include "zelcompat/window.h"

using Names = std::vector<std::u16string>;

// An entry as a directory listing gives it.
inline CZEL_File Entry(const std::u16string& name, bool folder = false, const std::u16string& path = u"") {
    CZEL_File file;
    file.SetAttributes(folder ? 0x10 : 0x80, 0);
    file.SetName(name.c_str());
    file.SetPath(path.c_str());
    return file;
}

class TestDevice : public IdleDevice {
public:
    using CZEL_Device::m_CurrentFolderEntry, CZEL_Device::m_EnumList, CZEL_Device::m_hResource,
        CZEL_Device::m_itCurrent, CZEL_Device::m_nDeviceKind, CZEL_Device::m_PendingPaths,
        CZEL_Device::m_PendingRecords, CZEL_Device::m_strCurrentPathText, CZEL_Device::m_strDriveRoot,
        CZEL_Device::m_Tree;
    using CZEL_Device::m_pfnZELDB_Create, CZEL_Device::m_pfnZELDB_DBSync, CZEL_Device::m_pfnZELDB_GetRecord;

    // The name of the current folder, and those of its children in order.
    std::u16string Current() const { return m_itCurrent->Name.Str(); }
    Names Children() const {
        Names names;
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) names.push_back(it->Name.Str());
        return names;
    }
    // Everything FindFileFirst / FindFileNext return for the current folder.
    Names Listing() {
        Names names;
        for (CZEL_File* f = FindFileFirst(); f != nullptr; f = FindFileNext()) names.push_back(f->Name.Str());
        return names;
    }
    // One entry added by its path, as the enumerators add single files.
    void Add(const std::u16string& name, bool folder, const std::u16string& path, int check = 1) {
        CZEL_File entry = Entry(name, folder, path);
        Add2Tree(&entry, check);
    }
    // Lists (name, is folder) pairs and grafts them under the current folder.
    void List(std::initializer_list<std::pair<std::u16string, bool>> entries) {
        ClearInnerBuffer();
        for (const auto& [name, folder] : entries) m_EnumList.push_back(Entry(name, folder));
        MakeTree();
    }
};

template <size_t N>
void SetText(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), N - 1)), field);
}

struct DebugLines {
    std::vector<std::u16string> lines;
    DebugLines() {
        ZelSetDebugSink([](LPCWSTR line, void* ctx) { static_cast<DebugLines*>(ctx)->lines.emplace_back(line); },
                        this);
    }
    ~DebugLines() { ZelSetDebugSink(nullptr, nullptr); }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;
    bool Has(const std::u16string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

struct Cleanup {
    std::function<void()> run;
    ~Cleanup() { run(); }
};

using Clock = std::chrono::steady_clock;
using Event = std::pair<WPARAM, LPARAM>;

// A host window: records every progress message with the time it came. A
// database library sends the address of a report, which is copied as well.
struct HostWindow {
    HWND hwnd;
    std::vector<Event> events;
    std::vector<Clock::time_point> times;
    std::vector<tagProgressReport> reports;
    explicit HostWindow(bool holdsReports = false) : holdsReports_(holdsReports) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (message != ZEL_WM_PROGRESS || self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
            self->events.emplace_back(wParam, lParam);
            self->times.push_back(Clock::now());
            if (self->holdsReports_) self->reports.push_back(*reinterpret_cast<const tagProgressReport*>(lParam));
            return 0;
        };
        windowClass.lpszClassName = u"ZelTestHost";
        RegisterClassW(&windowClass);  // an earlier test may have registered it
        hwnd = CreateWindowExW(0, u"ZelTestHost", u"host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~HostWindow() { DestroyWindow(hwnd); }
    // The values of the busy ticks (event 9) among the events.
    std::vector<LPARAM> Ticks() const {
        std::vector<LPARAM> values;
        for (const Event& event : events)
            if (event.first == 9) values.push_back(event.second);
        return values;
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

private:
    bool holdsReports_;
};

// A file record as a transfer fills it before the database sees it.
inline tagDB_File Record(DWORD mediaType, const std::u16string& folder, const std::u16string& name) {
    tagDB_File record{};
    record.MediaType = mediaType;
    SetText(record.Folder, folder);
    SetText(record.FileName, name);
    return record;
}

// Puts the reference database library on a drive as E:\System\ZELPlayerDB.dll
// (the module loader finds libZELPlayerDB.so beside that name).
inline std::u16string InstallPlayerDB(const TempDrive& drive) {
    std::filesystem::create_directories(drive.Host("System"));
    std::filesystem::copy_file(ZEL_PLAYERDB_LIBRARY, drive.Host("System/libZELPlayerDB.so"),
                               std::filesystem::copy_options::skip_existing);
    return drive.Win(u"System\\ZELPlayerDB.dll");
}

// Settings of a player that uses the database library installed on drive.
inline void UseDatabase(tagDeviceSettings& settings, const TempDrive& drive) {
    settings.Capabilities = ZEL_CAP_DATABASE;
    settings.PlayerType = 1;
    settings.DriveLetter = drive.Letter();
    SetText(settings.DBLibraryPath, InstallPlayerDB(drive));
}

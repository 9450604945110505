// The host side of the mass-storage tests: a temporary drive E:, a window that
// records every progress message the library sends, and a device object whose
// inner state the tests can reach.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ZELDevice/ZELDevice.h"
#include "tempdrive.h"

// A UMS device with its protected state opened up for tests.
class TestUMS : public CZEL_DeviceForUMS {
public:
    using CZEL_Device::m_bCancel;
    using CZEL_Device::m_bOldWindows;
    using CZEL_Device::m_CurrentFolderEntry;
    using CZEL_Device::m_EnumList;
    using CZEL_Device::m_hDBLibrary;
    using CZEL_Device::m_itCurrent;
    using CZEL_Device::m_pfnResizeAlbumImage;
    using CZEL_Device::m_pTransferBuffer;
    using CZEL_Device::m_strCurrentTransFile;
    using CZEL_Device::m_strDriveRoot;
    using CZEL_Device::m_szTempDir;
    using CZEL_Device::m_Tree;
    using CZEL_DeviceForUMS::DeleteFolderDev;
    using CZEL_DeviceForUMS::EnumCurrentPath_MSC;
    using CZEL_DeviceForUMS::GetFileInfo;
    using CZEL_DeviceForUMS::m_strDestFolder;
    using CZEL_DeviceForUMS::MoveRootSubFolder;
    using CZEL_DeviceForUMS::TransferFileThroughMSC;

    // The copy engine's one-file and batch copies (the public TransferFile takes a record).
    DWORD CopyOne(LPCWSTR source, LPCWSTR destination) { return CZEL_DeviceForUMS::TransferFile(source, destination); }
    DWORD CopyBatch(CStringArray& sources, CStringArray& destinations) {
        return CZEL_DeviceForUMS::TransferFile(sources, destinations);
    }

    // Names of the current folder's children in the tree, in order.
    std::vector<std::u16string> Children() const {
        std::vector<std::u16string> names;
        for (auto it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) names.push_back(it->Name.Str());
        return names;
    }
    // Everything FindFileFirst / FindFileNext return for the current folder.
    std::vector<std::u16string> Listing() {
        std::vector<std::u16string> names;
        for (CZEL_File* f = FindFileFirst(); f != nullptr; f = FindFileNext()) names.push_back(f->Name.Str());
        return names;
    }
    std::u16string CurrentName() const { return m_itCurrent->Name.Str(); }
};

// A message-only window that records (wParam, lParam) of every 0x40A message.
// An optional hook runs inside the window procedure (to cancel mid-copy, ...).
class HostWindow {
public:
    HostWindow() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = &HostWindow::Procedure;
            windowClass.lpszClassName = u"ZelTestHost";
            RegisterClassW(&windowClass);
            registered = true;
        }
        m_hwnd = CreateWindowExW(0, u"ZelTestHost", u"host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~HostWindow() { DestroyWindow(m_hwnd); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    std::vector<std::pair<WPARAM, LPARAM>> messages;
    std::function<void(WPARAM, LPARAM)> onMessage;

    // The event codes received, in order.
    std::vector<WPARAM> Events() const {
        std::vector<WPARAM> events;
        for (const auto& message : messages) events.push_back(message.first);
        return events;
    }
    // The values of one event code, in order.
    std::vector<LPARAM> Values(WPARAM event) const {
        std::vector<LPARAM> values;
        for (const auto& message : messages)
            if (message.first == event) values.push_back(message.second);
        return values;
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && message == ZEL_WM_PROGRESS) {
            self->messages.emplace_back(wParam, lParam);
            if (self->onMessage) self->onMessage(wParam, lParam);
            return 1;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    HWND m_hwnd = nullptr;
};

template <size_t N>
void SetField(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), N - 1)), field);
}

// Settings of a plain music player on drive E: with Music, Video, Photo and
// Text folders and no database; tests change what they need before CreateDevice.
inline void FillPlainSettings(tagDeviceSettings& settings, char16_t letter = u'E') {
    settings = tagDeviceSettings{};
    settings.DriveLetter = letter;
    settings.PlayerType = 1;
    SetField(settings.ModelName, u"TestPlayer");
    SetField(settings.Folders[0], u"Music");
    SetField(settings.Folders[1], u"Video");
    SetField(settings.Folders[2], u"Photo");
    SetField(settings.Folders[3], u"Text");
    SetField(settings.Extensions, u"MP3.WMA.OGG.JPG.TXT.AVI.WMV.ASF");
}

// The device information of a drive-letter player.
inline tagDeviceInfo DriveInfo(char16_t letter = u'E', WORD productId = 0x5000) {
    tagDeviceInfo info{};
    info.Kind = 0;
    info.DriveLetter = letter;
    info.ProductID = productId;
    info.TotalMB = 1;
    info.FreeMB = 1;
    return info;
}

// Puts the reference database library on the drive as E:\System\ZELPlayerDB.dll
// (the module loader finds libZELPlayerDB.so beside that name) and names it in the settings.
inline void InstallPlayerDatabase(const TempDrive& drive, tagDeviceSettings& settings) {
    std::filesystem::create_directories(drive.Host("System"));
    std::filesystem::copy_file(ZEL_PLAYERDB_LIBRARY, drive.Host("System/libZELPlayerDB.so"),
                               std::filesystem::copy_options::overwrite_existing);
    SetField(settings.DBLibraryPath, drive.Win(u"System\\ZELPlayerDB.dll"));
    settings.Capabilities |= ZEL_CAP_DATABASE;
}

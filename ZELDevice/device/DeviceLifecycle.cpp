// The base CreateDevice, the temporary folder and the small host operations
// of the device object.
#include "ZELDevice/device/CZEL_Device.h"
#include "internal/CoreText.h"
#include "internal/ProcessState.h"
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/shellfolders.h"
#include "zelcompat/window.h"

namespace {

// The playlist format a player keeps, by its PlayerType; null for any other type.
CPlaylistFile* NewPlaylistObject(DWORD playerType) {
    if (playerType == 1) return new CXPLPlaylistFile();
    if (playerType == 2) return new CPLPPlaylistFile();
    return nullptr;
}

}  // namespace

DWORD CZEL_Device::CreateDevice(tagDeviceInfo* info, HWND hostWindow) {
    m_hHostWnd = hostWindow;
    zelcore::SetHostWindow(hostWindow);
    if (info != nullptr) m_nDeviceKind = info->Kind;

    m_pfnGetFileInfo = Agent_GetGetFileInfo();
    m_pfnDeleteTrack = Agent_GetDeleteTrack();
    m_pfnResizeAlbumImage = Agent_ResizeAlbumImage();
    m_pfnDeleteAlbumImage = Agent_DeleteAlbumImage();
    m_pfnResizeAlbumImageForC7 = Agent_ResizeAlbumImageForC7();
    m_pfnAddMoodInfo = Agent_AddMoodInfoForDevice();

    if ((m_Settings.Capabilities & ZEL_CAP_PLAYLISTS) && m_Settings.IsMTP == 0) {
        CString absolute = GetCurrentPath() + zelcore::FixedText(m_Settings.PlaylistFile);
        lstrcpynW(m_Settings.PlaylistFile, absolute, ZEL_FOLDER_UNITS);
        // CreateDevice runs once per object; a second call must not leak the first object.
        if (m_pPlaylist != nullptr) CPlaylistFile::Destroy(m_pPlaylist);
        m_pPlaylist = NewPlaylistObject(m_Settings.PlayerType);
        if (m_pPlaylist != nullptr) m_pPlaylist->SetFolder(m_Settings.PlaylistFile);
    }

    if (info != nullptr) {
        m_Settings.FreeMB = info->FreeMB;
        m_Settings.TotalMB = info->TotalMB;
    }

    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) m_bOldWindows = 1;

    m_strExtensions = zelcore::FixedText(m_Settings.Extensions);

    if ((m_Settings.Capabilities & ZEL_CAP_DATABASE) && m_Settings.PlayerType != 2) {
        if (!DB_LoadDBLibrary()) {
            OutputDebugStringW(u"[Device] Can't load DB Library from device\n");
            return ZEL_ERR_NO_DB_LIBRARY;
        }
        m_pfnZELDB_Create(m_Settings.DriveLetter, GetSafeHwnd(), 0);
    }
    return ZEL_SUCCESS;
}

void CZEL_Device::CreateTempDir() {
    WCHAR folder[MAX_PATH] = {};
    CString path;
    if (SHGetSpecialFolderPathW(GetSafeHwnd(), folder, CSIDL_MYMUSIC, TRUE)) {
        path = folder;
    } else {
        path = u"C:\\My Music";
        CreateDirectoryW(path, nullptr);
    }
    path += u"\\Nuvoqa";
    CreateDirectoryW(path, nullptr);
    path += u"\\$temp2";
    CreateDirectoryW(path, nullptr);
    lstrcpynW(m_szTempDir, path, MAX_PATH);
}

BOOL CZEL_Device::CancelTransfer() {
    m_bCancel = 1;
    return 1;
}

BOOL CZEL_Device::IsRunWMP() {
    return FindWindowW(u"WMPAppHost", nullptr) != nullptr || FindWindowW(u"WMPlayerApp", nullptr) != nullptr;
}

void CZEL_Device::MoodPlayState(bool state) { m_nMoodPlayState = state ? 1 : 0; }

IWMDMStorage* CZEL_Device::GetStorageFromAgent(IStream*** first, IStream*** second) {
    return Agent_GetRootStorage(first, second);
}

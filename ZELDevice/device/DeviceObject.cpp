// Construction and destruction of the device object.
#include <cstring>

#include "ZELDevice/device/CZEL_Device.h"
#include "ZELDevice/playlist/CPlaylistFile.h"
#include "zelcompat/debug.h"

CZEL_Device::CZEL_Device()
    : m_hHostWnd(nullptr),
      m_hResource(nullptr),
      m_pTransferBuffer(nullptr),
      m_pfnGetFileInfo(nullptr),
      m_pfnDeleteTrack(nullptr),
      m_pfnResizeAlbumImage(nullptr),
      m_pfnDeleteAlbumImage(nullptr),
      m_pfnResizeAlbumImageForC7(nullptr),
      m_pfnAddMoodInfo(nullptr),
      m_bCancel(0),
      m_nEnumCursor(0),
      m_szWork(),
      m_pPlaylist(nullptr),
      m_bFormatBusy(0),
      m_nSpecialFolderState(0),
      m_bOldWindows(0),
      m_nLastProgress(0),
      m_szTempDir(),
      m_nMoodPlayState(0),
      m_nReserved(0),
      m_BatchTotal(0),
      m_BatchDone(0),
      m_PrevFileTotal(0),
      m_hDBLibrary(nullptr),
      m_pfnZELDB_Create(nullptr),
      m_pfnZELDB_AddRecord(nullptr),
      m_pfnZELDB_DeleteRecord(nullptr),
      m_pfnZELDB_GetRecord(nullptr),
      m_pfnZELDB_DBSync(nullptr),
      m_Settings(),
      m_nDeviceKind(0),
      m_nPlaylistIndex(0),
      m_bListRestart(false) {
    // The host's resource library is its own and lies beside its executable; a
    // host without one there gets the installed strings (found by name: the
    // installed module folder, then along ZEL_MODULE_PATH).
    WCHAR exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    CString folder(exe);
    folder = folder.Left(folder.ReverseFind(u'\\') + 1);
    m_hResource = LoadLibraryW(folder + u"ResourceDll.dll");
    if (m_hResource == nullptr) m_hResource = LoadLibraryW(u"ResourceDll.dll");
    if (m_hResource == nullptr) OutputDebugStringW(u"[DEBUG] Fail to load resource.dll\n");
}

CZEL_Device::~CZEL_Device() {
    if (m_hResource != nullptr) FreeLibrary(m_hResource);
    m_hResource = nullptr;
    m_PendingPaths.RemoveAll();
    m_EnumList.clear();
    if (m_pPlaylist != nullptr) CPlaylistFile::Destroy(m_pPlaylist);
    m_pPlaylist = nullptr;
    DB_ReleaseDBLibrary();
    ClearTree();
}

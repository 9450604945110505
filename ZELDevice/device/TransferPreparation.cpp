// The copies a transfer sends instead of the caller's audio file: the album
// art scaled to the player's size, and the lyrics converted for the player.
// Both are made in the temporary folder and deleted by the transfer.
#include "ZELDevice/device/CZEL_Device.h"
#include "zelcompat/files.h"

namespace {

// A copy that would be written onto the file it is made from.
bool SamePath(const CString& a, const CString& b) { return a.CompareNoCase(b) == 0; }

}  // namespace

CString CZEL_Device::MakeAlbumArtCopy(const CString& source, const CString& fileName) {
    if (m_szTempDir[0] == 0) CreateTempDir();
    CString folder;
    folder.Format(u"%s\\$temp3", m_szTempDir);
    CreateDirectoryW(folder, nullptr);
    CString copy;
    copy.Format(u"%s\\%s", folder, fileName);
    if (SamePath(copy, source) || m_pfnResizeAlbumImage == nullptr) return CString();
    const int width = static_cast<int>(m_Settings.AlbumArtWidth);
    const int height = static_cast<int>(m_Settings.AlbumArtHeight);
    if (m_pfnResizeAlbumImage(source, copy, width, height)) return copy;
    DeleteFileW(copy);  // whatever a failed resizer may have left
    return CString();
}

DWORD CZEL_Device::MakeLyricsCopy(const CString& source, DWORD mediaType, const CString& fileName, CString& copy) {
    if (m_szTempDir[0] == 0) CreateTempDir();
    m_LyricsConverter.SetWorkFolder(m_szTempDir);
    WCHAR converted[MAX_PATH] = {};
    lstrcpynW(converted, fileName, MAX_PATH);
    const DWORD answer = m_LyricsConverter.ConvertFile(&m_Settings, source, mediaType, converted, MAX_PATH);
    if (answer & ZEL_SUCCESS) copy = converted;
    return answer;
}

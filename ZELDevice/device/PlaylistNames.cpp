// Playlist names, the existence tests that also queue transferred files for the
// later playlist update, broadcast files, and emptying a PC folder.
#include "ZELDevice/device/CZEL_Device.h"
#include "internal/CoreText.h"
#include "ZELDevice/abi/Agent.h"
#include "zelcompat/cfile.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/window.h"

namespace {

bool EndsWithNoCase(const CString& text, LPCWSTR tail) {
    CString ending(tail);
    if (text.GetLength() < ending.GetLength()) return false;
    return text.Right(ending.GetLength()).CompareNoCase(ending) == 0;
}

// Which resource string names a mood class (class 1 is 9005, class 2 is 9004).
UINT MoodStringId(int moodClass) {
    switch (moodClass) {
    case 1: return 9005;
    case 2: return 9004;
    case 3: return 9006;
    case 4: return 9007;
    default: return 0;
    }
}

}  // namespace

LPCWSTR CZEL_Device::GetFirstPlaylistName() {
    m_PlaylistNames.RemoveAll();
    m_nPlaylistIndex = 0;
    CString folder = zelcore::FixedText(m_Settings.PlaylistFile);
    CFileFind finder;
    BOOL more = finder.FindFile(folder + u"\\*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDirectory()) continue;
        CString path = finder.GetFilePath();
        if (EndsWithNoCase(path, u"xpl")) m_PlaylistNames.Add(path);
    }
    if (m_PlaylistNames.GetSize() == 0) return nullptr;
    return m_PlaylistNames[0];
}

LPCWSTR CZEL_Device::GetNextPlaylistName() {
    if (m_nPlaylistIndex < m_PlaylistNames.GetSize()) ++m_nPlaylistIndex;
    if (m_nPlaylistIndex >= m_PlaylistNames.GetSize()) return nullptr;
    return m_PlaylistNames[m_nPlaylistIndex];
}

CString CZEL_Device::GetMoodPlaylistName(int moodClass) {
    CString name(u"MoodPlaylist");
    if (m_hResource == nullptr) return name;
    UINT id = MoodStringId(moodClass);
    if (id != 0) {
        WCHAR text[260] = {};
        LoadStringW(m_hResource, id, text, 260);
        name = text;
    }
    return CString(u"@") + name;
}

BOOL CZEL_Device::IsExistFile(LPWSTR fileName, LPWSTR playlistName, LPWSTR myAuroValue, UINT moodClass) {
    if (playlistName != nullptr || moodClass != 0) {
        // The four lists stay parallel, one element per recorded file: a file
        // without a playlist name, a value or a mood class records an empty
        // text or 0, so that a later file's name or class never pairs with an
        // earlier file's path.
        CString path = m_Settings.IsMTP ? CString(fileName) : GetCurrentPath() + fileName;
        m_TransferPaths.Add(path);
        CString value;
        if (myAuroValue != nullptr) value.Format(u"%s", myAuroValue);
        m_TransferMyAuroValues.Add(value);
        m_TransferPlaylistNames.Add(playlistName != nullptr ? CString(playlistName) : CString());
        m_TransferMoodClasses.Add(moodClass);
    }
    if (!m_Tree.empty() && HasCurrentFolder()) {
        for (sibling_iterator child = FileTree::begin(m_itCurrent); child != FileTree::end(m_itCurrent); ++child) {
            m_itList = child;
            if (child->Name.CompareNoCase(fileName) == 0) return 1;
        }
    }
    CString line;
    line.Format(u"- %s is not exist in Device\n", fileName);
    OutputDebugStringW(line);
    return 0;
}

BOOL CZEL_Device::IsExistCastFile(LPWSTR channelFolder, LPWSTR prefix, LPWSTR fileName, int keepName) {
    CString name(fileName);
    if (keepName == 0 && !EndsWithNoCase(name, u"txt")) name.Format(u"%s_%s", prefix, fileName);
    CString broadcast = zelcore::FixedText(m_Settings.Folders[6]);
    CString path;
    if (m_Settings.IsMTP) {
        path.Format(u"%s\\%s\\%s", broadcast.GetString(), channelFolder, name.GetString());
        CString extensions = zelcore::FixedText(m_Settings.Extensions);
        if (path.Right(3) == u"mp3" && extensions.Find(u"TTS", 1) > 0) path = path.Left(path.GetLength() - 3) + u"tts";
        return Agent_WMDMFindFileFromPath(path.GetString(), nullptr) != 0 ? 1 : 0;
    }
    path.Format(u"%s%s\\%s\\%s", m_strDriveRoot.GetString(), broadcast.GetString(), channelFolder, name.GetString());
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 1;
    }
    if (!EndsWithNoCase(path, u"kvi") && path.GetLength() >= 3) path = path.Left(path.GetLength() - 3) + u"kvi";
    return FindDataCastMovie(path.GetBuffer());
}

BOOL CZEL_Device::FindDataCastMovie(LPWSTR path) {
    CString full(path);
    int slash = full.ReverseFind(u'\\');
    CString base = full.Mid(slash + 1);
    int dot = base.ReverseFind(u'.');
    if (dot >= 0) base = base.Left(dot);
    CFileFind finder;
    BOOL more = finder.FindFile(full.Left(slash + 1) + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.GetFileName() == u"." || finder.IsHidden() || finder.IsDirectory()) continue;
        CString name = finder.GetFileName();
        if (EndsWithNoCase(name, u"kvi") && zelcore::StartsWithNoCase(name, base)) return 1;
    }
    return 0;
}

void CZEL_Device::DeleteDownFiles(LPWSTR folder) {
    CString root(folder);
    CFileFind finder;
    BOOL more = finder.FindFile(root + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        CString path = root + finder.GetFileName();
        if (finder.IsDirectory() && finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT)) {
            RemoveDirectoryW(path);  // a link is removed, never emptied
        } else if (finder.IsDirectory()) {
            CString inner = path + u"\\";
            DeleteDownFiles(inner.GetBuffer());
            RemoveDirectoryW(path);
        } else {
            DeleteFileW(path);
        }
    }
}

// Playlists of a mass-storage player: reading one into the device, storing the
// edited list back, creating and renaming playlists, and bringing the playlist
// files in line with the files on the player after a transfer or a deletion.
// The files themselves are written by the device's playlist object.
#include <vector>

#include "internal/CoreText.h"
#include "ZELDevice/playlist/CPlaylistFile.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"

namespace {

constexpr int kMoodClasses = 4;

bool ContainsNoCase(const std::vector<CString>& list, const CString& path) {
    for (const CString& item : list)
        if (item.CompareNoCase(path) == 0) return true;
    return false;
}

// node lies in the subtree below ancestor (not ancestor itself).
template <class Node>
bool IsBelow(const Node* node, const Node* ancestor) {
    for (const Node* n = node ? node->parent : nullptr; n != nullptr; n = n->parent)
        if (n == ancestor) return true;
    return false;
}

// One named playlist that transferred files join, in the order of the transfer lists.
struct PlaylistGroup {
    CString name;
    std::vector<CString> paths;
    CString myAuroValue;  // the first value given for it
};

}  // namespace

bool CZEL_DeviceForUMS::HasPlaylistObject() const {
    return m_pPlaylist != nullptr && (m_Settings.Capabilities & ZEL_CAP_PLAYLISTS) && m_Settings.IsMTP == 0;
}

CString CZEL_DeviceForUMS::PlaylistFolder() const { return zelcore::FixedText(m_Settings.PlaylistFile); }

CString CZEL_DeviceForUMS::PlaylistFileName(const CString& name) const {
    return name + (m_Settings.PlayerType == 2 ? u".plp" : u".xpl");
}

void CZEL_DeviceForUMS::ReadPlaylist(LPWSTR name) {
    if (!HasPlaylistObject() || name == nullptr) return;
    m_strCurrentPlaylist = name;
    m_pPlaylist->LoadPlaylist(PlaylistFolder() + u"\\" + m_strCurrentPlaylist, m_PlaylistItemNames,
                              m_PlaylistItemEntries, m_strMyAuroValue);
}

void CZEL_DeviceForUMS::StorePlaylist(CStringArray& items) {
    if (!HasPlaylistObject()) return;
    const int stop = m_strCurrentPlaylist.ReverseFind(u'.');
    // Without a playlist read first there is no name: nothing is written
    // (a file named only by its extension would be no playlist of the host's).
    if (stop <= 0) return;
    const CString name = m_strCurrentPlaylist.Left(stop);
    const int nonEmpty = items.GetSize() > 0 ? 1 : 0;
    if (m_Settings.Capabilities & ZEL_CAP_MYAURO) {
        m_pPlaylist->SavePlaylistEx(name, items, m_strMyAuroValue, nonEmpty);
    } else {
        m_pPlaylist->SavePlaylist(name, items, nonEmpty);
    }
}

BOOL CZEL_DeviceForUMS::NewPlayList(CString name) {
    if (!HasPlaylistObject()) return 0;
    return m_pPlaylist->CreatePlaylist(name, (m_Settings.Capabilities & ZEL_CAP_MYAURO) ? 2 : 1);
}

BOOL CZEL_DeviceForUMS::CheckXPL(LPWSTR name) {
    if (!HasPlaylistObject() || name == nullptr) return 0;
    return m_pPlaylist->TestPlaylistFile(name);
}

BOOL CZEL_DeviceForUMS::ChangePLName(CString oldName, CString newName) {
    if (!HasPlaylistObject()) return 0;
    const CString folder = PlaylistFolder();
    CString ending = newName.Right(4);
    ending.MakeLower();
    if (newName.GetLength() < 4 || ending != u".xpl") newName += u".xpl";
    CString newPath;
    newPath.Format(u"%s\\%s", folder, newName);
    return m_pPlaylist->RenamePlaylist(folder + u"\\" + oldName, newPath);
}

void CZEL_DeviceForUMS::UpdatePlaylist(int mode, IWMDMStorage*, IWMDMDevice*, LPWSTR) {
    if (!HasPlaylistObject()) return;
    if (mode == 0) {
        // After deletions: every playlist loses the entries whose files are gone.
        m_pPlaylist->PurgePlaylistFolder(PlaylistFolder());
    } else {
        MergeIntoMoodPlaylists();
        StoreNamedPlaylists();
    }
    RefreshPlaylistFolderView();
}

void CZEL_DeviceForUMS::MergeIntoMoodPlaylists() {
    CStringArray byClass[kMoodClasses];
    const INT_PTR classes = m_TransferMoodClasses.GetSize();
    for (INT_PTR i = 0; i < m_TransferPaths.GetSize(); ++i) {
        const UINT mood = i < classes ? m_TransferMoodClasses[i] : 0;
        if (mood >= 1 && mood <= kMoodClasses) byClass[mood - 1].Add(m_TransferPaths[i]);
    }
    for (int mood = 1; mood <= kMoodClasses; ++mood) {
        if (byClass[mood - 1].GetSize() > 0) m_pPlaylist->AddItemsToPlaylist(GetMoodPlaylistName(mood), byClass[mood - 1]);
    }
}

void CZEL_DeviceForUMS::StoreNamedPlaylists() {
    // The files of one playlist are gathered even when other playlists came
    // between them, and names that differ only in letter case name one file:
    // a later run of a name must not overwrite what an earlier run wrote.
    std::vector<PlaylistGroup> groups;
    const INT_PTR names = m_TransferPlaylistNames.GetSize();
    const INT_PTR values = m_TransferMyAuroValues.GetSize();
    for (INT_PTR i = 0; i < m_TransferPaths.GetSize(); ++i) {
        const CString name = i < names ? m_TransferPlaylistNames[i] : CString();
        if (name.IsEmpty()) continue;  // a file that joins no named playlist
        PlaylistGroup* group = nullptr;
        for (PlaylistGroup& known : groups)
            if (known.name.CompareNoCase(name) == 0) group = &known;
        if (group == nullptr) {
            groups.push_back(PlaylistGroup{name, {}, CString()});
            group = &groups.back();
        }
        if (!ContainsNoCase(group->paths, m_TransferPaths[i])) group->paths.push_back(m_TransferPaths[i]);
        const CString value = i < values ? m_TransferMyAuroValues[i] : CString();
        if (group->myAuroValue.IsEmpty()) group->myAuroValue = value;
    }

    // An existing playlist keeps its entries; the transferred files follow them.
    CStringArray groupNames, groupPaths, groupValues;
    for (const PlaylistGroup& group : groups) {
        std::vector<CString> entries;
        CString existingValue;
        if (!ReadExistingPlaylist(group.name, entries, existingValue)) {
            OutputDebugStringW(CString(u"[DEBUG] Not a playlist, left as it is: ") + PlaylistFileName(group.name) +
                               u"\n");
            continue;
        }
        for (const CString& path : group.paths)
            if (!ContainsNoCase(entries, path)) entries.push_back(path);
        const CString value = group.myAuroValue.IsEmpty() ? existingValue : group.myAuroValue;
        for (const CString& path : entries) {
            groupNames.Add(group.name);
            groupPaths.Add(path);
            groupValues.Add(value);
        }
    }
    if (groupPaths.GetSize() == 0) return;
    if (m_Settings.Capabilities & ZEL_CAP_MYAURO) {
        m_pPlaylist->StoreGroupedPlaylistsEx(groupNames, groupPaths, groupValues);
    } else {
        m_pPlaylist->StoreGroupedPlaylists(groupNames, groupPaths);
    }
}

bool CZEL_DeviceForUMS::ReadExistingPlaylist(const CString& name, std::vector<CString>& paths, CString& value) {
    const CString path = PlaylistFolder() + u"\\" + PlaylistFileName(name);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return true;  // a new playlist
    const int version = m_pPlaylist->OpenForRead(path);
    m_pPlaylist->CloseFile();
    if (version == 0) return false;

    CStringArray names, entries;
    m_pPlaylist->LoadPlaylist(path, names, entries, value);
    // An XPL file delivers its entry lines in the second list, a PLP file in the first.
    const CStringArray& lines = m_Settings.PlayerType == 2 ? names : entries;
    WCHAR full[ZEL_PLAYLIST_LINE];
    for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
        if (m_pPlaylist->ParseItem(lines[i], full) == 1) paths.emplace_back(full);
    }
    return true;
}

void CZEL_DeviceForUMS::RefreshPlaylistFolderView() {
    const CString folder = PlaylistFolder().Mid(m_strDriveRoot.GetLength());
    const CString shown = GetCurrentPath().Mid(m_strDriveRoot.GetLength());
    // The host that shows the playlist folder keeps its view.
    if (shown.Left(folder.GetLength()) == folder &&
        (shown.GetLength() == folder.GetLength() || shown[folder.GetLength()] == u'\\'))
        return;

    if (!m_Tree.empty()) {
        pre_order_iterator node = m_Tree.begin();
        bool found = true;
        int start = 0;
        while (found && start < folder.GetLength()) {
            int cut = folder.Find(u'\\', start);
            if (cut < 0) cut = folder.GetLength();
            const CString level = folder.Mid(start, cut - start);
            start = cut + 1;
            if (level.IsEmpty()) continue;
            sibling_iterator child = m_Tree.find_child_if(node, CZEL_File::FoldName(level),
                                                          [](const CZEL_File& file) { return file.IsFolder(); });
            found = child.node != nullptr;
            if (found) node = child;
        }
        // Listed afresh when it is shown next.
        if (found && node != m_Tree.begin()) {
            // Neither the current folder nor the listing may stay on a node that goes.
            if (IsBelow(m_itCurrent.node, node.node)) m_itCurrent = node;
            if (IsBelow(m_itList.node, node.node)) m_itList = sibling_iterator();
            m_Tree.erase_children(node);
        }
    }
    NotifyHost(ZEL_EVENT_PLAYLISTS, 0);
}

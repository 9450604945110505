// Playlists of an MTP player: playlist objects in its playlist folder, which
// the agent writes after a transfer (the named playlists and the four mood
// playlists of the files sent), with the playlist folder's node of the tree
// brought up to date. The agent adds new items after those a playlist holds,
// so a playlist never loses the entries it had.
//
// The file-based playlist operations of a mass-storage player have no work on
// an MTP player; ReadPlaylistItems reads a playlist object for hosts instead.
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/CoreText.h"
#include "zelcompat/debug.h"

namespace {

constexpr int kMoodClasses = 4;
// Players that write named playlists although they keep myAuro playlists.
constexpr WORD kNamedPlaylistProduct1 = 0x5115;
constexpr WORD kNamedPlaylistProduct2 = 0x511D;

template <class... Args>
void Trace(LPCWSTR format, const Args&... args) {
    CString line;
    line.Format(format, args...);
    OutputDebugStringW(line);
}

// node lies in the subtree below ancestor (not ancestor itself).
template <class Iterator>
bool IsBelow(const Iterator& node, const Iterator& ancestor) {
    for (auto* n = node.node != nullptr ? node.node->parent : nullptr; n != nullptr; n = n->parent)
        if (n == ancestor.node) return true;
    return false;
}

// Some file joins a named playlist: the names list holds an empty text for
// each file that joins none (it stays parallel to the paths).
bool AnyNamed(const CStringArray& names) {
    for (INT_PTR k = 0; k < names.GetSize(); ++k)
        if (!names[k].IsEmpty()) return true;
    return false;
}

}  // namespace

CString CZEL_DeviceForMTP::PlaylistFolderName() const {
    CString folder = zelcore::FixedText(m_Settings.PlaylistFile);
    folder.Trim(u'\\');
    return folder;
}

void CZEL_DeviceForMTP::UpdatePlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device, LPWSTR name) {
    m_CurrentFolderEntry.Reset();
    if (m_Tree.empty()) return;  // the player was never listed: there is no view to keep in step
    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();
    pre_order_iterator remembered = m_itCurrent;
    m_itCurrent = m_Tree.begin();
    // -1: no playlist folder; 0: there, not listed yet; 1: there and listed. Found, it is current.
    const CString folder = PlaylistFolderName();
    int listed = folder.IsEmpty() ? -1 : HaveChild(folder);

    bool named = false;
    if (mode == 0) {
        m_CurrentFolderEntry = *remembered;
        Agent_MTPUpdatePlaylist(m_TransferPlaylistNames, m_TransferPaths, 0, &m_CurrentFolderEntry);
        named = true;
    } else {
        Agent_SetIWMDMDevice(device);
        const WORD product = m_Settings.ProductID;
        named = (!(m_Settings.Capabilities & ZEL_CAP_MYAURO) || product == kNamedPlaylistProduct1 ||
                 product == kNamedPlaylistProduct2) &&
                AnyNamed(m_TransferPlaylistNames) && m_TransferPaths.GetSize() > 0;
        if (named && !WriteGivenPlaylistGroup(storage, CString(name))) {
            // No group was the given playlist: every named playlist is written.
            Agent_SetFolderStorage(storage, Agent_GetCurrentPath(), 1);
            m_CurrentFolderEntry = *remembered;
            Agent_MTPUpdatePlaylist(m_TransferPlaylistNames, m_TransferPaths, mode, &m_CurrentFolderEntry);
        }
    }

    // Named playlists may have made the playlist folder or changed what it holds.
    bool dropped = false;
    pre_order_iterator playlists = m_Tree.end();
    if (named) {
        if (listed < 0) listed = FindPlaylistFolderAgain(remembered);
        if (listed == 1) {
            playlists = m_itCurrent;
            dropped = ForgetPlaylistFolder(playlists, remembered, listed);
        }
    }
    if (mode != 0 && m_TransferMoodClasses.GetSize() > 0) {
        WriteMoodPlaylists(storage, remembered, listed);
        // The files went into their playlists. The four lists go together, so
        // that they stay parallel for the files the host records next.
        m_TransferPaths.RemoveAll();
        m_TransferPlaylistNames.RemoveAll();
        m_TransferMyAuroValues.RemoveAll();
        m_TransferMoodClasses.RemoveAll();
    }

    if (dropped && playlists == remembered) {
        // The host shows the playlist folder: it is entered again and listed afresh.
        MoveSpecialFolder(6);
        CString entered = folder;
        MoveFolder(entered.GetBuffer());
        return;
    }
    m_itCurrent = remembered;
}

bool CZEL_DeviceForMTP::WriteGivenPlaylistGroup(IWMDMStorage* storage, const CString& given) {
    const INT_PTR count = m_TransferPlaylistNames.GetSize() < m_TransferPaths.GetSize() ? m_TransferPlaylistNames.GetSize()
                                                                                         : m_TransferPaths.GetSize();
    const CString playlistFolder = zelcore::FixedText(m_Settings.PlaylistFile);
    CStringArray work;
    for (INT_PTR i = 0; i < count; ++i) {
        const CString group = m_TransferPlaylistNames[i];
        Trace(u"- MTP Playlist : Current Item [%s : %s]\n", group, m_TransferPaths[i]);
        work.Add(m_TransferPaths[i]);
        // Consecutive entries of one name form a group.
        if (i + 1 < count && m_TransferPlaylistNames[i + 1] == group) continue;
        if (!given.IsEmpty() && group == given) {
            m_CurrentFolderEntry.Reset();
            Trace(u"- MTP Playlist : Try to make %s \n", group);
            Agent_SetFolderStorage(storage, playlistFolder, 0);
            Agent_WMDMFindFileFromPath(GetCurrentPath(), storage);
            if (Agent_MTPUpdateMoodPlaylist(group, work, &m_CurrentFolderEntry) == ZEL_SUCCESS) {
                m_CurrentFolderEntry.Path.Format(u"\\%s\\", playlistFolder);
                Trace(u"- MTP Playlist : Success to make %s \n", group);
                return true;
            }
        }
        work.RemoveAll();
    }
    return false;
}

void CZEL_DeviceForMTP::WriteMoodPlaylists(IWMDMStorage* storage, pre_order_iterator& remembered, int& listed) {
    CStringArray byClass[kMoodClasses];
    const INT_PTR classes = m_TransferMoodClasses.GetSize();
    for (INT_PTR i = 0; i < m_TransferPaths.GetSize() && i < classes; ++i) {
        const UINT mood = m_TransferMoodClasses[i];
        if (mood >= 1 && mood <= kMoodClasses) byClass[mood - 1].Add(m_TransferPaths[i]);
    }
    const CString playlistFolder = zelcore::FixedText(m_Settings.PlaylistFile);
    for (int mood = 1; mood <= kMoodClasses; ++mood) {
        if (byClass[mood - 1].GetSize() == 0) continue;
        m_CurrentFolderEntry.Reset();
        Agent_SetFolderStorage(storage, playlistFolder, 0);
        Agent_SetFolderStorage(storage, Agent_GetCurrentPath(), 1);
        if (Agent_MTPUpdateMoodPlaylist(GetMoodPlaylistName(mood), byClass[mood - 1], &m_CurrentFolderEntry) !=
            ZEL_SUCCESS)
            continue;  // a playlist that could not be written leaves the tree as it was
        const bool named = !m_CurrentFolderEntry.Name.IsEmpty();
        if (listed < 0 && named) listed = FindPlaylistFolderAgain(remembered);
        m_CurrentFolderEntry.Path.Format(u"\\%s\\", playlistFolder);
        if (named && listed == 1) Add2Tree(&m_CurrentFolderEntry, 1);
    }
}

int CZEL_DeviceForMTP::FindPlaylistFolderAgain(pre_order_iterator& remembered) {
    m_itCurrent = m_Tree.begin();
    UpdatePLFolder(remembered);
    m_itCurrent = m_Tree.begin();
    return HaveChild(PlaylistFolderName());
}

bool CZEL_DeviceForMTP::ForgetPlaylistFolder(const pre_order_iterator& playlists, const pre_order_iterator& remembered,
                                             int& listed) {
    // A folder the host shows inside the playlist folder keeps its place in the tree.
    if (IsBelow(remembered, playlists)) return false;
    m_itCurrent = playlists;
    DeleteFromInnerBuffer(nullptr);
    listed = 0;
    return true;
}

BOOL CZEL_DeviceForMTP::UpdatePLFolder(pre_order_iterator& folder) {
    Agent_WMDMMoveSpecialFolder(u"", &m_CurrentFolderEntry, nullptr);
    Agent_WMDMEnumerate(&m_EnumList, zelcore::FixedText(m_Settings.Extensions));
    BOOL found = 0;
    if (!m_EnumList.empty()) {
        // The root's listing begins with the root's own entry.
        if (m_Tree.empty()) m_itCurrent = m_Tree.insert(m_Tree.end(), m_EnumList[0]);
        const pre_order_iterator root = m_Tree.begin();
        const CString name = PlaylistFolderName();
        for (size_t k = 1; k < m_EnumList.size() && !found; ++k) {
            const CZEL_File& entry = m_EnumList[k];
            if (!entry.IsFolder() || entry.Name.CompareNoCase(name) != 0) continue;
            if (m_Tree.find_child(root, CZEL_File::FoldName(entry.Name)).node == nullptr)
                m_Tree.append_child(root, entry);
            found = 1;
        }
    }
    ClearInnerBuffer();  // the root's listing was read here, not by MakeTree
    // The agent returns to the folder it was in, found or not.
    if (m_Tree.is_valid(folder)) {
        CZEL_File record = *folder;
        DWORD storage = record.FolderStorage;
        Agent_WMDMMoveSpecialFolder(record.Path, &record, &storage);
    }
    return found;
}

BOOL CZEL_DeviceForMTP::ReadPlaylistItems(LPCWSTR name, CStringArray& paths) {
    paths.RemoveAll();
    if (name == nullptr || *name == 0) return 0;
    return Agent_MTPReadPlaylist(zelcore::FixedText(m_Settings.PlaylistFile), name, paths) ? 1 : 0;
}

// The playlist files of a mass-storage player have no counterpart on an MTP
// player: there is nothing to read, store, make, check or rename here.
void CZEL_DeviceForMTP::UpdateMoodPlaylist(int, IWMDMStorage*, IWMDMDevice*) {}

void CZEL_DeviceForMTP::ReadPlaylist(LPWSTR) {}

void CZEL_DeviceForMTP::StorePlaylist(CStringArray&) {}

BOOL CZEL_DeviceForMTP::NewPlayList(CString) { return 1; }

BOOL CZEL_DeviceForMTP::CheckXPL(LPWSTR) { return 0; }

BOOL CZEL_DeviceForMTP::ChangePLName(CString, CString) { return 0; }

// The player's well-known folders opened directly (music, photos, video,
// texts, broadcast, playlists, the "My Pack" folders), made on the drive when
// missing, and the refresh of the device's view that opens again the special
// folder that was open.
#include "internal/CoreText.h"
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"

namespace {

enum class Creation { LevelByLevel, OneStep, EnterOnly };

// Where a special folder lies and what opening it changes.
struct SpecialFolder {
    DWORD capability;  // 0: every player has it
    int entry;         // entry of Folders; kPlaylistFolder or kPackFolder for the others
    Creation creation;
    bool setsState;    // the special-folder state becomes 1
    bool setsSlot;     // the folder's entry gets Slot 1 (the listing filter)
    bool inPack;       // entered from "My Pack" (after id 11)
};

constexpr int kPlaylistFolder = -1;
constexpr int kPackFolder = -2;
constexpr int kRootId = 6;
constexpr int kPackId = 11;
const WCHAR kPack[] = u"My Pack";

// The special folders by id, 1 to 11; id 6 (the drive root) has a branch of its own.
const SpecialFolder* Describe(int id) {
    static const SpecialFolder kFolders[] = {
        {ZEL_CAP_MUSIC_SPECIAL, 0, Creation::LevelByLevel, true, true, false},
        {ZEL_CAP_IMAGE, 2, Creation::LevelByLevel, true, true, false},
        {ZEL_CAP_VIDEO, 1, Creation::LevelByLevel, true, true, false},
        {ZEL_CAP_TEXT, 3, Creation::OneStep, false, false, false},
        {ZEL_CAP_TS3, 4, Creation::OneStep, false, false, false},
        {0, 0, Creation::OneStep, false, false, false},  // id 6, the drive root
        {ZEL_CAP_BROADCAST, 6, Creation::OneStep, true, false, false},
        {ZEL_CAP_PLAYLISTS, kPlaylistFolder, Creation::OneStep, true, true, false},
        {ZEL_CAP_MYAURO, 7, Creation::EnterOnly, true, false, true},
        {ZEL_CAP_MYAURO, 8, Creation::OneStep, true, false, true},
        {0, kPackFolder, Creation::OneStep, true, false, false},
    };
    if (id < 1 || id > static_cast<int>(sizeof(kFolders) / sizeof(kFolders[0]))) return nullptr;
    return &kFolders[id - 1];
}

CString WithoutFinalBackslash(const CString& path) {
    if (!path.IsEmpty() && path[path.GetLength() - 1] == u'\\') return path.Left(path.GetLength() - 1);
    return path;
}

CString LastComponent(const CString& path) { return path.Mid(path.ReverseFind(u'\\') + 1); }

// The first level of a relative path.
CString FirstComponent(const CString& path) {
    int cut = path.Find(u'\\');
    return cut >= 0 ? path.Left(cut) : path;
}

// path names folder itself or lies below it (compared without regard to case).
bool AtOrBelow(const CString& path, const CString& folder) {
    if (!zelcore::StartsWithNoCase(path, folder)) return false;
    return path.GetLength() == folder.GetLength() || path[folder.GetLength()] == u'\\';
}

}  // namespace

void CZEL_DeviceForUMS::MoveToDriveRoot() {
    m_itCurrent = m_Tree.begin();
    MoveCurrentPath(u"");
    if (IsAgentMirrored()) Agent_WMDMMoveSpecialFolder(u"", &m_CurrentFolderEntry, nullptr);
}

void CZEL_DeviceForUMS::FollowCurrentPathInTree() {
    CString path = GetCurrentPath();  // ends with "\": the folder itself becomes current
    SetCurrentIterator(path.GetBuffer());
}

int CZEL_DeviceForUMS::EnterTreePath(const CString& relative) {
    int entered = -1;
    const int length = relative.GetLength();
    int start = 0;
    while (start < length) {
        int cut = relative.Find(u'\\', start);
        if (cut < 0) cut = length;
        const CString level = relative.Mid(start, cut - start);
        start = cut + 1;
        if (level.IsEmpty()) continue;
        if (entered == 0) ListEnteredFolder();  // a level on the way that was never listed
        MoveCurrentPath(level);
        entered = HaveChild(level);
        if (entered < 0) {
            // The view of a folder that is missing on the drive is simply empty.
            if (start < length) MoveCurrentPath(relative.Mid(start));
            FollowCurrentPathInTree();
            return -1;
        }
    }
    return entered;
}

bool CZEL_DeviceForUMS::MakeFolderInOneStep(const CString& relative, const CString& full) {
    if (IsAgentMirrored()) return Agent_WMDMMakeFolder(relative, &m_CurrentFolderEntry, nullptr, 0) != 0;
    return CreateDirectoryW(full, nullptr) != 0;
}

bool CZEL_DeviceForUMS::MakeFolderLevels(CString& folder) {
    for (int cut = folder.Find(u'\\'); cut >= 0; cut = folder.Find(u'\\')) {
        const CString level = folder.Left(cut);
        folder = folder.Mid(cut + 1);
        if (level.IsEmpty()) continue;
        MoveCurrentPath(level);
        if (IsAgentMirrored()) {
            if (Agent_WMDMMakeFolder(level, &m_CurrentFolderEntry, nullptr, 0)) Add2Tree(&m_CurrentFolderEntry, 1);
        } else {
            const CString here = WithoutFinalBackslash(GetCurrentPath());
            if (CreateDirectoryW(here, nullptr)) {
                CZEL_File made(&m_Settings);
                made.SetAttributes(ZEL_ATTR_FOLDER, 0);
                made.SetPath(here);
                made.SetName(level);
                Add2Tree(&made, 1);
            }
        }
        const int entered = HaveChild(level);
        if (entered < 0) {
            FollowCurrentPathInTree();
        } else if (entered == 0) {
            if (IsAgentMirrored()) Agent_WMDMMoveFolder(level, &m_itCurrent->FolderStorage, nullptr);
            ListEnteredFolder();
        }
    }
    return MakeFolderInOneStep(folder, GetCurrentPath() + folder);
}

BOOL CZEL_DeviceForUMS::MoveSpecialFolder(int id) {
    m_nSpecialFolderState = 0;
    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();

    const SpecialFolder* kind = Describe(id);
    if (kind != nullptr && kind->capability != 0 && !(m_Settings.Capabilities & kind->capability)) return 0;

    // S: the folder below the root (below "My Pack" for ids 9 and 10); T: its full path.
    CString folder;
    if (kind != nullptr && id != kRootId) {
        if (kind->entry == kPackFolder) {
            folder = kPack;
        } else if (kind->entry == kPlaylistFolder) {
            // The playlist folder is a full path; what lies below the drive root is opened.
            folder = zelcore::FixedText(m_Settings.PlaylistFile).Mid(m_strDriveRoot.GetLength());
        } else {
            folder = zelcore::FixedText(m_Settings.Folders[kind->entry]);
        }
        // A special folder the host configured no folder for is not opened.
        if (folder.IsEmpty()) return 0;
    }
    CString target = m_strDriveRoot;
    if (kind != nullptr && kind->inPack) target += CString(kPack) + u"\\";
    target += folder;

    if ((id == 2 || id == 3) && HasCurrentFolder() && m_itCurrent->Slot != 0 && AtOrBelow(m_itCurrent->Path, target))
        return 0;  // already there

    if (kind != nullptr && kind->inPack) {
        MoveSpecialFolder(kPackId);
    } else {
        MoveToDriveRoot();
    }
    if (kind == nullptr) return 1;  // an unknown id opens the drive root

    if (id == kRootId) {
        for (pre_order_iterator it = m_Tree.begin(); it != m_Tree.end(); ++it) it->Slot = 0;
        if (m_Settings.Capabilities & ZEL_CAP_NDA_FOLDER) Agent_NDAMoveFolder(u"\\", m_Settings.CardStorage);
        return GetCurrentPath().IsEmpty() ? 0 : 1;
    }

    bool created = false;
    if (kind->creation == Creation::LevelByLevel) {
        created = MakeFolderLevels(folder);
    } else if (kind->creation == Creation::OneStep) {
        created = MakeFolderInOneStep(folder, target);
    }

    if (created) {
        CZEL_File made(&m_Settings);
        made.SetAttributes(ZEL_ATTR_FOLDER, 0);
        made.SetPath(GetCurrentPath() + folder);
        made.SetName(LastComponent(folder));
        Add2Tree(&made, 1);
    }
    const int entered = EnterTreePath(folder);
    if (IsAgentMirrored()) {
        DWORD storage = 0;
        if (kind->creation == Creation::EnterOnly) Agent_WMDMMoveFolder(folder, &m_itCurrent->FolderStorage, nullptr);
        Agent_WMDMMoveSpecialFolder(GetCurrentPath(), &m_CurrentFolderEntry, &storage);
    }
    if (m_Settings.Capabilities & ZEL_CAP_NDA_FOLDER) {
        OutputDebugStringW(CString(u"[Nuvoqa]: ") + target);
        Agent_NDAMoveFolder(target.Mid(2) + u"\\", m_Settings.CardStorage);
    }
    if (entered == 0) ListEnteredFolder();
    if (kind->setsSlot && HasCurrentFolder()) m_itCurrent->Slot = 1;
    if (kind->setsState) m_nSpecialFolderState = 1;
    return 1;
}

void CZEL_DeviceForUMS::RefreshDeviceInfo(int reload) {
    m_TransferPaths.RemoveAll();
    m_TransferPlaylistNames.RemoveAll();
    m_TransferMyAuroValues.RemoveAll();
    m_TransferMoodClasses.RemoveAll();
    m_PendingPaths.RemoveAll();
    m_PendingRecords.clear();
    m_PlaylistNames.RemoveAll();
    m_nPlaylistIndex = 0;
    MeasureDrive();
    if (reload == 0) return;

    // The first level of the folder that is open now.
    const CString openLevel = FirstComponent(GetCurrentPath().Mid(m_strDriveRoot.GetLength()));

    ClearTree();
    MoveCurrentPath(u"");
    if (m_Settings.Capabilities & ZEL_CAP_NDA_FOLDER) Agent_NDAMoveFolder(u"\\", m_Settings.CardStorage);
    if (IsAgentMirrored()) {
        Agent_WMDMMoveSpecialFolder(u"", &m_CurrentFolderEntry, nullptr);
        ClearInnerBuffer();
        Agent_WMDMEnumerate(&m_EnumList, zelcore::FixedText(m_Settings.Extensions));
        MakeTree();
    } else {
        EnumCurrentPath_MSC();
    }
    if (m_nSpecialFolderState == 0 || openLevel.IsEmpty()) return;

    // The special folder that was open is opened again.
    const CString playlists = zelcore::FixedText(m_Settings.PlaylistFile).Mid(m_strDriveRoot.GetLength());
    const struct {
        CString folder;
        int id;
    } kReopen[] = {
        {zelcore::FixedText(m_Settings.Folders[0]), 1}, {zelcore::FixedText(m_Settings.Folders[2]), 2},
        {zelcore::FixedText(m_Settings.Folders[1]), 3}, {zelcore::FixedText(m_Settings.Folders[6]), 7},
        {playlists, 8},
    };
    for (const auto& candidate : kReopen) {
        if (!candidate.folder.IsEmpty() && FirstComponent(candidate.folder) == openLevel) {
            MoveSpecialFolder(candidate.id);
            return;
        }
    }
}

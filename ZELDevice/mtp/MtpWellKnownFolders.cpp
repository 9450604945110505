// The special folders of an MTP player (music, photos, video, texts, TS3,
// broadcast and the root), opened directly and made when missing, and the
// refresh of the device's view, which opens again the special folder that
// was open. The agent's current folder, the tree's and the current path
// always name the same folder afterwards.
#include <vector>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/CoreText.h"

namespace {

constexpr int kRootKind = 6;

// What opening a special folder kind needs and changes.
struct SpecialKind {
    DWORD capability;  // 0: every player
    int entry;         // the Folders entry; -1 for the root
    bool setsSlot;     // the folder's record gets Slot 1 (the listing filter)
    bool setsState;    // the special-folder state becomes 1
};

const SpecialKind* KindOf(int kind) {
    static const SpecialKind kKinds[] = {
        {ZEL_CAP_MUSIC_SPECIAL, 0, true, true}, {ZEL_CAP_IMAGE, 2, true, true},  {ZEL_CAP_VIDEO, 1, true, true},
        {ZEL_CAP_TEXT, 3, false, false},        {ZEL_CAP_TS3, 4, false, false},  {0, -1, false, false},
        {ZEL_CAP_BROADCAST, 6, false, true},
    };
    if (kind < 1 || kind > static_cast<int>(sizeof(kKinds) / sizeof(kKinds[0]))) return nullptr;
    return &kKinds[kind - 1];
}

// A configured folder as a path below the root, without "\" at either end.
CString BelowRoot(const CString& folder) {
    CString text = folder;
    text.Trim(u'\\');
    return text;
}

std::vector<CString> Levels(const CString& path) {
    std::vector<CString> levels;
    int start = 0;
    while (start <= path.GetLength()) {
        int cut = path.Find(u'\\', start);
        if (cut < 0) cut = path.GetLength();
        if (cut > start) levels.push_back(path.Mid(start, cut - start));
        start = cut + 1;
    }
    return levels;
}

}  // namespace

BOOL CZEL_DeviceForMTP::MoveSpecialFolder(int kind) {
    m_nSpecialFolderState = 0;
    const SpecialKind* special = KindOf(kind);
    if (special == nullptr || (special->capability != 0 && !(m_Settings.Capabilities & special->capability))) return 0;
    if (kind == kRootKind) {
        MoveToRoot();
        return 1;
    }
    const CString folder = BelowRoot(zelcore::FixedText(m_Settings.Folders[special->entry]));
    // A special folder the host configured no folder for is not opened.
    if (folder.IsEmpty()) return 0;
    if (special->setsState) m_nSpecialFolderState = 1;

    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();
    MoveCurrentPath(u"");
    MoveCurrentPath(folder);
    Agent_WMDMMoveSpecialFolder(u"", nullptr, nullptr);
    if (m_Tree.empty()) ListCurrentFolder();  // the set-up's listing failed: the root is listed now
    // An existing folder is no error; a folder that cannot be made is not reported.
    CZEL_File made;
    if (Agent_WMDMMakeFolder(folder, &made, nullptr, 0)) AddMadeFolder(made);

    m_itCurrent = m_Tree.begin();
    const int entered = EnterTreeFolder(folder);
    if (entered < 0) {
        // Neither there nor made: the host stays at the root, where the agent is.
        MoveCurrentPath(u"");
        m_itCurrent = m_Tree.begin();
        return 1;
    }
    DWORD storage = m_itCurrent->FolderStorage;
    Agent_WMDMMoveSpecialFolder(folder, &m_CurrentFolderEntry, &storage);
    if (entered == 0) ListCurrentFolder();
    if (special->setsSlot) m_itCurrent->Slot = 1;
    return 1;
}

void CZEL_DeviceForMTP::MoveToRoot() {
    Agent_WMDMMoveSpecialFolder(u"", &m_CurrentFolderEntry, nullptr);
    m_itCurrent = m_Tree.begin();
    MoveCurrentPath(u"");
    for (pre_order_iterator it = m_Tree.begin(); it != m_Tree.end(); ++it)
        if (it->Slot != 0) it->Slot = 0;
}

int CZEL_DeviceForMTP::EnterTreeFolder(const CString& folder) {
    const std::vector<CString> levels = Levels(folder);
    int entered = -1;
    for (size_t k = 0; k < levels.size(); ++k) {
        entered = HaveChild(levels[k]);
        if (entered < 0) return -1;
        if (entered == 0 && k + 1 < levels.size()) {
            // A level on the way that was never listed: the agent lists it from inside.
            DWORD storage = m_itCurrent->FolderStorage;
            CZEL_File scratch;
            Agent_WMDMMoveSpecialFolder(m_itCurrent->Path, &scratch, &storage);
            ListCurrentFolder();
        }
    }
    return entered;
}

void CZEL_DeviceForMTP::AddMadeFolder(CZEL_File& made) {
    if (m_Tree.empty()) return;
    // The agent reports the path of the folder that holds the new one.
    pre_order_iterator holder = m_Tree.begin();
    for (const CString& level : Levels(made.Path)) {
        sibling_iterator child = m_Tree.find_child_if(holder, CZEL_File::FoldName(level),
                                                      [](const CZEL_File& file) { return file.IsFolder(); });
        if (child.node == nullptr) return;
        holder = child;
    }
    const bool listed = holder == m_Tree.begin() || holder.number_of_children() > 0;
    if (!listed || m_Tree.find_child(holder, CZEL_File::FoldName(made.Name)).node != nullptr) return;
    made.SetPath(made.Path + u"\\" + made.Name);
    m_Tree.append_child(holder, made);
}

void CZEL_DeviceForMTP::RefreshDeviceInfo(int full) {
    MeasurePlayer();
    if (full != 0) {
        const CString remembered = GetCurrentPath() + u"\\";
        ClearTree();
        ClearInnerBuffer();
        MoveCurrentPath(u"");
        Agent_WMDMMoveSpecialFolder(u"", &m_CurrentFolderEntry, nullptr);
        ListCurrentFolder();
        if (m_nSpecialFolderState != 0) ReopenSpecialFolder(remembered);
    }
    m_PendingPaths.RemoveAll();
    m_PendingRecords.clear();
    m_TransferPaths.RemoveAll();
    m_TransferPlaylistNames.RemoveAll();
    m_TransferMyAuroValues.RemoveAll();
    m_TransferMoodClasses.RemoveAll();
    MeasurePlayer();
}

void CZEL_DeviceForMTP::ReopenSpecialFolder(const CString& remembered) {
    // The current path is compared whole level by level: "Music Videos" is not
    // inside "Music", and a path written with a leading "\" matches as well.
    CString path = remembered;
    path.TrimLeft(u'\\');
    const struct {
        int entry;
        int kind;
    } kReopen[] = {{0, 1}, {2, 2}, {1, 3}, {6, 7}};
    for (const auto& candidate : kReopen) {
        const CString folder = BelowRoot(zelcore::FixedText(m_Settings.Folders[candidate.entry]));
        if (!folder.IsEmpty() && path.Find(folder + u"\\") == 0) {
            MoveSpecialFolder(candidate.kind);
            return;
        }
    }
}

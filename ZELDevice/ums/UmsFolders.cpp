// Moving through the folders of a mass-storage player, and making and deleting
// files and folders on its drive. The drive, the device tree and, on players
// the agent serves, the agent's own current folder are kept in step.
#include "internal/CoreText.h"
#include "internal/MessagePump.h"
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/cfile.h"
#include "zelcompat/files.h"

namespace {

// The entry is a symbolic link: it is removed as a link, never gone through.
bool IsLink(const CString& path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

CString WithoutFinalBackslash(const CString& path) {
    if (!path.IsEmpty() && path[path.GetLength() - 1] == u'\\') return path.Left(path.GetLength() - 1);
    return path;
}

}  // namespace

void CZEL_DeviceForUMS::ListEnteredFolder() {
    if (IsAgentMirrored()) {
        ClearInnerBuffer();
        Agent_WMDMEnumerate(&m_EnumList, zelcore::FixedText(m_Settings.Extensions));
        MakeTree();
    } else {
        EnumCurrentPath_MSC();
    }
}

BOOL CZEL_DeviceForUMS::MoveFolder(LPWSTR name) {
    CString folder(name);
    const CString left = GetCurrentPath();
    MoveCurrentPath(folder);
    Agent_NDAMoveFolder(GetCurrentPath().Mid(2), m_Settings.CardStorage);

    if (folder == u"..") {
        const pre_order_iterator leftNode = m_itCurrent;
        HaveChild(folder);
        if (IsAgentMirrored() && HasCurrentFolder()) Agent_WMDMMoveFolder(folder, &m_itCurrent->FolderStorage, nullptr);
        ForgetMissingFolder(leftNode, left);
        return 1;
    }
    int entered = HaveChild(folder);
    if (entered < 0) {
        // A folder that does not exist becomes the current folder all the same:
        // its view is empty, and a transfer into it makes it on the drive.
        FollowCurrentPathInTree();
        return 1;
    }
    if (IsAgentMirrored()) Agent_WMDMMoveFolder(folder, &m_itCurrent->FolderStorage, nullptr);
    if (entered == 0) ListEnteredFolder();
    return 1;
}

void CZEL_DeviceForUMS::ForgetMissingFolder(const pre_order_iterator& node, const CString& path) {
    // Only a node the tree made for a folder that never came to be: no children, nothing on the drive.
    if (!m_Tree.is_valid(node) || node == m_Tree.begin() || node.number_of_children() != 0) return;
    if (node.node->parent != m_itCurrent.node) return;
    if (GetFileAttributesW(WithoutFinalBackslash(path)) != INVALID_FILE_ATTRIBUTES) return;
    if (m_itList.node == node.node) m_itList = sibling_iterator();
    m_Tree.erase(node);
}

BOOL CZEL_DeviceForUMS::MakeFolder(LPWSTR name) {
    CString folderName(name);
    if (folderName.IsEmpty()) return 0;
    CString full = GetCurrentPath() + folderName;
    m_CurrentFolderEntry.Reset();

    BOOL made = 0;
    if (IsAgentMirrored()) {
        Agent_WMDMMoveFolder(GetCurrentPath(), &m_CurrentFolderEntry.FolderStorage, &m_CurrentFolderEntry);
        made = Agent_WMDMMakeFolder(folderName, &m_CurrentFolderEntry, nullptr, 0);
        CString path = m_strCurrentPathText;
        if (path.IsEmpty() || path[path.GetLength() - 1] != u'\\') path += u'\\';
        m_CurrentFolderEntry.SetPath(path + folderName);
    } else {
        made = CreateDirectoryW(full, nullptr);
        if (made) {
            m_CurrentFolderEntry.SetAttributes(ZEL_ATTR_FOLDER, 0);
            m_CurrentFolderEntry.SetPath(full);
            m_CurrentFolderEntry.SetName(folderName);
        }
    }
    if (made) {
        if (m_Tree.empty()) Add2Tree(&m_CurrentFolderEntry, 1);
        else if (HasCurrentFolder()) m_Tree.append_child(m_itCurrent, m_CurrentFolderEntry);
    }
    return made;
}

bool CZEL_DeviceForUMS::DeleteDriveFile(const CString& path) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path)) return false;
    if (UsesDatabase()) DeleteFileToDB(const_cast<LPWSTR>(path.GetString()));
    zelcore::PumpWaitingMessages();
    return true;
}

DWORD CZEL_DeviceForUMS::DeleteFileDev(LPWSTR name, int isFolder) {
    CString entry(name);
    if (entry.IsEmpty() || entry == u"..") return ZEL_FAILURE;
    CString full = GetCurrentPath() + entry;

    if (isFolder) {
        if (!DeleteFolderDev(name)) {
            // What is left of the folder is listed afresh on the next visit.
            if (HaveChild(entry) >= 0) {
                DeleteFromInnerBuffer(nullptr);
                HaveChild(u"..");
            }
            return ZEL_FAILURE;
        }
        if (UsesDatabase()) DeleteFileToDB(full.GetBuffer());
        zelcore::PumpWaitingMessages();
    } else if (!DeleteDriveFile(full)) {
        return ZEL_FAILURE;
    }
    DeleteFromInnerBuffer(name);
    return ZEL_SUCCESS;
}

BOOL CZEL_DeviceForUMS::DeleteFolderDev(LPWSTR name) { return RemoveFolderTree(CString(name), true) ? 1 : 0; }

void CZEL_DeviceForUMS::DeleteSubFolder(LPWSTR name) { RemoveFolderTree(CString(name), false); }

bool CZEL_DeviceForUMS::RemoveFolderTree(const CString& name, bool top) {
    // A link to a folder goes as a link: what it leads to (another folder of the
    // player, or the player's root) is not this folder's content.
    const CString linked = GetCurrentPath() + name;
    if (IsLink(linked)) {
        const bool removed = RemoveDirectoryW(linked) != 0;
        zelcore::PumpWaitingMessages();
        return removed;
    }
    MoveCurrentPath(name);
    CFileFind finder;
    BOOL more = finder.FindFile(GetCurrentPath() + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        CString entry = finder.GetFileName();
        if (finder.IsDirectory()) {
            RemoveFolderTree(entry, false);
            if (top) zelcore::PumpWaitingMessages();
        } else if (!DeleteDriveFile(GetCurrentPath() + entry)) {
            // A file that stays ends the deletion here; what was deleted stays deleted.
            finder.Close();
            MoveCurrentPath(u"..");
            return false;
        }
    }
    finder.Close();
    CString folder = WithoutFinalBackslash(GetCurrentPath());
    MoveCurrentPath(u"..");
    SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL);
    bool removed = RemoveDirectoryW(folder) != 0;
    if (removed || !top) zelcore::PumpWaitingMessages();
    return removed;
}

void CZEL_DeviceForUMS::MoveRootSubFolder(CString path) {
    MoveCurrentPath(u"");
    SetCurrentIterator(const_cast<LPWSTR>(u""));

    if (IsAgentMirrored()) {
        if (Agent_WMDMMoveSpecialFolder(path, &m_CurrentFolderEntry, nullptr)) {
            m_CurrentFolderEntry.SetAttributes(ZEL_ATTR_FOLDER, 0);
            m_CurrentFolderEntry.SetPath(GetCurrentPath());
            m_CurrentFolderEntry.SetName(path);
            if (HasCurrentFolder()) m_Tree.append_child(m_itCurrent, m_CurrentFolderEntry);
        }
        Agent_WMDMMoveSpecialFolder(path, &m_CurrentFolderEntry, nullptr);
        return;
    }

    int start = 0;
    while (start <= path.GetLength()) {
        int cut = path.Find(u'\\', start);
        CString component = cut >= 0 ? path.Mid(start, cut - start) : path.Mid(start);
        start = cut >= 0 ? cut + 1 : path.GetLength() + 1;
        if (component.IsEmpty()) continue;
        MoveCurrentPath(component);
        CString here = WithoutFinalBackslash(GetCurrentPath());
        if (CreateDirectoryW(here, nullptr) && HasCurrentFolder()) {
            CZEL_File folder(&m_Settings);
            folder.SetAttributes(ZEL_ATTR_FOLDER, 0);
            folder.SetPath(here);
            folder.SetName(component);
            m_Tree.append_child(m_itCurrent, folder);
        }
        if (HaveChild(component) == 0) EnumCurrentPath_MSC();
    }
}

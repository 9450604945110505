// Folders and files of an MTP player the host moves through, makes and
// deletes; the agent's current folder and the tree's follow each other.
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/MessagePump.h"

BOOL CZEL_DeviceForMTP::MoveFolder(LPWSTR name) {
    CZEL_File scratch;
    if (name == nullptr) {
        MoveCurrentPath(CString());
        if (m_Tree.empty()) return 0;
        m_itCurrent = m_Tree.begin();
        scratch = *m_itCurrent;
        Agent_WMDMMoveFolder(nullptr, nullptr, &scratch);
        return 0;
    }
    const CString folder(name);
    MoveCurrentPath(folder);
    if (folder == u"..") {
        HaveChild(folder);  // the parent becomes current
        if (!HasCurrentFolder()) return 1;
        scratch = *m_itCurrent;
        DWORD storageValue = scratch.FolderStorage;
        Agent_WMDMMoveFolder(u"..", &storageValue, &scratch);
        return 1;
    }
    const int listed = HaveChild(folder);
    if (listed < 0) {
        // No such folder: the path text goes back, so that it keeps naming the current folder.
        MoveCurrentPath(u"..");
        return 0;
    }
    DWORD storageValue = m_itCurrent->FolderStorage;
    Agent_WMDMMoveFolder(folder, &storageValue, &scratch);
    if (listed == 0) return ListCurrentFolder();
    return 0;
}

BOOL CZEL_DeviceForMTP::MakeFolder(LPWSTR name) {
    if (name == nullptr) return 0;
    const CString path = GetCurrentPath() + u"\\" + name;
    m_CurrentFolderEntry.Reset();
    const BOOL made = Agent_WMDMMakeFolder(name, &m_CurrentFolderEntry, nullptr, 0);
    if (made) {
        m_CurrentFolderEntry.SetPath(path);
        if (!m_Tree.empty()) {
            if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();
            m_Tree.append_child(m_itCurrent, m_CurrentFolderEntry);
        }
    } else {
        m_CurrentFolderEntry.SetAttributes(ZEL_ATTR_FOLDER, 0);
        m_CurrentFolderEntry.SetPath(path);
        m_CurrentFolderEntry.SetName(name);
    }
    return made;
}

DWORD CZEL_DeviceForMTP::DeleteFileDev(LPWSTR name, int) {
    if (IsRunWMP() && m_Settings.IsMTP) return ZEL_ERR_WMP_RUNNING;
    const CString target(name);
    if (target == u"..") return ZEL_FAILURE;
    if (m_Tree.empty()) return ZEL_SUCCESS;
    if (!HasCurrentFolder()) m_itCurrent = m_Tree.begin();
    sibling_iterator found;
    for (sibling_iterator it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it) {
        if (it->Name.CompareNoCase(target) == 0) {
            found = it;
            break;
        }
    }
    if (found.node == nullptr) return ZEL_SUCCESS;

    // The entry's storage, turned back from its stream; the agent takes over the reference.
    IWMDMStorage* storage = nullptr;
    if (found->StorageStream != nullptr && *found->StorageStream != nullptr)
        CoGetInterfaceAndReleaseStream(*found->StorageStream, IID_IWMDMStorage, reinterpret_cast<void**>(&storage));
    if (Agent_WMDMDeleteFiles(&storage) == ZEL_SUCCESS) {
        MeasurePlayer();
        zelcore::PumpWaitingMessages();
        CString exact = found->Name;
        DeleteFromInnerBuffer(exact.GetBuffer());
        return ZEL_SUCCESS;
    }
    // What the tree holds may be out of date: listed afresh.
    const int kind = HaveChild(target);
    DeleteFromInnerBuffer(nullptr);
    if (kind >= 0) HaveChild(u"..");  // a folder: listed again when it is entered
    else ListCurrentFolder();         // a file: its folder now
    return ZEL_FAILURE;
}

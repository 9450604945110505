// Copying a firmware package from the computer onto a mass-storage player: the
// package's folders are walked to collect the files, which are then copied in
// one batch under one progress bar.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "ZELDevice/ums/CopyProgress.h"
#include "zelcompat/cfile.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"

DWORD CZEL_DeviceForUMS::FWUpdate(LPCWSTR sourceFolder, LPCWSTR destinationFolder) {
    m_bCancel = 0;
    const bool topLevel = destinationFolder == nullptr || *destinationFolder == 0;
    const CString relative = topLevel ? CString() : CString(destinationFolder);
    if (topLevel) {
        m_FWList.RemoveAll();
        m_FWDestList.RemoveAll();
    }

    DWORD nested = ZEL_SUCCESS;
    CFileFind finder;
    BOOL more = finder.FindFile(CString(sourceFolder) + u"\\*.*");
    while (more) {
        more = finder.FindNextFile();
        const CString name = finder.GetFileName();
        if (finder.IsDots()) continue;
        const CString source = CString(sourceFolder) + u"\\" + name;
        if (finder.IsDirectory()) {
            // A folder that leads back to one above it must not send the walk
            // round for ever; Windows stops such a walk at its path limit too.
            if (source.GetLength() >= MAX_PATH) continue;
            CString lower = name;
            lower.MakeLower();
            if (lower == u"system") {
                // The player's system folder takes the rest of the package; the
                // entries after it in this folder are not looked at.
                CString systemFolder;
                systemFolder.Format(u"%c:\\system", m_Settings.DriveLetter);
                CreateDirectoryW(systemFolder, nullptr);
                nested = FWUpdate(CString(sourceFolder) + u"\\system", u"system");
                break;
            }
            const CString subFolder = topLevel ? name : relative + u"\\" + name;
            CString onDrive;
            onDrive.Format(u"%c:\\%s", m_Settings.DriveLetter, subFolder);
            CreateDirectoryW(onDrive, nullptr);
            nested = FWUpdate(source, subFolder);
            continue;
        }
        const ULONGLONG size = finder.GetLength();
        if (size == 0) continue;
        CString destination;
        if (topLevel)
            destination.Format(u"%c:\\%s", m_Settings.DriveLetter, name);
        else
            destination.Format(u"%c:\\%s\\%s", m_Settings.DriveLetter, relative, name);
        zelums::AddToCopyBatch(size);
        m_FWList.Add(source);
        m_FWDestList.Add(destination);
    }
    finder.Close();

    if (!topLevel) return 0;
    if (m_FWList.GetSize() == 0) return nested;

    NotifyHost(ZEL_EVENT_BEGIN, 0);
    const DWORD result = TransferFile(m_FWList, m_FWDestList);
    NotifyHost(ZEL_EVENT_END, 0);
    zelums::ResetCopyProgress();
    // The lists are not kept for a retry.
    m_FWList.RemoveAll();
    m_FWDestList.RemoveAll();
    return result;
}

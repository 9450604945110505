// The firmware of an MTP player: its description file (SYSTEM.VER) read back
// through the agent at set-up, a firmware package copied onto the player, and
// the check whether the files of an update are there.
#include <string>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/FileHandle.h"
#include "internal/MessagePump.h"
#include "internal/MtpFirmwareText.h"
#include "zelcompat/cfile.h"
#include "zelcompat/files.h"

namespace {

constexpr int kMostLevels = 64;  // folder levels of a package that are walked

// The first bytes of a computer file that are read; false when it cannot be opened.
bool ReadDescription(const CString& path, std::string& data) {
    const zelcore::FileHandle file = zelcore::FileHandle::OpenForReading(path);
    if (!file.IsOpen()) return false;
    char bytes[zelmtpdevice::kFirmwareTextBytes] = {};
    DWORD length = 0;
    if (!ReadFile(file.Get(), bytes, sizeof bytes, &length, nullptr)) return false;
    data.assign(bytes, length);
    return true;
}

// Appends the non-empty files below folder, depth first in search order. A
// link to a folder is not followed: a package holds its own files only.
void CollectPackageFiles(const CString& folder, CStringArray& list, int level) {
    CFileFind finder;
    BOOL more = finder.FindFile(folder + u"\\*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        const CString path = folder + u"\\" + finder.GetFileName();
        if (finder.IsDirectory()) {
            if (!finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT) && level < kMostLevels)
                CollectPackageFiles(path, list, level + 1);
        } else if (finder.GetLength() != 0) {
            list.Add(path);
        }
    }
}

}  // namespace

BOOL CZEL_DeviceForMTP::GetFWInfo() {
    if (m_szTempDir[0] == 0) CreateTempDir();
    else CreateDirectoryW(m_szTempDir, nullptr);  // made again if it went missing
    const CString copy = CString(m_szTempDir) + u"\\SYSTEM.VER";

    std::string data;
    bool read = false;
    for (LPCWSTR file : {u"SYSTEM.VER", u"SYSTEM\\SYSTEM.VER"}) {
        // A copy an earlier call left behind must never pass for the player's.
        DeleteFileW(copy);
        if (Agent_WMDMUploadFiles(file, copy, 1) && ReadDescription(copy, data)) {
            read = true;
            break;
        }
    }
    DeleteFileW(copy);
    if (!read) return 0;  // the firmware fields stay as they were

    return zelmtpdevice::StoreFirmwareDescription(zelmtpdevice::ReadFirmwareDescription(data.data(), data.size()),
                                                  m_Settings);
}

BOOL CZEL_DeviceForMTP::CreateTargetList(LPWSTR folder) {
    if (folder == nullptr || *folder == 0) return 0;
    CString searched(folder);
    searched.TrimRight(u'\\');
    CollectPackageFiles(searched, m_FWList, 0);
    return m_FWList.GetSize() > 0 ? 1 : 0;
}

DWORD CZEL_DeviceForMTP::FWUpdate(LPCWSTR sourceFolder, LPCWSTR) {
    m_FWList.RemoveAll();
    m_FWDestList.RemoveAll();
    if (!CreateTargetList(const_cast<LPWSTR>(sourceFolder))) return 0;
    // The package's files keep their places below the player's root.
    const int prefix = CString(sourceFolder).TrimRight(u'\\').GetLength();
    const INT_PTR count = m_FWList.GetSize();
    m_bCancel = 0;
    NotifyHost(ZEL_EVENT_FIRMWARE_STEP1, static_cast<LPARAM>(count));
    NotifyHost(ZEL_EVENT_BEGIN, 0);
    for (INT_PTR i = 0; i < count && m_bCancel == 0; ++i) {
        NotifyHost(ZEL_EVENT_FIRMWARE_STEP2, static_cast<LPARAM>(i));
        // A file that fails is skipped; the agent replaces a file only once the new one is whole.
        Agent_WMDMTransferMakeFolderFile(m_FWList[i], m_FWList[i].Mid(prefix));
        zelcore::PumpWaitingMessages();
    }
    NotifyHost(ZEL_EVENT_PERCENT, static_cast<LPARAM>(100 * count));
    NotifyHost(ZEL_EVENT_END, 0);
    m_BatchTotal = m_BatchDone = m_PrevFileTotal = 0;
    return m_bCancel != 0 ? ZEL_ERR_CANCELLED : ZEL_SUCCESS;
}

BOOL CZEL_DeviceForMTP::CheckFirmUpFile(LPWSTR list) {
    if (list == nullptr) return 0;
    // Device paths, each followed by "|"; a text after the last "|" is not a
    // listed path. The first one missing on the player answers 1.
    const CString text(list);
    int start = 0;
    for (int bar = text.Find(u'|'); bar >= 0; bar = text.Find(u'|', start)) {
        const CString path = text.Mid(start, bar - start);
        start = bar + 1;
        if (!path.IsEmpty() && !Agent_WMDMCheckFindFile(path)) return 1;
    }
    return 0;
}

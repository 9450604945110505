// Rebuilding the database a mass-storage player carries: the refusals, the
// route of the model's family, and a fresh record for every file the family's
// walk collected, with the progress for the host.
//
// The database is written once, at the end (ZELDB_DBSync): the reference
// database library keeps the file it had until then, so a rebuild that never
// reaches its end leaves the player the database it had before. A host stops a
// rebuild as it stops a copy, with CancelTransfer while its messages run: the
// walk or the records stop, the device opens the player's database again
// (which drops the unfinished new one), the host hears the end at the
// percentage reached and the answer is ZEL_ERR_CANCELLED. The log-file family's
// records join the database the player has, where a stop could not take back
// the records already added: its rebuild stops during the walk only, and its
// logs start again from the templates once the rebuild is whole.
#include <memory>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "internal/CoreText.h"
#include "internal/MessagePump.h"
#include "internal/RebuildRules.h"
#include "zelcompat/files.h"

namespace {

// Below this much free space (in whole megabytes) a rebuild is refused.
constexpr ULONGLONG kMinimumFreeMB = 10;

}  // namespace

DWORD CZEL_DeviceForUMS::RebuildDB() {
    if (!(m_Settings.Capabilities & ZEL_CAP_DATABASE)) return ZEL_FAILURE;
    const zelcore::RebuildRoute route = zelcore::RebuildRouteOf(zelcore::FixedText(m_Settings.ModelName));
    // Every route but the agent's writes through the player's own library; a
    // player that has none loaded (PlayerType 2, or a library that lacked an
    // entry point) would report a rebuild that recorded nothing.
    const bool libraryReady = UsesDatabase() && m_pfnZELDB_Create != nullptr && m_pfnZELDB_AddRecord != nullptr &&
                              m_pfnZELDB_DBSync != nullptr;
    if (route != zelcore::RebuildRoute::Agent && !libraryReady) return ZEL_FAILURE;

    // A drive that cannot be measured is rebuilt all the same.
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    if (GetDiskFreeSpaceExW(m_strDriveRoot, &freeToCaller, &total, &totalFree) &&
        (freeToCaller.QuadPart >> 20) < kMinimumFreeMB)
        return ZEL_ERR_LOW_SPACE;

    m_RebuildList.clear();
    m_bCancel = 0;
    NotifyHost(ZEL_EVENT_REBUILD_BEGIN, 0);
    zelcore::PumpWaitingMessages();

    switch (route) {
    case zelcore::RebuildRoute::Agent:
        Agent_WMDMRebuildDB();
        NotifyHost(ZEL_EVENT_REBUILD_END, 100);
        return ZEL_SUCCESS;
    case zelcore::RebuildRoute::LogFile:
        // Records join the database the player has.
        Rebuild_S6DB();
        break;
    case zelcore::RebuildRoute::M41:
        m_pfnZELDB_Create(m_Settings.DriveLetter, GetSafeHwnd(), 1);
        Rebuild_M41DB();
        break;
    case zelcore::RebuildRoute::Others:
        m_pfnZELDB_Create(m_Settings.DriveLetter, GetSafeHwnd(), 1);
        Rebuild_ORBDB();
        break;
    }

    const bool joinsExisting = route == zelcore::RebuildRoute::LogFile;
    const bool walkStopped = m_bCancel != 0;
    const DWORD reached = walkStopped ? 0 : RecordRebuildList(!joinsExisting);
    std::vector<CString>().swap(m_RebuildList);
    if (walkStopped || (m_bCancel && !joinsExisting)) {
        // The database the player has is opened again; the new one was never written.
        m_pfnZELDB_Create(m_Settings.DriveLetter, GetSafeHwnd(), 0);
        NotifyHost(ZEL_EVENT_REBUILD_END, static_cast<LPARAM>(reached));
        zelcore::PumpWaitingMessages();
        return ZEL_ERR_CANCELLED;
    }
    m_bCancel = 0;  // a cancel that came after the log-file family's first record
    if (joinsExisting) ResetRebuildLogs();
    m_pfnZELDB_DBSync(1);
    NotifyHost(ZEL_EVENT_REBUILD_END, 100);
    zelcore::PumpWaitingMessages();
    return ZEL_SUCCESS;
}

bool CZEL_DeviceForUMS::KeepRebuilding() {
    zelcore::PumpWaitingMessages();
    return m_bCancel == 0;
}

DWORD CZEL_DeviceForUMS::RecordRebuildList(bool cancellable) {
    const size_t count = m_RebuildList.size();
    auto record = std::make_unique<tagDB_File>();
    size_t lastSent = 0;
    for (size_t index = 0; index < count && !(cancellable && m_bCancel); ++index) {
        CString path = m_RebuildList[index];
        *record = tagDB_File{};
        // Music carries its tags into the record; every file is recorded, whatever its type.
        if (GetMediaType(path.GetBuffer(), record.get()) & ZEL_MEDIA_AUDIO) GetFileInfo(record.get());
        AddFileToDB(path.GetBuffer(), record.get());
        const size_t percent = index * 100 / count;
        if (percent != lastSent) {
            lastSent = percent;
            NotifyHost(ZEL_EVENT_REBUILD_PROGRESS, static_cast<LPARAM>(percent));
            zelcore::PumpWaitingMessages();
        }
    }
    return static_cast<DWORD>(lastSent);
}

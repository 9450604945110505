// Formatting an MTP player: the agent formats its internal storage, then the
// device makes the standard folders again and lists the player afresh.
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"

DWORD CZEL_DeviceForMTP::FormatDevice() {
    if (IsRunWMP() && m_Settings.IsMTP) return ZEL_ERR_WMP_RUNNING;
    const DWORD result = Agent_WMDMFormat() ? ZEL_SUCCESS : ZEL_FAILURE;

    // Whether or not the format succeeded, the view is built again from what the player holds.
    MoveSpecialFolder(6);
    MakeStandardFolders();  // the pack folders are not made again
    ClearTree();
    ClearInnerBuffer();
    ListCurrentFolder();
    MoveSpecialFolder(1);
    MeasurePlayer();
    NotifyHost(ZEL_EVENT_FORMAT_STAGE, 0);
    return result;
}

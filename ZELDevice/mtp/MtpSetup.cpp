// Construction and set-up of an MTP player: the agent opens the player, the
// standard and pack folders are made, the root is listed into the tree and
// the capacity measured.
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/CoreText.h"

static_assert(sizeof(CZEL_DeviceForMTP) == sizeof(CZEL_Device), "the MTP class adds no data members");

namespace {

// Product identifiers from which the second pack folder is the theme folder.
constexpr WORD kFirstThemeProduct = 0x5119;

}  // namespace

CZEL_DeviceForMTP::CZEL_DeviceForMTP() = default;

CZEL_DeviceForMTP::~CZEL_DeviceForMTP() {
    // The agent keeps the player's session, and references to its storages, for this object's window.
    Agent_SetDeviceWindow(GetSafeHwnd(), 0);
}

DWORD CZEL_DeviceForMTP::CreateDevice(tagDeviceInfo* info, HWND hostWindow) {
    m_strDriveRoot.Empty();
    m_Settings.IsMTP = 1;
    const DWORD result = CZEL_Device::CreateDevice(info, hostWindow);
    if (ZelFailed(result)) return result;

    // The agent opens the player afresh and reports copy progress to this object's window.
    Agent_SetDeviceWindow(GetSafeHwnd(), 1);
    MakeStandardFolders();
    const DWORD caps = m_Settings.Capabilities;
    if (caps & ZEL_CAP_MYAURO) Agent_WMDMTransferMakeFolderFile(nullptr, u"\\My Pack\\myAuro\\");
    if (caps & ZEL_CAP_UCI) {
        const bool theme = info != nullptr && info->ProductID >= kFirstThemeProduct;
        Agent_WMDMTransferMakeFolderFile(nullptr, theme ? u"\\My Pack\\Theme\\" : u"\\My Pack\\UCI\\");
    }
    if (caps & ZEL_CAP_GUIDE) Agent_WMDMTransferMakeFolderFile(nullptr, u"\\Datacast\\EPG\\");

    GetFWInfo();
    if (!ListCurrentFolder()) return ZEL_FAILURE;
    MeasurePlayer();
    return result;
}

void CZEL_DeviceForMTP::MakeStandardFolders() {
    const DWORD caps = m_Settings.Capabilities;
    const struct {
        int entry;
        DWORD capability;  // 0: always
    } folders[] = {{0, 0}, {2, ZEL_CAP_IMAGE}, {1, ZEL_CAP_VIDEO}, {3, ZEL_CAP_TEXT}, {4, ZEL_CAP_TS3},
                   {6, ZEL_CAP_BROADCAST}};
    for (const auto& folder : folders) {
        if (folder.capability != 0 && !(caps & folder.capability)) continue;
        CZEL_File scratch;
        Agent_WMDMMakeFolder(zelcore::FixedText(m_Settings.Folders[folder.entry]), &scratch, nullptr, 0);
    }
}

int CZEL_DeviceForMTP::ListCurrentFolder() {
    const int listed = Agent_WMDMEnumerate(&m_EnumList, zelcore::FixedText(m_Settings.Extensions));
    if (listed) MakeTree();
    return listed;
}

void CZEL_DeviceForMTP::MeasurePlayer() { Agent_WMDMGetDeviceSpace(&m_Settings.TotalMB, &m_Settings.FreeMB); }

BOOL CZEL_DeviceForMTP::CancelTransfer() {
    CZEL_Device::CancelTransfer();
    Agent_CancelTransfer();
    return 1;
}

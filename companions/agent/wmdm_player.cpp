// The agent's calls on a WMDM player. This reference agent keeps the state
// that the device library hands it (device, folder storage and path), but
// there is no MTP player behind it yet: every call that
// would read or write a player answers failure (0, or a code with bit 0x10000,
// or a null storage), with out-arguments of plain values zeroed and the
// device's records and lists untouched.
#include <mutex>
#include <string>

#include "ZELDevice/abi/Agent.h"

namespace {

constexpr DWORD kFailure = 0x10000;

struct AgentState {
    std::mutex lock;
    IWMDMDevice* device = nullptr;
    IWMDMStorage* folderStorage = nullptr;
    std::u16string folderPath;
};

AgentState& State() {
    static AgentState state;
    return state;
}


}  // namespace

extern "C" {

AFX_EXT_API IWMDMStorage* Agent_GetRootStorage(IStream*** first, IStream*** second) {
    if (first != nullptr) *first = nullptr;
    if (second != nullptr) *second = nullptr;
    return nullptr;
}

// The list is the device's own; it is left as it was (the device empties it before asking).
AFX_EXT_API int Agent_WMDMEnumerate(std::vector<CZEL_File>*, LPCWSTR) { return 0; }

AFX_EXT_API int Agent_WMDMGetDeviceSpace(DWORD* totalMB, DWORD* freeMB) {
    if (totalMB != nullptr) *totalMB = 0;
    if (freeMB != nullptr) *freeMB = 0;
    return 0;
}

AFX_EXT_API int Agent_WMDMMakeFolder(LPCWSTR, CZEL_File*, IWMDMStorage*, int) { return 0; }

AFX_EXT_API int Agent_WMDMTransferMakeFolderFile(LPCWSTR, LPCWSTR) { return 0; }

AFX_EXT_API DWORD Agent_WMDMTransferFile(LPCWSTR, CZEL_File*, tagDB_File*, LPCWSTR, IWMDMStorage*) {
    return kFailure;
}

AFX_EXT_API int Agent_WMDMMoveFolder(LPCWSTR, DWORD*, CZEL_File*) { return 0; }

AFX_EXT_API int Agent_WMDMMoveSpecialFolder(LPCWSTR, CZEL_File*, DWORD*) { return 0; }

AFX_EXT_API int Agent_WMDMFindFileFromPath(LPCWSTR, IWMDMStorage*) { return 0; }

AFX_EXT_API int Agent_WMDMUploadFile(LPCWSTR, LPCWSTR, int) { return 0; }

AFX_EXT_API int Agent_WMDMUploadFiles(LPCWSTR, LPCWSTR, int) { return 0; }

AFX_EXT_API int Agent_WMDMCheckFindFile(LPCWSTR) { return 0; }

AFX_EXT_API DWORD Agent_WMDMDeleteFiles(IWMDMStorage**) { return kFailure; }

AFX_EXT_API int Agent_WMDMFormat() { return 0; }

AFX_EXT_API int Agent_WMDMRebuildDB() { return 0; }

AFX_EXT_API IWMDMStorage* Agent_DataCastStorage(IWMDMStorage*) { return nullptr; }

AFX_EXT_API int Agent_SetIWMDMDevice(IWMDMDevice* device) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().device = device;
    return device != nullptr ? 1 : 0;
}

AFX_EXT_API int Agent_SetFolderStorage(IWMDMStorage* storage, LPCWSTR folderPath, int) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().folderStorage = storage;
    State().folderPath = folderPath != nullptr ? folderPath : u"";
    return 1;
}

// The text stays valid until the next Agent_SetFolderStorage.
AFX_EXT_API LPCWSTR Agent_GetCurrentPath() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().folderPath.c_str();
}

AFX_EXT_API int Agent_MTPUpdatePlaylist(CStringArray&, CStringArray&, int, CZEL_File*) { return 0; }

AFX_EXT_API DWORD Agent_MTPUpdateMoodPlaylist(CString, CStringArray&, CZEL_File*) { return kFailure; }

// No copy of the agent's own can be running, so there is nothing to stop.
AFX_EXT_API int Agent_CancelTransfer() { return 1; }

AFX_EXT_API int Agent_NDACancelTransfer() { return 1; }

AFX_EXT_API int Agent_NDAMoveFolder(LPCWSTR, DWORD) { return 0; }

}  // extern "C"

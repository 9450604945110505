// The copy engine of a mass-storage player.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "ZELDevice/ums/CopyProgress.h"

namespace zelums {
void ResetCopyPercent() {}
void ResetCopyProgress() {}
void AddToCopyBatch(ULONGLONG) {}
}  // namespace zelums

DWORD CZEL_DeviceForUMS::TransferFileThroughMSC(LPCWSTR, const CString&) { return ZEL_ERR_COPY; }

DWORD CZEL_DeviceForUMS::TransferFileThroughMSC(DWORD, const CString&) { return ZEL_ERR_COPY; }

DWORD CZEL_DeviceForUMS::TransferFile(LPCWSTR, LPCWSTR) { return ZEL_ERR_COPY; }

DWORD CZEL_DeviceForUMS::TransferFile(CStringArray&, CStringArray&) { return ZEL_ERR_COPY; }

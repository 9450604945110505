// Base operations whose bodies belong to the device lifecycle (CreateDevice,
// progress handlers), transfer admission (IsSupportFormat, CanTransfer) and the
// broadcast agent look-up. Until those land they answer
// failure, so that a device object can already be built and its tree used.
#include "ZELDevice/core/CZEL_Device.h"

BEGIN_MESSAGE_MAP(CZEL_Device, CWnd)
ON_WM_TIMER()
ON_MESSAGE(ZEL_WM_PROGRESS, &CZEL_Device::OnMsgProgress)
ON_MESSAGE(ZEL_WM_FORMAT, &CZEL_Device::OnMsgFormat)
END_MESSAGE_MAP()

DWORD CZEL_Device::CreateDevice(tagDeviceInfo*, HWND) { return ZEL_FAILURE; }

BOOL CZEL_Device::CancelTransfer() {
    m_bCancel = 1;
    return 1;
}

BOOL CZEL_Device::IsSupportFormat(LPWSTR) { return 0; }

BOOL CZEL_Device::CanTransfer(DWORD, DWORD, CString) { return 0; }

void CZEL_Device::OnTimer(UINT_PTR) { Default(); }

LRESULT CZEL_Device::OnMsgProgress(WPARAM, LPARAM) { return 1; }

LRESULT CZEL_Device::OnMsgFormat(WPARAM, LPARAM) { return 1; }

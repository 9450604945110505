// Progress and format reports that outside components (the player's database
// library, a format library) send to the device object's own window, turned
// into percentage messages for the host window.
#include <cstdint>

#include "ZELDevice/device/CZEL_Device.h"
#include "internal/MessagePump.h"
#include "internal/ProcessState.h"

BEGIN_MESSAGE_MAP(CZEL_Device, CWnd)
ON_WM_TIMER()
ON_MESSAGE(ZEL_WM_PROGRESS, &CZEL_Device::OnMsgProgress)
ON_MESSAGE(ZEL_WM_FORMAT, &CZEL_Device::OnMsgFormat)
END_MESSAGE_MAP()

namespace {

// done of total as a truncated percentage, computed in floating point.
DWORD Percent(double done, double total) {
    const double percent = done / total * 100.0;
    return percent >= 100.0 ? 100 : static_cast<DWORD>(percent);
}

}  // namespace

void CZEL_Device::CallbackProgress(LONG_PTR report, int formatFlag) {
    const auto* progress = reinterpret_cast<const tagProgressReport*>(static_cast<intptr_t>(report));
    if (progress == nullptr) return;

    switch (progress->Event) {
    case ZEL_REPORT_START:
        m_nLastProgress = 0;
        if (m_BatchTotal == 0) {
            // No batch runs: counters left by an earlier batch must not leak into the next one.
            m_BatchDone = 0;
            m_PrevFileTotal = 0;
            NotifyHost(ZEL_EVENT_PERCENT, 0);
        }
        if (formatFlag) zelcore::StartBusyTicker();
        break;
    case ZEL_REPORT_END:
        m_nLastProgress = 0;
        if (formatFlag) {
            zelcore::StopBusyTicker();
            m_bFormatBusy = 0;
        }
        if (m_BatchTotal == 0) NotifyHost(ZEL_EVENT_PERCENT, 100);
        break;
    case ZEL_REPORT_PROGRESS: {
        DWORD percent = 0;
        if (m_BatchTotal == 0) {
            // A report without a total says nothing about progress.
            if (progress->Total == 0) break;
            percent = Percent(progress->Done, progress->Total);
        } else {
            // A change of size is how a new file of the batch shows itself.
            if (progress->Total != m_PrevFileTotal) m_BatchDone += m_PrevFileTotal;
            percent = Percent(static_cast<double>(m_BatchDone) + progress->Done, m_BatchTotal);
            m_PrevFileTotal = progress->Total;
        }
        if (percent != m_nLastProgress) {
            m_nLastProgress = percent;
            NotifyHost(ZEL_EVENT_PERCENT, static_cast<LPARAM>(percent));
        }
        break;
    }
    default:
        break;
    }
    zelcore::PumpWaitingMessages();
}

LRESULT CZEL_Device::OnMsgProgress(WPARAM, LPARAM lParam) {
    CallbackProgress(static_cast<LONG_PTR>(lParam), 0);
    return 1;
}

LRESULT CZEL_Device::OnMsgFormat(WPARAM, LPARAM lParam) {
    CallbackProgress(static_cast<LONG_PTR>(lParam), 1);
    return 1;
}

void CZEL_Device::OnTimer(UINT_PTR) {
    NotifyHost(ZEL_EVENT_FORMAT_BUSY, static_cast<LPARAM>(m_nLastProgress));
    zelcore::PumpWaitingMessages();
    ++m_nLastProgress;
    Default();
}

// The process-wide state of the copy engine's progress routine: the last
// percentage sent and the accounting of a batch with one shared progress bar.
// The routine is a static callback of the system copy, so the state is not a
// member of the device object.
#pragma once

#include "zelcompat/types.h"

namespace zelums {

// The last percentage sent goes back to 0 (a new transfer begins).
AFX_EXT_API void ResetCopyPercent();
// Every counter, the batch total included, goes back to 0 (a batch has ended).
AFX_EXT_API void ResetCopyProgress();
// Adds a file's size to the total of the coming batch.
AFX_EXT_API void AddToCopyBatch(ULONGLONG bytes);
// The total of the coming or running batch (0: copies report per file).
AFX_EXT_API ULONGLONG CopyBatchTotal();
// The last percentage sent to the host window.
AFX_EXT_API DWORD LastCopyPercent();

}  // namespace zelums

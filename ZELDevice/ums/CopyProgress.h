// The process-wide state of the copy engine's progress routine: the last
// percentage sent and the accounting of a batch with one shared progress bar.
// The routine is a static callback of the system copy, so the state is not a
// member of the device object.
#pragma once

#include "zelcompat/types.h"

namespace zelums {

// The last percentage sent goes back to 0 (a new transfer begins).
void ResetCopyPercent();
// Every counter, the batch total included, goes back to 0 (a batch has ended).
void ResetCopyProgress();
// Adds a file's size to the total of the coming batch.
void AddToCopyBatch(ULONGLONG bytes);

}  // namespace zelums

// The agent's look-ups on the WMDM player. There is no MTP player behind this
// reference agent yet, so a device path is never found on one.
#include "ZELDevice/mtp/Agent.h"

extern "C" AFX_EXT_API int Agent_WMDMFindFileFromPath(LPCWSTR path, IWMDMStorage* storage) {
    (void)path;
    (void)storage;
    return 0;
}

// Preparing a mass-storage player for unplugging, and writing its database.
#include "ZELDevice/abi/SafeRemoval.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/modules.h"

void CZEL_DeviceForUMS::SafeRemoved() {
    // Windows 98 and Me have nothing to prepare.
    const int windows = WindowsVersion();
    if (windows == 3 || windows == 4) return;

    // The removal library is optional: looked up now, let go at once.
    if (HMODULE removal = LoadLibraryW(u"SFRemove.dll")) {
        auto remove = reinterpret_cast<SFREMOVE_PROC>(reinterpret_cast<void*>(GetProcAddress(removal, SFREMOVE_NAME)));
        if (remove != nullptr) remove(m_Settings.DriveLetter);
        FreeLibrary(removal);
    }
    DB_ReleaseDBLibrary();
}

void CZEL_DeviceForUMS::UpdateDataBase(int) {
    if (UsesDatabase() && m_pfnZELDB_DBSync != nullptr) m_pfnZELDB_DBSync(1);
}

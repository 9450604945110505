// Reading the firmware description file (SYSTEM.VER) of a mass-storage player
// into the device settings.
#include "internal/FileHandle.h"
#include "internal/FirmwareDescription.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

BOOL CZEL_DeviceForUMS::GetFWInfo() {
    auto file = zelcore::FileHandle::OpenForReading(m_strDriveRoot + u"SYSTEM.VER");
    if (!file.IsOpen()) file = zelcore::FileHandle::OpenForReading(m_strDriveRoot + u"SYSTEM\\SYSTEM.VER");
    if (!file.IsOpen()) return 0;
    char data[zelums::kFirmwareDescriptionBytes] = {};
    DWORD length = 0;
    if (!ReadFile(file.Get(), data, sizeof data, &length, nullptr)) return 0;
    return zelums::ReadFirmwareDescription(data, length, m_Settings);
}

// A mass-storage player takes no firmware-update file of its own format.
BOOL CZEL_DeviceForUMS::CheckFirmUpFile(LPWSTR) { return 0; }

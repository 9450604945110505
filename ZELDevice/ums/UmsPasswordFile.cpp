// The password file the host has written into the root of the player's drive.
#include <cstdio>

#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "internal/PasswordText.h"
#include "zelcompat/wstdio.h"

BOOL CZEL_DeviceForUMS::CreatePWFile(LPWSTR password) {
    std::string bytes;
    if (password == nullptr || !zelcore::PasswordBytes(password, bytes)) return 0;

    CString path;
    path.Format(u"%c:\\password.dat", m_Settings.DriveLetter);
    // A stream over an existing file replaces it only when it is written whole.
    FILE* file = _wfopen(path, u"wb");
    if (file == nullptr) return 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? 1 : 0;
}

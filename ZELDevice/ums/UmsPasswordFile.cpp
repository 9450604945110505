// The password file the host has written into the root of the player's drive.
#include <cstdio>
#include <cstring>

#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/wstdio.h"
#include "zelcompat/textfn.h"

namespace {

// The file holds the text in the system's ANSI code page, in at most this many bytes.
constexpr int kPasswordBytes = 260;

}  // namespace

BOOL CZEL_DeviceForUMS::CreatePWFile(LPWSTR password) {
    if (password == nullptr) return 0;
    // A text whose ANSI form does not fit the buffer is refused before the
    // file is touched, so that an existing password file stays as it was.
    const int needed = WideCharToMultiByte(CP_ACP, 0, password, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || needed > kPasswordBytes) return 0;
    char text[kPasswordBytes] = {};
    WideCharToMultiByte(CP_ACP, 0, password, -1, text, kPasswordBytes, nullptr, nullptr);

    CString path;
    path.Format(u"%c:\\password.dat", m_Settings.DriveLetter);
    // A stream over an existing file replaces it only when it is written whole.
    FILE* file = _wfopen(path, u"wb");
    if (file == nullptr) return 0;
    // The bytes only: no terminating zero, no line end.
    const size_t length = std::strlen(text);
    const bool written = std::fwrite(text, 1, length, file) == length;
    const bool closed = std::fclose(file) == 0;
    return written && closed ? 1 : 0;
}

// The password file the host has written into the root of the player's drive.
#include <cstring>

#include "internal/FileHandle.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/files.h"
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
    zelcore::FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return 0;
    // The bytes only: no terminating zero, no line end.
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    DWORD written = 0;
    if (length > 0 && (!WriteFile(file.Get(), text, length, &written, nullptr) || written != length)) return 0;
    return 1;
}

// The player's password file, sent into the agent's current folder.
//
// The file is written in the library's own temporary folder, not in the
// shared temporary folder of the system: the password never lies where other
// users can read it, and no link planted there under that name can send the
// write elsewhere.
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/FileHandle.h"
#include "internal/PasswordText.h"
#include "zelcompat/files.h"

BOOL CZEL_DeviceForMTP::CreatePWFile(LPWSTR password) {
    std::string bytes;
    if (password == nullptr || !zelcore::PasswordBytes(password, bytes)) return 0;
    if (m_szTempDir[0] == 0) CreateTempDir();
    else CreateDirectoryW(m_szTempDir, nullptr);  // made again if it went missing
    const CString path = CString(m_szTempDir) + u"\\password.dat";

    DeleteFileW(path);  // a file left there before (never followed when it is a link)
    bool written = false;
    {
        zelcore::FileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD count = 0;
        written = file.IsOpen() && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) &&
                  count == bytes.size();
    }
    const DWORD answer = written ? Agent_WMDMTransferFile(path, nullptr, nullptr, nullptr, nullptr) : ZEL_FAILURE;
    DeleteFileW(path);
    return answer == ZEL_SUCCESS ? 1 : 0;
}

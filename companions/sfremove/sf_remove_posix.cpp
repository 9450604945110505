// SFRemove: gets a player ready to be unplugged by flushing the file system
// its drive lies on (syncfs on the drive's folder), so that everything written
// to it has reached the device. It says in a debugger line whether the player
// may be unplugged.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "ZELDevice/abi/SafeRemoval.h"
#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/textfn.h"

namespace {

BOOL Say(const std::string& line, BOOL result) {
    OutputDebugStringW(ZelFromUtf8("[SFRemove] " + line + "\n").c_str());
    return result;
}

}  // namespace

extern "C" AFX_EXT_API BOOL SFRemove(WCHAR driveLetter) {
    const std::string drive = ZelToUtf8(std::u16string(1, ZelToUpper(driveLetter))) + ":";
    const std::string folder = ZelDriveFolder(driveLetter);
    if (folder.empty()) return Say(drive + " is not mapped to a folder", FALSE);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Say(drive + " cannot be opened: " + std::strerror(errno), FALSE);
    const bool flushed = syncfs(fd) == 0;
    const int error = errno;
    close(fd);
    if (!flushed) return Say(drive + " could not be flushed: " + std::strerror(error) + "; do not unplug it yet", FALSE);
    return Say(drive + " flushed; the player may be unplugged", TRUE);
}

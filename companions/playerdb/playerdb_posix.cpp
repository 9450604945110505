// The one call into the host system: renaming the new database file over the
// old one in a single step, which the Win32 file calls cannot do when the
// target exists.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "playerdb_file.h"
#include "zelcompat/debug.h"
#include "zelcompat/drives.h"

namespace zelplayerdb {

bool ReplaceFileAtomically(const std::u16string& from, const std::u16string& to) {
    const std::string source = ZelHostPath(from.c_str());
    const std::string target = ZelHostPath(to.c_str());
    if (source.empty() || target.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (std::rename(source.c_str(), target.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // Make the new directory entry itself durable.
    std::string folder = target.substr(0, target.rfind('/'));
    int descriptor = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
    return true;
}

}  // namespace zelplayerdb

// Host paths of the files the media routines write.
#include "media_paths.h"

#include <sys/stat.h>

#include "zelcompat/drives.h"

namespace zelmedia {

std::string HostPathForWriting(LPCWSTR windowsPath) {
    if (!windowsPath || !*windowsPath) return {};
    const std::u16string path(windowsPath);
    const size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string::npos || slash + 1 == path.size()) return {};
    // "E:\a.mp3" lives in "E:\", "E:\x\a.mp3" in "E:\x".
    const std::u16string folder = path.substr(0, slash == 2 && path[1] == u':' ? 3 : slash);
    const std::string host = ZelHostPath(path.c_str()), folderHost = ZelHostPath(folder.c_str());
    struct stat info;
    if (host.empty() || folderHost.empty() || stat(folderHost.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    const std::string prefix = folderHost.back() == '/' ? folderHost : folderHost + "/";
    if (host.size() <= prefix.size() || host.compare(0, prefix.size(), prefix) != 0) return {};
    if (host.find('/', prefix.size()) != std::string::npos) return {};
    return host;
}

}  // namespace zelmedia

// Module and data search folders. The installed folders are compiled in relative
// to the folder this library is installed in (ZELCOMPAT_MODULE_SUBDIR and
// ZELCOMPAT_DATA_SUBDIR), and resolved against where the library actually lies
// at run time: a prefix copied or unpacked elsewhere keeps working.
#include "modulesearch.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "paths.h"
#include "zelcompat/drives.h"
#include "zelcompat/modules.h"

#ifndef ZELCOMPAT_MODULE_SUBDIR
#define ZELCOMPAT_MODULE_SUBDIR "zeldevice"
#endif
#ifndef ZELCOMPAT_DATA_SUBDIR
#define ZELCOMPAT_DATA_SUBDIR "../share/zeldevice"
#endif

namespace zel {
namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder of the file this code was loaded from (the installed zelcompat).
std::string OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ExecutableFolder), &info) == 0 || info.dli_fname == nullptr) return {};
    char real[PATH_MAX];
    if (realpath(info.dli_fname, real) == nullptr) return {};
    return std::filesystem::path(real).parent_path().string();
}

std::string InstalledFolder(SearchKind kind) {
    const std::string own = OwnFolder();
    if (own.empty()) return {};
    const char* sub = kind == SearchKind::Modules ? ZELCOMPAT_MODULE_SUBDIR : ZELCOMPAT_DATA_SUBDIR;
    return (std::filesystem::path(own) / sub).lexically_normal().string();
}

void AppendModulePath(std::vector<std::string>& folders) {
    const char* extra = std::getenv("ZEL_MODULE_PATH");
    if (extra == nullptr) return;
    const std::string list = extra;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

std::string ExecutableFolder() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/'));
}

std::vector<std::string> SearchFolders(SearchKind kind) {
    std::vector<std::string> folders;
    const std::string installed = InstalledFolder(kind);
    if (!installed.empty() && IsFolder(installed)) folders.push_back(installed);
    const std::string executable = ExecutableFolder();
    if (executable != installed) folders.push_back(executable);
    AppendModulePath(folders);
    return folders;
}

}  // namespace zel

using namespace zel;

std::u16string ZelDataFolder(LPCWSTR item) {
    const std::vector<std::string> folders = SearchFolders(SearchKind::Data);
    for (const std::string& folder : folders) {
        const std::u16string windows = ZelWindowsPath(folder.c_str());
        if (windows.empty()) continue;
        if (item == nullptr || *item == 0) return windows;
        std::u16string path = windows;
        if (path.back() != u'\\') path += u'\\';
        path += item;
        Resolved resolved;
        if (Resolve(path.c_str(), resolved) == ERROR_SUCCESS && resolved.exists && !resolved.blocked) return windows;
    }
    return ZelWindowsPath(ExecutableFolder().c_str());
}

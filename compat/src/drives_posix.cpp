// The drive table: letters mapped onto host folders. Z: is the host's "/" and C:
// a per-user folder, as Win32 layers on Unix usually do.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <shared_mutex>

#include "filesystems.h"
#include "paths.h"
#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

struct Drive {
    std::string folder;
    std::string real;
};

struct DriveTable {
    std::shared_mutex lock;
    Drive drives[26];
    bool defaultsSet = false;
};

std::string Canonical(const std::string& folder) {
    char buffer[PATH_MAX];
    if (realpath(folder.c_str(), buffer)) return buffer;
    return folder;
}

std::string StripTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// The per-user folder behind C:, made on first use.
std::string UserDriveC() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data) {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    std::string folder = base + "/zelcompat/drive_c";
    std::string partial;
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') mkdir(folder.substr(0, i).c_str(), 0777);
    }
    return folder;
}

DriveTable& Table() {
    static DriveTable* table = [] {
        auto* t = new DriveTable;
        t->drives['Z' - 'A'] = {"/", "/"};
        return t;
    }();
    return *table;
}

int Index(WCHAR letter) {
    if (letter >= u'a' && letter <= u'z') letter = static_cast<WCHAR>(letter - 32);
    if (letter < u'A' || letter > u'Z') return -1;
    return letter - u'A';
}

void EnsureDriveC(DriveTable& table) {
    {
        std::shared_lock<std::shared_mutex> read(table.lock);
        if (table.defaultsSet || !table.drives[2].folder.empty()) return;
    }
    std::string folder = UserDriveC();
    std::unique_lock<std::shared_mutex> write(table.lock);
    if (!table.defaultsSet && table.drives[2].folder.empty()) table.drives[2] = {folder, Canonical(folder)};
    table.defaultsSet = true;
}

}  // namespace

std::string DriveFolder(WCHAR letter) {
    int index = Index(letter);
    if (index < 0) return {};
    DriveTable& table = Table();
    if (index == 2) EnsureDriveC(table);
    std::shared_lock<std::shared_mutex> read(table.lock);
    return table.drives[index].folder;
}

std::string DriveRealFolder(WCHAR letter) {
    int index = Index(letter);
    if (index < 0) return {};
    DriveTable& table = Table();
    if (index == 2) EnsureDriveC(table);
    std::shared_lock<std::shared_mutex> read(table.lock);
    return table.drives[index].real;
}

}  // namespace zel

BOOL ZelMapDrive(WCHAR letter, const char* hostFolder) {
    int index = zel::Index(letter);
    if (index < 0 || !hostFolder || !*hostFolder) return FALSE;
    std::string folder = zel::StripTrailingSlash(hostFolder);
    zel::DriveTable& table = zel::Table();
    std::unique_lock<std::shared_mutex> write(table.lock);
    table.drives[index] = {folder, zel::Canonical(folder)};
    if (index == 2) table.defaultsSet = true;
    // A folder mapped anew may be a file system mounted since it was looked at.
    zel::ForgetFileSystems();
    return TRUE;
}

BOOL ZelUnmapDrive(WCHAR letter) {
    int index = zel::Index(letter);
    if (index < 0) return FALSE;
    zel::DriveTable& table = zel::Table();
    std::unique_lock<std::shared_mutex> write(table.lock);
    bool was = !table.drives[index].folder.empty();
    table.drives[index] = {};
    if (index == 2) table.defaultsSet = true;
    zel::ForgetFileSystems();
    return was ? TRUE : FALSE;
}

std::string ZelDriveFolder(WCHAR letter) { return zel::DriveFolder(letter); }

BOOL ZelResolveHostPath(LPCWSTR windowsPath, std::string& hostPath) {
    hostPath.clear();
    zel::Resolved resolved;
    DWORD error = zel::Resolve(windowsPath, resolved);
    // A path that leaves the drive through a link has no host form here.
    if (error == ERROR_SUCCESS && resolved.blocked) error = ERROR_ACCESS_DENIED;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    hostPath = resolved.host;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

std::string ZelHostPath(LPCWSTR windowsPath) {
    std::string host;
    ZelResolveHostPath(windowsPath, host);
    return host;
}

std::u16string ZelWindowsPath(const char* hostPath) {
    if (!hostPath || !*hostPath) return {};
    std::string path = hostPath;
    if (path[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
    }
    zel::DriveTable& table = zel::Table();
    zel::EnsureDriveC(table);
    std::shared_lock<std::shared_mutex> read(table.lock);
    int best = -1;
    size_t bestLength = 0;
    for (int i = 0; i < 26; ++i) {
        const std::string& folder = table.drives[i].folder;
        if (folder.empty()) continue;
        bool inside = folder == "/" || path == folder ||
                      (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                       path[folder.size()] == '/');
        size_t length = folder == "/" ? 0 : folder.size();
        if (inside && (best < 0 || length > bestLength)) {
            best = i;
            bestLength = length;
        }
    }
    if (best < 0) return {};
    std::u16string result;
    result += static_cast<char16_t>(u'A' + best);
    result += u":\\";
    std::string rest = path.substr(bestLength);
    while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    std::u16string tail = ZelFromUtf8(rest);
    for (auto& c : tail) {
        if (c == u'/') c = u'\\';
    }
    result += tail;
    return result;
}

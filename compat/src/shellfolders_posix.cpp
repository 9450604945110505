// The shell's special folders over the XDG user directories.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "errors.h"
#include "zelcompat/drives.h"
#include "zelcompat/shellfolders.h"

namespace zel {
namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

// An XDG base directory variable; relative values do not count.
std::string BaseFolder(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    return HomeFolder() + "/" + fallbackUnderHome;
}

// One entry of $XDG_CONFIG_HOME/user-dirs.dirs: KEY="$HOME/Folder" or KEY="/abs/path",
// the last assignment winning. Empty when the file or the entry is missing.
std::string UserDirectory(const std::string& key) {
    std::ifstream in(BaseFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    std::string result;
    while (std::getline(in, line)) {
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line[at] == '#') continue;
        if (line.compare(at, key.size(), key) != 0) continue;
        at = line.find_first_not_of(" \t", at + key.size());
        if (at == std::string::npos || line[at] != '=') continue;
        at = line.find_first_not_of(" \t", at + 1);
        if (at == std::string::npos) continue;
        std::string value;
        if (line[at] == '"') {
            for (++at; at < line.size() && line[at] != '"'; ++at) {
                if (line[at] == '\\' && at + 1 < line.size()) ++at;
                value += line[at];
            }
        } else {
            size_t end = line.find_first_of(" \t#", at);
            value = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        }
        for (const char* home : {"${HOME}", "$HOME"}) {
            size_t length = std::strlen(home);
            if (value.compare(0, length, home) == 0 && (value.size() == length || value[length] == '/')) {
                value = HomeFolder() + value.substr(length);
                break;
            }
        }
        if (value.empty() || value[0] != '/') continue;
        result = value;
    }
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

std::string UserDirectoryOr(const char* key, const char* fallbackUnderHome) {
    std::string folder = UserDirectory(key);
    return folder.empty() ? HomeFolder() + "/" + fallbackUnderHome : folder;
}

// The host folder of a CSIDL, or empty for one this layer does not know.
std::string SpecialFolder(int csidl) {
    switch (csidl) {
        case CSIDL_MYMUSIC: return UserDirectoryOr("XDG_MUSIC_DIR", "Music");
        case CSIDL_PERSONAL: return UserDirectoryOr("XDG_DOCUMENTS_DIR", "Documents");
        case CSIDL_MYVIDEO: return UserDirectoryOr("XDG_VIDEOS_DIR", "Videos");
        case CSIDL_MYPICTURES: return UserDirectoryOr("XDG_PICTURES_DIR", "Pictures");
        case CSIDL_DESKTOP:
        case CSIDL_DESKTOPDIRECTORY: return UserDirectoryOr("XDG_DESKTOP_DIR", "Desktop");
        case CSIDL_APPDATA: return BaseFolder("XDG_CONFIG_HOME", ".config");
        case CSIDL_LOCAL_APPDATA: return BaseFolder("XDG_DATA_HOME", ".local/share");
        case CSIDL_PROFILE: return HomeFolder();
        default: return {};
    }
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes the folder and any missing parents.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    return IsFolder(path);
}

enum class Outcome { Found, UnknownFolder, Missing, TooLong };

Outcome Resolve(int csidl, bool create, LPWSTR path) {
    if (csidl & CSIDL_FLAG_CREATE) create = true;
    std::string folder = SpecialFolder(csidl & ~CSIDL_FLAG_MASK);
    if (folder.empty()) return Outcome::UnknownFolder;
    if (!IsFolder(folder) && !(create && MakeFolders(folder))) return Outcome::Missing;
    std::u16string windows = ZelWindowsPath(folder.c_str());
    if (windows.empty() || windows.size() >= MAX_PATH) return Outcome::TooLong;
    windows.copy(path, windows.size());
    path[windows.size()] = 0;
    return Outcome::Found;
}

}  // namespace
}  // namespace zel

using namespace zel;

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int csidl, BOOL create) {
    if (!path) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    switch (Resolve(csidl, create != FALSE, path)) {
        case Outcome::Found: return TRUE;
        case Outcome::UnknownFolder: return Fail(ERROR_INVALID_PARAMETER, FALSE);
        case Outcome::Missing: return Fail(ERROR_PATH_NOT_FOUND, FALSE);
        case Outcome::TooLong: break;
    }
    return Fail(ERROR_FILENAME_EXCED_RANGE, FALSE);
}

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR path) {
    if (!path) return E_INVALIDARG;
    switch (Resolve(csidl, false, path)) {
        case Outcome::Found: return S_OK;
        case Outcome::UnknownFolder: return E_INVALIDARG;
        case Outcome::Missing:
        case Outcome::TooLong: break;
    }
    path[0] = 0;
    return E_FAIL;
}

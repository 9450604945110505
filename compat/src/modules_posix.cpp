// Module loading over dlopen. "X.dll" is looked for as the file itself, then as
// libX.so and X.so in the same folder; a bare name in the installed module
// folder first, then next to the running executable, then in the folders of
// ZEL_MODULE_PATH (modulesearch.h).
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "errors.h"
#include "faultsinternal.h"
#include "paths.h"
#include "modulesearch.h"
#include "zelcompat/drives.h"
#include "zelcompat/modules.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

// "ResourceDll.dll" -> "ResourceDll"; a name without extension stays as it is.
std::string Stem(const std::string& name) {
    if (name.size() > 4) {
        std::string tail = name.substr(name.size() - 4);
        for (auto& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tail == ".dll") return name.substr(0, name.size() - 4);
    }
    return name;
}

std::vector<std::string> Candidates(const std::string& folder, const std::string& name) {
    std::string stem = Stem(name);
    return {folder + "/" + name, folder + "/lib" + stem + ".so", folder + "/" + stem + ".so"};
}

bool IsFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FirstFile(const std::vector<std::string>& candidates) {
    for (const auto& path : candidates)
        if (IsFile(path)) return path;
    return {};
}

// A test made loading this module file fail (ZEL_FAULT_OPEN on its Windows path).
bool LoadFaulted(const std::string& path) {
    FaultHit hit;
    return FindFault(ZelWindowsPath(path.c_str()), ZEL_FAULT_OPEN, hit);
}

HMODULE TryOpen(const std::vector<std::string>& candidates) {
    for (const auto& path : candidates) {
        if (!IsFile(path) || LoadFaulted(path)) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle) return static_cast<HMODULE>(handle);
        if (std::getenv("ZEL_DEBUG")) std::fprintf(stderr, "LoadLibraryW: %s\n", dlerror());
    }
    return nullptr;
}

}  // namespace
}  // namespace zel

using namespace zel;

HMODULE LoadLibraryW(LPCWSTR name) {
    if (!name || !*name) return Fail<HMODULE>(ERROR_INVALID_PARAMETER, nullptr);
    std::u16string text(name);
    bool hasFolder = text.find_first_of(u"\\/:") != std::u16string::npos;
    HMODULE module = nullptr;
    if (hasFolder) {
        std::string host = ZelHostPath(name);
        if (!host.empty()) {
            size_t slash = host.rfind('/');
            std::string folder = slash == std::string::npos ? "." : host.substr(0, slash);
            std::string file = host.substr(slash == std::string::npos ? 0 : slash + 1);
            module = TryOpen(Candidates(folder.empty() ? "/" : folder, file));
        }
    } else {
        const std::string file = ZelToUtf8(text);
        for (const auto& folder : SearchFolders(SearchKind::Modules)) {
            module = TryOpen(Candidates(folder, file));
            if (module) break;
        }
    }
    if (!module) return Fail<HMODULE>(ERROR_MOD_NOT_FOUND, nullptr);
    SetLastError(ERROR_SUCCESS);
    return module;
}

std::string ZelFindModule(LPCWSTR name) {
    if (!name || !*name || std::u16string(name).find_first_of(u"\\/:") != std::u16string::npos) return {};
    const std::string file = ZelToUtf8(name);
    for (const auto& folder : SearchFolders(SearchKind::Modules)) {
        std::string found = FirstFile(Candidates(folder, file));
        if (!found.empty()) return found;
    }
    return {};
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name) return Fail<FARPROC>(ERROR_INVALID_HANDLE, nullptr);
    void* symbol = dlsym(module, name);
    if (!symbol) return Fail<FARPROC>(ERROR_PROC_NOT_FOUND, nullptr);
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (!module || dlclose(module) != 0) return Fail(ERROR_INVALID_HANDLE, FALSE);
    return TRUE;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    std::string host;
    if (!module) {
        char path[PATH_MAX];
        ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
        if (length <= 0) return Fail<DWORD>(ERROR_GEN_FAILURE, 0);
        host.assign(path, static_cast<size_t>(length));
    } else {
        struct link_map* map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) {
            return Fail<DWORD>(ERROR_INVALID_HANDLE, 0);
        }
        char real[PATH_MAX];
        host = realpath(map->l_name, real) ? real : map->l_name;
    }
    std::u16string windows = ZelWindowsPath(host.c_str());
    if (!buffer || size == 0) return Fail<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
    if (windows.size() >= size) {
        std::copy(windows.begin(), windows.begin() + (size - 1), buffer);
        buffer[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::copy(windows.begin(), windows.end(), buffer);
    buffer[windows.size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(windows.size());
}

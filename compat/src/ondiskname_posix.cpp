// The spelling an entry has on a drive whose file system ignores case. Such a
// file system answers a lookup under any spelling, so the resolution cannot
// tell the two apart; the folder's own listing can. It is read afresh, for the
// folder times of a FAT drive do not tell reliably when it changed (the root
// has none at all).
#include <dirent.h>

#include "filesystems.h"
#include "zelcompat/textfn.h"

namespace zel {

void UseOnDiskName(Resolved& r) {
    if (!r.exists || r.IsRoot() || r.link || !TraitsOfFolder(r).foldsCase) return;
    const size_t slash = r.host.rfind('/');
    const std::string folder = slash == 0 ? std::string("/") : r.host.substr(0, slash);
    std::u16string& name = r.path.components.back();
    const std::u16string folded = FoldCase(name);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (struct dirent* entry = readdir(dir)) {
        const std::u16string candidate = ZelFromUtf8(entry->d_name);
        if (candidate == name) break;  // spelt as asked
        if (FoldCase(candidate) != folded) continue;
        name = candidate;
        r.host = folder == "/" ? std::string() : folder;
        r.host += '/';
        r.host += entry->d_name;
        break;
    }
    closedir(dir);
}

}  // namespace zel

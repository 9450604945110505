// The folders where bare module names and data items are looked for: the
// installed folders of the package (found from this library's own location, so
// that a moved prefix still works), the running executable's folder, then the
// folders of ZEL_MODULE_PATH.
#pragma once

#include <string>
#include <vector>

namespace zel {

enum class SearchKind { Modules, Data };

// Host folders in search order; folders that do not exist are left out.
std::vector<std::string> SearchFolders(SearchKind kind);

// Host folder of the running executable ("." when it cannot be read).
std::string ExecutableFolder();

}  // namespace zel

// The names of host folders, read once and kept while the folder is unchanged
// (or brought up to date with the changes the host reports), so that listing a
// folder again or looking up many names without regard to case in one large
// folder, even one being written to, does not read it each time.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>

namespace zel {

struct FolderNames {
    struct Entry {
        std::u16string folded;  // the name without regard to case
        std::u16string name;    // the name as text
        std::string host;       // the name as the host keeps it (bytes)
        bool operator<(const Entry& other) const {
            return std::tie(folded, name, host) < std::tie(other.folded, other.name, other.host);
        }
    };
    // Every entry but "." and "..", in the drive's listing order: names without
    // regard to case, then exactly.
    std::set<Entry> entries;

    // The first entry in listing order whose name equals folded without regard to case.
    const Entry* FindFolded(const std::u16string& folded) const;
};

// The names of folder (a host path) whose stat the caller has just taken: from
// the index when it still holds, else read now. Null when the folder cannot be
// read.
std::shared_ptr<const FolderNames> NamesOf(const std::string& folder, const struct stat& st);

// The on-disk name in folder that equals folded (a FoldCase text) without regard
// to case: the first in listing order. False when there is none.
bool CaseInsensitiveMatch(const std::string& folder, const std::u16string& folded, std::u16string& actual);

}  // namespace zel

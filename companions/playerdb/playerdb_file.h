// The database file on the player's drive: X:\System\PlayerDB.zdb. A new file
// is written beside it (PlayerDB.zdb.new, under the database's lock), flushed,
// and renamed over the old one, so that the file on the drive is always a
// whole database.
#pragma once

#include <string>

#include "playerdb_store.h"
#include "zelcompat/types.h"

namespace zelplayerdb {

std::u16string DatabasePath(WCHAR drive);
std::u16string TempPath(WCHAR drive);

// Whether the drive holds a database file (whole or not).
bool DatabaseExists(WCHAR drive);

enum class LoadResult { Loaded, Missing, Unreadable };
// Reads the database of a drive into store (left empty unless Loaded).
LoadResult Load(WCHAR drive, Store& store);
// Writes store as the database of a drive; window (when it is one) receives
// progress reports. False leaves the previous file as it was.
bool Save(WCHAR drive, const Store& store, HWND window);

// Renames from over to in one step (the host file system's rename).
bool ReplaceFileAtomically(const std::u16string& from, const std::u16string& to);

// The advisory lock of a drive's database, held from construction to
// destruction: writers in other processes wait for it, so that each applies its
// changes to the file the one before it wrote. The lock is on the database's
// folder, so no file is left behind for it; it goes with its process, however
// that ends.
class DatabaseLock {
public:
    explicit DatabaseLock(WCHAR drive);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;
    // False (with a debugger line) when the folder could not be made or locked.
    bool Held() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
};

}  // namespace zelplayerdb

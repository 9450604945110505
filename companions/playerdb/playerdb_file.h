// The database file on the player's drive: X:\System\PlayerDB.zdb. A new file
// is written beside it (PlayerDB.zdb.new), flushed, and renamed over the old
// one, so that the file on the drive is always a whole database.
#pragma once

#include <string>

#include "playerdb_store.h"
#include "zelcompat/types.h"

namespace zelplayerdb {

std::u16string DatabasePath(WCHAR drive);
std::u16string TempPath(WCHAR drive);

enum class LoadResult { Loaded, Missing, Unreadable };
// Reads the database of a drive into store (left empty unless Loaded).
LoadResult Load(WCHAR drive, Store& store);
// Writes store as the database of a drive; window (when it is one) receives
// progress reports. False leaves the previous file as it was.
bool Save(WCHAR drive, const Store& store, HWND window);

// Renames from over to in one step (the host file system's rename).
bool ReplaceFileAtomically(const std::u16string& from, const std::u16string& to);

}  // namespace zelplayerdb

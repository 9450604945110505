// How zelhost shows what is on a player: sizes, times, media types, folder
// entries and database records, as text lines and as JSON.
#pragma once

#include <string>

#include "json.h"
#include "session.h"

namespace zelhost {

// "83.2 KiB"; bytes below 1 KiB as "512 B".
std::string FormatSize(unsigned long long bytes);
// "2024-05-01 12:30:00" from the tree's "YYYYMMDDhhmmss"; the text as it is otherwise.
std::string FormatTimeStamp(const std::u16string& stamp);
// "MP3", "JPG", ... for a media-type code; the code in hexadecimal when it has no name.
std::string MediaTypeName(DWORD mediaType);
// The path of a device path below the root with "/" ("Music/a.mp3").
std::string ShownDevicePath(const std::u16string& devicePath);

// A database record as JSON (path, media type, size, tags, times).
Json RecordJson(const tagDB_File& record);
// One line about a record: path, type, size and, for music, its tags.
std::string RecordLine(const tagDB_File& record);

// A listed entry as JSON; with details the database state and record too.
Json EntryJson(const Session& session, const PlayerEntry& entry, int depth, bool details);
// Whether the player's database holds an entry: "yes", "no", or "-" for folders
// and players without a database.
std::string DatabaseState(const Session& session, const PlayerEntry& entry);

}  // namespace zelhost

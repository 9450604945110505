// Files zelhost itself keeps on the player (its profile, the database library)
// and reads from the computer.
#pragma once

#include <optional>
#include <string>

namespace zelhost {

// The whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes content as the file at hostPath the safe way: into a new file beside
// it, flushed, then renamed over it in one step. A reader never sees half a
// file, and a failure leaves the old file as it was and nothing beside it. No
// permissions are set (a FAT drive has none). False with error filled.
bool ReplaceFileContent(const std::string& hostPath, const std::string& content, std::string& error);

// The host path of a path on the player's drive. nullopt, with error saying
// why, when it has none: a folder of it is missing, or it leads through a link
// out of the player (zelhost writes nothing there).
std::optional<std::string> PlayerHostPath(const std::u16string& windowsPath, std::string& error);

}  // namespace zelhost

// Helpers of the agent's media routines: paths, fixed-size text fields, file kinds.
#pragma once

#include <cstddef>
#include <string>

#include "zelcompat/types.h"

namespace zelagent {

// Host path of a Windows path; empty for a null or empty path or an unmapped drive.
std::string HostPath(LPCWSTR windowsPath);

// Copies text into a zero-terminated field of units WCHARs: at most units-1 units, and
// never half of a surrogate pair.
void CopyField(WCHAR* field, size_t units, const std::u16string& text);

// What a file's first bytes say it is.
enum class MediaKind { Unknown, Mp3, Asf, OggVorbis };
MediaKind SniffMedia(const std::string& hostPath);

// A temporary file next to a target: removed when it goes out of scope unless it was
// moved onto the target.
class SiblingTemp {
public:
    explicit SiblingTemp(const std::string& target);
    ~SiblingTemp();
    SiblingTemp(const SiblingTemp&) = delete;
    SiblingTemp& operator=(const SiblingTemp&) = delete;

    const std::string& Path() const { return path_; }
    bool CopyFrom(const std::string& source);
    // Renames the temporary file onto the target.
    bool Commit();
    // The same, but a file (or anything else) at the target is never replaced:
    // false then, and the temporary file goes.
    bool CommitWithoutReplacing();

private:
    std::string target_;
    std::string path_;
    bool committed_ = false;
};

}  // namespace zelagent

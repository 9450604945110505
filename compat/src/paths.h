// Windows paths over the drive table: parsing, and resolution to host paths
// the way a FAT drive under Windows finds names (exact first, then without
// regard to case), never following a link out of a drive's folder.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "zelcompat/types.h"

namespace zel {

struct WindowsPath {
    WCHAR drive = 0;                         // upper-case letter
    bool volume = false;                     // \\.\X:
    std::vector<std::u16string> components;  // normalised: no "", "." or ".."
    std::u16string Text() const;             // X:\a\b, or X:\ for the root
};

// Parses an absolute or relative Windows path ("/" accepted as separator).
// False (with the last error set) for an empty or unsupported path.
bool ParseWindowsPath(LPCWSTR path, WindowsPath& out);

struct Resolved {
    WindowsPath path;       // components carry the on-disk names where they exist
    std::string host;       // host path of the whole path
    std::string driveRoot;  // host folder of the drive
    bool exists = false;    // the last component exists
    bool blocked = false;   // the last component is a link out of the drive
    bool link = false;      // the last component is a symbolic link (inside the drive or not)
    struct stat st {};      // of the last component (followed) when it exists
    bool IsDirectory() const { return exists && S_ISDIR(st.st_mode); }
    bool IsRoot() const { return path.components.empty(); }
};

// Resolves every component but the last, which may be missing. Returns
// ERROR_SUCCESS, or ERROR_PATH_NOT_FOUND / ERROR_INVALID_DRIVE / ... (not set
// as the last error; callers decide). A folder of the path that is a link out
// of the drive gives ERROR_ACCESS_DENIED: no path leads outside the drive.
DWORD Resolve(LPCWSTR path, Resolved& out);
// The same, and the last component must exist (ERROR_FILE_NOT_FOUND otherwise).
DWORD ResolveExisting(LPCWSTR path, Resolved& out);

// Host folder of a mapped drive letter ("" when unmapped); creates the
// per-user folder behind C: on first use.
std::string DriveFolder(WCHAR letter);
// Canonical (link-free) form of the drive's folder, for the escape test.
std::string DriveRealFolder(WCHAR letter);

// The attribute bits of an entry that is a symbolic link: the reparse bit joins
// the bits of what it leads to (FILE_ATTRIBUTE_NORMAL stands only alone).
DWORD WithLinkBit(DWORD attributes);

// Case-insensitive name comparison as the drive does it.
bool SameNameNoCase(const std::u16string& a, const std::u16string& b);
std::u16string FoldCase(const std::u16string& text);
// Windows wildcard match ("*", "?"; "*.*" matches every name), without regard to case.
bool WildcardMatch(const std::u16string& pattern, const std::u16string& name);

// Win32 attribute bits of a host entry: read-only from the owner write bit
// (files) or the stored attributes (folders), hidden/system/archive from the
// user.DOSATTRIB extended attribute, names beginning with "." hidden.
DWORD AttributesOf(const std::string& host, const struct stat& st, const std::u16string& name);
// Stores the attribute bits; false with errno set on failure.
bool StoreAttributes(const std::string& host, const struct stat& st, DWORD attributes);

FILETIME FileTimeFromTimespec(const struct timespec& ts);
// Creation, last-access and last-write times of a host entry.
void FileTimesOf(const std::string& host, const struct stat& st, FILETIME* created, FILETIME* accessed,
                 FILETIME* written);

}  // namespace zel

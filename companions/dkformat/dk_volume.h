// The drive's folder as the format library works on it: opened once, walked
// and emptied through directory handles, never following a link and never
// entering another file system mounted inside it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dkformat {

// What stayed behind, as the drive names it ("E:\Music\a.mp3") with the reason.
struct Leftover {
    std::string path;
    std::string reason;
};

class Volume {
public:
    // Opens the host folder of drive letter for formatting. Null, with why
    // filled, when it cannot be opened or written, or is the host's own root.
    static std::unique_ptr<Volume> Open(char letter, const std::string& folder, std::string& why);
    ~Volume();
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    // The entries below the root. tick runs every few hundred entries; false stops the count.
    // False when tick stopped it.
    bool Count(size_t& entries, const std::function<bool()>& tick);

    // Removes every entry below the root, deepest first. removed runs after
    // each removal with the number removed so far; false stops the removal.
    // Entries that could not be removed are added to leftovers. False when
    // removed stopped it.
    bool RemoveAll(const std::function<bool(size_t)>& removed, std::vector<Leftover>& leftovers);

    // What the root still holds, each with "(and what it holds)" for folders.
    std::vector<std::string> RootEntries() const;

private:
    Volume(char letter, int rootFd, unsigned long long device);
    struct Walk;

    char m_letter;
    int m_rootFd;
    unsigned long long m_device;  // the file system of the root: nothing on another one is touched
};

}  // namespace dkformat

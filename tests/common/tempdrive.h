// A temporary folder mapped as a drive letter for the length of a test.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "zelcompat/drives.h"
#include "zelcompat/faults.h"

class TempDrive {
public:
    explicit TempDrive(char16_t letter = u'E') : letter_(letter) {
        char pattern[] = "/tmp/zeldriveXXXXXX";
        char* made = mkdtemp(pattern);
        folder_ = made ? made : "/tmp";
        ZelMapDrive(letter_, folder_.c_str());
    }
    ~TempDrive() {
        ZelUnmapDrive(letter_);
        ZelClearFaults();
        std::error_code ignored;
        // Read-only entries must not stop the clean-up.
        for (auto& entry : std::filesystem::recursive_directory_iterator(folder_, ignored)) {
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(folder_, ignored);
    }
    TempDrive(const TempDrive&) = delete;
    TempDrive& operator=(const TempDrive&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string Host(const std::string& relative) const { return folder_ + "/" + relative; }
    // Windows path on this drive: Win("Music\\a.mp3") is E:\Music\a.mp3.
    std::u16string Win(const std::u16string& relative = u"") const {
        std::u16string path;
        path += letter_;
        path += u":\\";
        return path + relative;
    }
    void WriteFile(const std::string& relative, const std::string& content) const {
        std::filesystem::create_directories(std::filesystem::path(Host(relative)).parent_path());
        std::ofstream(Host(relative), std::ios::binary) << content;
    }
    std::string ReadFile(const std::string& relative) const {
        std::ifstream in(Host(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(Host(relative)); }
    char16_t Letter() const { return letter_; }
    // Everything below the folder ("Music", "Music/a.mp3"), sorted, links not followed.
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(folder_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            entries.push_back(it->path().lexically_relative(folder_).string());
        std::sort(entries.begin(), entries.end());
        return entries;
    }

private:
    char16_t letter_;
    std::string folder_;
};

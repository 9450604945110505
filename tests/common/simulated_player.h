// Folders of the computer that a test hands to the agent as a simulated MTP
// player (ZEL_MTP_PLAYER) and its memory card (ZEL_MTP_CARD), and faults
// injected into it (ZEL_MTP_FAULT). Everything is put back when the test ends.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_) setenv(name_.c_str(), old_.c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, old_;
    bool had_ = false;
};

class SimulatedPlayerFolders {
public:
    explicit SimulatedPlayerFolders(bool withCard = false) {
        char pattern[] = "/tmp/zelmtpXXXXXX";
        const char* made = mkdtemp(pattern);
        base_ = made != nullptr ? made : "/tmp/zelmtp-unmade";
        std::filesystem::create_directories(Player());
        player_.emplace("ZEL_MTP_PLAYER", Player());
        if (withCard) {
            std::filesystem::create_directories(Card());
            card_.emplace("ZEL_MTP_CARD", Card());
        } else {
            card_.emplace("ZEL_MTP_CARD", "");  // an empty name is no card
        }
    }
    ~SimulatedPlayerFolders() {
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
    }
    SimulatedPlayerFolders(const SimulatedPlayerFolders&) = delete;
    SimulatedPlayerFolders& operator=(const SimulatedPlayerFolders&) = delete;

    std::string Player(const std::string& relative = "") const { return Join(base_ + "/player", relative); }
    std::string Card(const std::string& relative = "") const { return Join(base_ + "/card", relative); }
    // A folder of the computer beside the player, for the files a test sends.
    std::string Computer(const std::string& relative = "") const {
        std::filesystem::create_directories(base_ + "/pc");
        return Join(base_ + "/pc", relative);
    }

    static void Write(const std::string& path, const std::string& data) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << data;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }
    // Every name below a folder, as "a/b.mp3", sorted.
    static std::vector<std::string> Everything(const std::string& folder) {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
            names.push_back(std::filesystem::relative(entry.path(), folder).string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    static std::string Join(const std::string& folder, const std::string& relative) {
        return relative.empty() ? folder : folder + "/" + relative;
    }
    std::string base_;
    std::optional<ScopedEnv> player_, card_;
};

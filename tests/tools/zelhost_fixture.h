// The end-to-end tests' host side: runs the built zelhost against a temporary
// player folder with a home, a config and a TMPDIR of its own (so a test sees
// everything zelhost leaves behind), makes real media files to send, and reads
// what landed on the player.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "mediagen.h"

namespace fs = std::filesystem;

namespace zelhost_test {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A work folder with a player, sources, a home and a temporary folder of its own.
class ZelhostTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zelhost-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        work = pattern;
        player = work + "/player";
        sources = work + "/sources";
        home = work + "/home";
        tmp = work + "/tmp";
        fs::create_directories(sources);
        fs::create_directories(home);
        fs::create_directories(tmp);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }

    // The environment of every run: its home, config and temporary folders, then the test's own.
    std::string Environment() const {
        std::string text = "TMPDIR=" + Quote(tmp) + " HOME=" + Quote(home) + " XDG_CONFIG_HOME=" + Quote(home + "/.config");
        for (const auto& [key, value] : env) text += " " + key + "=" + Quote(value);
        return text;
    }
    // zelhost with the player and the arguments (each quoted for the shell).
    // input, when given, is what zelhost reads on standard input (else nothing).
    RunResult Zelhost(const std::vector<std::string>& args, bool withPlayer = true, const std::string& input = "") {
        std::string command = Environment() + " " + Quote(ZELHOST_BINARY);
        if (withPlayer) command += " --player " + Quote(player);
        for (const std::string& arg : args) command += " " + Quote(arg);
        const std::string errFile = work + "/stderr.txt";
        command += " 2>" + Quote(errFile);
        const std::string inFile = work + "/stdin.txt";
        if (!input.empty()) std::ofstream(inFile, std::ios::binary) << input;
        command += " <" + Quote(input.empty() ? std::string("/dev/null") : inFile);
        RunResult result;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = ReadAll(errFile);
        return result;
    }

    // Starts zelhost in the background with standard output going to outFd and
    // standard error to a file; its process id.
    pid_t Start(const std::vector<std::string>& args, int outFd, const std::string& errFile) {
        const pid_t child = fork();
        if (child != 0) return child;
        setenv("TMPDIR", tmp.c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        for (const auto& [key, value] : env) setenv(key.c_str(), value.c_str(), 1);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (dup2(outFd, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        std::vector<std::string> all{ZELHOST_BINARY, "--player", player};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execve(ZELHOST_BINARY, argv.data(), environ);
        _exit(127);
    }
    static int Wait(pid_t child) {
        int status = 0;
        if (waitpid(child, &status, 0) != child) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }
    std::string Song(const std::string& name, const std::string& title, const std::string& folder = "") {
        zelmediagen::Mp3Options options;
        options.frames = 40;
        options.title = title;
        options.artist = "Test Artist";
        options.album = "Test Album";
        options.track = 7;
        options.cover = {zelmediagen::ImageFormat::Jpeg, 200, 200, 3};
        const std::string dir = folder.empty() ? sources : folder;
        fs::create_directories(dir);
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(zelmediagen::WriteMp3(path, options));
        return path;
    }
    std::string Photo(const std::string& name, const std::string& folder = "") {
        const std::string dir = folder.empty() ? sources : folder;
        fs::create_directories(dir);
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(zelmediagen::WriteJpeg(path, 64, 48));
        return path;
    }
    bool OnDrive(const std::string& relative) const { return fs::is_regular_file(player + "/" + relative); }

    // The record count in the header of the database file the reference library writes.
    int DatabaseFileRecords() const {
        const std::string data = ReadAll(player + "/System/PlayerDB.zdb");
        if (data.size() < 24 || data.compare(0, 8, "ZELPLDB1") != 0) return -1;
        uint32_t count = 0;
        std::memcpy(&count, data.data() + 12, sizeof count);
        return static_cast<int>(count);
    }
    // The database file holds a text ending a record's field (the file keeps
    // its texts as UTF-16 units).
    bool DatabaseFileHolds(const std::u16string& tail) const {
        const std::string data = ReadAll(player + "/System/PlayerDB.zdb");
        const std::string bytes(reinterpret_cast<const char*>(tail.data()), tail.size() * 2);
        return data.find(bytes) != std::string::npos;
    }

    std::string work, player, sources, home, tmp;
    std::map<std::string, std::string> env;  // more variables for the runs
};

}  // namespace zelhost_test

// A FAT image for a test: made with mkfs.fat (FAT16 or FAT32), mounted through
// FUSE with fusefat on a folder, and after the test unmounted, checked with
// fsck.fat and read back with mtools, so that what a session wrote is judged on
// the image itself and not only through the mount.
//
// fusefat runs in the foreground as a child of the test: after fusermount -u
// the test waits for it to end, for it writes the last changes of the file
// allocation table as it ends (a check made before then reports damage that is
// not there). It mounts with hard_remove: a file deleted while it is open (the
// database library the device has loaded) goes at once, as on the kernel's
// FAT, instead of lingering under a hidden name that keeps its folder.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fat_test {

namespace fs = std::filesystem;

struct CommandResult {
    int exitCode = -1;
    std::string out;
};

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command; its standard output (standard error joined when asked).
inline CommandResult Run(const std::string& command, bool withErrors = true) {
    CommandResult result;
    FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The full path of a program found in PATH or the system folders; empty when missing.
inline std::string FindProgram(const std::string& name) {
    std::string path = "/usr/sbin:/sbin:/usr/bin:/bin";
    if (const char* env = std::getenv("PATH")) path = std::string(env) + ":" + path;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = path.find(':', start);
        const std::string folder = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

class FatImage {
public:
    // Whether FAT images can be mounted here; why not when they cannot.
    static bool Available(std::string& why) {
        if (access("/dev/fuse", R_OK | W_OK) != 0) {
            why = "/dev/fuse is missing or not usable: FUSE mounts are not possible on this machine";
            return false;
        }
        for (const char* tool : {"mkfs.fat", "fsck.fat", "fusefat", "mdir", "mcopy"}) {
            if (FindProgram(tool).empty()) {
                why = std::string(tool) + " is not installed (scripts/install-deps installs it)";
                return false;
            }
        }
        if (Unmounter().empty()) {
            why = "neither fusermount3 nor fusermount is installed";
            return false;
        }
        return true;
    }

    FatImage(const std::string& image, int bits) : m_image(image), m_bits(bits) {}
    ~FatImage() { Unmount(); }
    FatImage(const FatImage&) = delete;
    FatImage& operator=(const FatImage&) = delete;

    const std::string& Image() const { return m_image; }
    const std::string& MountPoint() const { return m_mountPoint; }

    // Makes the image: sparse, small, and far from full (fusefat stalls on the
    // last cluster; the library refuses a transfer with less than 10 MiB free).
    bool Make(std::string& error) {
        const CommandResult made = Run("truncate -s 48M " + ShellQuote(m_image) + " && " + FindProgram("mkfs.fat") +
                                       " -F " + std::to_string(m_bits) + " " + ShellQuote(m_image));
        if (made.exitCode != 0) error = "mkfs.fat failed: " + made.out;
        return made.exitCode == 0;
    }

    // Mounts the image on folder (made when missing) and waits until it is there.
    bool Mount(const std::string& folder, std::string& error) {
        fs::create_directories(folder);
        m_mountPoint = folder;
        m_log = m_image + ".fusefat.log";
        const std::string program = FindProgram("fusefat");
        m_server = fork();
        if (m_server == 0) {
            const int log = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log >= 0) {
                dup2(log, 1);
                dup2(log, 2);
            }
            execl(program.c_str(), "fusefat", "-f", "-o", "rw+,hard_remove", m_image.c_str(), m_mountPoint.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int wait = 0; wait < 200; ++wait) {
            struct statfs info;
            if (statfs(m_mountPoint.c_str(), &info) == 0 && static_cast<unsigned long>(info.f_type) == 0x65735546) return true;
            int status = 0;
            if (waitpid(m_server, &status, WNOHANG) == m_server) {
                m_server = -1;
                error = "fusefat ended before the image was mounted: " + ReadLog();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        error = "the image did not appear mounted within 5 s: " + ReadLog();
        Unmount();
        return false;
    }

    // Unmounts and waits for fusefat to end; false when it had to be stopped.
    bool Unmount() {
        if (m_server <= 0) return true;
        Run(Unmounter() + " -u " + ShellQuote(m_mountPoint));
        bool ended = false;
        for (int wait = 0; wait < 400 && !ended; ++wait) {
            int status = 0;
            ended = waitpid(m_server, &status, WNOHANG) == m_server;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (!ended) {
            Run(Unmounter() + " -u -z " + ShellQuote(m_mountPoint));
            kill(m_server, SIGKILL);
            waitpid(m_server, nullptr, 0);
        }
        m_server = -1;
        return ended;
    }

    // fsck.fat -n on the unmounted image: exit code 0 when it found nothing to repair.
    CommandResult Check() const { return Run(FindProgram("fsck.fat") + " -n " + ShellQuote(m_image)); }

    // Every file and folder on the image as mtools lists it ("Music/a.mp3", folders ending in "/").
    std::vector<std::string> List() const {
        const CommandResult listed = Run("MTOOLS_SKIP_CHECK=1 " + FindProgram("mdir") + " -/ -b -i " + ShellQuote(m_image) + " ::/", false);
        std::vector<std::string> names;
        size_t start = 0;
        while (start < listed.out.size()) {
            size_t end = listed.out.find('\n', start);
            if (end == std::string::npos) end = listed.out.size();
            std::string line = listed.out.substr(start, end - start);
            if (line.rfind("::/", 0) == 0) names.push_back(line.substr(3));
            start = end + 1;
        }
        return names;
    }
    // A file's bytes as mtools reads them from the image.
    CommandResult Read(const std::string& relative) const {
        return Run("MTOOLS_SKIP_CHECK=1 " + FindProgram("mcopy") + " -n -i " + ShellQuote(m_image) + " " +
                       ShellQuote("::/" + relative) + " -",
                   false);
    }

private:
    static std::string Unmounter() {
        std::string found = FindProgram("fusermount3");
        return found.empty() ? FindProgram("fusermount") : found;
    }
    std::string ReadLog() const {
        const CommandResult log = Run("cat " + ShellQuote(m_log));
        return log.out;
    }

    std::string m_image;
    int m_bits;
    std::string m_mountPoint;
    std::string m_log;
    pid_t m_server = -1;
};

}  // namespace fat_test

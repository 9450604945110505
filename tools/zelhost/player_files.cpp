// Reading and safely replacing whole files.
#include "player_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ZELDevice/ZELDevice.h"

namespace zelhost {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

bool ReplaceFileContent(const std::string& hostPath, const std::string& content, std::string& error) {
    const std::string temporary = hostPath + ".zelhost-" + std::to_string(getpid()) + ".new";
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = write(file, content.data() + done, content.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    const int writeError = done == content.size() ? 0 : errno;
    const bool flushed = writeError == 0 && fsync(file) == 0;
    const int flushError = errno;
    const bool closed = close(file) == 0;
    if (writeError != 0 || !flushed || !closed ||
        std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
        const int cause = writeError != 0 ? writeError : (!flushed ? flushError : errno);
        error = "cannot write " + hostPath + ": " + std::strerror(cause != 0 ? cause : EIO);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> PlayerHostPath(const std::u16string& windowsPath, std::string& error) {
    std::string host;
    if (ZelResolveHostPath(windowsPath.c_str(), host)) return host;
    error = GetLastError() == ERROR_ACCESS_DENIED
                ? ZelToUtf8(windowsPath) + " leads outside the player through a link; zelhost writes nothing there"
                : ZelToUtf8(windowsPath) + ": a folder of the path is missing on the player";
    return std::nullopt;
}

}  // namespace zelhost

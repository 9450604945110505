// The movie converter's entry point: the device library loads it as
// "xvmf2avi.dll" and calls ConvertVMF2AVI by name when a movie in the
// player's own format comes back to the computer.
//
// The AVI file is written under a hidden temporary name beside the destination
// and renamed onto it only when it is complete, so a failure never leaves a
// partial destination behind. The result keeps the source's last-write time,
// as a copy would, so a second upload of the same movie is recognised.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "convert_result.h"
#include "media_paths.h"
#include "movie_converter.h"
#include "zelcompat/drives.h"
#include "zelcompat/types.h"

#define XVMF_API extern "C" __attribute__((visibility("default")))

namespace {

// A temporary file of ours beside target; removed on every way out unless kept.
class TemporaryOutput {
public:
    explicit TemporaryOutput(const std::string& target) {
        const size_t slash = target.rfind('/');
        std::string pattern = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) return;
        close(fd);
        m_path = pattern;
    }
    ~TemporaryOutput() {
        if (!m_path.empty()) unlink(m_path.c_str());
    }
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    const std::string& Path() const { return m_path; }
    // Makes the file durable, gives it the source's time and mode, and puts it in target's place.
    bool Commit(const std::string& target, const struct stat& source) {
        const int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        const bool settled = fsync(fd) == 0 && futimens(fd, times) == 0 && fchmod(fd, source.st_mode & 0666) == 0;
        close(fd);
        if (!settled || rename(m_path.c_str(), target.c_str()) != 0) return false;
        m_path.clear();
        return true;
    }

private:
    std::string m_path;
};

}  // namespace

// Converts the movie at source into an AVI file at destination (both Windows
// paths). 0 when destination was written; otherwise one of xvmf::Result and
// destination is as it was.
XVMF_API int ConvertVMF2AVI(const char16_t* source, const char16_t* destination) {
    if (source == nullptr || destination == nullptr || *source == 0 || *destination == 0) return xvmf::kBadArguments;
    const std::string from = ZelHostPath(source);
    struct stat sourceInfo {};
    if (from.empty() || stat(from.c_str(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode))
        return xvmf::kUnreadableSource;
    const std::string to = zelmedia::HostPathForWriting(destination);
    if (to.empty()) return xvmf::kUnwritable;
    struct stat targetInfo {};
    if (stat(to.c_str(), &targetInfo) == 0 && targetInfo.st_dev == sourceInfo.st_dev &&
        targetInfo.st_ino == sourceInfo.st_ino)
        return xvmf::kBadArguments;

    TemporaryOutput output(to);
    if (output.Path().empty()) return xvmf::kUnwritable;
    const xvmf::Result result = xvmf::ConvertToAvi(from, output.Path());
    if (result != xvmf::kConverted) return result;
    return output.Commit(to, sourceInfo) ? xvmf::kConverted : xvmf::kUnwritable;
}

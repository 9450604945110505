// The calls into the host system: renaming the new database file over the old
// one in a single step, which the Win32 file calls cannot do when the target
// exists, and the advisory lock that lets several processes write one database.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "playerdb_file.h"
#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/files.h"

namespace zelplayerdb {

namespace {

// How long a writer waits for another one before it gives up.
constexpr std::chrono::seconds kLockPatience{60};

void Debug(const std::u16string& line) { OutputDebugStringW((u"[PlayerDB] " + line + u"\n").c_str()); }

}  // namespace

bool ReplaceFileAtomically(const std::u16string& from, const std::u16string& to) {
    // Neither name may lead outside the drive: the check fails instead of
    // answering a path to join.
    std::string source, target;
    if (!ZelResolveHostPath(from.c_str(), source) || !ZelResolveHostPath(to.c_str(), target)) return false;
    if (std::rename(source.c_str(), target.c_str()) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // Make the new directory entry itself durable.
    std::string folder = target.substr(0, target.rfind('/'));
    int descriptor = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
    return true;
}

DatabaseLock::DatabaseLock(WCHAR drive) {
    const std::u16string folder = std::u16string(1, drive) + u":\\System";
    CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is fine
    std::string host;
    if (!ZelResolveHostPath(folder.c_str(), host)) {
        Debug(u"Can't lock " + folder);
        return;
    }
    const int descriptor = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        Debug(u"Can't lock " + folder);
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL) {
            // A file system without locks still takes the write, as before there were any.
            Debug(u"No lock on " + folder + u"; writing without one");
            break;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) {
            close(descriptor);
            Debug(u"Can't lock " + folder);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_descriptor = descriptor;
}

DatabaseLock::~DatabaseLock() {
    // Closing the descriptor releases the lock.
    if (m_descriptor >= 0) close(m_descriptor);
}

}  // namespace zelplayerdb

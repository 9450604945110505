// CopyFileExW with its whole progress contract: one stream-switch call, one
// chunk-finished call per block, the cancel flag polled before every block, the
// callback's cancel and stop answers honoured, and no partial destination left
// behind after a cancel or a failure.
//
// The copy is written under a temporary name in the destination's folder and
// renamed over the destination once it is whole, so that a file it replaces
// stays as it was until then: a full drive, a cancel or a killed process never
// costs the old file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "attributeroute.h"
#include "errors.h"
#include "faultsinternal.h"
#include "fileobject.h"
#include "filesystems.h"
#include "zelcompat/files.h"

namespace zel {
namespace {

constexpr size_t kChunk = 1 << 20;  // 1 MiB per progress step

LARGE_INTEGER Large(ULONGLONG value) {
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(value);
    return li;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

// Copies up to count bytes from in to out. Uses the kernel's in-place copy
// where it can, plain reads and writes where an injected write fault must count bytes.
bool CopyChunk(int in, int out, size_t count, const std::u16string& target, ULONGLONG& written, bool faultable,
               std::vector<char>& buffer, size_t& moved) {
    moved = 0;
    if (!faultable) {
        while (moved < count) {
            ssize_t n = copy_file_range(in, nullptr, out, nullptr, count - moved, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
                SetLastErrorFromErrno(errno);
                return false;
            }
            if (n == 0) return true;
            moved += static_cast<size_t>(n);
        }
        written += moved;
        if (moved == count) return true;
    }
    if (buffer.empty()) buffer.resize(kChunk);
    while (moved < count) {
        ssize_t n = read(in, buffer.data(), std::min(buffer.size(), count - moved));
        if (n < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n), target, written, nullptr)) return false;
        moved += static_cast<size_t>(n);
    }
    return true;
}

bool Faulted(const std::u16string& path, DWORD op) {
    FaultHit hit;
    if (!FindFault(path, op, hit)) return false;
    SetLastError(hit.error);
    return true;
}

}  // namespace
}  // namespace zel

using namespace zel;

BOOL CopyFileExW(LPCWSTR existing, LPCWSTR newName, LPPROGRESS_ROUTINE progress, LPVOID data, LPBOOL cancel,
                 DWORD flags) {
    Resolved from, to;
    DWORD error = ResolveExisting(existing, from);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (from.IsDirectory()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    error = Resolve(newName, to);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (to.blocked || to.IsDirectory()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (to.exists && (flags & COPY_FILE_FAIL_IF_EXISTS)) return Fail(ERROR_FILE_EXISTS, FALSE);
    error = NewNameError(to);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    // A file replaced keeps its name as the drive spells it.
    UseOnDiskName(to);
    if (to.exists && !(to.st.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (to.exists && to.st.st_dev == from.st.st_dev && to.st.st_ino == from.st.st_ino) {
        return Fail(ERROR_SHARING_VIOLATION, FALSE);
    }
    std::u16string source = from.path.Text(), target = to.path.Text();
    if (Faulted(source, ZEL_FAULT_OPEN | ZEL_FAULT_READ) || Faulted(target, ZEL_FAULT_OPEN)) return FALSE;
    if (cancel && *cancel) return Fail(ERROR_REQUEST_ABORTED, FALSE);

    Fd in, out;
    in.fd = open(from.host.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    const std::string temporary = CreateTemporaryBeside(to.host, out.fd);
    if (temporary.empty()) return FALSE;
    // Every way out below that fails removes the temporary copy; the
    // destination is touched only by the final rename. A copy stopped by the
    // callback keeps what it wrote under the destination's name only when that
    // name was free (the copy may be resumed); it never replaces a file.
    auto abandon = [&](DWORD code, bool keep) {
        close(out.fd);
        out.fd = -1;
        if (!(keep && !to.exists && rename(temporary.c_str(), to.host.c_str()) == 0)) unlink(temporary.c_str());
        SetLastError(code);
        return FALSE;
    };

    ULONGLONG total = static_cast<ULONGLONG>(from.st.st_size);
    ULONGLONG done = 0, written = 0;
    bool quiet = progress == nullptr;
    auto report = [&](DWORD reason) -> DWORD {
        if (quiet) return PROGRESS_CONTINUE;
        DWORD answer = progress(Large(total), Large(done), Large(total), Large(done), 1, reason,
                                reinterpret_cast<HANDLE>(static_cast<intptr_t>(in.fd)),
                                reinterpret_cast<HANDLE>(static_cast<intptr_t>(out.fd)), data);
        if (answer == PROGRESS_QUIET) quiet = true;
        return answer;
    };
    auto answerEnds = [&](DWORD answer) -> int {
        if (answer == PROGRESS_CANCEL) return 1;
        if (answer == PROGRESS_STOP) return 2;
        return 0;
    };

    int stop = answerEnds(report(CALLBACK_STREAM_SWITCH));
    FaultHit writeFault;
    bool faultable = FindFault(target, ZEL_FAULT_WRITE, writeFault);
    std::vector<char> buffer;
    while (!stop && done < total) {
        if (cancel && *cancel) return abandon(ERROR_REQUEST_ABORTED, false);
        size_t moved = 0;
        size_t want = static_cast<size_t>(std::min<ULONGLONG>(kChunk, total - done));
        if (!CopyChunk(in.fd, out.fd, want, target, written, faultable, buffer, moved)) {
            return abandon(GetLastError(), false);
        }
        if (moved == 0) break;  // the source shrank while it was copied
        done += moved;
        stop = answerEnds(report(CALLBACK_CHUNK_FINISHED));
    }
    if (stop == 1 || (cancel && *cancel)) return abandon(ERROR_REQUEST_ABORTED, false);
    if (stop == 2) return abandon(ERROR_REQUEST_ABORTED, true);

    // The copy keeps the source's last-write time and attributes, as on Windows.
    struct timespec times[2] = {from.st.st_atim, from.st.st_mtim};
    futimens(out.fd, times);
    fchmod(out.fd, from.st.st_mode & 07777);
    const DWORD stored = ReadStoredBits(from.host, AttributeRouteOf(from.host, from.st));
    if (stored != 0) {
        struct stat written;
        if (fstat(out.fd, &written) == 0) WriteStoredBitsOf(out.fd, AttributeRouteOf(temporary, written), stored);
    }
    if (close(out.fd) != 0) {
        out.fd = -1;
        int error = errno;
        unlink(temporary.c_str());
        SetLastErrorFromErrno(error);
        return FALSE;
    }
    out.fd = -1;
    // The last look at the flag before the old file is given up.
    if (cancel && *cancel) {
        unlink(temporary.c_str());
        return Fail(ERROR_REQUEST_ABORTED, FALSE);
    }
    if (rename(temporary.c_str(), to.host.c_str()) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        SetLastErrorFromErrno(error);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// C runtime streams by UTF-16 path. Each stream is a host FILE over a cookie,
// so that injected write faults reach stream writes too and the wide line
// functions know whether a stream is binary or text.
//
// A stream opened with "w" over a file that exists replaces it whole: the bytes
// go to a temporary file beside it, which the close renames over the old file
// only when every write and the close itself succeeded. A failed write, a full
// drive or a process that dies on the way leaves the old file as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "errors.h"
#include "faultsinternal.h"
#include "fileobject.h"
#include "filesystems.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wstdio.h"

namespace zel {
namespace {

struct StreamCookie {
    int fd = -1;
    bool text = false;
    std::u16string windowsPath;
    ULONGLONG written = 0;
    // A replacing stream: the temporary file written, the file it replaces at
    // the close, and whether a write has failed (then nothing is replaced).
    std::string temporaryHost;
    std::string targetHost;
    bool failed = false;
};

struct StreamTable {
    std::mutex lock;
    std::unordered_map<FILE*, StreamCookie*> streams;
};

StreamTable& Streams() {
    static StreamTable* table = new StreamTable;
    return *table;
}

bool IsTextStream(FILE* stream) {
    StreamTable& table = Streams();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.streams.find(stream);
    return found != table.streams.end() && found->second->text;
}

ssize_t CookieRead(void* cookie, char* buffer, size_t size) {
    auto* c = static_cast<StreamCookie*>(cookie);
    FaultHit hit;
    if (FindFault(c->windowsPath, ZEL_FAULT_READ, hit)) {
        errno = EIO;
        return -1;
    }
    for (;;) {
        ssize_t n = read(c->fd, buffer, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

ssize_t CookieWrite(void* cookie, const char* buffer, size_t size) {
    auto* c = static_cast<StreamCookie*>(cookie);
    size_t done = 0;
    if (!WriteAll(c->fd, buffer, size, c->windowsPath, c->written, &done)) {
        c->failed = true;
        DWORD error = GetLastError();
        errno = error == ERROR_DISK_FULL ? ENOSPC : EIO;
        return done > 0 ? static_cast<ssize_t>(done) : -1;
    }
    return static_cast<ssize_t>(done);
}

int CookieSeek(void* cookie, off64_t* position, int whence) {
    auto* c = static_cast<StreamCookie*>(cookie);
    off64_t result = lseek64(c->fd, *position, whence);
    if (result < 0) return -1;
    *position = result;
    return 0;
}

int CookieClose(void* cookie) {
    auto* c = static_cast<StreamCookie*>(cookie);
    {
        StreamTable& table = Streams();
        std::lock_guard<std::mutex> guard(table.lock);
        for (auto it = table.streams.begin(); it != table.streams.end(); ++it) {
            if (it->second == c) {
                table.streams.erase(it);
                break;
            }
        }
    }
    int result = close(c->fd);
    if (!c->temporaryHost.empty()) {
        if (result == 0 && !c->failed && rename(c->temporaryHost.c_str(), c->targetHost.c_str()) == 0) {
            c->temporaryHost.clear();
        } else {
            if (result == 0) result = -1;
            unlink(c->temporaryHost.c_str());
        }
    }
    delete c;
    return result;
}

struct Mode {
    bool read = false, write = false, append = false, plus = false, text = true, valid = true;
};

Mode ParseMode(LPCWSTR mode) {
    Mode m;
    if (!mode || !*mode) {
        m.valid = false;
        return m;
    }
    switch (mode[0]) {
    case u'r': m.read = true; break;
    case u'w': m.write = true; break;
    case u'a': m.append = true; break;
    default: m.valid = false; return m;
    }
    for (LPCWSTR p = mode + 1; *p; ++p) {
        if (*p == u'+') m.plus = true;
        else if (*p == u'b') m.text = false;
        else if (*p == u't') m.text = true;
        else if (*p == u',') break;  // ",ccs=..." encodings are not served
    }
    return m;
}

int ErrnoFromWin32(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_DISK_FULL: return ENOSPC;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_DEVICE: return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    default: return EIO;
    }
}

template <class T>
T FailErrno(DWORD error, T result) {
    SetLastError(error);
    errno = ErrnoFromWin32(error);
    return result;
}

// Opens a new temporary file beside the host file target for a stream that
// replaces it, with the target's permission bits where the file system keeps
// them; -1 with errno set when none can be made.
int OpenReplacement(const std::string& target, const struct stat& targetStat, std::string& temporary) {
    int fd = -1;
    temporary = CreateTemporaryBeside(target, fd);
    if (fd < 0) {
        errno = ErrnoFromWin32(GetLastError());
        return -1;
    }
    fchmod(fd, targetStat.st_mode & 07777);  // FAT keeps no modes: a refusal changes nothing
    return fd;
}

}  // namespace
}  // namespace zel

using namespace zel;

FILE* _wfopen(LPCWSTR path, LPCWSTR mode) {
    Mode m = ParseMode(mode);
    if (!m.valid) return FailErrno<FILE*>(ERROR_INVALID_PARAMETER, nullptr);
    Resolved r;
    DWORD error = Resolve(path, r);
    if (error != ERROR_SUCCESS) return FailErrno<FILE*>(error, nullptr);
    if (r.blocked || r.IsDirectory()) return FailErrno<FILE*>(ERROR_ACCESS_DENIED, nullptr);
    if (m.read && !r.exists) return FailErrno<FILE*>(ERROR_FILE_NOT_FOUND, nullptr);
    bool writes = m.write || m.append || m.plus;
    if (writes && r.exists && !(r.st.st_mode & S_IWUSR)) return FailErrno<FILE*>(ERROR_ACCESS_DENIED, nullptr);
    if ((m.write || m.append) && (error = NewNameError(r)) != ERROR_SUCCESS) return FailErrno<FILE*>(error, nullptr);
    // A file replaced keeps its name as the drive spells it.
    if (m.write) UseOnDiskName(r);
    std::u16string windows = r.path.Text();
    FaultHit hit;
    if (FindFault(windows, ZEL_FAULT_OPEN, hit)) return FailErrno<FILE*>(hit.error, nullptr);
    int flags = O_CLOEXEC;
    if (m.read) flags |= m.plus ? O_RDWR : O_RDONLY;
    if (m.write) flags |= (m.plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    if (m.append) flags |= (m.plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    // "w" over an existing file writes a replacement that the close puts in place.
    // A link inside the drive is written through, as before.
    const bool replaces = m.write && r.exists && !r.link;
    std::string temporary;
    int fd = replaces ? OpenReplacement(r.host, r.st, temporary) : open(r.host.c_str(), flags, 0666);
    if (fd < 0) return FailErrno<FILE*>(Win32ErrorFromErrno(errno), nullptr);
    auto* cookie = new StreamCookie;
    cookie->fd = fd;
    cookie->text = m.text;
    cookie->windowsPath = windows;
    if (replaces) {
        cookie->temporaryHost = temporary;
        cookie->targetHost = r.host;
    }
    cookie_io_functions_t functions{CookieRead, CookieWrite, CookieSeek, CookieClose};
    char hostMode[4] = {m.read ? 'r' : m.write ? 'w' : 'a', static_cast<char>(m.plus ? '+' : 0), 0, 0};
    FILE* stream = fopencookie(cookie, hostMode, functions);
    if (!stream) {
        close(fd);
        if (replaces) unlink(temporary.c_str());
        delete cookie;
        return FailErrno<FILE*>(ERROR_NOT_ENOUGH_MEMORY, nullptr);
    }
    StreamTable& table = Streams();
    std::lock_guard<std::mutex> guard(table.lock);
    table.streams[stream] = cookie;
    return stream;
}

namespace {

// Reads one UTF-8 character of a text stream as UTF-16 units; 0 units at end of file.
int ReadTextChar(FILE* stream, WCHAR units[2]) {
    int c = std::fgetc(stream);
    while (c == '\r') {
        int next = std::fgetc(stream);
        if (next != '\n') {
            if (next != EOF) std::ungetc(next, stream);
            units[0] = u'\r';
            return 1;
        }
        c = next;
    }
    if (c == EOF) return 0;
    char bytes[4] = {static_cast<char>(c), 0, 0, 0};
    int length = (c & 0x80) == 0 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    for (int i = 1; i < length; ++i) {
        int more = std::fgetc(stream);
        if (more == EOF) break;
        bytes[i] = static_cast<char>(more);
    }
    std::u16string decoded = ZelFromUtf8(std::string(bytes, static_cast<size_t>(length)));
    int count = 0;
    for (char16_t u : decoded) {
        if (count < 2) units[count++] = u;
    }
    return count;
}

}  // namespace

WCHAR* fgetws(WCHAR* buffer, int count, FILE* stream) {
    if (!buffer || count <= 0 || !stream) return nullptr;
    bool text = IsTextStream(stream);
    int used = 0;
    while (used < count - 1) {
        WCHAR units[2];
        int got = 0;
        if (text) {
            if (used + 2 > count - 1) {
                // A surrogate pair must not be split; stop when it would not fit.
                long mark = std::ftell(stream);
                got = ReadTextChar(stream, units);
                if (got == 2) {
                    std::fseek(stream, mark, SEEK_SET);
                    break;
                }
            } else {
                got = ReadTextChar(stream, units);
            }
        } else {
            unsigned char pair[2];
            if (std::fread(pair, 1, 2, stream) != 2) break;  // an odd last byte is dropped
            units[0] = static_cast<WCHAR>(pair[0] | (pair[1] << 8));
            got = 1;
        }
        if (got == 0) break;
        for (int i = 0; i < got; ++i) buffer[used++] = units[i];
        if (units[got - 1] == u'\n') break;
    }
    if (used == 0) return nullptr;
    buffer[used] = 0;
    return buffer;
}

int fputws(const WCHAR* text, FILE* stream) {
    if (!text || !stream) return -1;
    size_t length = 0;
    while (text[length]) ++length;
    if (IsTextStream(stream)) {
        std::u16string translated;
        for (size_t i = 0; i < length; ++i) {
            if (text[i] == u'\n') translated += u'\r';
            translated += text[i];
        }
        int needed = WideCharToMultiByte(CP_ACP, 0, translated.data(), static_cast<int>(translated.size()), nullptr, 0,
                                         nullptr, nullptr);
        std::string bytes(static_cast<size_t>(needed), '\0');
        WideCharToMultiByte(CP_ACP, 0, translated.data(), static_cast<int>(translated.size()), bytes.data(), needed,
                            nullptr, nullptr);
        return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() ? 0 : -1;
    }
    std::string bytes(length * 2, '\0');
    for (size_t i = 0; i < length; ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xff);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() ? 0 : -1;
}

int _wrename(LPCWSTR oldPath, LPCWSTR newPath) {
    if (MoveFileW(oldPath, newPath)) return 0;
    errno = ErrnoFromWin32(GetLastError());
    return -1;
}

int _wremove(LPCWSTR path) {
    if (DeleteFileW(path)) return 0;
    errno = ErrnoFromWin32(GetLastError());
    return -1;
}

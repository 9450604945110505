// The copy engine of a mass-storage player: a file by path or the prepared
// transfer buffer written onto the drive, one file or a batch under one
// progress bar, with percentages for the host window and the cancel flag
// honoured between blocks.
//
// Windows 95/98/Me copy through C streams in 128 KiB blocks; the NT family
// uses CopyFileExW with a static progress routine. Either way the host's
// messages are pumped after every block, which is how a cancel reaches the
// copy, and a cancelled or failed copy leaves no partial destination.
//
// Every route writes under a temporary name in the destination folder and puts
// the file in place only when it is whole, so that a file it replaces (and the
// player's record of it) stays as it was when the copy fails or is cancelled.
#include <cstdio>
#include <memory>
#include <vector>

#include "internal/LastErrorKeeper.h"
#include "internal/MessagePump.h"
#include "internal/ProcessState.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "ZELDevice/ums/CopyProgress.h"
#include "zelcompat/cfile.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wstdio.h"

namespace {

constexpr size_t kBlock = 0x20000;        // bytes per read, write and buffer piece
constexpr int kOldWindowsMaxPath = 260;   // longest path the 9x family takes
constexpr WORD kProductNumberedMovies = 0x120E;
constexpr DWORD kNormalAttributes = 0x80;

// What the progress routine and the stream copies share for the whole process.
struct CopyProgressState {
    DWORD lastPercent = 0;      // last percentage sent to the host window
    ULONGLONG batchTotal = 0;   // bytes of the whole batch, 0 for single files
    ULONGLONG earlierBytes = 0; // bytes of the batch's earlier files
    ULONGLONG previousSize = 0; // file size of the previous callback
};
CopyProgressState g_progress;

// done of total as a truncated percentage, never above 100.
DWORD PercentOf(ULONGLONG done, ULONGLONG total) {
    if (total == 0) return 0;
    const ULONGLONG percent = done >= total ? 100 : done * 100 / total;
    return static_cast<DWORD>(percent);
}

void SendPercent(HWND host, DWORD percent) {
    g_progress.lastPercent = percent;
    SendMessageW(host, ZEL_WM_PROGRESS, ZEL_EVENT_PERCENT, static_cast<LPARAM>(percent));
}

void SendPercentIfChanged(HWND host, DWORD percent) {
    if (percent != g_progress.lastPercent) SendPercent(host, percent);
}

// The CopyFileExW callback. A single file reports its own share; in a batch a
// change of the reported size is what shows that the next file has begun.
DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER totalFileSize, LARGE_INTEGER totalBytesTransferred, LARGE_INTEGER,
                                   LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID) {
    const auto size = static_cast<ULONGLONG>(totalFileSize.QuadPart);
    const auto done = static_cast<ULONGLONG>(totalBytesTransferred.QuadPart);
    if (g_progress.batchTotal == 0) {
        // An empty file has no progress to show.
        if (size != 0) SendPercentIfChanged(zelcore::HostWindow(), PercentOf(done, size));
    } else {
        if (size != g_progress.previousSize) g_progress.earlierBytes += g_progress.previousSize;
        SendPercentIfChanged(zelcore::HostWindow(), PercentOf(g_progress.earlierBytes + done, g_progress.batchTotal));
        g_progress.previousSize = size;
    }
    zelcore::PumpWaitingMessages();
    return PROGRESS_CONTINUE;
}

struct StreamCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

// The result for a file that would not open: a missing folder, or the fallback.
DWORD OpenFailure(DWORD error, DWORD fallback) { return error == ERROR_PATH_NOT_FOUND ? ZEL_ERR_PATH : fallback; }

// Clears the read-only bit of an existing destination so that a copy may
// replace it, and puts the old bits back unless the copy did replace it.
class ReplaceableTarget {
public:
    explicit ReplaceableTarget(LPCWSTR path) : m_path(path), m_attributes(GetFileAttributesW(path)) {
        if (m_attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, kNormalAttributes);
    }
    ~ReplaceableTarget() {
        if (m_attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(m_path, m_attributes);
    }
    ReplaceableTarget(const ReplaceableTarget&) = delete;
    ReplaceableTarget& operator=(const ReplaceableTarget&) = delete;
    void Replaced() { m_attributes = INVALID_FILE_ATTRIBUTES; }

private:
    CString m_path;
    DWORD m_attributes;
};

// A stream written under a temporary name beside its destination ("ZELxxxx.TMP")
// and renamed over it by Commit once it is whole; on every other way out the
// temporary file is deleted and the destination is left as it was.
class ReplacingStream {
public:
    explicit ReplacingStream(const CString& destination) : m_destination(destination) {
        const CString folder = destination.Left(destination.ReverseFind(u'\\') + 1);
        WCHAR temporary[MAX_PATH] = {};
        if (GetTempFileNameW(folder, u"ZEL", 0, temporary) == 0) {
            m_error = GetLastError();
            return;
        }
        m_temporary = temporary;
        m_stream.reset(_wfopen(m_temporary, u"wb"));
        if (!m_stream) {
            m_error = GetLastError();
            DeleteFileW(m_temporary);
            m_temporary.Empty();
        }
    }
    ~ReplacingStream() { Drop(); }
    ReplacingStream(const ReplacingStream&) = delete;
    ReplacingStream& operator=(const ReplacingStream&) = delete;

    FILE* Get() const { return m_stream.get(); }
    bool IsOpen() const { return m_stream != nullptr; }
    // Why the stream could not be opened (a Win32 error).
    DWORD OpenError() const { return m_error; }
    // Closes the stream and puts the file in place; false (nothing replaced)
    // when buffered data could not be written or the rename failed.
    bool Commit() {
        if (!m_stream || std::fclose(m_stream.release()) != 0) {
            Drop();
            return false;
        }
        if (!MoveFileExW(m_temporary, m_destination, MOVEFILE_REPLACE_EXISTING)) {
            Drop();
            return false;
        }
        m_temporary.Empty();
        return true;
    }
    void Drop() {
        m_stream.reset();
        if (!m_temporary.IsEmpty()) DeleteFileW(m_temporary);
        m_temporary.Empty();
    }

private:
    CString m_destination;
    CString m_temporary;
    Stream m_stream;
    DWORD m_error = ERROR_SUCCESS;
};

// The file route of the 0x120E player names every movie Video_NNNN.avi, one
// above the largest number already in the folder.
CString NumberedMovieName(const CString& folder) {
    int largest = 0;
    CFileFind finder;
    BOOL more = finder.FindFile(folder + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDirectory()) continue;
        const CString name = finder.GetFileName();
        if (name.Left(6) != u"Video_") continue;
        const int number = StrToIntW(name.Mid(6, 4));
        if (number > largest) largest = number;
    }
    CString path;
    path.Format(u"%sVideo_%04d.avi", folder, largest + 1);
    return path;
}

// Where a stream copy stands in its batch; null for a single file.
struct StreamBatch {
    ULONGLONG written = 0;  // bytes written by the batch so far
};

// One file through C streams in 128 KiB blocks, as the 9x family copies.
DWORD CopyThroughStreams(LPCWSTR source, LPCWSTR destination, const DWORD& cancel, HWND host, StreamBatch* batch) {
    if (lstrlenW(source) > kOldWindowsMaxPath || lstrlenW(destination) > kOldWindowsMaxPath) return ZEL_ERR_PATH;

    Stream in(_wfopen(source, u"rb"));
    if (!in) return OpenFailure(GetLastError(), ZEL_ERR_COPY);
    if (std::fseek(in.get(), 0, SEEK_END) != 0) return ZEL_ERR_COPY;
    const long end = std::ftell(in.get());
    if (end <= 0 || std::fseek(in.get(), 0, SEEK_SET) != 0) return ZEL_ERR_COPY;
    const auto size = static_cast<ULONGLONG>(end);

    zelcore::LastErrorKeeper why;
    ReplaceableTarget target(destination);
    ReplacingStream out(destination);
    if (!out.IsOpen()) {
        SetLastError(out.OpenError());
        why.Keep();
        return OpenFailure(out.OpenError(), ZEL_ERR_COPY);
    }

    std::vector<BYTE> block(kBlock);
    ULONGLONG written = 0;
    bool cancelled = false, failed = false;
    for (;;) {
        const size_t got = std::fread(block.data(), 1, block.size(), in.get());
        if (got == 0) {
            failed = std::ferror(in.get()) != 0;
            break;
        }
        if (cancel) {
            cancelled = true;
            break;
        }
        if (std::fwrite(block.data(), 1, got, out.Get()) != got) {
            failed = true;
            break;
        }
        written += got;
        DWORD percent = PercentOf(written, size);
        if (batch != nullptr && g_progress.batchTotal != 0) {
            batch->written += got;
            percent = PercentOf(batch->written, g_progress.batchTotal);
        }
        SendPercentIfChanged(host, percent);
        zelcore::PumpWaitingMessages();
    }
    if (cancelled || failed || !out.Commit()) {
        why.Keep();
        return cancelled ? ZEL_ERR_CANCELLED : ZEL_ERR_COPY;
    }
    target.Replaced();
    return ZEL_SUCCESS;
}

// One file through CopyFileExW, the cancel flag handed to it. The system copy
// writes beside the destination and renames only a whole copy, so a failed or
// cancelled copy leaves the destination as it was and there is nothing to
// delete; a copy that completed is kept.
DWORD CopyThroughSystem(LPCWSTR source, LPCWSTR destination, DWORD& cancel) {
    zelcore::LastErrorKeeper why;
    ReplaceableTarget target(destination);
    // BOOL and the flag are the signed and unsigned forms of one 32-bit type.
    const BOOL copied =
        CopyFileExW(source, destination, &CopyProgressRoutine, nullptr, reinterpret_cast<LPBOOL>(&cancel), 0);
    if (!copied) {
        why.Keep();
        return cancel ? ZEL_ERR_CANCELLED : ZEL_ERR_COPY;
    }
    target.Replaced();
    return ZEL_SUCCESS;
}

}  // namespace

namespace zelums {
void ResetCopyPercent() { g_progress.lastPercent = 0; }
void ResetCopyProgress() { g_progress = CopyProgressState{}; }
void AddToCopyBatch(ULONGLONG bytes) { g_progress.batchTotal += bytes; }
ULONGLONG CopyBatchTotal() { return g_progress.batchTotal; }
DWORD LastCopyPercent() { return g_progress.lastPercent; }
}  // namespace zelums

DWORD CZEL_DeviceForUMS::TransferFileThroughMSC(LPCWSTR source, const CString& destination, CString& written) {
    written = destination;
    if (m_Settings.ProductID == kProductNumberedMovies && written.GetLength() >= 3 &&
        written.Right(3).CompareNoCase(u"AVI") == 0) {
        written = NumberedMovieName(written.Left(written.ReverseFind(u'\\') + 1));
    }
    // A read-only file of the same name is replaced (its bits come back if it is not).
    return TransferFile(source, written);
}

DWORD CZEL_DeviceForUMS::TransferFileThroughMSC(DWORD byteCount, const CString& destination) {
    if (byteCount != 0 && m_pTransferBuffer == nullptr) return ZEL_ERR_COPY;
    zelcore::LastErrorKeeper why;
    // A read-only file of the same name is replaced, as on the file route.
    ReplaceableTarget target(destination);
    ReplacingStream out(destination);
    if (!out.IsOpen()) {
        SetLastError(out.OpenError());
        why.Keep();
        return OpenFailure(out.OpenError(), ZEL_ERR_DESTINATION);
    }

    DWORD written = 0;
    bool cancelled = false, failed = false;
    while (written < byteCount) {
        if (m_bCancel) {
            cancelled = true;
            break;
        }
        const DWORD piece = byteCount - written < kBlock ? byteCount - written : static_cast<DWORD>(kBlock);
        if (std::fwrite(m_pTransferBuffer + written, 1, piece, out.Get()) != piece) {
            failed = true;
            break;
        }
        written += piece;
        // A coarse bar: only every fourth percent is shown.
        const DWORD percent = PercentOf(written, byteCount);
        if (percent % 4 == 0 && percent != g_progress.lastPercent) SendPercent(m_hHostWnd, percent);
        zelcore::PumpWaitingMessages();
    }
    if (cancelled || failed || !out.Commit()) {
        why.Keep();
        return cancelled ? ZEL_ERR_CANCELLED : ZEL_ERR_DESTINATION;
    }
    target.Replaced();
    return ZEL_SUCCESS;
}

DWORD CZEL_DeviceForUMS::TransferFile(LPCWSTR source, LPCWSTR destination) {
    if (m_bOldWindows) return CopyThroughStreams(source, destination, m_bCancel, m_hHostWnd, nullptr);
    return CopyThroughSystem(source, destination, m_bCancel);
}

DWORD CZEL_DeviceForUMS::TransferFile(CStringArray& sources, CStringArray& destinations) {
    if (sources.GetSize() < 1) {
        NotifyHost(ZEL_EVENT_PERCENT, 100);
        return ZEL_SUCCESS;
    }
    const INT_PTR count = sources.GetSize() < destinations.GetSize() ? sources.GetSize() : destinations.GetSize();
    StreamBatch batch;
    for (INT_PTR index = 0; index < count; ++index) {
        const CString& source = sources[index];
        const CString& destination = destinations[index];
        // An earlier copy of the file on the player may be read-only; each route
        // clears the bit and puts it back when it does not replace the file.
        const DWORD result = m_bOldWindows ? CopyThroughStreams(source, destination, m_bCancel, m_hHostWnd, &batch)
                                           : CopyThroughSystem(source, destination, m_bCancel);
        if (result != ZEL_SUCCESS) return result;
    }
    NotifyHost(ZEL_EVENT_PERCENT, 100);
    return ZEL_SUCCESS;
}

// The copy engine of a mass-storage player: a file by path or the prepared
// transfer buffer written onto the drive, one file or a batch under one
// progress bar, with percentages for the host window and the cancel flag
// honoured between blocks.
//
// Windows 95/98/Me copy through C streams in 128 KiB blocks; the NT family
// uses CopyFileExW with a static progress routine. Either way the host's
// messages are pumped after every block, which is how a cancel reaches the
// copy, and a cancelled or failed copy leaves no partial destination.
#include <cstdio>
#include <memory>
#include <vector>

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

// Closes a stream that was written; false when buffered data could not be written.
bool CloseWritten(Stream& stream) { return std::fclose(stream.release()) == 0; }

// The result for a file that would not open: a missing folder, or the fallback.
DWORD OpenFailure(DWORD error, DWORD fallback) { return error == ERROR_PATH_NOT_FOUND ? ZEL_ERR_PATH : fallback; }

void MakeWritable(LPCWSTR path) {
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, kNormalAttributes);
}

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

    Stream out(_wfopen(destination, u"wb"));
    if (!out) return OpenFailure(GetLastError(), ZEL_ERR_COPY);

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
        if (std::fwrite(block.data(), 1, got, out.get()) != got) {
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
    const bool closed = CloseWritten(out);
    if (cancelled || failed || !closed) {
        DeleteFileW(destination);
        return cancelled ? ZEL_ERR_CANCELLED : ZEL_ERR_COPY;
    }
    return ZEL_SUCCESS;
}

// One file through CopyFileExW, the cancel flag handed to it.
DWORD CopyThroughSystem(LPCWSTR source, LPCWSTR destination, DWORD& cancel) {
    // BOOL and the flag are the signed and unsigned forms of one 32-bit type.
    const BOOL copied =
        CopyFileExW(source, destination, &CopyProgressRoutine, nullptr, reinterpret_cast<LPBOOL>(&cancel), 0);
    if (cancel) {
        DeleteFileW(destination);
        return ZEL_ERR_CANCELLED;
    }
    // CopyFileExW removes what it wrote before it failed.
    return copied ? ZEL_SUCCESS : ZEL_ERR_COPY;
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
    MakeWritable(written);
    if (m_Settings.ProductID == kProductNumberedMovies && written.GetLength() >= 3 &&
        written.Right(3).CompareNoCase(u"AVI") == 0) {
        written = NumberedMovieName(written.Left(written.ReverseFind(u'\\') + 1));
    }
    return TransferFile(source, written);
}

DWORD CZEL_DeviceForUMS::TransferFileThroughMSC(DWORD byteCount, const CString& destination) {
    if (byteCount != 0 && m_pTransferBuffer == nullptr) return ZEL_ERR_COPY;
    // A read-only file of the same name is replaced, as on the file route.
    MakeWritable(destination);
    Stream out(_wfopen(destination, u"wb"));
    if (!out) return OpenFailure(GetLastError(), ZEL_ERR_DESTINATION);

    DWORD written = 0;
    bool cancelled = false, failed = false;
    while (written < byteCount) {
        if (m_bCancel) {
            cancelled = true;
            break;
        }
        const DWORD piece = byteCount - written < kBlock ? byteCount - written : static_cast<DWORD>(kBlock);
        if (std::fwrite(m_pTransferBuffer + written, 1, piece, out.get()) != piece) {
            failed = true;
            break;
        }
        written += piece;
        // A coarse bar: only every fourth percent is shown.
        const DWORD percent = PercentOf(written, byteCount);
        if (percent % 4 == 0 && percent != g_progress.lastPercent) SendPercent(m_hHostWnd, percent);
        zelcore::PumpWaitingMessages();
    }
    const bool closed = CloseWritten(out);
    if (cancelled || failed || !closed) {
        DeleteFileW(destination);
        return cancelled ? ZEL_ERR_CANCELLED : ZEL_ERR_DESTINATION;
    }
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
        // An earlier copy of the file on the player may be read-only.
        MakeWritable(destination);
        const DWORD result = m_bOldWindows ? CopyThroughStreams(source, destination, m_bCancel, m_hHostWnd, &batch)
                                           : CopyThroughSystem(source, destination, m_bCancel);
        if (result != ZEL_SUCCESS) return result;
    }
    NotifyHost(ZEL_EVENT_PERCENT, 100);
    return ZEL_SUCCESS;
}

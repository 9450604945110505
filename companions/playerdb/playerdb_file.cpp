// Reading and writing the database file through the Win32 file calls.
#include "playerdb_file.h"

#include <algorithm>
#include <vector>

#include "ZELDevice/abi/Codes.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/window.h"

namespace zelplayerdb {

namespace {

constexpr DWORD kChunk = 64 * 1024;

std::u16string FolderOf(WCHAR drive) { return std::u16string(1, drive) + u":\\" + u"System"; }

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Close() {
        if (!Valid()) return true;
        BOOL closed = CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

private:
    HANDLE m_handle;
};

void Debug(const char16_t* what, const std::u16string& path) {
    OutputDebugStringW((u"[PlayerDB] " + std::u16string(what) + u" " + path + u"\n").c_str());
}

// Progress reports to the window that opened the database.
class Reporter {
public:
    Reporter(HWND window, DWORD total) : m_window(IsWindow(window) ? window : nullptr), m_total(total) {}
    void Send(DWORD event, DWORD done) {
        if (!m_window) return;
        tagProgressReport report{event, done, m_total};
        SendMessageW(m_window, ZEL_WM_PROGRESS, 0, reinterpret_cast<LPARAM>(&report));
    }

private:
    HWND m_window;
    DWORD m_total;
};

}  // namespace

std::u16string DatabasePath(WCHAR drive) { return FolderOf(drive) + u"\\PlayerDB.zdb"; }
std::u16string TempPath(WCHAR drive) { return FolderOf(drive) + u"\\PlayerDB.zdb.new"; }

bool DatabaseExists(WCHAR drive) {
    const DWORD attributes = GetFileAttributesW(DatabasePath(drive).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

LoadResult Load(WCHAR drive, Store& store) {
    store.Clear();
    const std::u16string path = DatabasePath(drive);
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return LoadResult::Missing;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<ULONGLONG>(size.QuadPart) > kHeaderSize + static_cast<ULONGLONG>(kMaxPayload)) {
        Debug(u"Unreadable database, starting empty:", path);
        return LoadResult::Unreadable;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(kChunk, bytes.size() - done));
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (done != bytes.size() || !store.Decode(bytes.data(), bytes.size())) {
        Debug(u"Unreadable database, starting empty:", path);
        return LoadResult::Unreadable;
    }
    return LoadResult::Loaded;
}

bool Save(WCHAR drive, const Store& store, HWND window) {
    const std::vector<uint8_t> bytes = store.Encode();
    const std::u16string path = DatabasePath(drive);
    const std::u16string temp = TempPath(drive);
    CreateDirectoryW(FolderOf(drive).c_str(), nullptr);  // an existing folder is fine

    Reporter reporter(window, static_cast<DWORD>(bytes.size()));
    Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        Debug(u"Can't create", temp);
        return false;
    }
    reporter.Send(ZEL_REPORT_START, 0);
    bool written = true;
    for (size_t done = 0; done < bytes.size() && written;) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(kChunk, bytes.size() - done));
        DWORD put = 0;
        written = WriteFile(file.Get(), bytes.data() + done, want, &put, nullptr) && put == want;
        if (written) {
            done += put;
            reporter.Send(ZEL_REPORT_PROGRESS, static_cast<DWORD>(done));
        }
    }
    if (written) written = FlushFileBuffers(file.Get()) != FALSE;
    if (!written) Debug(u"Can't write", temp);
    if (!file.Close()) written = false;
    if (written && !ReplaceFileAtomically(temp, path)) {
        Debug(u"Can't replace", path);
        written = false;
    }
    if (!written) DeleteFileW(temp.c_str());
    reporter.Send(ZEL_REPORT_END, written ? static_cast<DWORD>(bytes.size()) : 0);
    return written;
}

}  // namespace zelplayerdb

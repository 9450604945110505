// Lyrics conversion through the outside library "LDBConvert.dll".
#include "ZELDevice/support/LyricsConverter.h"

#include <cstring>
#include <vector>

#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"

namespace {

// The ASF Header Object GUID (75B22630-668E-11CF-A6D9-00AA0062CE6C) as it lies in a file.
const BYTE kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// GUID, 64-bit size, 32-bit object count, two reserved bytes.
const DWORD kAsfHeaderFixed = 30;
const DWORD kCopyChunk = 64 * 1024;

// One open file, closed on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() {
        if (IsOpen()) CloseHandle(m_handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// Opened for reading, shared with other readers and writers.
HANDLE OpenForReading(LPCWSTR path) {
    if (!path || !*path) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE CreateForWriting(LPCWSTR path) {
    if (!path || !*path) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Reads up to count bytes; the number read.
DWORD ReadSome(HANDLE file, BYTE* buffer, DWORD count) {
    DWORD total = 0;
    while (total < count) {
        DWORD read = 0;
        if (!ReadFile(file, buffer + total, count - total, &read, nullptr) || read == 0) break;
        total += read;
    }
    return total;
}

bool WriteAll(HANDLE file, const BYTE* data, DWORD count) {
    DWORD written = 0;
    return count == 0 || (WriteFile(file, data, count, &written, nullptr) && written == count);
}

// Moves to an offset from the start; the high half given makes the whole
// 32-bit range unsigned.
bool SeekTo(HANDLE file, DWORD offset) {
    LONG high = 0;
    DWORD low = SetFilePointer(file, static_cast<LONG>(offset), &high, FILE_BEGIN);
    return low == offset && high == 0;
}

DWORD SizeOf(HANDLE file) {
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    return high ? 0xFFFFFFFFu : low;
}

// Size of the header object of an open ASF file (low 32 bits of its 64-bit
// size), with the file left after the first 24 bytes; 0 when it has none.
DWORD AsfHeaderSize(HANDLE file) {
    BYTE start[24];
    if (ReadSome(file, start, sizeof start) != sizeof start) return 0;
    if (!CLyricsConverter::IsASFHeader(start, sizeof start)) return 0;
    DWORD size = 0;
    for (int i = 3; i >= 0; --i) size = (size << 8) | start[16 + i];
    return size;
}

// Deletes a file when it goes out of scope.
class TemporaryFile {
public:
    explicit TemporaryFile(CString path) : m_path(std::move(path)) {}
    ~TemporaryFile() { DeleteFileW(m_path); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    LPCWSTR Path() const { return m_path; }

private:
    CString m_path;
};

}  // namespace

CLyricsConverter::CLyricsConverter() : CLyricsConverter(u"LDBConvert.dll") {}

CLyricsConverter::CLyricsConverter(LPCWSTR libraryName)
    : m_hLibrary(nullptr), m_pfnOggConvert(nullptr), m_pfnTagConvert(nullptr), m_szPlayerTable{} {
    m_hLibrary = LoadLibraryW(libraryName);
    if (m_hLibrary) {
        m_pfnOggConvert = reinterpret_cast<ZelLyricsOggFn>(
            reinterpret_cast<void*>(GetProcAddress(m_hLibrary, "LyricsOggConvW")));
        m_pfnTagConvert = reinterpret_cast<ZelLyricsConvertFn>(
            reinterpret_cast<void*>(GetProcAddress(m_hLibrary, "LyricsConvertToPlayerW")));
    }
    // The player table is data: the installed data folder, else beside the
    // host's executable.
    CString table;
    table.Format(u"%s\\PlayerInfos.ini", ZelDataFolder(u"PlayerInfos.ini").c_str());
    lstrcpynW(m_szPlayerTable, table, MAX_PATH);
}

CLyricsConverter::~CLyricsConverter() {
    if (m_hLibrary) FreeLibrary(m_hLibrary);
}

void CLyricsConverter::SetWorkFolder(LPCWSTR folder) { m_strWorkFolder = folder; }

BOOL CLyricsConverter::IsAvailable() const {
    return m_hLibrary != nullptr && m_pfnOggConvert != nullptr && m_pfnTagConvert != nullptr;
}

CString CLyricsConverter::LibraryModelName(const tagDeviceSettings* settings) {
    CString model;
    if (!settings) return model;
    const size_t units = sizeof settings->ModelName / sizeof settings->ModelName[0];
    size_t length = 0;
    while (length < units && settings->ModelName[length]) ++length;
    model = CString(settings->ModelName, static_cast<int>(length));
    model.Replace(u'[', u'(');
    model.Replace(u']', u')');
    return model;
}

BOOL CLyricsConverter::IsASFHeader(const BYTE* block, DWORD length) {
    return block && length >= sizeof kAsfHeaderGuid && std::memcmp(block, kAsfHeaderGuid, sizeof kAsfHeaderGuid) == 0;
}

DWORD CLyricsConverter::GetFileLength(DWORD, LPCWSTR path) const {
    FileHandle file(OpenForReading(path));
    if (!file.IsOpen()) return 0;
    return SizeOf(file.Get());
}

DWORD CLyricsConverter::ReadRange(DWORD, LPCWSTR path, BYTE* buffer, DWORD count, DWORD offset) const {
    FileHandle file(OpenForReading(path));
    if (!file.IsOpen() || !buffer) return 0;
    if (offset && !SeekTo(file.Get(), offset)) return 0;
    return ReadSome(file.Get(), buffer, count);
}

int CLyricsConverter::GetID3v2TagSize(DWORD, LPCWSTR path) const {
    FileHandle file(OpenForReading(path));
    if (!file.IsOpen()) return -1;
    BYTE header[10];
    if (ReadSome(file.Get(), header, sizeof header) != sizeof header) return 0;
    if (header[0] != 'I' || header[1] != 'D' || header[2] != '3') return 0;
    // Four bytes of seven bits each, most significant first.
    int size = 0;
    for (int i = 6; i < 10; ++i) size = (size << 7) | (header[i] & 0x7F);
    return size;
}

int CLyricsConverter::ConvertMP3ToBuffer(const tagDeviceSettings* settings, LPCWSTR path, DWORD mediaType,
                                         BYTE* buffer, ZelAlbumImageDeleteFn stripArt,
                                         ZelAlbumImageResizeInMemoryFn resizeArt, int* tagLength) const {
    if (!IsAvailable()) return -1;
    if (!settings || !buffer) return 0;
    const DWORD fileSize = GetFileLength(mediaType, path);
    if (!(settings->Capabilities & ZEL_CAP_LYRICS)) return static_cast<int>(ReadRange(mediaType, path, buffer, fileSize, 0));

    const int oldTag = GetID3v2TagSize(mediaType, path);
    if (fileSize == 0 || oldTag < 0) return static_cast<int>(fileSize);
    const DWORD oldBlock = static_cast<DWORD>(oldTag) + 10;
    if (oldTag == 0 || oldBlock > fileSize) {
        // No tag, or a tag size the file cannot hold: the file goes as it is.
        if (tagLength) *tagLength = 0;
        return static_cast<int>(ReadRange(mediaType, path, buffer, fileSize, 0));
    }

    // Block A: the tag with its header; block B: room for an album-art routine.
    std::vector<BYTE> blockA(oldBlock), blockB(oldBlock);
    if (ReadRange(mediaType, path, blockA.data(), oldBlock, 0) != oldBlock) return static_cast<int>(fileSize);
    DWORD tagBlock = oldBlock;
    bool rewritten = false;
    if (stripArt || resizeArt) {
        DWORD length = oldBlock;
        int changed = stripArt ? stripArt(blockA.data(), blockB.data(), &length)
                                : resizeArt(blockA.data(), blockB.data(), &length,
                                            static_cast<int>(settings->AlbumArtWidth),
                                            static_cast<int>(settings->AlbumArtHeight));
        // A rewritten tag must still be a tag and fit the block it was written into.
        if (changed && length >= 10 && length <= oldBlock) {
            std::memcpy(blockA.data(), blockB.data(), length);
            tagBlock = length;
            rewritten = true;
        }
    }
    const DWORD contentSize = fileSize - oldBlock;
    if (tagLength) *tagLength = static_cast<int>(tagBlock - 10);

    const CString model = LibraryModelName(settings);
    // Room for T + 65535 bytes, and the 10 of the header on top, so that a
    // library counting its room from the block it was given stays inside.
    std::vector<BYTE> converted(static_cast<size_t>(tagBlock) + kTagSlack);
    DWORD convertedLength = static_cast<DWORD>(converted.size());
    int answer = m_pfnTagConvert(blockA.data(), tagBlock, 0, converted.data(), &convertedLength, model,
                                 m_szPlayerTable);
    // The caller's buffer holds the file size plus kBufferSlack bytes; a tag
    // grown beyond that (or beyond the room the library was given) is not used.
    if (answer == 0) {
        const bool fits = convertedLength <= converted.size() &&
                          static_cast<ULONGLONG>(convertedLength) + contentSize <= static_cast<ULONGLONG>(fileSize) + kBufferSlack;
        if (fits) {
            std::memcpy(buffer, converted.data(), convertedLength);
            DWORD read = ReadRange(mediaType, path, buffer + convertedLength, contentSize, oldBlock);
            return static_cast<int>(convertedLength + read);
        }
        OutputDebugStringW(u"[LDB] The converted tag does not fit; the lyrics were left out");
    }
    if (rewritten) {
        std::memcpy(buffer, blockA.data(), tagBlock);
        DWORD read = ReadRange(mediaType, path, buffer + tagBlock, contentSize, oldBlock);
        return static_cast<int>(tagBlock + read);
    }
    return static_cast<int>(ReadRange(mediaType, path, buffer, fileSize, 0));
}

DWORD CLyricsConverter::ConvertFile(const tagDeviceSettings* settings, LPCWSTR sourcePath, DWORD mediaType,
                                    LPWSTR name, int nameSize) const {
    if (!IsAvailable()) return ZEL_ERR_NOT_CONVERTED;
    if (!settings || !sourcePath || !*sourcePath || !name || nameSize <= 0) return ZEL_ERR_NOT_CONVERTED;

    CString outputName(name);
    if (outputName.IsEmpty()) {
        CString source(sourcePath);
        outputName = source.Mid(source.ReverseFind(u'\\') + 1);
    }
    CString outputPath;
    outputPath.Format(u"%s\\%s", m_strWorkFolder, outputName);
    // The caller receives the full path; one that does not fit cannot be made.
    if (outputPath.GetLength() >= nameSize) return ZEL_ERR_PATH;
    const CString model = LibraryModelName(settings);

    if (mediaType == ZEL_MEDIA_OGG) {
        int answer = m_pfnOggConvert(sourcePath, model, m_szPlayerTable, outputPath);
        if (!LOBYTE(answer)) return ZEL_ERR_NOT_CONVERTED;
        lstrcpynW(name, outputPath, nameSize);
        return ZEL_SUCCESS;
    }
    if (mediaType != ZEL_MEDIA_WMA) return ZEL_ERR_NOT_CONVERTED;

    // The header object goes through a file beside the source.
    std::vector<BYTE> header;
    {
        CString headerPath(sourcePath);
        headerPath += u".Header";
        DWORD extracted = ExtractASFHeader(sourcePath, headerPath);
        TemporaryFile headerFile(headerPath);
        if (extracted != ZEL_SUCCESS) return extracted;
        FileHandle file(OpenForReading(headerPath));
        if (!file.IsOpen()) return ZEL_ERR_NOT_CONVERTED;
        header.resize(SizeOf(file.Get()));
        if (ReadSome(file.Get(), header.data(), static_cast<DWORD>(header.size())) != header.size() ||
            !IsASFHeader(header.data(), static_cast<DWORD>(header.size()))) {
            return ZEL_ERR_NOT_CONVERTED;
        }
    }

    std::vector<BYTE> converted(header.size() + kHeaderSlack);
    DWORD convertedLength = static_cast<DWORD>(converted.size());
    int answer = m_pfnTagConvert(header.data(), static_cast<DWORD>(header.size()), 1, converted.data(),
                                 &convertedLength, model, m_szPlayerTable);
    if (answer == 1) {
        OutputDebugStringW(u"[LDB] There is no Lyrics");
        return ZEL_ERR_NOT_CONVERTED;
    }
    if (answer != 0 || convertedLength > converted.size()) return ZEL_ERR_NOT_CONVERTED;

    CString newHeaderPath = outputPath + u".Header";
    DeleteFileW(newHeaderPath);
    {
        FileHandle file(CreateForWriting(newHeaderPath));
        if (!file.IsOpen()) return ZEL_ERR_PATH;
        if (!WriteAll(file.Get(), converted.data(), convertedLength)) {
            DeleteFileW(newHeaderPath);
            return ZEL_ERR_PATH;
        }
    }
    TemporaryFile newHeader(newHeaderPath);
    if (!ReplaceASFHeader(sourcePath, newHeaderPath, outputPath)) {
        DeleteFileW(outputPath);
        return ZEL_ERR_NOT_CONVERTED;
    }
    lstrcpynW(name, outputPath, nameSize);
    return ZEL_SUCCESS;
}

DWORD CLyricsConverter::ExtractASFHeader(LPCWSTR sourcePath, LPCWSTR headerPath) const {
    FileHandle source(OpenForReading(sourcePath));
    if (!source.IsOpen()) return ZEL_ERR_NOT_CONVERTED;
    const DWORD headerSize = AsfHeaderSize(source.Get());
    if (headerSize < kAsfHeaderFixed || headerSize > SizeOf(source.Get())) return ZEL_ERR_NOT_CONVERTED;
    std::vector<BYTE> header(headerSize);
    if (!SeekTo(source.Get(), 0) ||
        ReadSome(source.Get(), header.data(), headerSize) != headerSize) {
        return ZEL_ERR_NOT_CONVERTED;
    }
    if (headerPath && *headerPath) {
        FileHandle out(CreateForWriting(headerPath));
        if (!out.IsOpen()) return ZEL_ERR_PATH;
        if (!WriteAll(out.Get(), header.data(), headerSize)) return ZEL_ERR_PATH;
    }
    return ZEL_SUCCESS;
}

BOOL CLyricsConverter::ReplaceASFHeader(LPCWSTR contentSource, LPCWSTR headerSource, LPCWSTR outputPath) const {
    FileHandle header(OpenForReading(headerSource));
    FileHandle content(OpenForReading(contentSource));
    if (!header.IsOpen() || !content.IsOpen()) return FALSE;
    FileHandle output(CreateForWriting(outputPath));
    if (!output.IsOpen()) return FALSE;

    const DWORD newHeaderSize = AsfHeaderSize(header.Get());
    const DWORD oldHeaderSize = AsfHeaderSize(content.Get());
    if (newHeaderSize < kAsfHeaderFixed || oldHeaderSize < kAsfHeaderFixed) return FALSE;
    if (newHeaderSize > SizeOf(header.Get()) || oldHeaderSize > SizeOf(content.Get())) return FALSE;

    std::vector<BYTE> chunk(kCopyChunk);
    // The whole new header object, then everything after the old one.
    if (!SeekTo(header.Get(), 0)) return FALSE;
    for (DWORD left = newHeaderSize; left > 0;) {
        DWORD want = left < kCopyChunk ? left : kCopyChunk;
        if (ReadSome(header.Get(), chunk.data(), want) != want || !WriteAll(output.Get(), chunk.data(), want)) return FALSE;
        left -= want;
    }
    if (!SeekTo(content.Get(), oldHeaderSize)) return FALSE;
    for (;;) {
        DWORD read = ReadSome(content.Get(), chunk.data(), kCopyChunk);
        if (read == 0) break;
        if (!WriteAll(output.Get(), chunk.data(), read)) return FALSE;
        if (read < kCopyChunk) break;
    }
    return TRUE;
}

// Classification of PC files by media type and the decision whether this
// player, and its current folder, take them.
#include <cstring>
#include <memory>

#include "ZELDevice/device/CZEL_Device.h"
#include "internal/CoreText.h"
#include "internal/FileHandle.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wintime.h"

namespace {

// Extension lists are searched as text, so "MP" is in "MP3.WMA".
bool InList(const CString& list, LPCWSTR path) { return list.Find(zelcore::UpperExtension(path)) >= 0; }

void StoreTime(const FILETIME& time, DWORD (&fields)[6]) {
    SYSTEMTIME calendar{};
    if (!FileTimeToSystemTime(&time, &calendar)) return;
    fields[0] = calendar.wYear;
    fields[1] = calendar.wMonth;
    fields[2] = calendar.wDay;
    fields[3] = calendar.wHour;
    fields[4] = calendar.wMinute;
    fields[5] = calendar.wSecond;
}

// An MP3 file that is a NETSYNC container rather than plain audio, told by
// its first bytes (read from the start of the open file).
DWORD Mp3Kind(HANDLE file) {
    char head[7] = {};
    DWORD read = 0;
    ReadFile(file, head, sizeof(head), &read, nullptr);
    return std::memcmp(head, "NETSYNC", sizeof(head)) == 0 ? ZEL_MEDIA_NETSYNC : ZEL_MEDIA_MP3;
}

struct KnownExtension {
    const char16_t* extension;
    DWORD mediaType;
};

constexpr KnownExtension kFixedTypes[] = {
    {u"WMA", ZEL_MEDIA_WMA}, {u"OGG", ZEL_MEDIA_OGG}, {u"JPG", ZEL_MEDIA_JPG}, {u"GIF", ZEL_MEDIA_GIF},
    {u"BMP", ZEL_MEDIA_BMP}, {u"MPG", ZEL_MEDIA_MPG}, {u"AVI", ZEL_MEDIA_AVI}, {u"WMV", ZEL_MEDIA_WMV},
    {u"KVI", ZEL_MEDIA_KVI}, {u"TXT", ZEL_MEDIA_TXT}, {u"TS3", ZEL_MEDIA_TS3}, {u"SWF", ZEL_MEDIA_SWF},
    {u"TTS", ZEL_MEDIA_TTS},
};

}  // namespace

BOOL CZEL_Device::ReadTags(LPCWSTR path, ZelTagAnswer* answer) {
    if (m_pfnGetFileInfo == nullptr || answer == nullptr) return 0;
    std::memset(answer, 0, sizeof(*answer));
    lstrcpynW(answer->Path, path, ZEL_TAG_PATH_UNITS);
    ZelTagRequest request{};
    request.DeviceID1 = m_Settings.DeviceID1;
    request.ProductID = m_Settings.ProductID;
    request.DeviceID3 = m_Settings.DeviceID3;
    std::memcpy(request.TagKey, m_Settings.TagKey, sizeof(request.TagKey));
    std::memcpy(request.TagBlock, m_Settings.TagBlock, sizeof(request.TagBlock));
    BOOL read = m_pfnGetFileInfo(answer, &request, path, sizeof(*answer));
    if (m_pfnDeleteTrack != nullptr) m_pfnDeleteTrack(nullptr);
    return read;
}

void CZEL_Device::CopyTagsIntoRecord(const ZelTagAnswer& answer, tagDB_File* record) {
    lstrcpynW(record->Text1, answer.Title, ZEL_DBTEXT);
    lstrcpynW(record->Text3, answer.Artist, ZEL_DBTEXT);
    lstrcpynW(record->Text2, answer.Album, ZEL_DBTEXT);
    lstrcpynW(record->ShortText2, answer.Genre, ZEL_DBSHORTTEXT);
    lstrcpynW(record->ShortText1, answer.Year, ZEL_DBSHORTTEXT);
    record->Number1 = answer.Number1;
    record->Number2 = answer.Number2;
    record->OrderNumber = answer.OrderNumber == 0 ? 9999 : answer.OrderNumber;
}

BOOL CZEL_Device::ReadTagsIntoRecord(LPCWSTR path, tagDB_File* record) {
    if (path == nullptr || record == nullptr) return 0;
    auto answer = std::make_unique<ZelTagAnswer>();
    if (!ReadTags(path, answer.get())) return 0;
    CopyTagsIntoRecord(*answer, record);
    return 1;
}

DWORD CZEL_Device::GetMediaType(LPWSTR path, tagDB_File* record) {
    if (path == nullptr || record == nullptr) return ZEL_MEDIA_NONE;
    zelcore::SplitIntoRecord(CString(path), record);

    if (!InList(m_strExtensions, path)) return ZEL_MEDIA_NONE;
    const CString extension = zelcore::UpperExtension(path);
    DWORD mediaType = ZEL_MEDIA_NONE;
    {
        auto file = zelcore::FileHandle::OpenForReading(path);
        if (!file.IsOpen()) return ZEL_MEDIA_NONE;
        record->FileSize = GetFileSize(file.Get(), nullptr);
        FILETIME created{}, accessed{}, written{};
        if (GetFileTime(file.Get(), &created, &accessed, &written)) {
            StoreTime(created, record->Created);
            StoreTime(written, record->Modified);
        }
        // The file is open already: its first bytes are read now rather than
        // through a second open (a rebuild classifies every file of a player).
        if (extension == u"MP3") mediaType = Mp3Kind(file.Get());
    }

    if (extension == u"ASF") {
        ZelTagAnswer answer{};
        ReadTags(path, &answer);
        if (answer.Kind == ZEL_TAGKIND_ASF_AUDIO) mediaType = ZEL_MEDIA_ASF_AUDIO;
        if (answer.Kind == ZEL_TAGKIND_ASF_VIDEO) mediaType = ZEL_MEDIA_ASF_VIDEO;
    } else if (extension != u"MP3") {
        for (const KnownExtension& known : kFixedTypes)
            if (extension == known.extension) mediaType = known.mediaType;
    }
    record->MediaType = mediaType;
    return mediaType;
}

BOOL CZEL_Device::IsSupportedMedia(DWORD mediaType, LPWSTR path) {
    if (path == nullptr || !InList(m_strExtensions, path)) return 0;
    const DWORD caps = m_Settings.Capabilities;
    auto needs = [caps](DWORD bit) -> BOOL { return (caps & bit) ? 1 : 0; };
    if (mediaType & ZEL_MEDIA_AUDIO) return 1;
    if (mediaType & ZEL_MEDIA_IMAGE) return needs(ZEL_CAP_IMAGE);
    if (mediaType & ZEL_MEDIA_VIDEO) return needs(ZEL_CAP_VIDEO);
    switch (mediaType) {
    case ZEL_MEDIA_TXT: return needs(ZEL_CAP_TEXT);
    case ZEL_MEDIA_80002: return needs(ZEL_CAP_MEDIA_80002);
    case ZEL_MEDIA_SWF: return needs(ZEL_CAP_SWF);
    case ZEL_MEDIA_TS3: return needs(ZEL_CAP_TS3);
    case ZEL_MEDIA_UCQ: return needs(ZEL_CAP_MYAURO);
    case ZEL_MEDIA_UCI: return needs(ZEL_CAP_UCI);
    case ZEL_MEDIA_80030: return needs(ZEL_CAP_GUIDE);
    default: return 1;
    }
}

BOOL CZEL_Device::IsSupportFormat(LPWSTR path) {
    if (path == nullptr) return 0;
    return InList(zelcore::FixedText(m_Settings.Extensions), path) ? 1 : 0;
}

BOOL CZEL_Device::CanTransfer(DWORD recordMediaType, DWORD mediaType, CString devicePath) {
    if (!IsSupportedMedia(mediaType, devicePath.GetBuffer())) return 0;
    // Without the player's database nothing says the file is there already.
    if (m_pfnZELDB_GetRecord == nullptr) return 1;
    tagDB_File record{};
    record.MediaType = recordMediaType;
    return m_pfnZELDB_GetRecord(devicePath, &record) ? 0 : 1;
}

DWORD CZEL_Device::CanTransferCurrentLocation(DWORD mediaType) {
    int folder = -1;
    DWORD wrongFolder = ZEL_SUCCESS;
    if (mediaType & ZEL_MEDIA_AUDIO) {
        folder = 0;
        wrongFolder = ZEL_ERR_FOLDER_MUSIC;
    } else if (mediaType & ZEL_MEDIA_IMAGE) {
        folder = 2;
        wrongFolder = ZEL_ERR_FOLDER_MUSIC;
    } else if (mediaType & ZEL_MEDIA_VIDEO) {
        folder = 1;
        wrongFolder = ZEL_ERR_FOLDER_VIDEO;
    } else if (mediaType == ZEL_MEDIA_TXT) {
        folder = 3;
        wrongFolder = ZEL_ERR_FOLDER_TEXT;
    }
    if (folder < 0) return ZEL_SUCCESS;
    CString current = GetCurrentPath();
    current.MakeUpper();
    CString expected = m_strDriveRoot + zelcore::FixedText(m_Settings.Folders[folder]);
    expected.MakeUpper();
    return current.Find(expected) >= 0 ? ZEL_SUCCESS : wrongFolder;
}

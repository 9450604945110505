// Placing files from the computer onto a mass-storage player. Around the copy
// engine a transfer admits the file, names it on the player, prepares it
// (album art resized to the player's size, lyrics merged) and afterwards
// records it in the player's database and in the device tree.
#include <new>

#include "internal/CoreText.h"
#include "internal/LastErrorKeeper.h"
#include "internal/MessagePump.h"
#include "internal/TransferScratch.h"
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "ZELDevice/ums/CopyProgress.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/wintime.h"

namespace {

// Players that keep text-to-speech files under the extension "tts".
constexpr WORD kProductTTS1 = 0x5114;
constexpr WORD kProductTTS2 = 0x5119;
// Entry of Folders that names the broadcast folder.
constexpr int kBroadcastFolder = 6;
// The largest MP3 whose lyrics are merged in memory.
constexpr DWORD kLargestMergedFile = 0x7FFFFFFF - CLyricsConverter::kBufferSlack;

// The current local time as "%d%02d%02d%02d%02d%02d".
CString LocalTimeStamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return CZEL_File::FormatStamp(now);
}

// folder and name joined by one "\".
CString JoinPath(const CString& folder, const CString& name) {
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == u'\\') return folder + name;
    return folder + u"\\" + name;
}

CString NameOfPath(const CString& path) { return path.Mid(path.ReverseFind(u'\\') + 1); }

bool IsAudio(DWORD mediaType) { return (mediaType & ZEL_MEDIA_AUDIO) != 0; }

// The path with its last name as the drive spells it: a file that replaced one
// whose name differs only in case keeps the old spelling. A name with
// wildcard characters is not looked up (it would be taken as a pattern).
CString SpeltAsOnDrive(const CString& path) {
    const CString name = NameOfPath(path);
    if (name.FindOneOf(u"*?") >= 0) return path;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return path;
    FindClose(search);
    return path.Left(path.GetLength() - name.GetLength()) + found.cFileName;
}

}  // namespace

DWORD CZEL_DeviceForUMS::TransferFile2(LPWSTR folder, tagDB_File* record, int, IWMDMStorage* storage, int, LPWSTR) {
    m_strDestFolder = folder;
    if (record == nullptr) return ZEL_ERR_MEDIA_TYPE;
    // The host puts the full path of the PC file in the record's Folder.
    const CString source = zelcore::FixedText(record->Folder);
    return TransferOneFile(source, record, storage, false);
}

DWORD CZEL_DeviceForUMS::TransferFile(LPWSTR source, tagDB_File* record, int) {
    const CString folder = GetCurrentPath();
    CreateDirectoryW(folder, nullptr);  // an existing folder is no error
    m_strDestFolder = folder;
    if (record == nullptr || source == nullptr) return ZEL_ERR_MEDIA_TYPE;
    return TransferOneFile(source, record, nullptr, true);
}

DWORD CZEL_DeviceForUMS::TransferOneFile(LPCWSTR sourcePath, tagDB_File* record, IWMDMStorage* storage,
                                         bool intoCurrentFolder) {
    delete[] m_pTransferBuffer;
    m_pTransferBuffer = nullptr;

    CString source(sourcePath);  // the working source: what is sent to the player
    const DWORD mediaType = record->MediaType;
    if (mediaType == ZEL_MEDIA_NONE || !IsSupportedMedia(mediaType, const_cast<LPWSTR>(source.GetString())))
        return ZEL_ERR_MEDIA_TYPE;
    const DWORD capabilities = m_Settings.Capabilities;
    if (capabilities & ZEL_CAP_CHECK_FOLDER) {
        const DWORD where = CanTransferCurrentLocation(mediaType);
        if (ZelFailed(where)) return where;
    }

    zelums::ResetCopyPercent();
    m_CurrentFolderEntry.Reset();

    const CString fileName = zelcore::FixedText(record->FileName);
    if (intoCurrentFolder) {
        if (m_strCurrentTransFile.IsEmpty()) m_strCurrentTransFile = NameOfPath(source);
    } else {
        // A datacast's name was prepared by the caller.
        const CString category = zelcore::FixedText(record->ShortText2);
        if (category == u"TTS" && (m_Settings.ProductID == kProductTTS1 || m_Settings.ProductID == kProductTTS2)) {
            const int kept = fileName.GetLength() > 3 ? fileName.GetLength() - 3 : 0;
            m_strCurrentTransFile = fileName.Left(kept) + u"tts";
        } else if (category != u"Datacasts") {
            m_strCurrentTransFile = fileName;
        }
    }

    NotifyHost(ZEL_EVENT_BEGIN, 0);
    const CString destination = m_strDestFolder + m_strCurrentTransFile;
    m_bCancel = 0;

    // Declared before the scratch: a failed copy's last error outlives the clean-up.
    zelcore::LastErrorKeeper copyError;
    zelcore::TransferScratch scratch(m_pTransferBuffer);
    const bool agentRoute = (capabilities & ZEL_CAP_AGENT_ROUTE) != 0;
    // The agent writes the file; the entry is read back from the drive, except
    // for what the older form sends that is not music.
    auto sendThroughAgent = [&]() -> DWORD {
        DWORD answer;
        if (intoCurrentFolder) {
            answer = Agent_WMDMTransferFile(source, &m_CurrentFolderEntry, record, nullptr, nullptr);
            if (IsAudio(mediaType)) m_CurrentFolderEntry.FillFromPath(destination);
        } else {
            answer = Agent_WMDMTransferFile(source, &m_CurrentFolderEntry, record, m_strDestFolder.Mid(2), storage);
            m_CurrentFolderEntry.FillFromPath(destination);
        }
        return answer;
    };

    // The copy engine fills no entry: the path it wrote describes the file that landed.
    CString written = destination;
    auto sendThroughEngine = [&](DWORD mergedLength) -> DWORD {
        const DWORD answer = mergedLength > 0 ? TransferFileThroughMSC(mergedLength, destination)
                                              : TransferFileThroughMSC(source, destination, written);
        if (ZelFailed(answer)) return answer;
        written = SpeltAsOnDrive(written);
        m_CurrentFolderEntry.FillFromPath(written);
        return answer;
    };

    DWORD result;
    if (!IsAudio(mediaType)) {
        result = agentRoute ? sendThroughAgent() : sendThroughEngine(0);
    } else {
        const int width = static_cast<int>(m_Settings.AlbumArtWidth);
        const int height = static_cast<int>(m_Settings.AlbumArtHeight);
        if (mediaType >= ZEL_MEDIA_MP3 && mediaType <= ZEL_MEDIA_ASF_AUDIO && width != 0) {
            if (intoCurrentFolder) {
                CString line;
                line.Format(u"[MSC_TRANSFER] Edit album art in ID3 Tag (x:%d, y:%d)", width, height);
                OutputDebugStringW(line);
            }
            const CString copy = MakeAlbumArtCopy(source, fileName);
            if (!copy.IsEmpty()) {
                source = copy;
                scratch.KeepAlbumArtCopy(copy);
            }
        }

        DWORD mergedLength = 0;
        if ((capabilities & ZEL_CAP_LYRICS) && record->LyricsFlag != 0) {
            if (mediaType == ZEL_MEDIA_MP3) {
                const DWORD size = m_LyricsConverter.GetFileLength(mediaType, source);
                // The merged length is an int: a file it cannot count is refused like an empty one.
                if (size == 0 || size > kLargestMergedFile) return ZEL_ERR_MEDIA_TYPE;
                m_pTransferBuffer = new (std::nothrow) BYTE[size + CLyricsConverter::kBufferSlack];
                if (m_pTransferBuffer == nullptr) return ZEL_ERR_COPY;
                int tagLength = 0;
                const int merged = m_LyricsConverter.ConvertMP3ToBuffer(&m_Settings, source, mediaType,
                                                                        m_pTransferBuffer, nullptr, nullptr, &tagLength);
                if (merged > 0) mergedLength = static_cast<DWORD>(merged);
            } else {
                CString converted;
                const DWORD answer = MakeLyricsCopy(source, mediaType, fileName, converted);
                if (answer & ZEL_SUCCESS) {
                    scratch.DropAlbumArtCopy();
                    source = converted;
                    scratch.KeepLyricsCopy(source);
                } else if (answer == ZEL_ERR_PATH) {
                    return ZEL_ERR_PATH;
                }
            }
        }

        result = agentRoute ? sendThroughAgent() : sendThroughEngine(mergedLength);
    }
    if (ZelFailed(result)) {
        copyError.Keep();
        return result;
    }

    // Album art and lyrics change the file on its way; the record describes what landed.
    if (!m_CurrentFolderEntry.Name.IsEmpty()) {
        if (agentRoute) written = m_CurrentFolderEntry.Path;
        record->FileSize = m_CurrentFolderEntry.Size;
    }
    LPWSTR recordedPath = written.GetBuffer();
    if (intoCurrentFolder) {
        NotifyHost(ZEL_EVENT_END, 0);
        zelcore::PumpWaitingMessages();
        if (UsesDatabase()) AddFileToDB(recordedPath, record);
        Add2Tree(&m_CurrentFolderEntry, 1);
        MeasureDrive();
        m_strCurrentTransFile.Empty();
        return result;
    }

    zelcore::PumpWaitingMessages();
    if (UsesDatabase()) AddFileToDB(recordedPath, record);
    if (!m_CurrentFolderEntry.Name.IsEmpty()) Add2Tree(&m_CurrentFolderEntry, 1);
    NotifyHost(ZEL_EVENT_END, 0);
    // Pictures the host prepared in a temporary folder are not kept on the computer.
    if ((mediaType & ZEL_MEDIA_IMAGE) && source.Find(u"temp") > 0) DeleteFileW(source);
    MeasureDrive();
    return result;
}

DWORD CZEL_DeviceForUMS::TransferPostFile(LPWSTR folderName, LPWSTR prefix, LPWSTR source, tagDB_File* record,
                                          IWMDMStorage* storage) {
    if (record == nullptr) return ZEL_ERR_MEDIA_TYPE;
    // Broadcast files carry the channel's prefix; texts and text-to-speech files keep their names.
    CString name = NameOfPath(CString(source));
    const bool prefixed = name.Right(3) != u"txt" && zelcore::FixedText(record->ShortText2) != u"TTS";
    if (prefixed) name = CString(prefix) + u"_" + name;
    // The copy reads the PC file from the record's Folder: a source path or a
    // name cut to fit would name another file.
    const int sourceLength = source != nullptr ? lstrlenW(source) : 0;
    if (sourceLength >= ZEL_DBFOLDER || (prefixed && name.GetLength() >= ZEL_DBFILENAME)) {
        OutputDebugStringW(u"[MSC_TRANSFER] The path does not fit the record: " + CString(source));
        return ZEL_ERR_PATH;
    }
    const CString stamp = LocalTimeStamp();

    const CString folder(folderName);
    if (!folder.IsEmpty()) {
        BOOL made;
        CZEL_File node(&m_Settings);
        if (IsAgentMirrored()) {
            made = Agent_WMDMMakeFolder(folder, &node, Agent_DataCastStorage(storage), 0);
        } else {
            CString path;
            path.Format(u"%c:\\%s\\%s", m_Settings.DriveLetter, zelcore::FixedText(m_Settings.Folders[kBroadcastFolder]),
                        folder);
            made = CreateDirectoryW(path, nullptr);
        }
        if (made) {
            node.SetAttributes(ZEL_ATTR_FOLDER, 0);
            node.SetName(folder);
            node.SetPath(GetCurrentPath() + folder);
            node.SetTimeStamp(stamp);
            Add2Tree(&node, 1);
        }
        CZEL_DeviceForUMS::MoveFolder(folderName);
    }

    if (prefixed) lstrcpynW(record->FileName, name, ZEL_DBFILENAME);
    if (sourceLength > 0) lstrcpynW(record->Folder, source, ZEL_DBFOLDER);
    m_strCurrentTransFile = name;
    m_bCancel = 0;
    CString current = GetCurrentPath();
    const DWORD result =
        CZEL_DeviceForUMS::TransferFile2(const_cast<LPWSTR>(current.GetString()), record, 1, nullptr, 0, nullptr);
    if (ZelFailed(result)) return result;

    // The written file as the host reads it back through the current entry.
    const CString written = JoinPath(current, name);
    if (result & ZEL_SUCCESS) {
        m_CurrentFolderEntry.Reset();
        m_CurrentFolderEntry.FillFromPath(written);
        m_CurrentFolderEntry.SetAttributes(ZEL_ATTR_FILE, 0);
        m_CurrentFolderEntry.SetName(name);
        m_CurrentFolderEntry.SetPath(written);
        m_CurrentFolderEntry.SetTimeStamp(stamp);
    }
    if (UsesDatabase()) AddFileToDB(const_cast<LPWSTR>(written.GetString()), record);
    return result;
}

// Playlists reach a mass-storage player as files; there is nothing to hand to an agent.
void CZEL_DeviceForUMS::TransferXPLfoMTP(LPWSTR) {}

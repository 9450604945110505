// Placing files from the computer onto an MTP player. The copy is always one
// agent transfer; around it a transfer admits the file, sends the album art
// scaled and the lyrics converted for the player from temporary copies
// (deleted on every way out), and keeps the transfer state, the file tree,
// the host's progress messages and the capacity in step.
#include <memory>
#include <new>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/CoreText.h"
#include "internal/FileHandle.h"
#include "internal/MessagePump.h"
#include "internal/TransferScratch.h"
#include "zelcompat/files.h"

namespace {

// Players that keep text-to-speech files under the extension "tts".
constexpr WORD kProductTTS1 = 0x5114;
constexpr WORD kProductTTS2 = 0x5119;
// The longest temporary path a merged copy may have.
constexpr int kLongestTempPath = 256;
// The largest MP3 whose lyrics are merged in memory (the merged length is an int).
constexpr DWORD kLargestMergedFile = 0x7FFFFFFF - CLyricsConverter::kBufferSlack;

CString NameOfPath(const CString& path) { return path.Mid(path.ReverseFind(u'\\') + 1); }

// folder and name joined by one "\".
CString JoinPath(const CString& folder, const CString& name) {
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == u'\\') return folder + name;
    return folder + u"\\" + name;
}

// The last three characters of name replaced by ending.
CString WithEnding(const CString& name, LPCWSTR ending) {
    return name.GetLength() < 3 ? name : name.Left(name.GetLength() - 3) + ending;
}

bool IsAudio(DWORD mediaType) { return (mediaType & ZEL_MEDIA_AUDIO) != 0; }

}  // namespace

DWORD CZEL_DeviceForMTP::TransferFile(LPWSTR source, tagDB_File* record, int) {
    m_CurrentFolderEntry.Reset();
    if (IsRunWMP() && m_Settings.IsMTP == 1) return ZEL_ERR_WMP_RUNNING;
    m_bCancel = 0;
    delete[] m_pTransferBuffer;
    m_pTransferBuffer = nullptr;
    const CString path(source);
    m_strCurrentTransFile = NameOfPath(path);
    if (record == nullptr || source == nullptr || record->MediaType == ZEL_MEDIA_NONE ||
        !IsSupportedMedia(record->MediaType, source)) {
        m_strCurrentTransFile.Empty();
        return ZEL_ERR_MEDIA_TYPE;
    }
    return SendPreparedFile(path, record, GetCurrentPath(), nullptr, nullptr, true);
}

DWORD CZEL_DeviceForMTP::TransferFile2(LPWSTR folder, tagDB_File* record, int, IWMDMStorage* storage, int, LPWSTR) {
    m_CurrentFolderEntry.Reset();
    if (IsRunWMP() && m_Settings.IsMTP == 1) return ZEL_ERR_WMP_RUNNING;
    m_bCancel = 0;
    delete[] m_pTransferBuffer;
    m_pTransferBuffer = nullptr;
    if (record == nullptr) return ZEL_ERR_MEDIA_TYPE;
    // The host puts the full path of the PC file in the record's Folder.
    const CString source = zelcore::FixedText(record->Folder);
    m_strCurrentTransFile = NameOfPath(source);
    if (record->MediaType == ZEL_MEDIA_NONE ||
        !IsSupportedMedia(record->MediaType, const_cast<LPWSTR>(source.GetString()))) {
        m_strCurrentTransFile.Empty();
        return ZEL_ERR_MEDIA_TYPE;
    }
    // A datacast keeps the source's name; the player reads text-to-speech files under "tts".
    const CString category = zelcore::FixedText(record->ShortText2);
    if (category != u"Datacasts") {
        m_strCurrentTransFile = zelcore::FixedText(record->FileName);
        if (category == u"TTS" && (m_Settings.ProductID == kProductTTS1 || m_Settings.ProductID == kProductTTS2))
            m_strCurrentTransFile = WithEnding(m_strCurrentTransFile, u"tts");
    }
    return SendPreparedFile(source, record, CString(folder), folder, storage, false);
}

DWORD CZEL_DeviceForMTP::SendPreparedFile(const CString& source, tagDB_File* record, const CString& folderText,
                                          LPCWSTR folder, IWMDMStorage* storage, bool stripArt) {
    NotifyHost(ZEL_EVENT_BEGIN, 0);
    m_bCancel = 0;
    zelcore::TransferScratch scratch(m_pTransferBuffer);
    CString working = source;  // what is sent: the caller's file or a temporary copy
    const DWORD mediaType = record->MediaType;
    const CString fileName = zelcore::FixedText(record->FileName);

    if (IsAudio(mediaType)) {
        if (mediaType >= ZEL_MEDIA_MP3 && mediaType <= ZEL_MEDIA_ASF_AUDIO && m_Settings.AlbumArtWidth != 0) {
            const CString copy = MakeAlbumArtCopy(working, fileName);
            if (!copy.IsEmpty()) {
                working = copy;
                scratch.KeepAlbumArtCopy(copy);
            }
        }
        if ((m_Settings.Capabilities & ZEL_CAP_LYRICS) && record->LyricsFlag != 0) {
            if (mediaType != ZEL_MEDIA_MP3) {
                CString converted;
                const DWORD answer = MakeLyricsCopy(working, mediaType, fileName, converted);
                if (answer & ZEL_SUCCESS) {
                    scratch.DropAlbumArtCopy();
                    working = converted;
                    scratch.KeepLyricsCopy(converted);
                } else if (answer == ZEL_ERR_PATH) {
                    m_strCurrentTransFile.Empty();
                    return ZEL_ERR_PATH;
                }
            } else {
                const DWORD merged = MergeLyricsIntoCopy(working, mediaType, stripArt);
                if (ZelFailed(merged)) {
                    m_strCurrentTransFile.Empty();
                    return merged;
                }
                if (merged == ZEL_SUCCESS) scratch.KeepLyricsCopy(working);
            }
        }
    }

    // The agent gives the file the name the entry carries.
    m_CurrentFolderEntry.SetName(m_strCurrentTransFile);
    const DWORD result = Agent_WMDMTransferFile(working, &m_CurrentFolderEntry, record, folder, storage);
    if (ZelFailed(result)) {
        m_CurrentFolderEntry.Reset();
        m_strCurrentTransFile.Empty();
        return result;
    }

    // The entry holds the name as the player stored it; the agent reported its folder.
    m_CurrentFolderEntry.SetPath(JoinPath(folderText, m_CurrentFolderEntry.Name));
    NotifyHost(ZEL_EVENT_END, 0);
    zelcore::PumpWaitingMessages();
    CString pending = folderText + m_CurrentFolderEntry.Name;
    AddFileToBuffer(pending.GetBuffer(), record);
    PutIntoTree(m_CurrentFolderEntry);
    MeasurePlayer();
    m_strCurrentTransFile.Empty();
    return result;
}

DWORD CZEL_DeviceForMTP::MergeLyricsIntoCopy(CString& working, DWORD mediaType, bool stripArt) {
    const DWORD size = m_LyricsConverter.GetFileLength(mediaType, working);
    // Nothing merged (0): the file goes as it is.
    if (size == 0 || size > kLargestMergedFile) return 0;
    m_pTransferBuffer = new (std::nothrow) BYTE[size + CLyricsConverter::kBufferSlack];
    if (m_pTransferBuffer == nullptr) return 0;
    int tagLength = 0;
    const int merged = m_LyricsConverter.ConvertMP3ToBuffer(&m_Settings, working, mediaType, m_pTransferBuffer,
                                                            stripArt ? m_pfnDeleteAlbumImage : nullptr, nullptr,
                                                            &tagLength);
    if (merged <= 0) return 0;

    if (m_szTempDir[0] == 0) CreateTempDir();
    else CreateDirectoryW(m_szTempDir, nullptr);  // made again if it went missing
    const CString copy = CString(m_szTempDir) + u"\\" + m_strCurrentTransFile;
    if (copy.GetLength() > kLongestTempPath) return ZEL_ERR_PATH;
    if (copy.CompareNoCase(working) == 0) return 0;  // never written over the file it comes from
    zelcore::FileHandle file(CreateFileW(copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return ZEL_FAILURE;
    DWORD written = 0;
    const bool complete = WriteFile(file.Get(), m_pTransferBuffer, static_cast<DWORD>(merged), &written, nullptr) &&
                          written == static_cast<DWORD>(merged);
    file = zelcore::FileHandle(INVALID_HANDLE_VALUE);
    if (!complete) {
        DeleteFileW(copy);
        return ZEL_FAILURE;
    }
    working = copy;
    return ZEL_SUCCESS;
}

void CZEL_DeviceForMTP::PutIntoTree(CZEL_File& entry) {
    if (m_Tree.empty()) {
        Add2Tree(&entry, 1);
        return;
    }
    // A file that replaced one of the same name takes its place in the tree.
    pre_order_iterator parent = SetCurrentPath(const_cast<LPWSTR>(entry.Path.GetString()));
    sibling_iterator existing = m_Tree.find_child(parent, CZEL_File::FoldName(entry.Name));
    if (existing.node == nullptr || existing->IsFolder()) {
        Add2Tree(&entry, 1);
        return;
    }
    entry.InDatabase = 1;
    *existing = entry;
    m_Tree.key_changed(existing);
}

DWORD CZEL_DeviceForMTP::TransferPostFile(LPWSTR folderName, LPWSTR prefix, LPWSTR source, tagDB_File* record,
                                          IWMDMStorage* storage) {
    if (record == nullptr || source == nullptr) return ZEL_FAILURE;
    IWMDMStorage* parent = Agent_DataCastStorage(storage);
    CZEL_File scratch;
    const CString folder(folderName);
    if (!folder.IsEmpty()) {
        if (Agent_WMDMMakeFolder(folder, &scratch, parent, 1)) {
            scratch.SetPath(JoinPath(scratch.Path, folder));
            Add2Tree(&scratch, 1);
        } else {
            scratch.SetPath(CString(u"\\") + folder);
        }
        const int listed = HaveChild(folder);
        DWORD storageValue = HasCurrentFolder() ? m_itCurrent->FolderStorage : 0;
        Agent_WMDMMoveFolder(folder, &storageValue, &scratch);
        if (listed == 0) ListCurrentFolder();
        MoveCurrentPath(folder);
    }

    CString name = NameOfPath(CString(source));
    // Broadcast files carry the channel's prefix; texts and text-to-speech files keep their names.
    const CString category = zelcore::FixedText(record->ShortText2);
    if (name.Right(3).CompareNoCase(u"txt") != 0 && category != u"TTS") name = CString(prefix) + u"_" + name;
    if (category == u"TTS" && m_strExtensions.Find(u"TTS") > 0 && name.Right(3).CompareNoCase(u"mp3") == 0)
        name = WithEnding(name, u"tts");
    m_strCurrentTransFile = name;

    scratch.SetName(name);
    NotifyHost(ZEL_EVENT_BEGIN, 0);
    const CString destination = scratch.Path;
    const DWORD result = Agent_WMDMTransferFile(source, &scratch, record,
                                                destination.IsEmpty() ? nullptr : destination.GetString(), storage);
    if (!ZelFailed(result)) {
        scratch.SetPath(JoinPath(scratch.Path, scratch.Name));  // the agent reports the folder it went into
        m_CurrentFolderEntry = scratch;
    }
    NotifyHost(ZEL_EVENT_END, 0);
    if (!ZelFailed(result)) PutIntoTree(scratch);
    m_strCurrentTransFile.Empty();
    return result;
}

void CZEL_DeviceForMTP::TransferXPLfoMTP(LPWSTR source) {
    if (source == nullptr) return;
    const CString path(source);
    const CString name = NameOfPath(path);
    auto record = std::make_unique<tagDB_File>();  // zero-filled
    lstrcpynW(record->Folder, path, ZEL_DBFOLDER);
    lstrcpynW(record->FileName, name, ZEL_DBFILENAME);
    CZEL_File scratch;
    scratch.SetName(name);
    CString folder;
    folder.Format(u"\\%s\\", zelcore::FixedText(m_Settings.PlaylistFile));
    Agent_WMDMTransferFile(path, &scratch, record.get(), folder, nullptr);
}

// Formatting a mass-storage player through the drive-format library, and
// setting it up again afterwards: the volume label, the standard folders, the
// model's template files, a new empty database, then the device's own view.
#include "ZELDevice/abi/DriveFormat.h"
#include "ZELDevice/support/ShellFileOp.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "internal/CoreText.h"
#include "internal/MessagePump.h"
#include "internal/ProcessState.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/modules.h"
#include "zelcompat/textfn.h"

namespace {

constexpr int kModelBytes = 128;
constexpr WORD kProductRadioVoice = 0x511B;  // also keeps playlists, radio and voice folders in its root

// The debugger text and host event of each format-library code.
struct FormatMessage {
    int code;
    LPCWSTR text;
    WPARAM event;
};

constexpr FormatMessage kFormatMessages[] = {
    {DK_ERR_PARAMETER, u"[DK_Format] 파라메터 오류", ZEL_EVENT_FORMAT_FAILED2},
    {DK_ERR_THREAD, u"[DK_Format] 쓰레드 생성 실패", ZEL_EVENT_FORMAT_FAILED2},
    {DK_ERR_OPEN, u"[DK_Format] 드라이브를 열 수 없습니다.\n", ZEL_EVENT_FORMAT_FAILED},
    {DK_ERR_MEMORY, u"[DK_Format] 메모리 할당 실패", ZEL_EVENT_FORMAT_FAILED2},
    {DK_ERR_FILE_SYSTEM, u"[DK_Format] 해당 파일 시스템으로 포맷 할 수 없습니다.", ZEL_EVENT_FORMAT_FAILED2},
    {DK_ERR_BAD_FILE_SYSTEM, u"[DK_Format] 잘못된 파일 시스템 입니다.", ZEL_EVENT_FORMAT_FAILED2},
    {DK_ERR_READ, u"[DK_Format] 읽기 오류", ZEL_EVENT_FORMAT_FAILED2},
    {DK_ERR_WRITE, u"[DK_Format] 쓰기 오류", ZEL_EVENT_FORMAT_FAILED2},
    {DK_STAGE_INIT, u"[DK_Format] 초기화 중 입니다.", ZEL_EVENT_FORMAT_FAILED2},
    {DK_STAGE_TABLES, u"[DK_Format] 테이블 계산하고 있습니다.", ZEL_EVENT_FORMAT_FAILED2},
    {DK_STAGE_WRITE, u"[DK_Format] 데이터를 쓰고 있습니다.", ZEL_EVENT_FORMAT_FAILED2},
};
constexpr FormatMessage kUndefinedMessage = {0, u"[DK_Format] Undefined Message", ZEL_EVENT_FORMAT_FAILED2};

bool IsFolder(LPCWSTR path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

DWORD CZEL_DeviceForUMS::FormatDevice() {
    const CString model = zelcore::FixedText(m_Settings.ModelName);
    const WORD product = m_Settings.ProductID;
    const BYTE secondOption = product == 0x5120 || product == 0x5121 ? 8 : 0x20;
    const BYTE firstOption = model == u"TX-D4" ? 2 : 0;
    char modelText[kModelBytes] = {};
    WideCharToMultiByte(CP_ACP, 0, model, -1, modelText, kModelBytes - 1, nullptr, nullptr);

    // What the database library still holds is written out now: written when
    // the library is let go after the format, it would put records of files
    // that are gone onto the empty drive.
    if (UsesDatabase() && m_pfnZELDB_DBSync != nullptr) m_pfnZELDB_DBSync(1);

    const int result = DK_Format(static_cast<BYTE>(m_Settings.DriveLetter), modelText, firstOption, secondOption,
                                 &CZEL_DeviceForUMS::FormatProc, this);
    if (result != DK_OK) {
        DebugOutFormatMessage(result);
        return ZEL_FAILURE;
    }

    CString root;
    root.Format(u"%c:\\", m_Settings.DriveLetter);
    CString label = model;
    label.TrimLeft(u"TX-");
    SetVolumeLabelW(root, label);

    RemakeFoldersAfterFormat();
    CopyFormatTemplates();
    if (UsesDatabase()) {
        if (DB_LoadDBLibrary())
            m_pfnZELDB_Create(m_Settings.DriveLetter, GetSafeHwnd(), 1);
        else
            OutputDebugStringW(u"[Device] Can't load DB Library from device\n");
    }
    RefreshDeviceInfo(1);
    MoveSpecialFolder(1);
    return ZEL_SUCCESS;
}

void CZEL_DeviceForUMS::RemakeFoldersAfterFormat() {
    const CString root = m_strDriveRoot.Left(3);
    auto make = [&root](const CString& name) {
        if (!name.IsEmpty()) CreateDirectoryW(root + name, nullptr);
    };
    // The music folder is made as one path here, not level by level.
    for (int entry : {0, 2, 1, 3, 5}) make(zelcore::FixedText(m_Settings.Folders[entry]));
    if (m_Settings.Capabilities & ZEL_CAP_BROADCAST) make(zelcore::FixedText(m_Settings.Folders[6]));
    // CreateDevice made the playlist folder a full path; it is made where it names.
    const CString playlists = zelcore::FixedText(m_Settings.PlaylistFile);
    if (playlists.GetLength() >= 2 && playlists[1] == u':')
        CreateDirectoryW(playlists, nullptr);
    else
        make(playlists);

    if (m_Settings.ProductID == kProductRadioVoice) {
        for (LPCWSTR name : {u"Playlists", u"FM Radio", u"Voice", u"Voice\\A", u"Voice\\B", u"Voice\\C",
                             u"Voice\\D", u"Voice\\E"})
            make(name);
    }
}

CString CZEL_DeviceForUMS::ModelTemplateFolder() const {
    const CString item = CString(u"FMT\\") + zelcore::FixedText(m_Settings.ModelName);
    CString templates;
    templates.Format(u"%s\\%s", ZelDataFolder(item).c_str(), item);
    return templates;
}

void CZEL_DeviceForUMS::CopyFormatTemplates() {
    const CString templates = ModelTemplateFolder();
    if (!IsFolder(templates)) return;
    if (!ShellSilentCopy(CWnd::FromHandle(m_hHostWnd), templates + u"\\*.*", m_strDriveRoot.Left(3)))
        NotifyHost(ZEL_EVENT_FORMAT_TEMPLATES, 0);
}

BOOL CZEL_DeviceForUMS::FormatProc(DWORD stage, DWORD, BYTE percent, void*) {
    switch (stage) {
    case DK_STAGE_PERCENT:
        ::SendMessageW(zelcore::HostWindow(), ZEL_WM_PROGRESS, ZEL_EVENT_FORMAT_BUSY, percent);
        break;
    case DK_STAGE_NOTICE:
        ::SendMessageW(zelcore::HostWindow(), ZEL_WM_PROGRESS, ZEL_EVENT_FORMAT_STAGE, 0);
        break;
    case DK_STAGE_QUERY:
        return 0;
    default:
        break;
    }
    zelcore::PumpWaitingMessages();
    return 1;
}

void CZEL_DeviceForUMS::DebugOutFormatMessage(int code) {
    const FormatMessage* row = &kUndefinedMessage;
    for (const FormatMessage& message : kFormatMessages)
        if (message.code == code) row = &message;
    OutputDebugStringW(row->text);
    NotifyHost(row->event, 0);
}

// Construction, set-up and listing of a mass-storage player: accepting the
// drive, settling the model name, making the standard folders, measuring the
// drive and listing its folders into the device tree.
#include <cstring>

#include "internal/CoreText.h"
#include "internal/FileHandle.h"
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "zelcompat/cfile.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"

namespace {

CZEL_DeviceForUMS* g_currentUMS = nullptr;

// Product identifiers of players accepted without a drive letter.
bool AcceptedWithoutDrive(WORD productId) { return productId == 0x5022 || productId == 0x5023 || productId == 0x5024; }

constexpr WORD kProductDualModel = 0x1212;  // two models told apart by SecondID
constexpr WORD kProductCardOnly = 0x5122;   // its card storage holds nothing of ours
constexpr WORD kProductMicroSD = 0x5601;    // its card is listed like an internal memory

// The model name of a player whose product identifier does not say it alone;
// false when nothing is to be changed.
bool FixedModelName(const tagDeviceInfo& info, CString& model) {
    if (info.ProductID == kProductDualModel) {
        model = info.SecondID == 0xF450 ? u"GVR-M610" : info.SecondID == 0xF750 ? u"GVR-M810" : u"";
        return true;
    }
    if (info.CardStorage == 1 && info.ProductID == kProductMicroSD) {
        model = u"LNQ300[microSD]";
        return true;
    }
    return false;
}

}  // namespace

CZEL_DeviceForUMS::CZEL_DeviceForUMS() {
    std::memset(m_szWork, 0, sizeof(m_szWork));
    g_currentUMS = this;
}

CZEL_DeviceForUMS::~CZEL_DeviceForUMS() {
    m_UploadList.SetSize(0);
    if (g_currentUMS == this) g_currentUMS = nullptr;
}

CZEL_DeviceForUMS* CZEL_DeviceForUMS::Current() { return g_currentUMS; }

int CZEL_DeviceForUMS::WindowsVersion() {
    DWORD version = GetVersion();
    DWORD major = version & 0xFF;
    DWORD minor = (version >> 8) & 0xFF;
    if (major == 5 && minor == 0) return 5;
    if (major == 5 && minor == 1) return 6;
    if (major == 6 && minor == 0) return 7;
    if (major == 4 && minor == 10) return 3;
    if (major == 4 && minor == 90) return 4;
    return 0;
}

BOOL CZEL_DeviceForUMS::IsAgentMirrored() const {
    return (m_Settings.Capabilities & ZEL_CAP_AGENT) && !(m_Settings.Capabilities & ZEL_CAP_AGENT_ROUTE);
}

DWORD CZEL_DeviceForUMS::CreateDevice(tagDeviceInfo* info, HWND hostWindow) {
    if (info == nullptr) return ZEL_ERR_NO_DRIVE;
    if (!AcceptedWithoutDrive(info->ProductID) && info->DriveLetter == 0) return ZEL_ERR_NO_DRIVE;

    // The three Windows versions that can tell a write-protected volume.
    int windows = WindowsVersion();
    if ((windows == 5 || windows == 6 || windows == 7) && !IsDiskWritable()) {
        OutputDebugStringW(u"[Device] Can't write anything to device\n");
        return ZEL_ERR_WRITE_PROTECTED;
    }

    CString model;
    if (FixedModelName(*info, model)) {
        lstrcpynW(m_Settings.ModelName, model, ZEL_MODELNAME);
        lstrcpynW(info->ModelName, model, ZEL_MODELNAME_INFO);
    }

    if (info->Kind == 0) m_strDriveRoot.Format(u"%c:\\", info->DriveLetter);

    DWORD result = CZEL_Device::CreateDevice(info, hostWindow);
    if (result != ZEL_SUCCESS) return result;

    GetFWInfo();
    m_Settings.CardStorage = info->CardStorage;

    if (!(m_Settings.CardStorage == 1 && m_Settings.ProductID == kProductCardOnly)) {
        auto make = [this](const CString& relative) { CreateDirectoryW(m_strDriveRoot + relative, nullptr); };
        auto makeEntry = [&make](const WCHAR* field, int units) {
            CString relative = zelcore::FixedText(field, units);
            if (!relative.IsEmpty()) make(relative);
        };
        // The music folder may hold several levels; each is made in turn.
        CString music = zelcore::FixedText(m_Settings.Folders[0]);
        for (int cut = music.Find(u'\\'); cut >= 0; cut = music.Find(u'\\', cut + 1)) make(music.Left(cut));
        if (!music.IsEmpty()) make(music);
        for (int entry : {2, 1, 3, 4, 5}) makeEntry(m_Settings.Folders[entry], ZEL_FOLDER_UNITS);
        const DWORD caps = m_Settings.Capabilities;
        if (caps & ZEL_CAP_BROADCAST) makeEntry(m_Settings.Folders[6], ZEL_FOLDER_UNITS);
        if (caps & ZEL_CAP_MYAURO) {
            make(u"My Pack");
            make(CString(u"My Pack\\") + zelcore::FixedText(m_Settings.Folders[7]));
        }
        if (caps & ZEL_CAP_UCI) {
            make(u"My Pack");
            make(CString(u"My Pack\\") + zelcore::FixedText(m_Settings.Folders[8]));
        }
        if (caps & ZEL_CAP_GUIDE) {
            make(u"Datacasts");
            make(CString(u"Datacasts\\") + zelcore::FixedText(m_Settings.Folders[9]));
        }
        // The playlist folder is a full path by now.
        if (caps & ZEL_CAP_PLAYLISTS) CreateDirectoryW(zelcore::FixedText(m_Settings.PlaylistFile), nullptr);
    }

    MeasureDrive();

    if (IsAgentMirrored()) {
        if (!Agent_WMDMEnumerate(&m_EnumList, zelcore::FixedText(m_Settings.Extensions))) {
            OutputDebugStringW(u"[Device] Can't enumerate anything with WMDM\n");
            return ZEL_FAILURE;
        }
        MakeTree();
    } else {
        EnumCurrentPath_MSC();
    }
    return ZEL_SUCCESS;
}

void CZEL_DeviceForUMS::MeasureDrive() {
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(m_strDriveRoot, &freeToCaller, &total, &totalFree)) return;
    m_Settings.FreeMB = static_cast<DWORD>(freeToCaller.QuadPart >> 20);
    m_Settings.TotalMB = static_cast<DWORD>(total.QuadPart >> 20);
}

BOOL CZEL_DeviceForUMS::EnumCurrentPath_MSC() {
    if (m_Settings.CardStorage == 1) {
        if (m_Settings.ProductID == kProductCardOnly) return 1;
        if (m_Settings.ProductID == kProductMicroSD) m_Settings.CardStorage = 0;
    }
    ClearInnerBuffer();
    const bool atRoot = IsDeviceRoot() != 0;
    CString folder = GetCurrentPath();

    if (atRoot && (m_Settings.Capabilities & ZEL_CAP_CARD_SLOT) && m_Settings.CardStorage == 0) {
        CZEL_File card(&m_Settings);
        card.SetAttributes(ZEL_ATTR_CARD, 0);
        card.SetName(u"Memory Card");
        card.SetPath(folder + u"Memory Card");
        Add2Tree(&card, 1);
    }
    if (atRoot && m_Settings.CardStorage == 1) {
        CZEL_File back(&m_Settings);
        back.SetAttributes(ZEL_ATTR_FOLDER, 0);
        back.SetName(u"..");
        back.SetPath(folder + u"..");
        Add2Tree(&back, 1);
    }

    const CString extensions = zelcore::FixedText(m_Settings.Extensions);
    CFileFind finder;
    BOOL more = finder.FindFile(folder + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        CString name = finder.GetFileName();
        if (name == u"." || finder.IsHidden()) continue;
        if (finder.IsDirectory()) {
            if (name == u".." && atRoot) continue;
        } else {
            CString extension = zelcore::UpperExtension(name);
            if (extensions.Find(extension) < 0 && extension != u"XPL" && extension != u"PLP") continue;
        }
        CZEL_File entry(&m_Settings);
        entry.FillFromFind(finder);
        Add2Tree(&entry, 1);
    }
    return 1;
}

BOOL CZEL_DeviceForUMS::EnumETCPath_MSC() {
    // Patterns of the text and extra folders, kept from an earlier design; nothing is listed.
    CString texts, extras;
    texts.Format(u"%s%s\\*.*", m_strDriveRoot, zelcore::FixedText(m_Settings.Folders[3]));
    extras.Format(u"%s%s\\*.*", m_strDriveRoot, zelcore::FixedText(m_Settings.Folders[5]));
    return 1;
}

BOOL CZEL_DeviceForUMS::GetFileInfo(tagDB_File* record) {
    if (record == nullptr) return 1;
    CString path;
    path.Format(u"%s\\%s", zelcore::FixedText(record->Folder), zelcore::FixedText(record->FileName));
    ZelTagAnswer answer{};
    ReadTags(path, &answer);
    CopyTagsIntoRecord(answer, record);
    record->FileSize = answer.FileSize;
    return 1;
}

BOOL CZEL_DeviceForUMS::IsDiskWritable() {
    CString volume;
    volume.Format(u"\\\\.\\%c:", m_Settings.DriveLetter);
    zelcore::FileHandle handle(
        CreateFileW(volume, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.IsOpen()) return 0;
    DWORD returned = 0;
    return DeviceIoControl(handle.Get(), IOCTL_DISK_IS_WRITABLE, nullptr, 0, nullptr, 0, &returned, nullptr) ? 1 : 0;
}

BOOL CZEL_DeviceForUMS::CancelTransfer() {
    Agent_CancelTransfer();
    Agent_NDACancelTransfer();
    return CZEL_Device::CancelTransfer();
}

void CZEL_DeviceForUMS::UpdateMoodPlaylist(int, IWMDMStorage*, IWMDMDevice*) {}

// Copies from an MTP player to the computer, read back through the agent, and
// the upload operations that have no work on this kind of player.
//
// A copy never replaces a file of the computer: a name that a different file
// has is numbered ("clip~(1).mp3"). The agent writes the copy under a
// temporary name beside its destination and gives it its name only when it
// is whole, so a failed or cancelled copy leaves nothing.
#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "internal/CoreText.h"
#include "internal/FileHandle.h"
#include "internal/UploadNames.h"

namespace {

constexpr int kMostNumbers = 9999;  // numbered names tried before an upload gives up
// The player's list of firmware files is never copied off it.
const WCHAR kFirmwareList[] = u"FirmUplist.txt";

CString NameOf(const CString& path) { return path.Mid(path.ReverseFind(u'\\') + 1); }

// A file of the computer holds a copy of the player's file: its size and its
// last-write time (a copy keeps the player's time).
bool IsCopyOf(const CString& path, const CZEL_File& entry) {
    if (entry.TimeStamp.IsEmpty() || zelcore::LastWriteStamp(path) != entry.TimeStamp) return false;
    const zelcore::FileHandle file = zelcore::FileHandle::OpenForReading(path);
    LARGE_INTEGER size{};
    return file.IsOpen() && GetFileSizeEx(file.Get(), &size) && static_cast<ULONGLONG>(size.QuadPart) == entry.Size;
}

}  // namespace

CString CZEL_DeviceForMTP::UploadDestination(LPCWSTR devicePath, LPCWSTR hostFolder, BOOL* alreadyThere) {
    if (alreadyThere != nullptr) *alreadyThere = 0;
    if (devicePath == nullptr || hostFolder == nullptr || *hostFolder == 0) return CString();
    const CString name = NameOf(devicePath);
    if (name.IsEmpty()) return CString();
    CString folder(hostFolder);
    if (folder[folder.GetLength() - 1] != u'\\') folder += u'\\';
    const CZEL_File* entry = alreadyThere != nullptr ? FileInCurrentFolder(name) : nullptr;
    CString destination = folder + name;
    for (int number = 1; zelcore::NameTaken(destination); ++number) {
        if (entry != nullptr && IsCopyOf(destination, *entry)) {
            *alreadyThere = 1;
            return destination;
        }
        if (number > kMostNumbers) return CString();
        destination = zelcore::NumberedName(destination, number);
    }
    return destination;
}

const CZEL_File* CZEL_DeviceForMTP::FileInCurrentFolder(const CString& name) const {
    if (!HasCurrentFolder()) return nullptr;
    for (sibling_iterator it = m_itCurrent.begin(); it != m_itCurrent.end(); ++it)
        if (!it->IsFolder() && it->Name.CompareNoCase(name) == 0) return &*it;
    return nullptr;
}

BOOL CZEL_DeviceForMTP::UploadFile(LPWSTR source, LPWSTR destination, int, IWMDMStorage* storage) {
    if (source == nullptr || destination == nullptr) return 0;
    if (NameOf(source).CompareNoCase(kFirmwareList) == 0) return 0;
    if (!Agent_WMDMFindFileFromPath(source, storage)) return 0;
    // The agent never writes over a file that is there: the first free name is chosen for it.
    const CString landing = UploadDestination(source, destination);
    if (landing.IsEmpty()) return 0;
    return Agent_WMDMUploadFile(NameOf(landing), destination, 0);
}

BOOL CZEL_DeviceForMTP::CanbeUploaded() {
    // The current path holds an upload folder anywhere, compared with regard to
    // case; an empty entry names no folder (it would hold every path).
    const CString current = CString(u"\\") + GetCurrentPath() + u"\\";
    DWORD count = m_Settings.SpecialFolderCount;
    if (count > ZEL_SPECIAL_FOLDERS) count = ZEL_SPECIAL_FOLDERS;
    for (DWORD k = 0; k < count; ++k) {
        const CString folder = zelcore::FixedText(m_Settings.SpecialFolders[k]);
        if (!folder.IsEmpty() && current.Find(folder) >= 0) return 1;
    }
    return 0;
}

// An MTP player offers no new content of its own for upload, and no game
// packages are installed on it: these have no work here.
void CZEL_DeviceForMTP::FindUploadTarget(LPWSTR, LPWSTR) {}

void CZEL_DeviceForMTP::GetNewContent(int, CStringList*) {}

CString CZEL_DeviceForMTP::AutoUpload(LPCWSTR, LPCWSTR, int) { return CString(); }

void CZEL_DeviceForMTP::GameUpload(CString) {}

void CZEL_DeviceForMTP::FindGameUploadList(LPWSTR, LPCWSTR) {}

// Uploads from a mass-storage player back to the computer: whether the
// current folder is an upload folder, which files the upload folders offer,
// and the copy of one file, a movie in the player's own format converted to
// AVI on the way.
//
// An upload never replaces a different file on the computer: a name that is
// taken gets a number ("clip~(1).mp3"), and a file uploaded before (the same
// last-write time) is not copied again. The copy is made under a hidden name
// beside its destination, checked, and renamed onto the destination only when
// it is whole; the player's file is deleted only after that.
#include <cstring>
#include <vector>

#include "internal/CoreText.h"
#include "internal/FileHandle.h"
#include "internal/MovieConverter.h"
#include "internal/UploadNames.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "ZELDevice/ums/CopyProgress.h"
#include "zelcompat/cfile.h"
#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/wintime.h"

namespace {

constexpr int kMaxDepth = 64;      // folder levels searched below an upload folder
constexpr int kMaxNumber = 9999;   // numbered names tried before an upload gives up
constexpr DWORD kCompareBlock = 1 << 20;

CString NameOf(const CString& path) { return path.Mid(path.ReverseFind(u'\\') + 1); }
// The folder of path, with its final "\".
CString FolderOf(const CString& path) { return path.Left(path.ReverseFind(u'\\') + 1); }

// Appends the files below folder (ending in "\") whose last three characters,
// upper-cased, occur in the extension list.
void CollectUploadTargets(const CString& folder, const CString& extensions, CStringArray& list, int depth) {
    CFileFind finder;
    BOOL more = finder.FindFile(folder + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        const CString path = folder + finder.GetFileName();
        if (finder.IsDirectory()) {
            // A link back up the tree must not make the search endless.
            if (depth < kMaxDepth) CollectUploadTargets(path + u"\\", extensions, list, depth + 1);
            continue;
        }
        CString tail = finder.GetFileName().Right(3);
        tail.MakeUpper();
        if (extensions.Find(tail) >= 0) list.Add(path);
    }
}

// The last-write time in local time as "%d%02d%02d%02d%02d%02d_"; empty when it cannot be read.
CString WriteTimeText(LPCWSTR path) {
    const CString stamp = zelcore::LastWriteStamp(path);
    return stamp.IsEmpty() ? stamp : stamp + u"_";
}

// Fills block from file; the count read is short only at the end of the file.
bool ReadBlock(const zelcore::FileHandle& file, std::vector<BYTE>& block, DWORD& count) {
    count = 0;
    while (count < block.size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), block.data() + count, static_cast<DWORD>(block.size()) - count, &got, nullptr))
            return false;
        if (got == 0) break;
        count += got;
    }
    return true;
}

bool SameBytes(const CString& a, const CString& b) {
    const zelcore::FileHandle one = zelcore::FileHandle::OpenForReading(a);
    const zelcore::FileHandle two = zelcore::FileHandle::OpenForReading(b);
    if (!one.IsOpen() || !two.IsOpen()) return false;
    std::vector<BYTE> x(kCompareBlock), y(kCompareBlock);
    for (;;) {
        DWORD gotX = 0, gotY = 0;
        if (!ReadBlock(one, x, gotX) || !ReadBlock(two, y, gotY) || gotX != gotY) return false;
        if (std::memcmp(x.data(), y.data(), gotX) != 0) return false;
        if (gotX < kCompareBlock) return true;
    }
}

ULONGLONG SizeOf(const CString& path) {
    const zelcore::FileHandle file = zelcore::FileHandle::OpenForReading(path);
    LARGE_INTEGER size{};
    return file.IsOpen() && GetFileSizeEx(file.Get(), &size) ? static_cast<ULONGLONG>(size.QuadPart) : 0;
}

// What an upload's copy became: on the computer, beaten to its name by another
// file (the name is to be numbered again), or failed.
enum class Landing { Landed, Taken, Failed };

void Discard(const CString& path) {
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
}

// A hidden name beside destination for the copy in progress, that no file has.
CString StagingName(const CString& destination) {
    const CString base = FolderOf(destination) + u"." + NameOf(destination) + u".zelpart";
    CString name = base;
    for (int k = 2; zelcore::NameTaken(name); ++k) {
        if (k > 100) return CString();
        name.Format(u"%s%d", base, k);
    }
    return name;
}

// The copy is whole: a converted movie is not empty; a copy holds as many
// bytes as its source, and, when the source is to be deleted, the same bytes.
bool CopyChecked(const CString& source, const CString& copy, bool converted, bool sameBytes) {
    if (converted) return SizeOf(copy) > 0;
    if (sameBytes) return SameBytes(source, copy);
    return zelcore::NameTaken(copy) && SizeOf(copy) == SizeOf(source);
}

}  // namespace

BOOL CZEL_DeviceForUMS::CanbeUploaded() {
    const CString below = GetCurrentPath().Mid(3);  // without "E:\"
    DWORD count = m_Settings.SpecialFolderCount;
    if (count > ZEL_SPECIAL_FOLDERS) count = ZEL_SPECIAL_FOLDERS;
    for (DWORD k = 0; k < count; ++k) {
        const CString folder = zelcore::FixedText(m_Settings.SpecialFolders[k]);
        // An empty entry names no folder (it would otherwise match every path).
        if (!folder.IsEmpty() && zelcore::StartsWithNoCase(below, folder)) return 1;
    }
    return 0;
}

void CZEL_DeviceForUMS::GetNewContent(int contentType, CStringList* result) {
    if (!(m_Settings.Capabilities & ZEL_CAP_NEW_CONTENT) || result == nullptr) return;
    CString extensions = GetContentsType(contentType);
    m_UploadList.RemoveAll();
    result->RemoveAll();
    // The upload folders in order; the first empty entry ends the table.
    for (int k = 0; k < ZEL_SPECIAL_FOLDERS; ++k) {
        const CString entry = zelcore::FixedText(m_Settings.SpecialFolders[k]);
        if (entry.IsEmpty()) break;
        CString folder = m_strDriveRoot + entry + u"\\";
        FindUploadTarget(folder.GetBuffer(), extensions.GetBuffer());
    }
    for (INT_PTR k = 0; k < m_UploadList.GetSize(); ++k) result->AddTail(m_UploadList[k]);
}

void CZEL_DeviceForUMS::FindUploadTarget(LPWSTR folder, LPWSTR extensions) {
    if (folder == nullptr) return;
    CollectUploadTargets(CString(folder), CString(extensions), m_UploadList, 0);
}

BOOL CZEL_DeviceForUMS::UploadFile(LPWSTR source, LPWSTR destination, int form, IWMDMStorage*) {
    m_bCancel = 0;
    if (source == nullptr || destination == nullptr) return 0;
    CString from(source), to(destination);
    if (form == 0) {
        // A name in the current folder, copied into the destination folder.
        from = GetCurrentPath() + source;
        to.Format(u"%s\\%s", destination, source);
    }
    if (zelums::MovieConverter::IsPlayerMovie(from)) {
        const zelums::MovieConverter converter;
        // Without the converter the movie is copied as it is.
        if (converter.Available()) return converter.Convert(from, zelums::MovieConverter::AviName(to)) ? 1 : 0;
    }
    zelums::ResetCopyPercent();
    return ZelFailed(TransferFile(from, to)) ? 0 : 1;
}

BOOL CZEL_DeviceForUMS::CompareFileWriteTime(LPCWSTR path1, LPCWSTR path2) {
    return WriteTimeText(path1) == WriteTimeText(path2) ? 1 : 0;
}

CString CZEL_DeviceForUMS::ChangeFileName(LPCWSTR path, int number) {
    return zelcore::NumberedName(CString(path), number);
}

namespace {

// folder with its final "\".
CString AsFolder(LPCWSTR folder) {
    CString text(folder);
    if (!text.IsEmpty() && text[text.GetLength() - 1] != u'\\') text += u'\\';
    return text;
}

// A movie the converter is there to take.
bool WillConvert(const CString& source) {
    return zelums::MovieConverter::IsPlayerMovie(source) && zelums::MovieConverter().Available();
}

// The first name in folder that no file has, numbered from the source's name
// (its AVI name when converting); there is set, and that file's path answered,
// when a file of the source's last-write time holds it already.
CString FreeUploadName(CZEL_DeviceForUMS& device, const CString& source, const CString& folder, bool converting,
                       bool& there) {
    there = false;
    CString destination = folder + (converting ? zelums::MovieConverter::AviName(NameOf(source)) : NameOf(source));
    for (int number = 1; zelcore::NameTaken(destination); ++number) {
        if (device.CompareFileWriteTime(destination, source)) {
            there = true;
            return destination;
        }
        if (number > kMaxNumber) return CString();
        destination = device.ChangeFileName(destination, number);
    }
    return destination;
}

}  // namespace

CString CZEL_DeviceForUMS::UploadDestination(LPCWSTR source, LPCWSTR folder, BOOL* alreadyThere) {
    if (alreadyThere != nullptr) *alreadyThere = 0;
    if (source == nullptr || folder == nullptr || *source == 0) return CString();
    bool there = false;
    const CString destination = FreeUploadName(*this, source, AsFolder(folder), WillConvert(source), there);
    if (alreadyThere != nullptr) *alreadyThere = there ? 1 : 0;
    return destination;
}

CString CZEL_DeviceForUMS::AutoUpload(LPCWSTR source, LPCWSTR destinationFolder, int deleteAfter) {
    if (source == nullptr || destinationFolder == nullptr || *source == 0) return CString();
    const CString from(source), folder = AsFolder(destinationFolder);
    const bool converting = WillConvert(from);
    CString destination;
    for (;;) {
        bool there = false;
        destination = FreeUploadName(*this, from, folder, converting, there);
        if (there || destination.IsEmpty()) return CString();  // uploaded before, or no name left
        const CString staged = StagingName(destination);
        if (staged.IsEmpty()) return CString();
        CString stagedArgument = staged;
        if (!UploadFile(const_cast<LPWSTR>(from.GetString()), stagedArgument.GetBuffer(), 1, nullptr) ||
            !CopyChecked(from, staged, converting, deleteAfter != 0)) {
            Discard(staged);
            return CString();
        }
        if (MoveFileW(staged, destination)) break;
        // Another file took the name meanwhile: it is kept, and the name is chosen again.
        const DWORD error = GetLastError();
        Discard(staged);
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return CString();
    }

    if (deleteAfter && DeleteDriveFile(from) && FolderOf(from).CompareNoCase(GetCurrentPath()) == 0) {
        CString name = NameOf(from);
        DeleteFromInnerBuffer(name.GetBuffer());
    }
    return destination;
}

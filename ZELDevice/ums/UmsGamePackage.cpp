// Installing a downloaded game package: every file of the package folder on
// the computer is copied, with its sub-folders, into the player's game folder
// under the package's own name, with one progress bar for the whole package.
//
// The downloaded package is deleted only after the whole package reached the
// player; a failed or cancelled copy keeps it, so the install can be repeated.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "ZELDevice/ums/CopyProgress.h"
#include "internal/CoreText.h"
#include "zelcompat/cfile.h"
#include "zelcompat/drives.h"
#include "zelcompat/files.h"

namespace {

constexpr WORD kFirstPackProduct = 0x5119;  // from this model on games live below "My Pack"
constexpr int kMaxDepth = 64;               // folder levels of a package that are copied

// a and b are one folder or one lies inside the other, by their Windows paths or
// by the host folders they stand for.
bool Overlapping(const CString& a, const CString& b) {
    auto nested = [](const std::u16string& x, const std::u16string& y) {
        return x.size() <= y.size() ? zelcore::StartsWithNoCase(y.c_str(), x.c_str())
                                    : zelcore::StartsWithNoCase(x.c_str(), y.c_str());
    };
    const CString aFolder = a + u"\\", bFolder = b + u"\\";
    if (nested(aFolder.Str(), bFolder.Str())) return true;
    auto host = [](const CString& folder) {
        std::string path = ZelHostPath(folder);
        while (!path.empty() && path.back() == '/') path.pop_back();
        return path.empty() ? path : path + "/";
    };
    const std::string aHost = host(a), bHost = host(b);
    if (aHost.empty() || bHost.empty()) return false;
    const std::string& shorter = aHost.size() <= bHost.size() ? aHost : bHost;
    const std::string& longer = aHost.size() <= bHost.size() ? bHost : aHost;
    return longer.compare(0, shorter.size(), shorter) == 0;
}

}  // namespace

void CZEL_DeviceForUMS::GameUpload(CString gameFolder) {
    gameFolder.TrimRight(u'\\');
    const CString name = gameFolder.Mid(gameFolder.ReverseFind(u'\\') + 1);
    const WCHAR drive = m_Settings.DriveLetter;
    CString root;
    if (m_Settings.ProductID >= kFirstPackProduct) {
        CString pack;
        pack.Format(u"%c:\\My Pack", drive);
        CreateDirectoryW(pack, nullptr);
        root.Format(u"%c:\\My Pack\\Games\\prg", drive);
    } else {
        root.Format(u"%c:\\Games\\prg", drive);
    }
    const CString package = root + u"\\" + name;
    // Installing a folder into itself would copy without end and then delete the installed game.
    if (name.IsEmpty() || Overlapping(gameFolder, package)) return;

    m_UploadList.RemoveAll();
    CreateDirectoryW(root.Left(root.ReverseFind(u'\\')), nullptr);
    CreateDirectoryW(root, nullptr);
    CreateDirectoryW(package, nullptr);
    CString source = gameFolder + u"\\";
    FindGameUploadList(source.GetBuffer(), package);

    CStringArray destinations;
    for (INT_PTR k = 0; k < m_UploadList.GetSize(); ++k)
        destinations.Add(package + m_UploadList[k].Mid(gameFolder.GetLength()));
    m_bCancel = 0;
    NotifyHost(ZEL_EVENT_BEGIN, 0);
    const DWORD result = TransferFile(m_UploadList, destinations);
    NotifyHost(ZEL_EVENT_END, static_cast<LPARAM>(result));

    if (!ZelFailed(result)) {
        DeleteDownFiles(source.GetBuffer());
        RemoveDirectoryW(gameFolder);
    }
    m_BatchTotal = m_BatchDone = m_PrevFileTotal = 0;
    zelums::ResetCopyProgress();
    m_UploadList.RemoveAll();
}

void CZEL_DeviceForUMS::FindGameUploadList(LPWSTR sourceFolder, LPCWSTR destinationFolder) {
    if (sourceFolder == nullptr || destinationFolder == nullptr) return;
    // Walks the package level by level; the depth guards against a link back up the tree.
    struct Walk {
        CZEL_DeviceForUMS& device;
        void Folder(const CString& source, const CString& destination, int depth) {
            CFileFind finder;
            BOOL more = finder.FindFile(source + u"*.*");
            while (more) {
                more = finder.FindNextFile();
                if (finder.IsDots()) continue;
                const CString path = source + finder.GetFileName();
                if (finder.IsDirectory()) {
                    const CString made = destination + u"\\" + finder.GetFileName();
                    CreateDirectoryW(made, nullptr);
                    if (depth < kMaxDepth) Folder(path + u"\\", made, depth + 1);
                    continue;
                }
                device.m_UploadList.Add(path);
                const ULONGLONG size = finder.GetLength();
                device.m_BatchTotal += static_cast<DWORD>(size);
                zelums::AddToCopyBatch(size);
            }
        }
    };
    Walk{*this}.Folder(CString(sourceFolder), CString(destinationFolder), 0);
}

// The walks of a database rebuild: each model family looks at the drive its own
// way and puts the files its database takes on the rebuild list. The host's
// messages run after every folder and every file taken; a walk stops there
// when the host cancelled.
#include "ZELDevice/support/ShellFileOp.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
#include "internal/CoreText.h"
#include "internal/RebuildRules.h"
#include "zelcompat/cfile.h"

namespace {

// A folder that is a link is not walked: one that leads back up would never end.
bool IsWalkableFolder(const CFileFind& finder) {
    return finder.IsDirectory() && !finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT);
}

// The media folders of the log-file family, each with its log template.
constexpr const char16_t* kLogFolders[] = {u"Music", u"Photo", u"Video", u"Text"};

const char16_t* LogFolderOf(const CString& name) {
    for (const char16_t* folder : kLogFolders)
        if (name.CompareNoCase(folder) == 0) return folder;
    return nullptr;
}

}  // namespace

BOOL CZEL_DeviceForUMS::RebuildDBSubDir(LPCWSTR folder, LPCWSTR category) {
    const CString model = zelcore::FixedText(m_Settings.ModelName);
    const CString extensions = zelcore::FixedText(m_Settings.Extensions);
    const bool byCategory = zelcore::SortsByCategory(model);
    const bool onlyMusic = zelcore::TakesOnlyM41Music(model);
    // The M41 family skips hidden entries in every folder, as its root walk does.
    const bool skipHidden = zelcore::RebuildRouteOf(model) == zelcore::RebuildRoute::M41;
    // Files of a category folder are taken by the category's list; any other
    // category takes every file.
    const char16_t* categoryList = byCategory && category != nullptr ? zelcore::CategoryExtensions(category) : nullptr;

    CFileFind finder;
    BOOL more = finder.FindFile(CString(folder) + u"\\*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || (skipHidden && finder.IsHidden())) continue;
        if (finder.IsDirectory()) {
            if (IsWalkableFolder(finder)) RebuildDBSubDir(finder.GetFilePath(), byCategory ? category : nullptr);
            if (!KeepRebuilding()) break;
            continue;
        }
        const CString extension = zelcore::UpperExtension(finder.GetFileName());
        bool candidate = true;
        if (!byCategory)
            candidate = zelcore::ExtensionInList(extensions, extension);
        else if (categoryList != nullptr)
            candidate = zelcore::ExtensionInList(categoryList, extension);
        if (!candidate || (onlyMusic && !zelcore::IsM41Music(extension))) continue;
        m_RebuildList.push_back(finder.GetFilePath());
        if (!KeepRebuilding()) break;
    }
    return 1;
}

void CZEL_DeviceForUMS::Rebuild_M41DB() {
    const CString extensions = zelcore::FixedText(m_Settings.Extensions);
    CFileFind finder;
    BOOL more = finder.FindFile(m_strDriveRoot + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots() || finder.IsHidden()) continue;
        if (finder.IsDirectory()) {
            if (IsWalkableFolder(finder)) RebuildDBSubDir(finder.GetFilePath(), nullptr);
            if (!KeepRebuilding()) return;
            continue;
        }
        const CString extension = zelcore::UpperExtension(finder.GetFileName());
        if (!zelcore::ExtensionInList(extensions, extension) || !zelcore::IsM41Music(extension)) continue;
        m_RebuildList.push_back(finder.GetFilePath());
        if (!KeepRebuilding()) return;
    }
}

void CZEL_DeviceForUMS::Rebuild_ORBDB() {
    const CString model = zelcore::FixedText(m_Settings.ModelName);
    const CString extensions = zelcore::FixedText(m_Settings.Extensions);
    const bool onlyCategories = zelcore::WalksOnlyCategoryFolders(model);
    CFileFind finder;
    BOOL more = finder.FindFile(m_strDriveRoot + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        if (finder.IsDirectory()) {
            const CString name = finder.GetFileName();
            if (!IsWalkableFolder(finder)) {
                // A link is never walked.
            } else if (onlyCategories) {
                // The category is the one the folder's name stands for, as the
                // category lists name it, whatever case the drive shows.
                if (const zelcore::CategoryFolder* category = zelcore::CategoryOfFolder(name))
                    RebuildDBSubDir(finder.GetFilePath(), category->name);
            } else if (name.CompareNoCase(u"SYSTEM") != 0 && name.CompareNoCase(u"RECORDED") != 0) {
                RebuildDBSubDir(finder.GetFilePath(), nullptr);
            }
            if (!KeepRebuilding()) return;
            continue;
        }
        if (!zelcore::ExtensionInList(extensions, zelcore::UpperExtension(finder.GetFileName()))) continue;
        m_RebuildList.push_back(finder.GetFilePath());
        if (!KeepRebuilding()) return;
    }
}

void CZEL_DeviceForUMS::Rebuild_S6DB() {
    CFileFind finder;
    BOOL more = finder.FindFile(m_strDriveRoot + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots() && IsWalkableFolder(finder) && LogFolderOf(finder.GetFileName()) != nullptr)
            RebuildDBSubDir(finder.GetFilePath(), nullptr);
        if (!KeepRebuilding()) return;
    }
}

void CZEL_DeviceForUMS::ResetRebuildLogs() {
    const CString templates = ModelTemplateFolder();
    CFileFind finder;
    BOOL more = finder.FindFile(m_strDriveRoot + u"*.*");
    while (more) {
        more = finder.FindNextFile();
        const char16_t* logFolder = finder.IsDots() || !IsWalkableFolder(finder) ? nullptr
                                                                                  : LogFolderOf(finder.GetFileName());
        if (logFolder == nullptr) continue;
        // The template is copied over the old log, which is replaced in one
        // step once the copy is whole; without a template the old log stays.
        const CString folder(logFolder);
        const CString log = u"SX_" + folder + u".log";
        ShellSilentCopy(CWnd::FromHandle(m_hHostWnd), templates + u"\\" + folder + u"\\" + log,
                        m_strDriveRoot + folder + u"\\");
    }
}

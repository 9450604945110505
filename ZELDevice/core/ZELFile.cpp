// Tree entries: construction, setters and the two fillers.
#include "ZELDevice/core/ZELFile.h"

#include "ZELDevice/core/CoreText.h"
#include "ZELDevice/core/FileHandle.h"

#include "zelcompat/cfile.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wintime.h"

namespace {

// One unit folded as lstrcmpiW folds it: lower case of upper case.
inline WCHAR FoldUnit(WCHAR c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 0x20) : c;
    return ZelToLower(ZelToUpper(c));
}

// FNV-1a over the folded units.
inline size_t HashStep(size_t hash, WCHAR unit) {
    hash ^= unit;
    return hash * 1099511628211ull;
}
constexpr size_t kHashStart = 14695981039346656037ull;

// "%d%02d%02d%02d%02d%02d" of a UTC file time in local time; empty when it does not convert.
CString LocalStamp(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return CString();
    return zelcore::FormatStamp(st);
}

}  // namespace

CZEL_File::CZEL_File(tagDeviceSettings* settings)
    : Size(0),
      Attributes(0),
      Special(0),
      Reserved(0),
      Slot(0),
      InDatabase(0),
      AudioList(u"MP3.WMA.OGG"),
      ImageList(u"JPG.GIF.BMP"),
      VideoList(u"MPG.AVI.WMV.ASF.KVI"),
      TextList(u"TXT"),
      FlashList(u"SWF"),
      MediaType(0),
      FolderStorage(0),
      StorageStream(nullptr),
      SettingsRef(settings) {}

CZEL_File::~CZEL_File() = default;

void CZEL_File::SetAttributes(DWORD attributes, DWORD special) {
    Attributes = attributes;
    Special = special;
}
void CZEL_File::SetName(LPCWSTR name) { Name = name; }
void CZEL_File::SetPath(LPCWSTR path) { Path = path; }
void CZEL_File::SetTimeStamp(LPCWSTR timeStamp) { TimeStamp = timeStamp; }
void CZEL_File::SetReserved(DWORD value) { Reserved = value; }
void CZEL_File::SetFolderStorage(DWORD storage) { FolderStorage = storage; }
void CZEL_File::SetSlot(DWORD slot) { Slot = slot; }
void CZEL_File::SetInDatabase(DWORD inDatabase) { InDatabase = inDatabase; }

void CZEL_File::Reset() {
    Size = Attributes = Special = Reserved = Slot = InDatabase = 0;
    Name.Empty();
    Path.Empty();
    TimeStamp.Empty();
}

DWORD CZEL_File::MediaTypeOfExtension(const CString& extension) {
    static const struct {
        const char16_t* extension;
        DWORD code;
    } kTable[] = {
        {u"MP3", ZEL_MEDIA_MP3}, {u"WMA", ZEL_MEDIA_WMA}, {u"OGG", ZEL_MEDIA_OGG}, {u"WMV", ZEL_MEDIA_WMV},
        {u"MPG", ZEL_MEDIA_MPG}, {u"AVI", ZEL_MEDIA_AVI}, {u"KVI", ZEL_MEDIA_KVI}, {u"JPG", ZEL_MEDIA_JPG},
        {u"GIF", ZEL_MEDIA_GIF}, {u"BMP", ZEL_MEDIA_BMP}, {u"TXT", ZEL_MEDIA_TXT}, {u"SWF", ZEL_MEDIA_SWF},
        {u"TS3", ZEL_MEDIA_TS3}, {u"UCQ", ZEL_MEDIA_UCQ}, {u"UCI", ZEL_MEDIA_UCI}, {u"TTS", ZEL_MEDIA_TTS},
    };
    for (const auto& row : kTable)
        if (extension == row.extension) return row.code;
    return ZEL_MEDIA_NONE;
}

std::u16string CZEL_File::FoldName(LPCWSTR name) {
    std::u16string folded;
    if (name == nullptr) return folded;
    for (const WCHAR* p = name; *p; ++p) folded += FoldUnit(*p);
    return folded;
}


size_t CZEL_File::FoldedHash(LPCWSTR name) {
    size_t hash = kHashStart;
    if (name != nullptr)
        for (const WCHAR* p = name; *p; ++p) hash = HashStep(hash, FoldUnit(*p));
    return hash;
}

bool CZEL_File::FoldedEquals(LPCWSTR name, const std::u16string& folded) {
    if (name == nullptr) return folded.empty();
    size_t k = 0;
    for (const WCHAR* p = name; *p; ++p, ++k)
        if (k >= folded.size() || FoldUnit(*p) != folded[k]) return false;
    return k == folded.size();
}

size_t CZEL_File::FoldedKeyHash(const std::u16string& key) {
    size_t hash = kHashStart;
    for (WCHAR unit : key) hash = HashStep(hash, unit);
    return hash;
}

void CZEL_File::FillFromFind(const CFileFind& find) {
    Path = find.GetFilePath();
    Name = find.GetFileName();
    Size = static_cast<DWORD>(find.GetLength());
    if (find.IsDirectory()) {
        Attributes = 0x10;
        if (SettingsRef) {
            // The path without its drive ("E:\") against each special folder.
            CString rest = Path.Mid(3);
            DWORD count = SettingsRef->SpecialFolderCount;
            if (count > ZEL_SPECIAL_FOLDERS) count = ZEL_SPECIAL_FOLDERS;
            for (DWORD k = 0; k < count; ++k) {
                CString special = zelcore::FixedText(SettingsRef->SpecialFolders[k]);
                if (!special.IsEmpty() && zelcore::StartsWithNoCase(rest, special)) {
                    Special = 1;
                    break;
                }
            }
        }
    } else {
        Extension = Name.Mid(Name.ReverseFind(u'.') + 1);
        Extension.MakeUpper();
        MediaType = MediaTypeOfExtension(Extension);
    }
    if (Name != u"..") {
        FILETIME written;
        if (find.GetLastWriteTime(&written)) TimeStamp = LocalStamp(written);
    }
}

void CZEL_File::FillFromPath(LPCWSTR path) {
    auto file = zelcore::FileHandle::OpenForReading(path);
    if (!file.IsOpen()) return;
    Size = GetFileSize(file.Get(), nullptr);
    Attributes = GetFileAttributesW(path);
    FILETIME written;
    TimeStamp = GetFileTime(file.Get(), nullptr, nullptr, &written) ? LocalStamp(written) : CString();
    Path = path;
    Name = Path.Mid(Path.ReverseFind(u'\\') + 1);
}

// One entry of the device file tree: a file or folder of the player. The agent
// library fills entries of this layout for MTP players, so the fields keep
// their order; entries are held by value in the tree and the enumeration list.
//
// Everything here is inline: the agent and the tests build, copy and destroy
// entries without linking the device library.
#pragma once

#include <string>

#include "ZELDevice/abi/Records.h"
#include "ZELDevice/abi/tree.h"
#include "zelcompat/cfile.h"
#include "zelcompat/cstring.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/types.h"
#include "zelcompat/wintime.h"

struct IStream;

// One file or folder of the player as the device lists it (FindFileFirst /
// FindFileNext): name, path, size, attributes, time stamp and media type.
class AFX_EXT_CLASS CZEL_File {
public:
    // settings: the device settings used to recognise special folders, or null.
    explicit CZEL_File(tagDeviceSettings* settings = nullptr)
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
    CZEL_File(const CZEL_File&) = default;                 // copies every field, the lists included
    CZEL_File(CZEL_File&&) noexcept = default;             // takes every field
    CZEL_File& operator=(const CZEL_File&) = default;      // copies every field, the lists included
    CZEL_File& operator=(CZEL_File&&) noexcept = default;  // takes every field
    ~CZEL_File() = default;

    // Sets Attributes and Special together.
    void SetAttributes(DWORD attributes, DWORD special) {
        Attributes = attributes;
        Special = special;
    }
    void SetName(LPCWSTR name) { Name = name; }                          // sets Name
    void SetPath(LPCWSTR path) { Path = path; }                          // sets Path
    void SetTimeStamp(LPCWSTR timeStamp) { TimeStamp = timeStamp; }      // sets TimeStamp
    void SetReserved(DWORD value) { Reserved = value; }                  // sets Reserved
    void SetFolderStorage(DWORD storage) { FolderStorage = storage; }    // sets FolderStorage
    void SetSlot(DWORD slot) { Slot = slot; }                            // sets Slot
    void SetInDatabase(DWORD inDatabase) { InDatabase = inDatabase; }    // sets InDatabase
    CString GetName() const { return Name; }                             // a copy of Name
    CString GetPath() const { return Path; }                             // a copy of Path
    // The first six fields to 0 and Name, Path and TimeStamp to empty; the rest stays.
    void Reset() {
        Size = Attributes = Special = Reserved = Slot = InDatabase = 0;
        Name.Empty();
        Path.Empty();
        TimeStamp.Empty();
    }

    // Fills the entry from a directory search positioned on an entry.
    void FillFromFind(const CFileFind& find);
    // Fills the entry from a file on the computer; nothing changes when it cannot be opened.
    void FillFromPath(LPCWSTR path);

    BOOL IsFolder() const { return (Attributes & 0x10) != 0; }  // the folder bit of Attributes is set

    // The media-type code of an upper-case extension as tree entries know it
    // (UCQ and UCI are known, ASF is not); 0 for anything else.
    static DWORD MediaTypeOfExtension(const CString& extension);
    // "%d%02d%02d%02d%02d%02d": the form of TimeStamp.
    static CString FormatStamp(const SYSTEMTIME& time) {
        CString stamp;
        stamp.Format(u"%d%02d%02d%02d%02d%02d", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                     time.wSecond);
        return stamp;
    }
    // The form in which names are compared without regard to case.
    static std::u16string FoldName(LPCWSTR name) {
        std::u16string folded;
        if (name == nullptr) return folded;
        for (const WCHAR* p = name; *p; ++p) folded += FoldUnit(*p);
        return folded;
    }
    // The hash of FoldName(name), made without building it.
    static size_t FoldedHash(LPCWSTR name) {
        size_t hash = kHashStart;
        if (name != nullptr)
            for (const WCHAR* p = name; *p; ++p) hash = HashStep(hash, FoldUnit(*p));
        return hash;
    }
    // The same hash of a name folded already.
    static size_t FoldedKeyHash(const std::u16string& folded) {
        size_t hash = kHashStart;
        for (WCHAR unit : folded) hash = HashStep(hash, unit);
        return hash;
    }
    // FoldName(name) == folded, tested without building it.
    static bool FoldedEquals(LPCWSTR name, const std::u16string& folded) {
        if (name == nullptr) return folded.empty();
        size_t k = 0;
        for (const WCHAR* p = name; *p; ++p, ++k)
            if (k >= folded.size() || FoldUnit(*p) != folded[k]) return false;
        return k == folded.size();
    }

    DWORD Size;         // size in bytes
    DWORD Attributes;   // 0x10 folder, 0x80 plain file
    DWORD Special;      // 1 for a special folder
    DWORD Reserved;     // not used by the device
    DWORD Slot;         // set by the special-folder moves; switches on the listing filter
    DWORD InDatabase;   // 1: in the device database, or no database is used
    CString Name;       // file or folder name
    CString Path;       // full device path
    CString TimeStamp;  // local last-write time, "%d%02d%02d%02d%02d%02d"
    CString Extension;  // upper case, files only
    CString AudioList;  // "MP3.WMA.OGG"
    CString ImageList;  // "JPG.GIF.BMP"
    CString VideoList;  // "MPG.AVI.WMV.ASF.KVI"
    CString TextList;   // "TXT"
    CString FlashList;  // "SWF"
    DWORD MediaType;    // ZEL_MEDIA_* code of the extension (files only)
    DWORD FolderStorage;             // the agent's storage value of an MTP entry
    IStream** StorageStream;         // the entry's storage marshalled into a stream (MTP)
    tagDeviceSettings* SettingsRef;  // the settings that name the special folders, or null

private:
    // One unit folded as lstrcmpiW folds it: lower case of upper case.
    static WCHAR FoldUnit(WCHAR c) {
        if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 0x20) : c;
        return ZelToLower(ZelToUpper(c));
    }
    // FNV-1a over the folded units.
    static constexpr size_t kHashStart = 14695981039346656037ull;
    static size_t HashStep(size_t hash, WCHAR unit) {
        hash ^= unit;
        return hash * 1099511628211ull;
    }
    // A UTC file time as TimeStamp text in local time; empty when it does not convert.
    static CString LocalStamp(const FILETIME& utc) {
        FILETIME local;
        SYSTEMTIME st;
        if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return CString();
        return FormatStamp(st);
    }
    // The path without its drive ("E:\") begins with one of the special folders.
    bool IsSpecialFolderPath() const {
        if (SettingsRef == nullptr) return false;
        const std::u16string rest = FoldName(Path.Mid(3));
        DWORD count = SettingsRef->SpecialFolderCount;
        if (count > ZEL_SPECIAL_FOLDERS) count = ZEL_SPECIAL_FOLDERS;
        for (DWORD k = 0; k < count; ++k) {
            const WCHAR* field = SettingsRef->SpecialFolders[k];
            int length = 0;
            while (length < ZEL_FOLDER_UNITS && field[length] != 0) ++length;
            if (length == 0) continue;
            if (rest.rfind(FoldName(CString(field, length)), 0) == 0) return true;
        }
        return false;
    }
};

inline DWORD CZEL_File::MediaTypeOfExtension(const CString& extension) {
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

inline void CZEL_File::FillFromFind(const CFileFind& find) {
    Path = find.GetFilePath();
    Name = find.GetFileName();
    Size = static_cast<DWORD>(find.GetLength());
    if (find.IsDirectory()) {
        Attributes = 0x10;
        if (IsSpecialFolderPath()) Special = 1;
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

inline void CZEL_File::FillFromPath(LPCWSTR path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) return;
    Size = GetFileSize(file, nullptr);
    Attributes = GetFileAttributesW(path);
    FILETIME written;
    TimeStamp = GetFileTime(file, nullptr, nullptr, &written) ? LocalStamp(written) : CString();
    CloseHandle(file);
    Path = path;
    Name = Path.Mid(Path.ReverseFind(u'\\') + 1);
}

// Tree entries are found among their siblings by name, without regard to case.
template <>
struct tree_key_traits<CZEL_File> {
    static constexpr bool indexed = true;  // found by name
    using key_type = std::u16string;       // the folded name
    // The hash of the entry's folded name.
    static size_t hash(const CZEL_File& file) { return CZEL_File::FoldedHash(file.Name); }
    // The hash of a folded name.
    static size_t hash_key(const key_type& key) { return CZEL_File::FoldedKeyHash(key); }
    // The entry's folded name is key.
    static bool matches(const CZEL_File& file, const key_type& key) { return CZEL_File::FoldedEquals(file.Name, key); }
};

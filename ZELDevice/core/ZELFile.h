// One entry of the device file tree: a file or folder of the player. The agent
// library fills entries of this layout for MTP players, so the fields keep
// their order; entries are held by value in the tree and the enumeration list.
#pragma once

#include <string>

#include "ZELDevice/core/Records.h"
#include "ZELDevice/core/tree.h"
#include "zelcompat/cstring.h"
#include "zelcompat/types.h"

class CFileFind;
struct IStream;

class AFX_EXT_CLASS CZEL_File {
public:
    // settings: the device settings used to recognise special folders, or null.
    explicit CZEL_File(tagDeviceSettings* settings = nullptr);
    CZEL_File(const CZEL_File&) = default;
    CZEL_File(CZEL_File&&) noexcept = default;
    CZEL_File& operator=(const CZEL_File&) = default;
    CZEL_File& operator=(CZEL_File&&) noexcept = default;
    ~CZEL_File();

    void SetAttributes(DWORD attributes, DWORD special);
    void SetName(LPCWSTR name);
    void SetPath(LPCWSTR path);
    void SetTimeStamp(LPCWSTR timeStamp);
    void SetReserved(DWORD value);
    void SetFolderStorage(DWORD storage);
    void SetSlot(DWORD slot);
    void SetInDatabase(DWORD inDatabase);
    CString GetName() const { return Name; }
    CString GetPath() const { return Path; }
    // The first six fields to 0 and Name, Path and TimeStamp to empty; the rest stays.
    void Reset();

    // Fills the entry from a directory search positioned on an entry.
    void FillFromFind(const CFileFind& find);
    // Fills the entry from a file on the computer; nothing changes when it cannot be opened.
    void FillFromPath(LPCWSTR path);

    BOOL IsFolder() const { return (Attributes & 0x10) != 0; }

    // The media-type code of an upper-case extension as tree entries know it
    // (UCQ and UCI are known, ASF is not); 0 for anything else.
    static DWORD MediaTypeOfExtension(const CString& extension);
    // The form in which names are compared without regard to case.
    static std::u16string FoldName(LPCWSTR name);
    // The hash of FoldName(name), made without building it.
    static size_t FoldedHash(LPCWSTR name);
    // The same hash of a name folded already.
    static size_t FoldedKeyHash(const std::u16string& folded);
    // FoldName(name) == folded, tested without building it.
    static bool FoldedEquals(LPCWSTR name, const std::u16string& folded);

    DWORD Size;
    DWORD Attributes;  // 0x10 folder, 0x80 plain file
    DWORD Special;     // 1 for a special folder
    DWORD Reserved;
    DWORD Slot;        // set by the special-folder moves; switches on the listing filter
    DWORD InDatabase;  // 1: in the device database, or no database is used
    CString Name;
    CString Path;
    CString TimeStamp;  // local last-write time, "%d%02d%02d%02d%02d%02d"
    CString Extension;  // upper case, files only
    CString AudioList;
    CString ImageList;
    CString VideoList;
    CString TextList;
    CString FlashList;
    DWORD MediaType;
    DWORD FolderStorage;         // the agent's storage value of an MTP entry
    IStream** StorageStream;     // the entry's storage marshalled into a stream (MTP)
    tagDeviceSettings* SettingsRef;
};

// Tree entries are found among their siblings by name, without regard to case.
template <>
struct tree_key_traits<CZEL_File> {
    static constexpr bool indexed = true;
    using key_type = std::u16string;  // the folded name
    static size_t hash(const CZEL_File& file) { return CZEL_File::FoldedHash(file.Name); }
    static size_t hash_key(const key_type& key) { return CZEL_File::FoldedKeyHash(key); }
    static bool matches(const CZEL_File& file, const key_type& key) { return CZEL_File::FoldedEquals(file.Name, key); }
};

// Small text helpers shared by the library's sources.
#pragma once

#include <string>

#include "ZELDevice/abi/ZELFile.h"
#include "zelcompat/cstring.h"
#include "zelcompat/textfn.h"
#include "zelcompat/types.h"

namespace zelcore {

// The text of a fixed record field: up to its first zero, never past its end.
inline CString FixedText(const WCHAR* field, int units) {
    int length = 0;
    while (length < units && field[length] != 0) ++length;
    return CString(field, length);
}
template <size_t N>
CString FixedText(const WCHAR (&field)[N]) {
    return FixedText(field, static_cast<int>(N));
}

// The text after the last "." (the whole text without one), upper-cased: how
// extensions are compared with the player's extension list.
inline CString UpperExtension(const CString& name) {
    int dot = name.ReverseFind(u'.');
    CString extension = dot >= 0 ? name.Mid(dot + 1) : name;
    extension.MakeUpper();
    return extension;
}

// Puts the name after the last "\" of path into FileName and the folder before it into Folder.
inline void SplitIntoRecord(const CString& path, tagDB_File* record) {
    int cut = path.ReverseFind(u'\\');
    lstrcpynW(record->FileName, path.Mid(cut + 1), ZEL_DBFILENAME);
    lstrcpynW(record->Folder, cut >= 0 ? path.Left(cut) : CString(), ZEL_DBFOLDER);
}

// text begins with prefix, compared without regard to case.
inline bool StartsWithNoCase(LPCWSTR text, LPCWSTR prefix) {
    return CZEL_File::FoldName(text).rfind(CZEL_File::FoldName(prefix), 0) == 0;
}

}  // namespace zelcore

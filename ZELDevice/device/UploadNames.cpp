// Numbered names of uploads.
#include "internal/UploadNames.h"

#include "ZELDevice/abi/ZELFile.h"
#include "internal/FileHandle.h"
#include "zelcompat/files.h"
#include "zelcompat/wintime.h"

namespace zelcore {
namespace {

// text ends (or begins) with a number mark "~(digits)" exactly width units long.
bool HasNumberMark(const CString& text, int width, bool atEnd) {
    if (width < 4 || text.GetLength() < width) return false;
    const CString mark = atEnd ? text.Right(width) : text.Left(width);
    if (mark.Left(2) != u"~(" || mark[width - 1] != u')') return false;
    for (int k = 2; k < width - 1; ++k)
        if (mark[k] < u'0' || mark[k] > u'9') return false;
    return true;
}

}  // namespace

CString NumberedName(const CString& path, int number) {
    const int nameStart = path.ReverseFind(u'\\') + 1;
    const CString folder = path.Left(nameStart);
    const CString name = path.Mid(nameStart);
    // The mark an earlier call put there carries the number before this one.
    CString previous;
    previous.Format(u"%d", number > 0 ? number - 1 : 0);
    const int width = previous.GetLength() + 3;
    CString mark;
    mark.Format(u"~(%d)", number);

    const int dot = name.ReverseFind(u'.');
    if (dot < 0) {
        // Without an extension the number goes before the name.
        return folder + mark + (HasNumberMark(name, width, false) ? name.Mid(width) : name);
    }
    CString stem = name.Left(dot);
    if (HasNumberMark(stem, width, true)) stem = stem.Left(stem.GetLength() - width);
    return folder + stem + mark + name.Mid(dot);
}

bool NameTaken(const CString& path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

CString LastWriteStamp(LPCWSTR path) {
    const FileHandle file = FileHandle::OpenForReading(path);
    FILETIME written{}, local{};
    SYSTEMTIME time{};
    if (!file.IsOpen() || !GetFileTime(file.Get(), nullptr, nullptr, &written) ||
        !FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &time))
        return CString();
    return CZEL_File::FormatStamp(time);
}

}  // namespace zelcore

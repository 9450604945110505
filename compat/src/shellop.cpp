// SHFileOperationW over compat's own Win32 file calls (CreateDirectoryW,
// CopyFileExW, MoveFileW, DeleteFileW, RemoveDirectoryW, FindFirstFileW and the
// attribute calls), so it reaches the host only through them.
#include "zelcompat/shellop.h"

#include <string>
#include <vector>

#include "zelcompat/debug.h"
#include "zelcompat/drives.h"
#include "zelcompat/files.h"

namespace {

using Text = std::u16string;

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

bool HasWildcard(const Text& name) { return name.find_first_of(u"*?") != Text::npos; }

// The texts of a list closed by an empty text.
std::vector<Text> SplitList(LPCWSTR list) {
    std::vector<Text> texts;
    if (!list) return texts;
    while (*list) {
        Text text(list);
        list += text.size() + 1;
        texts.push_back(std::move(text));
    }
    return texts;
}

// Drops trailing separators, but keeps the one of a drive root ("E:\").
Text TrimSeparators(Text path) {
    while (path.size() > 1 && IsSeparator(path.back())) {
        if (path.size() == 3 && path[1] == u':') break;
        path.pop_back();
    }
    return path;
}

// The folder part with its final separator ("E:\Music\"), and the name after it.
void SplitPath(const Text& path, Text& folder, Text& name) {
    size_t cut = path.find_last_of(u"\\/");
    if (cut == Text::npos) {
        // "E:name" or a bare name.
        size_t colon = (path.size() >= 2 && path[1] == u':') ? 2 : 0;
        folder = path.substr(0, colon);
        name = path.substr(colon);
        return;
    }
    folder = path.substr(0, cut + 1);
    name = path.substr(cut + 1);
}

Text NameOf(const Text& path) {
    Text folder, name;
    SplitPath(path, folder, name);
    return name;
}

Text Join(const Text& folder, const Text& name) {
    if (folder.empty() || IsSeparator(folder.back()) || (folder.size() == 2 && folder[1] == u':')) return folder + name;
    return folder + u'\\' + name;
}

DWORD LastErrorOr(DWORD fallback) {
    DWORD error = GetLastError();
    return error ? error : fallback;
}

enum class Kind { Missing, File, Folder };

Kind KindOf(const Text& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
}

// Both texts name the same entry (the drive resolves names without regard to case).
bool SameEntry(const Text& a, const Text& b) {
    std::string hostA = ZelHostPath(a.c_str());
    return !hostA.empty() && hostA == ZelHostPath(b.c_str());
}

// `inner` lies inside the folder `outer`.
bool Inside(const Text& inner, const Text& outer) {
    std::string hostOuter = ZelHostPath(outer.c_str());
    std::string hostInner = ZelHostPath(inner.c_str());
    if (hostOuter.empty() || hostInner.size() <= hostOuter.size()) return false;
    if (hostOuter.back() != '/') hostOuter += '/';
    return hostInner.compare(0, hostOuter.size(), hostOuter) == 0;
}

// The entries of a folder, without "." and "..".
DWORD ListFolder(const Text& folder, std::vector<WIN32_FIND_DATAW>& entries) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(Join(folder, u"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : LastErrorOr(ERROR_PATH_NOT_FOUND);
    }
    do {
        Text name(data.cFileName);
        if (name != u"." && name != u"..") entries.push_back(data);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return ERROR_SUCCESS;
}

// Makes a folder and any missing folder above it.
DWORD MakeFolderPath(const Text& path) {
    Kind kind = KindOf(path);
    if (kind == Kind::Folder) return ERROR_SUCCESS;
    if (kind == Kind::File) return ERROR_ALREADY_EXISTS;
    Text folder, name;
    SplitPath(TrimSeparators(path), folder, name);
    if (name.empty()) return ERROR_PATH_NOT_FOUND;
    if (!folder.empty() && !(folder.size() == 3 && folder[1] == u':')) {
        DWORD error = MakeFolderPath(TrimSeparators(folder));
        if (error != ERROR_SUCCESS) return error;
    }
    if (!CreateDirectoryW(path.c_str(), nullptr)) return LastErrorOr(ERROR_PATH_NOT_FOUND);
    return ERROR_SUCCESS;
}

// Read-only entries are asked about by the shell; the answer here is always yes.
void ClearReadOnly(const Text& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
}

bool IsLink(const Text& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

DWORD DeleteEntry(const Text& path, Kind kind) {
    // A link is removed as a link: the folder it leads to is never emptied.
    if (IsLink(path)) {
        BOOL removed = kind == Kind::Folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
        return removed ? ERROR_SUCCESS : LastErrorOr(ERROR_ACCESS_DENIED);
    }
    ClearReadOnly(path);
    if (kind == Kind::File) return DeleteFileW(path.c_str()) ? ERROR_SUCCESS : LastErrorOr(ERROR_ACCESS_DENIED);
    std::vector<WIN32_FIND_DATAW> entries;
    DWORD error = ListFolder(path, entries);
    if (error != ERROR_SUCCESS) return error;
    for (const auto& entry : entries) {
        Kind child = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
        error = DeleteEntry(Join(path, entry.cFileName), child);
        if (error != ERROR_SUCCESS) return error;
    }
    return RemoveDirectoryW(path.c_str()) ? ERROR_SUCCESS : LastErrorOr(ERROR_ACCESS_DENIED);
}

// Copies a file or a whole folder; an existing file is replaced, an existing
// folder receives the content.
DWORD CopyEntry(const Text& from, const Text& to, Kind kind) {
    Kind existing = KindOf(to);
    if (kind == Kind::File) {
        if (existing == Kind::Folder) return ERROR_ALREADY_EXISTS;
        if (existing == Kind::File) ClearReadOnly(to);
        if (!CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, 0)) return LastErrorOr(ERROR_WRITE_FAULT);
        return ERROR_SUCCESS;
    }
    if (existing == Kind::File) return ERROR_ALREADY_EXISTS;
    if (existing == Kind::Missing && !CreateDirectoryW(to.c_str(), nullptr)) return LastErrorOr(ERROR_PATH_NOT_FOUND);
    std::vector<WIN32_FIND_DATAW> entries;
    DWORD error = ListFolder(from, entries);
    if (error != ERROR_SUCCESS) return error;
    for (const auto& entry : entries) {
        Kind child = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
        error = CopyEntry(Join(from, entry.cFileName), Join(to, entry.cFileName), child);
        if (error != ERROR_SUCCESS) return error;
    }
    return ERROR_SUCCESS;
}

// Moves a file or a whole folder; an existing file is replaced, an existing
// folder receives the content. Folders that cannot be renamed across drives
// are copied and then deleted.
DWORD MoveEntry(const Text& from, const Text& to, Kind kind) {
    Kind existing = KindOf(to);
    if (existing != Kind::Missing && existing != kind) return ERROR_ALREADY_EXISTS;
    if (kind == Kind::File) {
        // A file of that name is replaced in one step: a move that fails leaves it.
        if (existing == Kind::File) ClearReadOnly(to);
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return ERROR_SUCCESS;
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    if (existing == Kind::Folder) {
        // Merging would empty the folder a link leads to.
        if (IsLink(from)) return ERROR_ALREADY_EXISTS;
        std::vector<WIN32_FIND_DATAW> entries;
        DWORD error = ListFolder(from, entries);
        if (error != ERROR_SUCCESS) return error;
        for (const auto& entry : entries) {
            Kind child = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
            error = MoveEntry(Join(from, entry.cFileName), Join(to, entry.cFileName), child);
            if (error != ERROR_SUCCESS) return error;
        }
        return RemoveDirectoryW(from.c_str()) ? ERROR_SUCCESS : LastErrorOr(ERROR_ACCESS_DENIED);
    }
    if (MoveFileW(from.c_str(), to.c_str())) return ERROR_SUCCESS;
    DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
    if (error != ERROR_NOT_SAME_DEVICE) return error;
    error = CopyEntry(from, to, kind);
    if (error != ERROR_SUCCESS) return error;
    return DeleteEntry(from, kind);
}

// A free name beside `target` the way the shell makes one: "Copy of x",
// "Copy (2) of x", ...
Text CollisionName(const Text& target) {
    Text folder, name;
    SplitPath(target, folder, name);
    for (int n = 1; n < 10000; ++n) {
        Text candidate = n == 1 ? u"Copy of " + name : u"Copy (" + [n] {
            std::string digits = std::to_string(n);
            return Text(digits.begin(), digits.end());
        }() + u") of " + name;
        if (KindOf(folder + candidate) == Kind::Missing) return folder + candidate;
    }
    return Text();
}

struct Item {
    Text source;
    Kind kind;
    Text target;
};

// One source text expanded: a wildcard gives every matching entry of its folder.
DWORD Expand(const Text& sourceText, bool filesOnly, std::vector<Item>& items, bool& wildcard) {
    Text source = TrimSeparators(sourceText);
    Text folder, name;
    SplitPath(source, folder, name);
    wildcard = HasWildcard(name);
    if (name.empty()) return ERROR_INVALID_PARAMETER;  // a drive root is not an item
    if (!wildcard) {
        Kind kind = KindOf(source);
        if (kind == Kind::Missing) return LastErrorOr(ERROR_FILE_NOT_FOUND);
        items.push_back({source, kind, Text()});
        return ERROR_SUCCESS;
    }
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(source.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        // A pattern that matches nothing stands for nothing to do.
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : LastErrorOr(ERROR_PATH_NOT_FOUND);
    }
    do {
        Text found(data.cFileName);
        if (found == u"." || found == u"..") continue;
        bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && filesOnly) continue;
        items.push_back({folder + found, isFolder ? Kind::Folder : Kind::File, Text()});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return ERROR_SUCCESS;
}

DWORD Rename(const std::vector<Text>& sources, const std::vector<Text>& destinations) {
    if (sources.size() != 1 || destinations.size() != 1) return ERROR_INVALID_PARAMETER;
    Text source = TrimSeparators(sources[0]);
    Text folder, name;
    SplitPath(source, folder, name);
    if (name.empty() || HasWildcard(name)) return ERROR_INVALID_PARAMETER;
    if (KindOf(source) == Kind::Missing) return LastErrorOr(ERROR_FILE_NOT_FOUND);
    Text target = TrimSeparators(destinations[0]);
    // A bare new name stays in the source's folder.
    if (target.find_first_of(u"\\/:") == Text::npos) target = folder + target;
    if (HasWildcard(NameOf(target))) return ERROR_INVALID_PARAMETER;
    if (!MoveFileW(source.c_str(), target.c_str())) return LastErrorOr(ERROR_ACCESS_DENIED);
    return ERROR_SUCCESS;
}

DWORD Transfer(UINT function, FILEOP_FLAGS flags, const std::vector<Text>& sources,
               const std::vector<Text>& destinations) {
    bool multi = (flags & FOF_MULTIDESTFILES) != 0;
    if (destinations.empty()) return ERROR_INVALID_PARAMETER;
    if (multi ? destinations.size() != sources.size() : destinations.size() != 1) return ERROR_INVALID_PARAMETER;

    // Every source is looked up (and every destination folder made) before the
    // first item is copied or moved.
    std::vector<Item> items;
    for (size_t i = 0; i < sources.size(); ++i) {
        std::vector<Item> found;
        bool wildcard = false;
        DWORD error = Expand(sources[i], (flags & FOF_FILESONLY) != 0, found, wildcard);
        if (error != ERROR_SUCCESS) return error;
        const Text& given = multi ? destinations[i] : destinations[0];
        Text destination = TrimSeparators(given);
        Kind destinationKind = KindOf(destination);
        // The destination is a folder that receives the items, or (one explicit
        // source) the new path of that item.
        bool into = wildcard || IsSeparator(given.back()) || (!multi && sources.size() > 1) ||
                    (destinationKind == Kind::Folder && (!multi || found[0].kind == Kind::File));
        if (into) {
            if (found.empty()) continue;
            DWORD made = MakeFolderPath(destination);
            if (made != ERROR_SUCCESS) return made;
        } else {
            Text folder, name;
            SplitPath(destination, folder, name);
            if (name.empty() || HasWildcard(name)) return ERROR_INVALID_PARAMETER;
            if (!folder.empty() && !(folder.size() == 3 && folder[1] == u':')) {
                DWORD made = MakeFolderPath(TrimSeparators(folder));
                if (made != ERROR_SUCCESS) return made;
            }
        }
        for (auto& item : found) {
            item.target = into ? Join(destination, NameOf(item.source)) : destination;
            items.push_back(std::move(item));
        }
    }

    for (auto& item : items) {
        bool same = SameEntry(item.source, item.target);
        if (same && function == FO_MOVE) continue;  // already where it should go
        if (item.kind == Kind::Folder && Inside(item.target, item.source)) return ERROR_INVALID_PARAMETER;
        // A copy onto itself always gets a new name, as in the shell.
        if (same || ((flags & FOF_RENAMEONCOLLISION) && KindOf(item.target) != Kind::Missing)) {
            item.target = CollisionName(item.target);
            if (item.target.empty()) return ERROR_FILE_EXISTS;
        }
        DWORD error = function == FO_COPY ? CopyEntry(item.source, item.target, item.kind)
                                          : MoveEntry(item.source, item.target, item.kind);
        if (error != ERROR_SUCCESS) return error;
    }
    return ERROR_SUCCESS;
}

DWORD Delete(FILEOP_FLAGS flags, const std::vector<Text>& sources) {
    std::vector<Item> items;
    for (const auto& source : sources) {
        bool wildcard = false;
        DWORD error = Expand(source, (flags & FOF_FILESONLY) != 0, items, wildcard);
        if (error != ERROR_SUCCESS) return error;
    }
    for (const auto& item : items) {
        DWORD error = DeleteEntry(item.source, item.kind);
        if (error != ERROR_SUCCESS) return error;
    }
    return ERROR_SUCCESS;
}

}  // namespace

int SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
    if (!operation) return ERROR_INVALID_PARAMETER;
    operation->fAnyOperationsAborted = FALSE;
    operation->hNameMappings = nullptr;
    std::vector<Text> sources = SplitList(operation->pFrom);
    std::vector<Text> destinations = SplitList(operation->pTo);
    DWORD result = ERROR_INVALID_PARAMETER;
    if (!sources.empty()) {
        switch (operation->wFunc) {
        case FO_COPY:
        case FO_MOVE: result = Transfer(operation->wFunc, operation->fFlags, sources, destinations); break;
        case FO_DELETE: result = Delete(operation->fFlags, sources); break;
        case FO_RENAME: result = Rename(sources, destinations); break;
        default: break;
        }
    }
    if (result != ERROR_SUCCESS) {
        operation->fAnyOperationsAborted = TRUE;
        SetLastError(result);
    }
    return static_cast<int>(result);
}

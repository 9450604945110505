// Sending, reading back, making folders and deleting on the player.
#include "agent_objects.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>

#include "ZELDevice/abi/Codes.h"
#include "media_paths.h"
#include "media_util.h"
#include "zelcompat/window.h"

namespace zelagent {
namespace {

std::atomic<bool> g_cancel{false};

// A progress report to the device's window; sizes beyond 32 bits are scaled
// down together, which keeps the ratio.
void Report(HWND window, DWORD event, uint64_t done, uint64_t total) {
    if (window == nullptr) return;
    while (total > 0xFFFFFFFFull) {
        total >>= 1;
        done >>= 1;
    }
    tagProgressReport report{event, static_cast<DWORD>(done), static_cast<DWORD>(total)};
    SendMessageW(window, ZEL_WM_PROGRESS, 0, reinterpret_cast<LPARAM>(&report));
}

bool ValidName(const std::u16string& name) {
    return !name.empty() && name != u"." && name != u".." && name.find_first_of(u"\\/") == std::u16string::npos;
}

}  // namespace

void RequestCancel() { g_cancel = true; }

DWORD ResultOf(zelmtp::Status status) {
    switch (status) {
    case zelmtp::Status::Ok: return ZEL_SUCCESS;
    case zelmtp::Status::Cancelled: return ZEL_ERR_CANCELLED;
    case zelmtp::Status::StorageFull: return ZEL_ERR_LOW_SPACE;
    case zelmtp::Status::WriteError: return ZEL_ERR_COPY;
    case zelmtp::Status::Gone: return ZEL_ERR_NO_DRIVE;
    case zelmtp::Status::NotFound: return ZEL_ERR_PATH;
    case zelmtp::Status::Exists: return ZEL_ERR_DESTINATION;
    default: return ZEL_FAILURE;
    }
}

DWORD SendFile(Session& session, const std::u16string& source, DWORD folder, const std::u16string& name, DWORD& made) {
    const Node* target = session.Find(folder);
    if (target == nullptr || !target->folder) return ZEL_ERR_PATH;
    // Kept by value: a window procedure run by a report may call the agent again.
    const uint32_t storage = target->storage, parent = target->handle;
    const std::string host = HostPath(source.c_str());
    struct stat info;
    if (host.empty() || stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return ZEL_ERR_PATH;
    if (!ValidName(name)) return ZEL_ERR_DESTINATION;
    const DWORD existing = session.Child(folder, name);
    if (existing != 0 && session.Find(existing)->folder) return ZEL_ERR_DESTINATION;
    const uint32_t oldHandle = existing != 0 ? session.Find(existing)->handle : 0;

    g_cancel = false;
    const HWND window = session.Window();
    const auto total = static_cast<uint64_t>(info.st_size);
    Report(window, ZEL_REPORT_START, 0, total);
    zelmtp::ObjectInfo object;
    const zelmtp::Status status = session.Player().SendFile(
        host, storage, parent, name, zelmtp::FormatOfName(name),
        [window](uint64_t done, uint64_t all) {
            Report(window, ZEL_REPORT_PROGRESS, done, all);
            return g_cancel ? 1 : 0;
        },
        object);
    if (status != zelmtp::Status::Ok) return ResultOf(status);

    made = session.Adopt(object, folder);
    // A player may keep two objects of one name side by side: the older one
    // goes once the new one is complete.
    if (existing != 0 && oldHandle != object.handle && session.Player().Delete(oldHandle) == zelmtp::Status::Ok)
        session.Forget(existing);
    Report(window, ZEL_REPORT_END, total, total);
    session.RememberSent(made);
    return ZEL_SUCCESS;
}

bool MakeFolders(Session& session, const std::u16string& path, DWORD base, DWORD& last, bool& made) {
    DWORD at = base != 0 ? base : session.DeviceRoot();
    if (!path.empty() && (path[0] == u'\\' || path[0] == u'/')) at = session.TopOf(at);
    const std::vector<std::u16string> parts = SplitPath(path);
    if (parts.empty()) return false;
    made = false;
    for (const std::u16string& part : parts) {
        if (part == u".") continue;
        DWORD next = session.Step(at, part);
        if (next == 0 && part != u"..") {
            if (!ValidName(part)) return false;
            const Node* folder = session.Find(at);
            zelmtp::ObjectInfo object;
            const zelmtp::Status status = session.Player().CreateFolder(folder->storage, folder->handle, part, object);
            if (status != zelmtp::Status::Ok && status != zelmtp::Status::Exists) return false;
            next = session.Adopt(object, at);
            made = status == zelmtp::Status::Ok;
        } else {
            made = false;
        }
        const Node* node = session.Find(next);
        if (node == nullptr || !node->folder) return false;
        at = next;
    }
    last = at;
    return true;
}

bool ReadBack(Session& session, DWORD node, const std::u16string& target, bool overwrite) {
    const Node* object = session.Find(node);
    if (object == nullptr || object->folder) return false;
    const std::string host = zelmedia::HostPathForWriting(target.c_str());
    struct stat info;
    if (host.empty() || (!overwrite && lstat(host.c_str(), &info) == 0)) return false;
    const int64_t modified = object->modified;
    g_cancel = false;
    SiblingTemp temp(host);
    const zelmtp::Status status = session.Player().ReadFile(object->handle, temp.Path(),
                                                            [](uint64_t, uint64_t) { return g_cancel ? 1 : 0; });
    if (status != zelmtp::Status::Ok) return false;
    // The copy keeps the time the player gives its file, as a copy between drives does.
    if (modified > 0) {
        const struct timespec times[2] = {{0, UTIME_NOW}, {static_cast<time_t>(modified), 0}};
        utimensat(AT_FDCWD, temp.Path().c_str(), times, 0);
    }
    return overwrite ? temp.Commit() : temp.CommitWithoutReplacing();
}

DWORD DeleteObject(Session& session, DWORD node) {
    const Node* object = session.Find(node);
    if (object == nullptr || object->handle == zelmtp::kStorageRoot) return ZEL_FAILURE;
    if (object->folder) {
        std::vector<DWORD> children;
        zelmtp::Status status = zelmtp::Status::Ok;
        if (!session.Children(node, children, &status)) return ResultOf(status);
        for (DWORD child : children) {
            const DWORD result = DeleteObject(session, child);
            if (result != ZEL_SUCCESS) return result;
        }
    }
    const zelmtp::Status status = session.Player().Delete(session.Find(node)->handle);
    if (status == zelmtp::Status::Ok) session.Forget(node);
    return ResultOf(status);
}

}  // namespace zelagent

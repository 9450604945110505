// The agent's calls on an MTP player, over the session with the player that
// the device object opened when it was set up (Agent_SetDeviceWindow). Every
// call answers failure while there is no player. README.md describes each.
#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

#include "ZELDevice/abi/Agent.h"
#include "ZELDevice/abi/Codes.h"
#include "agent_objects.h"
#include "agent_playlists.h"
#include "agent_session.h"

using namespace zelagent;

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

IWMDMDevice* g_device = nullptr;

std::u16string TextOf(LPCWSTR text) { return text != nullptr ? std::u16string(text) : std::u16string(); }

// The node a storage value names in this session, 0 for anything else.
DWORD Given(Session& session, const DWORD* storageValue) {
    return storageValue != nullptr && session.Find(*storageValue) != nullptr ? *storageValue : 0;
}

// The node behind a storage given by the caller; given is false when the
// caller gave none, and the answer 0 when it is not one of this session's.
DWORD NodeOfStorage(Session& session, IWMDMStorage* storage) {
    const Node* node = session.NodeOf(storage);
    return node != nullptr ? node->id : 0;
}

// A device path given with a storage: from the top of the storage's storage,
// else from the device root.
DWORD ResolveWith(Session& session, const std::u16string& path, DWORD given) {
    if (given != 0)
        if (const DWORD found = session.Resolve(path, session.TopOf(given))) return found;
    return session.Resolve(path);
}

// The folder a move names: the root for an empty name; the folder of the
// storage value when its name is the last one of the path; else the path,
// from the device root when it holds "\" or fromRoot, from the current
// folder otherwise.
DWORD FolderToMove(Session& session, const std::u16string& name, DWORD given, bool fromRoot) {
    const std::vector<std::u16string> parts = SplitPath(name);
    if (parts.empty()) return session.DeviceRoot();
    if (name == u"..") return given != 0 ? given : session.Step(session.Current(), u"..");
    if (given != 0) {
        const Node* node = session.Find(given);
        if (node->folder && SameName(node->name, parts.back())) return given;
        if (!fromRoot && parts.size() == 1 && node->folder) {
            if (const DWORD child = session.Child(given, name)) return child;
        }
    }
    const bool path = fromRoot || name.find_first_of(u"\\/") != std::u16string::npos;
    return session.Resolve(name, path ? session.DeviceRoot() : session.Current());
}

// Makes a folder the agent's current one and fills record with its entry.
int MoveTo(Session& session, DWORD folder, CZEL_File* record) {
    const Node* node = session.Find(folder);
    if (node == nullptr || !node->folder) return 0;
    session.SetCurrent(folder);
    if (record != nullptr) session.Fill(folder, *record);
    return 1;
}

// Fills record for a node that was just made in folder: Path is the folder's.
void FillMade(Session& session, DWORD node, DWORD folder, CZEL_File* record) {
    if (record == nullptr) return;
    session.Fill(node, *record);
    const Node* holder = session.Find(folder);
    record->Path = holder != nullptr ? holder->path.c_str() : u"";
}

// The upper-case text after the last "." of a name (the whole name without one).
CString UpperExtension(const std::u16string& name) {
    const size_t dot = name.rfind(u'.');
    CString extension(dot == std::u16string::npos ? name.c_str() : name.substr(dot + 1).c_str());
    extension.MakeUpper();
    return extension;
}

// Writes one playlist per name of names (in the order the names first
// appear) with the items of paths that go with it.
DWORD WriteNamedPlaylists(Session& session, const std::vector<std::pair<std::u16string, std::u16string>>& entries,
                          CZEL_File* record) {
    std::vector<std::pair<std::u16string, std::vector<DWORD>>> lists;
    for (const auto& [name, path] : entries) {
        if (name.empty()) continue;  // a file that joins no named playlist
        auto list = std::find_if(lists.begin(), lists.end(), [&](const auto& l) { return l.first == name; });
        if (list == lists.end()) list = lists.insert(lists.end(), {name, {}});
        if (const DWORD item = PlaylistItem(session, path)) list->second.push_back(item);
    }
    const DWORD folder = session.FolderStorage() != 0 ? session.FolderStorage() : session.Current();
    DWORD result = lists.empty() ? ZEL_FAILURE : ZEL_SUCCESS;
    for (const auto& [name, items] : lists) {
        DWORD made = 0;
        const DWORD written = WritePlaylist(session, folder, name, items, made);
        if (written != ZEL_SUCCESS) result = written;
        else FillMade(session, made, folder, record);
    }
    return result;
}

}  // namespace

extern "C" {

AFX_EXT_API int Agent_SetDeviceWindow(HWND window, int open) {
    Guard guard(AgentLock());
    if (!open) {
        CloseSession(window);
        return 1;
    }
    return OpenSession(window) ? 1 : 0;
}

AFX_EXT_API IWMDMStorage* Agent_GetRootStorage(IStream*** first, IStream*** second) {
    Guard guard(AgentLock());
    if (first != nullptr) *first = nullptr;
    if (second != nullptr) *second = nullptr;
    Session* session = CurrentSession();
    if (session == nullptr) return nullptr;
    const DWORD root = session->DeviceRoot();
    if (first != nullptr) *first = session->Slot(root);
    const std::vector<DWORD> cards = session->OtherTops();
    if (second != nullptr && !cards.empty()) *second = session->Slot(cards.front());
    IWMDMStorage* storage = session->StorageObject(root);
    storage->AddRef();
    return storage;
}

AFX_EXT_API int Agent_WMDMEnumerate(std::vector<CZEL_File>* list, LPCWSTR extensions) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr || list == nullptr) return 0;
    std::vector<DWORD> children;
    if (!session->Children(session->Current(), children)) return 0;
    list->clear();
    auto add = [&](DWORD id) {
        CZEL_File entry;
        session->Fill(id, entry);
        list->push_back(std::move(entry));
    };
    // The root's listing begins with the root itself, then the further storages.
    if (session->Current() == session->DeviceRoot()) {
        add(session->DeviceRoot());
        for (DWORD top : session->OtherTops()) add(top);
    }
    const CString filter(extensions != nullptr ? extensions : u"");
    for (DWORD child : children) {
        const Node* node = session->Find(child);
        const bool listed = node->folder || node->format == zelmtp::kFormatPlaylist || filter.IsEmpty() ||
                            filter.Find(UpperExtension(node->name)) >= 0;
        if (listed) add(child);
    }
    return 1;
}

AFX_EXT_API int Agent_WMDMGetDeviceSpace(DWORD* totalMB, DWORD* freeMB) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    const Node* current = session != nullptr ? session->Find(session->Current()) : nullptr;
    uint64_t capacity = 0, freeSpace = 0;
    if (current == nullptr || !session->StorageSpace(current->storage, capacity, freeSpace)) return 0;
    auto megabytes = [](uint64_t bytes) { return static_cast<DWORD>(std::min<uint64_t>(bytes >> 20, 0xFFFFFFFFu)); };
    if (totalMB != nullptr) *totalMB = megabytes(capacity);
    if (freeMB != nullptr) *freeMB = megabytes(freeSpace);
    return 1;
}

AFX_EXT_API int Agent_WMDMMakeFolder(LPCWSTR nameOrPath, CZEL_File* record, IWMDMStorage* parent, int) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    const DWORD base = parent != nullptr ? NodeOfStorage(*session, parent) : session->Current();
    DWORD made = 0;
    bool isNew = false;
    if (base == 0 || !MakeFolders(*session, TextOf(nameOrPath), base, made, isNew) || !isNew) return 0;
    FillMade(*session, made, session->Find(made)->parent, record);
    return 1;
}

AFX_EXT_API int Agent_WMDMTransferMakeFolderFile(LPCWSTR source, LPCWSTR target) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr || target == nullptr) return 0;
    const std::u16string path(target);
    const size_t cut = path.find_last_of(u"\\/");
    const std::u16string folder = cut == std::u16string::npos ? u"" : path.substr(0, cut);
    const std::u16string name = cut == std::u16string::npos ? path : path.substr(cut + 1);
    DWORD at = session->DeviceRoot();
    bool isNew = false;
    if (!SplitPath(folder).empty() && !MakeFolders(*session, u"\\" + folder, at, at, isNew)) return 0;
    if (source == nullptr || *source == 0 || name.empty()) return 1;
    DWORD made = 0;
    return SendFile(*session, source, at, name, made) == ZEL_SUCCESS ? 1 : 0;
}

AFX_EXT_API DWORD Agent_WMDMTransferFile(LPCWSTR source, CZEL_File* record, tagDB_File* dbRecord, LPCWSTR folder,
                                         IWMDMStorage* storage) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return ZEL_ERR_NO_DRIVE;
    if (source == nullptr || *source == 0) return ZEL_ERR_PATH;
    const DWORD given = storage != nullptr ? NodeOfStorage(*session, storage) : 0;
    if (storage != nullptr && given == 0) return ZEL_ERR_PATH;
    DWORD destination = session->Current();
    if (folder != nullptr && *folder != 0) {
        destination = ResolveWith(*session, folder, given);
    } else if (given != 0) {
        destination = session->Find(given)->folder ? given : session->Find(given)->parent;
    }
    if (destination == 0) return ZEL_ERR_PATH;

    // The name on the player: the entry's, else the record's, else the source's.
    std::u16string name;
    if (record != nullptr && !record->Name.IsEmpty()) {
        name = record->Name.Str();
    } else if (dbRecord != nullptr && dbRecord->FileName[0] != 0) {
        name = std::u16string(dbRecord->FileName, std::find(std::begin(dbRecord->FileName),
                                                            std::end(dbRecord->FileName), u'\0'));
    } else {
        const std::u16string path(source);
        name = path.substr(path.find_last_of(u"\\/") == std::u16string::npos ? 0 : path.find_last_of(u"\\/") + 1);
    }
    DWORD made = 0;
    const DWORD result = SendFile(*session, source, destination, name, made);
    if (result != ZEL_SUCCESS) return result;
    FillMade(*session, made, destination, record);
    if (dbRecord != nullptr) {
        const uint64_t size = session->Find(made)->size;
        dbRecord->FileSize = size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(size);
    }
    return ZEL_SUCCESS;
}

AFX_EXT_API int Agent_WMDMMoveFolder(LPCWSTR name, DWORD* storageValue, CZEL_File* record) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    return MoveTo(*session, FolderToMove(*session, TextOf(name), Given(*session, storageValue), false), record);
}

AFX_EXT_API int Agent_WMDMMoveSpecialFolder(LPCWSTR name, CZEL_File* record, DWORD* storageValue) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    return MoveTo(*session, FolderToMove(*session, TextOf(name), Given(*session, storageValue), true), record);
}

AFX_EXT_API int Agent_WMDMFindFileFromPath(LPCWSTR path, IWMDMStorage* storage) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    const DWORD given = storage != nullptr ? NodeOfStorage(*session, storage) : 0;
    if (storage != nullptr && given == 0) return 0;
    const DWORD found = ResolveWith(*session, TextOf(path), given);
    session->SetFound(found);
    return found != 0 ? 1 : 0;
}

AFX_EXT_API int Agent_WMDMUploadFile(LPCWSTR name, LPCWSTR hostFolder, int) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    const Node* found = session != nullptr ? session->Find(session->FoundObject()) : nullptr;
    if (found == nullptr || hostFolder == nullptr || *hostFolder == 0) return 0;
    std::u16string target(hostFolder);
    if (target.back() != u'\\') target += u'\\';
    target += name != nullptr && *name != 0 ? std::u16string(name) : found->name;
    // A file of the computer that is there already is never replaced.
    return ReadBack(*session, found->id, target, false) ? 1 : 0;
}

AFX_EXT_API int Agent_WMDMUploadFiles(LPCWSTR devicePath, LPCWSTR hostPath, int flag) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr || hostPath == nullptr) return 0;
    const DWORD node = session->Resolve(TextOf(devicePath));
    return node != 0 && ReadBack(*session, node, hostPath, flag == 1) ? 1 : 0;
}

AFX_EXT_API int Agent_WMDMCheckFindFile(LPCWSTR devicePath) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    return session != nullptr && !SplitPath(TextOf(devicePath)).empty() && session->Resolve(TextOf(devicePath)) != 0
               ? 1
               : 0;
}

AFX_EXT_API DWORD Agent_WMDMDeleteFiles(IWMDMStorage** storage) {
    Guard guard(AgentLock());
    if (storage == nullptr || *storage == nullptr) return ZEL_FAILURE;
    // The caller's reference is the agent's to release.
    IWMDMStorage* object = *storage;
    *storage = nullptr;
    Session* session = CurrentSession();
    const DWORD node = session != nullptr ? NodeOfStorage(*session, object) : 0;
    object->Release();
    return node != 0 ? DeleteObject(*session, node) : ZEL_FAILURE;
}

AFX_EXT_API int Agent_WMDMFormat() {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    const uint32_t storage = session->Find(session->DeviceRoot())->storage;
    if (session->Player().Format(storage) != zelmtp::Status::Ok) return 0;
    session->ForgetStorage(storage);
    session->SetCurrent(session->DeviceRoot());
    return 1;
}

// The player keeps its own database: there is nothing to rebuild.
AFX_EXT_API int Agent_WMDMRebuildDB() {
    Guard guard(AgentLock());
    return CurrentSession() != nullptr ? 1 : 0;
}

AFX_EXT_API IWMDMStorage* Agent_DataCastStorage(IWMDMStorage* storage) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return nullptr;
    DWORD node = storage != nullptr ? NodeOfStorage(*session, storage) : session->Current();
    if (node != 0 && !session->Find(node)->folder) node = session->Find(node)->parent;
    return node != 0 ? session->StorageObject(node) : nullptr;
}

AFX_EXT_API int Agent_SetIWMDMDevice(IWMDMDevice* device) {
    Guard guard(AgentLock());
    g_device = device;
    return device != nullptr ? 1 : 0;
}

AFX_EXT_API int Agent_SetFolderStorage(IWMDMStorage* storage, LPCWSTR folderPath, int fromAgentPath) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    // The agent's own path names a folder only when none was chosen by name since the last move.
    if (fromAgentPath && session->FolderStorage() != 0) return 1;
    DWORD base = session->DeviceRoot();
    if (storage != nullptr && !fromAgentPath) {
        base = NodeOfStorage(*session, storage);
        if (base != 0) base = session->TopOf(base);
    }
    DWORD folder = 0;
    bool made = false;
    const std::u16string path = TextOf(folderPath);
    if (base != 0 && !SplitPath(path).empty()) {
        // A playlist folder chosen by name is made when missing: the playlists need it.
        if (fromAgentPath) folder = session->Resolve(path, base);
        else if (!MakeFolders(*session, u"\\" + path, base, folder, made)) folder = 0;
    } else if (base != 0) {
        folder = base;
    }
    const bool usable = folder != 0 && session->Find(folder)->folder;
    session->SetFolderStorage(usable ? folder : 0);
    return usable ? 1 : 0;
}

AFX_EXT_API LPCWSTR Agent_GetCurrentPath() {
    Guard guard(AgentLock());
    static std::u16string text;
    Session* session = CurrentSession();
    text = session != nullptr ? session->PathText(session->Current()) : u"";
    return text.c_str();
}

AFX_EXT_API int Agent_MTPUpdatePlaylist(CStringArray& names, CStringArray& paths, int, CZEL_File* record) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (INT_PTR k = 0; k < std::min(names.GetSize(), paths.GetSize()); ++k)
        entries.emplace_back(names[k].Str(), paths[k].Str());
    return WriteNamedPlaylists(*session, entries, record) == ZEL_SUCCESS ? 1 : 0;
}

AFX_EXT_API DWORD Agent_MTPUpdateMoodPlaylist(CString name, CStringArray& paths, CZEL_File* record) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return ZEL_ERR_NO_DRIVE;
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    for (INT_PTR k = 0; k < paths.GetSize(); ++k) entries.emplace_back(name.Str(), paths[k].Str());
    if (entries.empty()) entries.emplace_back(name.Str(), u"");
    return WriteNamedPlaylists(*session, entries, record);
}

AFX_EXT_API int Agent_MTPReadPlaylist(LPCWSTR folderPath, LPCWSTR name, CStringArray& paths) {
    Guard guard(AgentLock());
    paths.RemoveAll();
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    const DWORD folder = session->Resolve(TextOf(folderPath));
    const DWORD playlist = folder != 0 ? FindPlaylist(*session, folder, TextOf(name)) : 0;
    std::vector<DWORD> items;
    if (playlist == 0 || !PlaylistNodes(*session, playlist, items)) return 0;
    for (DWORD item : items) paths.Add(CString(session->PathText(item).c_str()));
    return 1;
}

// Both cancels stop the copy that runs; they take no lock, so that another
// thread may call them while a copy holds it.
AFX_EXT_API int Agent_CancelTransfer() {
    RequestCancel();
    return 1;
}

AFX_EXT_API int Agent_NDACancelTransfer() {
    RequestCancel();
    return 1;
}

AFX_EXT_API int Agent_NDAMoveFolder(LPCWSTR path, DWORD cardStorage) {
    Guard guard(AgentLock());
    Session* session = CurrentSession();
    if (session == nullptr) return 0;
    const std::vector<DWORD> cards = session->OtherTops();
    const DWORD base = cardStorage == 1 && !cards.empty() ? cards.front() : session->DeviceRoot();
    return MoveTo(*session, session->Resolve(TextOf(path), base), nullptr);
}

}  // extern "C"

// The agent's session with one player: its nodes, paths and tree entries.
#include "agent_session.h"

#include <algorithm>
#include <atomic>

#include "ZELDevice/abi/Codes.h"
#include "zelcompat/wintime.h"

namespace zelagent {
namespace {

std::atomic<DWORD> g_nextNode{1};
std::atomic<uint64_t> g_nextSession{1};

std::unique_ptr<Session>& SessionSlot() {
    static std::unique_ptr<Session> session;
    return session;
}

std::u16string Fold(const std::u16string& text) { return CZEL_File::FoldName(text.c_str()); }

}  // namespace

std::vector<std::u16string> SplitPath(std::u16string path) {
    if (path.size() >= 2 && path[1] == u':') path = path.substr(2);
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t cut = path.find_first_of(u"\\/", start);
        if (cut == std::u16string::npos) cut = path.size();
        if (cut > start) parts.push_back(path.substr(start, cut - start));
        start = cut + 1;
    }
    return parts;
}

bool SameName(const std::u16string& a, const std::u16string& b) { return Fold(a) == Fold(b); }

CString LocalStamp(int64_t seconds) {
    if (seconds <= 0) return CString();
    const uint64_t ticks = (static_cast<uint64_t>(seconds) + 11644473600ull) * 10000000ull;
    FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)}, local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return CString();
    return CZEL_File::FormatStamp(time);
}

Session::Session(std::unique_ptr<zelmtp::Backend> backend, HWND window)
    : backend_(std::move(backend)), window_(window), number_(g_nextSession++) {}

Session::~Session() = default;

bool Session::Open() {
    std::vector<zelmtp::StorageInfo> storages;
    if (backend_->Storages(storages) != zelmtp::Status::Ok || storages.empty()) return false;
    for (size_t k = 0; k < storages.size(); ++k) {
        Node top;
        top.id = g_nextNode++;
        top.storage = storages[k].id;
        top.name = storages[k].description.empty() ? u"Storage " + ZelFromUtf8(std::to_string(k + 1))
                                                   : storages[k].description;
        top.path = k == 0 ? u"" : u"\\" + top.name;
        byObject_[{top.storage, top.handle}] = top.id;
        tops_.push_back(top.id);
        nodes_.emplace(top.id, std::move(top));
    }
    current_ = DeviceRoot();
    return true;
}

const Node* Session::Find(DWORD id) const {
    auto found = nodes_.find(id);
    return found != nodes_.end() ? &found->second : nullptr;
}

const Node* Session::NodeOf(IWMDMStorage* storage) const {
    const AgentStorage* object = AgentStorage::Of(storage);
    if (object == nullptr || object->Session() != number_) return nullptr;
    return Find(object->Node());
}

std::vector<DWORD> Session::OtherTops() const {
    return tops_.size() > 1 ? std::vector<DWORD>(tops_.begin() + 1, tops_.end()) : std::vector<DWORD>();
}

DWORD Session::TopOf(DWORD id) const {
    const Node* node = Find(id);
    if (node == nullptr) return DeviceRoot();
    auto top = byObject_.find({node->storage, zelmtp::kStorageRoot});
    return top != byObject_.end() ? top->second : DeviceRoot();
}

DWORD Session::Resolve(const std::u16string& path, DWORD base) {
    DWORD at = base != 0 ? base : DeviceRoot();
    for (const std::u16string& part : SplitPath(path)) {
        if (part == u".") continue;
        const Node* node = Find(at);
        if (node == nullptr || !node->folder) return 0;
        at = Step(at, part);
        if (at == 0) return 0;
    }
    return at;
}

DWORD Session::Step(DWORD folder, const std::u16string& part) {
    const Node* node = Find(folder);
    if (node == nullptr) return 0;
    if (part == u"..") {
        if (node->parent != 0) return node->parent;
        return DeviceRoot();  // the top of a card goes up to the device root
    }
    // At the device root, a further storage is reached by its name.
    if (folder == DeviceRoot())
        for (DWORD top : OtherTops())
            if (SameName(Find(top)->name, part)) return top;
    return Child(folder, part);
}

bool Session::Children(DWORD folder, std::vector<DWORD>& children, zelmtp::Status* status) {
    children.clear();
    const Node* node = Find(folder);
    if (node == nullptr || !node->folder) {
        if (status != nullptr) *status = zelmtp::Status::NotFound;
        return false;
    }
    std::vector<zelmtp::ObjectInfo> objects;
    const zelmtp::Status answer = backend_->Children(node->storage, node->handle, objects);
    if (status != nullptr) *status = answer;
    if (answer != zelmtp::Status::Ok) return false;
    std::stable_sort(objects.begin(), objects.end(), [](const auto& a, const auto& b) {
        const std::u16string fa = Fold(a.name), fb = Fold(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });
    for (const auto& object : objects) children.push_back(Adopt(object, folder));
    return true;
}

DWORD Session::Child(DWORD folder, const std::u16string& name) {
    std::vector<DWORD> children;
    if (!Children(folder, children)) return 0;
    const std::u16string wanted = Fold(name);
    for (DWORD child : children)
        if (Fold(Find(child)->name) == wanted) return child;
    return 0;
}

DWORD Session::Adopt(const zelmtp::ObjectInfo& info, DWORD folder) {
    const Node* parent = Find(folder);
    DWORD& id = byObject_[{info.storage, info.handle}];
    if (id == 0) id = g_nextNode++;
    Node& node = nodes_[id];
    node.id = id;
    node.parent = folder;
    node.storage = info.storage;
    node.handle = info.handle;
    node.name = info.name;
    node.path = (parent != nullptr ? parent->path : std::u16string()) + u"\\" + info.name;
    node.folder = info.IsFolder();
    node.size = info.size;
    node.modified = info.modified;
    node.format = info.format;
    return id;
}

DWORD Session::Known(uint32_t storage, uint32_t handle) const {
    auto found = byObject_.find({storage, handle});
    return found != byObject_.end() ? found->second : 0;
}

void Session::Forget(DWORD id) {
    const Node* node = Find(id);
    if (node == nullptr || node->handle == zelmtp::kStorageRoot) return;
    const DWORD parent = node->parent;
    std::vector<DWORD> gone{id};
    for (size_t k = 0; k < gone.size(); ++k)
        for (const auto& [other, candidate] : nodes_)
            if (candidate.parent == gone[k]) gone.push_back(other);
    for (DWORD dropped : gone) {
        const Node& old = nodes_.at(dropped);
        byObject_.erase({old.storage, old.handle});
        cells_.erase(dropped);
        for (auto it = sent_.begin(); it != sent_.end();) it = it->second == dropped ? sent_.erase(it) : std::next(it);
        if (current_ == dropped) current_ = parent;
        if (found_ == dropped) found_ = 0;
        if (folderStorage_ == dropped) folderStorage_ = 0;
    }
    for (DWORD dropped : gone) nodes_.erase(dropped);
}

void Session::ForgetStorage(uint32_t storage) {
    std::vector<DWORD> ids;
    for (const auto& [id, node] : nodes_)
        if (node.storage == storage && node.parent == TopOf(id)) ids.push_back(id);
    for (DWORD id : ids) Forget(id);
}

bool Session::StorageSpace(uint32_t storage, uint64_t& capacity, uint64_t& freeSpace) {
    std::vector<zelmtp::StorageInfo> storages;
    if (backend_->Storages(storages) != zelmtp::Status::Ok) return false;
    for (const auto& info : storages) {
        if (info.id != storage) continue;
        capacity = info.capacity;
        freeSpace = info.freeSpace;
        return true;
    }
    return false;
}

StorageCell& Session::CellOf(DWORD id) {
    std::unique_ptr<StorageCell>& cell = cells_[id];
    if (!cell) cell = std::make_unique<StorageCell>(number_, id);
    return *cell;
}

IWMDMStorage* Session::StorageObject(DWORD id) { return Find(id) != nullptr ? CellOf(id).Object() : nullptr; }

IStream** Session::Slot(DWORD id) { return Find(id) != nullptr ? CellOf(id).FreshSlot() : nullptr; }

std::u16string Session::PathText(DWORD id) const {
    const Node* node = Find(id);
    return node == nullptr || node->path.empty() ? u"\\" : node->path;
}

void Session::Fill(DWORD id, CZEL_File& entry) {
    const Node* node = Find(id);
    if (node == nullptr) return;
    entry.Reset();
    entry.Name = node->name.c_str();
    entry.Path = node->path.c_str();
    entry.Size = node->size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(node->size);
    entry.Attributes = node->folder ? ZEL_ATTR_FOLDER : ZEL_ATTR_FILE;
    entry.InDatabase = 1;  // the player keeps its own database
    entry.TimeStamp = LocalStamp(node->modified);
    if (node->folder) {
        entry.Extension.Empty();
        entry.MediaType = 0;
    } else {
        const size_t dot = node->name.rfind(u'.');
        entry.Extension = dot == std::u16string::npos ? CString() : CString(node->name.substr(dot + 1).c_str());
        entry.Extension.MakeUpper();
        entry.MediaType = CZEL_File::MediaTypeOfExtension(entry.Extension);
    }
    entry.FolderStorage = id;
    entry.StorageStream = Slot(id);
}

void Session::RememberSent(DWORD id) {
    if (const Node* node = Find(id)) sent_[Fold(node->name)] = id;
}

DWORD Session::SentByName(const std::u16string& name) const {
    auto found = sent_.find(Fold(name));
    return found != sent_.end() ? found->second : 0;
}

std::recursive_mutex& AgentLock() {
    static std::recursive_mutex lock;
    return lock;
}

Session* CurrentSession() { return SessionSlot().get(); }

bool OpenSession(HWND window) {
    SessionSlot().reset();
    std::unique_ptr<zelmtp::Backend> backend = zelmtp::OpenBackend();
    if (!backend) return false;
    auto session = std::make_unique<Session>(std::move(backend), window);
    if (!session->Open()) return false;
    SessionSlot() = std::move(session);
    return true;
}

void CloseSession(HWND window) {
    if (SessionSlot() && SessionSlot()->Window() == window) SessionSlot().reset();
}

}  // namespace zelagent
